// Fuzzes the command-line tool's strict snapshot reading and both renderings. Beyond "no crash, no
// sanitizer report", every status that reads must render, and its JSON form must read back equal.
#include "cli/CLIStatus.hpp"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using tallyfox::cli::CLIStatus;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto status = CLIStatus::read(bytes, platform::foundation::Date{1'772'445'900});
    if (!status) return 0;
    const std::string text = status->text();
    const auto json = status->json();
    if (!json) std::abort();
    const auto back = CLIStatus::fromJSON(*json);
    if (!back || *back != *status) std::abort();
    return 0;
}
