#include "snapshot/WidgetSnapshot.hpp"

#include "platform/foundation/ISO8601.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

using namespace tallyfox;
using platform::foundation::DecodingError;

namespace {

Date date(const char* text) { return *platform::foundation::ISO8601::date(text); }

std::string corpusFile(const std::string& name) {
    const char* source = std::getenv("TALLYFOX_SOURCE_DIR");
    std::ifstream file(std::string(source ? source : ".") + "/fuzz/corpus/widget_snapshot_decoder/" + name);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// A document around one state object.
std::string withState(const std::string& state, const std::string& extra = "") {
    return R"({"schemaVersion":1,"generatedAt":"2026-03-14T09:26:53Z","state":)" + state + extra + "}";
}
// A document listing the given provider entries.
std::string withEntries(const std::string& entries, const std::string& extra = "") {
    return withState(R"({"providers":{"_0":[)" + entries + "]}}", extra);
}

std::vector<WidgetProviderSnapshot> entriesOf(const std::string& json) {
    auto decoded = WidgetSnapshot::decode(json);
    EXPECT_TRUE(decoded) << (decoded ? "" : decoded.error().description());
    return decoded ? decoded->providers() : std::vector<WidgetProviderSnapshot>{};
}

DecodingError errorOf(const std::string& json) {
    auto decoded = WidgetSnapshot::decode(json);
    EXPECT_FALSE(decoded);
    return decoded ? DecodingError{} : decoded.error();
}

WidgetProviderSnapshot entry(ProviderID provider, std::vector<UsageWindow> windows = {}) {
    WidgetProviderSnapshot result{provider};
    result.windows = std::move(windows);
    return result;
}

UsageWindow window(double usage, std::optional<Date> resetsAt = std::nullopt) {
    return UsageWindow{UsageWindowKind::fiveHour, std::nullopt, UsagePercentage{usage}, resetsAt};
}

} // namespace

TEST(WidgetSnapshotDecoding, readsTheFullExampleDocumentCompletely) {
    auto decoded = WidgetSnapshot::decode(corpusFile("worked-example.json"));
    ASSERT_TRUE(decoded) << decoded.error().description();
    const WidgetSnapshot& snapshot = *decoded;

    WidgetProviderSnapshot claude{ProviderID::claudeCode};
    claude.selectionID = "claudeCode-personal";
    claude.accountName = "Personal";
    claude.planName = "Pro";
    claude.windows = {
        {UsageWindowKind::fiveHour, std::nullopt, UsagePercentage{42.5}, date("2026-03-14T11:00:00Z")},
        {UsageWindowKind::weekly, std::nullopt, UsagePercentage{18}, date("2026-03-18T07:00:00Z")},
        {UsageWindowKind::weekly, "Opus", UsagePercentage{64}, date("2026-03-18T07:00:00Z")},
    };
    claude.tokensToday = 12800000;
    claude.requestsToday = 214;
    claude.recentDays = std::vector<double>{1.5, 0, 3.25, 8, 2, 0, 4, 5.5, 6, 0, 1, 2, 7, 3};
    claude.updatedAt = date("2026-03-14T09:25:10Z");

    WidgetProviderSnapshot elevenlabs{ProviderID::elevenlabs};
    elevenlabs.windows = {{UsageWindowKind::monthly, std::nullopt, UsagePercentage{12}, date("2026-04-01T00:00:00Z")}};
    elevenlabs.creditsToday = Decimal::fromJSONNumber("2.23").value();
    elevenlabs.updatedAt = date("2026-03-14T09:20:00Z");
    elevenlabs.totals = std::vector<UsageTotal>{
        {UsageTotal::Kind::charactersUsed, Decimal::fromInteger(12000)},
        {UsageTotal::Kind::charactersRemaining, Decimal::fromInteger(88000)},
    };

    WidgetProviderSnapshot cursor{ProviderID::cursor};
    cursor.modelName = "auto";
    cursor.quotaUnavailableReason = QuotaUnavailableReason::signInExpired;

    const WidgetSnapshot::Contents expected{
        1,
        date("2026-03-14T09:26:53Z"),
        WidgetSnapshot::State::providers({claude, elevenlabs, cursor}),
        UsageAmountStyle::remaining,
        "system",
        std::vector<std::string>{"claudeCode-personal", "elevenlabs"},
    };
    EXPECT_EQ(snapshot.contents(), expected);
    EXPECT_EQ(snapshot.providers()[1].creditsToday->description(), "2.23"); // exact, not binary
    EXPECT_EQ(claude.id(), "claudeCode-personal");
    EXPECT_EQ(elevenlabs.id(), "elevenlabs");
}

TEST(WidgetSnapshotDecoding, stateIsDecidedByTheFirstKeyPresent) {
    using Kind = WidgetSnapshot::State::Kind;
    auto kindOf = [](const std::string& state) { return WidgetSnapshot::decode(withState(state)).value().stateKind(); };
    EXPECT_EQ(kindOf(R"({"providers":{"_0":[]}})"), Kind::providers);
    EXPECT_EQ(kindOf(R"({"noProvidersEnabled":{},"providers":{"_0":[]}})"), Kind::providers);
    EXPECT_EQ(kindOf(R"({"noProvidersDetected":null})"), Kind::noProvidersDetected);
    EXPECT_EQ(kindOf(R"({"noProvidersEnabled":[1],"noProvidersDetected":{}})"), Kind::noProvidersEnabled);

    const DecodingError unknown = errorOf(withState("{}"));
    EXPECT_EQ(unknown.debugDescription, "Unknown widget state");
    EXPECT_EQ(unknown.kind, DecodingError::Kind::dataCorrupted);
    EXPECT_EQ(unknown.pathString(), "state");
    // "providers" must hold an array under "_0".
    errorOf(withState(R"({"providers":[]})"));
    errorOf(withState(R"({"providers":{"_0":{}}})"));
    errorOf(withState(R"({"providers":null,"noProvidersEnabled":{}})"));
}

TEST(WidgetSnapshotDecoding, theTopLevelIsStrict) {
    errorOf(R"({"generatedAt":"2026-03-14T09:26:53Z","state":{"noProvidersEnabled":{}}})");
    errorOf(R"({"schemaVersion":"1","generatedAt":"2026-03-14T09:26:53Z","state":{"noProvidersEnabled":{}}})");
    errorOf(R"({"schemaVersion":1,"generatedAt":"2026-03-14T09:26:53","state":{"noProvidersEnabled":{}}})");
    errorOf(R"({"schemaVersion":1,"generatedAt":1773480413,"state":{"noProvidersEnabled":{}}})");
    errorOf(withState(R"({"noProvidersEnabled":{}})", R"(,"usageAmountStyle":"Used")"));
    errorOf(withState(R"({"noProvidersEnabled":{}})", R"(,"language":3)"));
    errorOf(withState(R"({"noProvidersEnabled":{}})", R"(,"followedSelectionIDs":["a",null])"));
    errorOf("[]");
    errorOf(R"({"schemaVersion":1,)");

    const auto lenient = WidgetSnapshot::decode(
        withState(R"({"noProvidersEnabled":{}})", R"(,"usageAmountStyle":null,"followedSelectionIDs":[],"x":{"y":1})"));
    ASSERT_TRUE(lenient);
    EXPECT_EQ(lenient->usageAmountStyle(), std::nullopt);
    EXPECT_EQ(lenient->followedSelectionIDs(), std::vector<std::string>{});
    EXPECT_EQ(lenient->language(), std::nullopt);
}

TEST(WidgetSnapshotDecoding, unreadableEntriesAreDroppedAndTheOthersKeepTheirOrder) {
    const auto entries = entriesOf(withEntries(R"(
        {"provider":"codex","accountName":"a"},
        {"provider":"Codex"},
        {"provider":"kiro","tokensToday":"12"},
        {"provider":"kiro","creditsToday":"2.23"},
        {"provider":"warp","windows":{}},
        {"provider":"qoder","planName":1},
        17,
        {"provider":"gemini","accountName":7,"selectionID":[],"quotaUnavailableReason":"gone"},
        {"provider":"zai","windows":null,"requestsToday":null}
    )"));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].id(), "codex \xC2\xB7 a");
    EXPECT_EQ(entries[1], entry(ProviderID::gemini)); // tolerant fields left empty
    EXPECT_EQ(entries[1].id(), "gemini");
    EXPECT_EQ(entries[2], entry(ProviderID::zai));
}

TEST(WidgetSnapshotDecoding, windowsAreReadOneByOne) {
    const auto entries = entriesOf(withEntries(R"({"provider":"codex","windows":[
        {"kind":43200},
        {"kind":"weekly"},
        {"kind":300,"usage":130},
        {"kind":10080,"usage":-4,"scope":"Opus"},
        {"kind":"monthly","usage":null,"scope":null,"resetsAt":null},
        {"kind":"allowance","usage":"5"},
        {"kind":0},
        {"kind":-90},
        {"kind":300.0},
        {"kind":true},
        {"usage":5},
        {"kind":300,"resetsAt":"tomorrow"},
        {"kind":300,"scope":1}
    ]})"));
    ASSERT_EQ(entries.size(), 1u);
    const std::vector<UsageWindow> expected{
        {UsageWindowKind::custom(43200), std::nullopt, std::nullopt, std::nullopt},
        {UsageWindowKind::fiveHour, std::nullopt, UsagePercentage{100}, std::nullopt},
        {UsageWindowKind::weekly, "Opus", UsagePercentage{0}, std::nullopt},
        {UsageWindowKind::monthly, std::nullopt, std::nullopt, std::nullopt},
        {UsageWindowKind::custom(0), std::nullopt, std::nullopt, std::nullopt},
        {UsageWindowKind::custom(-90), std::nullopt, std::nullopt, std::nullopt},
    };
    EXPECT_EQ(entries[0].windows, expected);
}

TEST(WidgetSnapshotDecoding, tolerantListsAndDates) {
    const auto entries = entriesOf(withEntries(R"(
        {"provider":"codex","recentDays":[1,null,3],"updatedAt":"2026-03-14T09:26:53","totals":{}},
        {"provider":"codex","recentDays":[],"updatedAt":1773480413,"totals":[
            {"kind":"creditsLeft","value":1},{"kind":"creditsUsed","value":1.50},{"kind":"creditsUsed"},
            {"kind":"charactersUsed","value":"3"},{"value":4}]},
        {"provider":"codex","recentDays":"x","updatedAt":"2026-03-14T11:26:53+02:00","totals":[]},
        {"provider":"codex","creditsToday":123456789012345678901234567890.123456789}
    )"));
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].recentDays, std::nullopt);
    EXPECT_EQ(entries[0].updatedAt, std::nullopt);
    EXPECT_EQ(entries[0].totals, std::nullopt);
    EXPECT_EQ(entries[1].recentDays, std::vector<double>{});
    EXPECT_EQ(entries[1].updatedAt, std::nullopt);
    ASSERT_TRUE(entries[1].totals);
    ASSERT_EQ(entries[1].totals->size(), 1u);
    EXPECT_EQ((*entries[1].totals)[0].kind, UsageTotal::Kind::creditsUsed);
    EXPECT_EQ((*entries[1].totals)[0].value.description(), "1.5");
    EXPECT_EQ(entries[2].recentDays, std::nullopt);
    EXPECT_EQ(entries[2].updatedAt, date("2026-03-14T09:26:53Z"));
    EXPECT_EQ(entries[2].totals, std::vector<UsageTotal>{});
    EXPECT_EQ(entries[3].creditsToday->description(), "123456789012345678901234567890.12345679");
}

