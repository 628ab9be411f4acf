#include "host/hosting/ShellDesktopRules.hpp"

#include <algorithm>

namespace widgethost {

namespace {

void flatten(const std::vector<MenuEntry>& menu, const std::string& submenu, std::vector<ShellMenuItem>& items) {
    for (const MenuEntry& entry : menu) {
        switch (entry.kind) {
        case MenuEntry::Kind::section:
            if (!items.empty() && !items.back().label.empty()) items.push_back({});
            flatten(entry.entries, submenu, items);
            break;
        case MenuEntry::Kind::submenu:
            flatten(entry.entries, entry.label, items);
            break;
        case MenuEntry::Kind::item:
            items.push_back({submenu, entry.label, entry.action, entry.target});
            break;
        }
    }
}

} // namespace

std::vector<ShellMenuItem> flattenMenu(const std::vector<MenuEntry>& menu) {
    std::vector<ShellMenuItem> items;
    flatten(menu, "", items);
    return items;
}

bool menuOffers(const std::vector<ShellMenuItem>& items, std::string_view action, std::string_view target) {
    return std::any_of(items.begin(), items.end(), [&](const ShellMenuItem& item) {
        return !item.action.empty() && item.action == action && item.target == target;
    });
}

bool pictureGoesAlone(std::optional<PictureSize> shown, std::optional<PictureSize> drawn, bool elementsUnchanged) {
    return shown && drawn && *shown == *drawn && elementsUnchanged;
}

} // namespace widgethost
