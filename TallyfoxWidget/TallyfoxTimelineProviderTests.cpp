#include "TallyfoxWidget/TallyfoxTimelineProvider.hpp"

#include "platform/foundation/ISO8601.hpp"
#include "platform/foundation/Localization.hpp"
#include "platform/foundation/UserDefaults.hpp"
#include "snapshot/TemporaryHome.hpp"

#include <gtest/gtest.h>

using namespace tallyfox;
using platform::foundation::ISO8601::string;
using platform::foundation::PropertyListValue;
using platform::foundation::UserDefaults;
using platform::widgetkit::TimelineReloadPolicy;
using tallyfox::testing::TemporaryHome;

namespace {

const Date now{1'800'000'000};

std::string at(double offset) { return string(now.addingTimeInterval(offset)); }

// A document generated at `generated` seconds from now listing `entries`.
std::string document(const std::string& entries, double generated = -30, const std::string& extra = "") {
    return R"({"schemaVersion":1,"generatedAt":")" + at(generated) + R"(","state":{"providers":{"_0":[)" + entries +
           "]}}" + extra + "}";
}

std::string windowEntry(const std::string& provider, std::vector<double> resets, double usage = 50) {
    std::string entry = R"({"provider":")" + provider + R"(","windows":[)";
    for (std::size_t i = 0; i < resets.size(); ++i)
        entry += (i ? "," : "") + std::string(R"({"kind":300,"usage":)") + std::to_string(usage) +
                 R"(,"resetsAt":")" + at(resets[i]) + R"("})";
    return entry + "]}";
}

std::vector<double> offsets(const std::vector<TallyfoxWidgetEntry>& entries) {
    std::vector<double> result;
    for (const auto& entry : entries) result.push_back(entry.date.timeIntervalSince(now));
    return result;
}

WidgetSelectionIntent choosing(std::vector<std::string> ids) {
    WidgetSelectionIntent intent;
    std::vector<WidgetSourceEntity> sources;
    for (auto& id : ids) sources.push_back({std::move(id), "name"});
    intent.sources.value = std::move(sources);
    return intent;
}

struct TimelineTest : ::testing::Test {
    // The extension's defaults live in its own domain, under the temporary home.
    TimelineTest() { platform::foundation::setMainBundleInfo({"com.tallyfox.Tallyfox.TallyfoxWidget", {}, "en", {}}); }
    TemporaryHome home;
    TallyfoxTimelineProvider provider{WidgetSnapshotStore::make(), [] { return now; }};

    platform::widgetkit::Timeline<TallyfoxWidgetEntry> timelineFor(const std::string& json,
                                                                    const WidgetSelectionIntent& intent = {}) {
        home.writeSnapshot(json);
        return provider.timeline(intent, {});
    }
    double reloadOffset(const platform::widgetkit::Timeline<TallyfoxWidgetEntry>& timeline) {
        EXPECT_EQ(timeline.policy.kind, TimelineReloadPolicy::Kind::after);
        return timeline.policy.date.timeIntervalSince(now);
    }
    std::vector<std::string> ids(const std::optional<WidgetSnapshot>& snapshot) {
        std::vector<std::string> result;
        for (const auto& entry : snapshot.value().providers()) result.push_back(entry.id());
        return result;
    }
};

} // namespace

TEST_F(TimelineTest, withoutStoreOrSnapshotThereIsOneEmptyEntryAndAReloadInFifteenMinutes) {
    const TallyfoxTimelineProvider noStore{std::nullopt, [] { return now; }};
    EXPECT_EQ(noStore.placeholder({}), (TallyfoxWidgetEntry{now, std::nullopt}));
    EXPECT_EQ(noStore.snapshot({}, {}), (TallyfoxWidgetEntry{now, std::nullopt}));
    const auto timeline = noStore.timeline({}, {});
    EXPECT_EQ(timeline.entries, (std::vector<TallyfoxWidgetEntry>{{now, std::nullopt}}));
    EXPECT_EQ(timeline.policy, TimelineReloadPolicy::after(now.addingTimeInterval(900)));

    const auto missing = provider.timeline({}, {}); // a store, but no file yet
    EXPECT_EQ(offsets(missing.entries), std::vector<double>{0});
    EXPECT_FALSE(missing.entries[0].snapshot);
    EXPECT_EQ(reloadOffset(missing), 900);
}

TEST_F(TimelineTest, entriesStartWhenDataGoesStale) {
    const auto timeline = timelineFor(document(R"({"provider":"codex"})"));
    EXPECT_EQ(offsets(timeline.entries), (std::vector<double>{0, 571}));
    EXPECT_EQ(reloadOffset(timeline), 900);

    // Each entry's update stamp adds its own moment; stamps already stale add none.
    const auto updated = timelineFor(document(R"({"provider":"codex","updatedAt":")" + at(-100) +
                                              R"("},{"provider":"kiro","updatedAt":")" + at(-700) + R"("})"));
    EXPECT_EQ(offsets(updated.entries), (std::vector<double>{0, 501, 571}));
}

