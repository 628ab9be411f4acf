// Peak resident memory of one complete timeline request (load, select, a day of entries) on the
// costliest snapshot the widget reads: just under 4 MiB, with a distinct reset every second.
// Prints the figures; exits 1 when the whole process peaks above the widget's 30 MB budget.
#include "TallyfoxWidget/TallyfoxTimelineProvider.hpp"
#include "bench/WidgetSnapshotSamples.hpp"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace {

// Resident memory of the process in kB: VmHWM (peak) or VmRSS (now).
long statusKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0) return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
    return -1;
}

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
    const long before = statusKilobytes("VmRSS");

    const tallyfox::TallyfoxTimelineProvider provider{tallyfox::WidgetSnapshotStore::make(),
                                                      [now] { return platform::foundation::Date{now}; }};
    {
        const auto alone = provider.store->load();
        std::printf("resident while holding the decoded snapshot alone: %.1f MB\n",
                    double(statusKilobytes("VmRSS")) / 1024);
    }
    std::size_t entries = 0;
    std::size_t windows = 0;
    {
        const auto timeline = provider.timeline(tallyfox::WidgetSelectionIntent{}, {});
        entries = timeline.entries.size();
        if (entries > 0 && timeline.entries.back().snapshot)
            timeline.entries.back().snapshot->forEachProvider(
                [&](const tallyfox::WidgetProviderSnapshot& entry) { windows += entry.windows.size(); });
        std::printf("entries: %zu, windows: %zu, resident while holding the timeline: %.1f MB\n", entries, windows,
                    double(statusKilobytes("VmRSS")) / 1024);
    }
    const long peak = statusKilobytes("VmHWM");
    std::printf("resident before the request: %.1f MB\npeak resident (whole process): %.1f MB\n",
                double(before) / 1024, double(peak) / 1024);
    fs::remove_all(home);
    return peak <= 30 * 1024 ? 0 : 1;
}
