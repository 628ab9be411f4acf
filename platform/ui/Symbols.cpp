#include "platform/ui/Symbols.hpp"

#include "platform/foundation/Logger.hpp"
#include "platform/ui/Element.hpp"
#include "platform/ui/Path.hpp"
#include "platform/ui/TextEngine.hpp"

#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <regex>
#include <set>
#include <sstream>

namespace platform::ui::detail {

namespace {

// The name lists the icon-font packages ship: Material Icons' SCSS map ("name": codepoint) and
// Font Awesome's stylesheet (.fa-name:before { content: "\fxxx"; }).
constexpr const char* materialNameList = "/usr/share/fonts-material-design-icons-iconfont/scss/_variables.scss";
constexpr const char* fontAwesomeNameList = "/usr/share/fonts-font-awesome/css/font-awesome.css";
constexpr const char* materialFamily = "Material Icons";
constexpr const char* fontAwesomeFamily = "FontAwesome";

enum class SymbolSource { material, fontAwesome, sparkle, dashedCircle, letterSquare };

struct SymbolRow {
    const char* name;
    SymbolSource source;
    const char* iconName; // the icon's name in its font's list, or the letter of a letter square
};

constexpr SymbolRow symbolTable[] = {
    {"terminal", SymbolSource::material, "terminal"},
    {"asterisk", SymbolSource::fontAwesome, "asterisk"},
    {"sparkle", SymbolSource::sparkle, ""},
    {"circle.hexagonpath", SymbolSource::material, "hexagon"},
    {"sparkles", SymbolSource::material, "auto_awesome"},
    {"chevron.left.forwardslash.chevron.right", SymbolSource::fontAwesome, "code"},
    {"circle.dashed", SymbolSource::dashedCircle, ""},
    {"wind", SymbolSource::material, "air"},
    {"square.stack.3d.up", SymbolSource::material, "layers"},
    {"moon", SymbolSource::fontAwesome, "moon-o"},
    {"arrow.triangle.branch", SymbolSource::fontAwesome, "code-fork"},
    {"cloud", SymbolSource::material, "cloud"},
    {"cursorarrow", SymbolSource::fontAwesome, "mouse-pointer"},
    {"magnifyingglass", SymbolSource::material, "search"},
    {"waveform", SymbolSource::material, "graphic_eq"},
    {"z.square", SymbolSource::letterSquare, "Z"},
    {"m.square", SymbolSource::letterSquare, "M"},
    {"exclamationmark.triangle.fill", SymbolSource::material, "warning"},
    {"exclamationmark.circle.fill", SymbolSource::material, "error"},
    {"clock", SymbolSource::material, "schedule"},
};

const SymbolRow* findSymbol(const std::string& name) {
    for (const auto& row : symbolTable)
        if (name == row.name) return &row;
    return nullptr;
}

std::map<std::string, char32_t> readNameList(const char* file, const std::regex& pattern) {
    std::map<std::string, char32_t> names;
    std::ifstream in(file);
    if (!in) return names;
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string text = buffer.str();
    for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it)
        names.emplace((*it)[1].str(), static_cast<char32_t>(std::stoul((*it)[2].str(), nullptr, 16)));
    return names;
}

struct NameLists {
    std::map<std::string, char32_t> material;
    std::map<std::string, char32_t> fontAwesome;
};

const NameLists& nameLists() {
    static const NameLists lists = [] {
        NameLists l;
        l.material = readNameList(materialNameList, std::regex(R"re("([a-z0-9_]+)":\s*([0-9a-fA-F]+))re"));
        l.fontAwesome = readNameList(
            fontAwesomeNameList, std::regex(R"re(\.fa-([a-z0-9-]+):before\s*\{\s*content:\s*"\\([0-9a-fA-F]+)")re"));
        return l;
    }();
    return lists;
}

std::optional<char32_t> codepointFor(const SymbolRow& row) {
    const auto& list = row.source == SymbolSource::material ? nameLists().material : nameLists().fontAwesome;
    const auto it = list.find(row.iconName);
    if (it == list.end()) return std::nullopt;
    return it->second;
}

void logOnce(const std::string& message) {
    static std::mutex lock;
    static std::set<std::string> logged;
    {
        std::lock_guard guard(lock);
        if (!logged.insert(message).second) return;
    }
    static const foundation::Logger logger("com.tallyfox.platform", "ui");
    logger.info(message);
}

double strokeFactor(FontWeight weight) {
    switch (weight) {
    case FontWeight::ultraLight:
    case FontWeight::thin:
    case FontWeight::light: return 0.8;
    case FontWeight::regular: return 1.0;
    case FontWeight::medium: return 1.1;
    case FontWeight::semibold: return 1.25;
    default: return 1.4;
    }
}

void setColor(cairo_t* cr, const Color& c) { cairo_set_source_rgba(cr, c.red, c.green, c.blue, c.alpha); }

// A four-pointed star whose sides curve in towards the centre.
void drawSparkle(cairo_t* cr, Rect box, const Color& color) {
    const double r = std::min(box.width(), box.height()) * 0.46, cx = box.midX(), cy = box.midY();
    const double pinch = r * 0.12;
    const Point tips[4] = {{cx, cy - r}, {cx + r, cy}, {cx, cy + r}, {cx - r, cy}};
    cairo_new_path(cr);
    cairo_move_to(cr, tips[0].x, tips[0].y);
    for (int i = 0; i < 4; ++i) {
        const Point from = tips[i], to = tips[(i + 1) % 4];
        // Both controls near the centre, on the side of the segment facing it.
        const double mx = cx + ((from.x - cx) + (to.x - cx)) * pinch / r;
        const double my = cy + ((from.y - cy) + (to.y - cy)) * pinch / r;
        cairo_curve_to(cr, mx, my, mx, my, to.x, to.y);
    }
    cairo_close_path(cr);
    setColor(cr, color);
    cairo_fill(cr);
}

void drawDashedCircle(cairo_t* cr, Rect box, FontWeight weight, const Color& color) {
    const double side = std::min(box.width(), box.height());
    const double lineWidth = side * 0.09 * strokeFactor(weight);
    const double r = side / 2 * 0.86 - lineWidth / 2;
    const double circumference = 2 * M_PI * r;
    const double dash[] = {circumference / 24, circumference / 24};
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_arc(cr, box.midX(), box.midY(), r, 0, 2 * M_PI);
    cairo_set_dash(cr, dash, 2, 0);
    cairo_set_line_width(cr, lineWidth);
    setColor(cr, color);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void drawLetterSquare(cairo_t* cr, const std::string& letter, Rect box, FontWeight weight, const Color& color) {
    const double side = std::min(box.width(), box.height()) * 0.86;
    const double lineWidth = side * 0.085 * strokeFactor(weight);
    const Rect square{{box.midX() - side / 2 + lineWidth / 2, box.midY() - side / 2 + lineWidth / 2},
                      {side - lineWidth, side - lineWidth}};
    Path path;
    path.addRoundedRect(square, side * 0.22, RoundedCornerStyle::continuous);
    cairo_save(cr);
    cairo_new_path(cr);
    appendPath(cr, path);
    cairo_set_line_width(cr, lineWidth);
    setColor(cr, color);
    cairo_stroke(cr);
    cairo_restore(cr);
    drawCenteredLetter(cr, letter, box, side * 0.62,
                       weight >= FontWeight::semibold ? FontWeight::bold : FontWeight::semibold, color);
}

// The symbols that say something about a quota (a warning, an error, stale data) are drawn by the
// host when their icon font is not installed, so that a missing font package never hides a warning.
enum class DrawnFallback { none, warningTriangle, errorCircle, clock };

DrawnFallback drawnFallback(const std::string& name) {
    if (name == "exclamationmark.triangle.fill") return DrawnFallback::warningTriangle;
    if (name == "exclamationmark.circle.fill") return DrawnFallback::errorCircle;
    if (name == "clock") return DrawnFallback::clock;
    return DrawnFallback::none;
}

// An exclamation mark as two sub-paths (bar and dot), `height` high, centred on (cx, cy); with the
// even-odd rule it cuts out of the shape drawn around it.
void appendExclamationMark(cairo_t* cr, double cx, double cy, double height) {
    const double barWidth = height * 0.2, dot = barWidth * 0.6;
    const double top = cy - height / 2, barBottom = top + height * 0.66;
    cairo_new_sub_path(cr);
    cairo_rectangle(cr, cx - barWidth / 2, top, barWidth, barBottom - top);
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy + height / 2 - dot, dot, 0, 2 * M_PI);
}

void drawWarningTriangle(cairo_t* cr, Rect box, const Color& color) {
    const double side = std::min(box.width(), box.height()) * 0.92;
    const double h = side * std::sqrt(3.0) / 2, cx = box.midX(), top = box.midY() - h / 2;
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_move_to(cr, cx, top);
    cairo_line_to(cr, cx + side / 2, top + h);
    cairo_line_to(cr, cx - side / 2, top + h);
    cairo_close_path(cr);
    appendExclamationMark(cr, cx, top + h * 0.62, h * 0.5);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    setColor(cr, color);
    cairo_fill(cr);
    cairo_restore(cr);
}

void drawErrorCircle(cairo_t* cr, Rect box, const Color& color) {
    const double r = std::min(box.width(), box.height()) * 0.45;
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_arc(cr, box.midX(), box.midY(), r, 0, 2 * M_PI);
    appendExclamationMark(cr, box.midX(), box.midY(), r * 1.15);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    setColor(cr, color);
    cairo_fill(cr);
    cairo_restore(cr);
}

void drawClock(cairo_t* cr, Rect box, FontWeight weight, const Color& color) {
    const double side = std::min(box.width(), box.height());
    const double lineWidth = side * 0.09 * strokeFactor(weight);
    const double r = side * 0.43 - lineWidth / 2, cx = box.midX(), cy = box.midY();
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    cairo_new_sub_path(cr);
    cairo_move_to(cr, cx, cy - r * 0.6);
    cairo_line_to(cr, cx, cy);
    cairo_line_to(cr, cx + r * 0.45, cy + r * 0.3);
    cairo_set_line_width(cr, lineWidth);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    setColor(cr, color);
    cairo_stroke(cr);
    cairo_restore(cr);
}

bool drawFallback(cairo_t* cr, const std::string& name, Rect box, FontWeight weight, const Color& color) {
    switch (drawnFallback(name)) {
    case DrawnFallback::warningTriangle: drawWarningTriangle(cr, box, color); return true;
    case DrawnFallback::errorCircle: drawErrorCircle(cr, box, color); return true;
    case DrawnFallback::clock: drawClock(cr, box, weight, color); return true;
    case DrawnFallback::none: return false;
    }
    return false;
}

} // namespace

