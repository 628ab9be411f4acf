// Layers: children offered the same size, aligned over one another.

#include "platform/ui/ContainerElements.hpp"

#include <algorithm>

namespace platform::ui::detail {

namespace {

class ZStackElement final : public MultiChildElement {
public:
    ZStackElement(EnvironmentPtr environment, Alignment alignment, std::vector<ElementPtr> children)
        : MultiChildElement(std::move(environment)), alignment_(alignment) {
        for (auto& c : children)
            if (!c->isEmpty()) children_.push_back(std::move(c));
    }
    void place(Rect bounds, ProposedSize proposal) override {
        frame_ = bounds;
        Measured own;
        const std::vector<Rect> frames = arrange(proposal, own);
        for (std::size_t i = 0; i < children_.size(); ++i)
            children_[i]->place(frames[i].offsetBy(bounds.minX(), bounds.minY()), proposal);
    }

protected:
    std::string describe() const override { return "ZStack " + frameText(); }
    Measured computeMeasure(ProposedSize p) override {
        Measured own;
        (void)arrange(p, own);
        return own;
    }

private:
    /// Every layer's frame inside the stack for one proposal; `own` receives the stack's answer.
    std::vector<Rect> arrange(ProposedSize p, Measured& own) {
        std::vector<Measured> measured;
        double anchor = 0; // the shared baseline, when layers align on it
        for (const auto& c : children_) {
            measured.push_back(c->measure(p));
            own.size.width = std::max(own.size.width, measured.back().size.width);
            anchor = std::max(anchor, measured.back().baselineOrBottom());
        }
        const bool onBaseline = alignment_.vertical == VerticalAlignment::firstTextBaseline;
        for (const auto& m : measured)
            own.size.height = std::max(
                own.size.height, onBaseline ? anchor - m.baselineOrBottom() + m.size.height : m.size.height);
        std::vector<Rect> frames;
        for (const auto& m : measured) {
            const double x = horizontalOffset(alignment_.horizontal, own.size.width, m.size.width,
                                              environment_->layoutDirection);
            const double y = verticalOffset(alignment_.vertical, own.size.height, m.size.height, anchor,
                                            m.baselineOrBottom());
            frames.push_back(Rect{{x, y}, m.size});
            if (m.firstBaseline) own.firstBaseline = topmostBaseline(own.firstBaseline, y + *m.firstBaseline);
        }
        return frames;
    }

    Alignment alignment_;
};

} // namespace

ElementPtr makeZStackElement(EnvironmentPtr environment, Alignment alignment,
                             std::vector<ElementPtr> children) {
    return std::make_shared<ZStackElement>(std::move(environment), alignment, std::move(children));
}

} // namespace platform::ui::detail

namespace platform::ui {

View ZStack(Alignment alignment, std::vector<View> children) {
    return detail::elementView([alignment,
                                children = std::move(children)](const detail::EnvironmentPtr& environment) {
        return detail::makeZStackElement(environment, alignment, detail::resolveAll(children, environment));
    });
}

} // namespace platform::ui
