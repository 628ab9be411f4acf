// Fixed frames: their lengths, or the offer on an axis they leave free.

#include "platform/ui/ContainerElements.hpp"

namespace platform::ui::detail {

namespace {

class FrameElement final : public SingleChildElement {
public:
    FrameElement(EnvironmentPtr environment, ElementPtr child, std::optional<double> width,
                 std::optional<double> height, Alignment alignment)
        : SingleChildElement(std::move(environment), std::move(child)), width_(width), height_(height),
          alignment_(alignment) {}

protected:
    Layout layoutFor(ProposedSize p) override {
        Layout l;
        l.childProposal = {width_ ? width_ : p.width, height_ ? height_ : p.height};
        l.child = child_->measure(l.childProposal);
        l.own.size = {width_.value_or(l.child.size.width), height_.value_or(l.child.size.height)};
        l.offset = aligned(alignment_, l.own.size, l.child);
        l.own.firstBaseline = offsetBaseline(l.child, l.offset.y);
        return l;
    }
    std::string describe() const override {
        return "frame(width " + axisText(width_) + ", height " + axisText(height_) + ")";
    }

private:
    std::optional<double> width_;
    std::optional<double> height_;
    Alignment alignment_;
};

} // namespace

ElementPtr makeFrameElement(EnvironmentPtr environment, ElementPtr child, std::optional<double> width,
                            std::optional<double> height, Alignment alignment) {
    return std::make_shared<FrameElement>(std::move(environment), std::move(child), width, height, alignment);
}

} // namespace platform::ui::detail

namespace platform::ui {

View View::frame(std::optional<double> width, std::optional<double> height, Alignment alignment) const {
    return detail::wrapView(*this, [=](const detail::EnvironmentPtr& env, detail::ElementPtr child) {
        return detail::makeFrameElement(env, std::move(child), width, height, alignment);
    });
}

} // namespace platform::ui
