// The GNOME Shell extension's menu and when a picture goes to it alone.
#include "host/hosting/ShellDesktopRules.hpp"

#include <gtest/gtest.h>

namespace widgethost {
namespace {

using Kind = MenuEntry::Kind;

MenuEntry item(std::string label, std::string action, std::string target = "") {
    return {Kind::item, std::move(label), std::move(action), std::move(target), {}};
}

TEST(ShellMenu, sectionsAreSeparatedOnceAndSubmenusNameTheirItems) {
    const std::vector<MenuEntry> menu{
        {Kind::section, "", "", "", {item("Edit Widget…", "widget.edit"),
                                     {Kind::submenu, "Size", "", "", {item("Small", "widget.size", "systemSmall"),
                                                                      item("Large", "widget.size", "systemLarge")}}}},
        {Kind::section, "", "", "", {}},
        {Kind::section, "", "", "", {item("Quit", "widget.quit")}},
    };
    const std::vector<ShellMenuItem> expected{
        {"", "Edit Widget…", "widget.edit", ""},
        {"Size", "Small", "widget.size", "systemSmall"},
        {"Size", "Large", "widget.size", "systemLarge"},
        {},
        // The empty section leaves no second separator.
        {"", "Quit", "widget.quit", ""},
    };
    EXPECT_EQ(flattenMenu(menu), expected);
    // A first section has nothing to be separated from.
    EXPECT_EQ(flattenMenu({{Kind::section, "", "", "", {item("Add Widget", "widget.add")}}}),
              (std::vector<ShellMenuItem>{{"", "Add Widget", "widget.add", ""}}));

    // Only what the menu offers runs: the action with its own target, and never a separator.
    EXPECT_TRUE(menuOffers(expected, "widget.size", "systemLarge"));
    EXPECT_FALSE(menuOffers(expected, "widget.size", "systemMedium"));
    EXPECT_FALSE(menuOffers(expected, "widget.edit", "x"));
    EXPECT_FALSE(menuOffers(expected, "", ""));
}

TEST(ShellPictures, aPictureGoesAloneOnlyInPlaceOfOneOfItsSizeWhileTheElementsStay) {
    const PictureSize medium{658, 310};
    // A countdown's seconds.
    EXPECT_TRUE(pictureGoesAlone(medium, medium, true));
    // A first picture, a new size or scale, new elements, a picture that could not be drawn.
    EXPECT_FALSE(pictureGoesAlone(std::nullopt, medium, true));
    EXPECT_FALSE(pictureGoesAlone(medium, PictureSize{1316, 620}, true));
    EXPECT_FALSE(pictureGoesAlone(medium, medium, false));
    EXPECT_FALSE(pictureGoesAlone(medium, std::nullopt, true));
}

} // namespace
} // namespace widgethost
