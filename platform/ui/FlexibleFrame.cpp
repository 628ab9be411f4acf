// Flexible frames: the offer clamped to their bounds.

#include "platform/ui/ContainerElements.hpp"

#include <algorithm>

namespace platform::ui::detail {

namespace {

class FlexibleFrameElement final : public SingleChildElement {
public:
    FlexibleFrameElement(EnvironmentPtr environment, ElementPtr child, FrameBounds bounds)
        : SingleChildElement(std::move(environment), std::move(child)), bounds_(bounds) {}

protected:
    static double axisLength(std::optional<double> offer, double childLength, std::optional<double> lo,
                             std::optional<double> hi) {
        if (!lo && !hi) return childLength;
        double length = (hi && offer) ? std::min(*offer, *hi) : childLength;
        if (hi && !offer) length = std::min(childLength, *hi);
        if (lo) length = std::max(length, *lo);
        if (hi) length = std::min(length, std::max(*hi, lo.value_or(*hi)));
        return length;
    }
    Layout layoutFor(ProposedSize p) override {
        Layout l;
        l.childProposal = {clampOptional(p.width, bounds_.minWidth, bounds_.maxWidth),
                           clampOptional(p.height, bounds_.minHeight, bounds_.maxHeight)};
        l.child = child_->measure(l.childProposal);
        l.own.size = {axisLength(p.width, l.child.size.width, bounds_.minWidth, bounds_.maxWidth),
                      axisLength(p.height, l.child.size.height, bounds_.minHeight, bounds_.maxHeight)};
        l.offset = aligned(bounds_.alignment, l.own.size, l.child);
        l.own.firstBaseline = offsetBaseline(l.child, l.offset.y);
        return l;
    }
    std::string describe() const override {
        std::string s = "frame(";
        auto add = [&](const char* name, std::optional<double> v) {
            if (!v) return;
            if (s.back() != '(') s += ", ";
            s += std::string(name) + " " + formatLength(*v);
        };
        add("minWidth", bounds_.minWidth);
        add("maxWidth", bounds_.maxWidth);
        add("minHeight", bounds_.minHeight);
        add("maxHeight", bounds_.maxHeight);
        return s + ")";
    }

private:
    FrameBounds bounds_;
};

} // namespace

ElementPtr makeFlexibleFrameElement(EnvironmentPtr environment, ElementPtr child, FrameBounds bounds) {
    return std::make_shared<FlexibleFrameElement>(std::move(environment), std::move(child), bounds);
}

} // namespace platform::ui::detail

namespace platform::ui {

View View::frame(FrameBounds bounds) const {
    return detail::wrapView(*this, [=](const detail::EnvironmentPtr& env, detail::ElementPtr child) {
        return detail::makeFlexibleFrameElement(env, std::move(child), bounds);
    });
}

} // namespace platform::ui
