#include "platform/ui/LayoutTestSupport.hpp"
#include "platform/ui/LiveText.hpp"
#include "platform/ui/Rendering.hpp"
#include "platform/ui/TextEngine.hpp"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace platform::ui {
namespace {

using foundation::Date;
using namespace layouttest;

std::string shown(const Text& text, const Environment& environment = {}) {
    return text.resolve(environment);
}

Environment at(double now, std::string locale = "en") {
    Environment e;
    e.date = Date{now};
    e.locale = foundation::Locale(std::move(locale));
    return e;
}

TEST(LiveText, timerCountsDownWithHoursAndRoundsUpPartialSeconds) {
    const Text timer = Text::timer(Date{0}, Date{11292});
    EXPECT_EQ(shown(timer, at(0)), "3:08:12");
    EXPECT_EQ(shown(timer, at(11292 - 492)), "8:12");     // under an hour: no hours
    EXPECT_EQ(shown(timer, at(11292 - 3600)), "1:00:00"); // exactly an hour
    EXPECT_EQ(shown(timer, at(11292 - 0.4)), "0:01");     // a partial second still shows
    EXPECT_EQ(shown(timer, at(11292)), "0:00");           // at the end
    EXPECT_EQ(shown(timer, at(20000)), "0:00");           // and after it
    EXPECT_EQ(shown(timer, at(-50)), "3:08:12");          // before it starts: the whole interval
    EXPECT_EQ(shown(timer, at(0, "ar-EG")), "٣:٠٨:١٢");   // the locale's digits
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
    EXPECT_EQ(shown(Text::localized("%lldm", {std::int64_t{38}}), at(0, "ar-EG")),
              "٣٨m"); // the view's digits
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

Environment rightToLeft(std::string locale = "he") {
    Environment e = at(0, std::move(locale));
    e.layoutDirection = LayoutDirection::rightToLeft;
    return e;
}

detail::ShapedText shaped(const std::string& text, LayoutDirection direction,
                          std::optional<double> width = {}, Font font = Font(TextStyle::body),
                          const std::string& locale = "en") {
    return detail::ShapedText(text, detail::TextFontSpec::from(font, locale), direction, width, 0, false);
}

TEST(TextLayout, aTextThatBeginsWithNeutralCharactersTakesTheLayoutsDirection) {
    using detail::paragraphDirection;
    constexpr auto rtl = LayoutDirection::rightToLeft, ltr = LayoutDirection::leftToRight;
    EXPECT_EQ(paragraphDirection(" · Opus", rtl), rtl);
    EXPECT_EQ(paragraphDirection(" · Opus", ltr), ltr);
    EXPECT_EQ(paragraphDirection(" · שבועי", ltr), ltr);
    EXPECT_EQ(paragraphDirection("Opus · ", rtl), ltr); // a strong first character decides
    EXPECT_EQ(paragraphDirection("שבועי · Opus", ltr), rtl);
    EXPECT_EQ(paragraphDirection("58% left", rtl), ltr); // digits are weak: the first letter decides
    EXPECT_EQ(paragraphDirection("58%", rtl), rtl);      // nothing strong at all
    EXPECT_EQ(paragraphDirection("", rtl), rtl);

    // The window title group in Hebrew, each text shaped on its own: the second reads right to left,
    // so from the left the line shows "Opus", the separator, then the Hebrew word.
    const auto title =
        layout(HStack(VerticalAlignment::center, 0, {Text::verbatim("שבועי"), Text::verbatim(" · Opus")}),
               rightToLeft(), {});
    EXPECT_EQ(title.layoutDump(), "HStack (0, 0, 75.13 × 16) spacing 0\n"
                                  "  Text \"שבועי\" (43.06, 0, 32.07 × 16) body regular 13pt primary\n"
                                  "  Text \"Opus ·\" (0, 0, 43.06 × 16) body regular 13pt primary\n");
    const auto second = shaped(" · Opus", rtl);
    const auto runs = second.runs();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].text, "Opus");
    EXPECT_FALSE(runs[0].rightToLeft);
    EXPECT_EQ(runs[0].x, 0);
    EXPECT_EQ(runs[1].text, " · ");
    EXPECT_TRUE(runs[1].rightToLeft);
    EXPECT_NEAR(runs[1].x + runs[1].width, second.size().width, 1e-9); // against the Hebrew word
    // Left to right, the same text is one run in its own order.
    const auto english = shaped(" · Opus", ltr).runs();
    ASSERT_EQ(english.size(), 1u);
    EXPECT_FALSE(english[0].rightToLeft);
}

TEST(TextLayout, wrappedLinesLineUpWithTheLeadingEdgeOfTheLayout) {
    // Where each line starts and ends, from the left edge of the text.
    auto lineEdges = [](const detail::ShapedText& text) {
        std::vector<std::pair<double, double>> edges;
        for (const auto& run : text.runs()) {
            if (run.line == static_cast<int>(edges.size())) edges.emplace_back(run.x, run.x + run.width);
            edges.back() = {std::min(edges.back().first, run.x),
                            std::max(edges.back().second, run.x + run.width)};
        }
        return edges;
    };
    const std::string message = "Install or use a supported AI coding tool to start tracking usage.";
    const std::string hebrew = "נותרו 58% מהמגבלה השבועית של החשבון שלך עד לאיפוס הבא";
    for (const auto& [text, direction] :
         {std::pair{message, LayoutDirection::rightToLeft}, std::pair{message, LayoutDirection::leftToRight},
          std::pair{hebrew, LayoutDirection::rightToLeft}, std::pair{hebrew, LayoutDirection::leftToRight}}) {
        SCOPED_TRACE(text);
        const auto paragraph = shaped(text, direction, 150.0);
        const auto edges = lineEdges(paragraph);
        ASSERT_GE(edges.size(), 3u);
        EXPECT_LT(edges.back().second - edges.back().first, paragraph.size().width - 20); // a short last line
        for (const auto& [start, end] : edges) {
            if (direction == LayoutDirection::rightToLeft)
                EXPECT_NEAR(end, paragraph.size().width, 0.01);
            else
                EXPECT_NEAR(start, 0, 0.01);
        }
    }
}

