#pragma once
// The widget's snapshot: what the app last wrote into widget-snapshot.json, as the widget reads it.

#include "model/ProviderCatalog.hpp"
#include "model/UsageValues.hpp"
#include "platform/foundation/Date.hpp"
#include "platform/foundation/Decimal.hpp"
#include "platform/foundation/JSON.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallyfox {

using platform::foundation::Date;
using platform::foundation::Decimal;

/// One provider and account of the snapshot with its windows and activity.
struct WidgetProviderSnapshot {
    ProviderID provider = ProviderID::codex;
    std::optional<std::string> selectionID{};
    std::optional<std::string> accountName{};
    std::optional<std::string> planName{};
    std::optional<std::string> modelName{};
    std::vector<UsageWindow> windows{};
    std::optional<std::int64_t> tokensToday{};
    std::optional<std::int64_t> requestsToday{};
    std::optional<Decimal> creditsToday{};
    std::optional<QuotaUnavailableReason> quotaUnavailableReason{};
    std::optional<std::vector<double>> recentDays{};
    std::optional<Date> updatedAt{};
    std::optional<std::vector<UsageTotal>> totals{};

    /// The entry's identity wherever entries are listed, selected or followed: its selectionID, else the
    /// provider's raw value, " · " and the account name, else the provider's raw value.
    std::string id() const;

    bool operator==(const WidgetProviderSnapshot&) const = default;
};

/// A decoded snapshot. A value: copies are cheap because they share the decoded document, which never
/// changes. Narrowing to a selection and clearing the usage of windows that have reset are recorded
/// beside the shared document instead of copying it, so the many entries of a timeline cost little
/// more than one snapshot; `state()` hands out the narrowed, cleared list as a plain value.
class WidgetSnapshot {
public:
    /// What the app has to show.
    struct State {
        enum class Kind {
            providers,           ///< the app has data (the list may be empty)
            noProvidersEnabled,  ///< the user switched every provider off
            noProvidersDetected, ///< no supported tool was found on the machine
        };
        Kind kind = Kind::providers;
        std::vector<WidgetProviderSnapshot> entries; ///< empty unless `kind` is `providers`

        static State providers(std::vector<WidgetProviderSnapshot> entries) {
            return {Kind::providers, std::move(entries)};
        }
        static State noProvidersEnabled() { return {Kind::noProvidersEnabled, {}}; }
        static State noProvidersDetected() { return {Kind::noProvidersDetected, {}}; }

        bool operator==(const State&) const = default;
    };

    /// Every field of a snapshot as plain values.
    struct Contents {
        std::int64_t schemaVersion = 1;
        Date generatedAt;
        State state;
        std::optional<UsageAmountStyle> usageAmountStyle;
        std::optional<std::string> language;
        std::optional<std::vector<std::string>> followedSelectionIDs;

        bool operator==(const Contents&) const = default;
    };

    explicit WidgetSnapshot(Contents contents);

    /// Decodes a document with the widget's leniency: bad entries, windows and totals are dropped,
    /// tolerant fields are left empty, and anything wrong at the top level fails the whole document.
    /// The schema version is not checked here.
    /// `capacity` is how many bytes are readable from `json.data()` (see JSONDocument::parse).
    static platform::foundation::Decoded<WidgetSnapshot> decode(std::string_view json, std::size_t capacity = 0);
    /// Decodes an already parsed document.
    static platform::foundation::Decoded<WidgetSnapshot> decode(const platform::foundation::JSONDocument& document);

    std::int64_t schemaVersion() const { return base().schemaVersion; }
    Date generatedAt() const { return base().generatedAt; }
    const std::optional<UsageAmountStyle>& usageAmountStyle() const { return base().usageAmountStyle; }
    const std::optional<std::string>& language() const { return base().language; }
    const std::optional<std::vector<std::string>>& followedSelectionIDs() const {
        return base().followedSelectionIDs;
    }

    /// The state's case, without building its list.
    State::Kind stateKind() const;
    /// The state with its list narrowed and cleared (a copy, built on each call).
    State state() const;
    /// The entries of the `providers` state (empty in the other states), narrowed and cleared.
    std::vector<WidgetProviderSnapshot> providers() const { return state().entries; }
    /// All fields as plain values.
    Contents contents() const;

    /// How many entries the state lists (0 unless it is `providers`).
    std::size_t providerCount() const;
    /// Visits the listed entries in order without copying them. The windows are as decoded: usage
    /// that `clearingUsage` would clear is still present (dates and resets are the same).
    template <class Visitor> void forEachProvider(Visitor&& visit) const {
        const auto& entries = base().state.entries;
        if (view_->selection) {
            for (const std::uint32_t index : *view_->selection) visit(entries[index]);
        } else if (base().state.kind == State::Kind::providers) {
            for (const auto& entry : entries) visit(entry);
        }
    }

    /// A snapshot whose state is `providers` with the listed entries at `positions` (indexes into the
    /// current list, in the order given), everything else unchanged.
    WidgetSnapshot selectingPositions(const std::vector<std::size_t>& positions) const;
    /// A snapshot in which every window whose reset is at or before `date` has no usage.
    WidgetSnapshot clearingUsage(Date date) const;

    /// Whether both are the same decoded document with the same selection, differing at most in the
    /// moment up to which usage is cleared (as the entries of one timeline do). Cheap: no contents
    /// are compared.
    bool sharesSelectionWith(const WidgetSnapshot& other) const { return view_ == other.view_; }

    bool operator==(const WidgetSnapshot& other) const;

private:
    /// The decoded document and a selection from it, shared by every copy.
    struct View {
        std::shared_ptr<const Contents> base;
        /// Positions into the base's entries; once a selection was made the state is `providers`
        /// whatever the base's state.
        std::optional<std::vector<std::uint32_t>> selection;
    };
    const Contents& base() const { return *view_->base; }
    std::optional<Date> usageClearedAt() const;

    std::shared_ptr<const View> view_;
    /// Windows resetting at or before this moment show no usage; NaN when none is cleared. (A plain
    /// double keeps each timeline entry small: entries are many, one per moment of change.)
    double usageClearedAt_;
};

/// The `limit` most-used entries (by their primary window's usage), in snapshot order. Entries without
/// any reported usage come last; ties go to the earlier entry.
std::vector<WidgetProviderSnapshot> topProviders(const WidgetSnapshot& snapshot, std::size_t limit);

/// The earliest of `dates`, nothing for none.
std::optional<Date> earliest(const std::vector<Date>& dates);

} // namespace tallyfox
