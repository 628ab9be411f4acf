#pragma once
// The command line of `widgethost`: a command, its options, and the selection of what to show.

#include "host/hosting/SurfaceChoice.hpp"
#include "platform/foundation/Date.hpp"
#include "platform/foundation/Result.hpp"
#include "platform/ui/Geometry.hpp"
#include "platform/ui/Metrics.hpp"
#include "platform/ui/Rendering.hpp"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace widgethost {

using platform::foundation::Date;

enum class Command {
    help,
    version,
    describe,
    entities,
    timeline,
    render,
    accessibility,
    layout,
    add,
    list,
    edit,
    remove,
    autostart,
    show,
    check,
    names
};

/// Which of the provider's requests the host makes.
enum class Request { placeholder, snapshot, timeline };

/// Which widget, in which configuration, asked when, shown at which moment.
struct Selection {
    std::optional<platform::ui::WidgetFamily> family; ///< medium unless given (or the placed widget's)
    std::optional<std::vector<std::string>> sources;  ///< the configuration's sources, in order
    std::optional<std::int64_t> widget;               ///< a placed widget instead of family and sources
    Request request = Request::timeline;
    std::optional<Date>
        now; ///< the platform clock when the host asks (`show`: fixed there); the real time unless given
    std::optional<Date> at;  ///< the moment shown; `now` unless given
};

/// How `render` draws and where it writes.
struct RenderOptions {
    platform::ui::ColorScheme appearance = platform::ui::ColorScheme::light;
    platform::ui::ColorSchemeContrast contrast = platform::ui::ColorSchemeContrast::standard;
    double scale = platform::ui::metrics::defaultScaleFactor;
    std::optional<platform::ui::Size> size; ///< the family's size unless given
    std::filesystem::path output;
    platform::ui::ImageFormat format = platform::ui::ImageFormat::png;
};

/// One parsed command line.
struct Invocation {
    Command command = Command::help;
    std::optional<std::filesystem::path> extension; ///< --extension: the .appex to load
    bool json = false;
    Selection selection;
    RenderOptions render;
    std::vector<std::string> identifiers; ///< `entities`: the identifiers to resolve
    std::optional<std::int64_t> number;   ///< `edit` and `remove`: the placed widget
    bool clear = false;                   ///< `edit --clear`
    std::vector<std::string> autostart;   ///< `autostart`: the words after it, as given
    bool verbose = false;                 ///< `show --verbose`: say which surface and why
    SurfaceRequest surface;               ///< `show --surface`: the best the desktop offers unless given
    std::optional<std::filesystem::path> snapshotFile;  ///< `check`: the document (the widget's unless given)
};

/// A command line that cannot be run as written; `message` says why.
struct UsageError {
    std::string message;
};

/// Reads the arguments after the program's name. `--help` anywhere asks for the usage and
/// `--version` for the version, except after `autostart`, which reads the words after it itself.
platform::foundation::Result<Invocation, UsageError> parseArguments(std::span<const std::string_view> arguments);

/// The usage text that `--help` prints.
std::string_view usageText();

} // namespace widgethost