TEST(WidgetSnapshot, selectionAndClearingAreSharedNotCopied) {
    WidgetProviderSnapshot a = entry(ProviderID::codex, {window(10, Date{100}), window(20, Date{200})});
    WidgetProviderSnapshot b = entry(ProviderID::kiro, {window(30, Date{300})});
    const WidgetSnapshot snapshot(
        WidgetSnapshot::Contents{1, Date{0}, WidgetSnapshot::State::providers({a, b}), {}, {}, {}});

    const WidgetSnapshot picked = snapshot.selectingPositions({1, 0, 1});
    EXPECT_EQ(picked.providerCount(), 3u);
    EXPECT_EQ(picked.selectingPositions({2}).providers(), std::vector{b}); // positions count in the picked list

    // Clearing at 200 then at 100 clears what 200 alone clears.
    const auto cleared = picked.clearingUsage(Date{200}).clearingUsage(Date{100}).providers();
    EXPECT_EQ(cleared[1].windows[0].usage, std::nullopt);
    EXPECT_EQ(cleared[1].windows[1].usage, std::nullopt);
    EXPECT_EQ(cleared[0].windows[0].usage, UsagePercentage{30});
    EXPECT_EQ(snapshot.providers(), (std::vector{a, b})); // the original is untouched

    const WidgetSnapshot disabled(
        WidgetSnapshot::Contents{1, Date{0}, WidgetSnapshot::State::noProvidersEnabled(), {}, {}, {}});
    EXPECT_EQ(disabled.selectingPositions({}).state(), WidgetSnapshot::State::providers({}));
    EXPECT_EQ(disabled.clearingUsage(Date{5}), disabled);
}

