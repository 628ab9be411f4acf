#pragma once
// The live host's log: debug lines in the unified log (subsystem "com.tallyfox.widgethost", category
// "live"), and with TALLYFOX_WIDGETHOST_TRACE set, a timed trace of what the windows do on standard
// error, which the desktop tests and the reload benchmark read.

#include <string>
#include <string_view>

namespace widgethost {

/// A debug line in the unified log.
void liveLog(std::string_view message);

/// Whether the trace is on.
bool liveTracing();

/// A trace line, "widgethost trace <monotonic seconds>: <message>", when the trace is on.
void liveTrace(std::string_view message);

} // namespace widgethost
