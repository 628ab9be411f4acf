#include "host/FileChangeMonitor.hpp"

#include "host/LiveLog.hpp"

#include <gio/gio.h>

#include <algorithm>

namespace widgethost {

FileChangeMonitor::FileChangeMonitor(const std::filesystem::path& file, std::function<void()> changed)
    : name_(file.filename().string()), changed_(std::move(changed)) {
    GFile* folder = g_file_new_for_path(file.parent_path().c_str());
    GError* error = nullptr;
    // Moves are reported as moves (with both names), not as a deletion and a creation.
    monitor_ = g_file_monitor_directory(folder, G_FILE_MONITOR_WATCH_MOVES, nullptr, &error);
    g_object_unref(folder);
    if (!monitor_) {
        liveLog("cannot watch " + file.parent_path().string() + ": " + (error ? error->message : "unknown error"));
        if (error) g_error_free(error);
        return;
    }
    g_signal_connect(monitor_, "changed", G_CALLBACK(onEvent), this);
}

FileChangeMonitor::~FileChangeMonitor() {
    if (timer_) g_source_remove(timer_);
    if (monitor_) {
        g_signal_handlers_disconnect_by_data(monitor_, this);
        g_file_monitor_cancel(monitor_);
        g_object_unref(monitor_);
    }
}

void FileChangeMonitor::onEvent(GFileMonitor*, void* file, void* other, int event, void* data) {
    auto* self = static_cast<FileChangeMonitor*>(data);
    const auto named = [&](void* candidate) {
        if (!candidate) return false;
        char* base = g_file_get_basename(G_FILE(candidate));
        const bool same = base && self->name_ == base;
        g_free(base);
        return same;
    };
    if (!named(file) && !named(other)) return;
    switch (static_cast<GFileMonitorEvent>(event)) {
    case G_FILE_MONITOR_EVENT_DELETED:
    case G_FILE_MONITOR_EVENT_CHANGES_DONE_HINT:
    case G_FILE_MONITOR_EVENT_RENAMED:
    case G_FILE_MONITOR_EVENT_MOVED_IN:
    case G_FILE_MONITOR_EVENT_MOVED_OUT:
    case G_FILE_MONITOR_EVENT_MOVED: self->schedule(finishedDelay); break;
    case G_FILE_MONITOR_EVENT_CHANGED:
    case G_FILE_MONITOR_EVENT_CREATED:
    case G_FILE_MONITOR_EVENT_ATTRIBUTE_CHANGED: self->schedule(quietPeriod); break;
    case G_FILE_MONITOR_EVENT_PRE_UNMOUNT:
    case G_FILE_MONITOR_EVENT_UNMOUNTED: break;
    }
}

void FileChangeMonitor::schedule(unsigned delay) {
    const long long now = g_get_monotonic_time();
    if (pendingSince_ == 0) pendingSince_ = now;
    const long long due = std::min(now + delay * 1000LL, pendingSince_ + longestDelay * 1000LL);
    if (timer_) g_source_remove(timer_);
    const auto milliseconds = static_cast<guint>(std::max(0LL, (due - now + 999) / 1000));
    timer_ = g_timeout_add(milliseconds, [](gpointer data) -> gboolean {
        static_cast<FileChangeMonitor*>(data)->fire();
        return G_SOURCE_REMOVE;
    }, this);
}

void FileChangeMonitor::fire() {
    timer_ = 0;
    firstEvent_ = pendingSince_;
    pendingSince_ = 0;
    changed_();
}

} // namespace widgethost
