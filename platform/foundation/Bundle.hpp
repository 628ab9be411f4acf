#pragma once
// Bundles: a directory laid out as <root>/Contents/Info.plist, Contents/MacOS, Contents/Resources,
// whose information dictionary (XML or binary property list) says what the bundle is.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform::foundation {

class Bundle {
public:
    /// Opens the bundle rooted at `root`: nothing when `root` is not a directory. A bundle whose
    /// Contents/Info.plist is missing or unreadable opens with an empty information dictionary.
    static std::optional<Bundle> open(const std::filesystem::path& root);

    /// <root>/Contents/Resources.
    std::filesystem::path resourcesPath() const { return root_ / "Contents" / "Resources"; }

    /// The value for `key` when it is a string; nothing when absent or of another type.
    std::optional<std::string> infoString(std::string_view key) const;

private:
    Bundle(std::filesystem::path root, std::shared_ptr<void> info) : root_(std::move(root)), info_(std::move(info)) {}
    std::filesystem::path root_;
    std::shared_ptr<void> info_; // the libplist dictionary (plist_t), or null when there is none
};

/// Reads a property list (XML or binary) that holds a dictionary; nothing for anything else. The
/// result owns a libplist dictionary (plist_t) and frees it when released.
std::shared_ptr<void> readPropertyListDictionary(std::string_view bytes);

} // namespace platform::foundation
