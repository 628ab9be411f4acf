#include "host/check/SnapshotCheck.hpp"

#include "platform/foundation/ISO8601.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sys/wait.h>
#include <unistd.h>

namespace widgethost {
namespace {

using Effect = CheckFinding::Effect;

} // namespace

void PrintTo(const CheckFinding& finding, std::ostream* out) {
    *out << finding.path << " (" << static_cast<int>(finding.effect) << ", " << finding.readers
         << "): " << finding.reason;
}

namespace {

constexpr unsigned both = CheckFinding::widget | CheckFinding::tool;

// One entry with two windows; `entry` and `top` are spliced in as written.
std::string document(std::string_view entry = R"("planName": "Pro", "tokensToday": 12800000,)",
                     std::string_view window = R"({ "kind": 300, "usage": 42.5, "resetsAt": "2026-03-14T11:00:00Z" })",
                     std::string_view top = R"("schemaVersion": 1, "generatedAt": "2026-03-14T09:26:53Z",)") {
    return "{" + std::string(top) + R"( "state": { "providers": { "_0": [ { "provider": "claudeCode", )" +
           std::string(entry) + R"( "windows": [ )" + std::string(window) +
           R"(, { "kind": 10080, "usage": 18 } ] } ] } } })";
}

std::vector<CheckFinding> losses(const SnapshotCheck& check) {
    std::vector<CheckFinding> out;
    for (const auto& finding : check.findings)
        if (finding.losesData()) out.push_back(finding);
    return out;
}

TEST(SnapshotCheck, aCleanDocumentIsReadWholeAndSaysWhatEachSizeShows) {
    const auto check = checkSnapshot(document(), std::nullopt);
    EXPECT_TRUE(check.acceptedWhole());
    EXPECT_EQ(check.now, platform::foundation::ISO8601::date("2026-03-14T09:26:53Z"));
    EXPECT_EQ(check.findings,
              (std::vector<CheckFinding>{
                  {"$.state.providers._0[0].planName", Effect::notShown, CheckFinding::widget,
                   "the widget never shows the plan"},
                  {"$.state.providers._0[0].tokensToday", Effect::notShown, CheckFinding::widget,
                   "the entry has a window with a usage, which takes the place of the activity line"},
              }));
    const std::string text = check.text("snapshot.json");
    EXPECT_NE(text.find("small:\n  claudeCode ($.state.providers._0[0]): 5-hour (windows[0])\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("medium:\n  claudeCode ($.state.providers._0[0]): 5-hour (windows[0]), Weekly (windows[1])\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Both readers read the document whole."), std::string::npos);

    // Once the five-hour window has reset, the weekly one is the most used, and the activity still hides.
    const auto later = checkSnapshot(document(), platform::foundation::ISO8601::date("2026-03-14T12:00:00Z"));
    EXPECT_NE(later.text("f").find("small:\n  claudeCode ($.state.providers._0[0]): Weekly (windows[1])"),
              std::string::npos);
}

TEST(SnapshotCheck, wholeNumbersWrittenAsFloatsDropAWindowOrTheWholeEntry) {
    // 300.0 for a window's kind: the widget drops that window, the tool refuses the document.
    auto check = checkSnapshot(document("", R"({ "kind": 300.0, "usage": 42.5 })"), std::nullopt);
    EXPECT_FALSE(check.acceptedWhole());
    EXPECT_EQ(losses(check),
              (std::vector<CheckFinding>{
                  {"$.state.providers._0[0].windows[0]", Effect::dropped, CheckFinding::widget,
                   "kind: Expected to decode a string but found a number instead. Write the integer 300, "
                   "without a fraction or exponent."},
                  {"$.state.providers._0[0].windows[0].kind", Effect::refused, CheckFinding::tool,
                   "Parsed JSON number <300.0> does not fit in Int64. Write the integer 300, without a fraction or "
                   "exponent."},
              }));

    // Python's float for tokensToday, 3e2 for requestsToday: the whole entry goes; the tool never reads them.
    for (const char* entry : {R"("tokensToday": 12800000.0,)", R"("requestsToday": 2.14e2,)"}) {
        check = checkSnapshot(document(entry), std::nullopt);
        ASSERT_EQ(losses(check).size(), 1u) << entry;
        EXPECT_EQ(losses(check)[0].path, "$.state.providers._0[0]");
        EXPECT_EQ(losses(check)[0].effect, Effect::dropped);
        EXPECT_EQ(losses(check)[0].readers, unsigned{CheckFinding::widget});
        EXPECT_TRUE(check.sizes.empty() || check.sizes[0].entries.empty());
    }
    EXPECT_NE(losses(check)[0].reason.find("Write the integer 214"), std::string::npos);

    // A version written as 1.0 is refused by both, said once.
    check = checkSnapshot(
        document("", "{ \"kind\": 300 }", R"("schemaVersion": 1.0, "generatedAt": "2026-03-14T09:26:53Z",)"),
        std::nullopt);
    EXPECT_EQ(losses(check),
              (std::vector<CheckFinding>{{"$.schemaVersion", Effect::refused, both,
                                          "Parsed JSON number <1.0> does not fit in Int64. Write the integer 1, "
                                          "without a fraction or exponent."}}));
}

TEST(SnapshotCheck, datesThatAreNotWholeSecondsOrNotRealAreRefusedOrLeftEmpty) {
    // JavaScript's toISOString() in generatedAt: both refuse; the hint gives the date to write.
    auto check = checkSnapshot(document("", "{ \"kind\": 300 }",
                                        R"("schemaVersion": 1, "generatedAt": "2026-03-14T09:26:53.000Z",)"),
                               std::nullopt);
    EXPECT_EQ(losses(check), (std::vector<CheckFinding>{{"$.generatedAt", Effect::refused, both,
                                                         "Expected date string to be ISO8601-formatted. Write whole "
                                                         "seconds: 2026-03-14T09:26:53Z."}}));
    EXPECT_TRUE(check.sizes.empty());

    // 30 February in an entry's updatedAt: the widget leaves it empty, the tool refuses the document.
    check = checkSnapshot(document(R"("updatedAt": "2026-02-30T10:00:00Z",)"), std::nullopt);
    ASSERT_EQ(losses(check).size(), 2u);
    EXPECT_EQ(losses(check)[0].path, "$.state.providers._0[0].updatedAt");
    EXPECT_EQ(losses(check)[0].effect, Effect::leftEmpty);
    EXPECT_EQ(losses(check)[1].readers, unsigned{CheckFinding::tool});
    EXPECT_NE(losses(check)[1].reason.find("Write a real date and time with whole seconds and a zone"),
              std::string::npos);

    // Go's time.Time with nanoseconds and an offset, in a window's resetsAt: the window goes.
    check = checkSnapshot(document("", R"({ "kind": 300, "resetsAt": "2026-03-14T12:00:00.123456789+01:00" })"),
                          std::nullopt);
    EXPECT_EQ(losses(check)[0].path, "$.state.providers._0[0].windows[0]");
    EXPECT_NE(losses(check)[0].reason.find("Write whole seconds: 2026-03-14T12:00:00+01:00."), std::string::npos);
}

TEST(SnapshotCheck, aByteOrderMarkADuplicateKeyAndAnUnknownReasonAreNamed) {
    auto check = checkSnapshot("\xEF\xBB\xBF" + document(), std::nullopt);
    ASSERT_EQ(losses(check).size(), 1u);
    EXPECT_EQ(losses(check)[0].path, "$");
    EXPECT_EQ(losses(check)[0].readers, both);
    EXPECT_NE(losses(check)[0].reason.find("byte-order mark"), std::string::npos);

    check = checkSnapshot(document(R"("tokensToday": 1, "tokensToday": 2,)"), std::nullopt);
    EXPECT_EQ(losses(check), (std::vector<CheckFinding>{{"$.state.providers._0[0].tokensToday", Effect::ignored, both,
                                                         "a duplicate key: both readers read the first "
                                                         "\"tokensToday\" of this object and ignore this one"}}));

    check = checkSnapshot(document(R"("quotaUnavailableReason": "signedOut", "resetAt": 1,)"), std::nullopt);
    EXPECT_EQ(losses(check), (std::vector<CheckFinding>{{"$.state.providers._0[0].quotaUnavailableReason",
                                                         Effect::leftEmpty, CheckFinding::widget,
                                                         "Unknown quota unavailable reason"}}));
    EXPECT_EQ(check.findings.back().path, "$.state.providers._0[0].resetAt");
}

TEST(SnapshotCheck, versionsTheReadersDoNotReadAreRefusedByEach) {
    auto check = checkSnapshot(
        document("", "{ \"kind\": 300 }", R"("schemaVersion": 2, "generatedAt": "2026-03-14T09:26:53Z",)"),
        std::nullopt);
    EXPECT_EQ(losses(check), (std::vector<CheckFinding>{
                                 {"$.schemaVersion", Effect::refused, CheckFinding::widget,
                                  "version 2 is newer than the widget reads (1)"},
                                 {"$.schemaVersion", Effect::refused, CheckFinding::tool,
                                  "version 2: the tool reads only version 1"},
                             }));
    // Version 0 the widget reads; the tool does not.
    check = checkSnapshot(
        document("", "{ \"kind\": 300 }", R"("schemaVersion": 0, "generatedAt": "2026-03-14T09:26:53Z",)"),
        std::nullopt);
    EXPECT_EQ(losses(check).size(), 1u);
    EXPECT_EQ(losses(check)[0].readers, unsigned{CheckFinding::tool});
}

TEST(SnapshotCheck, onlyTheTwoShortestAndTheMostUsedWindowsAndTheFollowedEntriesShow) {
    const std::string text = R"({"schemaVersion": 1, "generatedAt": "2026-03-14T09:26:53Z",
      "followedSelectionIDs": ["b", "gone"],
      "state": {"providers": {"_0": [
        {"provider": "codex", "selectionID": "a", "windows": []},
        {"provider": "claudeCode", "selectionID": "b", "recentDays": [1, 2], "windows": [
          {"kind": 43200, "usage": 90}, {"kind": 300, "usage": 10}, {"kind": 10080, "usage": 20},
          {"kind": "monthly", "usage": 5}]}]}}})";
    const auto check = checkSnapshot(text, std::nullopt);
    EXPECT_TRUE(check.acceptedWhole());
    EXPECT_EQ(check.findings, (std::vector<CheckFinding>{
                                  {"$.state.providers._0[1].recentDays", Effect::notShown, CheckFinding::widget,
                                   "the entry has a window with a usage, which takes the place of the chart (shown "
                                   "beside fewer than two windows or without a usage)"},
                                  {"$.state.providers._0[1].windows[3]", Effect::notShown, CheckFinding::widget,
                                   "only the two shortest windows and the most-used one are shown"},
                                  {"$.followedSelectionIDs[1]", Effect::notShown, CheckFinding::widget,
                                   "no entry has this identity; the widget skips it"},
                              }));
    ASSERT_EQ(check.sizes.size(), 3u);
    EXPECT_EQ(check.sizes[0].entries,
              (std::vector<CheckedSize::Entry>{{"$.state.providers._0[1]", "b", {"30-day (windows[0])"}}}));
    EXPECT_EQ(check.sizes[2].entries[0].shows,
              (std::vector<std::string>{"5-hour (windows[1])", "Weekly (windows[2])"}));
}

// The program itself: exit statuses and the one-line failures.
struct Run {
    int status;
    std::string out;
    std::string err;
};

Run widgethost(const std::vector<std::string>& arguments) {
    const auto folder = std::filesystem::temp_directory_path() / ("check-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::string command = "'" TALLYFOX_WIDGETHOST_EXECUTABLE "'";
    for (const auto& argument : arguments) command += " '" + argument + "'";
    command += " >'" + (folder / "out").string() + "' 2>'" + (folder / "err").string() + "'";
    const int status = std::system(command.c_str());
    auto slurp = [](const std::filesystem::path& path) {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(folder / "out"), slurp(folder / "err")};
}

TEST(SnapshotCheck, theCommandExitsZeroForAWholeReadOneForALossAndTwoForBadUsage) {
    const auto folder = std::filesystem::temp_directory_path() / ("check-files-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const auto good = folder / "good.json", bad = folder / "bad.json";
    std::ofstream(good) << document();
    std::ofstream(bad) << document(R"("tokensToday": 12800000.0,)");

    auto run = widgethost({"check", good.string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Both readers read the document whole."), std::string::npos);
    run = widgethost({"check", bad.string(), "--now", "2026-03-14T10:00:00Z", "--json"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("\"now\": \"2026-03-14T10:00:00Z\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"effect\": \"dropped\""), std::string::npos);

    run = widgethost({"check", (folder / "missing.json").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "widgethost: cannot read " + (folder / "missing.json").string() + ": No such file or directory\n");
    run = widgethost({"check", "a", "b"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "widgethost: unexpected argument 'b'\n");
    run = widgethost({"check", "--family", "small"});
    EXPECT_EQ(run.status, 2);
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace widgethost
