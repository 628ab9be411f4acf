// fixedSize: the child's ideal length on the chosen axes.

#include "platform/ui/ContainerElements.hpp"

namespace platform::ui::detail {

namespace {

class FixedSizeElement final : public SingleChildElement {
public:
    FixedSizeElement(EnvironmentPtr environment, ElementPtr child, bool horizontal, bool vertical)
        : SingleChildElement(std::move(environment), std::move(child)), horizontal_(horizontal),
          vertical_(vertical) {}

protected:
    Layout layoutFor(ProposedSize p) override {
        Layout l;
        l.childProposal = {horizontal_ ? std::nullopt : p.width, vertical_ ? std::nullopt : p.height};
        l.child = child_->measure(l.childProposal);
        l.own = l.child;
        return l;
    }
    std::string describe() const override { return ""; }

private:
    bool horizontal_;
    bool vertical_;
};

} // namespace

ElementPtr makeFixedSizeElement(EnvironmentPtr environment, ElementPtr child, bool horizontal,
                                bool vertical) {
    return std::make_shared<FixedSizeElement>(std::move(environment), std::move(child), horizontal, vertical);
}

} // namespace platform::ui::detail

namespace platform::ui {

View View::fixedSize(bool horizontal, bool vertical) const {
    return detail::wrapView(*this, [=](const detail::EnvironmentPtr& env, detail::ElementPtr child) {
        return detail::makeFixedSizeElement(env, std::move(child), horizontal, vertical);
    });
}

} // namespace platform::ui
