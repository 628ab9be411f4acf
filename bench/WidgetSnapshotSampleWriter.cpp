// Writes one of the benchmark snapshots to standard output, for whole-process benchmarks:
//   widget_snapshot_sample worst-case|typical BYTES [NOW]
// NOW is in seconds since 1970 (default: the current time), so that the dates lie ahead of it.
#include "bench/WidgetSnapshotSamples.hpp"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: widget_snapshot_sample worst-case|typical BYTES [NOW]\n", stderr);
        return 2;
    }
    const std::string_view kind = argv[1];
    const std::size_t bytes = std::strtoull(argv[2], nullptr, 10);
    const double now = argc > 3
                           ? std::strtod(argv[3], nullptr)
                           : std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    std::string document;
    if (kind == "worst-case")
        document = tallyfox::bench::worstCaseTimelineSnapshot(bytes, now);
    else if (kind == "typical")
        document = tallyfox::bench::typicalSnapshot(bytes, now);
    else
        return 2;
    std::fwrite(document.data(), 1, document.size(), stdout);
    return 0;
}
