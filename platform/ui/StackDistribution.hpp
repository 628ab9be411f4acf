#pragma once
// How a stack shares its length among its children: one pure function, tested on its own.

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace platform::ui {

/// A stack child as the distribution sees it.
struct StackChild {
    bool isSpacer = false;
    /// For spacers: the length they never go below.
    double spacerMinLength = 0;
};

/// What one child was offered along the stack's axis and what it took.
struct StackAllotment {
    std::optional<double> proposed;
    double length = 0;
    bool operator==(const StackAllotment&) const = default;
};

/// The length child `index` answers when offered `proposal` along the axis (absent: its ideal).
using StackLengthFunction = std::function<double(std::size_t index, std::optional<double> proposal)>;

/// Shares `available` (absent: every child takes its ideal length) among `children` after
/// `totalSpacing`: spacers' minimum lengths are set aside first; the other children, least flexible
/// first (flexibility = length offered infinity − length offered zero; ties keep their order), are
/// each offered an equal share of what is left and take what they answer; the spacers then share
/// the rest equally on top of their minimum lengths.
std::vector<StackAllotment> distributeStack(std::span<const StackChild> children, std::optional<double> available,
                                            double totalSpacing, const StackLengthFunction& lengthFor);

} // namespace platform::ui
