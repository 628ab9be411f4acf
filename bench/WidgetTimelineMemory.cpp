// Memory of one complete timeline request (load, select, a day of entries) on the costliest snapshot
// the widget reads: just under 4 MiB, with a distinct reset every second.
//
// Two figures matter. The whole process's peak resident set (VmHWM), libraries included; and the peak
// of its private, anonymous memory (what a platform's memory limit for extensions counts: clean pages
// of shared libraries can be dropped and reloaded at any time), sampled every 100 µs while the request
// runs. Prints both against the widget's 30 MB budget.
#include "TallyfoxWidget/TallyfoxTimelineProvider.hpp"
#include "bench/WidgetSnapshotSamples.hpp"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <malloc.h>
#include <unistd.h>

namespace {

constexpr double budgetMB = 30;

// Resident memory now, in MB: everything, and only the anonymous (private) part.
struct Resident {
    double total = 0;
    double anonymous = 0;
};
Resident resident() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, pages = 0, shared = 0;
    statm >> size >> pages >> shared;
    const double pageMB = double(::sysconf(_SC_PAGESIZE)) / (1024 * 1024);
    return {double(pages) * pageMB, double(pages - shared) * pageMB};
}

// Bytes the program holds on the heap now (what it keeps, whatever the allocator retains), in MB.
double heapInUseMB() {
    const struct mallinfo2 info = ::mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024 * 1024);
}

double peakResidentMB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) / 1024;
    return -1;
}

// Samples the anonymous resident memory until stopped and keeps its peak.
class Sampler {
public:
    Sampler()
        : thread_([this] {
              while (!stop_) {
                  peak_ = std::max(peak_.load(), resident().anonymous);
                  std::this_thread::sleep_for(std::chrono::microseconds(100));
              }
          }) {}
    double stop() {
        stop_ = true;
        thread_.join();
        return peak_;
    }

private:
    std::atomic<bool> stop_{false};
    std::atomic<double> peak_{0};
    std::thread thread_;
};

} // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    const double now = 1.8e9;
    if (argc < 2) {
        // Write the snapshot, then measure in a fresh process image, so that nothing the generator
        // allocated counts against the request.
        const fs::path home = fs::temp_directory_path() / ("tallyfox-memory-" + std::to_string(::getpid()));
        const fs::path container = home / "Library/Group Containers/group.com.tallyfox.Tallyfox";
        fs::create_directories(container);
        const std::string document = tallyfox::bench::worstCaseTimelineSnapshot(4 * 1024 * 1024 - 1, now);
        std::ofstream(container / "widget-snapshot.json", std::ios::binary) << document;
        std::printf("snapshot: %zu bytes\n", document.size());
        std::fflush(stdout);
        ::setenv("HOME", home.c_str(), 1);
        ::execl("/proc/self/exe", argv[0], "measure", static_cast<char*>(nullptr));
        std::perror("exec");
        return 2;
    }
    const fs::path home = std::getenv("HOME");
    const tallyfox::TallyfoxTimelineProvider provider{tallyfox::WidgetSnapshotStore::make(),
                                                      [now] { return platform::foundation::Date{now}; }};
    const Resident before = resident();
    std::printf("before the request: %.1f MB resident, %.1f MB of it private\n", before.total, before.anonymous);

    const double heapBefore = heapInUseMB();
    {
        const auto snapshot = provider.store->load();
        std::printf("one decoded snapshot holds %.1f MB of heap\n", heapInUseMB() - heapBefore);
    }

    Sampler sampler;
    std::size_t entries = 0;
    std::size_t windows = 0;
    {
        const auto timeline = provider.timeline(tallyfox::WidgetSelectionIntent{}, {});
        entries = timeline.entries.size();
        if (entries > 0 && timeline.entries.back().snapshot)
            timeline.entries.back().snapshot->forEachProvider(
                [&](const tallyfox::WidgetProviderSnapshot& entry) { windows += entry.windows.size(); });
        std::printf("the timeline, %zu entries over %zu windows, holds %.1f MB of heap\n", entries, windows,
                    heapInUseMB() - heapBefore);
    }
    const double peakPrivate = sampler.stop();
    const double peakWhole = peakResidentMB();
    std::printf("peak private memory during the request: %.1f MB (%s the %.0f MB budget)\n", peakPrivate,
                peakPrivate <= budgetMB ? "within" : "over", budgetMB);
    std::printf("peak resident set of the whole process, libraries included: %.1f MB (%s the budget)\n", peakWhole,
                peakWhole <= budgetMB ? "within" : "over");
    fs::remove_all(home);
    return 0;
}
