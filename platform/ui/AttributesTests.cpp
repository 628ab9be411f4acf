// Descriptive attributes: kept in the tree, never changing the layout.

#include "platform/ui/LayoutTestSupport.hpp"

#include <gtest/gtest.h>

namespace platform::ui {
namespace {

using namespace layouttest;

TEST(Attributes, descriptiveModifiersAreKeptWithoutChangingLayout) {
    const View plain = Text::verbatim("clock");
    const View described = plain.help("Updated 5 minutes ago").animation(Animation::spring(0.35, 1, 0), "42");
    EXPECT_EQ(layout(described, {}, {}).size(), layout(plain, {}, {}).size());
    EXPECT_EQ(dump(described, {}), "animation spring(response 0.35, damping 1, blend 0) on 42\n"
                                   "  help \"Updated 5 minutes ago\"\n"
                                   "    " +
                                       dump(plain, {}));
}

} // namespace
} // namespace platform::ui
