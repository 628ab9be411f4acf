#pragma once
// Watches one file by name through its folder, so that every way of changing it is seen: written in
// place, replaced by a rename (the atomic write), deleted, created. A file monitor on the file itself
// loses track of it once it is renamed over, and reports later. While the folder does not exist (no
// snapshot was ever written), the nearest folder above it that does is watched for the way down.

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
    FileChangeMonitor(std::filesystem::path file, std::function<void()> changed);
    ~FileChangeMonitor();
    FileChangeMonitor(const FileChangeMonitor&) = delete;
    FileChangeMonitor& operator=(const FileChangeMonitor&) = delete;

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
    /// Watches the file's folder, or the nearest folder above it that exists.
    void watch();
    void watchAgainSoon();
    void schedule(unsigned delay);
    void fire();

    std::filesystem::path file_;
    std::filesystem::path watched_; // the folder watched now
    std::function<void()> changed_;
    GFileMonitor* monitor_ = nullptr;
    unsigned timer_ = 0;
    unsigned rewatch_ = 0;
    long long pendingSince_ = 0; // monotonic µs of the first event not reported yet
    long long firstEvent_ = 0;   // the same for the report made last
};

} // namespace widgethost
