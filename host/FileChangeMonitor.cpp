#include "host/FileChangeMonitor.hpp"

#include "host/LiveLog.hpp"

#include <algorithm>
#include <gio/gio.h>

namespace widgethost {

namespace fs = std::filesystem;

FileChangeMonitor::FileChangeMonitor(fs::path file, std::function<void()> changed)
    : file_(std::move(file)), changed_(std::move(changed)) {
    watch();
}

FileChangeMonitor::~FileChangeMonitor() {
    if (timer_) g_source_remove(timer_);
    if (rewatch_) g_source_remove(rewatch_);
    if (monitor_) {
        g_signal_handlers_disconnect_by_data(monitor_, this);
        g_file_monitor_cancel(monitor_);
        g_object_unref(monitor_);
    }
}

void FileChangeMonitor::watch() {
    if (monitor_) {
        g_signal_handlers_disconnect_by_data(monitor_, this);
        g_file_monitor_cancel(monitor_);
        g_object_unref(monitor_);
        monitor_ = nullptr;
    }
    fs::path folder = file_.parent_path();
    std::error_code error;
    while (!fs::is_directory(folder, error) && folder.has_relative_path())
        folder = folder.parent_path();
    const bool arrived =
        !watched_.empty() && watched_ != file_.parent_path() && folder == file_.parent_path();
    watched_ = folder;
    GFile* directory = g_file_new_for_path(folder.c_str());
    GError* failure = nullptr;
    // Moves are reported as moves (with both names), not as a deletion and a creation.
    monitor_ = g_file_monitor_directory(directory, G_FILE_MONITOR_WATCH_MOVES, nullptr, &failure);
    g_object_unref(directory);
    if (!monitor_) {
        liveLog("cannot watch " + folder.string() + ": " + (failure ? failure->message : "unknown error"));
        if (failure) g_error_free(failure);
        return;
    }
    g_signal_connect(monitor_, "changed", G_CALLBACK(onEvent), this);
    if (watched_ != file_.parent_path()) {
        liveTrace("waiting for " + file_.parent_path().string() + " to appear");
        // The next folder down may have come between the look and the watch: look once more.
        const fs::path next = watched_ / file_.parent_path().lexically_relative(watched_).begin()->string();
        if (fs::is_directory(next, error)) watchAgainSoon();
    }
    // The folder came while we were on the way down: the file may have come with it.
    if (arrived && fs::exists(file_, error)) schedule(finishedDelay);
}

void FileChangeMonitor::watchAgainSoon() {
    // Not from inside the monitor's own signal: the monitor is replaced.
    if (rewatch_) return;
    rewatch_ = g_idle_add(
        [](gpointer data) -> gboolean {
            auto* self = static_cast<FileChangeMonitor*>(data);
            self->rewatch_ = 0;
            self->watch();
            return G_SOURCE_REMOVE;
        },
        this);
}

void FileChangeMonitor::onEvent(GFileMonitor*, void* file, void* other, int event, void* data) {
    auto* self = static_cast<FileChangeMonitor*>(data);
    const auto path = [](void* candidate) {
        if (!candidate) return fs::path();
        char* text = g_file_get_path(G_FILE(candidate));
        fs::path result = text ? fs::path(text) : fs::path();
        g_free(text);
        return result;
    };
    const fs::path changed = path(file), otherPath = path(other);
    const auto kind = static_cast<GFileMonitorEvent>(event);

    if (self->watched_ != self->file_.parent_path()) {
        // On the way down: anything that appears here may be the next folder.
        if (kind == G_FILE_MONITOR_EVENT_CREATED || kind == G_FILE_MONITOR_EVENT_MOVED_IN ||
            kind == G_FILE_MONITOR_EVENT_RENAMED)
            self->watchAgainSoon();
        return;
    }
    if (changed == self->watched_) {
        // The folder itself went away (or was moved): the file went with it.
        if (kind == G_FILE_MONITOR_EVENT_DELETED || kind == G_FILE_MONITOR_EVENT_MOVED_OUT ||
            kind == G_FILE_MONITOR_EVENT_RENAMED || kind == G_FILE_MONITOR_EVENT_MOVED) {
            self->watchAgainSoon();
            self->schedule(finishedDelay);
        }
        return;
    }
    const fs::path name = self->file_.filename();
    if (changed.filename() != name && otherPath.filename() != name) return;
    switch (kind) {
    case G_FILE_MONITOR_EVENT_DELETED:
    case G_FILE_MONITOR_EVENT_CHANGES_DONE_HINT:
    case G_FILE_MONITOR_EVENT_RENAMED:
    case G_FILE_MONITOR_EVENT_MOVED_IN:
    case G_FILE_MONITOR_EVENT_MOVED_OUT:
    case G_FILE_MONITOR_EVENT_MOVED:
        self->schedule(finishedDelay);
        break;
    case G_FILE_MONITOR_EVENT_CHANGED:
    case G_FILE_MONITOR_EVENT_CREATED:
    case G_FILE_MONITOR_EVENT_ATTRIBUTE_CHANGED:
        self->schedule(quietPeriod);
        break;
    case G_FILE_MONITOR_EVENT_PRE_UNMOUNT:
    case G_FILE_MONITOR_EVENT_UNMOUNTED:
        break;
    }
}

void FileChangeMonitor::schedule(unsigned delay) {
    const long long now = g_get_monotonic_time();
    if (pendingSince_ == 0) pendingSince_ = now;
    const long long due = std::min(now + delay * 1000LL, pendingSince_ + longestDelay * 1000LL);
    if (timer_) g_source_remove(timer_);
    const auto milliseconds = static_cast<guint>(std::max(0LL, (due - now + 999) / 1000));
    timer_ = g_timeout_add(
        milliseconds,
        [](gpointer data) -> gboolean {
            static_cast<FileChangeMonitor*>(data)->fire();
            return G_SOURCE_REMOVE;
        },
        this);
}

void FileChangeMonitor::fire() {
    timer_ = 0;
    firstEvent_ = pendingSince_;
    pendingSince_ = 0;
    changed_();
}

} // namespace widgethost
