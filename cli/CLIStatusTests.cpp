#include "cli/CLIStatus.hpp"

#include "platform/foundation/ISO8601.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace tallyfox::cli;
using platform::foundation::ISO8601::date;

namespace {

Date at(const char* text) { return *date(text); }

const Date exampleNow = at("2026-03-02T10:05:00Z");

const char* exampleSnapshot = R"({
  "schemaVersion": 1,
  "generatedAt": "2026-03-02T10:00:00Z",
  "state": {"providers": {"_0": [
    {"provider": "codex", "updatedAt": "2026-03-02T09:59:30Z", "windows": [
      {"kind": 300, "usage": 42.5, "resetsAt": "2026-03-02T12:00:00Z"},
      {"kind": 10080, "usage": 10, "resetsAt": "2026-03-06T00:00:00Z"}]},
    {"provider": "claudeCode", "updatedAt": "2026-03-02T09:40:00Z", "windows": [{"kind": 10080}],
     "quotaUnavailableReason": "signInExpired"}
  ]}},
  "usageAmountStyle": "remaining",
  "language": "system"
})";

const char* exampleText = "Tallyfox \u00B7 snapshot 2026-03-02T10:00:00Z\n"
                          "codex\n"
                          "  fiveHour: 57.5% left \u00B7 reset 2026-03-02T12:00:00Z\n"
                          "  weekly: 90.0% left \u00B7 reset 2026-03-06T00:00:00Z\n"
                          "claudeCode \u00B7 STALE\n"
                          "  weekly: unknown\n"
                          "  signInExpired";

const char* exampleJSON = R"({
  "generatedAt" : "2026-03-02T10:00:00Z",
  "providers" : [
    {
      "id" : "codex",
      "provider" : "codex",
      "stale" : false,
      "updatedAt" : "2026-03-02T09:59:30Z",
      "windows" : [
        {
          "durationMinutes" : 300,
          "kind" : "fiveHour",
          "remainingPercent" : 57.5,
          "resetsAt" : "2026-03-02T12:00:00Z"
        },
        {
          "durationMinutes" : 10080,
          "kind" : "weekly",
          "remainingPercent" : 90,
          "resetsAt" : "2026-03-06T00:00:00Z"
        }
      ]
    },
    {
      "id" : "claudeCode",
      "provider" : "claudeCode",
      "quotaUnavailableReason" : "signInExpired",
      "stale" : true,
      "updatedAt" : "2026-03-02T09:40:00Z",
      "windows" : [
        {
          "durationMinutes" : 10080,
          "kind" : "weekly"
        }
      ]
    }
  ],
  "readAt" : "2026-03-02T10:05:00Z",
  "schemaVersion" : 1,
  "stale" : false,
  "state" : "providers"
})";

// A snapshot with one provider entry and a state given as text.
std::string snapshotWithState(const std::string& state, const std::string& generatedAt = "2026-03-02T10:00:00Z",
                              const std::string& extraTop = "") {
    return R"({"schemaVersion": 1, "generatedAt": ")" + generatedAt + R"(", "state": )" + state + extraTop + "}";
}
std::string snapshotWithProvider(const std::string& provider) {
    return snapshotWithState(R"({"providers": {"_0": [)" + provider + "]}}");
}
std::string snapshotWithWindow(const std::string& window) {
    return snapshotWithProvider(R"({"provider": "codex", "windows": [)" + window + "]}");
}

CLIStatus readOK(const std::string& json, Date now = exampleNow) {
    auto status = CLIStatus::read(json, now);
    EXPECT_TRUE(status) << json;
    return status ? status.value() : CLIStatus{};
}

bool unsupported(const std::string& json) {
    auto status = CLIStatus::read(json, exampleNow);
    return !status && std::holds_alternative<CLIError>(status.error());
}

} // namespace

TEST(CLIStatus, printsTheExampleByteForByteAndReadsItsJSONBack) {
    const CLIStatus status = readOK(exampleSnapshot);
    EXPECT_EQ(status.text(), exampleText);
    const auto json = status.json();
    ASSERT_TRUE(json);
    EXPECT_EQ(*json, exampleJSON);
    const auto decoded = CLIStatus::fromJSON(*json);
    ASSERT_TRUE(decoded) << decoded.error().description();
    EXPECT_EQ(*decoded, status);
}

