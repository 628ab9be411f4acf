#pragma once
// Watches one file by name through its folder, so that every way of changing it is seen: written in
// place, replaced by a rename (the atomic write), deleted, created. A file monitor on the file itself
// loses track of it once it is renamed over, and reports later. While the folder does not exist (no
// snapshot was ever written), the nearest folder above it that does is watched for the way down.
// Where the folder cannot be watched (the user's inotify watches or instances used up, by an editor
// or an IDE; a network file system, which does not report changes made on other machines), the file
// is looked at every few seconds instead, by identity and time stamp, until watching works again.

#include <filesystem>
#include <functional>
#include <optional>
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
    /// How often the file is looked at while its folder cannot be watched (milliseconds).
    static constexpr unsigned pollInterval = 2000;
    /// While looking, watching is tried again every this many looks.
    static constexpr unsigned rewatchEvery = 15;

    /// What the file is at one moment, as far as a change shows in it.
    struct Identity {
        bool exists = false;
        unsigned long long device = 0, inode = 0;
        long long size = 0, modified = 0, changed = 0; // nanoseconds for the times
        bool operator==(const Identity&) const = default;
    };
    static Identity identity(const std::filesystem::path& file);

    /// Why changes in `folder` would not be reported (an inotify watch cannot be added, the file
    /// system is remote); nothing when they would.
    static std::optional<std::string> unwatchable(const std::filesystem::path& folder);

    /// Whether the file is being looked at instead of watched.
    bool polling() const { return poll_ != 0; }

private:
    static void onEvent(GFileMonitor* monitor, void* file, void* other, int event, void* self);
    /// Watches the file's folder, or the nearest folder above it that exists.
    void watch();
    void watchAgainSoon();
    void schedule(unsigned delay);
    void fire();
    void startPolling(const std::string& reason);
    void stopPolling();
    void look();

    std::filesystem::path file_;
    std::filesystem::path watched_; // the folder watched now
    std::function<void()> changed_;
    GFileMonitor* monitor_ = nullptr;
    unsigned timer_ = 0;
    unsigned rewatch_ = 0;
    unsigned poll_ = 0;
    unsigned looks_ = 0;   // since polling began
    Identity seen_;        // what the last look saw
    bool said_ = false;    // the user was told that the file is looked at
    long long pendingSince_ = 0; // monotonic µs of the first event not reported yet
    long long firstEvent_ = 0;   // the same for the report made last
};

} // namespace widgethost
