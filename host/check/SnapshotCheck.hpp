#pragma once
// `widgethost check`: a snapshot document read exactly as the widget reads it and as the tool reads
// it, with everything either of them refuses, drops, leaves empty or ignores made visible, and what
// each size of the widget would show of it.

#include "host/command/Arguments.hpp"
#include "platform/foundation/Date.hpp"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace widgethost {

/// One thing a reader does with a document other than read it as written.
struct CheckFinding {
    enum class Effect {
        refused,   ///< the whole document is not read
        dropped,   ///< an entry, window or total is left out, the rest is read
        leftEmpty, ///< a field reads as absent, its entry stays
        ignored,   ///< a value both readers skip (a duplicate key)
        notShown,  ///< read, but no size of the widget shows it
    };
    /// Bits: which readers it concerns.
    enum Reader : unsigned { widget = 1, tool = 2 };

    std::string path; ///< "$.state.providers._0[1].windows[0]"
    Effect effect = Effect::refused;
    unsigned readers = widget;
    std::string reason;

    /// Whether a reader loses something of the document (everything but `notShown`).
    bool losesData() const { return effect != Effect::notShown; }
    bool operator==(const CheckFinding&) const = default;
};

/// What one size of the widget shows: per entry, the parts it shows.
struct CheckedSize {
    struct Entry {
        std::string path;               ///< the entry in the document
        std::string id;                 ///< its identity
        std::vector<std::string> shows; ///< "5-hour (windows[0])", "activity: tokensToday", ...
        bool operator==(const Entry&) const = default;
    };
    std::string family; ///< "small", "medium", "large"
    std::vector<Entry> entries;
    std::vector<std::string> extras; ///< parts of the layout itself ("next reset")
    bool operator==(const CheckedSize&) const = default;
};

/// The result of checking one document.
struct SnapshotCheck {
    platform::foundation::Date now; ///< the moment the document is shown at
    std::vector<CheckFinding> findings;
    /// Which entries a widget without chosen sources lists, in words; empty when the widget refuses it.
    std::string selection;
    std::vector<CheckedSize> sizes; ///< empty when the widget refuses the document or has nothing to list

    /// Both readers read the document whole: nothing refused, dropped, left empty or ignored.
    bool acceptedWhole() const;
    /// The report for people: one line per finding, then what each size shows.
    std::string text(std::string_view file) const;
    /// The same as a JSON document.
    std::string json(std::string_view file) const;
};

/// Checks a document's bytes as both readers read them, at `now` (the document's generatedAt
/// unless given).
SnapshotCheck checkSnapshot(std::string_view bytes, std::optional<platform::foundation::Date> now);

/// The snapshot the widget of `extension` reads: widget-snapshot.json in the group container its
/// Info.plist names. Nothing when the container cannot be found.
std::optional<std::filesystem::path> widgetSnapshotPath(const std::filesystem::path& extension);

/// Runs `widgethost check`: 0 when both readers read the document whole, 1 otherwise or when the
/// file cannot be read (one line on `err`).
int check(const Invocation& invocation, std::FILE* out, std::FILE* err);

} // namespace widgethost
