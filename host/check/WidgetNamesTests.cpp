#include "host/check/WidgetNames.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace widgethost {
namespace {

TEST(WidgetNames, namesEveryKindLengthAndReasonAsTheWidgetDoesKeyedByTheToolsIdentifiers) {
    // 10080 stays "Weekly" and 300 "5-hour" even when asked again: the tool writes them as those kinds.
    const WidgetNames names = widgetNames(std::nullopt, {43200, 90, 1440, 120, 10080});
    EXPECT_EQ(names.json(), R"({
  "language": "en",
  "kinds": {
    "fiveHour": "5-hour",
    "weekly": "Weekly",
    "monthly": "Monthly",
    "allowance": "Allowance"
  },
  "minutes": {
    "90": "90-minute",
    "120": "2-hour",
    "300": "5-hour",
    "1440": "Daily",
    "10080": "Weekly",
    "43200": "30-day"
  },
  "reasons": {
    "signInExpired": "Sign-in expired",
    "permissionDenied": "Permission denied",
    "temporarilyUnavailable": "Temporarily unavailable",
    "toolNotRunning": "Tool not running"
  }
}
)");
    EXPECT_EQ(widgetNames(std::nullopt, {}).text(), R"(Windows, by kind:
  fiveHour   5-hour
  weekly     Weekly
  monthly    Monthly
  allowance  Allowance
Windows, by length:
  300 minutes    5-hour
  10080 minutes  Weekly
Why limits are unavailable:
  signInExpired           Sign-in expired
  permissionDenied        Permission denied
  temporarilyUnavailable  Temporarily unavailable
  toolNotRunning          Tool not running
)");
}

TEST(WidgetNames, theLengthsAreThoseTheToolReadsAndNoneWhenItCannotRead) {
    const std::string document =
        R"({"schemaVersion": 1, "generatedAt": "2026-03-14T09:26:53Z", "state": {"providers": {"_0": [
        {"provider": "claudeCode", "windows": [{"kind": 300}, {"kind": 43200, "scope": "Opus"}]},
        {"provider": "someoneNew", "windows": [{"kind": 90}, {"kind": "monthly"}, {"kind": "fortnightly"}]}]}}})";
    EXPECT_EQ(snapshotWindowLengths(document), (std::set<std::int64_t>{90, 300, 43200}));
    // The tool refuses a window length written with a fraction, and so the whole document.
    EXPECT_EQ(snapshotWindowLengths(R"({"schemaVersion": 1, "generatedAt": "2026-03-14T09:26:53Z",
        "state": {"providers": {"_0": [{"provider": "codex", "windows": [{"kind": 90.0}]}]}}})"),
              std::set<std::int64_t>{});
    EXPECT_EQ(snapshotWindowLengths(""), std::set<std::int64_t>{});
}

struct Run {
    int status;
    std::string out;
    std::string err;
};

// The program in a HOME of its own, whose group container holds `snapshot` unless it is empty.
Run widgethost(const std::vector<std::string>& arguments, const std::string& snapshot) {
    const auto home = std::filesystem::temp_directory_path() / ("names-" + std::to_string(::getpid()));
    std::filesystem::remove_all(home);
    const auto container = home / "Library/Group Containers/group.com.tallyfox.Tallyfox";
    std::filesystem::create_directories(container);
    if (!snapshot.empty()) std::ofstream(container / "widget-snapshot.json") << snapshot;
    std::string command = "HOME='" + home.string() + "' '" TALLYFOX_WIDGETHOST_EXECUTABLE "'";
    for (const auto& argument : arguments)
        command += " '" + argument + "'";
    command += " >'" + (home / "out").string() + "' 2>'" + (home / "err").string() + "'";
    const int status = std::system(command.c_str());
    auto slurp = [](const std::filesystem::path& path) {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    Run run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(home / "out"), slurp(home / "err")};
    std::filesystem::remove_all(home);
    return run;
}

TEST(WidgetNames, theCommandReadsTheWidgetsTableAndSnapshotAndAlwaysAnswers) {
    const std::string snapshot = R"({"schemaVersion": 1, "generatedAt": "2026-03-14T09:26:53Z",
        "state": {"providers": {"_0": [{"provider": "codex", "windows": [{"kind": 2880}, {"kind": 45}]}]}}})";
    auto run = widgethost({"names", "--json"}, snapshot);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find(R"("minutes": {
    "45": "45-minute",
    "300": "5-hour",
    "2880": "2-day",
    "10080": "Weekly"
  },)"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find(R"("signInExpired": "Sign-in expired")"), std::string::npos);

    // Without a snapshot, or with one the tool cannot read, the words for everything but the custom lengths.
    for (const std::string& missing : {std::string(), std::string("{\"schemaVersion\": 1,")}) {
        run = widgethost({"names"}, missing);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find("Windows, by length:\n  300 minutes    5-hour\n  10080 minutes  Weekly\nWhy"),
                  std::string::npos)
            << run.out;
    }

    run = widgethost({"names", "weekly"}, "");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "widgethost: unexpected argument 'weekly'\n");
    run = widgethost({"names", "--now", "2026-03-14T09:26:53Z"}, "");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "widgethost: names does not take --now\n");
}

} // namespace
} // namespace widgethost
