#pragma once
// The boundary between a widget extension and its host. An extension is a bundle
// (<name>.appex/Contents/Info.plist, Contents/MacOS/<CFBundleExecutable>) whose executable is a
// loadable module exporting one C symbol, `platformWidgetExtensionEntry`, that carries the ABI version
// it was built for and its main function. The host opens the module with dlopen, checks the bundle's
// extension point and the ABI version, and calls main, which makes the bundle the process's main
// bundle and hands over the bundle's widgets with their types erased. Host and extension link the one
// platform library, so they share its state (clock, defaults, string tables, caches).
//
// A loaded module stays loaded for the life of the process: the widgets it handed over run its code,
// and its process-wide caches stay reachable.

#include "platform/foundation/Result.hpp"
#include "platform/widgetkit/Widget.hpp"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace platform::widgetkit {

/// The extension point a widget extension names in its Info.plist (NSExtension → NSExtensionPointIdentifier).
inline constexpr std::string_view widgetExtensionPointIdentifier = "com.tallyfox.platform.widgetkit-extension";
/// The version of everything that crosses the boundary (the layout of the entry, the widget
/// configuration, views). A host loads only extensions built for its own version.
inline constexpr std::uint32_t widgetExtensionABIVersion = 1;
/// The name of the exported entry.
inline constexpr const char* widgetExtensionEntrySymbol = "platformWidgetExtensionEntry";

/// The extension side of main: makes the bundle at `bundlePath` the process's main bundle (its
/// identifier names the standard user defaults, its Resources hold the string tables and images).
void startWidgetExtension(const std::filesystem::path& bundlePath);

/// Main of an extension whose widgets are those of `Bundle`, as the entry macro exports it.
template <WidgetBundle Bundle>
void widgetExtensionMain(const char* bundlePath, std::vector<WidgetConfiguration>* widgets) {
    startWidgetExtension(bundlePath);
    *widgets = Bundle{}.body();
}

/// Why an extension could not be loaded; `message` says so in a sentence that names the path.
struct WidgetExtensionLoadError {
    enum class Kind {
        notFound,          ///< no folder at the path
        noInformation,     ///< Contents/Info.plist missing or not a property-list dictionary
        notAWidgetExtension, ///< the Info.plist names another extension point, or none
        noExecutable,      ///< no CFBundleExecutable, or no file of that name in Contents/MacOS
        notAModule,        ///< the executable cannot be loaded (not a shared object, unresolved symbols)
        noEntryPoint,      ///< the module does not export the entry
        otherABIVersion,   ///< the module was built for another version of the boundary
        startFailed,       ///< main threw
    };
    Kind kind;
    std::string message;
};

/// A loaded extension: where it is and the widgets its bundle declares.
struct WidgetExtension {
    std::filesystem::path bundlePath;
    std::vector<WidgetConfiguration> widgets;
};

/// Loads the extension bundle at `bundlePath` and runs its main.
foundation::Result<WidgetExtension, WidgetExtensionLoadError>
loadWidgetExtension(const std::filesystem::path& bundlePath);

} // namespace platform::widgetkit

extern "C" {
/// What an extension exports under `platformWidgetExtensionEntry`. The version comes first, so a
/// host can refuse a module built for another boundary before it calls anything.
struct PlatformWidgetExtensionEntry {
    std::uint32_t abiVersion;
    /// Starts the extension from its bundle folder and fills `widgets` with the widgets it declares.
    void (*main)(const char* bundlePath, std::vector<platform::widgetkit::WidgetConfiguration>* widgets);
};
}

/// Declares the extension's entry point: the widget bundle type it starts with. Write it once, at
/// namespace scope, in the extension's own module.
#define WIDGET_EXTENSION_MAIN(BundleType)                                                                        \
    extern "C" {                                                                                                 \
    extern __attribute__((visibility("default"))) const PlatformWidgetExtensionEntry platformWidgetExtensionEntry; \
    }                                                                                                            \
    const PlatformWidgetExtensionEntry platformWidgetExtensionEntry{                                             \
        ::platform::widgetkit::widgetExtensionABIVersion, &::platform::widgetkit::widgetExtensionMain<BundleType>};
