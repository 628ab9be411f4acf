#include "TallyfoxWidget/WidgetTimeViews.hpp"
#include "platform/foundation/Localization.hpp"
#include "platform/ui/Rendering.hpp"

#include <gtest/gtest.h>

#include <cstdlib>

namespace tallyfox {
namespace {

namespace ui = platform::ui;
namespace pf = platform::foundation;
using pf::Date;

class TimeViews : public testing::Test {
protected:
    void SetUp() override {
        pf::setMainBundleInfo({"", TALLYFOX_APPEX_RESOURCES_DIR, "en", "TallyfoxWidget"});
        setenv("TZ", "UTC", 1);
    }
    /// The text a view shows when rendered at its own `now` in `language`.
    static std::string shown(const ui::View& view, const std::string& language, Date renderedAt = now) {
        ui::Environment e;
        e.locale = pf::Locale(language);
        e.date = renderedAt;
        return ui::layout(view, e, {}).accessibilityDump();
    }
    // Monday 2026-12-07 12:00:00 UTC.
    static constexpr Date now{1796644800};
};

TEST_F(TimeViews, countdownAtItsBoundaries) {
    EXPECT_EQ(shown(WidgetCountdown{std::nullopt, now}, "en"), "\"—\"\n");
    EXPECT_EQ(shown(WidgetCountdown{now, now}, "en"), "\"—\"\n");
    EXPECT_EQ(shown(WidgetCountdown{now.addingTimeInterval(-5), now}, "en"), "\"—\"\n");
    EXPECT_EQ(shown(WidgetCountdown{now.addingTimeInterval(86400 - 60), now}, "en"), "\"23:59:00\"\n");
    EXPECT_EQ(shown(WidgetCountdown{now.addingTimeInterval(492), now}, "en"), "\"8:12\"\n");
    // The live timer keeps counting when rendered later than the entry's date.
    EXPECT_EQ(shown(WidgetCountdown{now.addingTimeInterval(492), now}, "en", now.addingTimeInterval(60)), "\"7:12\"\n");
    EXPECT_EQ(shown(WidgetCountdown{now.addingTimeInterval(86400), now}, "en"), "\"Tue 12:00\"\n");
    EXPECT_EQ(shown(WidgetCountdown{now.addingTimeInterval(86400), now}, "de"), "\"Di., 12:00\"\n");
}

TEST_F(TimeViews, resetLabelAtItsBoundariesInTwoLanguages) {
    EXPECT_EQ(shown(WidgetResetLabel{now, now}, "en"), "\"Waiting for update\"\n");
    EXPECT_EQ(shown(WidgetResetLabel{now, now}, "de"), "\"Warte auf Aktualisierung\"\n");
    EXPECT_EQ(shown(WidgetResetLabel{now.addingTimeInterval(11292), now}, "en"), "\"Resets in 3:08:12\"\n");
    EXPECT_EQ(shown(WidgetResetLabel{now.addingTimeInterval(11292), now}, "de"), "\"Reset in 3:08:12\"\n");
    EXPECT_EQ(shown(WidgetResetLabel{now.addingTimeInterval(86400), now}, "en"), "\"Resets Tue 12:00\"\n");
    EXPECT_EQ(shown(WidgetResetLabel{now.addingTimeInterval(86400), now}, "de"), "\"Reset am Di., 12:00\"\n");
}

TEST_F(TimeViews, updatedLabelIsLiveAndCompactDropsTheWord) {
    const Date updatedAt = now.addingTimeInterval(-300);
    EXPECT_EQ(shown(WidgetUpdatedLabel{updatedAt, now, false}, "en"), "\"Updated 5 minutes ago\"\n");
    EXPECT_EQ(shown(WidgetUpdatedLabel{updatedAt, now, true}, "en"), "\"5 minutes ago\"\n");
    EXPECT_EQ(shown(WidgetUpdatedLabel{updatedAt, now, false}, "de"), "\"Aktualisiert vor 5 Minuten\"\n");
    // Measured against the instant rendered, not the entry's `now`.
    EXPECT_EQ(shown(WidgetUpdatedLabel{updatedAt, now, true}, "en", now.addingTimeInterval(7200)), "\"2 hours ago\"\n");
    EXPECT_EQ(shown(WidgetUpdatedLabel{updatedAt, now, true}, "en", now.addingTimeInterval(86400)), "\"1 day ago\"\n");
}

TEST_F(TimeViews, hebrewAndJapaneseWordingAndDigits) {
    EXPECT_EQ(shown(WidgetResetLabel{now, now}, "ja"), "\"更新待ち\"\n");
    EXPECT_EQ(shown(WidgetResetLabel{now.addingTimeInterval(11292), now}, "ja"), "\"3:08:12後にリセット\"\n");
    EXPECT_EQ(shown(WidgetUpdatedLabel{now.addingTimeInterval(-300), now, true}, "he"), "\"לפני 5 דקות\"\n");
    EXPECT_EQ(shown(WidgetCountdown{now.addingTimeInterval(86400), now}, "ja"), "\"12:00 (火)\"\n");
}

} // namespace
} // namespace tallyfox
