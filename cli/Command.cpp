#include "cli/Command.hpp"

#include "cli/CLIStatus.hpp"
#include "platform/foundation/AppGroup.hpp"
#include "platform/foundation/FileSystem.hpp"

#include <cerrno>
#include <cstdlib>
#include <unistd.h>

namespace tallyfox::cli {

using namespace platform::foundation;

namespace {

constexpr std::string_view versionKey = "CFBundleShortVersionString";

namespace Message {
constexpr std::string_view unknownArguments = "unknown arguments. Use --help.";
constexpr std::string_view notBundled = "run the command bundled with Tallyfox.";
constexpr std::string_view unavailable = "snapshot unavailable. Open Tallyfox to create it.";
constexpr std::string_view unreadableOrTooLarge = "snapshot unreadable or too large. Open Tallyfox to update it.";
constexpr std::string_view unsupported = "snapshot unreadable or unsupported. Open Tallyfox to update it.";
constexpr std::string_view outputFailed = "output could not be written.";
} // namespace Message

/// Writes all of `bytes`, resuming after partial writes and interruptions. With the default SIGPIPE
/// disposition a closed pipe ends the process here, as it ends any Unix tool.
bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

/// One line on standard error, as a single write; returns the exit code.
int fail(std::string_view message, int code) {
    std::string line = "tallyfox: ";
    line += message;
    line += '\n';
    (void)writeAll(STDERR_FILENO, line);
    return code;
}

/// Writes the result and a line feed; a failed write is a failure, never a silent success.
int succeed(std::string result) {
    result += '\n';
    if (!writeAll(STDOUT_FILENO, result)) return fail(Message::outputFailed, 1);
    return 0;
}

int status(const std::optional<Bundle>& app, bool json) {
    const auto group = app ? app->infoString(appGroupIdentifierKey) : std::nullopt;
    const auto container = group ? groupContainerPath(*group) : std::nullopt;
    if (!container) return fail(Message::notBundled, 1);

    // JSONDocument::padding spare bytes let the parser work on the read buffer in place.
    auto file = readOnce(*container / snapshotFileName, largestSnapshotSize + 1, JSONDocument::padding);
    if (!file) {
        return fail(file.error().kind == FileReadFailure::Kind::openFailed ? Message::unavailable
                                                                            : Message::unreadableOrTooLarge,
                    1);
    }
    if (file->size() > largestSnapshotSize) return fail(Message::unreadableOrTooLarge, 1);

    const Date now = Clock::now();
    const auto snapshot = CLIStatus::read(file->bytes(), now, file->capacity());
    if (!snapshot) return fail(Message::unsupported, 1);
    if (!json) return succeed(snapshot->text());
    auto rendered = snapshot->json();
    if (!rendered) return fail(Message::unsupported, 1);
    return succeed(std::move(*rendered));
}

} // namespace

Action action(const std::vector<std::string_view>& arguments) {
    using V = std::vector<std::string_view>;
    if (arguments.empty() || arguments == V{"--help"} || arguments == V{"help"}) return Action::usage;
    if (arguments == V{"--version"}) return Action::version;
    if (arguments == V{"status"}) return Action::status;
    if (arguments == V{"status", "--json"}) return Action::statusJSON;
    return Action::unknown;
}

std::string_view usageText() {
    return "Usage: tallyfox status [--json]\n"
           "       tallyfox --version\n"
           "\n"
           "Reads the latest safe snapshot written by Tallyfox. Does not refresh providers.\n"
           "Open Tallyfox to update data. STALE values are last known readings.\n"
           "Exit codes: 0 success (including stale/empty); 1 snapshot unavailable; 2 invalid arguments.\n"
           "JSON schema version: 1. All dates use ISO 8601 UTC; percentages mean remaining.";
}

std::string versionLine(const std::optional<Bundle>& app) {
    const auto version = app ? app->infoString(versionKey) : std::nullopt;
    return "Tallyfox " + version.value_or("development");
}

std::optional<std::filesystem::path> executablePath(const char* argv0) {
    if (auto recorded = platform::foundation::executablePath()) return std::move(*recorded);
    if (!argv0 || !*argv0) return std::nullopt;
    std::error_code error;
    auto resolved = std::filesystem::canonical(std::filesystem::absolute(argv0, error), error);
    if (error) return std::nullopt;
    return resolved;
}

std::optional<Bundle> enclosingBundle(const std::optional<std::filesystem::path>& executable) {
    if (!executable) return std::nullopt;
    return Bundle::open(executable->parent_path().parent_path().parent_path());
}

int run(int argc, char** argv) {
    // Computed once at start, before the arguments are looked at.
    std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const auto app = enclosingBundle(executablePath(argc > 0 ? argv[0] : nullptr));

    switch (action(arguments)) {
    case Action::usage: return succeed(std::string(usageText()));
    case Action::version: return succeed(versionLine(app));
    case Action::status: return status(app, false);
    case Action::statusJSON: return status(app, true);
    case Action::unknown: break;
    }
    return fail(Message::unknownArguments, 2);
}

} // namespace tallyfox::cli
