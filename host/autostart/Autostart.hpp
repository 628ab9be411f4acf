#pragma once
// Starting the widgets with the user's session: a desktop entry of our own in the XDG autostart
// folder, written and removed on request (`widgethost autostart on|off|status`).

#include "host/identity/HostIdentity.hpp"
#include "platform/foundation/Result.hpp"

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tallyfox::host {

/// The autostart entry's name without ".desktop". It is the launcher entry's identifier, so desktops
/// that let the user switch session programs on and off see one application, not two.
inline constexpr std::string_view autostartIdentifier = widgethost::liveHostApplicationID;

/// Why an autostart request failed, as the one line the user reads.
struct AutostartError {
    std::string message;
    bool operator==(const AutostartError&) const = default;
};

/// `<config>/autostart/<identifier>.desktop`, where <config> is XDG_CONFIG_HOME when it is an
/// absolute path and `<home>/.config` otherwise (an empty or relative XDG_CONFIG_HOME is ignored, as
/// the base directory rules ask).
platform::foundation::Result<std::filesystem::path, AutostartError>
autostartFile(std::optional<std::string_view> xdgConfigHome,
              const std::optional<std::filesystem::path>& home);

/// The same, from this process's environment and home directory.
platform::foundation::Result<std::filesystem::path, AutostartError> autostartFile();

/// The running program with symbolic links resolved (/proc/self/exe). A program replaced on disk
/// while it runs (a package upgrade) still gives the path of its replacement.
platform::foundation::Result<std::filesystem::path, AutostartError> currentExecutable();

/// The path the session is to start `executable` by: the name the user runs rather than the file
/// behind it, so that the entry survives an upgrade that moves the file and is skipped once the
/// package is removed. In order: `argumentZero` (a path, or a name looked up in `searchPath` as the
/// shell does) when it reaches `executable` by another path, through a link; the link an installed
/// tree puts in <prefix>/bin for <prefix>/lib/tallyfox/bin/widgethost, when it reaches `executable`;
/// `executable` itself.
std::filesystem::path programToStart(const std::filesystem::path& executable, std::string_view argumentZero,
                                     std::string_view searchPath, const std::filesystem::path& workingFolder);

/// The same for this process: its executable, its argv[0] (/proc/self/cmdline), PATH and working folder.
platform::foundation::Result<std::filesystem::path, AutostartError> programToStart();

/// The desktop entry that runs `<executable> show` when the session starts. Fails for a relative path
/// and for one that a desktop entry cannot carry (control characters, not UTF-8).
platform::foundation::Result<std::string, AutostartError>
autostartEntry(const std::filesystem::path& executable);

/// Writes the entry atomically (a temporary file beside it, then a rename), creating missing folders
/// private to the user. An existing entry is replaced, which also undoes a desktop's own "disabled".
platform::foundation::Result<platform::foundation::Success, AutostartError>
enableAutostart(const std::filesystem::path& file, const std::filesystem::path& executable);

/// Removes the entry; an entry that is not there is already off.
platform::foundation::Result<platform::foundation::Success, AutostartError>
disableAutostart(const std::filesystem::path& file);

/// Whether the session starts the widgets: the entry exists and is neither hidden nor disabled by
/// the desktop (`Hidden=true`, `X-GNOME-Autostart-enabled=false`).
enum class AutostartState { on, off };
platform::foundation::Result<AutostartState, AutostartError>
autostartState(const std::filesystem::path& file);

/// `autostart on|off|status` given the words after "autostart". Prints the resulting state ("on: FILE"
/// or "off") to `out`, or one "widgethost: " line to `err`. Returns the exit code: 0, 1 for a failure,
/// 2 for bad usage.
int runAutostartCommand(std::span<const std::string> arguments, const std::filesystem::path& file,
                        const std::filesystem::path& executable, std::ostream& out, std::ostream& err);

/// The same, with the entry's place taken from the environment and the program from `programToStart()`.
int runAutostartCommand(std::span<const std::string> arguments, std::ostream& out, std::ostream& err);

} // namespace tallyfox::host
