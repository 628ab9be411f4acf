#include "host/strings/HostStrings.hpp"

#include "host/identity/HostIdentity.hpp"
#include "platform/foundation/Locale.hpp"
#include "platform/foundation/FileSystem.hpp"
#include "platform/foundation/Localization.hpp"

#include <mutex>
#include <optional>
#include <shared_mutex>

namespace widgethost {

namespace pf = platform::foundation;

namespace {

struct HostTables {
    std::shared_mutex mutex;
    std::optional<pf::MainBundleInfo> info;
    std::vector<std::string> shipped;
};

HostTables& hostTables() {
    static HostTables tables;
    return tables;
}

pf::MainBundleInfo tableIn(const std::filesystem::path& directory) {
    return pf::MainBundleInfo{std::string(hostDefaultsDomain), directory, "en", hostStringTable};
}

// The table and the languages it ships, found once (the folder is read on first use).
std::pair<pf::MainBundleInfo, std::vector<std::string>> currentTables() {
    auto& tables = hostTables();
    {
        std::shared_lock lock(tables.mutex);
        if (tables.info) return {*tables.info, tables.shipped};
    }
    std::unique_lock lock(tables.mutex);
    if (!tables.info) {
        tables.info = tableIn(defaultHostStringTablesDirectory());
        tables.shipped = pf::localizations(tables.info->resourcesDirectory, hostStringTable);
    }
    return {*tables.info, tables.shipped};
}

} // namespace

std::filesystem::path defaultHostStringTablesDirectory() {
    const auto executable = pf::executablePath();
    if (!executable) return {};
    return (executable->parent_path() / ".." / "share" / "locale").lexically_normal();
}

void useHostStringTables(const std::filesystem::path& directory) {
    auto shipped = pf::localizations(directory, hostStringTable);
    auto& tables = hostTables();
    std::unique_lock lock(tables.mutex);
    tables.info = tableIn(directory);
    tables.shipped = std::move(shipped);
}

std::vector<std::string> hostLocalizations() {
    return currentTables().second;
}

std::string hostLanguage() {
    const auto [info, shipped] = currentTables();
    return pf::preferredLocalizations(shipped, pf::preferredLanguages(info.identifier),
                                      info.developmentLanguage)
        .front();
}

bool hostLanguageIsRightToLeft() {
    return pf::Locale(hostLanguage()).isRightToLeft();
}

std::string hostText(std::string_view key) {
    return pf::localizedString(currentTables().first, hostLanguage(), key, key);
}

std::string hostText(std::string_view key, const std::vector<pf::FormatArgument>& arguments) {
    const std::string language = hostLanguage();
    const pf::Locale locale(language);
    return pf::fillFormat(
        pf::localizedString(currentTables().first, language, key, key, pf::pluralCount(arguments)), arguments,
        &locale);
}

} // namespace widgethost
