#include "platform/ui/Environment.hpp"

#include <mutex>

namespace platform::ui {

namespace {
std::mutex& assetDirectoryLock() {
    static std::mutex lock;
    return lock;
}
std::string& assetDirectoryStorage() {
    static std::string directory;
    return directory;
}
} // namespace

void setDefaultAssetDirectory(std::string directory) {
    std::lock_guard guard(assetDirectoryLock());
    assetDirectoryStorage() = std::move(directory);
}

std::string defaultAssetDirectory() {
    std::lock_guard guard(assetDirectoryLock());
    return assetDirectoryStorage();
}

} // namespace platform::ui
