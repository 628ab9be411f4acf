#pragma once
// User defaults: small persistent settings, one property list per domain under
// $HOME/Library/Preferences/<domain>.plist, written atomically and shared by all threads.

#include "platform/foundation/Date.hpp"
#include "platform/foundation/Result.hpp"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace platform::foundation {

/// A property-list value: Boolean, integer, real, string, date, data, array or dictionary.
struct PropertyListValue {
    using Array = std::vector<PropertyListValue>;
    using Dictionary = std::map<std::string, PropertyListValue, std::less<>>;
    using Data = std::vector<std::uint8_t>;
    using Storage = std::variant<bool, std::int64_t, double, std::string, Date, Data, Array, Dictionary>;

    Storage storage;

    PropertyListValue(bool value) : storage(value) {}
    PropertyListValue(std::int64_t value) : storage(value) {}
    PropertyListValue(int value) : storage(std::int64_t{value}) {}
    PropertyListValue(double value) : storage(value) {}
    PropertyListValue(std::string value) : storage(std::move(value)) {}
    PropertyListValue(const char* value) : storage(std::string(value)) {}
    PropertyListValue(Date value) : storage(value) {}
    PropertyListValue(Data value) : storage(std::move(value)) {}
    PropertyListValue(Array value) : storage(std::move(value)) {}
    PropertyListValue(Dictionary value) : storage(std::move(value)) {}
    /// An array of strings.
    static PropertyListValue strings(const std::vector<std::string>& values);

    template <class T> const T* get() const { return std::get_if<T>(&storage); }
    bool operator==(const PropertyListValue&) const = default;
};

/// Why the file of a domain cannot be read or written, in plain words ("it is not a property list",
/// "a folder is in its place").
struct DefaultsProblem {
    std::filesystem::path file;
    std::string reason;
    bool operator==(const DefaultsProblem&) const = default;
};

/// A file that could not be read, kept beside its domain's file instead of being written over.
struct KeptDamagedFile {
    std::filesystem::path file;   ///< where it stood
    std::filesystem::path keptAs; ///< <domain>.damaged-<UTC time>.plist in the same folder
    std::string reason;           ///< why it could not be read
    bool operator==(const KeptDamagedFile&) const = default;
};

/// What a write did beyond writing.
struct DefaultsWrite {
    std::optional<KeptDamagedFile> kept;
};

/// A set of defaults: reads search the process's own domain, then the global domain; writes go to
/// the process's own domain and reach its file before the call returns. Safe from any thread.
class UserDefaults {
public:
    /// The domain every process shares ("NSGlobalDomain", stored as .GlobalPreferences.plist).
    static constexpr std::string_view globalDomain = "NSGlobalDomain";

    /// The process's defaults, in the domain named by the main bundle's identifier. With no
    /// identifier the domain has no name and lives in memory only.
    static UserDefaults standard();
    /// Defaults in the domain `suiteName`.
    explicit UserDefaults(std::string suiteName);

    const std::string& domainName() const { return domain_; }

    std::optional<PropertyListValue> object(std::string_view key) const;
    /// The value for `key` when it is an array holding only strings.
    std::optional<std::vector<std::string>> stringArray(std::string_view key) const;
    std::optional<std::string> string(std::string_view key) const;

    /// Writes never go over a file that could not be read: it is first kept beside it (see
    /// `keepDamagedFile`), and a folder in its place is left alone and the write fails. These
    /// forms log what they could not do; the `write` forms say it.
    void set(std::string_view key, PropertyListValue value);
    void removeObject(std::string_view key);
    Result<DefaultsWrite, DefaultsProblem> write(std::string_view key, PropertyListValue value);

    /// The whole stored domain `name`, absent when nothing is stored under that name.
    std::optional<PropertyListValue::Dictionary> persistentDomain(std::string_view name) const;
    Result<DefaultsWrite, DefaultsProblem> writePersistentDomain(PropertyListValue::Dictionary domain,
                                                                 std::string_view name);

    /// Why the stored domain `name` cannot be read, as it is on disk now; nothing when its file was
    /// read or none is there.
    std::optional<DefaultsProblem> unreadableDomain(std::string_view name) const;
    /// Moves the file of domain `name` aside to <name>.damaged-<UTC time>.plist (-2, -3, … when that
    /// name is taken, so an earlier kept copy is never replaced), for a caller that found what it
    /// holds unusable although it reads as a property list. `reason` is kept with the answer.
    static Result<KeptDamagedFile, DefaultsProblem> keepDamagedFile(std::string_view name,
                                                                    std::string reason);

    /// The file that holds the domain `name`: $HOME/Library/Preferences/<name>.plist (HOME first,
    /// the account record when HOME is unset). Empty for a domain without a name.
    static std::filesystem::path fileForDomain(std::string_view name);

private:
    std::string domain_;
};

} // namespace platform::foundation
