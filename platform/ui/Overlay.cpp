// Overlays and backgrounds: a layer offered exactly the size of the view it decorates.

#include "platform/ui/ContainerElements.hpp"

#include <algorithm>

namespace platform::ui::detail {

namespace {

class OverlayElement final : public Element {
public:
    OverlayElement(EnvironmentPtr environment, ElementPtr base, ElementPtr layer, Alignment alignment,
                   bool behind)
        : Element(std::move(environment)), base_(std::move(base)), layer_(std::move(layer)),
          alignment_(alignment), behind_(behind) {}
    bool isEmpty() const override { return base_->isEmpty(); }
    void place(Rect bounds, ProposedSize proposal) override {
        frame_ = bounds;
        base_->place(bounds, proposal);
        const Measured m = layer_->measure(bounds.size);
        const double x = horizontalOffset(alignment_.horizontal, bounds.width(), m.size.width,
                                          environment_->layoutDirection);
        const double y = verticalOffset(alignment_.vertical, bounds.height(), m.size.height,
                                        base_->measure(proposal).baselineOrBottom(), m.baselineOrBottom());
        layer_->place(Rect{{bounds.minX() + x, bounds.minY() + y}, m.size}, bounds.size);
    }
    void dump(DumpWriter& writer) const override {
        if (behind_) {
            writer.line("background " + frameText());
            ++writer.depth;
            layer_->dump(writer);
            --writer.depth;
        }
        base_->dump(writer);
        if (!behind_) {
            writer.line("overlay " + frameText());
            ++writer.depth;
            layer_->dump(writer);
            --writer.depth;
        }
    }
    void collectAccessibility(std::vector<AccessibilityElement>& nodes) const override {
        base_->collectAccessibility(nodes);
        layer_->collectAccessibility(nodes);
    }
    void forEachChild(const std::function<void(const Element&)>& visit) const override {
        if (behind_) visit(*layer_);
        visit(*base_);
        if (!behind_) visit(*layer_);
    }
    const ShapeStyle* containerBackground() const override { return base_->containerBackground(); }

protected:
    Measured computeMeasure(ProposedSize p) override { return base_->measure(p); }

private:
    ElementPtr base_;
    ElementPtr layer_;
    Alignment alignment_;
    bool behind_;
};

// MARK: Frames and other single-child modifiers

} // namespace

ElementPtr makeOverlayElement(EnvironmentPtr environment, ElementPtr base, ElementPtr layer,
                              Alignment alignment, bool behind) {
    return std::make_shared<OverlayElement>(std::move(environment), std::move(base), std::move(layer),
                                            alignment, behind);
}

} // namespace platform::ui::detail

namespace platform::ui {

View View::overlay(View content, Alignment alignment) const {
    return detail::wrapView(
        *this, [content, alignment](const detail::EnvironmentPtr& env, detail::ElementPtr child) {
            return detail::makeOverlayElement(env, std::move(child), detail::resolveView(content, env),
                                              alignment, false);
        });
}

View View::background(View content, Alignment alignment) const {
    return detail::wrapView(
        *this, [content, alignment](const detail::EnvironmentPtr& env, detail::ElementPtr child) {
            return detail::makeOverlayElement(env, std::move(child), detail::resolveView(content, env),
                                              alignment, true);
        });
}

} // namespace platform::ui
