#pragma once
// The platform's text styles (font roles) and weights.

#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

/// The platform's dynamic type roles; their sizes live in the metrics table (Metrics.hpp).
enum class TextStyle {
    largeTitle,
    title,
    title2,
    title3,
    headline,
    body,
    callout,
    subheadline,
    footnote,
    caption,
    caption2
};

enum class FontWeight { ultraLight, thin, light, regular, medium, semibold, bold, heavy, black };

/// A font role with an optional weight over the role's default, and whether digits are tabular.
struct Font {
    TextStyle style = TextStyle::body;
    std::optional<FontWeight> weight;
    bool monospacedDigit = false;

    Font() = default;
    Font(TextStyle textStyle) : style(textStyle) {}

    /// The same role at `newWeight`.
    Font withWeight(FontWeight newWeight) const {
        Font f = *this;
        f.weight = newWeight;
        return f;
    }
    Font semibold() const { return withWeight(FontWeight::semibold); }
    /// The same font with digits of equal width (OpenType tabular figures).
    Font withMonospacedDigit() const {
        Font f = *this;
        f.monospacedDigit = true;
        return f;
    }
    /// The weight in effect: the explicit one, else the role's default.
    FontWeight effectiveWeight() const;
    /// "caption2 medium 10pt", "caption semibold 10pt tnum" for dumps.
    std::string description() const;

    bool operator==(const Font&) const = default;
};

/// A font the renderer draws with whose package is not installed, and what takes its place.
struct MissingFont {
    enum class Kind { text, symbols };
    std::string family;  ///< "Inter"
    std::string package; ///< the Debian package that brings it, "fonts-inter"
    Kind kind = Kind::text;
    /// The family that draws its text instead ("DejaVu Sans"); empty when no installed font covers
    /// it (its characters show as boxes). An icon font's symbols that matter are drawn instead.
    std::string fallback;

    bool operator==(const MissingFont&) const = default;
};

/// The renderer's fonts that are not installed, in the order the renderer prefers them.
std::vector<MissingFont> missingFonts();

std::string toString(TextStyle style);
std::string toString(FontWeight weight);

} // namespace platform::ui
