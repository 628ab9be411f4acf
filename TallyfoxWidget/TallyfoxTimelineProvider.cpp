#include "TallyfoxWidget/TallyfoxTimelineProvider.hpp"

#include "platform/foundation/AppGroup.hpp"
#include "platform/foundation/UnicodeNormalization.hpp"
#include "platform/foundation/UserDefaults.hpp"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace tallyfox {

using platform::foundation::PropertyListValue;
using platform::foundation::UserDefaults;
using platform::foundation::precomposedStringWithCanonicalMapping;
using platform::widgetkit::Timeline;
using platform::widgetkit::TimelineProviderContext;
using platform::widgetkit::TimelineReloadPolicy;

namespace {

constexpr double day = 86'400;
constexpr double staleAfter = platform::foundation::staleAfterSeconds + 1; // the moment after data turn stale
constexpr double underADay = 86'399;   // from here on the countdown uses its under-a-day form
constexpr double reloadFallback = 900; // fifteen minutes
constexpr double reloadMinimum = 60;
constexpr double reloadAfterReset = 60;
constexpr const char* languagesKey = "AppleLanguages";

struct Configured {
    Date now;
    std::optional<WidgetSnapshot> snapshot;
};

// The first steps of snapshot and timeline requests: the clock once, the file, the selection, the language.
Configured configured(const TallyfoxTimelineProvider& provider, const WidgetSelectionIntent& configuration) {
    Configured result{provider.now(), std::nullopt};
    if (provider.store) result.snapshot = provider.store->load();
    if (result.snapshot) result.snapshot = selecting(*result.snapshot, configuration.sourceIDs());
    applyLanguagePreference(result.snapshot);
    return result;
}

std::optional<WidgetSnapshot> clearedAt(const std::optional<WidgetSnapshot>& snapshot, Date date) {
    if (!snapshot) return std::nullopt;
    return clearingElapsedUsage(*snapshot, date);
}

} // namespace

TallyfoxTimelineProvider TallyfoxTimelineProvider::make() {
    return {WidgetSnapshotStore::make(), [] { return platform::foundation::Clock::now(); }};
}

TallyfoxWidgetEntry TallyfoxTimelineProvider::placeholder(const TimelineProviderContext&) const {
    return {now(), store ? store->load() : std::nullopt};
}

TallyfoxWidgetEntry TallyfoxTimelineProvider::snapshot(const WidgetSelectionIntent& configuration,
                                                       const TimelineProviderContext&) const {
    const Configured request = configured(*this, configuration);
    return {request.now, clearedAt(request.snapshot, request.now)};
}

Timeline<TallyfoxWidgetEntry> TallyfoxTimelineProvider::timeline(const WidgetSelectionIntent& configuration,
                                                                  const TimelineProviderContext&) const {
    const Configured request = configured(*this, configuration);
    Timeline<TallyfoxWidgetEntry> result;
    const std::vector<Date> dates = entryDates(request.now, request.snapshot);
    result.entries.reserve(dates.size());
    for (const Date date : dates) result.entries.push_back({date, clearedAt(request.snapshot, date)});
    result.policy = TimelineReloadPolicy::after(nextReloadDate(request.now, request.snapshot));
    return result;
}

WidgetSnapshot selecting(const WidgetSnapshot& snapshot, const std::vector<std::string>& wanted) {
    const std::vector<std::string>* list = &wanted;
    if (wanted.empty()) {
        if (!snapshot.followedSelectionIDs()) return snapshot;
        list = &*snapshot.followedSelectionIDs();
    }

    // Each entry's identity in composed form, first position only, found in one pass.
    std::unordered_map<std::string, std::size_t> positions;
    std::size_t position = 0;
    snapshot.forEachProvider([&](const WidgetProviderSnapshot& provider) {
        positions.emplace(precomposedStringWithCanonicalMapping(provider.id()), position++);
    });

    std::unordered_set<std::string> seen;
    std::vector<std::size_t> selected;
    for (const std::string& id : *list) {
        std::string canonical = precomposedStringWithCanonicalMapping(id);
        const auto found = positions.find(canonical);
        if (!seen.insert(std::move(canonical)).second) continue;
        if (found != positions.end()) selected.push_back(found->second);
    }
    return snapshot.selectingPositions(selected);
}

WidgetSnapshot clearingElapsedUsage(const WidgetSnapshot& snapshot, Date date) { return snapshot.clearingUsage(date); }

std::optional<NextReset> nextReset(const WidgetSnapshot& snapshot, Date date) {
    std::optional<NextReset> best;
    snapshot.forEachProvider([&](const WidgetProviderSnapshot& provider) {
        for (const UsageWindow& window : provider.windows) {
            if (!window.resetsAt || *window.resetsAt <= date) continue;
            // Strictly earlier only: on equal dates the earlier provider keeps the lead.
            if (!best || *window.resetsAt < best->date) best = NextReset{provider.provider, *window.resetsAt};
        }
    });
    return best;
}

std::vector<Date> entryDates(Date now, const std::optional<WidgetSnapshot>& snapshot) {
    const Date horizon = now.addingTimeInterval(day);
    std::vector<Date> dates{now};
    auto add = [&](Date candidate) {
        if (candidate > now && candidate <= horizon) dates.push_back(candidate);
    };
    if (snapshot) {
        add(snapshot->generatedAt().addingTimeInterval(staleAfter));
        snapshot->forEachProvider([&](const WidgetProviderSnapshot& provider) {
            if (provider.updatedAt) add(provider.updatedAt->addingTimeInterval(staleAfter));
            for (const UsageWindow& window : provider.windows) {
                if (!window.resetsAt) continue;
                add(*window.resetsAt);
                add(window.resetsAt->addingTimeInterval(-underADay));
            }
        });
    }
    std::sort(dates.begin(), dates.end());
    dates.erase(std::unique(dates.begin(), dates.end()), dates.end());
    return dates;
}

Date nextReloadDate(Date now, const std::optional<WidgetSnapshot>& snapshot) {
    const Date fallback = now.addingTimeInterval(reloadFallback);
    if (!snapshot) return fallback;
    const auto reset = nextReset(*snapshot, now);
    if (!reset) return fallback;
    return std::max(now.addingTimeInterval(reloadMinimum),
                    std::min(fallback, reset->date.addingTimeInterval(reloadAfterReset)));
}

void applyLanguagePreference(const std::optional<WidgetSnapshot>& snapshot) {
    if (!snapshot) return;
    UserDefaults defaults = UserDefaults::standard();
    const auto& language = snapshot->language();
    if (!language) {
        defaults.removeObject(languagesKey);
        return;
    }
    // Read the stored domain itself, not the search list, so a global preference does not count.
    if (const auto domain = defaults.persistentDomain(defaults.domainName())) {
        const auto stored = domain->find(languagesKey);
        if (stored != domain->end()) {
            const auto* list = stored->second.get<PropertyListValue::Array>();
            const bool allStrings = list && std::all_of(list->begin(), list->end(),
                                                        [](const auto& v) { return v.template get<std::string>(); });
            if (allStrings && !list->empty() && *list->front().get<std::string>() == *language) return;
        }
    }
    defaults.set(languagesKey, PropertyListValue::strings({*language}));
}

} // namespace tallyfox
