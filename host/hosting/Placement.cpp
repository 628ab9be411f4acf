#include "host/hosting/Placement.hpp"

#include <algorithm>

namespace widgethost {

WindowPosition columnPosition(const std::vector<std::pair<std::int64_t, platform::ui::Size>>& widgets,
                              std::int64_t number, int width, int height) {
    constexpr int margin = 24, gap = 12;
    int right = width - margin; // the right edge of the column being filled
    int y = margin, columnWidth = 0;
    for (const auto& [placed, size] : widgets) {
        const int w = static_cast<int>(size.width), h = static_cast<int>(size.height);
        // A widget that does not fit below the column's last starts a new column, unless it would be
        // the column's first anyway.
        if (y > margin && y + h > height - margin) {
            right -= columnWidth + gap;
            y = margin;
            columnWidth = 0;
        }
        if (placed == number) return {std::max(0, right - w), y};
        y += h + gap;
        columnWidth = std::max(columnWidth, w);
    }
    return {std::max(0, width - margin), margin};
}

std::string outputFor(const KeptPlace& kept, const std::vector<std::string>& outputs, const std::string& current) {
    const auto has = [&](const std::string& name) {
        return !name.empty() && std::find(outputs.begin(), outputs.end(), name) != outputs.end();
    };
    if (has(kept.output)) return kept.output;
    if (has(current)) return current;
    return outputs.empty() ? std::string() : outputs.front();
}

WindowPosition placeFor(const KeptPlace& kept, const std::string& output, const OutputArea& area,
                        const std::function<WindowPosition(int width, int height)>& newPlace) {
    if (const auto found = kept.outputs.find(output); found != kept.outputs.end()) return found->second;
    const WindowPosition inArea = newPlace(area.width, area.height);
    return {area.x + inArea.x, area.y + inArea.y};
}

WindowPosition keptWithin(WindowPosition place, int width, int height, const OutputArea& area) {
    if (area.width > 0) place.x = std::clamp(place.x, area.x, area.x + std::max(0, area.width - width));
    if (area.height > 0) place.y = std::clamp(place.y, area.y, area.y + std::max(0, area.height - height));
    return place;
}

WindowPosition screenPosition(WindowPosition logical, const OutputArea& monitor, int scale) {
    return {(monitor.x + logical.x) * scale, (monitor.y + logical.y) * scale};
}

} // namespace widgethost
