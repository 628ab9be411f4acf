#include "platform/widgetkit/WidgetFamily.hpp"

#include <array>

namespace platform::widgetkit {
namespace {

struct Names {
    WidgetFamily family;
    std::string_view full;
    std::string_view shortForm;
};
constexpr std::array<Names, 3> names{{
    {WidgetFamily::systemSmall, "systemSmall", "small"},
    {WidgetFamily::systemMedium, "systemMedium", "medium"},
    {WidgetFamily::systemLarge, "systemLarge", "large"},
}};

} // namespace

std::string_view name(WidgetFamily family) {
    for (const auto& entry : names)
        if (entry.family == family) return entry.full;
    return "systemMedium";
}

std::optional<WidgetFamily> widgetFamily(std::string_view text) {
    for (const auto& entry : names)
        if (text == entry.full || text == entry.shortForm) return entry.family;
    return std::nullopt;
}

} // namespace platform::widgetkit
