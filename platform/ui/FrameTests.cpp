// Fixed frames: their lengths, the content aligned inside.

#include "platform/ui/LayoutTestSupport.hpp"

#include <gtest/gtest.h>

namespace platform::ui {
namespace {

using namespace layouttest;

TEST(Frame, takesExactlyItsLengthsAndAlignsItsContent) {
    const Text codex = Text::verbatim("Codex");
    // A fixed frame takes exactly its lengths and centres its content.
    EXPECT_EQ(dump(codex.frame(94, std::nullopt, Alignment::leading), {}),
              "frame(width 94, height nil) (0, 0, 94 × 16)\n"
              "  Text \"Codex\" (0, 0, 39.68 × 16) body regular 13pt primary\n");
}

} // namespace
} // namespace platform::ui
