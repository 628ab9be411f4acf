#pragma once
// The `tallyfox` program: matches the argument vector, finds the enclosing bundle and the snapshot,
// and writes one result to standard output or one line to standard error.

#include "platform/foundation/Bundle.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallyfox::cli {

/// What an argument vector (without the program name) asks for; the match is exact.
enum class Action { usage, version, status, statusJSON, unknown };
Action action(const std::vector<std::string_view>& arguments);

/// The usage text, without the final line feed.
std::string_view usageText();
/// "Tallyfox <CFBundleShortVersionString>", or "Tallyfox development" without a bundle or a string value.
std::string versionLine(const std::optional<platform::foundation::Bundle>& app);

/// The running executable with symbolic links resolved, from the system's record of the running
/// program (/proc/self/exe), so that a tool found through PATH still knows where it lives. Falls back
/// on `argv0` taken against the working directory.
std::optional<std::filesystem::path> executablePath(const char* argv0);

/// The bundle three path components above the executable (…/Tallyfox.app/Contents/MacOS/tallyfox).
std::optional<platform::foundation::Bundle> enclosingBundle(const std::optional<std::filesystem::path>& executable);

/// Runs the program and returns its exit code.
int run(int argc, char** argv);

} // namespace tallyfox::cli
