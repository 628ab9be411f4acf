// fixedSize: the ideal size on the axes it fixes.

#include "platform/ui/LayoutTestSupport.hpp"

#include <gtest/gtest.h>

namespace platform::ui {
namespace {

using namespace layouttest;

TEST(FixedSize, fixedSizeInOneAxisKeepsTheIdealWidthButWrapsNothingElse) {
    const Text name = Text::verbatim("Tallyfox");
    const double ideal = layout(name, {}, {}).size().width;
    const View header =
        HStack(VerticalAlignment::center, 5,
               {name.fixedSize(true, false), Spacer(4), Text::verbatim("12 minutes ago").lineLimit(1)});
    const std::string d = dump(header, {80.0, std::nullopt});
    const Rect kept = frameOf(d, "Text \"Tallyfox\"");
    EXPECT_NEAR(kept.minX(), 0, dumpSlack) << d;
    EXPECT_NEAR(kept.width(), ideal, dumpSlack) << d;
    EXPECT_NE(d.find("…"), std::string::npos) << d; // the other text gives way
}

} // namespace
} // namespace platform::ui
