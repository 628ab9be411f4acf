// Stacks and groups: how they share their length, align and mirror, and where their baselines lie.

#include "platform/ui/LayoutTestSupport.hpp"

#include <gtest/gtest.h>

namespace platform::ui {
namespace {

using namespace layouttest;

TEST(Stack, stackDistributesFixedFlexibleAndSpacerChildrenAcrossWidths) {
    const View row = HStack(VerticalAlignment::center, 8,
                            {Rectangle().frame(30, 10), Text::verbatim("Weekly"), Spacer(4), Rectangle()});
    const Size weekly = idealSize(Text::verbatim("Weekly"));
    for (double width : {120.0, 150.0, 200.0, 300.0}) {
        SCOPED_TRACE(width);
        const std::string d = dump(row, {width, 20.0});
        const Rect fixed = frameOf(d, "frame(width 30"), text = frameOf(d, "Text \""),
                   spacer = frameOf(d, "Spacer"), shape = framesOf(d, "Rectangle").back();
        // In order, 8 points apart, from the leading edge to the trailing one, centred across.
        EXPECT_TRUE(isNear(fixed, Rect{{0, 5}, {30, 10}})) << d;
        EXPECT_NEAR(text.minX(), 38, dumpSlack);
        EXPECT_NEAR(spacer.minX(), text.maxX() + 8, dumpSlack);
        EXPECT_NEAR(shape.minX(), spacer.maxX() + 8, dumpSlack);
        EXPECT_NEAR(shape.maxX(), width, dumpSlack);
        EXPECT_NEAR(text.midY(), 10, dumpSlack);
        EXPECT_NEAR(shape.height(), 20, dumpSlack);
        // The shape takes the free room; the spacer keeps its minimum and nothing across.
        EXPECT_TRUE(isNear(spacer, Rect{spacer.origin, {4, 0}})) << d;
        // The text takes no more than its ideal width; where both do not fit it shares the rest
        // equally with the shape and truncates.
        EXPECT_LE(text.width(), weekly.width + dumpSlack);
        const double rest = width - 30 - 4 - 3 * 8;
        if (weekly.width > rest / 2) {
            EXPECT_LE(text.width(), rest / 2 + dumpSlack);
            EXPECT_NE(d.find("…"), std::string::npos) << d;
        } else {
            EXPECT_NEAR(text.width(), weekly.width, dumpSlack);
        }
    }
    // Text with a spacer: the spacer pushes the second text to the trailing edge at every width.
    for (double width : {80.0, 138.0, 200.0}) {
        SCOPED_TRACE(width);
        const auto laidOut = layout(HStack({Text::verbatim("Codex"), Spacer(4), Text::verbatim("58%")}), {},
                                    ProposedSize{width, std::nullopt});
        EXPECT_DOUBLE_EQ(laidOut.size().width, width);
    }
}

TEST(Stack, emptyChildrenTakeNeitherRoomNorSpacing) {
    EXPECT_EQ(
        dump(VStack(HorizontalAlignment::leading, 10,
                    {Rectangle().frame(10, 10), EmptyView(), Text::verbatim(""), Rectangle().frame(10, 10)}),
             {}),
        "VStack (0, 0, 10 × 30) spacing 10\n"
        "  frame(width 10, height 10) (0, 0, 10 × 10)\n"
        "    Rectangle (0, 0, 10 × 10) fill primary\n"
        "  frame(width 10, height 10) (0, 20, 10 × 10)\n"
        "    Rectangle (0, 20, 10 × 10) fill primary\n");
}

TEST(Stack, groupsBecomeChildrenOfTheSurroundingStack) {
    const View v =
        VStack(HorizontalAlignment::leading, 4,
               {Rectangle().frame(10, 10), Group({Rectangle().frame(20, 10), Rectangle().frame(30, 10)})});
    EXPECT_EQ(layout(v, {}, {}).size(), (Size{30, 38}));
}

TEST(Stack, verticalStackAlignmentMirrorsRightToLeft) {
    const View v =
        VStack(HorizontalAlignment::leading, 0, {Rectangle().frame(40, 10), Rectangle().frame(10, 10)});
    EXPECT_EQ(dump(v, {}), "VStack (0, 0, 40 × 20) spacing 0\n"
                           "  frame(width 40, height 10) (0, 0, 40 × 10)\n"
                           "    Rectangle (0, 0, 40 × 10) fill primary\n"
                           "  frame(width 10, height 10) (0, 10, 10 × 10)\n"
                           "    Rectangle (0, 10, 10 × 10) fill primary\n");
    EXPECT_EQ(dump(v, {}, rightToLeft()), "VStack (0, 0, 40 × 20) spacing 0\n"
                                          "  frame(width 40, height 10) (0, 0, 40 × 10)\n"
                                          "    Rectangle (0, 0, 40 × 10) fill primary\n"
                                          "  frame(width 10, height 10) (30, 10, 10 × 10)\n"
                                          "    Rectangle (30, 10, 10 × 10) fill primary\n");
}

TEST(Stack, horizontalStackRunsFromTheRightInRightToLeft) {
    const View v =
        HStack(VerticalAlignment::center, 0, {Rectangle().frame(10, 10), Rectangle().frame(20, 10)})
            .frame(FrameBounds{.maxWidth = infinity, .alignment = Alignment::leading});
    EXPECT_EQ(dump(v, {100.0, 10.0}, rightToLeft()), "frame(maxWidth inf) (0, 0, 100 × 10)\n"
                                                     "  HStack (70, 0, 30 × 10) spacing 0\n"
                                                     "    frame(width 10, height 10) (90, 0, 10 × 10)\n"
                                                     "      Rectangle (90, 0, 10 × 10) fill primary\n"
                                                     "    frame(width 20, height 10) (70, 0, 20 × 10)\n"
                                                     "      Rectangle (70, 0, 20 × 10) fill primary\n");
    // Padding swaps its leading and trailing insets.
    const auto padded = layout(Rectangle().frame(10, 10).padding(EdgeInsets{0, 5, 0, 1}), rightToLeft(), {});
    EXPECT_NE(padded.layoutDump().find("Rectangle (1, 0, 10 × 10)"), std::string::npos)
        << padded.layoutDump();
}

TEST(Stack, firstTextBaselineAlignsTextsOfDifferentSizes) {
    const View v = HStack(VerticalAlignment::firstTextBaseline, std::nullopt,
                          {Text::verbatim("58%").font(Font(TextStyle::title2)),
                           Text::verbatim("left").font(Font(TextStyle::caption)), Rectangle().frame(6, 6)});
    const std::string d = dump(v, {});
    const Rect large = frameOf(d, "Text \"58%\""), small = frameOf(d, "Text \"left\""),
               shape = frameOf(d, "frame(width 6");
    const double line = large.minY() + baselineOf(Text::verbatim("58%"), Font(TextStyle::title2));
    EXPECT_NEAR(small.minY() + baselineOf(Text::verbatim("left"), Font(TextStyle::caption)), line, dumpSlack)
        << d;
    EXPECT_NEAR(shape.maxY(), line, dumpSlack) << d; // a view without text stands on the line
    // Side by side with the default spacing; the row holds them all, its top the highest of them.
    EXPECT_NEAR(small.minX(), large.maxX() + 8, dumpSlack);
    EXPECT_NEAR(shape.minX(), small.maxX() + 8, dumpSlack);
    const Size size = layout(v, {}, {}).size();
    EXPECT_NEAR(size.width, shape.maxX(), dumpSlack);
    EXPECT_NEAR(std::min({large.minY(), small.minY(), shape.minY()}), 0, dumpSlack);
    EXPECT_NEAR(size.height, std::max({large.maxY(), small.maxY(), shape.maxY()}), dumpSlack);
}

TEST(Stack, firstBaselinesComeFromTheTextsInsideAndNeverFromAPictureBesideThem) {
    const Font caption(TextStyle::caption);
    const Text name = Text::verbatim("Codex"), percent = Text::verbatim("58%"), left = Text::verbatim("left");
    // The compact row: a 12-point logo beside the name, the amount at the trailing end.
    const View row = HStack(
        VerticalAlignment::firstTextBaseline, std::nullopt,
        {HStack(VerticalAlignment::center, 5,
                {Rectangle().frame(12, 12), View(name).font(caption.semibold())}),
         Spacer(4),
         HStack(VerticalAlignment::center, 3,
                {View(percent).font(caption.semibold().withMonospacedDigit()), View(left).font(caption)})});
    const auto laidOut = layout(row, {}, {138.0, std::nullopt});
    const std::string d = laidOut.layoutDump();
    const double line = topOf(d, "Text \"Codex\"") + baselineOf(name, caption.semibold());
    EXPECT_NEAR(topOf(d, "Text \"58%\"") + baselineOf(percent, caption.semibold().withMonospacedDigit()),
                line, dumpPrecision)
        << d;
    EXPECT_NEAR(topOf(d, "Text \"left\"") + baselineOf(left, caption), line, dumpPrecision) << d;
    EXPECT_NEAR(*laidOut.firstTextBaseline(), line, dumpPrecision);
    // The logo, centred on the name, sticks out of neither.
    EXPECT_EQ(laidOut.size().height, std::max(12.0, idealSize(View(name).font(caption.semibold())).height));

    // A bar above a text: the column's baseline is the text's, below the bar and the spacing.
    const Text amount = Text::verbatim("58% left");
    const View column = VStack(HorizontalAlignment::leading, 8, {Rectangle().frame(60, 4), amount});
    EXPECT_NEAR(*layout(column, {}, {}).firstTextBaseline(),
                4 + 8 + baselineOf(amount, Font(TextStyle::body)), 1e-9);
    const std::string beside =
        dump(HStack(VerticalAlignment::firstTextBaseline, 8, {Text::verbatim("Codex"), column}), {});
    EXPECT_NEAR(topOf(beside, "Text \"58% left\""), topOf(beside, "Text \"Codex\""), dumpPrecision) << beside;

    // Views without any text align by their bottom edges and give their container no baseline.
    const View pictures =
        HStack(VerticalAlignment::firstTextBaseline, 0, {Rectangle().frame(10, 30), Circle().frame(10, 10)});
    EXPECT_EQ(layout(pictures, {}, {}).firstTextBaseline(), std::nullopt);
    EXPECT_EQ(topOf(dump(pictures, {}), "Circle"), 20);
}

TEST(Stack, verticalStackBaselineIsItsFirstChildsAndAlignsInRows) {
    const View twoLines =
        VStack(HorizontalAlignment::leading, 0,
               {Text::verbatim("5-hour").font(Font(TextStyle::caption)), Text::verbatim("58%")});
    const View row = HStack(VerticalAlignment::firstTextBaseline, 4,
                            {Text::verbatim("Codex").font(Font(TextStyle::title2)), twoLines});
    const auto laidOut = layout(row, {}, {});
    const std::string d = laidOut.layoutDump();
    // The caption's baseline meets the title's: it starts lower by the difference of their ascents.
    EXPECT_NEAR(topOf(d, "Text \"5-hour\"") + baselineOf(Text::verbatim("5-hour"), Font(TextStyle::caption)),
                topOf(d, "Text \"Codex\"") + baselineOf(Text::verbatim("Codex"), Font(TextStyle::title2)),
                dumpSlack)
        << d;
    EXPECT_GT(topOf(d, "Text \"5-hour\""), topOf(d, "Text \"Codex\""));
}

TEST(Stack, columnsWithMaximumWidthsShareAStackEqually) {
    // The medium layout's two columns: each stretched to the width, content at the leading edge.
    auto column = [](const char* name) {
        return VStack(HorizontalAlignment::leading, 6,
                      {Text::verbatim(name), Rectangle().frame(std::nullopt, 4)})
            .frame(FrameBounds{.maxWidth = infinity, .alignment = Alignment::leading});
    };
    const auto laidOut = layout(HStack(VerticalAlignment::top, 16, {column("Codex"), column("Claude Code")}),
                                {}, {332.0, 138.0});
    const std::string d = laidOut.layoutDump();
    const double line = idealSize(Text::verbatim("Codex")).height;
    const auto columns = framesOf(d, "frame(maxWidth inf)");
    ASSERT_EQ(columns.size(), 2u) << d;
    EXPECT_TRUE(isNear(columns[0], Rect{{0, 0}, {158, line + 6 + 4}})) << d;
    EXPECT_TRUE(isNear(columns[1], Rect{{174, 0}, {158, line + 6 + 4}})) << d;
    EXPECT_TRUE(isNear(framesOf(d, "Rectangle").at(1), Rect{{174, line + 6}, {158, 4}})) << d;
}

} // namespace
} // namespace platform::ui
