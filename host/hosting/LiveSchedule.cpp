#include "host/hosting/LiveSchedule.hpp"

#include <algorithm>
#include <cmath>

namespace widgethost {

namespace ui = platform::ui;
using platform::widgetkit::TimelineReloadPolicy;

std::optional<Date> reloadDate(const TimelineState& state) {
    const Date earliest = state.requestedAt.addingTimeInterval(shortestReloadInterval);
    switch (state.policy.kind) {
    case TimelineReloadPolicy::Kind::never:
        return std::nullopt;
    case TimelineReloadPolicy::Kind::after:
        return std::max(state.policy.date, earliest);
    case TimelineReloadPolicy::Kind::atEnd:
        return state.entryDates.empty() ? earliest : std::max(state.entryDates.back(), earliest);
    }
    return std::nullopt;
}

LivePlan planAt(const TimelineState& state, Date now, ui::LiveTextUpdates live) {
    LivePlan plan;
    Date wake = now.addingTimeInterval(longestSleep);
    const auto consider = [&](Date candidate) {
        if (candidate > now) wake = std::min(wake, candidate);
    };

    const auto& dates = state.entryDates;
    const auto next = std::upper_bound(dates.begin(), dates.end(), now);
    plan.entryIndex = next == dates.begin() ? 0 : static_cast<std::size_t>(next - dates.begin() - 1);
    if (next != dates.end()) consider(next->addingTimeInterval(wakeMargin));

    if (const auto reload = reloadDate(state)) {
        plan.reloadDue = now >= *reload;
        consider(reload->addingTimeInterval(wakeMargin));
    }
    // A clock set back before the request makes the timeline one for a later day.
    if (!dates.empty() && now < state.requestedAt.addingTimeInterval(-clockSetBackTolerance))
        plan.reloadDue = true;

    const double seconds = now.timeIntervalSince1970;
    switch (live) {
    case ui::LiveTextUpdates::none:
        break;
    case ui::LiveTextUpdates::everySecond:
        consider(Date{std::floor(seconds) + 1 + wakeMargin});
        break;
    case ui::LiveTextUpdates::everyMinute:
        consider(Date{std::floor(seconds / 60) * 60 + 60 + wakeMargin});
        break;
    }
    plan.nextWake = wake;
    return plan;
}

} // namespace widgethost
