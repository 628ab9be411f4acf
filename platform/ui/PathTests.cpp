#include "platform/ui/Path.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace platform::ui {
namespace {

bool near(Rect a, Rect b) {
    return std::abs(a.minX() - b.minX()) < 1e-9 && std::abs(a.minY() - b.minY()) < 1e-9 &&
           std::abs(a.width() - b.width()) < 1e-9 && std::abs(a.height() - b.height()) < 1e-9;
}

TEST(Path, roundedRectanglesStayInsideTheirRectangleInBothStyles) {
    const Rect rect{{10, 20}, {100, 40}};
    for (auto style : {RoundedCornerStyle::circular, RoundedCornerStyle::continuous}) {
        for (double radius : {0.0, 4.0, 12.0, 20.0, 500.0}) {
            SCOPED_TRACE(radius);
            Path p;
            p.addRoundedRect(rect, radius, style);
            EXPECT_TRUE(near(p.boundingRect(), rect));
        }
    }
}

TEST(Path, continuousCornersReachFurtherAlongTheEdgeThanCircularOnes) {
    // A circular corner of radius 10 leaves the top edge 10 points before the corner; the smooth
    // corner leaves it about 1.53 times as far, and both pass through the same diagonal point.
    Path circular, continuous;
    circular.addRoundedRect({{0, 0}, {100, 100}}, 10, RoundedCornerStyle::circular);
    continuous.addRoundedRect({{0, 0}, {100, 100}}, 10, RoundedCornerStyle::continuous);
    EXPECT_EQ(circular.elements()[0].points[0], (Point{10, 0}));
    EXPECT_NEAR(continuous.elements()[0].points[0].x, 15.28665, 1e-9);
    // The first curve of the top-right corner ends on the diagonal, as the circle does.
    const auto& corner = continuous.elements()[2];
    ASSERT_EQ(corner.kind, Path::Element::Kind::curve);
    EXPECT_NEAR(corner.points[2].x, 100 - 10 * (1 - std::sqrt(0.5)), 1e-9);
    EXPECT_NEAR(corner.points[2].y, 10 * (1 - std::sqrt(0.5)), 1e-9);
    // Its first two control points lie on the edge: no kink where the straight edge ends.
    EXPECT_EQ(corner.points[0].y, 0);
    EXPECT_EQ(corner.points[1].y, 0);
}

TEST(Path, capsuleCornersMeetInTheMiddleOfTheShortSide) {
    Path capsule;
    capsule.addRoundedRect({{0, 0}, {50, 4}}, 2, RoundedCornerStyle::continuous);
    // Right end: the top-right corner ends half-way down, where the bottom-right one starts.
    const auto& topRightEnd = capsule.elements()[3].points[2];
    EXPECT_EQ(topRightEnd, (Point{50, 2}));
    EXPECT_TRUE(near(capsule.boundingRect(), Rect{{0, 0}, {50, 4}}));
}

TEST(Path, zeroRadiusIsAPlainRectangleAndRectsAreKept) {
    Path p;
    p.addRoundedRect({{1, 2}, {3, 4}}, 0, RoundedCornerStyle::continuous);
    p.addRect({{5, 6}, {7, 8}});
    EXPECT_EQ(p.rects(), (std::vector<Rect>{{{1, 2}, {3, 4}}, {{5, 6}, {7, 8}}}));
    EXPECT_TRUE(Path().isEmpty());
}

} // namespace
} // namespace platform::ui
