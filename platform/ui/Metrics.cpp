#include "platform/ui/Metrics.hpp"

namespace platform::ui::metrics {

namespace {

struct WidgetSizeRow {
    WidgetFamily family;
    Size size;
};
constexpr WidgetSizeRow widgetSizes[] = {
    {WidgetFamily::systemSmall, {170, 170}},
    {WidgetFamily::systemMedium, {364, 170}},
    {WidgetFamily::systemLarge, {364, 382}},
};

struct TextStyleRow {
    TextStyle style;
    TextStyleMetrics metrics;
};
constexpr TextStyleRow textStyles[] = {
    {TextStyle::largeTitle, {26, FontWeight::regular, 32}},
    {TextStyle::title, {22, FontWeight::regular, 26}},
    {TextStyle::title2, {17, FontWeight::regular, 22}},
    {TextStyle::title3, {15, FontWeight::regular, 20}},
    {TextStyle::headline, {13, FontWeight::bold, 16}},
    {TextStyle::body, {13, FontWeight::regular, 16}},
    {TextStyle::callout, {12, FontWeight::regular, 15}},
    {TextStyle::subheadline, {11, FontWeight::regular, 14}},
    {TextStyle::footnote, {10, FontWeight::regular, 13}},
    {TextStyle::caption, {10, FontWeight::regular, 13}},
    {TextStyle::caption2, {10, FontWeight::medium, 13}},
};

// Hierarchical levels: light and dark at standard contrast, then at increased contrast, where
// secondary and tertiary move one step towards primary.
struct HierarchicalRow {
    HierarchicalLevel level;
    double lightAlpha, darkAlpha, lightIncreasedAlpha, darkIncreasedAlpha;
};
constexpr HierarchicalRow hierarchicalLevels[] = {
    {HierarchicalLevel::primary, 0.847, 0.847, 0.847, 0.847},
    {HierarchicalLevel::secondary, 0.498, 0.549, 0.65, 0.70},
    {HierarchicalLevel::tertiary, 0.259, 0.247, 0.45, 0.45},
    {HierarchicalLevel::quaternary, 0.098, 0.098, 0.098, 0.098},
};

struct SystemColorRow {
    SystemColor color;
    Color light;
    Color dark;
};
const SystemColorRow systemColors[] = {
    {SystemColor::accent, Color::rgb255(0, 122, 255), Color::rgb255(10, 132, 255)},
    {SystemColor::orange, Color::rgb255(255, 149, 0), Color::rgb255(255, 159, 10)},
    {SystemColor::red, Color::rgb255(255, 59, 48), Color::rgb255(255, 69, 58)},
    {SystemColor::widgetBackground, Color::rgb255(246, 246, 246), Color::rgb255(30, 30, 30)},
};

constexpr std::string_view latinFamily = "Inter";
constexpr std::string_view hebrewFamily = "Noto Sans Hebrew";
constexpr std::string_view japaneseFamily = "Noto Sans CJK JP";
constexpr std::string_view koreanFamily = "Noto Sans CJK KR";
constexpr std::string_view lastFallbackFamily = "DejaVu Sans";

} // namespace

Size widgetSize(WidgetFamily family) {
    for (const auto& row : widgetSizes)
        if (row.family == family) return row.size;
    return widgetSizes[1].size;
}

TextStyleMetrics textStyle(TextStyle style) {
    for (const auto& row : textStyles)
        if (row.style == style) return row.metrics;
    return textStyles[5].metrics;
}

Color hierarchicalColor(HierarchicalLevel level, ColorScheme scheme, ColorSchemeContrast contrast) {
    for (const auto& row : hierarchicalLevels) {
        if (row.level != level) continue;
        const bool increased = contrast == ColorSchemeContrast::increased;
        if (scheme == ColorScheme::dark)
            return Color{1, 1, 1, increased ? row.darkIncreasedAlpha : row.darkAlpha};
        return Color{0, 0, 0, increased ? row.lightIncreasedAlpha : row.lightAlpha};
    }
    return Color{0, 0, 0, 1};
}

Color systemColor(SystemColor color, ColorScheme scheme) {
    for (const auto& row : systemColors)
        if (row.color == color) return scheme == ColorScheme::dark ? row.dark : row.light;
    return Color{};
}

std::string fontFamilies(std::string_view localeIdentifier) {
    const std::string_view language = localeIdentifier.substr(0, localeIdentifier.find_first_of("-_@"));
    std::string families{latinFamily};
    if (language == "ja" || language == "ko") {
        families = std::string(language == "ja" ? japaneseFamily : koreanFamily) + ", " + families;
        families += ", " + std::string(hebrewFamily);
    } else {
        families += ", " + std::string(hebrewFamily) + ", " + std::string(japaneseFamily);
    }
    families += ", " + std::string(lastFallbackFamily);
    return families;
}

} // namespace platform::ui::metrics