TEST_F(TimelineTest, resetsAndTheirUnderADayCompanionsBecomeEntries) {
    auto timeline = timelineFor(document(windowEntry("codex", {30}), -700));
    EXPECT_EQ(offsets(timeline.entries), (std::vector<double>{0, 30}));
    EXPECT_EQ(reloadOffset(timeline), 90);
    EXPECT_TRUE(timeline.entries[0].snapshot->providers()[0].windows[0].usage);
    EXPECT_FALSE(timeline.entries[1].snapshot->providers()[0].windows[0].usage); // reset: no usage

    timeline = timelineFor(document(windowEntry("codex", {300}), -700));
    EXPECT_EQ(reloadOffset(timeline), 360);
    timeline = timelineFor(document(windowEntry("codex", {7200}), -700));
    EXPECT_EQ(reloadOffset(timeline), 900);
    timeline = timelineFor(document(windowEntry("codex", {10}), -700)); // the reload never comes sooner than a minute
    EXPECT_EQ(reloadOffset(timeline), 70);

    // Reset 10 s ago and none later: cleared from the first entry on, reload at the fallback.
    timeline = timelineFor(document(windowEntry("codex", {-10}), -700));
    EXPECT_EQ(offsets(timeline.entries), std::vector<double>{0});
    EXPECT_FALSE(timeline.entries[0].snapshot->providers()[0].windows[0].usage);
    EXPECT_EQ(reloadOffset(timeline), 900);

    // A reset exactly a day ahead counts, and so does its companion a second from now; a reset 30 h
    // ahead gives only its companion. Equal moments count once.
    timeline = timelineFor(document(windowEntry("codex", {86400, 108000}) + "," + windowEntry("kiro", {86400}), -700));
    EXPECT_EQ(offsets(timeline.entries), (std::vector<double>{0, 1, 21601, 86400}));
    EXPECT_EQ(reloadOffset(timeline), 900);
}

TEST_F(TimelineTest, nextResetIsTheEarliestAfterTheDateWithTheFirstProviderOnTies) {
    home.writeSnapshot(document(windowEntry("codex", {-5, 600}) + "," + windowEntry("kiro", {300}) + "," +
                                windowEntry("warp", {300})));
    const auto snapshot = provider.store->load().value();
    EXPECT_EQ(nextReset(snapshot, now), (NextReset{ProviderID::kiro, now.addingTimeInterval(300)}));
    EXPECT_EQ(nextReset(snapshot, now.addingTimeInterval(300)),
              (NextReset{ProviderID::codex, now.addingTimeInterval(600)}));
    EXPECT_EQ(nextReset(snapshot, now.addingTimeInterval(600)), std::nullopt);
}

