#include "platform/ui/StackDistribution.hpp"

#include "platform/ui/Geometry.hpp"

#include <algorithm>
#include <cmath>

namespace platform::ui {

std::vector<StackAllotment> distributeStack(std::span<const StackChild> children, std::optional<double> available,
                                            double totalSpacing, const StackLengthFunction& lengthFor) {
    std::vector<StackAllotment> result(children.size());
    if (!available) {
        for (std::size_t i = 0; i < children.size(); ++i) {
            if (children[i].isSpacer)
                result[i] = {std::nullopt, children[i].spacerMinLength};
            else
                result[i] = {std::nullopt, lengthFor(i, std::nullopt)};
        }
        return result;
    }

    double remaining = *available - totalSpacing;
    std::vector<std::size_t> order;
    std::vector<double> flexibility(children.size(), 0);
    std::size_t spacerCount = 0;
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (children[i].isSpacer) {
            remaining -= children[i].spacerMinLength;
            ++spacerCount;
            continue;
        }
        order.push_back(i);
        flexibility[i] = lengthFor(i, infinity) - lengthFor(i, 0.0);
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return flexibility[a] < flexibility[b]; });

    std::size_t left = order.size();
    for (std::size_t i : order) {
        const double offer = std::max(0.0, remaining / static_cast<double>(left));
        const double length = lengthFor(i, offer);
        result[i] = {offer, length};
        if (!std::isinf(remaining)) remaining -= length; // measuring the stack's maximum: stays unbounded
        --left;
    }

    const double share = spacerCount > 0 ? std::max(0.0, remaining) / static_cast<double>(spacerCount) : 0;
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (!children[i].isSpacer) continue;
        const double length = children[i].spacerMinLength + share;
        result[i] = {length, length};
    }
    return result;
}

} // namespace platform::ui
