#pragma once
// Watches one file by name through its folder, so that every way of changing it is seen: written in
// place, replaced by a rename (the atomic write), deleted, created. A file monitor on the file itself
// loses track of it once it is renamed over, and reports later.

#include <filesystem>
#include <functional>
#include <string>

typedef struct _GFileMonitor GFileMonitor;

namespace widgethost {

/// Calls `changed` on the main loop when the file changes. A change that is finished when it is seen
/// (a rename into place, a deletion, a writer closing the file) is reported at once; one still under
/// way (a write in place) only when no further change came for a short while, and in any case within
/// a second, so that the reader does not see half a file.
class FileChangeMonitor {
public:
    FileChangeMonitor(const std::filesystem::path& file, std::function<void()> changed);
    ~FileChangeMonitor();
    FileChangeMonitor(const FileChangeMonitor&) = delete;
    FileChangeMonitor& operator=(const FileChangeMonitor&) = delete;

    /// Whether the folder is watched (a folder that does not exist yet is watched from when it appears).
    bool watching() const { return monitor_ != nullptr; }
    /// The monotonic time (µs) of the first change event behind the report being made or just made.
    long long firstEventTime() const { return firstEvent_; }

    /// A write in place counts as finished after this long without another change (milliseconds).
    static constexpr unsigned quietPeriod = 200;
    /// Changes that keep coming are reported after this long at the latest.
    static constexpr unsigned longestDelay = 900;
    /// Finished changes that arrive together (a deletion and a rename) are reported once.
    static constexpr unsigned finishedDelay = 5;

private:
    static void onEvent(GFileMonitor* monitor, void* file, void* other, int event, void* self);
    void schedule(unsigned delay);
    void fire();

    std::string name_;
    std::function<void()> changed_;
    GFileMonitor* monitor_ = nullptr;
    unsigned timer_ = 0;
    long long pendingSince_ = 0; // monotonic µs of the first event not reported yet
    long long firstEvent_ = 0;   // the same for the report made last
};

} // namespace widgethost
