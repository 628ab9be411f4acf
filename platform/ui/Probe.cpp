// Probes: a pass-through that records every proposal, the cheapest test of a layout bug.

#include "platform/ui/ContainerElements.hpp"

namespace platform::ui::detail {

namespace {

class ProbeElement final : public PassThroughElement {
public:
    ProbeElement(EnvironmentPtr environment, std::shared_ptr<std::vector<ProposedSize>> log, ElementPtr child)
        : PassThroughElement(std::move(environment), std::move(child)), log_(std::move(log)) {}

protected:
    Measured computeMeasure(ProposedSize p) override {
        if (log_) log_->push_back(p);
        return child_->measure(p);
    }

private:
    std::shared_ptr<std::vector<ProposedSize>> log_;
};

} // namespace

ElementPtr makeProbeElement(EnvironmentPtr environment, std::shared_ptr<std::vector<ProposedSize>> log,
                            ElementPtr child) {
    return std::make_shared<ProbeElement>(std::move(environment), std::move(log), std::move(child));
}

} // namespace platform::ui::detail

namespace platform::ui {

View Probe(std::shared_ptr<std::vector<ProposedSize>> log, View child) {
    return detail::elementView(
        [log = std::move(log), child = std::move(child)](const detail::EnvironmentPtr& environment) {
            return detail::makeProbeElement(environment, log, detail::resolveView(child, environment));
        });
}

} // namespace platform::ui
