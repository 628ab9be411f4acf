#include "platform/widgetkit/WidgetExtension.hpp"

#include "platform/foundation/Bundle.hpp"
#include "platform/foundation/FileSystem.hpp"
#include "platform/foundation/Localization.hpp"
#include "platform/ui/Environment.hpp"

#include <dlfcn.h>
#include <plist/plist.h>

#include <exception>
#include <optional>
#include <string>
#include <utility>

namespace platform::widgetkit {

namespace fs = std::filesystem;
using foundation::Failure;
using Kind = WidgetExtensionLoadError::Kind;

namespace {

// An information dictionary is a few kilobytes; anything near this is not one.
constexpr std::size_t largestInformation = 1024 * 1024;

Failure<WidgetExtensionLoadError> failure(Kind kind, std::string message) {
    return Failure{WidgetExtensionLoadError{kind, std::move(message)}};
}

std::optional<std::string> stringValue(plist_t dictionary, const char* key) {
    const plist_t node = dictionary ? plist_dict_get_item(dictionary, key) : nullptr;
    if (!node || plist_get_node_type(node) != PLIST_STRING) return std::nullopt;
    uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    return std::string(text ? text : "", text ? length : 0);
}

plist_t dictionaryValue(plist_t dictionary, const char* key) {
    const plist_t node = plist_dict_get_item(dictionary, key);
    return node && plist_get_node_type(node) == PLIST_DICT ? node : nullptr;
}

// A module that did not become an extension is closed again: nothing of it has been handed out.
struct ModuleHandle {
    void* handle = nullptr;
    ~ModuleHandle() {
        if (handle) ::dlclose(handle);
    }
    void* keep() { return std::exchange(handle, nullptr); }
};

} // namespace

void startWidgetExtension(const fs::path& bundlePath) {
    const auto bundle = foundation::Bundle::open(bundlePath);
    if (!bundle) return;
    foundation::setMainBundleInfo(foundation::localizationInfo(*bundle));
    ui::setDefaultAssetDirectory(bundle->resourcesPath().string());
}

foundation::Result<WidgetExtension, WidgetExtensionLoadError> loadWidgetExtension(const fs::path& bundlePath) {
    const std::string shown = bundlePath.string();
    std::error_code error;
    if (!fs::is_directory(bundlePath, error)) return failure(Kind::notFound, "no widget extension at " + shown);

    const fs::path informationPath = bundlePath / "Contents" / "Info.plist";
    auto bytes = foundation::readOnce(informationPath, largestInformation);
    if (!bytes) return failure(Kind::noInformation, shown + " has no Contents/Info.plist");
    const auto information = foundation::readPropertyListDictionary(bytes->bytes());
    if (!information)
        return failure(Kind::noInformation, shown + ": Contents/Info.plist is not a property-list dictionary");
    const plist_t root = static_cast<plist_t>(information.get());

    const plist_t extension = dictionaryValue(root, "NSExtension");
    const auto point = stringValue(extension, "NSExtensionPointIdentifier");
    if (point != widgetExtensionPointIdentifier)
        return failure(Kind::notAWidgetExtension,
                       shown + " is not a widget extension (NSExtensionPointIdentifier is " +
                           (point ? "\"" + *point + "\"" : std::string("missing")) + ")");

    const auto executableName = stringValue(root, "CFBundleExecutable");
    if (!executableName || executableName->empty() || executableName->find('/') != std::string::npos ||
        *executableName == "." || *executableName == "..")
        return failure(Kind::noExecutable, shown + ": Contents/Info.plist names no executable (CFBundleExecutable)");
    const fs::path executable = bundlePath / "Contents" / "MacOS" / *executableName;
    if (!fs::is_regular_file(executable, error))
        return failure(Kind::noExecutable,
                       shown + ": the executable Contents/MacOS/" + *executableName + " is missing");

    ModuleHandle module{::dlopen(executable.c_str(), RTLD_NOW | RTLD_LOCAL)};
    if (!module.handle) {
        const char* reason = ::dlerror();
        return failure(Kind::notAModule, shown + ": Contents/MacOS/" + *executableName + " is not a loadable module (" +
                                             (reason ? reason : "unknown reason") + ")");
    }
    ::dlerror();
    const auto* entry =
        static_cast<const PlatformWidgetExtensionEntry*>(::dlsym(module.handle, widgetExtensionEntrySymbol));
    if (!entry || !entry->main)
        return failure(Kind::noEntryPoint, shown + ": Contents/MacOS/" + *executableName + " exports no " +
                                               widgetExtensionEntrySymbol);
    if (entry->abiVersion != widgetExtensionABIVersion)
        return failure(Kind::otherABIVersion, shown + " was built for widget extension ABI version " +
                                                  std::to_string(entry->abiVersion) + "; this host speaks version " +
                                                  std::to_string(widgetExtensionABIVersion));

    WidgetExtension loaded{bundlePath, {}};
    try {
        entry->main(bundlePath.c_str(), &loaded.widgets);
    } catch (const std::exception& exception) {
        // Its main may have handed out parts of itself before it threw: the module stays.
        module.keep();
        return failure(Kind::startFailed, shown + " failed to start: " + exception.what());
    }
    module.keep();
    return loaded;
}

} // namespace platform::widgetkit
