#include "host/hosting/Placement.hpp"

#include <gtest/gtest.h>

namespace widgethost {
namespace {

namespace ui = platform::ui;

const ui::Size small{170, 170}, medium{364, 170}, large{364, 382};

TEST(Placement, newWidgetsGoDownTheRightEdgeAndStartANewColumnWhereTheyWouldRunOffTheBottom) {
    const std::vector<std::pair<std::int64_t, ui::Size>> placed{{1, medium}, {2, small}, {4, large}, {7, small}};
    // A tall screen holds three of them in one column, each below the one before and never on it.
    EXPECT_EQ(columnPosition(placed, 1, 1280, 1024), (WindowPosition{892, 24}));
    EXPECT_EQ(columnPosition(placed, 2, 1280, 1024), (WindowPosition{1086, 206}));
    EXPECT_EQ(columnPosition(placed, 4, 1280, 1024), (WindowPosition{892, 388}));
    EXPECT_EQ(columnPosition(placed, 7, 1280, 1024), (WindowPosition{1086, 782}));
    // On 720 pixels the large one would run past 720 - 24: it starts the next column, left of the
    // widest of the first, and the small one after it goes below it there.
    EXPECT_EQ(columnPosition(placed, 4, 1280, 720), (WindowPosition{1280 - 24 - 364 - 12 - 364, 24}));
    EXPECT_EQ(columnPosition(placed, 7, 1280, 720), (WindowPosition{1280 - 24 - 364 - 12 - 170, 24 + 382 + 12}));
    // A widget taller than the screen still gets a place, at the top.
    EXPECT_EQ(columnPosition({{1, large}}, 1, 400, 300), (WindowPosition{12, 24}));
    // A screen narrower than the widget: at its left edge rather than off it.
    EXPECT_EQ(columnPosition({{1, medium}}, 1, 200, 800), (WindowPosition{0, 24}));
}

TEST(Placement, aWidgetShowsOnItsOwnOutputWhileItIsThereAndReturnsToItWhenItComesBack) {
    KeptPlace kept;
    kept.output = "DP-2";
    // Its own output is there: there, whatever it is on now.
    EXPECT_EQ(outputFor(kept, {"eDP-1", "DP-2"}, "eDP-1"), "DP-2");
    // Gone: it stays where it is while that output is there, else the first.
    EXPECT_EQ(outputFor(kept, {"eDP-1", "HDMI-1"}, "HDMI-1"), "HDMI-1");
    EXPECT_EQ(outputFor(kept, {"eDP-1", "HDMI-1"}, "DP-2"), "eDP-1");
    // Back again: home.
    EXPECT_EQ(outputFor(kept, {"eDP-1", "HDMI-1", "DP-2"}, "eDP-1"), "DP-2");
    // Never moved: the output it is on, else the first; no output at all: none.
    EXPECT_EQ(outputFor(KeptPlace{}, {"eDP-1", "HDMI-1"}, ""), "eDP-1");
    EXPECT_EQ(outputFor(KeptPlace{}, {"eDP-1", "HDMI-1"}, "HDMI-1"), "HDMI-1");
    EXPECT_EQ(outputFor(kept, {}, "DP-2"), "");
}

TEST(Placement, aWidgetTakesItsPlaceKeptForTheOutputElseTheColumnsFromTheAreasCorner) {
    KeptPlace kept;
    kept.outputs = {{"DP-2", {40, 50}}, {"eDP-1", {0, 0}}};
    kept.output = "DP-2";
    int asked = 0;
    std::pair<int, int> askedFor;
    const auto column = [&](int width, int height) {
        ++asked;
        askedFor = {width, height};
        return columnPosition({{3, small}}, 3, width, height);
    };
    // Each output has a place of its own, kept as it was; the column is not asked.
    EXPECT_EQ(placeFor(kept, "DP-2", {0, 32, 1280, 688}, column), (WindowPosition{40, 50}));
    EXPECT_EQ(placeFor(kept, "eDP-1", {0, 0, 1920, 1080}, column), (WindowPosition{0, 0}));
    EXPECT_EQ(asked, 0);
    // An output it was never put on: the column of an area of that size, from the area's corner
    // (below a top bar of 32 here).
    EXPECT_EQ(placeFor(kept, "HDMI-1", {0, 32, 1280, 688}, column), (WindowPosition{1280 - 24 - 170, 32 + 24}));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(askedFor, std::make_pair(1280, 688));
    // A layer surface's area is the whole output, its corner the margins' origin.
    EXPECT_EQ(placeFor(KeptPlace{}, "HDMI-1", {0, 0, 1280, 720}, column), (WindowPosition{1086, 24}));
}

TEST(Placement, theWholeWidgetIsKeptWithinItsOutputOrTheShellsWorkArea) {
    const OutputArea output{0, 0, 1920, 1080};
    // Within: where it is.
    EXPECT_EQ(keptWithin({100, 200}, 364, 170, output), (WindowPosition{100, 200}));
    EXPECT_EQ(keptWithin({1920 - 364, 1080 - 170}, 364, 170, output), (WindowPosition{1556, 910}));
    // A place off every side of the output: the nearest place where all of it shows.
    EXPECT_EQ(keptWithin({5000, -300}, 364, 170, output), (WindowPosition{1556, 0}));
    EXPECT_EQ(keptWithin({-40, 4000}, 364, 170, output), (WindowPosition{0, 910}));
    // A work area off the shell's panels: a top bar of 32 and a dock of 64 on the left.
    const OutputArea work{64, 32, 1856, 1048};
    EXPECT_EQ(keptWithin({0, 0}, 170, 170, work), (WindowPosition{64, 32}));
    EXPECT_EQ(keptWithin({1900, 1070}, 170, 170, work), (WindowPosition{1920 - 170, 1080 - 170}));
    // An area smaller than the widget: its top-left corner, never beyond it.
    EXPECT_EQ(keptWithin({300, 300}, 364, 382, {10, 20, 200, 100}), (WindowPosition{10, 20}));
    // An output whose size is not known yet bounds nothing in that direction.
    EXPECT_EQ(keptWithin({-5, 5000}, 170, 170, {0, 0, 0, 720}), (WindowPosition{-5, 550}));
    EXPECT_EQ(keptWithin({-5, 5000}, 170, 170, {}), (WindowPosition{-5, 5000}));
}

TEST(Placement, aPlaceKeptOnALargerOutputComesBackWhollyOnItWhenItReturnsSmaller) {
    // Put at the bottom right of HDMI-1 while it showed 3840 × 2160 logical pixels.
    KeptPlace kept;
    kept.outputs = {{"HDMI-1", {3400, 1900}}};
    kept.output = "HDMI-1";
    const auto column = [](int width, int height) { return columnPosition({{1, medium}}, 1, width, height); };
    const auto placed = [&](const std::vector<std::string>& outputs, const std::string& current,
                            const OutputArea& area) {
        const std::string output = outputFor(kept, outputs, current);
        return std::make_pair(output, keptWithin(placeFor(kept, output, area, column), 364, 170, area));
    };
    // HDMI-1 unplugged: the laptop's panel, in the column there.
    EXPECT_EQ(placed({"eDP-1"}, "HDMI-1", {0, 0, 1280, 800}),
              std::make_pair(std::string("eDP-1"), WindowPosition{1280 - 24 - 364, 24}));
    // Back at scale 2, so half as many logical pixels: home again, at its bottom right.
    EXPECT_EQ(placed({"eDP-1", "HDMI-1"}, "eDP-1", {0, 0, 1920, 1080}),
              std::make_pair(std::string("HDMI-1"), WindowPosition{1920 - 364, 1080 - 170}));
}

TEST(Placement, anX11PlaceIsTheMonitorsLogicalPlaceCountedInTheScreensDevicePixels) {
    EXPECT_EQ(screenPosition({892, 24}, {0, 0, 1280, 1024}, 1), (WindowPosition{892, 24}));
    // A monitor right of another, at scale 2: its corner and the place both double.
    EXPECT_EQ(screenPosition({892, 24}, {1920, 0, 1280, 720}, 2), (WindowPosition{(1920 + 892) * 2, 48}));
    EXPECT_EQ(screenPosition({0, 0}, {0, 1080, 1920, 1080}, 3), (WindowPosition{0, 3240}));
}

} // namespace
} // namespace widgethost
