// Shapes: paths filled or stroked in the frame they are offered; rectangles, capsules, rounded
// rectangles and circles.

#include "platform/ui/Element.hpp"

#include <algorithm>
#include <cairo.h>

namespace platform::ui {

namespace detail {

void appendPath(cairo_t* cr, const Path& path) {
    for (const auto& e : path.elements()) {
        switch (e.kind) {
        case Path::Element::Kind::move:
            cairo_move_to(cr, e.points[0].x, e.points[0].y);
            break;
        case Path::Element::Kind::line:
            cairo_line_to(cr, e.points[0].x, e.points[0].y);
            break;
        case Path::Element::Kind::curve:
            cairo_curve_to(cr, e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y, e.points[2].x,
                           e.points[2].y);
            break;
        case Path::Element::Kind::close:
            cairo_close_path(cr);
            break;
        case Path::Element::Kind::rect:
            cairo_rectangle(cr, e.rect.minX(), e.rect.minY(), e.rect.width(), e.rect.height());
            break;
        }
    }
}

namespace {

void setSource(cairo_t* cr, const Color& c) {
    cairo_set_source_rgba(cr, c.red, c.green, c.blue, c.alpha);
}

class ShapeElement final : public Element {
public:
    ShapeElement(std::shared_ptr<const Environment> environment, ShapeDescription shape,
                 std::optional<ShapeStyle> fill, std::optional<std::pair<ShapeStyle, double>> stroke)
        : Element(std::move(environment)), shape_(std::move(shape)), fill_(std::move(fill)),
          stroke_(std::move(stroke)) {}

    void draw(cairo_t* cr) const override {
        cairo_save(cr);
        cairo_new_path(cr);
        if (stroke_) {
            const double lineWidth = stroke_->second;
            appendPath(cr, shape_.path(frame_.insetBy(lineWidth / 2, lineWidth / 2)));
            cairo_set_line_width(cr, lineWidth);
            setSource(cr, stroke_->first.resolve(*environment_));
            cairo_stroke(cr);
        } else {
            appendPath(cr, shape_.path(frame_));
            cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
            setSource(cr, style().resolve(*environment_));
            cairo_fill(cr);
        }
        cairo_restore(cr);
    }
    void dump(DumpWriter& writer) const override {
        std::string line = shape_.name + " " + frameText();
        if (stroke_)
            line += " strokeBorder " + stroke_->first.description() + " " + formatLength(stroke_->second);
        else
            line += " fill " + style().description();
        writer.line(line);
    }

protected:
    Measured computeMeasure(ProposedSize p) override { return takingTheOffer(p); }

private:
    ShapeStyle style() const { return fill_ ? *fill_ : environment_->foregroundStyle; }

    ShapeDescription shape_;
    std::optional<ShapeStyle> fill_;
    std::optional<std::pair<ShapeStyle, double>> stroke_;
};

} // namespace

ElementPtr makeShapeElement(std::shared_ptr<const Environment> environment, const ShapeDescription& shape,
                            std::optional<ShapeStyle> fill,
                            std::optional<std::pair<ShapeStyle, double>> strokeBorder) {
    return std::make_shared<ShapeElement>(std::move(environment), shape, std::move(fill),
                                          std::move(strokeBorder));
}

} // namespace detail

// MARK: Views

namespace {

View shapeView(detail::ShapeDescription shape, std::optional<ShapeStyle> fill,
               std::optional<std::pair<ShapeStyle, double>> stroke) {
    return detail::elementView([shape = std::move(shape), fill = std::move(fill),
                                stroke = std::move(stroke)](const detail::EnvironmentPtr& environment) {
        return detail::makeShapeElement(environment, shape, fill, stroke);
    });
}

} // namespace

Shape::Shape(std::string name, std::function<Path(Rect)> path)
    : View(shapeView(detail::ShapeDescription{name, path}, std::nullopt, std::nullopt)),
      name_(std::move(name)), path_(std::move(path)) {}
View Shape::fill(ShapeStyle style) const {
    return shapeView(detail::ShapeDescription{name_, path_}, style, std::nullopt);
}
View Shape::strokeBorder(ShapeStyle style, double lineWidth) const {
    return shapeView(detail::ShapeDescription{name_, path_}, std::nullopt, std::make_pair(style, lineWidth));
}

Shape Rectangle() {
    return Shape("Rectangle", [](Rect r) {
        Path p;
        p.addRect(r);
        return p;
    });
}
Shape Capsule(RoundedCornerStyle style) {
    return Shape("Capsule", [style](Rect r) {
        Path p;
        p.addRoundedRect(r, std::min(r.width(), r.height()) / 2, style);
        return p;
    });
}
Shape RoundedRectangle(double cornerRadius, RoundedCornerStyle style) {
    return Shape("RoundedRectangle", [cornerRadius, style](Rect r) {
        Path p;
        p.addRoundedRect(r, cornerRadius, style);
        return p;
    });
}
Shape Circle() {
    return Shape("Circle", [](Rect r) {
        const double d = std::min(r.width(), r.height());
        Path p;
        p.addEllipse(Rect{{r.midX() - d / 2, r.midY() - d / 2}, {d, d}});
        return p;
    });
}

} // namespace platform::ui
