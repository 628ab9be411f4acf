#include "host/stored/WindowPositions.hpp"

#include "platform/foundation/UserDefaults.hpp"

#include <string>

namespace widgethost {

namespace pf = platform::foundation;
using platform::foundation::PropertyListValue;
using platform::foundation::UserDefaults;

namespace {

constexpr const char* positionsKey = "Positions";

// The places as stored, and whether what is stored under their key is something else.
struct StoredPlaces {
    PropertyListValue::Dictionary positions;
    bool wrongShape = false;
};

StoredPlaces stored() {
    UserDefaults defaults(windowPositionsDomain);
    const auto domain = defaults.persistentDomain(windowPositionsDomain);
    const auto found = domain ? domain->find(positionsKey) : PropertyListValue::Dictionary::const_iterator{};
    if (!domain || found == domain->end()) return {};
    const auto* dictionary = found->second.get<PropertyListValue::Dictionary>();
    return dictionary ? StoredPlaces{*dictionary, false} : StoredPlaces{{}, true};
}

std::optional<pf::KeptDamagedFile> store(PropertyListValue::Dictionary positions, bool wrongShape) {
    std::optional<pf::KeptDamagedFile> kept;
    if (wrongShape) {
        // Places someone else wrote in a shape of their own are not ours to write over.
        auto aside = UserDefaults::keepDamagedFile(windowPositionsDomain, "its places are not a dictionary");
        if (!aside) return std::nullopt;
        kept = std::move(*aside);
    }
    auto written =
        UserDefaults(windowPositionsDomain).write(positionsKey, PropertyListValue(std::move(positions)));
    if (written && written->kept) kept = std::move(written->kept);
    return kept;
}

} // namespace

namespace {

std::optional<WindowPosition> positionIn(const PropertyListValue::Dictionary& entry) {
    const auto coordinate = [&](const char* name) -> std::optional<int> {
        const auto found = entry.find(name);
        const auto* number = found == entry.end() ? nullptr : found->second.get<std::int64_t>();
        // Anything beyond a screen's reach was not written by us.
        if (!number || *number < -100'000 || *number > 100'000) return std::nullopt;
        return static_cast<int>(*number);
    };
    const auto x = coordinate("x"), y = coordinate("y");
    if (!x || !y) return std::nullopt;
    return WindowPosition{*x, *y};
}

PropertyListValue positionValue(WindowPosition position) {
    return PropertyListValue(PropertyListValue::Dictionary{{"x", position.x}, {"y", position.y}});
}

} // namespace

std::optional<pf::DefaultsProblem> unreadableWindowPositions() {
    if (auto problem = UserDefaults(windowPositionsDomain).unreadableDomain(windowPositionsDomain))
        return problem;
    if (stored().wrongShape)
        return pf::DefaultsProblem{UserDefaults::fileForDomain(windowPositionsDomain),
                                   "its places are not a dictionary"};
    return std::nullopt;
}

std::map<std::int64_t, KeptPlace> storedWindowPositions() {
    std::map<std::int64_t, KeptPlace> places;
    for (const auto& [key, value] : stored().positions) {
        const auto* entry = value.get<PropertyListValue::Dictionary>();
        if (!entry) continue;
        KeptPlace place;
        place.screen = positionIn(*entry);
        if (const auto found = entry->find("outputs"); found != entry->end())
            if (const auto* outputs = found->second.get<PropertyListValue::Dictionary>())
                for (const auto& [name, position] : *outputs)
                    if (const auto* dictionary = position.get<PropertyListValue::Dictionary>())
                        if (const auto kept = positionIn(*dictionary)) place.outputs.emplace(name, *kept);
        if (const auto found = entry->find("output"); found != entry->end())
            if (const auto* name = found->second.get<std::string>()) place.output = *name;
        try {
            places[std::stoll(key)] = std::move(place);
        } catch (const std::exception&) {
            // A key that is not a widget number is someone else's: left alone.
        }
    }
    return places;
}

std::optional<pf::KeptDamagedFile> storeWindowPosition(std::int64_t widget, const KeptPlace& place) {
    auto [positions, wrongShape] = stored();
    PropertyListValue::Dictionary entry;
    if (place.screen) {
        entry.emplace("x", place.screen->x);
        entry.emplace("y", place.screen->y);
    }
    if (!place.outputs.empty()) {
        PropertyListValue::Dictionary outputs;
        for (const auto& [name, position] : place.outputs)
            outputs.emplace(name, positionValue(position));
        entry.emplace("outputs", PropertyListValue(std::move(outputs)));
    }
    if (!place.output.empty()) entry.emplace("output", PropertyListValue(place.output));
    positions.insert_or_assign(std::to_string(widget), PropertyListValue(std::move(entry)));
    return store(std::move(positions), wrongShape);
}

std::optional<pf::KeptDamagedFile> keepWindowPositionsOf(const std::set<std::int64_t>& placed) {
    auto [positions, wrongShape] = stored();
    const auto before = positions.size();
    std::erase_if(positions, [&](const auto& entry) {
        try {
            return !placed.contains(std::stoll(entry.first));
        } catch (const std::exception&) {
            return false;
        }
    });
    if (positions.size() == before) return std::nullopt;
    return store(std::move(positions), wrongShape);
}

} // namespace widgethost