TEST_F(TimelineTest, selectionFollowsTheConfigurationThenTheFollowedList) {
    const std::string entries = R"({"provider":"codex","accountName":"work"},{"provider":"kiro","selectionID":"A"},)"
                                R"({"provider":"warp","selectionID":"B"},{"provider":"zai","selectionID":"Caf\u00e9"})";
    // Nothing chosen and nothing followed: everything, in snapshot order.
    EXPECT_EQ(ids(timelineFor(document(entries)).entries[0].snapshot),
              (std::vector<std::string>{"codex \xC2\xB7 work", "A", "B", "Caf\xC3\xA9"}));
    // Followed B then A.
    const std::string followed = document(entries, -30, R"(,"followedSelectionIDs":["B","A"])");
    EXPECT_EQ(ids(timelineFor(followed).entries[0].snapshot), (std::vector<std::string>{"B", "A"}));
    // The configuration wins over the followed list; repeats and unknown identifiers drop out, and a
    // decomposed "é" finds the composed one.
    EXPECT_EQ(ids(timelineFor(followed, choosing({"A", "A", "X", "codex \xC2\xB7 work", "Cafe\xCC\x81"}))
                      .entries[0].snapshot),
              (std::vector<std::string>{"A", "codex \xC2\xB7 work", "Caf\xC3\xA9"}));
    EXPECT_EQ(ids(timelineFor(followed, choosing({"a"})).entries[0].snapshot), std::vector<std::string>{});
    // An empty source list counts as none chosen.
    EXPECT_EQ(ids(timelineFor(followed, choosing({})).entries[0].snapshot), (std::vector<std::string>{"B", "A"}));

    // A followed list, even an empty one, turns any state into a list of providers.
    const auto detected = timelineFor(R"({"schemaVersion":1,"generatedAt":")" + at(-30) +
                                      R"(","state":{"noProvidersDetected":{}},"followedSelectionIDs":[]})");
    EXPECT_EQ(detected.entries[0].snapshot->state(), WidgetSnapshot::State::providers({}));
    const auto enabled = timelineFor(R"({"schemaVersion":1,"generatedAt":")" + at(-30) +
                                     R"(","state":{"noProvidersEnabled":{}}})");
    EXPECT_EQ(enabled.entries[0].snapshot->stateKind(), WidgetSnapshot::State::Kind::noProvidersEnabled);
}

TEST_F(TimelineTest, placeholderShowsTheFileAsItIsAndSnapshotClearsAtNow) {
    home.writeSnapshot(document(windowEntry("codex", {0}), -30, R"(,"followedSelectionIDs":[],"language":"de")"));
    const auto placeholder = provider.placeholder({});
    EXPECT_EQ(placeholder.snapshot->providers().size(), 1u);
    EXPECT_TRUE(placeholder.snapshot->providers()[0].windows[0].usage);
    EXPECT_EQ(UserDefaults::standard().stringArray("AppleLanguages"), std::nullopt); // untouched

    const auto entry = provider.snapshot({}, {});
    EXPECT_EQ(entry.date, now);
    EXPECT_EQ(entry.snapshot->providers().size(), 0u); // followed list applied
    EXPECT_EQ(UserDefaults::standard().stringArray("AppleLanguages"), std::vector<std::string>{"de"});

    home.writeSnapshot(document(windowEntry("codex", {0})));
    EXPECT_FALSE(provider.snapshot({}, {}).snapshot->providers()[0].windows[0].usage); // reset at now: cleared
}

TEST_F(TimelineTest, languagePreferenceIsWrittenKeptAndRemoved) {
    UserDefaults defaults = UserDefaults::standard();
    const auto stored = [&] { return defaults.persistentDomain(defaults.domainName()); };

    timelineFor(document("", -30, R"(,"language":"system")"));
    EXPECT_EQ(defaults.stringArray("AppleLanguages"), std::vector<std::string>{"system"});
    EXPECT_EQ(UserDefaults::fileForDomain("com.tallyfox.Tallyfox.TallyfoxWidget"),
              home.path() / "Library/Preferences/com.tallyfox.Tallyfox.TallyfoxWidget.plist");
    EXPECT_TRUE(std::filesystem::exists(UserDefaults::fileForDomain(defaults.domainName())));

    // A list that already starts with the language is kept as it is.
    defaults.set("AppleLanguages", PropertyListValue::strings({"he", "en"}));
    timelineFor(document("", -30, R"(,"language":"he")"));
    EXPECT_EQ(defaults.stringArray("AppleLanguages"), (std::vector<std::string>{"he", "en"}));

    // Another first language, or a value of another type, is replaced.
    timelineFor(document("", -30, R"(,"language":"de")"));
    EXPECT_EQ(defaults.stringArray("AppleLanguages"), std::vector<std::string>{"de"});
    defaults.set("AppleLanguages", PropertyListValue("de"));
    timelineFor(document("", -30, R"(,"language":"de")"));
    EXPECT_EQ(defaults.stringArray("AppleLanguages"), std::vector<std::string>{"de"});

    // No language: the preference goes; no snapshot: nothing changes.
    timelineFor(document(""));
    EXPECT_EQ(defaults.object("AppleLanguages"), std::nullopt);
    defaults.set("AppleLanguages", PropertyListValue::strings({"ja"}));
    timelineFor("{");
    EXPECT_EQ(defaults.stringArray("AppleLanguages"), std::vector<std::string>{"ja"});
    ASSERT_TRUE(stored());
    defaults.removeObject("AppleLanguages");
}
