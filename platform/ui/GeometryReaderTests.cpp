// Geometry readers: content built from the size they are offered.

#include "platform/ui/LayoutTestSupport.hpp"

#include <gtest/gtest.h>

namespace platform::ui {
namespace {

using namespace layouttest;

TEST(GeometryReader, seesItsSizeAndPutsItsContentAtTheLeadingTop) {
    Size seen;
    (void)layout(GeometryReader([&](Size s) {
                     seen = s;
                     return View(Rectangle());
                 }).frame(std::nullopt, 4),
                 {}, {120.0, 50.0});
    EXPECT_EQ(seen, (Size{120, 4}));
    // Its content starts at the top-leading corner: the top right in right to left.
    const View reader = GeometryReader([](Size) { return View(Rectangle().frame(20, 10)); }).frame(100, 30);
    EXPECT_NE(dump(reader, {}).find("    Rectangle (0, 0, 20 × 10)"), std::string::npos) << dump(reader, {});
    EXPECT_NE(dump(reader, {}, rightToLeft()).find("    Rectangle (80, 0, 20 × 10)"), std::string::npos)
        << dump(reader, {}, rightToLeft());
}

} // namespace
} // namespace platform::ui
