#include "platform/foundation/UserDefaults.hpp"

#include "platform/foundation/ISO8601.hpp"
#include "platform/foundation/Localization.hpp"
#include "platform/foundation/Logger.hpp"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <plist/plist.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace platform::foundation {
namespace {

// Property-list dates count from 2001-01-01T00:00:00Z.
constexpr double referenceDateOffset = 978307200;

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPointer = std::unique_ptr<void, PlistDeleter>;

// Fills `out` with the value of `node`; false for node types that have no place in defaults
// (keys and UIDs). Written with an out parameter: GCC 12 misreads an optional of this variant.
bool fromPlist(plist_t node, PropertyListValue& out) {
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        out.storage = value != 0;
        return true;
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        out.storage = static_cast<std::int64_t>(value); // negative integers come back two's complement
        return true;
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        out.storage = value;
        return true;
    }
    case PLIST_STRING: {
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        out.storage = std::string(text ? text : "", text ? length : 0);
        return true;
    }
    case PLIST_DATE: {
        int32_t seconds = 0, microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        out.storage = Date{seconds + microseconds / 1e6 + referenceDateOffset};
        return true;
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(plist_get_data_ptr(node, &length));
        out.storage = PropertyListValue::Data(bytes, bytes + length);
        return true;
    }
    case PLIST_ARRAY: {
        PropertyListValue::Array array;
        const uint32_t size = plist_array_get_size(node);
        for (uint32_t i = 0; i < size; ++i) {
            PropertyListValue item(false);
            if (fromPlist(plist_array_get_item(node, i), item)) array.push_back(std::move(item));
        }
        out.storage = std::move(array);
        return true;
    }
    case PLIST_DICT: {
        PropertyListValue::Dictionary dictionary;
        plist_dict_iter iterator = nullptr;
        plist_dict_new_iter(node, &iterator);
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iterator, &key, &value);
            if (!key) break;
            PropertyListValue item(false);
            if (fromPlist(value, item)) dictionary.insert_or_assign(key, std::move(item));
            std::free(key);
        }
        std::free(iterator);
        out.storage = std::move(dictionary);
        return true;
    }
    default:
        return false;
    }
}

plist_t toPlist(const PropertyListValue& value) {
    struct Visitor {
        plist_t operator()(bool v) const { return plist_new_bool(v ? 1 : 0); }
        plist_t operator()(std::int64_t v) const { return plist_new_uint(static_cast<uint64_t>(v)); }
        plist_t operator()(double v) const { return plist_new_real(v); }
        plist_t operator()(const std::string& v) const { return plist_new_string(v.c_str()); }
        plist_t operator()(Date v) const {
            const double since = v.timeIntervalSince1970 - referenceDateOffset;
            const double whole = std::floor(since);
            return plist_new_date(static_cast<int32_t>(whole), static_cast<int32_t>((since - whole) * 1e6));
        }
        plist_t operator()(const PropertyListValue::Data& v) const {
            return plist_new_data(reinterpret_cast<const char*>(v.data()), v.size());
        }
        plist_t operator()(const PropertyListValue::Array& v) const {
            plist_t array = plist_new_array();
            for (const auto& item : v) plist_array_append_item(array, toPlist(item));
            return array;
        }
        plist_t operator()(const PropertyListValue::Dictionary& v) const {
            plist_t dictionary = plist_new_dict();
            for (const auto& [key, item] : v) plist_dict_set_item(dictionary, key.c_str(), toPlist(item));
            return dictionary;
        }
    };
    return std::visit(Visitor{}, value.storage);
}

std::filesystem::path homeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* account = getpwuid(getuid()); account && account->pw_dir) return account->pw_dir;
    return {};
}

// Which version of a file is on disk: a write by rename gives a new inode, a rewrite in place a new
// modification time or size. Nothing for a file that is not there.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t modifiedSeconds = 0;
    long modifiedNanoseconds = 0;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> identityOf(const std::filesystem::path& file) {
    struct stat status {};
    if (file.empty() || ::stat(file.c_str(), &status) != 0) return std::nullopt;
    return FileIdentity{status.st_dev, status.st_ino, status.st_size, status.st_mtim.tv_sec, status.st_mtim.tv_nsec};
}

// Plain words for why a file could not be read or written.
std::string readingReason(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return "no permission to read it";
    case EISDIR:
        return "a folder is in its place";
    case ELOOP:
        return "it is a loop of symbolic links";
    case EIO:
        return "the disk could not read it";
    default:
        break;
    }
    std::string text = std::strerror(error);
    if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

