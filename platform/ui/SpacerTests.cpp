// Spacers: the free room of a stack, and what they take outside one.

#include "platform/ui/LayoutTestSupport.hpp"

#include <gtest/gtest.h>

namespace platform::ui {
namespace {

using namespace layouttest;

TEST(Spacer, spacersPushContentToTheEndsOfVerticalStacks) {
    const View v = VStack(HorizontalAlignment::leading, 8,
                          {Text::verbatim("Tallyfox"), Spacer(0), Text::verbatim("Next reset")});
    const std::string d = dump(v, {138.0, 138.0});
    const Rect top = frameOf(d, "Text \"Tallyfox\""), spacer = frameOf(d, "Spacer"),
               bottom = frameOf(d, "Text \"Next reset\"");
    EXPECT_NEAR(top.minY(), 0, dumpSlack);
    EXPECT_TRUE(isNear(spacer, Rect{{0, top.maxY() + 8}, {0, bottom.minY() - 8 - top.maxY() - 8}})) << d;
    EXPECT_NEAR(bottom.maxY(), 138, dumpSlack) << d;
    // Outside a stack a spacer takes what it is offered.
    EXPECT_EQ(layout(Spacer(4), {}, {20.0, 30.0}).size(), (Size{20, 30}));
    EXPECT_EQ(layout(Spacer(4), {}, {}).size(), (Size{4, 4}));
}

} // namespace
} // namespace platform::ui
