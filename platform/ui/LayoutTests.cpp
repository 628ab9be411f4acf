#include "platform/ui/Element.hpp"
#include "platform/ui/Rendering.hpp"

#include <gtest/gtest.h>

namespace platform::ui {
namespace {

std::string dump(const View& view, ProposedSize proposal, Environment environment = {}) {
    return layout(view, environment, proposal).layoutDump();
}

Environment rightToLeft() {
    Environment e;
    e.layoutDirection = LayoutDirection::rightToLeft;
    e.locale = foundation::Locale("he");
    return e;
}

TEST(Layout, stackDistributesFixedFlexibleAndSpacerChildrenAcrossWidths) {
    const View row = HStack(VerticalAlignment::center, 8,
                            {Rectangle().frame(30, 10), Text::verbatim("Weekly"), Spacer(4), Rectangle()});
    EXPECT_EQ(dump(row, {300.0, 20.0}), "HStack (0, 0, 300 × 20) spacing 8\n"
                                       "  frame(width 30, height 10) (0, 5, 30 × 10)\n"
                                       "    Rectangle (0, 5, 30 × 10) fill primary\n"
                                       "  Text \"Weekly\" (38, 2, 44.21 × 16) body regular 13pt primary\n"
                                       "  Spacer (90.21, 0, 4 × 0) min 4\n"
                                       "  Rectangle (102.21, 0, 197.79 × 20) fill primary\n");
    // Narrower: the text and the shape share what the fixed child and the spacer leave.
    EXPECT_EQ(dump(row, {120.0, 20.0}), "HStack (0, 0, 120 × 20) spacing 8\n"
                                       "  frame(width 30, height 10) (0, 5, 30 × 10)\n"
                                       "    Rectangle (0, 5, 30 × 10) fill primary\n"
                                       "  Text \"We…\" (38, 2, 31 × 16) body regular 13pt primary\n"
                                       "  Spacer (77, 0, 4 × 0) min 4\n"
                                       "  Rectangle (89, 0, 31 × 20) fill primary\n");
    // Text with a spacer: the spacer pushes the second text to the trailing edge at every width.
    for (double width : {80.0, 138.0, 200.0}) {
        SCOPED_TRACE(width);
        const auto laidOut = layout(HStack({Text::verbatim("Codex"), Spacer(4), Text::verbatim("58%")}), {},
                                    ProposedSize{width, std::nullopt});
        EXPECT_DOUBLE_EQ(laidOut.size().width, width);
    }
}

TEST(Layout, emptyChildrenTakeNeitherRoomNorSpacing) {
    EXPECT_EQ(dump(VStack(HorizontalAlignment::leading, 10,
                          {Rectangle().frame(10, 10), EmptyView(), Text::verbatim(""), Rectangle().frame(10, 10)}),
                   {}),
              "VStack (0, 0, 10 × 30) spacing 10\n"
              "  frame(width 10, height 10) (0, 0, 10 × 10)\n"
              "    Rectangle (0, 0, 10 × 10) fill primary\n"
              "  frame(width 10, height 10) (0, 20, 10 × 10)\n"
              "    Rectangle (0, 20, 10 × 10) fill primary\n");
}

TEST(Layout, groupsBecomeChildrenOfTheSurroundingStack) {
    const View v = VStack(HorizontalAlignment::leading, 4,
                          {Rectangle().frame(10, 10), Group({Rectangle().frame(20, 10), Rectangle().frame(30, 10)})});
    EXPECT_EQ(layout(v, {}, {}).size(), (Size{30, 38}));
}

TEST(Layout, verticalStackAlignmentMirrorsRightToLeft) {
    const View v = VStack(HorizontalAlignment::leading, 0, {Rectangle().frame(40, 10), Rectangle().frame(10, 10)});
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

TEST(Layout, horizontalStackRunsFromTheRightInRightToLeft) {
    const View v = HStack(VerticalAlignment::center, 0, {Rectangle().frame(10, 10), Rectangle().frame(20, 10)})
                       .frame(FrameBounds{.maxWidth = infinity, .alignment = Alignment::leading});
    EXPECT_EQ(dump(v, {100.0, 10.0}, rightToLeft()), "frame(maxWidth inf) (0, 0, 100 × 10)\n"
                                                     "  HStack (70, 0, 30 × 10) spacing 0\n"
                                                     "    frame(width 10, height 10) (90, 0, 10 × 10)\n"
                                                     "      Rectangle (90, 0, 10 × 10) fill primary\n"
                                                     "    frame(width 20, height 10) (70, 0, 20 × 10)\n"
                                                     "      Rectangle (70, 0, 20 × 10) fill primary\n");
    // Padding swaps its leading and trailing insets.
    const auto padded = layout(Rectangle().frame(10, 10).padding(EdgeInsets{0, 5, 0, 1}), rightToLeft(), {});
    EXPECT_NE(padded.layoutDump().find("Rectangle (1, 0, 10 × 10)"), std::string::npos) << padded.layoutDump();
}

TEST(Layout, firstTextBaselineAlignsTextsOfDifferentSizes) {
    const View v = HStack(VerticalAlignment::firstTextBaseline, std::nullopt,
                          {Text::verbatim("58%").font(Font(TextStyle::title2)),
                           Text::verbatim("left").font(Font(TextStyle::caption)), Rectangle().frame(6, 6)});
    EXPECT_EQ(dump(v, {}), "HStack (0, 0, 72.07 × 22) spacing 8\n"
                           "  Text \"58%\" (0, 0, 34.63 × 22) title2 regular 17pt primary\n"
                           "  Text \"left\" (42.63, 7.05, 15.44 × 13) caption regular 10pt primary\n"
                           "  frame(width 6, height 6) (66.07, 11.18, 6 × 6)\n"
                           "    Rectangle (66.07, 11.18, 6 × 6) fill primary\n");
}

/// Dumps round lengths to two decimals.
constexpr double dumpPrecision = 0.005 + 1e-9;

/// The top of the first view in `dump` whose line starts with `head` (after the indent).
double topOf(const std::string& dump, const std::string& head) {
    const auto at = dump.find(head + " (");
    if (at == std::string::npos) {
        ADD_FAILURE() << head << " is not in\n" << dump;
        return 0;
    }
    const auto comma = dump.find(", ", at + head.size());
    return std::stod(dump.substr(comma + 2));
}

/// Where a text's first baseline lies below its top, laid out alone.
double baselineOf(const Text& text, Font font) { return *layout(View(text).font(font), {}, {}).firstTextBaseline(); }

TEST(Layout, firstBaselinesComeFromTheTextsInsideAndNeverFromAPictureBesideThem) {
    const Font caption(TextStyle::caption);
    const Text name = Text::verbatim("Codex"), percent = Text::verbatim("58%"), left = Text::verbatim("left");
    // The compact row: a 12-point logo beside the name, the amount at the trailing end.
    const View row = HStack(
        VerticalAlignment::firstTextBaseline, std::nullopt,
        {HStack(VerticalAlignment::center, 5, {Rectangle().frame(12, 12), View(name).font(caption.semibold())}),
         Spacer(4),
         HStack(VerticalAlignment::center, 3,
                {View(percent).font(caption.semibold().withMonospacedDigit()), View(left).font(caption)})});
    const auto laidOut = layout(row, {}, {138.0, std::nullopt});
    const std::string d = laidOut.layoutDump();
    const double line = topOf(d, "Text \"Codex\"") + baselineOf(name, caption.semibold());
    EXPECT_NEAR(topOf(d, "Text \"58%\"") + baselineOf(percent, caption.semibold().withMonospacedDigit()), line,
                dumpPrecision)
        << d;
    EXPECT_NEAR(topOf(d, "Text \"left\"") + baselineOf(left, caption), line, dumpPrecision) << d;
    EXPECT_NEAR(*laidOut.firstTextBaseline(), line, dumpPrecision);
    EXPECT_EQ(laidOut.size().height, 13); // the logo, centred on the name, sticks out of neither

    // A bar above a text: the column's baseline is the text's, below the bar and the spacing.
    const Text amount = Text::verbatim("58% left");
    const View column = VStack(HorizontalAlignment::leading, 8, {Rectangle().frame(60, 4), amount});
    EXPECT_NEAR(*layout(column, {}, {}).firstTextBaseline(), 4 + 8 + baselineOf(amount, Font(TextStyle::body)), 1e-9);
    const std::string beside =
        dump(HStack(VerticalAlignment::firstTextBaseline, 8, {Text::verbatim("Codex"), column}), {});
    EXPECT_NEAR(topOf(beside, "Text \"58% left\""), topOf(beside, "Text \"Codex\""), dumpPrecision) << beside;

    // Views without any text align by their bottom edges and give their container no baseline.
    const View pictures = HStack(VerticalAlignment::firstTextBaseline, 0, {Rectangle().frame(10, 30), Circle().frame(10, 10)});
    EXPECT_EQ(layout(pictures, {}, {}).firstTextBaseline(), std::nullopt);
    EXPECT_EQ(topOf(dump(pictures, {}), "Circle"), 20);
}

TEST(Layout, framesPaddingLayersAndOverlaysCarryTheirTextsBaseline) {
    const Text codex = Text::verbatim("Codex");
    const double b = baselineOf(codex, Font(TextStyle::body));
    auto baseline = [](const View& v) { return layout(v, {}, {}).firstTextBaseline(); };
    EXPECT_NEAR(*baseline(codex.padding(EdgeInsets{5, 0, 0, 0})), 5 + b, 1e-9);
    EXPECT_NEAR(*baseline(codex.frame(80, 40, Alignment::bottom)), 40 - 16 + b, 1e-9);
    EXPECT_NEAR(*baseline(codex.frame(FrameBounds{.minHeight = 30})), 7 + b, 1e-9);
    EXPECT_NEAR(*baseline(ZStack(Alignment::center, {Rectangle().frame(30, 30), codex})), 7 + b, 1e-9);
    // An overlay or background never lends its baseline to the view it decorates, nor takes one from it.
    EXPECT_NEAR(*baseline(codex.background(Rectangle().frame(30, 30))), b, 1e-9);
    EXPECT_EQ(baseline(Rectangle().frame(30, 30).overlay(codex)), std::nullopt);
    EXPECT_EQ(baseline(Rectangle().padding(4)), std::nullopt);
    // Layers aligned on their baselines: the shape's bottom meets the text's baseline.
    const std::string layers = dump(ZStack(Alignment{HorizontalAlignment::leading, VerticalAlignment::firstTextBaseline},
                                           {Rectangle().frame(4, 30), codex}),
                                    {});
    EXPECT_NEAR(topOf(layers, "Text \"Codex\"") + b, 30, dumpPrecision) << layers;
    // A symbol at its own size stands on the baseline like a glyph; a resizable one is a picture.
    EXPECT_TRUE(baseline(Image::system("clock")).has_value());
    EXPECT_EQ(baseline(Image::system("clock").resizable().frame(12, 12)), std::nullopt);
}

TEST(Layout, framesWithMaximumWidthTakeTheOfferAndAlignTheirContent) {
    const Text codex = Text::verbatim("Codex");
    EXPECT_EQ(dump(codex.frame(FrameBounds{.maxWidth = infinity, .alignment = Alignment::trailing}), {200.0, 50.0}),
              "frame(maxWidth inf) (0, 0, 200 × 16)\n"
              "  Text \"Codex\" (160.32, 0, 39.68 × 16) body regular 13pt primary\n");
    // A bounded maximum stops growing there; without an offer the frame hugs its content.
    EXPECT_EQ(layout(codex.frame(FrameBounds{.maxWidth = 100}), {}, {200.0, 50.0}).size(), (Size{100, 16}));
    EXPECT_NEAR(layout(codex.frame(FrameBounds{.maxWidth = infinity}), {}, {}).size().width, 39.68, 0.01);
    // A fixed frame takes exactly its lengths and centres its content.
    EXPECT_EQ(dump(codex.frame(94, std::nullopt, Alignment::leading), {}),
              "frame(width 94, height nil) (0, 0, 94 × 16)\n"
              "  Text \"Codex\" (0, 0, 39.68 × 16) body regular 13pt primary\n");
}

TEST(Layout, probeRecordsWhatTheStackProposed) {
    auto log = std::make_shared<std::vector<ProposedSize>>();
    const View v = HStack(VerticalAlignment::center, 10, {Rectangle().frame(20, 10), Probe(log, Rectangle())});
    (void)layout(v, {}, {100.0, 30.0});
    // The stack measured the probe's flexibility (zero and infinity), then offered it the rest.
    ASSERT_EQ(log->size(), 3u);
    EXPECT_EQ((*log)[0], (ProposedSize{infinity, 30.0}));
    EXPECT_EQ((*log)[1], (ProposedSize{0.0, 30.0}));
    EXPECT_EQ((*log)[2], (ProposedSize{70.0, 30.0}));
    // fixedSize offers nothing; a fixed frame offers its own lengths.
    log->clear();
    (void)layout(Probe(log, Rectangle()).fixedSize(), {}, {100.0, 30.0});
    EXPECT_EQ(log->back(), ProposedSize::unspecified());
    log->clear();
    (void)layout(Probe(log, Rectangle()).frame(12, 12), {}, {100.0, 30.0});
    EXPECT_EQ(log->back(), (ProposedSize{12.0, 12.0}));
}

TEST(Layout, aspectRatioFitsTheOfferAndGeometryReaderSeesItsSize) {
    EXPECT_EQ(layout(Rectangle().aspectRatio(0.5, ContentMode::fit), {}, {100.0, 100.0}).size(), (Size{50, 100}));
    EXPECT_EQ(layout(Rectangle().aspectRatio(2, ContentMode::fit), {}, {100.0, 100.0}).size(), (Size{100, 50}));
    Size seen;
    (void)layout(GeometryReader([&](Size s) {
                     seen = s;
                     return View(Rectangle());
                 }).frame(std::nullopt, 4),
                 {}, {120.0, 50.0});
    EXPECT_EQ(seen, (Size{120, 4}));
    // Its content starts at the top-leading corner: the top right in right to left.
    const View reader = GeometryReader([](Size) { return View(Rectangle().frame(20, 10)); }).frame(100, 30);
    EXPECT_NE(dump(reader, {}).find("    Rectangle (0, 0, 20 × 10)"), std::string::npos) << dump(reader, {});
    EXPECT_NE(dump(reader, {}, rightToLeft()).find("    Rectangle (80, 0, 20 × 10)"), std::string::npos)
        << dump(reader, {}, rightToLeft());
}

TEST(Layout, textWrapsTruncatesAndScales) {
    const Text message = Text::verbatim("Install or use a supported AI coding tool to start tracking usage.");
    EXPECT_EQ(dump(message, {120.0, std::nullopt}), "Text \"Install or use a\n"
                                                     "supported AI\n"
                                                     "coding tool to start\n"
                                                     "tracking usage.\" (0, 0, 117.19 × 64) body regular 13pt primary\n");
    EXPECT_EQ(dump(message.lineLimit(2), {120.0, std::nullopt}),
              "Text \"Install or use a\nsupported AI codi…\" (0, 0, 120 × 32) body regular 13pt lines 2 primary\n");
    // An offered height of one line truncates after the first line.
    EXPECT_EQ(layout(message, {}, {120.0, 20.0}).size().height, 16);
    // It shrinks before it truncates, down to its minimum scale factor.
    const Text tokens = Text::verbatim("12.8M tokens today");
    EXPECT_EQ(dump(tokens.lineLimit(1).minimumScaleFactor(0.7), {100.0, std::nullopt}),
              "Text \"12.8M tokens today\" (0, 0, 99.61 × 13.28) body regular 13pt scaled 0.83 lines 1 primary\n");
    EXPECT_EQ(dump(tokens.lineLimit(1).minimumScaleFactor(0.7), {60.0, std::nullopt}),
              "Text \"12.8M token…\" (0, 0, 60 × 11.2) body regular 13pt scaled 0.7 lines 1 primary\n");
    // Ideal size: one unwrapped line.
    EXPECT_EQ(layout(message, {}, {}).size().height, 16);
}

TEST(Layout, widgetContentSitsInsideTheMargins) {
    Environment e;
    e.widgetFamily = WidgetFamily::systemMedium;
    const auto laidOut = layoutWidget(Rectangle(), e);
    EXPECT_EQ(laidOut.size(), (Size{364, 170}));
    EXPECT_EQ(laidOut.layoutDump(), "Rectangle (16, 16, 332 × 138) fill primary\n");
    // A host may ask for any size; a size smaller than the margins leaves the content nothing.
    EXPECT_EQ(layoutWidget(Rectangle(), e, {200, 100}).layoutDump(), "Rectangle (16, 16, 168 × 68) fill primary\n");
    EXPECT_EQ(layoutWidget(Rectangle(), e, {20, 20}).layoutDump(), "Rectangle (16, 16, 0 × 0) fill primary\n");
}

} // namespace
} // namespace platform::ui

namespace platform::ui {
namespace {

TEST(Layout, layersOverlaysAndBackgroundsTakeTheSizeOfWhatTheyDecorate) {
    const View badge = Rectangle().frame(30, 10).overlay(Circle(), Alignment::trailing);
    EXPECT_EQ(dump(badge, {}), "frame(width 30, height 10) (0, 0, 30 × 10)\n"
                               "  Rectangle (0, 0, 30 × 10) fill primary\n"
                               "overlay (0, 0, 30 × 10)\n"
                               "  Circle (0, 0, 30 × 10) fill primary\n");
    EXPECT_EQ(layout(Text::verbatim("Codex").padding(4).background(Capsule()), {}, {}).size(),
              layout(Text::verbatim("Codex").padding(4), {}, {}).size());
    const View layers = ZStack(Alignment::bottomTrailing, {Rectangle().frame(40, 40), Rectangle().frame(10, 10)});
    EXPECT_NE(dump(layers, {}).find("Rectangle (30, 30, 10 × 10)"), std::string::npos);
}

TEST(Layout, spacersPushContentToTheEndsOfVerticalStacks) {
    const View v = VStack(HorizontalAlignment::leading, 8,
                          {Text::verbatim("Tallyfox"), Spacer(0), Text::verbatim("Next reset")});
    const std::string d = dump(v, {138.0, 138.0});
    EXPECT_NE(d.find("Spacer (0, 24, 0 × 90) min 0"), std::string::npos) << d;
    EXPECT_NE(d.find("Text \"Next reset\" (0, 122,"), std::string::npos) << d;
    // Outside a stack a spacer takes what it is offered.
    EXPECT_EQ(layout(Spacer(4), {}, {20.0, 30.0}).size(), (Size{20, 30}));
    EXPECT_EQ(layout(Spacer(4), {}, {}).size(), (Size{4, 4}));
}

TEST(Layout, columnsWithMaximumWidthsShareAStackEqually) {
    // The medium layout's two columns: each stretched to the width, content at the leading edge.
    auto column = [](const char* name) {
        return VStack(HorizontalAlignment::leading, 6, {Text::verbatim(name), Rectangle().frame(std::nullopt, 4)})
            .frame(FrameBounds{.maxWidth = infinity, .alignment = Alignment::leading});
    };
    const auto laidOut = layout(HStack(VerticalAlignment::top, 16, {column("Codex"), column("Claude Code")}), {},
                                {332.0, 138.0});
    const std::string d = laidOut.layoutDump();
    EXPECT_NE(d.find("  frame(maxWidth inf) (0, 0, 158 × 26)"), std::string::npos) << d;
    EXPECT_NE(d.find("  frame(maxWidth inf) (174, 0, 158 × 26)"), std::string::npos) << d;
    EXPECT_NE(d.find("Rectangle (174, 22, 158 × 4)"), std::string::npos) << d;
}

TEST(Layout, fixedSizeInOneAxisKeepsTheIdealWidthButWrapsNothingElse) {
    const Text name = Text::verbatim("Tallyfox");
    const double ideal = layout(name, {}, {}).size().width;
    const View header = HStack(VerticalAlignment::center, 5,
                               {name.fixedSize(true, false), Spacer(4), Text::verbatim("12 minutes ago").lineLimit(1)});
    const std::string d = dump(header, {80.0, std::nullopt});
    EXPECT_NE(d.find("Text \"Tallyfox\" (0, 0, " + detail::formatLength(ideal) + " × 16)"), std::string::npos) << d;
    EXPECT_NE(d.find("…"), std::string::npos) << d; // the other text gives way
}

TEST(Layout, verticalStackBaselineIsItsFirstChildsAndAlignsInRows) {
    const View twoLines = VStack(HorizontalAlignment::leading, 0,
                                 {Text::verbatim("5-hour").font(Font(TextStyle::caption)), Text::verbatim("58%")});
    const View row = HStack(VerticalAlignment::firstTextBaseline, 4,
                            {Text::verbatim("Codex").font(Font(TextStyle::title2)), twoLines});
    const auto laidOut = layout(row, {}, {});
    const std::string d = laidOut.layoutDump();
    // The caption's baseline meets the title's: it starts lower by the difference of their ascents.
    EXPECT_NE(d.find("Text \"5-hour\" ("), std::string::npos);
    const auto captionTop = std::stod(d.substr(d.find(", ", d.find("Text \"5-hour\" (")) + 2));
    EXPECT_GT(captionTop, 5);
    EXPECT_LT(captionTop, 9);
}

TEST(Layout, environmentKeysFlowDownAndInnerValuesWin) {
    struct Style {
        using Value = int;
        static Value defaultValue() { return 7; }
    };
    struct Reader {
        std::shared_ptr<std::vector<int>> seen;
        View body(const Environment& e) const {
            seen->push_back(e.value<Style>());
            return EmptyView();
        }
    };
    auto seen = std::make_shared<std::vector<int>>();
    (void)layout(VStack({Reader{seen}, VStack({Reader{seen}}).environment<Style>(2)}).environment<Style>(1), {}, {});
    (void)layout(Reader{seen}, {}, {});
    EXPECT_EQ(*seen, (std::vector<int>{1, 2, 7}));
}

TEST(Layout, descriptiveModifiersAreKeptWithoutChangingLayout) {
    const View plain = Text::verbatim("clock");
    const View described = plain.help("Updated 5 minutes ago").animation(Animation::spring(0.35, 1, 0), "42");
    EXPECT_EQ(layout(described, {}, {}).size(), layout(plain, {}, {}).size());
    EXPECT_EQ(dump(described, {}), "animation spring(response 0.35, damping 1, blend 0) on 42\n"
                                   "  help \"Updated 5 minutes ago\"\n"
                                   "    Text \"clock\" (0, 0, 32.43 × 16) body regular 13pt primary\n");
}

} // namespace
} // namespace platform::ui
