#include "TallyfoxWidget/WidgetEntrySummary.hpp"

#include "platform/foundation/ISO8601.hpp"
#include "platform/foundation/Localization.hpp"
#include "snapshot/TemporaryHome.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace tallyfox;
using platform::ui::WidgetFamily;
using platform::widgetkit::EntrySummary;

namespace {

const Date now{1'800'000'000};

// Many entries whose windows reset at every few seconds of the day ahead, with ties in usage,
// windows without usage and windows without a reset: every way a reset can reorder the ranking.
std::string busyDocument(unsigned seed, int entries) {
    std::mt19937 random(seed);
    const char* providers[] = {"codex", "claudeCode", "gemini", "cursor"};
    std::string json = R"({"schemaVersion":1,"generatedAt":")" + platform::foundation::ISO8601::string(now) +
                       R"(","state":{"providers":{"_0":[)";
    for (int entry = 0; entry < entries; ++entry) {
        json += entry ? "," : "";
        json += R"({"provider":")" + std::string(providers[entry % 4]) + R"(","accountName":"a)" +
                std::to_string(entry) + R"(","windows":[)";
        const int windows = static_cast<int>(random() % 4);
        for (int window = 0; window < windows; ++window) {
            json += window ? "," : "";
            json += R"({"kind":300)";
            if (random() % 5) json += R"(,"usage":)" + std::to_string(random() % 6 * 20);
            if (random() % 4)
                json += R"(,"resetsAt":")" +
                        platform::foundation::ISO8601::string(now.addingTimeInterval(double(random() % 3000))) + "\"";
            json += "}";
        }
        json += "]}";
    }
    return json + "]}}}";
}

std::vector<std::string> reference(const TallyfoxWidgetEntry& entry, WidgetFamily family) {
    std::vector<std::string> titles;
    for (const auto& provider : topProviders(clearingElapsedUsage(*entry.snapshot, entry.date), entryLimit(family)))
        titles.push_back(displayTitle(provider));
    return titles;
}

struct EntrySummaryTest : ::testing::Test {
    EntrySummaryTest() {
        platform::foundation::setMainBundleInfo({"com.tallyfox.Tallyfox.TallyfoxWidget", {}, "en", {}});
    }
    tallyfox::testing::TemporaryHome home;
    TallyfoxTimelineProvider provider{WidgetSnapshotStore::make(), [] { return now; }};

    std::vector<TallyfoxWidgetEntry> timeline(const std::string& json) {
        home.writeSnapshot(json);
        return provider.timeline({}, {}).entries;
    }
};

} // namespace

TEST_F(EntrySummaryTest, aDayOfEntriesRanksAsEachEntryAloneWouldInEveryFamily) {
    const auto entries = timeline(busyDocument(7, 40));
    const auto other = timeline(busyDocument(8, 12));
    ASSERT_GT(entries.size(), 30u);
    for (const WidgetFamily family :
         {WidgetFamily::systemSmall, WidgetFamily::systemMedium, WidgetFamily::systemLarge}) {
        const EntrySummarizer summarize;
        for (const auto& entry : entries) {
            const EntrySummary summary = summarize(entry, family);
            ASSERT_EQ(summary.titles, reference(entry, family)) << "at " << entry.date.timeIntervalSince(now);
        }
        // Backwards, and interleaved with another snapshot's entries, it starts over and stays right.
        for (std::size_t i = entries.size(); i > 0; i -= std::min<std::size_t>(i, 7)) {
            ASSERT_EQ(summarize(entries[i - 1], family).titles, reference(entries[i - 1], family));
            const auto& foreign = other[i % other.size()];
            ASSERT_EQ(summarize(foreign, family).titles, reference(foreign, family));
        }
    }
    const EntrySummarizer summarize;
    EXPECT_EQ(summarize(entries.front(), WidgetFamily::systemSmall).view, "SmallUsageWidgetView");
    EXPECT_EQ(summarize(entries.front(), WidgetFamily::systemMedium).view, "MediumUsageWidgetView");
    EXPECT_EQ(summarize(entries.front(), WidgetFamily::systemLarge).view, "LargeUsageWidgetView");
}

TEST_F(EntrySummaryTest, messagesAreNamedByTheirTitle) {
    const EntrySummarizer summarize;
    const auto message = [](std::string title) { return EntrySummary{"WidgetMessageView", {std::move(title)}}; };
    EXPECT_EQ(summarize({now, std::nullopt}, WidgetFamily::systemSmall), message("Open Tallyfox"));
    const std::string head = R"({"schemaVersion":1,"generatedAt":"2027-01-15T08:00:00Z","state":)";
    EXPECT_EQ(summarize(timeline(head + R"({"noProvidersEnabled":{}}})").front(), WidgetFamily::systemMedium),
              message("No providers enabled"));
    EXPECT_EQ(summarize(timeline(head + R"({"noProvidersDetected":{}}})").front(), WidgetFamily::systemLarge),
              message("No providers detected"));
    home.writeSnapshot(busyDocument(1, 3));
    WidgetSelectionIntent gone;
    gone.sources.value = std::vector<WidgetSourceEntity>{{"no such account", "name"}};
    EXPECT_EQ(summarize(provider.timeline(gone, {}).entries.front(), WidgetFamily::systemMedium),
              message("Selected account unavailable"));
}
