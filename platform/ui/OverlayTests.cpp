// Overlays, backgrounds and layers: the size of what they decorate.

#include "platform/ui/LayoutTestSupport.hpp"

#include <gtest/gtest.h>

namespace platform::ui {
namespace {

using namespace layouttest;

TEST(Overlay, layersOverlaysAndBackgroundsTakeTheSizeOfWhatTheyDecorate) {
    const View badge = Rectangle().frame(30, 10).overlay(Circle(), Alignment::trailing);
    EXPECT_EQ(dump(badge, {}), "frame(width 30, height 10) (0, 0, 30 × 10)\n"
                               "  Rectangle (0, 0, 30 × 10) fill primary\n"
                               "overlay (0, 0, 30 × 10)\n"
                               "  Circle (0, 0, 30 × 10) fill primary\n");
    EXPECT_EQ(layout(Text::verbatim("Codex").padding(4).background(Capsule()), {}, {}).size(),
              layout(Text::verbatim("Codex").padding(4), {}, {}).size());
    const View layers =
        ZStack(Alignment::bottomTrailing, {Rectangle().frame(40, 40), Rectangle().frame(10, 10)});
    EXPECT_NE(dump(layers, {}).find("Rectangle (30, 30, 10 × 10)"), std::string::npos);
}

} // namespace
} // namespace platform::ui
