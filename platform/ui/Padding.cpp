// Padding: the offer less the insets, the answer plus them.

#include "platform/ui/ContainerElements.hpp"

#include <algorithm>

namespace platform::ui::detail {

namespace {

class PaddingElement final : public SingleChildElement {
public:
    PaddingElement(EnvironmentPtr environment, ElementPtr child, EdgeInsets insets)
        : SingleChildElement(std::move(environment), std::move(child)), insets_(insets) {}

protected:
    Layout layoutFor(ProposedSize p) override {
        const double h = insets_.leading + insets_.trailing, v = insets_.top + insets_.bottom;
        Layout l;
        l.childProposal = {p.width ? std::optional(std::max(0.0, *p.width - h)) : std::nullopt,
                           p.height ? std::optional(std::max(0.0, *p.height - v)) : std::nullopt};
        l.child = child_->measure(l.childProposal);
        l.own.size = {l.child.size.width + h, l.child.size.height + v};
        const bool rtl = environment_->layoutDirection == LayoutDirection::rightToLeft;
        l.offset = {rtl ? insets_.trailing : insets_.leading, insets_.top};
        l.own.firstBaseline = offsetBaseline(l.child, insets_.top);
        return l;
    }
    std::string describe() const override {
        return "padding(" + formatLength(insets_.top) + ", " + formatLength(insets_.leading) + ", " +
               formatLength(insets_.bottom) + ", " + formatLength(insets_.trailing) + ")";
    }

private:
    EdgeInsets insets_;
};

} // namespace

ElementPtr makePaddingElement(EnvironmentPtr environment, ElementPtr child, EdgeInsets insets) {
    return std::make_shared<PaddingElement>(std::move(environment), std::move(child), insets);
}

} // namespace platform::ui::detail

namespace platform::ui {

View View::padding(EdgeInsets insets) const {
    return detail::wrapView(*this, [=](const detail::EnvironmentPtr& env, detail::ElementPtr child) {
        return detail::makePaddingElement(env, std::move(child), insets);
    });
}

View View::padding(double length) const {
    return padding(EdgeInsets{length, length, length, length});
}

} // namespace platform::ui