std::string writingReason(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return "no permission to write in its folder";
    case EROFS:
        return "its folder is on a read-only file system";
    case ENOSPC:
    case EDQUOT:
        return "the disk is full";
    case EISDIR:
        return "a folder is in its place";
    case ENOTDIR:
    case EEXIST:
        return "a file stands where one of its folders belongs";
    case ENOENT:
        return "its folder is missing";
    case EIO:
        return "the disk could not write it";
    default:
        break;
    }
    return readingReason(error);
}

std::string nodeTypeName(plist_t node) {
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN:
        return "a Boolean";
    case PLIST_UINT:
        return "an integer";
    case PLIST_REAL:
        return "a real number";
    case PLIST_STRING:
        return "a string";
    case PLIST_ARRAY:
        return "an array";
    case PLIST_DATE:
        return "a date";
    case PLIST_DATA:
        return "data";
    default:
        return "something else";
    }
}

// Settings are small; a file larger than this is not one we wrote.
constexpr off_t largestDefaultsFile = 64 << 20;

// What is at a domain's path: a dictionary, nothing, or a file that cannot be read and why.
struct Loaded {
    std::optional<PropertyListValue::Dictionary> contents;
    std::optional<std::string> damage;
};

Loaded load(const std::filesystem::path& file) {
    if (file.empty()) return {};
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0)
        return errno == ENOENT ? Loaded{} : Loaded{std::nullopt, readingReason(errno)};
    if (S_ISDIR(status.st_mode)) return {std::nullopt, "a folder is in its place"};
    if (!S_ISREG(status.st_mode)) return {std::nullopt, "it is not a regular file"};
    if (status.st_size > largestDefaultsFile) return {std::nullopt, "it is larger than 64 MiB"};
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0) return {std::nullopt, readingReason(errno)};
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(descriptor, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            const int error = errno;
            ::close(descriptor);
            return {std::nullopt, readingReason(error)};
        }
        if (count == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(count));
        if (bytes.size() > static_cast<std::size_t>(largestDefaultsFile)) {
            ::close(descriptor);
            return {std::nullopt, "it is larger than 64 MiB"};
        }
    }
    ::close(descriptor);
    if (bytes.empty()) return {std::nullopt, "it is empty"};
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    const PlistPointer owner(root);
    if (!root) {
        const auto begin = bytes.find_first_not_of(" \t\r\n");
        const std::string_view start =
            begin == std::string::npos ? std::string_view() : std::string_view(bytes).substr(begin);
        if (std::string_view(bytes).starts_with("bplist"))
            return {std::nullopt, "its binary property list is cut short or damaged"};
        if (start.starts_with("<?xml") || start.starts_with("<plist") || start.starts_with("<!DOCTYPE"))
            return {std::nullopt, "its property list is cut short or damaged"};
        return {std::nullopt, "it is not a property list"};
    }
    if (plist_get_node_type(root) != PLIST_DICT)
        return {std::nullopt, "it holds " + nodeTypeName(root) + " where settings are a dictionary"};
    PropertyListValue value(false);
    fromPlist(root, value);
    return {std::move(std::get<PropertyListValue::Dictionary>(value.storage)), std::nullopt};
}

// The folder of `file` is made when missing; `file` is replaced by a temporary file beside it, flushed
// to the disk and renamed over it, so that a reader never sees half a file and a crash leaves the
// old one or the new one.
std::optional<DefaultsProblem> write(const std::filesystem::path& file,
                                     const PropertyListValue::Dictionary& contents) {
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    if (error) return DefaultsProblem{file, writingReason(error.value())};
    const PlistPointer root(toPlist(PropertyListValue(contents)));
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root.get(), &xml, &length);
    if (!xml) return DefaultsProblem{file, "its settings could not be written as a property list"};
    static std::atomic<unsigned> counter{0};
    std::filesystem::path temporary = file;
    temporary += ".tmp." + std::to_string(getpid()) + "." + std::to_string(counter++);
    int failure = 0;
    const int descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        failure = errno;
    } else {
        for (uint32_t done = 0; done < length && failure == 0;) {
            const ssize_t count = ::write(descriptor, xml + done, length - done);
            if (count < 0 && errno != EINTR) failure = errno;
            if (count > 0) done += static_cast<uint32_t>(count);
        }
        if (failure == 0 && ::fdatasync(descriptor) != 0 && errno != EINVAL) failure = errno;
        if (::close(descriptor) != 0 && failure == 0) failure = errno;
        if (failure == 0 && ::rename(temporary.c_str(), file.c_str()) != 0) failure = errno;
        if (failure != 0) ::unlink(temporary.c_str());
    }
    plist_to_xml_free(xml);
    if (failure != 0) return DefaultsProblem{file, writingReason(failure)};
    return std::nullopt;
}

