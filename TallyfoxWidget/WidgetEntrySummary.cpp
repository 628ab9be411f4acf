#include "TallyfoxWidget/WidgetEntrySummary.hpp"

#include "TallyfoxWidget/TallyfoxWidgetEntryView.hpp"
#include "TallyfoxWidget/UsageWidgetLayouts.hpp"
#include "platform/foundation/LocalizedString.hpp"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <string_view>

namespace tallyfox {

namespace pf = platform::foundation;
namespace ui = platform::ui;
namespace wk = platform::widgetkit;

namespace {

// A message's title as the entry shows it: in the snapshot's language when it names one.
wk::EntrySummary message(const TallyfoxWidgetEntry& entry, std::string_view title) {
    const auto language = languageOverride(entry.snapshot);
    std::string shown = language ? pf::localized(title, title, {}, pf::Locale(std::string(*language)))
                                 : pf::localized(title, title);
    return {"WidgetMessageView", {std::move(shown)}};
}

std::string_view layoutName(ui::WidgetFamily family) {
    switch (family) {
    case ui::WidgetFamily::systemSmall: return "SmallUsageWidgetView";
    case ui::WidgetFamily::systemLarge: return "LargeUsageWidgetView";
    case ui::WidgetFamily::systemMedium: break;
    }
    return "MediumUsageWidgetView";
}

} // namespace

std::size_t entryLimit(ui::WidgetFamily family) {
    switch (family) {
    case ui::WidgetFamily::systemSmall: return smallEntryLimit;
    case ui::WidgetFamily::systemLarge: return largeEntryLimit;
    case ui::WidgetFamily::systemMedium: break;
    }
    return mediumEntryLimit;
}

// The ranking of one snapshot's entries as of `date`: each entry ranks by its primary window's usage,
// the highest usage among its windows that have not reset by then.
struct EntrySummarizer::Sweep {
    struct Reset {
        Date date;
        std::uint32_t entry;
    };

    WidgetSnapshot snapshot; // keeps the entries below alive
    std::vector<const WidgetProviderSnapshot*> entries;
    std::vector<Reset> resets; // of windows with usage, soonest first
    std::size_t passed = 0;    // resets at or before `date`
    std::vector<std::optional<double>> usage;
    Date date;

    Sweep(WidgetSnapshot shared, Date at) : snapshot(std::move(shared)), date(at) {
        snapshot.forEachProvider([&](const WidgetProviderSnapshot& entry) {
            const auto index = static_cast<std::uint32_t>(entries.size());
            entries.push_back(&entry);
            for (const UsageWindow& window : entry.windows)
                if (window.usage && window.resetsAt) resets.push_back({*window.resetsAt, index});
        });
        std::sort(resets.begin(), resets.end(), [](const Reset& a, const Reset& b) { return a.date < b.date; });
        passed = static_cast<std::size_t>(
            std::upper_bound(resets.begin(), resets.end(), date, [](Date d, const Reset& r) { return d < r.date; }) -
            resets.begin());
        usage.resize(entries.size());
        for (std::size_t index = 0; index < entries.size(); ++index) usage[index] = primaryUsage(index);
    }

    std::optional<double> primaryUsage(std::size_t index) const {
        std::optional<double> best;
        for (const UsageWindow& window : entries[index]->windows) {
            if (!window.usage || (window.resetsAt && *window.resetsAt <= date)) continue;
            if (!best || window.usage->value > *best) best = window.usage->value;
        }
        return best;
    }

    // Moves on to a later moment: only entries with a window resetting in between change.
    void advance(Date later) {
        date = later;
        for (; passed < resets.size() && resets[passed].date <= date; ++passed)
            usage[resets[passed].entry] = primaryUsage(resets[passed].entry);
    }

    // The `limit` most-used entries in snapshot order: most used first, entries without usage last,
    // the earlier entry on a tie.
    std::vector<std::size_t> top(std::size_t limit) const {
        std::vector<std::size_t> order(entries.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        limit = std::min(limit, order.size());
        std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(limit), order.end(),
                          [&](std::size_t a, std::size_t b) {
                              if (usage[a].has_value() != usage[b].has_value()) return usage[a].has_value();
                              if (usage[a] && *usage[a] != *usage[b]) return *usage[a] > *usage[b];
                              return a < b;
                          });
        order.resize(limit);
        std::sort(order.begin(), order.end());
        return order;
    }
};

EntrySummarizer::EntrySummarizer() : state_(std::make_shared<State>()) {}

wk::EntrySummary EntrySummarizer::operator()(const TallyfoxWidgetEntry& entry, ui::WidgetFamily family) const {
    // The same order of cases as the entry view's.
    if (!entry.snapshot) return message(entry, "Open Tallyfox");
    switch (entry.snapshot->stateKind()) {
    case WidgetSnapshot::State::Kind::noProvidersEnabled: return message(entry, "No providers enabled");
    case WidgetSnapshot::State::Kind::noProvidersDetected: return message(entry, "No providers detected");
    case WidgetSnapshot::State::Kind::providers: break;
    }
    if (entry.snapshot->providerCount() == 0) return message(entry, "Selected account unavailable");

    std::lock_guard lock(state_->mutex);
    auto& sweep = state_->sweep;
    if (sweep && sweep->snapshot.sharesSelectionWith(*entry.snapshot) && sweep->date <= entry.date)
        sweep->advance(entry.date);
    else
        sweep = std::make_unique<Sweep>(*entry.snapshot, entry.date);

    wk::EntrySummary summary{std::string(layoutName(family)), {}};
    for (const std::size_t index : sweep->top(entryLimit(family)))
        summary.titles.push_back(displayTitle(*sweep->entries[index]));
    return summary;
}

} // namespace tallyfox
