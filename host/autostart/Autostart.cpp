#include "host/autostart/Autostart.hpp"

#include "platform/foundation/FileSystem.hpp"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <ostream>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace tallyfox::host {

using platform::foundation::Failure;
using platform::foundation::Result;
using platform::foundation::Success;
namespace fs = std::filesystem;

namespace {

Failure<AutostartError> failure(std::string message) {
    return Failure<AutostartError>{AutostartError{std::move(message)}};
}

std::string systemMessage(int error) {
    return std::error_code(error, std::generic_category()).message();
}

bool isUTF8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t scalar = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2, scalar = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, scalar = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, scalar = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            scalar = (scalar << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (scalar < smallest[length] || scalar > 0x10FFFF || (scalar >= 0xD800 && scalar <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

// A desktop entry's string value: a backslash is written as two. (Our values never start with a
// space and hold no control characters, so the other escapes are not needed.)
std::string escapedValue(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

// One argument of an Exec line: quoted when it holds a reserved character, with `"`, `` ` ``, `$`
// and `\` escaped inside the quotes; `%` doubled so that it is not read as a field code.
std::string execArgument(std::string_view argument) {
    const bool quoted = argument.find_first_of(" \t\"'\\><~|&;$*?#()`") != std::string_view::npos;
    std::string result = quoted ? "\"" : "";
    for (const char c : argument) {
        if (c == '%') {
            result += "%%";
            continue;
        }
        if (quoted && (c == '"' || c == '`' || c == '$' || c == '\\')) result += '\\';
        result += c;
    }
    if (quoted) result += '"';
    return result;
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// Creates the missing folders above `file`, each private to the user (0700), as the base directory
// rules ask of a program that creates them.
Result<Success, AutostartError> createFolders(const fs::path& folder) {
    std::vector<fs::path> missing;
    for (fs::path at = folder; !at.empty() && at != at.root_path(); at = at.parent_path()) {
        struct stat info {};
        if (::stat(at.c_str(), &info) == 0) {
            if (!S_ISDIR(info.st_mode))
                return failure("cannot create " + folder.string() + ": " + systemMessage(ENOTDIR));
            break;
        }
        if (errno != ENOENT) return failure("cannot create " + folder.string() + ": " + systemMessage(errno));
        missing.push_back(at);
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (::mkdir(it->c_str(), 0700) != 0 && errno != EEXIST)
            return failure("cannot create " + it->string() + ": " + systemMessage(errno));
    }
    return Success{};
}

Result<Success, AutostartError> writeAtomically(const fs::path& file, std::string_view contents) {
    std::string temporary = (file.parent_path() / ("." + file.filename().string() + ".XXXXXX")).string();
    const int descriptor = ::mkstemp(temporary.data());
    if (descriptor < 0) return failure("cannot write " + file.string() + ": " + systemMessage(errno));
    int error = 0;
    for (std::size_t written = 0; written < contents.size() && error == 0;) {
        const ssize_t n = ::write(descriptor, contents.data() + written, contents.size() - written);
        if (n < 0 && errno != EINTR) error = errno;
        if (n > 0) written += static_cast<std::size_t>(n);
    }
    // mkstemp makes the file 0600; an autostart entry is an ordinary, readable configuration file.
    if (error == 0 && ::fchmod(descriptor, 0644) != 0) error = errno;
    if (error == 0 && ::fsync(descriptor) != 0) error = errno;
    if (::close(descriptor) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temporary.c_str(), file.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return failure("cannot write " + file.string() + ": " + systemMessage(error));
    }
    return Success{};
}

int runCommand(std::span<const std::string> arguments,
               const std::function<Result<fs::path, AutostartError>()>& file,
               const std::function<Result<fs::path, AutostartError>()>& executable, std::ostream& out,
               std::ostream& err) {
    constexpr std::string_view usage = "Usage: widgethost autostart on|off|status";
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
        out << usage << '\n';
        return 0;
    }
    if (arguments.size() != 1 ||
        (arguments[0] != "on" && arguments[0] != "off" && arguments[0] != "status")) {
        err << "widgethost: autostart takes one of on, off or status.\n";
        return 2;
    }
    const auto fail = [&](const AutostartError& error) {
        err << "widgethost: " << error.message << '\n';
        return 1;
    };
    const auto entry = file();
    if (!entry) return fail(entry.error());

    if (arguments[0] == "on") {
        const auto program = executable();
        if (!program) return fail(program.error());
        if (const auto enabled = enableAutostart(*entry, *program); !enabled) return fail(enabled.error());
    } else if (arguments[0] == "off") {
        if (const auto disabled = disableAutostart(*entry); !disabled) return fail(disabled.error());
    }
    const auto state = autostartState(*entry);
    if (!state) return fail(state.error());
    if (*state == AutostartState::on)
        out << "on: " << entry->string() << '\n';
    else
        out << "off\n";
    out.flush();
    if (!out) return fail({"cannot write to standard output"});
    return 0;
}

} // namespace

Result<fs::path, AutostartError> autostartFile(std::optional<std::string_view> xdgConfigHome,
                                               const std::optional<fs::path>& home) {
    const std::string name = std::string(autostartIdentifier) + ".desktop";
    if (xdgConfigHome && fs::path(*xdgConfigHome).is_absolute())
        return fs::path(*xdgConfigHome) / "autostart" / name;
    if (!home || home->empty()) return failure("no home directory to keep the autostart entry in");
    return *home / ".config" / "autostart" / name;
}

Result<fs::path, AutostartError> autostartFile() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    return autostartFile(config ? std::optional<std::string_view>(config) : std::nullopt,
                         platform::foundation::homeDirectory());
}

Result<fs::path, AutostartError> currentExecutable() {
    auto recorded = platform::foundation::executablePath();
    if (!recorded) return failure("cannot find the running program: " + recorded.error().message());
    fs::path program = std::move(*recorded);
    std::error_code error;
    // The kernel marks a program whose file was replaced or removed since it started.
    constexpr std::string_view deleted = " (deleted)";
    if (const std::string text = program.string(); text.ends_with(deleted)) {
        const fs::path replacement = text.substr(0, text.size() - deleted.size());
        if (fs::exists(replacement, error)) program = replacement;
    }
    return program;
}

namespace {

// Whether `candidate` names `executable` by another path: through a link to it, or to a folder on
// the way.
bool reachesByAnotherPath(const fs::path& candidate, const fs::path& executable) {
    std::error_code error;
    return candidate.is_absolute() && candidate != executable &&
           fs::equivalent(candidate, executable, error) && !error;
}

// Where a shell would have found `argumentZero`: a path, relative to the working folder unless it is
// absolute, or the first executable file of that name in the search path (an empty entry is the
// working folder).
fs::path invokedPath(std::string_view argumentZero, std::string_view searchPath,
                     const fs::path& workingFolder) {
    if (argumentZero.empty()) return {};
    if (argumentZero.find('/') != std::string_view::npos)
        return (workingFolder / fs::path(argumentZero)).lexically_normal();
    for (std::string_view rest = searchPath;;) {
        const auto colon = rest.find(':');
        const std::string_view entry = rest.substr(0, colon);
        const fs::path folder = entry.empty() ? workingFolder : workingFolder / fs::path(entry);
        const fs::path candidate = (folder / fs::path(argumentZero)).lexically_normal();
        struct stat info {};
        if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (colon == std::string_view::npos) return {};
        rest.remove_prefix(colon + 1);
    }
}

// The first string of /proc/self/cmdline: the argv[0] this process was started with.
std::string argumentZeroOfThisProcess() {
    std::ifstream cmdline("/proc/self/cmdline", std::ios::binary);
    std::string first;
    std::getline(cmdline, first, '\0');
    return first;
}

} // namespace

fs::path programToStart(const fs::path& executable, std::string_view argumentZero,
                        std::string_view searchPath, const fs::path& workingFolder) {
    if (const fs::path invoked = invokedPath(argumentZero, searchPath, workingFolder);
        reachesByAnotherPath(invoked, executable))
        return invoked;
    // An installed tree: <prefix>/lib/tallyfox/bin/widgethost, linked as <prefix>/bin/widgethost
    // (packaging/CMakeLists.txt lays it out so; the install tests hold it to that).
    const fs::path folder = executable.parent_path();
    if (folder.filename() == "bin" && folder.parent_path().filename() == "tallyfox" &&
        folder.parent_path().parent_path().filename() == "lib") {
        const fs::path link =
            folder.parent_path().parent_path().parent_path() / "bin" / executable.filename();
        if (reachesByAnotherPath(link, executable)) return link;
    }
    return executable;
}

Result<fs::path, AutostartError> programToStart() {
    const auto executable = currentExecutable();
    if (!executable) return executable;
    std::error_code error;
    const fs::path workingFolder = fs::current_path(error);
    const char* searchPath = std::getenv("PATH");
    return programToStart(*executable, argumentZeroOfThisProcess(), searchPath ? searchPath : "",
                          workingFolder);
}

Result<std::string, AutostartError> autostartEntry(const fs::path& executable) {
    const std::string program = executable.string();
    const std::string refusal = "cannot start " + program + " with the session: ";
    if (!executable.is_absolute()) return failure(refusal + "the path is relative");
    for (const char c : program) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return failure(refusal + "a desktop entry cannot hold a control character");
    }
    if (!isUTF8(program)) return failure(refusal + "a desktop entry cannot hold a path that is not UTF-8");

    std::string entry = "[Desktop Entry]\n"
                        "Type=Application\n"
                        "Name=Tallyfox Widgets\n"
                        "Comment=How much is left of your AI coding tools' usage limits\n"
                        "Icon=";
    // The icon is installed under the application's identifier.
    entry += std::string(autostartIdentifier) + "\n";
    // TryExec lets the session skip the entry quietly once the program is gone (the package removed).
    entry += "TryExec=" + escapedValue(program) + "\n";
    entry += "Exec=" + escapedValue(execArgument(program) + " show") + "\n";
    entry += "Terminal=false\n"
             "X-GNOME-Autostart-enabled=true\n";
    return entry;
}

Result<Success, AutostartError> enableAutostart(const fs::path& file, const fs::path& executable) {
    const auto entry = autostartEntry(executable);
    if (!entry) return Failure<AutostartError>{entry.error()};
    if (const auto folders = createFolders(file.parent_path()); !folders) return folders;
    return writeAtomically(file, *entry);
}

Result<Success, AutostartError> disableAutostart(const fs::path& file) {
    if (::unlink(file.c_str()) != 0 && errno != ENOENT)
        return failure("cannot remove " + file.string() + ": " + systemMessage(errno));
    return Success{};
}

Result<AutostartState, AutostartError> autostartState(const fs::path& file) {
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return AutostartState::off;
        return failure("cannot read " + file.string() + ": " + systemMessage(errno));
    }
    // An entry is a few hundred bytes; a larger file is read no further than this.
    std::string contents(64 * 1024, '\0');
    std::size_t size = 0;
    int error = 0;
    while (size < contents.size()) {
        const ssize_t n = ::read(descriptor, contents.data() + size, contents.size() - size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error = errno;
        if (n <= 0) break;
        size += static_cast<std::size_t>(n);
    }
    ::close(descriptor);
    if (error != 0) return failure("cannot read " + file.string() + ": " + systemMessage(error));
    contents.resize(size);

    bool inEntryGroup = false;
    for (std::string_view rest = contents; !rest.empty();) {
        const auto end = rest.find('\n');
        const std::string_view text = trimmed(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        if (text.starts_with('[')) {
            inEntryGroup = text == "[Desktop Entry]";
            continue;
        }
        const auto equals = text.find('=');
        if (!inEntryGroup || equals == std::string_view::npos) continue;
        const std::string_view key = trimmed(text.substr(0, equals));
        const std::string_view value = trimmed(text.substr(equals + 1));
        if ((key == "Hidden" && value == "true") || (key == "X-GNOME-Autostart-enabled" && value == "false"))
            return AutostartState::off;
    }
    return AutostartState::on;
}

int runAutostartCommand(std::span<const std::string> arguments, const fs::path& file,
                        const fs::path& executable, std::ostream& out, std::ostream& err) {
    return runCommand(
        arguments, [&]() -> Result<fs::path, AutostartError> { return file; },
        [&]() -> Result<fs::path, AutostartError> { return executable; }, out, err);
}

int runAutostartCommand(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) {
    return runCommand(
        arguments, [] { return autostartFile(); }, [] { return programToStart(); }, out, err);
}

} // namespace tallyfox::host