// <domain>.damaged-<UTC time>.plist beside `file`, with -2, -3, … when taken. The time is the
// computer's, not the platform clock, which a host may have fixed to preview another moment.
Result<KeptDamagedFile, DefaultsProblem> keepAside(const std::filesystem::path& file, std::string reason) {
    std::string stamp = ISO8601::string(Date{static_cast<double>(std::time(nullptr))});
    std::erase_if(stamp, [](char c) { return c == '-' || c == ':'; });
    std::string stem = file.filename().string();
    if (stem.ends_with(".plist")) stem.resize(stem.size() - 6);
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const std::string suffix = attempt == 1 ? std::string() : "-" + std::to_string(attempt);
        const std::filesystem::path kept =
            file.parent_path() / (stem + ".damaged-" + stamp + suffix + ".plist");
        int moved = ::renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, kept.c_str(), RENAME_NOREPLACE);
        if (moved != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system that cannot rename without replacing: a link refuses a taken name too.
            moved = ::link(file.c_str(), kept.c_str());
            if (moved == 0) ::unlink(file.c_str());
        }
        if (moved == 0) return KeptDamagedFile{file, kept, std::move(reason)};
        if (errno != EEXIST)
            return Failure{DefaultsProblem{file, "it cannot be kept aside: " + writingReason(errno)}};
    }
    return Failure{DefaultsProblem{file, "it cannot be kept aside: too many kept copies of this moment"}};
}

const Logger& defaultsLogger() {
    static const Logger logger("com.tallyfox.platform", "defaults");
    return logger;
}

// Every domain this process has touched, keyed by its file, so that a test pointing HOME elsewhere
// sees fresh domains. A domain without a file (no name) lives only here. A long-running process sees
// what other processes write: a domain is read again when its file is no longer the one read last.
class DomainStore {
    // A domain without a file is kept under a key no path can have.
    static std::string memoryKey(std::string_view name) {
        std::string key(1, '\n');
        key.append(name);
        return key;
    }

    struct Entry {
        std::optional<PropertyListValue::Dictionary> contents;
        std::optional<FileIdentity> identity; ///< of the file `contents` came from or went to
        std::optional<std::string> damage;    ///< why the file at the path could not be read
    };

public:
    static DomainStore& shared() {
        static DomainStore store;
        return store;
    }

    std::mutex mutex;

    PropertyListValue::Dictionary* domain(std::string_view name, bool create) {
        Entry& entry = current(name);
        if (!entry.contents && create) entry.contents.emplace();
        return entry.contents ? &*entry.contents : nullptr;
    }

    std::optional<DefaultsProblem> damage(std::string_view name) {
        const Entry& entry = current(name);
        if (!entry.damage) return std::nullopt;
        return DefaultsProblem{UserDefaults::fileForDomain(name), *entry.damage};
    }

    // Saves what the domain holds now. A file that could not be read is never written over: it is
    // kept aside first; a folder in its place stays, and so does the value in memory.
    Result<DefaultsWrite, DefaultsProblem> store(std::string_view name) {
        const std::filesystem::path file = UserDefaults::fileForDomain(name);
        if (file.empty()) return DefaultsWrite{};
        const auto it = domains_.find(file.string());
        if (it == domains_.end()) return DefaultsWrite{};
        Entry& entry = it->second;
        DefaultsWrite written;
        if (entry.damage) {
            std::error_code error;
            if (std::filesystem::is_directory(file, error))
                return Failure{DefaultsProblem{file, *entry.damage}};
            auto kept = keepAside(file, *entry.damage);
            // Gone already: another process kept it aside or replaced it.
            if (!kept && std::filesystem::exists(file, error)) return Failure{kept.error()};
            if (kept) {
                defaultsLogger().error(file.string() + " could not be read (" + kept->reason +
                                       "); it is kept as " + kept->keptAs.string());
                written.kept = std::move(*kept);
            }
            entry.damage.reset();
        }
        // Every caller made the contents it stores.
        std::optional<DefaultsProblem> failure;
        if (entry.contents) failure = write(file, *entry.contents);
        // What this process wrote is what it holds; a failed write leaves the file it read.
        entry.identity = identityOf(file);
        if (failure) return Failure{std::move(*failure)};
        return written;
    }

private:
    Entry& current(std::string_view name) {
        const std::filesystem::path file = UserDefaults::fileForDomain(name);
        const std::string key = file.empty() ? memoryKey(name) : file.string();
        auto it = domains_.find(key);
        if (it == domains_.end()) {
            const auto identity = identityOf(file);
            auto loaded = load(file);
            it = domains_.emplace(key, Entry{std::move(loaded.contents), identity, std::move(loaded.damage)})
                     .first;
        } else if (!file.empty()) {
            if (auto identity = identityOf(file); identity != it->second.identity) {
                auto loaded = load(file);
                it->second.contents = std::move(loaded.contents);
                it->second.damage = std::move(loaded.damage);
                it->second.identity = identity;
            }
        }
        return it->second;
    }

