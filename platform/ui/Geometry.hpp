#pragma once
// Points, sizes, rectangles, insets, alignments and size proposals: the plain values of layout.

#include <algorithm>
#include <limits>
#include <optional>

namespace platform::ui {

/// Unbounded length, as in a frame whose maximum width is infinity.
inline constexpr double infinity = std::numeric_limits<double>::infinity();

struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    double width = 0;
    double height = 0;
    bool operator==(const Size&) const = default;
};

/// A rectangle in points; the vertical axis points down (origin at the top-left corner).
struct Rect {
    Point origin;
    Size size;

    double minX() const { return origin.x; }
    double minY() const { return origin.y; }
    double maxX() const { return origin.x + size.width; }
    double maxY() const { return origin.y + size.height; }
    double midX() const { return origin.x + size.width / 2; }
    double midY() const { return origin.y + size.height / 2; }
    double width() const { return size.width; }
    double height() const { return size.height; }
    /// The rectangle shrunk by `dx` on the left and right and `dy` on the top and bottom (never negative).
    Rect insetBy(double dx, double dy) const {
        return Rect{{origin.x + dx, origin.y + dy},
                    {std::max(0.0, size.width - 2 * dx), std::max(0.0, size.height - 2 * dy)}};
    }
    /// The rectangle moved by `dx` and `dy`.
    Rect offsetBy(double dx, double dy) const { return Rect{{origin.x + dx, origin.y + dy}, size}; }
    bool operator==(const Rect&) const = default;
};

/// Insets in layout terms: leading and trailing swap sides in right-to-left layouts.
struct EdgeInsets {
    double top = 0;
    double leading = 0;
    double bottom = 0;
    double trailing = 0;
    bool operator==(const EdgeInsets&) const = default;
};

/// What a parent offers a child: a length per axis, or none (the child answers its ideal length).
struct ProposedSize {
    std::optional<double> width;
    std::optional<double> height;

    static ProposedSize unspecified() { return {}; }
    static ProposedSize zero() { return {0.0, 0.0}; }
    ProposedSize(std::optional<double> w = std::nullopt, std::optional<double> h = std::nullopt)
        : width(w), height(h) {}
    ProposedSize(Size size) : width(size.width), height(size.height) {}
    /// The proposal with absent lengths replaced by `fallback`.
    Size replacingUnspecified(Size fallback) const {
        return {width.value_or(fallback.width), height.value_or(fallback.height)};
    }
    bool operator==(const ProposedSize&) const = default;
};

enum class Axis { horizontal, vertical };

enum class HorizontalAlignment { leading, center, trailing };
enum class VerticalAlignment { top, center, bottom, firstTextBaseline };

/// A two-axis alignment, as frames, overlays and stacks of layers use it.
struct Alignment {
    HorizontalAlignment horizontal = HorizontalAlignment::center;
    VerticalAlignment vertical = VerticalAlignment::center;
    bool operator==(const Alignment&) const = default;

    static const Alignment center;
    static const Alignment leading;
    static const Alignment trailing;
    static const Alignment top;
    static const Alignment bottom;
    static const Alignment topLeading;
    static const Alignment topTrailing;
    static const Alignment bottomLeading;
    static const Alignment bottomTrailing;
};

inline const Alignment Alignment::center{HorizontalAlignment::center, VerticalAlignment::center};
inline const Alignment Alignment::leading{HorizontalAlignment::leading, VerticalAlignment::center};
inline const Alignment Alignment::trailing{HorizontalAlignment::trailing, VerticalAlignment::center};
inline const Alignment Alignment::top{HorizontalAlignment::center, VerticalAlignment::top};
inline const Alignment Alignment::bottom{HorizontalAlignment::center, VerticalAlignment::bottom};
inline const Alignment Alignment::topLeading{HorizontalAlignment::leading, VerticalAlignment::top};
inline const Alignment Alignment::topTrailing{HorizontalAlignment::trailing, VerticalAlignment::top};
inline const Alignment Alignment::bottomLeading{HorizontalAlignment::leading, VerticalAlignment::bottom};
inline const Alignment Alignment::bottomTrailing{HorizontalAlignment::trailing, VerticalAlignment::bottom};

} // namespace platform::ui
