#pragma once
// Internal: text shaping and measuring through Pango, with the platform's own font set.

#include "platform/ui/Color.hpp"
#include "platform/ui/Environment.hpp"
#include "platform/ui/Font.hpp"
#include "platform/ui/Geometry.hpp"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

typedef struct _cairo cairo_t;
typedef struct _PangoLayout PangoLayout;

namespace platform::ui::detail {

/// The font a text is shaped in: resolved from a role, weight, locale and scale.
struct TextFontSpec {
    std::string families;
    double size = 13;
    double lineHeight = 16;
    FontWeight weight = FontWeight::regular;
    bool tabularDigits = false;

    static TextFontSpec from(const Font& font, const std::string& localeIdentifier, double scale = 1);
};

/// One run of a shaped line: characters of one direction and font, as placed.
struct ShapedRun {
    std::string text;
    /// The line it is on, from 0 at the top.
    int line = 0;
    /// From the left edge of the text's frame.
    double x = 0;
    double width = 0;
    bool rightToLeft = false;
    /// The face Pango chose, as fontconfig names it ("Noto Sans CJK JP Bold 10").
    std::string font;
};

/// The direction a text's paragraphs are laid out in: that of its first strong character, unless it
/// begins with a neutral one (a space, punctuation, a symbol) or has none; then the layout's.
LayoutDirection paragraphDirection(const std::string& text, LayoutDirection layoutDirection);

/// One shaped paragraph block, ready to measure, dump and draw.
class ShapedText {
public:
    /// Shapes `text` in a layout of `direction`, wrapping at `width` when given; with `maxLines` > 0
    /// the text stops at that many lines and ends with an ellipsis when it does not fit. Wrapped
    /// lines line up with the layout's leading edge.
    ShapedText(const std::string& text, const TextFontSpec& fontSpec, LayoutDirection direction,
               std::optional<double> width, int maxLines, bool ellipsize);
    ~ShapedText();
    ShapedText(const ShapedText&) = delete;
    ShapedText& operator=(const ShapedText&) = delete;

    Size size() const { return size_; }
    double firstBaseline() const { return baseline_; }
    int lineCount() const { return lines_; }
    /// The characters as drawn, lines joined by line feeds, with "…" where the text was cut.
    std::string drawnText() const;
    /// Every run of every line, lines from the top, runs from the left.
    std::vector<ShapedRun> runs() const;
    void draw(cairo_t* cr, Point origin, const Color& color) const;

private:
    PangoLayout* layout_ = nullptr;
    Size size_;
    double baseline_ = 0;
    double logicalX_ = 0; // where the lines start inside the wrap width (right-to-left lines end at it)
    int lines_ = 0;
};

/// Pango and fontconfig are not thread-safe; every use of them holds this lock.
std::recursive_mutex& textLock();

/// Draws one character of an icon font centred in `box`, filling at most `fill` of its shorter side.
/// Returns false when the font has no glyph for it.
bool drawIconGlyph(cairo_t* cr, const std::string& family, char32_t codepoint, Rect box, double fill,
                   const Color& color);
/// Draws `letter` in the text font, centred in `box`, `size` points high.
void drawCenteredLetter(cairo_t* cr, const std::string& letter, Rect box, double size, FontWeight weight,
                        const Color& color);

} // namespace platform::ui::detail
