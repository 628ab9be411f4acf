#include "platform/ui/Color.hpp"

#include "platform/ui/Element.hpp"
#include "platform/ui/Environment.hpp"
#include "platform/ui/Metrics.hpp"

namespace platform::ui {

ShapeStyle ShapeStyle::hierarchical(HierarchicalLevel level) {
    ShapeStyle s;
    s.kind_ = Kind::hierarchical;
    s.level_ = level;
    return s;
}
ShapeStyle ShapeStyle::system(SystemColor color) {
    ShapeStyle s;
    s.kind_ = Kind::system;
    s.systemColor_ = color;
    return s;
}
ShapeStyle ShapeStyle::fixed(Color color) {
    ShapeStyle s;
    s.kind_ = Kind::fixed;
    s.colors_ = {color, color};
    return s;
}
ShapeStyle ShapeStyle::dynamic(DynamicColor color) {
    ShapeStyle s;
    s.kind_ = Kind::dynamic;
    s.colors_ = color;
    return s;
}

ShapeStyle ShapeStyle::opacity(double factor) const {
    ShapeStyle s = *this;
    s.opacity_ *= factor;
    return s;
}

Color ShapeStyle::resolve(const Environment& environment) const {
    Color c;
    switch (kind_) {
    case Kind::hierarchical:
        c = metrics::hierarchicalColor(level_, environment.colorScheme, environment.colorSchemeContrast);
        break;
    case Kind::system: c = metrics::systemColor(systemColor_, environment.colorScheme); break;
    case Kind::fixed: c = colors_.light; break;
    // A dynamic colour takes its dark variant only when the appearance is dark.
    case Kind::dynamic: c = environment.colorScheme == ColorScheme::dark ? colors_.dark : colors_.light; break;
    }
    return c.withAlphaMultiplied(opacity_);
}

std::string ShapeStyle::description() const {
    std::string s;
    switch (kind_) {
    case Kind::hierarchical: {
        static const char* names[] = {"primary", "secondary", "tertiary", "quaternary"};
        s = names[static_cast<int>(level_)];
        break;
    }
    case Kind::system: {
        static const char* names[] = {"accent", "orange", "red", "widgetBackground"};
        s = names[static_cast<int>(systemColor_)];
        break;
    }
    case Kind::fixed: s = detail::formatColor(colors_.light); break;
    case Kind::dynamic: s = detail::formatColor(colors_.light) + "|" + detail::formatColor(colors_.dark); break;
    }
    if (opacity_ != 1) s += " opacity " + detail::formatLength(opacity_);
    return s;
}

} // namespace platform::ui
