#include "snapshot/WidgetSnapshot.hpp"

#include <algorithm>
#include <cassert>

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

WidgetSnapshot::WidgetSnapshot(Contents contents) : base_(std::make_shared<const Contents>(std::move(contents))) {}

WidgetSnapshot::State::Kind WidgetSnapshot::stateKind() const {
    return selection_ ? State::Kind::providers : base_->state.kind;
}

std::size_t WidgetSnapshot::providerCount() const {
    if (selection_) return selection_->size();
    return base_->state.kind == State::Kind::providers ? base_->state.entries.size() : 0;
}

WidgetSnapshot::State WidgetSnapshot::state() const {
    if (stateKind() != State::Kind::providers) return {stateKind(), {}};
    State result = State::providers({});
    result.entries.reserve(providerCount());
    forEachProvider([&](const WidgetProviderSnapshot& entry) {
        result.entries.push_back(entry);
        if (!usageClearedAt_) return;
        for (UsageWindow& window : result.entries.back().windows)
            if (window.resetsAt && *window.resetsAt <= *usageClearedAt_) window.usage.reset();
    });
    return result;
}

WidgetSnapshot::Contents WidgetSnapshot::contents() const {
    Contents result{base_->schemaVersion, base_->generatedAt, {}, base_->usageAmountStyle, base_->language,
                    base_->followedSelectionIDs};
    result.state = state();
    return result;
}

WidgetSnapshot WidgetSnapshot::selectingPositions(const std::vector<std::size_t>& positions) const {
    auto indexes = std::make_shared<std::vector<std::uint32_t>>();
    indexes->reserve(positions.size());
    for (const std::size_t position : positions) {
        assert(position < providerCount());
        // Positions count in the current list; the base's list may be longer.
        indexes->push_back(selection_ ? (*selection_)[position] : static_cast<std::uint32_t>(position));
    }
    WidgetSnapshot result = *this;
    result.selection_ = std::move(indexes);
    return result;
}

WidgetSnapshot WidgetSnapshot::clearingUsage(Date date) const {
    // Clearing at one date and then at another clears what the later date alone would.
    WidgetSnapshot result = *this;
    if (stateKind() == State::Kind::providers && (!usageClearedAt_ || *usageClearedAt_ < date))
        result.usageClearedAt_ = date;
    return result;
}

bool WidgetSnapshot::operator==(const WidgetSnapshot& other) const {
    if (base_ == other.base_ && selection_ == other.selection_ && usageClearedAt_ == other.usageClearedAt_)
        return true;
    return contents() == other.contents();
}

} // namespace tallyfox
