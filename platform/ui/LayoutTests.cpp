// The layout rules across kinds: baselines through modifiers and layers, the widget margins, the
// environment.

#include "platform/ui/LayoutTestSupport.hpp"

#include <gtest/gtest.h>

namespace platform::ui {
namespace {

using namespace layouttest;

TEST(Layout, framesPaddingLayersAndOverlaysCarryTheirTextsBaseline) {
    const Text codex = Text::verbatim("Codex");
    const double b = baselineOf(codex, Font(TextStyle::body));
    auto baseline = [](const View& v) { return layout(v, {}, {}).firstTextBaseline(); };
    EXPECT_NEAR(*baseline(codex.padding(EdgeInsets{5, 0, 0, 0})), 5 + b, 1e-9);
    const double height = idealSize(codex).height;
    EXPECT_NEAR(*baseline(codex.frame(80, 40, Alignment::bottom)), 40 - height + b, 1e-9);
    EXPECT_NEAR(*baseline(codex.frame(FrameBounds{.minHeight = 30})), (30 - height) / 2 + b, 1e-9);
    EXPECT_NEAR(*baseline(ZStack(Alignment::center, {Rectangle().frame(30, 30), codex})),
                (30 - height) / 2 + b, 1e-9);
    // An overlay or background never lends its baseline to the view it decorates, nor takes one from it.
    EXPECT_NEAR(*baseline(codex.background(Rectangle().frame(30, 30))), b, 1e-9);
    EXPECT_EQ(baseline(Rectangle().frame(30, 30).overlay(codex)), std::nullopt);
    EXPECT_EQ(baseline(Rectangle().padding(4)), std::nullopt);
    // Layers aligned on their baselines: the shape's bottom meets the text's baseline.
    const std::string layers =
        dump(ZStack(Alignment{HorizontalAlignment::leading, VerticalAlignment::firstTextBaseline},
                    {Rectangle().frame(4, 30), codex}),
             {});
    EXPECT_NEAR(topOf(layers, "Text \"Codex\"") + b, 30, dumpPrecision) << layers;
    // A symbol at its own size stands on the baseline like a glyph; a resizable one is a picture.
    EXPECT_TRUE(baseline(Image::system("clock")).has_value());
    EXPECT_EQ(baseline(Image::system("clock").resizable().frame(12, 12)), std::nullopt);
}

TEST(Layout, widgetContentSitsInsideTheMargins) {
    Environment e;
    e.widgetFamily = WidgetFamily::systemMedium;
    const auto laidOut = layoutWidget(Rectangle(), e);
    EXPECT_EQ(laidOut.size(), (Size{364, 170}));
    EXPECT_EQ(laidOut.layoutDump(), "Rectangle (16, 16, 332 × 138) fill primary\n");
    // A host may ask for any size; a size smaller than the margins leaves the content nothing.
    EXPECT_EQ(layoutWidget(Rectangle(), e, {200, 100}).layoutDump(),
              "Rectangle (16, 16, 168 × 68) fill primary\n");
    EXPECT_EQ(layoutWidget(Rectangle(), e, {20, 20}).layoutDump(),
              "Rectangle (16, 16, 0 × 0) fill primary\n");
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
    (void)layout(VStack({Reader{seen}, VStack({Reader{seen}}).environment<Style>(2)}).environment<Style>(1),
                 {}, {});
    (void)layout(Reader{seen}, {}, {});
    EXPECT_EQ(*seen, (std::vector<int>{1, 2, 7}));
}

} // namespace
} // namespace platform::ui