TEST(TextLayout, japaneseAndKoreanShowTheirWeightsInEveryScript) {
    const Font caption(TextStyle::caption);
    for (const auto& [locale, text, face] : {std::tuple{"ja", "Codex 58% left 残り", "Noto Sans CJK JP"},
                                             std::tuple{"ko", "Codex 58% left 남음", "Noto Sans CJK KR"}}) {
        SCOPED_TRACE(locale);
        const auto regular = shaped(text, LayoutDirection::leftToRight, {}, caption, locale);
        const auto semibold = shaped(text, LayoutDirection::leftToRight, {}, caption.semibold(), locale);
        const auto bold =
            shaped(text, LayoutDirection::leftToRight, {}, caption.withWeight(FontWeight::bold), locale);
        // The locale's face shows Latin letters too; every run, Latin included, takes its weight.
        for (const auto& run : regular.runs())
            EXPECT_EQ(run.font, std::string(face) + " 10") << run.text;
        for (const auto& run : semibold.runs())
            EXPECT_EQ(run.font, std::string(face) + " Bold 10") << run.text;
        for (const auto& run : bold.runs())
            EXPECT_EQ(run.font, std::string(face) + " Bold 10") << run.text;
        EXPECT_GT(semibold.size().width, regular.size().width + 2);
    }
    // English keeps Inter's own weights.
    EXPECT_EQ(shaped("Codex", LayoutDirection::leftToRight, {}, caption.semibold()).runs().at(0).font,
              "Inter Semi-Bold 10");
}

TEST(TextLayout, wrapsWithinTheOfferTruncatesAtItsLimitAndShrinksFirst) {
    const Text message = Text::verbatim("Install or use a supported AI coding tool to start tracking usage.");
    const double line = idealSize(Text::verbatim("Install")).height;
    // Ideal size: one unwrapped line.
    EXPECT_EQ(idealSize(message).height, line);
    int lines = 1;
    for (double width : {300.0, 200.0, 160.0, 120.0, 90.0, 60.0}) {
        SCOPED_TRACE(width);
        // Whole lines within the offered width; a narrower offer never takes fewer.
        const Size wrapped = layout(message, {}, {width, std::nullopt}).size();
        EXPECT_LE(wrapped.width, width);
        const int wrappedLines = static_cast<int>(std::lround(wrapped.height / line));
        EXPECT_NEAR(wrapped.height, wrappedLines * line, 1e-9);
        EXPECT_GE(wrappedLines, lines);
        lines = wrappedLines;
        // A line limit stops there with an ellipsis, and only when the text would go on.
        const std::string limited = dump(message.lineLimit(2), {width, std::nullopt});
        const Rect frame = frameOf(limited, "Text \"");
        EXPECT_LE(frame.width(), width + dumpPrecision);
        EXPECT_NEAR(frame.height(), std::min(wrappedLines, 2) * line, dumpSlack) << limited;
        EXPECT_EQ(limited.find("…") != std::string::npos, wrappedLines > 2) << limited;
        // An offered height of one line truncates after the first line.
        EXPECT_EQ(layout(message, {}, {width, line + 4}).size().height, line);
    }
    EXPECT_GT(lines, 2);

    // It shrinks before it truncates, no further than it needs, down to its minimum scale factor.
    const Text tokens = Text::verbatim("12.8M tokens today");
    const double full = idealSize(tokens).width;
    auto scaleIn = [](const std::string& d) {
        const auto at = d.find(" scaled ");
        return at == std::string::npos ? 1.0 : std::stod(d.substr(at + 8));
    };
    for (double width : {60.0, 80.0, 100.0, 120.0, 200.0}) {
        SCOPED_TRACE(width);
        const std::string d = dump(tokens.lineLimit(1).minimumScaleFactor(0.7), {width, std::nullopt});
        const Rect frame = frameOf(d, "Text \"");
        const double scale = scaleIn(d);
        EXPECT_LE(frame.width(), width + dumpPrecision) << d;
        EXPECT_NEAR(frame.height(), line * scale, dumpSlack + line * dumpPrecision) << d;
        if (full <= width) {
            EXPECT_EQ(scale, 1) << d;
            EXPECT_NEAR(frame.width(), full, dumpPrecision) << d;
        } else if (full * 0.7 <= width) {
            EXPECT_LE(scale, width / full + dumpPrecision) << d;
            EXPECT_GE(scale, width / full - 0.05) << d;
            EXPECT_EQ(d.find("…"), std::string::npos) << d;
        } else {
            EXPECT_NEAR(scale, 0.7, dumpPrecision) << d;
            EXPECT_NE(d.find("…"), std::string::npos) << d;
        }
    }
}

} // namespace
} // namespace platform::ui
