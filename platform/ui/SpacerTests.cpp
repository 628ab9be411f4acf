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
    EXPECT_NE(d.find("Spacer (0, 24, 0 × 90) min 0"), std::string::npos) << d;
    EXPECT_NE(d.find("Text \"Next reset\" (0, 122,"), std::string::npos) << d;
    // Outside a stack a spacer takes what it is offered.
    EXPECT_EQ(layout(Spacer(4), {}, {20.0, 30.0}).size(), (Size{20, 30}));
    EXPECT_EQ(layout(Spacer(4), {}, {}).size(), (Size{4, 4}));
}

} // namespace
} // namespace platform::ui
