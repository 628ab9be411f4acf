#pragma once
// Resolution-independent outlines that shapes yield for a rectangle.

#include "platform/ui/Geometry.hpp"

#include <string>
#include <vector>

namespace platform::ui {

/// How rounded corners are drawn: circular arcs, or the platform's smooth (curvature-continuous) corners.
enum class RoundedCornerStyle { circular, continuous };

/// An outline made of subpaths; rectangles are kept as such so that tests and dumps can read them.
class Path {
public:
    struct Element {
        enum class Kind { move, line, curve, close, rect } kind;
        Point points[3];
        Rect rect;
        bool operator==(const Element&) const = default;
    };

    void moveTo(Point p);
    void lineTo(Point p);
    void curveTo(Point control1, Point control2, Point end);
    void closeSubpath();
    void addRect(Rect rect);
    /// An ellipse inscribed in `rect` (four cubic curves).
    void addEllipse(Rect rect);
    /// A rectangle with all four corners rounded by `radius` (clamped to half the shorter side).
    void addRoundedRect(Rect rect, double radius, RoundedCornerStyle style);

    const std::vector<Element>& elements() const { return elements_; }
    bool isEmpty() const { return elements_.empty(); }
    /// The rectangles added with addRect, in order.
    std::vector<Rect> rects() const;
    /// Smallest rectangle holding every point of the path (control points included).
    Rect boundingRect() const;

    bool operator==(const Path&) const = default;

private:
    std::vector<Element> elements_;
};

} // namespace platform::ui
