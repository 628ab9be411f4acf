#include "platform/foundation/Bundle.hpp"

#include "platform/foundation/FileSystem.hpp"

#include <plist/plist.h>

#include <cstdlib>
#include <system_error>

namespace platform::foundation {
namespace {

// Information dictionaries are a few kilobytes; anything past this bound is not one.
constexpr std::size_t largestInfoPlist = 4 * 1024 * 1024;

plist_t lookup(const std::shared_ptr<void>& info, std::string_view key) {
    if (!info) return nullptr;
    return plist_dict_get_item(static_cast<plist_t>(info.get()), std::string(key).c_str());
}

std::optional<std::string> stringValue(plist_t node) {
    if (!node || plist_get_node_type(node) != PLIST_STRING) return std::nullopt;
    char* value = nullptr;
    plist_get_string_val(node, &value);
    if (!value) return std::nullopt;
    std::string out(value);
    std::free(value); // libplist 2.2 hands out malloc'd strings
    return out;
}

} // namespace

std::shared_ptr<void> readPropertyListDictionary(std::string_view bytes) {
    plist_t root = nullptr;
    if (bytes.empty() || bytes.size() > largestInfoPlist) return nullptr;
    plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root); // XML or binary
    if (!root) return nullptr;
    if (plist_get_node_type(root) != PLIST_DICT) {
        plist_free(root);
        return nullptr;
    }
    return std::shared_ptr<void>(root, [](void* node) { plist_free(static_cast<plist_t>(node)); });
}

std::optional<Bundle> Bundle::open(const std::filesystem::path& root) {
    std::error_code error;
    if (!std::filesystem::is_directory(root, error)) return std::nullopt;
    std::shared_ptr<void> info;
    auto bytes = readOnce(root / "Contents" / "Info.plist", largestInfoPlist);
    if (bytes) info = readPropertyListDictionary(bytes->bytes());
    return Bundle(root, std::move(info));
}

std::optional<std::string> Bundle::infoString(std::string_view key) const { return stringValue(lookup(info_, key)); }

} // namespace platform::foundation
