// Spacer: the flexible room in a stack.

#include "platform/ui/ContainerElements.hpp"

#include <algorithm>

namespace platform::ui::detail {

namespace {

class SpacerElement final : public Element {
public:
    SpacerElement(EnvironmentPtr environment, double minLength)
        : Element(std::move(environment)), minLength_(minLength) {}
    std::optional<double> spacerMinLength() const override { return minLength_; }
    void dump(DumpWriter& writer) const override {
        writer.line("Spacer " + frameText() + " min " + formatLength(minLength_));
    }

protected:
    Measured computeMeasure(ProposedSize p) override {
        Size s{std::max(minLength_, p.width.value_or(minLength_)),
               std::max(minLength_, p.height.value_or(minLength_))};
        return {s, std::nullopt};
    }

private:
    double minLength_;
};

} // namespace

ElementPtr makeSpacerElement(EnvironmentPtr environment, double minLength) {
    return std::make_shared<SpacerElement>(std::move(environment), minLength);
}

} // namespace platform::ui::detail

namespace platform::ui {

View Spacer(std::optional<double> minLength) {
    const double length = minLength.value_or(metrics::defaultStackSpacing);
    return detail::elementView([length](const detail::EnvironmentPtr& environment) {
        return detail::makeSpacerElement(environment, length);
    });
}

} // namespace platform::ui
