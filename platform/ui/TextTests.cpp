#include "platform/ui/LiveText.hpp"
#include "platform/ui/Rendering.hpp"

#include <gtest/gtest.h>

namespace platform::ui {
namespace {

using foundation::Date;

std::string shown(const Text& text, const Environment& environment = {}) { return text.resolve(environment); }

Environment at(double now, std::string locale = "en") {
    Environment e;
    e.date = Date{now};
    e.locale = foundation::Locale(std::move(locale));
    return e;
}

TEST(LiveText, timerCountsDownWithHoursAndRoundsUpPartialSeconds) {
    const Text timer = Text::timer(Date{0}, Date{11292});
    EXPECT_EQ(shown(timer, at(0)), "3:08:12");
    EXPECT_EQ(shown(timer, at(11292 - 492)), "8:12");           // under an hour: no hours
    EXPECT_EQ(shown(timer, at(11292 - 3600)), "1:00:00");       // exactly an hour
    EXPECT_EQ(shown(timer, at(11292 - 0.4)), "0:01");           // a partial second still shows
    EXPECT_EQ(shown(timer, at(11292)), "0:00");                 // at the end
    EXPECT_EQ(shown(timer, at(20000)), "0:00");                 // and after it
    EXPECT_EQ(shown(timer, at(-50)), "3:08:12");                // before it starts: the whole interval
    EXPECT_EQ(shown(timer, at(0, "ar-EG")), "٣:٠٨:١٢");         // the locale's digits
}

TEST(LiveText, relativeDateUsesOneUnitInTheLocalesWording) {
    const Text updated = Text::relative(Date{1000});
    EXPECT_EQ(shown(updated, at(1000 + 5 * 60 + 59)), "5 minutes ago");
    EXPECT_EQ(shown(updated, at(1000 + 2 * 3600 + 59 * 60)), "2 hours ago");
    EXPECT_EQ(shown(updated, at(1000 + 86400 * 3 + 3600)), "3 days ago");
    EXPECT_EQ(shown(updated, at(1000 + 5 * 60, "de")), "vor 5 Minuten");
    EXPECT_EQ(shown(updated, at(1000 + 3600, "ja")), "1 時間前");
}

TEST(LocalizedText, placeholdersTakeTextsIntegersAndLiveTexts) {
    const Text resets = Text::localized("Resets in %@", {textArgument(Text::timer(Date{0}, Date{500}))});
    EXPECT_EQ(shown(resets, at(0)), "Resets in 8:20");
    EXPECT_EQ(shown(Text::localized("%lldm", {std::int64_t{38}})), "38m");
    EXPECT_EQ(shown(Text::localized("%lldm", {std::int64_t{38}}), at(0, "ar-EG")), "٣٨m"); // the view's digits
    EXPECT_EQ(shown(Text::verbatim("Updated ") + Text::relative(Date{0}), at(120)), "Updated 2 minutes ago");
}

TEST(TextLayout, tabularDigitsMakeEveryDigitEquallyWide) {
    auto width = [](const std::string& s, bool tabular) {
        Font font(TextStyle::caption);
        if (tabular) font = font.withMonospacedDigit();
        return layout(Text::verbatim(s).font(font), {}, {}).size().width;
    };
    EXPECT_NE(width("111", false), width("888", false));
    EXPECT_DOUBLE_EQ(width("111", true), width("888", true));
}

TEST(TextLayout, hebrewAndJapaneseFindTheirFonts) {
    // Glyphs from the fallback faces have real widths, not the empty boxes of a missing font.
    const auto hebrew = layout(Text::verbatim("נותרו 58%"), at(0, "he"), {});
    const auto japanese = layout(Text::verbatim("残り 58%"), at(0, "ja"), {});
    EXPECT_GT(hebrew.size().width, 40);
    EXPECT_GT(japanese.size().width, 40);
    EXPECT_EQ(hebrew.accessibilityDump(), "\"נותרו 58%\"\n");
}

} // namespace
} // namespace platform::ui
