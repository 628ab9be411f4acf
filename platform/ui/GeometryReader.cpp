// Geometry readers: content built for the size the reader is given.

#include "platform/ui/ContainerElements.hpp"

namespace platform::ui::detail {

namespace {

class GeometryReaderElement final : public Element {
public:
    GeometryReaderElement(EnvironmentPtr environment, std::function<View(Size)> content)
        : Element(std::move(environment)), content_(std::move(content)) {}
    void place(Rect bounds, ProposedSize) override {
        frame_ = bounds;
        child_ = resolveView(content_(bounds.size), environment_);
        const Measured m = child_->measure(bounds.size);
        // The content's origin is the reader's top-leading corner.
        const double x = environment_->layoutDirection == LayoutDirection::rightToLeft
                             ? bounds.maxX() - m.size.width
                             : bounds.minX();
        child_->place(Rect{{x, bounds.minY()}, m.size}, bounds.size);
    }
    void dump(DumpWriter& writer) const override {
        writer.line("GeometryReader " + frameText());
        if (!child_) return;
        ++writer.depth;
        child_->dump(writer);
        --writer.depth;
    }
    void forEachChild(const std::function<void(const Element&)>& visit) const override {
        if (child_) visit(*child_);
    }
    /// Content built for a size names no background for the widget's container.
    const ShapeStyle* containerBackground() const override { return nullptr; }

protected:
    Measured computeMeasure(ProposedSize p) override { return takingTheOffer(p); }

private:
    std::function<View(Size)> content_;
    ElementPtr child_;
};

} // namespace

ElementPtr makeGeometryReaderElement(EnvironmentPtr environment, std::function<View(Size)> content) {
    return std::make_shared<GeometryReaderElement>(std::move(environment), std::move(content));
}

} // namespace platform::ui::detail

namespace platform::ui {

View GeometryReader(std::function<View(Size)> content) {
    return detail::elementView([content = std::move(content)](const detail::EnvironmentPtr& environment) {
        return detail::makeGeometryReaderElement(environment, content);
    });
}

} // namespace platform::ui
