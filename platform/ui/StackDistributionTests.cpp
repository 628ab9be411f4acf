#include "platform/ui/StackDistribution.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace platform::ui {
namespace {

// Children for the tests: a fixed one (always 30), a flexible one (takes any offer), and a text-like
// one (takes the offer up to its ideal 50, down to a minimum of 10).
enum class Kind { fixed30, flexible, text50, spacer };

std::vector<StackAllotment> distribute(const std::vector<Kind>& kinds, std::optional<double> available,
                                       double spacing = 0, double spacerMin = 0) {
    std::vector<StackChild> children;
    for (Kind k : kinds) children.push_back({k == Kind::spacer, spacerMin});
    return distributeStack(children, available, spacing, [&](std::size_t i, std::optional<double> offer) -> double {
        switch (kinds[i]) {
        case Kind::fixed30: return 30;
        case Kind::flexible: return offer.value_or(10);
        case Kind::text50: return offer ? std::clamp(*offer, 10.0, 50.0) : 50;
        case Kind::spacer: return 0;
        }
        return 0;
    });
}

std::vector<double> lengths(const std::vector<StackAllotment>& a) {
    std::vector<double> out;
    for (const auto& x : a) out.push_back(x.length);
    return out;
}

TEST(StackDistribution, idealLengthsWhenNothingIsOffered) {
    EXPECT_EQ(lengths(distribute({Kind::fixed30, Kind::flexible, Kind::text50, Kind::spacer}, std::nullopt, 0, 4)),
              (std::vector<double>{30, 10, 50, 4}));
}

TEST(StackDistribution, leastFlexibleChildrenAreServedFirstAcrossASweepOfWidths) {
    // fixed, text and flexible: the fixed child keeps 30, the text its ideal while it fits,
    // the flexible child takes the rest.
    for (double width : {200.0, 120.0, 90.0, 60.0}) {
        SCOPED_TRACE(width);
        const auto l = lengths(distribute({Kind::flexible, Kind::text50, Kind::fixed30}, width, 10));
        EXPECT_EQ(l[2], 30);
        const double rest = width - 10 - 30;
        EXPECT_EQ(l[1], std::clamp(rest / 2, 10.0, 50.0));
        EXPECT_EQ(l[0], std::max(0.0, rest - l[1]));
    }
}

TEST(StackDistribution, spacersTakeWhatIsLeftAndKeepTheirMinimum) {
    // Two texts around a spacer: the texts get their ideal, the spacer the rest.
    auto l = lengths(distribute({Kind::text50, Kind::spacer, Kind::text50}, 200, 0, 4));
    EXPECT_EQ(l, (std::vector<double>{50, 100, 50}));
    // Too narrow: the spacer's minimum is set aside before the texts are served.
    l = lengths(distribute({Kind::text50, Kind::spacer, Kind::text50}, 64, 0, 4));
    EXPECT_EQ(l, (std::vector<double>{30, 4, 30}));
    // Two spacers share the rest equally.
    l = lengths(distribute({Kind::spacer, Kind::fixed30, Kind::spacer}, 100));
    EXPECT_EQ(l, (std::vector<double>{35, 30, 35}));
}

TEST(StackDistribution, equallyFlexibleChildrenShareEqually) {
    const auto a = distribute({Kind::flexible, Kind::flexible}, 116, 16);
    EXPECT_EQ(a[0], (StackAllotment{50.0, 50}));
    EXPECT_EQ(a[1], (StackAllotment{50.0, 50}));
}

TEST(StackDistribution, overflowOffersZeroAndNeverNegative) {
    const auto a = distribute({Kind::fixed30, Kind::flexible, Kind::fixed30}, 40, 8);
    EXPECT_EQ(lengths(a), (std::vector<double>{30, 0, 30}));
    EXPECT_EQ(a[1].proposed, 0.0);
}

TEST(StackDistribution, unboundedOfferStaysUnbounded) {
    const auto a = distribute({Kind::fixed30, Kind::flexible, Kind::spacer}, std::numeric_limits<double>::infinity());
    EXPECT_EQ(a[0].length, 30);
    EXPECT_TRUE(std::isinf(a[1].length));
    EXPECT_FALSE(std::isnan(a[2].length));
}

} // namespace
} // namespace platform::ui
