#include "TallyfoxWidget/TallyfoxWidgetEntryView.hpp"

#include <algorithm>

namespace tallyfox {

namespace ui = platform::ui;

ui::View TallyfoxWidgetEntryView::body(const ui::Environment&) const {
    // The layouts come next; until then every entry shows the product's name.
    return ui::Text::verbatim("Tallyfox");
}

std::optional<std::string_view> languageOverride(const std::optional<WidgetSnapshot>& snapshot) {
    if (!snapshot || !snapshot->language()) return std::nullopt;
    const std::string& language = *snapshot->language();
    const auto* found = std::find(std::begin(widgetLanguages) + 1, std::end(widgetLanguages), language);
    if (found == std::end(widgetLanguages)) return std::nullopt;
    return *found;
}

ui::View tallyfoxWidgetContent(const TallyfoxWidgetEntry& entry, ui::WidgetFamily family) {
    return ui::View(TallyfoxWidgetEntryView{entry}).widgetFamily(family);
}

} // namespace tallyfox
