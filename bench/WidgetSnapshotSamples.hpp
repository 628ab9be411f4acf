#pragma once
// Snapshot documents for the widget's benchmarks, built in memory.

#include <cstddef>
#include <string>

namespace tallyfox::bench {

/// A canonical document of about `targetBytes` bytes (never more), made of realistic entries: a few
/// windows each, activity, totals. `now` is the current time in seconds since 1970.
std::string typicalSnapshot(std::size_t targetBytes, double now);

/// The costliest document for a timeline just under `targetBytes`: as many windows as fit, each with
/// a reset at a distinct second within the next 48 hours (so that every window adds an entry to the
/// day ahead), and every entry updated at a distinct recent moment.
std::string worstCaseTimelineSnapshot(std::size_t targetBytes, double now);

} // namespace tallyfox::bench