TEST(CLIStatus, readsStrictlyWhereTheWidgetWouldBeLenient) {
    struct Row {
        const char* point;
        std::string json;
        bool readable;
    };
    const Row rows[] = {
        {"malformed window", snapshotWithWindow(R"({"kind": 300}, {"usage": 5})"), false},
        {"malformed provider", snapshotWithProvider(R"({"provider": "codex", "windows": []}, {"windows": []})"), false},
        {"windows absent", snapshotWithProvider(R"({"provider": "codex"})"), false},
        {"windows null", snapshotWithProvider(R"({"provider": "codex", "windows": null})"), false},
        {"unknown provider accepted", snapshotWithProvider(R"({"provider": "newTool", "windows": []})"), true},
        {"unknown kind accepted", snapshotWithWindow(R"({"kind": "fortnightly"})"), true},
        {"selectionID mistyped", snapshotWithProvider(R"({"provider": "codex", "selectionID": 4, "windows": []})"),
         false},
        {"accountName mistyped", snapshotWithProvider(R"({"provider": "codex", "accountName": [], "windows": []})"),
         false},
        {"updatedAt a number", snapshotWithProvider(R"({"provider": "codex", "updatedAt": 1772445600, "windows": []})"),
         false},
        {"updatedAt without zone",
         snapshotWithProvider(R"({"provider": "codex", "updatedAt": "2026-03-02T10:00:00", "windows": []})"), false},
        {"unknown reason accepted",
         snapshotWithProvider(R"({"provider": "codex", "quotaUnavailableReason": "gone", "windows": []})"), true},
        {"usage out of range accepted", snapshotWithWindow(R"({"kind": 300, "usage": 130})"), true},
        {"usage a string", snapshotWithWindow(R"({"kind": 300, "usage": "5"})"), false},
        {"kind a fraction", snapshotWithWindow(R"({"kind": 300.5})"), false},
        {"kind zero-fraction", snapshotWithWindow(R"({"kind": 300.0})"), false},
        {"kind a Boolean", snapshotWithWindow(R"({"kind": true})"), false},
        {"kind null", snapshotWithWindow(R"({"kind": null})"), false},
        {"scope mistyped", snapshotWithWindow(R"({"kind": 300, "scope": 1})"), false},
        {"optional nulls", snapshotWithProvider(R"({"provider": "codex", "accountName": null, "updatedAt": null,
            "windows": [{"kind": 300, "scope": null, "usage": null, "resetsAt": null}]})"),
         true},
        {"ignored keys of any value", snapshotWithProvider(R"({"provider": "codex", "windows": [], "tokensToday": "x",
            "modelName": 5, "recentDays": {}, "totals": 1, "creditsToday": "y"})"),
         true},
        {"ignored top-level keys",
         snapshotWithState(R"({"noProvidersEnabled": {}})", "2026-03-02T10:00:00Z",
                           R"(, "usageAmountStyle": "sideways", "followedSelectionIDs": [1, 2], "language": 3)"),
         true},
        {"broken JSON under an ignored key",
         snapshotWithState(R"({"noProvidersEnabled": {}})", "2026-03-02T10:00:00Z", R"(, "language": [1,])"), false},
        {"generatedAt missing", R"({"schemaVersion": 1, "state": {"noProvidersEnabled": {}}})", false},
        {"schemaVersion a string",
         R"({"schemaVersion": "1", "generatedAt": "2026-03-02T10:00:00Z", "state": {"noProvidersEnabled": {}}})",
         false},
        {"state not an object", snapshotWithState(R"("providers")"), false},
        {"providers without _0", snapshotWithState(R"({"providers": {}})"), false},
        {"providers list malformed even with another state",
         snapshotWithState(R"({"providers": {"_0": {}}, "noProvidersEnabled": {}})"), false},
        {"top level an array", "[]", false},
        {"empty", "", false},
    };
    for (const Row& row : rows) {
        const auto status = CLIStatus::read(row.json, exampleNow);
        EXPECT_EQ(static_cast<bool>(status), row.readable) << row.point;
        if (!status && !row.readable) {
            EXPECT_TRUE(std::holds_alternative<DecodingError>(status.error())) << row.point;
        }
    }
}

