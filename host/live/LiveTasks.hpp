#pragma once
// Work the live host does off its main thread: timeline requests and configuration queries run on a
// worker thread of their own, and their results come back to the main loop, where the windows live.

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace widgethost {

/// Runs `function` on the thread of the default main context, soon (from any thread).
void runOnMainLoop(std::function<void()> function);

/// Dispatches what the default main context has pending, so that no function posted above is left
/// queued when the host ends.
void drainMainLoop();

/// One worker thread running jobs in the order they come.
class BackgroundQueue {
public:
    BackgroundQueue();
    /// Drops the jobs still waiting and waits for the one running.
    ~BackgroundQueue();
    BackgroundQueue(const BackgroundQueue&) = delete;
    BackgroundQueue& operator=(const BackgroundQueue&) = delete;

    /// Runs `work` on the worker, then `done` on the main loop with its result. A job that throws
    /// gives nothing and calls `failed` with the reason instead (the provider promises never to
    /// fail; a host does not trust that with its life).
    template <class Result>
    void run(std::function<Result()> work, std::function<void(Result)> done,
             std::function<void(std::string)> failed = {}) {
        post([work = std::move(work), done = std::move(done), failed = std::move(failed)]() mutable {
            std::optional<Result> result;
            std::string reason;
            try {
                result.emplace(work());
            } catch (const std::exception& error) {
                reason = error.what();
            } catch (...) {
                reason = "unknown exception";
            }
            if (result) {
                auto shared = std::make_shared<Result>(std::move(*result));
                runOnMainLoop([done = std::move(done), shared] { done(std::move(*shared)); });
            } else if (failed) {
                runOnMainLoop([failed = std::move(failed), reason] { failed(reason); });
            }
        });
    }

private:
    void post(std::function<void()> job);
    void work();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace widgethost
