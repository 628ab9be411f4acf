#include "host/surfaces/gnome/ShellDesktop.hpp"

#include <glib.h>
#include <gtest/gtest.h>
#include <tuple>

namespace widgethost {
namespace {

std::tuple<int, int, int, int> parts(const OutputArea& area) { return {area.x, area.y, area.width, area.height}; }

TEST(ShellDesktop, theShellsPanelsAreKeptOutOfTheWorkAreaInTheOutputsLogicalPixels) {
    ShellDesktop desktop(nullptr, {}); // without a bus it still keeps what the extension says
    // Until the extension says, the whole output.
    EXPECT_EQ(parts(desktop.workArea("Meta-0", 1280, 720)), std::make_tuple(0, 0, 1280, 720));

    // Per output: its width in the stage's pixels, then the insets left, top, right, bottom.
    desktop.takeWorkAreas(g_variant_new_parsed("[('Meta-0', 1280, 0, 32, 0, 0), ('HDMI-1', 3840, 0, 96, 150, 0),"
                                               " ('DP-2', 200, 120, 0, 120, 0), ('no-width', 0, 0, 32, 0, 0),"
                                               " ('negative', 1920, -1, 0, 0, 0)]"));
    // A top bar of 32 pixels on a stage that counts logical pixels.
    EXPECT_EQ(parts(desktop.workArea("Meta-0", 1280, 720)), std::make_tuple(0, 32, 1280, 688));
    // A stage counting device pixels at scale 2: the insets halve.
    EXPECT_EQ(parts(desktop.workArea("HDMI-1", 1920, 1080)), std::make_tuple(0, 48, 1845, 1032));
    // Panels wider than the output leave an empty area, never a negative one.
    EXPECT_EQ(parts(desktop.workArea("DP-2", 200, 100)), std::make_tuple(120, 0, 0, 100));
    // What cannot be right is dropped: those outputs are whole again, as is one never named.
    EXPECT_EQ(parts(desktop.workArea("no-width", 800, 600)), std::make_tuple(0, 0, 800, 600));
    EXPECT_EQ(parts(desktop.workArea("negative", 1920, 1080)), std::make_tuple(0, 0, 1920, 1080));
    EXPECT_EQ(parts(desktop.workArea("eDP-1", 1920, 1080)), std::make_tuple(0, 0, 1920, 1080));

    // A later report replaces the earlier one as a whole.
    desktop.takeWorkAreas(g_variant_new_parsed("[('HDMI-1', 1920, 0, 0, 0, 64)]"));
    EXPECT_EQ(parts(desktop.workArea("Meta-0", 1280, 720)), std::make_tuple(0, 0, 1280, 720));
    EXPECT_EQ(parts(desktop.workArea("HDMI-1", 1920, 1080)), std::make_tuple(0, 0, 1920, 1016));
}

} // namespace
} // namespace widgethost
