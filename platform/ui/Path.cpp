#include "platform/ui/Path.hpp"

#include <cmath>

namespace platform::ui {

void Path::moveTo(Point p) { elements_.push_back({Element::Kind::move, {p, {}, {}}, {}}); }
void Path::lineTo(Point p) { elements_.push_back({Element::Kind::line, {p, {}, {}}, {}}); }
void Path::curveTo(Point c1, Point c2, Point end) { elements_.push_back({Element::Kind::curve, {c1, c2, end}, {}}); }
void Path::closeSubpath() { elements_.push_back({Element::Kind::close, {}, {}}); }
void Path::addRect(Rect rect) { elements_.push_back({Element::Kind::rect, {}, rect}); }

void Path::addEllipse(Rect r) {
    // Four cubic quarter-arcs; 0.5523 is the usual control-point ratio for a circle.
    constexpr double k = 0.5522847498;
    const double cx = r.midX(), cy = r.midY(), rx = r.width() / 2, ry = r.height() / 2;
    moveTo({cx + rx, cy});
    curveTo({cx + rx, cy + k * ry}, {cx + k * rx, cy + ry}, {cx, cy + ry});
    curveTo({cx - k * rx, cy + ry}, {cx - rx, cy + k * ry}, {cx - rx, cy});
    curveTo({cx - rx, cy - k * ry}, {cx - k * rx, cy - ry}, {cx, cy - ry});
    curveTo({cx + k * rx, cy - ry}, {cx + rx, cy - k * ry}, {cx + rx, cy});
    closeSubpath();
}

namespace {

// One corner in a local frame: the corner point `c`, the unit direction `a` along the edge the
// outline arrives on (pointing away from the corner) and `b` along the edge it leaves on.
struct CornerFrame {
    Point c;
    Point a;
    Point b;
    Point at(double alongA, double alongB) const {
        return {c.x + a.x * alongA + b.x * alongB, c.y + a.y * alongA + b.y * alongB};
    }
};

// Continuous corners: each corner is two cubic curves meeting on the diagonal. The first two control
// points of each curve lie on the straight edge, so curvature rises from zero where the edge ends
// (no visible kink, unlike a circular arc); the curves meet at the point a circular corner of the
// same radius passes through. The corner reaches 1.528 × radius along each edge, the extent of the
// platform's smooth corners, and shrinks to half the shorter side for capsules.
void addContinuousCorner(Path& path, const CornerFrame& f, double radius, double extent) {
    const double m = radius * (1 - std::sqrt(0.5));
    const double p1 = (extent + 2 * m) / 2;
    path.curveTo(f.at(p1, 0), f.at(2 * m, 0), f.at(m, m));
    path.curveTo(f.at(0, 2 * m), f.at(0, p1), f.at(0, extent));
}

} // namespace

void Path::addRoundedRect(Rect rect, double radius, RoundedCornerStyle style) {
    const double halfShort = std::min(rect.width(), rect.height()) / 2;
    radius = std::clamp(radius, 0.0, halfShort);
    if (radius <= 0) {
        addRect(rect);
        return;
    }
    const double minX = rect.minX(), minY = rect.minY(), maxX = rect.maxX(), maxY = rect.maxY();
    const CornerFrame corners[4] = {
        {{maxX, minY}, {-1, 0}, {0, 1}},  // top right: arrive along the top edge, leave down
        {{maxX, maxY}, {0, -1}, {-1, 0}}, // bottom right
        {{minX, maxY}, {1, 0}, {0, -1}},  // bottom left
        {{minX, minY}, {0, 1}, {1, 0}},   // top left
    };
    if (style == RoundedCornerStyle::circular) {
        constexpr double k = 0.5522847498;
        moveTo({minX + radius, minY});
        for (const auto& f : corners) {
            lineTo(f.at(radius, 0));
            curveTo(f.at(radius * (1 - k), 0), f.at(0, radius * (1 - k)), f.at(0, radius));
        }
        closeSubpath();
        return;
    }
    const double extent = std::min(radius * 1.528665, halfShort);
    moveTo({minX + extent, minY});
    for (const auto& f : corners) {
        lineTo(f.at(extent, 0));
        addContinuousCorner(*this, f, radius, extent);
    }
    closeSubpath();
}

std::vector<Rect> Path::rects() const {
    std::vector<Rect> out;
    for (const auto& e : elements_)
        if (e.kind == Element::Kind::rect) out.push_back(e.rect);
    return out;
}

Rect Path::boundingRect() const {
    bool any = false;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    auto add = [&](Point p) {
        if (!any) {
            x0 = x1 = p.x;
            y0 = y1 = p.y;
            any = true;
            return;
        }
        x0 = std::min(x0, p.x), y0 = std::min(y0, p.y), x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
    };
    for (const auto& e : elements_) {
        switch (e.kind) {
        case Element::Kind::move:
        case Element::Kind::line: add(e.points[0]); break;
        case Element::Kind::curve:
            for (const auto& p : e.points) add(p);
            break;
        case Element::Kind::rect:
            add(e.rect.origin);
            add({e.rect.maxX(), e.rect.maxY()});
            break;
        case Element::Kind::close: break;
        }
    }
    return Rect{{x0, y0}, {x1 - x0, y1 - y0}};
}

} // namespace platform::ui