TEST(CLIStatus, tellsUnsupportedSnapshotsApart) {
    EXPECT_TRUE(unsupported(snapshotWithState(R"({"somethingNew": {}})")));
    EXPECT_TRUE(unsupported(snapshotWithState("{}")));
    EXPECT_TRUE(unsupported(
        R"({"schemaVersion": 2, "generatedAt": "2026-03-02T10:00:00Z", "state": {"noProvidersEnabled": {}}})"));
    EXPECT_TRUE(unsupported(
        R"({"schemaVersion": 0, "generatedAt": "2026-03-02T10:00:00Z", "state": {"noProvidersEnabled": {}}})"));
}

TEST(CLIStatus, theFirstStateKeyPresentDecides) {
    EXPECT_EQ(readOK(snapshotWithState(R"({"noProvidersEnabled": {}, "providers": {"_0": []}})")).state, "providers");
    EXPECT_EQ(readOK(snapshotWithState(R"({"noProvidersDetected": null, "noProvidersEnabled": 5})")).state,
              "noProvidersEnabled");
    EXPECT_EQ(readOK(snapshotWithState(R"({"noProvidersDetected": "anything"})")).state, "noProvidersDetected");
    const CLIStatus empty = readOK(snapshotWithState(R"({"providers": {"_0": []}})"));
    EXPECT_EQ(empty.state, "providers");
    EXPECT_TRUE(empty.providers.empty());
}

TEST(CLIStatus, stalenessBoundaries) {
    const Date now = at("2026-03-02T10:00:00Z");
    auto staleAt = [&](double offset) {
        return readOK(snapshotWithState(R"({"noProvidersEnabled": {}})",
                                        platform::foundation::ISO8601::string(now.addingTimeInterval(offset))),
                      now)
            .stale;
    };
    EXPECT_FALSE(staleAt(-600));
    EXPECT_TRUE(staleAt(-601));
    EXPECT_FALSE(staleAt(60));
    EXPECT_TRUE(staleAt(61));

    const CLIStatus status = readOK(
        snapshotWithProvider(R"({"provider": "codex", "updatedAt": "2026-03-02T09:40:00Z", "windows": []},
                                {"provider": "gemini", "windows": []})"),
        at("2026-03-02T10:01:00Z"));
    EXPECT_FALSE(status.stale);
    EXPECT_TRUE(status.providers[0].stale) << "20 minutes old";
    EXPECT_FALSE(status.providers[1].stale) << "without updatedAt, the snapshot's staleness";
}

