// Flexible frames: the offer clamped to their bounds, the content aligned inside.

#include "platform/ui/LayoutTestSupport.hpp"

#include <gtest/gtest.h>

namespace platform::ui {
namespace {

using namespace layouttest;

TEST(FlexibleFrame, aMaximumWidthTakesTheOfferAndAlignsTheContent) {
    const Text codex = Text::verbatim("Codex");
    EXPECT_EQ(
        dump(codex.frame(FrameBounds{.maxWidth = infinity, .alignment = Alignment::trailing}), {200.0, 50.0}),
        "frame(maxWidth inf) (0, 0, 200 × 16)\n"
        "  Text \"Codex\" (160.32, 0, 39.68 × 16) body regular 13pt primary\n");
    // A bounded maximum stops growing there; without an offer the frame hugs its content.
    EXPECT_EQ(layout(codex.frame(FrameBounds{.maxWidth = 100}), {}, {200.0, 50.0}).size(), (Size{100, 16}));
    EXPECT_NEAR(layout(codex.frame(FrameBounds{.maxWidth = infinity}), {}, {}).size().width, 39.68, 0.01);
}

} // namespace
} // namespace platform::ui
