#include "host/gtk/LiveLog.hpp"

#include "platform/foundation/Logger.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <glib.h>

namespace widgethost {

void liveLog(std::string_view message) {
    static const platform::foundation::Logger logger("com.tallyfox.widgethost", "live");
    logger.debug(message);
    liveTrace(message);
}

bool liveTracing() {
    static const bool on = [] {
        const char* value = std::getenv("TALLYFOX_WIDGETHOST_TRACE");
        return value && *value && std::strcmp(value, "0") != 0;
    }();
    return on;
}

void liveTrace(std::string_view message) {
    if (!liveTracing()) return;
    const double seconds = static_cast<double>(g_get_monotonic_time()) / 1e6;
    // One write per line, so that lines from several threads never interleave.
    std::string line = "widgethost trace " + std::to_string(seconds) + ": ";
    line.append(message);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

} // namespace widgethost
