#include "platform/ui/Font.hpp"

#include "platform/ui/Element.hpp"
#include "platform/ui/Metrics.hpp"

namespace platform::ui {

FontWeight Font::effectiveWeight() const { return weight.value_or(metrics::textStyle(style).defaultWeight); }

std::string Font::description() const {
    std::string s = toString(style) + " " + toString(effectiveWeight()) + " " +
                    detail::formatLength(metrics::textStyle(style).size) + "pt";
    if (monospacedDigit) s += " tnum";
    return s;
}

std::string toString(TextStyle style) {
    static const char* names[] = {"largeTitle", "title", "title2",   "title3",  "headline", "body",
                                  "callout",    "subheadline", "footnote", "caption", "caption2"};
    return names[static_cast<int>(style)];
}

std::string toString(FontWeight weight) {
    static const char* names[] = {"ultraLight", "thin", "light", "regular", "medium",
                                  "semibold",   "bold", "heavy", "black"};
    return names[static_cast<int>(weight)];
}

} // namespace platform::ui
