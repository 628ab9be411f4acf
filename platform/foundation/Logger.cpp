#include "platform/foundation/Logger.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <systemd/sd-journal.h>
#include <unistd.h>

namespace platform::foundation {
namespace {

// The captures alive right now. Logging is rare (a few lines per request), so one mutex is plenty.
std::mutex& capturesMutex() {
    static std::mutex mutex;
    return mutex;
}
std::vector<LogCapture*>& captures() {
    static std::vector<LogCapture*> list;
    return list;
}

constexpr const char* journalSocket = "/run/systemd/journal/socket";

bool stderrWanted() {
    const char* value = std::getenv("TALLYFOX_DEBUG_LOG");
    return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
}

int journalPriority(LogLevel level) {
    switch (level) {
    case LogLevel::debug: return 7;
    case LogLevel::info: return 6;
    case LogLevel::error: return 3;
    }
    return 7;
}

const char* levelName(LogLevel level) {
    switch (level) {
    case LogLevel::debug: return "debug";
    case LogLevel::info: return "info";
    case LogLevel::error: return "error";
    }
    return "debug";
}

} // namespace

Logger::Logger(std::string subsystem, std::string category)
    : subsystem_(std::move(subsystem)), category_(std::move(category)) {}

void Logger::log(LogLevel level, std::string_view message) const {
    const std::string text(message);
    // sd_journal_send succeeds silently when no journal runs, so look for its socket first.
    const bool journal = ::access(journalSocket, W_OK) == 0;
    const int sent = !journal ? -1 : sd_journal_send("MESSAGE=%s", text.c_str(), "PRIORITY=%i", journalPriority(level),
                                     "TALLYFOX_SUBSYSTEM=%s", subsystem_.c_str(), "TALLYFOX_CATEGORY=%s",
                                     category_.c_str(), nullptr);
    if (sent < 0 && stderrWanted()) {
        std::fprintf(stderr, "%s [%s] %s: %s\n", subsystem_.c_str(), category_.c_str(), levelName(level),
                     text.c_str());
    }

    const std::lock_guard lock(capturesMutex());
    if (captures().empty()) return;
    const LogRecord record{subsystem_, category_, level, text};
    for (LogCapture* capture : captures()) capture->receive(record);
}

LogCapture::LogCapture() {
    const std::lock_guard lock(capturesMutex());
    captures().push_back(this);
}

LogCapture::~LogCapture() {
    const std::lock_guard lock(capturesMutex());
    auto& list = captures();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

std::vector<LogRecord> LogCapture::records() const {
    const std::lock_guard lock(mutex_);
    return records_;
}

std::vector<std::string> LogCapture::messages() const {
    const std::lock_guard lock(mutex_);
    std::vector<std::string> result;
    result.reserve(records_.size());
    for (const auto& record : records_) result.push_back(record.message);
    return result;
}

void LogCapture::clear() {
    const std::lock_guard lock(mutex_);
    records_.clear();
}

void LogCapture::receive(const LogRecord& record) {
    const std::lock_guard lock(mutex_);
    records_.push_back(record);
}

} // namespace platform::foundation
