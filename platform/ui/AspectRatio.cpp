// aspectRatio: the largest (fit) or smallest (fill) size of a ratio within the offer.

#include "platform/ui/ContainerElements.hpp"

#include <algorithm>

namespace platform::ui::detail {

namespace {

class AspectRatioElement final : public SingleChildElement {
public:
    AspectRatioElement(EnvironmentPtr environment, ElementPtr child, std::optional<double> ratio,
                       ContentMode mode)
        : SingleChildElement(std::move(environment), std::move(child)), ratio_(ratio), mode_(mode) {}

protected:
    Layout layoutFor(ProposedSize p) override {
        double ratio = 1;
        if (ratio_) {
            ratio = *ratio_;
        } else {
            const Size ideal = child_->measure(ProposedSize::unspecified()).size;
            if (ideal.width > 0 && ideal.height > 0) ratio = ideal.width / ideal.height;
        }
        auto finite = [](std::optional<double> v) { return v && std::isfinite(*v) ? v : std::nullopt; };
        const auto w = finite(p.width), h = finite(p.height);
        Layout l;
        if (w && h) {
            const double byWidth = *w, byHeight = *h * ratio;
            const double width =
                mode_ == ContentMode::fit ? std::min(byWidth, byHeight) : std::max(byWidth, byHeight);
            l.childProposal = {width, width / ratio};
        } else if (w) {
            l.childProposal = {*w, *w / ratio};
        } else if (h) {
            l.childProposal = {*h * ratio, *h};
        } else {
            l.childProposal = ProposedSize::unspecified();
        }
        l.child = child_->measure(l.childProposal);
        l.own = l.child;
        return l;
    }
    std::string describe() const override {
        return "aspectRatio(" + (ratio_ ? formatLength(*ratio_) : std::string("ideal")) +
               (mode_ == ContentMode::fit ? ", fit)" : ", fill)");
    }

private:
    std::optional<double> ratio_;
    ContentMode mode_;
};

} // namespace

ElementPtr makeAspectRatioElement(EnvironmentPtr environment, ElementPtr child, std::optional<double> ratio,
                                  ContentMode mode) {
    return std::make_shared<AspectRatioElement>(std::move(environment), std::move(child), ratio, mode);
}

} // namespace platform::ui::detail

namespace platform::ui {

View View::aspectRatio(std::optional<double> ratio, ContentMode mode) const {
    return detail::wrapView(*this, [=](const detail::EnvironmentPtr& env, detail::ElementPtr child) {
        return detail::makeAspectRatioElement(env, std::move(child), ratio, mode);
    });
}

} // namespace platform::ui
