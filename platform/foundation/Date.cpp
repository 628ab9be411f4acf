#include "platform/foundation/Date.hpp"

#include <atomic>
#include <chrono>
#include <cmath>

namespace platform::foundation::Clock {
namespace {

// NaN marks "not fixed"; doubles are lock-free atomics on every platform we build for.
std::atomic<double> fixedSeconds{std::nan("")};
std::atomic<double> offsetSeconds{0};

} // namespace

Date now() {
    const double fixed = fixedSeconds.load(std::memory_order_acquire);
    if (!std::isnan(fixed)) return Date{fixed};
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    const double seconds = std::chrono::duration<double>(since).count();
    return Date{seconds + offsetSeconds.load(std::memory_order_acquire)};
}

void setFixedNow(std::optional<Date> date) {
    fixedSeconds.store(date ? date->timeIntervalSince1970 : std::nan(""), std::memory_order_release);
}

void setOffset(double seconds) { offsetSeconds.store(seconds, std::memory_order_release); }

} // namespace platform::foundation::Clock