    std::unordered_map<std::string, Entry> domains_;
};

} // namespace

PropertyListValue PropertyListValue::strings(const std::vector<std::string>& values) {
    Array array;
    for (const auto& value : values) array.emplace_back(value);
    return PropertyListValue(std::move(array));
}

UserDefaults UserDefaults::standard() { return UserDefaults(mainBundleInfo().identifier); }

UserDefaults::UserDefaults(std::string suiteName) : domain_(std::move(suiteName)) {}

std::filesystem::path UserDefaults::fileForDomain(std::string_view name) {
    if (name.empty()) return {};
    const std::string fileName = name == globalDomain ? std::string(".GlobalPreferences") : std::string(name);
    if (fileName.find('/') != std::string::npos || fileName == "." || fileName == "..") return {};
    const std::filesystem::path home = homeDirectory();
    if (home.empty()) return {};
    return home / "Library" / "Preferences" / (fileName + ".plist");
}

std::optional<PropertyListValue> UserDefaults::object(std::string_view key) const {
    auto& store = DomainStore::shared();
    std::lock_guard lock(store.mutex);
    for (const std::string_view name : {std::string_view(domain_), globalDomain}) {
        if (const auto* contents = store.domain(name, false)) {
            if (const auto it = contents->find(key); it != contents->end()) return it->second;
        }
    }
    return std::nullopt;
}

std::optional<std::vector<std::string>> UserDefaults::stringArray(std::string_view key) const {
    const auto value = object(key);
    const auto* array = value ? value->get<PropertyListValue::Array>() : nullptr;
    if (!array) return std::nullopt;
    std::vector<std::string> strings;
    for (const auto& item : *array) {
        const auto* text = item.get<std::string>();
        if (!text) return std::nullopt;
        strings.push_back(*text);
    }
    return strings;
}

std::optional<std::string> UserDefaults::string(std::string_view key) const {
    const auto value = object(key);
    const auto* text = value ? value->get<std::string>() : nullptr;
    return text ? std::optional<std::string>(*text) : std::nullopt;
}

namespace {

void logFailure(const Result<DefaultsWrite, DefaultsProblem>& written) {
    if (!written)
        defaultsLogger().error("cannot save " + written.error().file.string() + " (" +
                               written.error().reason + ")");
}

} // namespace

void UserDefaults::set(std::string_view key, PropertyListValue value) {
    logFailure(write(key, std::move(value)));
}

Result<DefaultsWrite, DefaultsProblem> UserDefaults::write(std::string_view key, PropertyListValue value) {
    auto& store = DomainStore::shared();
    std::lock_guard lock(store.mutex);
    store.domain(domain_, true)->insert_or_assign(std::string(key), std::move(value));
    return store.store(domain_);
}

void UserDefaults::removeObject(std::string_view key) {
    auto& store = DomainStore::shared();
    std::lock_guard lock(store.mutex);
    auto* contents = store.domain(domain_, false);
    if (!contents) return;
    if (const auto it = contents->find(key); it != contents->end()) {
        contents->erase(it);
        logFailure(store.store(domain_));
    }
}

std::optional<PropertyListValue::Dictionary> UserDefaults::persistentDomain(std::string_view name) const {
    auto& store = DomainStore::shared();
    std::lock_guard lock(store.mutex);
    const auto* contents = store.domain(name, false);
    return contents ? std::optional<PropertyListValue::Dictionary>(*contents) : std::nullopt;
}

Result<DefaultsWrite, DefaultsProblem>
UserDefaults::writePersistentDomain(PropertyListValue::Dictionary domain, std::string_view name) {
    auto& store = DomainStore::shared();
    std::lock_guard lock(store.mutex);
    *store.domain(name, true) = std::move(domain);
    return store.store(name);
}

std::optional<DefaultsProblem> UserDefaults::unreadableDomain(std::string_view name) const {
    auto& store = DomainStore::shared();
    std::lock_guard lock(store.mutex);
    return store.damage(name);
}

Result<KeptDamagedFile, DefaultsProblem> UserDefaults::keepDamagedFile(std::string_view name,
                                                                       std::string reason) {
    const std::filesystem::path file = fileForDomain(name);
    if (file.empty()) return Failure{DefaultsProblem{file, "the domain has no file"}};
    auto& store = DomainStore::shared();
    std::lock_guard lock(store.mutex);
    auto kept = keepAside(file, std::move(reason));
    if (kept)
        defaultsLogger().error(file.string() + " could not be read (" + kept->reason + "); it is kept as " +
                               kept->keptAs.string());
    return kept;
}

} // namespace platform::foundation
