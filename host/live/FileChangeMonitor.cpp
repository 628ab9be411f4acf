#include "host/live/FileChangeMonitor.hpp"

#include "host/strings/HostStrings.hpp"
#include "host/gtk/LiveLog.hpp"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
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
    if (poll_) g_source_remove(poll_);
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
        const std::string message = failure ? failure->message : "unknown error";
        if (failure) g_error_free(failure);
        liveLog("cannot watch " + folder.string() + ": " + message);
        // GLib's own words ("Unable to find default local file monitor type") do not say why.
        startPolling(unwatchable(folder).value_or(message));
        return;
    }
    g_signal_connect(monitor_, "changed", G_CALLBACK(onEvent), this);
    // A watch GLib cannot add (no inotify watches left) makes a monitor all the same, one that never
    // reports: ask the kernel directly.
    if (const auto reason = unwatchable(folder))
        startPolling(*reason);
    else
        stopPolling();
    if (watched_ != file_.parent_path()) {
        liveTrace("waiting for " + file_.parent_path().string() + " to appear");
        // The next folder down may have come between the look and the watch: look once more.
        const fs::path next = watched_ / file_.parent_path().lexically_relative(watched_).begin()->string();
        if (fs::is_directory(next, error)) watchAgainSoon();
    }
    // The folder came while we were on the way down: the file may have come with it.
    if (arrived && fs::exists(file_, error)) schedule(finishedDelay);
}

std::optional<std::string> FileChangeMonitor::unwatchable(const fs::path& folder) {
    const int notifications = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (notifications < 0) {
        const int error = errno;
        if (error == EMFILE)
            return hostText("this user's inotify instances are used up; the sysctl fs.inotify.max_user_instances "
                            "raises the limit");
        return std::string("inotify: ") + std::strerror(error);
    }
    const int watch = ::inotify_add_watch(notifications, folder.c_str(),
                                          IN_CREATE | IN_DELETE | IN_MODIFY | IN_MOVED_FROM | IN_MOVED_TO);
    const int error = errno;
    ::close(notifications);
    if (watch < 0) {
        if (error == ENOSPC)
            return hostText("this user's inotify watches are used up; the sysctl fs.inotify.max_user_watches "
                            "raises the limit");
        return std::string("inotify: ") + std::strerror(error);
    }
    // The kernel reports what this machine changes on a network file system, not what others change.
    GFile* directory = g_file_new_for_path(folder.c_str());
    GFileInfo* info = g_file_query_filesystem_info(directory, G_FILE_ATTRIBUTE_FILESYSTEM_REMOTE, nullptr, nullptr);
    g_object_unref(directory);
    const bool remote = info && g_file_info_get_attribute_boolean(info, G_FILE_ATTRIBUTE_FILESYSTEM_REMOTE);
    if (info) g_object_unref(info);
    if (remote) return hostText("it is on a network file system, which does not report changes made elsewhere");
    return std::nullopt;
}

FileChangeMonitor::Identity FileChangeMonitor::identity(const fs::path& file) {
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0) return {};
    const auto nanoseconds = [](const timespec& time) { return time.tv_sec * 1000000000LL + time.tv_nsec; };
    return {true,
            static_cast<unsigned long long>(status.st_dev),
            static_cast<unsigned long long>(status.st_ino),
            static_cast<long long>(status.st_size),
            nanoseconds(status.st_mtim),
            nanoseconds(status.st_ctim)};
}

void FileChangeMonitor::startPolling(const std::string& reason) {
    if (poll_) return;
    seen_ = identity(file_);
    looks_ = 0;
    liveLog("looking at " + file_.string() + " every " + std::to_string(pollInterval) + " ms: " + reason);
    // Once for each file: the line is for whoever wonders why a change shows late.
    if (!said_) {
        said_ = true;
        static_assert(pollInterval == 2000, "the line says how often");
        const std::string line =
            "widgethost: " + hostText("cannot watch %@ for changes (%@); looking at it every two seconds instead",
                                      {file_.string(), reason});
        std::fprintf(stderr, "%s\n", line.c_str());
    }
    poll_ = g_timeout_add(
        pollInterval,
        [](gpointer data) -> gboolean {
            static_cast<FileChangeMonitor*>(data)->look();
            return G_SOURCE_CONTINUE;
        },
        this);
}

void FileChangeMonitor::stopPolling() {
    if (!poll_) return;
    g_source_remove(poll_);
    poll_ = 0;
    liveLog("watching " + watched_.string() + " again");
    // A change between the last look and the watch.
    if (identity(file_) != seen_) schedule(quietPeriod);
}

void FileChangeMonitor::look() {
    const Identity now = identity(file_);
    if (now != seen_) {
        seen_ = now;
        // A write in place may still be under way: a moment's quiet, as for a reported one.
        schedule(quietPeriod);
    }
    // Watches may have been given back (the editor closed).
    if (++looks_ % rewatchEvery == 0 && !unwatchable(watched_)) watchAgainSoon();
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
