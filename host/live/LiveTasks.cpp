#include "host/live/LiveTasks.hpp"

#include <glib.h>

namespace widgethost {

void runOnMainLoop(std::function<void()> function) {
    auto* held = new std::function<void()>(std::move(function));
    g_idle_add_full(
        G_PRIORITY_DEFAULT,
        [](gpointer data) -> gboolean {
            (*static_cast<std::function<void()>*>(data))();
            return G_SOURCE_REMOVE;
        },
        held, [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
}

void drainMainLoop() {
    // Bounded: a toolkit source that keeps coming back must not hold up the end.
    for (int round = 0; round < 1000 && g_main_context_pending(nullptr); ++round)
        g_main_context_iteration(nullptr, FALSE);
}

BackgroundQueue::BackgroundQueue() : thread_([this] { work(); }) {}

BackgroundQueue::~BackgroundQueue() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        jobs_.clear();
    }
    wake_.notify_all();
    thread_.join();
}

void BackgroundQueue::post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void BackgroundQueue::work() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (stopping_) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

} // namespace widgethost
