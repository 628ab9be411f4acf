#pragma once
// What the host publishes for the GNOME Shell extension, decided without D-Bus or GTK: the widget's
// menu as the flat list of items the extension shows, and when a new picture goes to the shell alone.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace widgethost {

/// One entry of a menu model: an item, or a section or submenu of entries.
struct MenuEntry {
    enum class Kind { item, section, submenu };
    Kind kind = Kind::item;
    std::string label; ///< an item's or submenu's
    std::string action, target;
    std::vector<MenuEntry> entries; ///< a section's or submenu's
};

/// A menu item as the extension gets it: the submenu it is in ("" for the top), its label, and the
/// action and target it runs; four empty strings between sections.
struct ShellMenuItem {
    std::string submenu, label, action, target;
    bool operator==(const ShellMenuItem&) const = default;
};

/// The menu in the extension's order: a section starts after a separator unless it comes first or
/// right after one; a submenu's items name it (a submenu in a submenu names the inner one).
std::vector<ShellMenuItem> flattenMenu(const std::vector<MenuEntry>& menu);

/// Whether the menu offers an item that runs `action` with `target`: the extension may ask for no
/// other.
bool menuOffers(const std::vector<ShellMenuItem>& items, std::string_view action, std::string_view target);

/// A picture's size in device pixels.
struct PictureSize {
    int width = 0, height = 0;
    bool operator==(const PictureSize&) const = default;
};

/// Whether a picture drawn anew (`drawn`; none where it could not be drawn) is told to the shell
/// alone, so that it fetches just the picture (a countdown's seconds): only in place of one of the
/// same size (`shown`), while what the shell reads of the widget, its accessibility elements, stayed
/// the same. A first picture, or one resized or at another scale, goes with a fresh look at the widget.
bool pictureGoesAlone(std::optional<PictureSize> shown, std::optional<PictureSize> drawn, bool elementsUnchanged);

} // namespace widgethost