TEST(CLIStatus, remainingPercentagesKindsAndIdentifiers) {
    const CLIStatus status = readOK(snapshotWithProvider(R"(
        {"provider": "codex", "selectionID": "codex-1", "accountName": "Work", "windows": [
            {"kind": 300, "usage": 42.5}, {"kind": 10080, "usage": 120}, {"kind": 60, "usage": -5},
            {"kind": "monthly"}, {"kind": -3, "usage": 10, "resetsAt": "2026-03-02T10:05:00Z"},
            {"kind": 0, "usage": 10, "resetsAt": "2026-03-02T10:05:01Z"}]},
        {"provider": "claudeCode", "accountName": "Work", "windows": []},
        {"provider": "gemini", "windows": []})"));
    const auto& windows = status.providers[0].windows;
    ASSERT_EQ(windows.size(), 6u);
    EXPECT_EQ(windows[0], (CLIStatus::Window{"fiveHour", 300, std::nullopt, 57.5, std::nullopt}));
    EXPECT_EQ(windows[1], (CLIStatus::Window{"weekly", 10080, std::nullopt, 0.0, std::nullopt}));
    EXPECT_EQ(windows[2], (CLIStatus::Window{"custom", 60, std::nullopt, 100.0, std::nullopt}));
    EXPECT_EQ(windows[3], (CLIStatus::Window{"monthly", std::nullopt, std::nullopt, std::nullopt, std::nullopt}));
    EXPECT_EQ(windows[4].kind, "custom");
    EXPECT_EQ(windows[4].remainingPercent, std::nullopt) << "reset at exactly now";
    EXPECT_EQ(windows[4].resetsAt, exampleNow) << "the past reset time is kept";
    EXPECT_EQ(windows[5].remainingPercent, 90.0);

    EXPECT_EQ(status.providers[0].id, "codex-1");
    EXPECT_EQ(status.providers[1].id, "claudeCode \u00B7 Work");
    EXPECT_EQ(status.providers[2].id, "gemini");
}

TEST(CLIStatusText, emptyStatesStaleMarkersAndMissingWindows) {
    CLIStatus status;
    status.generatedAt = at("2026-03-02T10:00:00Z");
    status.state = "noProvidersEnabled";
    EXPECT_EQ(status.text(), "Tallyfox \u00B7 snapshot 2026-03-02T10:00:00Z\nNo providers enabled.");
    status.stale = true;
    for (const char* state : {"providers", "noProvidersDetected"}) {
        status.state = state;
        EXPECT_EQ(status.text(), "Tallyfox \u00B7 snapshot 2026-03-02T10:00:00Z \u00B7 STALE \u2014 open Tallyfox to "
                                 "update\nNo providers detected. Open Tallyfox.");
    }
    status.stale = false;
    status.providers = {CLIStatus::Provider{"x", "cursor", "Team", "Pro", std::nullopt, false, "toolNotRunning", {}}};
    EXPECT_EQ(status.text(), "Tallyfox \u00B7 snapshot 2026-03-02T10:00:00Z\ncursor \u00B7 Team\n  Limits "
                             "unavailable.\n  toolNotRunning");
}

TEST(CLIStatusText, roundsToOneDecimalAndCleansEverySnapshotString) {
    CLIStatus status;
    status.generatedAt = at("2026-03-02T10:00:00Z");
    status.state = "providers";
    const Date past = at("2026-03-01T00:00:00Z");
    status.providers = {CLIStatus::Provider{
        "id", "co\x1B[2Jdex", "Line\nFeed\x1B", std::nullopt, std::nullopt, false, "sign\u202EIn",
        {CLIStatus::Window{"fiveHour", 300, std::nullopt, 57.25, std::nullopt},
         CLIStatus::Window{"weekly", 10080, "Op\u200Bus", 99.96, std::nullopt},
         CLIStatus::Window{"custom", 60, std::nullopt, 0.05, std::nullopt},
         CLIStatus::Window{"week\nly\x1B", std::nullopt, "a/b", std::nullopt, past}}}};
    EXPECT_EQ(status.text(), "Tallyfox \u00B7 snapshot 2026-03-02T10:00:00Z\n"
                             "co[2Jdex \u00B7 LineFeed\n"
                             "  fiveHour: 57.2% left\n"
                             "  weekly \u00B7 Opus: 100.0% left\n"
                             "  custom: 0.1% left\n"
                             "  weekly \u00B7 a/b: unknown \u00B7 reset 2026-03-01T00:00:00Z\n"
                             "  signIn");

    const std::string json = *status.json();
    EXPECT_NE(json.find(R"("accountName" : "Line\nFeed\u001b")"), std::string::npos) << json;
    EXPECT_NE(json.find(R"("scope" : "a/b")"), std::string::npos) << "slashes are not escaped";
    EXPECT_EQ(json.find("null"), std::string::npos);
    EXPECT_NE(json.find(R"("remainingPercent" : 0.05)"), std::string::npos);
    EXPECT_EQ(*CLIStatus::fromJSON(json), status);

    status.providers[0].windows[0].remainingPercent = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(status.json()) << "a number JSON cannot carry fails the encoding";
}

TEST(CLIStatus, followsTheConformanceSuiteUnderAnIgnoredKey) {
    const std::filesystem::path dir = TALLYFOX_JSON_TEST_SUITE_DIR;
    if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no conformance suite at " << dir;
    int cases = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        const std::string snapshot = R"({"schemaVersion": 1, "generatedAt": "2026-03-02T10:00:00Z", "ignored": )" +
                                     bytes.str() + R"(, "state": {"noProvidersDetected": {}}})";
        const auto status = CLIStatus::read(snapshot, exampleNow);
        if (name.starts_with("y_")) {
            EXPECT_TRUE(status) << name;
        } else if (name.starts_with("n_")) {
            EXPECT_FALSE(status) << name;
        }
        ++cases;
    }
    EXPECT_GT(cases, 300);
}
