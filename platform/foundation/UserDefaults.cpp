#include "platform/foundation/UserDefaults.hpp"

#include "platform/foundation/Localization.hpp"

#include <plist/plist.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
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

public:
    static DomainStore& shared() {
        static DomainStore store;
        return store;
    }

    std::mutex mutex;

    PropertyListValue::Dictionary* domain(std::string_view name, bool create) {
        const std::filesystem::path file = UserDefaults::fileForDomain(name);
        const std::string key = file.empty() ? memoryKey(name) : file.string();
        auto it = domains_.find(key);
        if (it == domains_.end()) {
            const auto identity = identityOf(file);
            it = domains_.emplace(key, Entry{load(file), identity}).first;
        } else if (!file.empty()) {
            if (auto identity = identityOf(file); identity != it->second.identity) {
                it->second.contents = load(file);
                it->second.identity = identity;
            }
        }
        if (!it->second.contents && create) it->second.contents.emplace();
        return it->second.contents ? &*it->second.contents : nullptr;
    }

    void store(std::string_view name) {
        const std::filesystem::path file = UserDefaults::fileForDomain(name);
        if (file.empty()) return;
        const auto it = domains_.find(file.string());
        if (it == domains_.end()) return;
        if (!it->second.contents) {
            std::error_code ignored;
            std::filesystem::remove(file, ignored);
        } else {
            write(file, *it->second.contents);
        }
        // What this process wrote is what it holds; a failed write leaves the file it read.
        it->second.identity = identityOf(file);
    }

    void forget(std::string_view name) {
        const std::filesystem::path file = UserDefaults::fileForDomain(name);
        const std::string key = file.empty() ? memoryKey(name) : file.string();
        domains_[key].contents.reset();
    }

private:
    struct Entry {
        std::optional<PropertyListValue::Dictionary> contents;
        std::optional<FileIdentity> identity; ///< of the file `contents` came from or went to
    };

    static std::optional<PropertyListValue::Dictionary> load(const std::filesystem::path& file) {
        // Only a regular file is read: a folder (or a FIFO) at the path is as if nothing were stored.
        std::error_code error;
        if (file.empty() || !std::filesystem::is_regular_file(file, error)) return std::nullopt;
        std::ifstream stream(file, std::ios::binary);
        if (!stream) return std::nullopt;
        const std::string bytes{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
        if (bytes.size() > UINT32_MAX) return std::nullopt;
        plist_t root = nullptr;
        plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
        const PlistPointer owner(root);
        if (!root || plist_get_node_type(root) != PLIST_DICT) return std::nullopt; // unreadable: as if absent
        PropertyListValue value(false);
        fromPlist(root, value);
        return std::move(std::get<PropertyListValue::Dictionary>(value.storage));
    }

    // Written to a temporary file beside the target and renamed over it, so that a reader never
    // sees half a file. A failure leaves the old file in place; the value stays in memory.
    static void write(const std::filesystem::path& file, const PropertyListValue::Dictionary& contents) {
        std::error_code error;
        std::filesystem::create_directories(file.parent_path(), error);
        const PlistPointer root(toPlist(PropertyListValue(contents)));
        char* xml = nullptr;
        uint32_t length = 0;
        plist_to_xml(root.get(), &xml, &length);
        if (!xml) return;
        static std::atomic<unsigned> counter{0};
        std::filesystem::path temporary = file;
        temporary += ".tmp.";
        temporary += std::to_string(getpid());
        temporary += ".";
        temporary += std::to_string(counter++);
        bool written = false;
        {
            std::ofstream stream(temporary, std::ios::binary | std::ios::trunc);
            stream.write(xml, length);
            stream.flush();
            written = static_cast<bool>(stream);
        }
        plist_to_xml_free(xml);
        if (written) std::filesystem::rename(temporary, file, error);
        if (!written || error) std::filesystem::remove(temporary, error);
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

void UserDefaults::set(std::string_view key, PropertyListValue value) {
    auto& store = DomainStore::shared();
    std::lock_guard lock(store.mutex);
    store.domain(domain_, true)->insert_or_assign(std::string(key), std::move(value));
    store.store(domain_);
}

void UserDefaults::removeObject(std::string_view key) {
    auto& store = DomainStore::shared();
    std::lock_guard lock(store.mutex);
    auto* contents = store.domain(domain_, false);
    if (!contents) return;
    if (const auto it = contents->find(key); it != contents->end()) {
        contents->erase(it);
        store.store(domain_);
    }
}

std::optional<PropertyListValue::Dictionary> UserDefaults::persistentDomain(std::string_view name) const {
    auto& store = DomainStore::shared();
    std::lock_guard lock(store.mutex);
    const auto* contents = store.domain(name, false);
    return contents ? std::optional<PropertyListValue::Dictionary>(*contents) : std::nullopt;
}

void UserDefaults::setPersistentDomain(PropertyListValue::Dictionary domain, std::string_view name) {
    auto& store = DomainStore::shared();
    std::lock_guard lock(store.mutex);
    *store.domain(name, true) = std::move(domain);
    store.store(name);
}

void UserDefaults::removePersistentDomain(std::string_view name) {
    auto& store = DomainStore::shared();
    std::lock_guard lock(store.mutex);
    store.forget(name);
    store.store(name);
}

} // namespace platform::foundation