TEST(SnapshotQueries, topProvidersKeepsTheMostUsedInSnapshotOrder) {
    const auto a = entry(ProviderID::codex, {window(40)});
    const auto b = entry(ProviderID::kiro);
    const auto c = entry(ProviderID::warp, {window(90), window(10)});
    const auto d = entry(ProviderID::zai, {window(40)});
    const WidgetSnapshot snapshot(
        WidgetSnapshot::Contents{1, Date{0}, WidgetSnapshot::State::providers({a, b, c, d}), {}, {}, {}});
    EXPECT_EQ(topProviders(snapshot, 2), (std::vector{a, c}));
    EXPECT_EQ(topProviders(snapshot, 3), (std::vector{a, c, d}));
    EXPECT_EQ(topProviders(snapshot, 4), (std::vector{a, b, c, d}));
    EXPECT_EQ(topProviders(snapshot, 9), (std::vector{a, b, c, d}));
    EXPECT_TRUE(topProviders(snapshot, 0).empty());

    const WidgetSnapshot disabled(
        WidgetSnapshot::Contents{1, Date{0}, WidgetSnapshot::State::noProvidersEnabled(), {}, {}, {}});
    EXPECT_TRUE(topProviders(disabled, 3).empty());
    EXPECT_EQ(earliest({Date{5}, Date{-1}, Date{3}}), Date{-1});
    EXPECT_EQ(earliest({}), std::nullopt);
}
