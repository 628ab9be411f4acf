#include "host/WindowPositions.hpp"

#include "platform/foundation/UserDefaults.hpp"

#include <string>

namespace widgethost {

using platform::foundation::PropertyListValue;
using platform::foundation::UserDefaults;

namespace {

constexpr const char* positionsKey = "Positions";

PropertyListValue::Dictionary stored() {
    const auto value = UserDefaults(windowPositionsDomain).object(positionsKey);
    const auto* dictionary = value ? value->get<PropertyListValue::Dictionary>() : nullptr;
    return dictionary ? *dictionary : PropertyListValue::Dictionary{};
}

void store(PropertyListValue::Dictionary positions) {
    UserDefaults(windowPositionsDomain).set(positionsKey, PropertyListValue(std::move(positions)));
}

} // namespace

std::map<std::int64_t, WindowPosition> storedWindowPositions() {
    std::map<std::int64_t, WindowPosition> positions;
    for (const auto& [key, value] : stored()) {
        const auto* entry = value.get<PropertyListValue::Dictionary>();
        if (!entry) continue;
        const auto coordinate = [&](const char* name) -> std::optional<int> {
            const auto found = entry->find(name);
            const auto* number = found == entry->end() ? nullptr : found->second.get<std::int64_t>();
            // Anything beyond a screen's reach was not written by us.
            if (!number || *number < -100'000 || *number > 100'000) return std::nullopt;
            return static_cast<int>(*number);
        };
        const auto x = coordinate("x"), y = coordinate("y");
        try {
            if (x && y) positions[std::stoll(key)] = {*x, *y};
        } catch (const std::exception&) {
            // A key that is not a widget number is someone else's: left alone.
        }
    }
    return positions;
}

void storeWindowPosition(std::int64_t widget, WindowPosition position) {
    auto positions = stored();
    positions.insert_or_assign(std::to_string(widget), PropertyListValue(PropertyListValue::Dictionary{
                                                           {"x", position.x}, {"y", position.y}}));
    store(std::move(positions));
}

void keepWindowPositionsOf(const std::set<std::int64_t>& placed) {
    auto positions = stored();
    const auto before = positions.size();
    std::erase_if(positions, [&](const auto& entry) {
        try {
            return !placed.contains(std::stoll(entry.first));
        } catch (const std::exception&) {
            return false;
        }
    });
    if (positions.size() != before) store(std::move(positions));
}

} // namespace widgethost
