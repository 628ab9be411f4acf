// Flexible frames: the offer clamped to their bounds, the content aligned inside.

#include "platform/ui/LayoutTestSupport.hpp"

#include <gtest/gtest.h>

namespace platform::ui {
namespace {

using namespace layouttest;

TEST(FlexibleFrame, aMaximumWidthTakesTheOfferAndAlignsTheContent) {
    const Text codex = Text::verbatim("Codex");
    const Size ideal = idealSize(codex);
    const std::string d =
        dump(codex.frame(FrameBounds{.maxWidth = infinity, .alignment = Alignment::trailing}), {200.0, 50.0});
    EXPECT_TRUE(isNear(frameOf(d, "frame(maxWidth inf)"), Rect{{0, 0}, {200, ideal.height}})) << d;
    const Rect text = frameOf(d, "Text \"Codex\"");
    EXPECT_NEAR(text.maxX(), 200, dumpSlack) << d;
    EXPECT_NEAR(text.width(), ideal.width, dumpSlack) << d;
    // A bounded maximum stops growing there; without an offer the frame hugs its content.
    EXPECT_EQ(layout(codex.frame(FrameBounds{.maxWidth = 100}), {}, {200.0, 50.0}).size(),
              (Size{100, ideal.height}));
    EXPECT_EQ(layout(codex.frame(FrameBounds{.maxWidth = infinity}), {}, {}).size(), ideal);
}

} // namespace
} // namespace platform::ui
