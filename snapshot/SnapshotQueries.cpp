// Values derived from a decoded snapshot that the layouts and rows share.
#include "snapshot/WidgetSnapshot.hpp"

#include <algorithm>

namespace tallyfox {

std::vector<WidgetProviderSnapshot> topProviders(const WidgetSnapshot& snapshot, std::size_t limit) {
    std::vector<WidgetProviderSnapshot> entries = snapshot.providers();
    if (limit >= entries.size()) return entries;

    struct Ranked {
        std::size_t position;
        std::optional<double> usage; // the primary window's usage; none without one
    };
    std::vector<Ranked> ranked;
    ranked.reserve(entries.size());
    for (std::size_t position = 0; position < entries.size(); ++position) {
        const auto primary = primaryWindow(entries[position].windows);
        ranked.push_back({position, primary && primary->usage ? std::optional(primary->usage->value) : std::nullopt});
    }
    // Most used first, entries without usage last; a stable sort leaves ties in snapshot order.
    std::stable_sort(ranked.begin(), ranked.end(), [](const Ranked& a, const Ranked& b) {
        if (a.usage && b.usage) return *a.usage > *b.usage;
        return a.usage.has_value() && !b.usage.has_value();
    });
    ranked.resize(limit);
    std::sort(ranked.begin(), ranked.end(), [](const Ranked& a, const Ranked& b) { return a.position < b.position; });

    std::vector<WidgetProviderSnapshot> result;
    result.reserve(limit);
    for (const Ranked& entry : ranked) result.push_back(std::move(entries[entry.position]));
    return result;
}

std::optional<Date> earliest(const std::vector<Date>& dates) {
    if (dates.empty()) return std::nullopt;
    return *std::min_element(dates.begin(), dates.end());
}

} // namespace tallyfox
