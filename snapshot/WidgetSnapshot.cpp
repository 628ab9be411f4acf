#include "snapshot/WidgetSnapshot.hpp"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>

namespace tallyfox {

namespace {
constexpr std::string_view separator = " \xC2\xB7 "; // space, U+00B7 MIDDLE DOT, space
} // namespace

std::string WidgetProviderSnapshot::id() const {
    if (selectionID) return *selectionID;
    std::string result(rawValue(provider));
    if (accountName) {
        result += separator;
        result += *accountName;
    }
    return result;
}

WidgetSnapshot::WidgetSnapshot(Contents contents)
    : view_(std::make_shared<const View>(View{std::make_shared<const Contents>(std::move(contents)), std::nullopt})),
      usageClearedAt_(std::numeric_limits<double>::quiet_NaN()) {}

std::optional<Date> WidgetSnapshot::usageClearedAt() const {
    if (std::isnan(usageClearedAt_)) return std::nullopt;
    return Date{usageClearedAt_};
}

WidgetSnapshot::State::Kind WidgetSnapshot::stateKind() const {
    return view_->selection ? State::Kind::providers : base().state.kind;
}

std::size_t WidgetSnapshot::providerCount() const {
    if (view_->selection) return view_->selection->size();
    return base().state.kind == State::Kind::providers ? base().state.entries.size() : 0;
}

WidgetSnapshot::State WidgetSnapshot::state() const {
    if (stateKind() != State::Kind::providers) return {stateKind(), {}};
    State result = State::providers({});
    result.entries.reserve(providerCount());
    const auto clearedAt = usageClearedAt();
    forEachProvider([&](const WidgetProviderSnapshot& entry) {
        result.entries.push_back(entry);
        if (!clearedAt) return;
        for (UsageWindow& window : result.entries.back().windows)
            if (window.resetsAt && *window.resetsAt <= *clearedAt) window.usage.reset();
    });
    return result;
}

WidgetSnapshot::Contents WidgetSnapshot::contents() const {
    Contents result{schemaVersion(), generatedAt(), {}, usageAmountStyle(), language(), followedSelectionIDs()};
    result.state = state();
    return result;
}

WidgetSnapshot WidgetSnapshot::selectingPositions(const std::vector<std::size_t>& positions) const {
    std::vector<std::uint32_t> indexes;
    indexes.reserve(positions.size());
    for (const std::size_t position : positions) {
        assert(position < providerCount());
        // Positions count in the current list; the base's list may be longer.
        indexes.push_back(view_->selection ? (*view_->selection)[position] : static_cast<std::uint32_t>(position));
    }
    WidgetSnapshot result = *this;
    result.view_ = std::make_shared<const View>(View{view_->base, std::move(indexes)});
    return result;
}

WidgetSnapshot WidgetSnapshot::clearingUsage(Date date) const {
    // Clearing at one date and then at another clears what the later date alone would.
    WidgetSnapshot result = *this;
    if (stateKind() == State::Kind::providers &&
        (std::isnan(usageClearedAt_) || usageClearedAt_ < date.timeIntervalSince1970))
        result.usageClearedAt_ = date.timeIntervalSince1970;
    return result;
}

bool WidgetSnapshot::operator==(const WidgetSnapshot& other) const {
    const bool sameClearing = usageClearedAt_ == other.usageClearedAt_ ||
                              (std::isnan(usageClearedAt_) && std::isnan(other.usageClearedAt_));
    if (view_ == other.view_ && sameClearing) return true;
    return contents() == other.contents();
}

} // namespace tallyfox
