// Fixed frames: their lengths, the content aligned inside.

#include "platform/ui/LayoutTestSupport.hpp"

#include <gtest/gtest.h>

namespace platform::ui {
namespace {

using namespace layouttest;

TEST(Frame, takesExactlyItsLengthsAndAlignsItsContent) {
    const Text codex = Text::verbatim("Codex");
    // A fixed frame takes exactly its lengths and centres its content.
    const Size ideal = idealSize(codex);
    const std::string d = dump(codex.frame(94, std::nullopt, Alignment::leading), {});
    EXPECT_TRUE(isNear(frameOf(d, "frame(width 94, height nil)"), Rect{{0, 0}, {94, ideal.height}})) << d;
    const Rect text = frameOf(d, "Text \"Codex\"");
    EXPECT_TRUE(isNear(text, Rect{{0, 0}, text.size})) << d;
    EXPECT_NEAR(text.width(), ideal.width, dumpSlack) << d;
}

} // namespace
} // namespace platform::ui