std::string symbolSourceDescription(const std::string& name) {
    const SymbolRow* row = findSymbol(name);
    if (!row) return "unknown";
    if (row->source != SymbolSource::material && row->source != SymbolSource::fontAwesome) return "drawn";
    const auto cp = codepointFor(*row);
    if (!cp) return drawnFallback(name) != DrawnFallback::none ? "drawn" : "missing";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s U+%04X", row->source == SymbolSource::material ? materialFamily
                                                                                           : fontAwesomeFamily,
                  static_cast<unsigned>(*cp));
    return buffer;
}

void drawSymbol(cairo_t* cr, const std::string& name, Rect box, FontWeight weight, const Color& color) {
    const SymbolRow* row = findSymbol(name);
    if (!row) {
        logOnce("unknown symbol \"" + name + "\" draws nothing");
        return;
    }
    switch (row->source) {
    case SymbolSource::sparkle: drawSparkle(cr, box, color); return;
    case SymbolSource::dashedCircle: drawDashedCircle(cr, box, weight, color); return;
    case SymbolSource::letterSquare: drawLetterSquare(cr, row->iconName, box, weight, color); return;
    case SymbolSource::material:
    case SymbolSource::fontAwesome: break;
    }
    const auto codepoint = codepointFor(*row);
    const char* family = row->source == SymbolSource::material ? materialFamily : fontAwesomeFamily;
    // Icon-font glyphs fill their em box differently; fitting the drawn outline makes them match.
    if (codepoint && drawIconGlyph(cr, family, *codepoint, box, 0.86, color)) return;
    if (drawFallback(cr, name, box, weight, color))
        logOnce("symbol \"" + name + "\" has no glyph in " + family + "; it is drawn instead");
    else
        logOnce("symbol \"" + name + "\" has no glyph in " + family + "; it draws nothing");
}

} // namespace platform::ui::detail
