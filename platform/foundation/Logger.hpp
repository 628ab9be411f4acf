#pragma once
// The unified log: one logger per subsystem and category, writing to the systemd journal.

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace platform::foundation {

/// How important a log line is; the widget logs only at debug level.
enum class LogLevel { debug, info, error };

/// One line as the log received it.
struct LogRecord {
    std::string subsystem;
    std::string category;
    LogLevel level = LogLevel::debug;
    std::string message;

    bool operator==(const LogRecord&) const = default;
};

/// A logger for one subsystem and category. Cheap to copy, safe to use from any thread.
///
/// A line goes to the systemd journal when its socket is reachable (priority 7 for debug, with the
/// subsystem and category as fields). Without a journal it goes to standard error, but only when the
/// environment asks for debug output (TALLYFOX_DEBUG_LOG set to anything but "" or "0"), the way a
/// desktop log keeps debug lines out of sight unless someone is looking. Every line also reaches the
/// active `LogCapture`s.
class Logger {
public:
    Logger(std::string subsystem, std::string category);

    void debug(std::string_view message) const { log(LogLevel::debug, message); }
    void info(std::string_view message) const { log(LogLevel::info, message); }
    void error(std::string_view message) const { log(LogLevel::error, message); }
    void log(LogLevel level, std::string_view message) const;

    const std::string& subsystem() const { return subsystem_; }
    const std::string& category() const { return category_; }

private:
    std::string subsystem_;
    std::string category_;
};

/// Collects every line logged in this process while it lives (the sink tests read).
/// Captures nest; each sees every line logged during its own lifetime.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    /// The lines received so far, in order.
    std::vector<LogRecord> records() const;
    /// Only the messages, in order.
    std::vector<std::string> messages() const;
    void clear();

private:
    friend class Logger;
    void receive(const LogRecord& record);

    mutable std::mutex mutex_;
    std::vector<LogRecord> records_;
};

} // namespace platform::foundation
