#pragma once
// The status that `tallyfox status` prints: the snapshot's providers and windows with staleness,
// identifiers and remaining percentages settled against one `now`.

#include "platform/foundation/Date.hpp"
#include "platform/foundation/JSON.hpp"
#include "platform/foundation/Result.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tallyfox::cli {

using platform::foundation::Date;
using platform::foundation::DecodingError;

/// The file decodes as JSON but holds a schema version or a state that the tool does not know.
enum class CLIError { unsupportedSnapshot };

/// Why `CLIStatus::read` gave no status. The tool reports every cause alike.
using CLIReadError = std::variant<DecodingError, CLIError>;

struct CLIStatus {
    struct Window {
        std::string kind;                          ///< "fiveHour", "weekly", "custom", or the snapshot's own name
        std::optional<std::int64_t> durationMinutes;
        std::optional<std::string> scope;
        std::optional<double> remainingPercent;    ///< 100 − used, limited to 0...100; absent once reset
        std::optional<Date> resetsAt;
        bool operator==(const Window&) const = default;
    };

    struct Provider {
        std::string id;
        std::string provider;
        std::optional<std::string> accountName;
        std::optional<std::string> plan;
        std::optional<Date> updatedAt;
        bool stale = false;
        std::optional<std::string> quotaUnavailableReason;
        std::vector<Window> windows;
        bool operator==(const Provider&) const = default;
    };

    std::int64_t schemaVersion = 1;
    Date generatedAt;
    Date readAt;
    std::string state;
    bool stale = false;
    std::vector<Provider> providers;

    bool operator==(const CLIStatus&) const = default;

    /// Reads a snapshot strictly: any defect in what the tool reads fails the whole read, and every
    /// other key is ignored (but must still be valid JSON). `capacity` is as for JSONDocument::parse.
    static platform::foundation::Result<CLIStatus, CLIReadError> read(std::string_view bytes, Date now,
                                                                      std::size_t capacity = 0);

    /// The text form for people; no trailing line feed. Snapshot strings pass through `clean`.
    std::string text() const;
    /// The JSON form for scripts (schema version 1): sorted keys, pretty-printed, no trailing line
    /// feed. Nothing when a number is not finite (the status from `read` always has finite numbers).
    std::optional<std::string> json() const;
    /// Reads the JSON form back.
    static platform::foundation::Decoded<CLIStatus> fromJSON(std::string_view json);
};

/// A reference time is stale when `now` is more than 600 seconds past it, or it is more than 60
/// seconds ahead of `now`.
bool isStale(Date reference, Date now);

} // namespace tallyfox::cli
