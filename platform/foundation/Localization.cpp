#include "platform/foundation/Localization.hpp"

#include "platform/foundation/Locale.hpp"
#include "platform/foundation/UserDefaults.hpp"

#include <algorithm>
#include <mutex>
#include <shared_mutex>

namespace platform::foundation {
namespace {

struct MainBundleState {
    std::shared_mutex mutex;
    MainBundleInfo info;
    std::vector<std::string> shipped;
};

MainBundleState& mainBundleState() {
    static MainBundleState state;
    return state;
}

// "pt-BR" → "pt_br": the form in which identifiers are compared.
std::string comparable(std::string identifier) {
    for (char& c : identifier) {
        if (c == '-') c = '_';
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return identifier;
}

std::string languageOf(const std::string& comparableIdentifier) {
    return comparableIdentifier.substr(0, comparableIdentifier.find('_'));
}

} // namespace

void setMainBundleInfo(MainBundleInfo info) {
    auto shipped = info.resourcesDirectory.empty() ? std::vector<std::string>()
                                                   : localizations(info.resourcesDirectory, info.stringTable);
    auto& state = mainBundleState();
    std::unique_lock lock(state.mutex);
    state.info = std::move(info);
    state.shipped = std::move(shipped);
}

MainBundleInfo localizationInfo(const Bundle& bundle) {
    MainBundleInfo info;
    info.identifier = bundle.infoString("CFBundleIdentifier").value_or("");
    info.resourcesDirectory = bundle.resourcesPath();
    info.developmentLanguage = bundle.infoString("CFBundleDevelopmentRegion").value_or("en");
    if (info.developmentLanguage.empty()) info.developmentLanguage = "en";
    info.stringTable = bundle.infoString("CFBundleExecutable").value_or("");
    return info;
}

MainBundleInfo mainBundleInfo() {
    auto& state = mainBundleState();
    std::shared_lock lock(state.mutex);
    return state.info;
}

std::vector<std::string> mainBundleLocalizations() {
    auto& state = mainBundleState();
    std::shared_lock lock(state.mutex);
    return state.shipped;
}

std::vector<std::string> localizations(const std::filesystem::path& resourcesDirectory,
                                       const std::string& stringTable) {
    std::vector<std::string> result;
    std::error_code error;
    for (std::filesystem::directory_iterator it(resourcesDirectory, error), end; !error && it != end;
         it.increment(error)) {
        const auto catalog = it->path() / "LC_MESSAGES" / (stringTable + ".mo");
        if (std::filesystem::is_regular_file(catalog, error)) result.push_back(it->path().filename().string());
    }
    std::sort(result.begin(), result.end());
    return result;
}

std::vector<std::string> preferredLanguages() { return preferredLanguages(mainBundleInfo().identifier); }

std::vector<std::string> preferredLanguages(const std::string& defaultsDomain) {
    std::vector<std::string> languages =
        UserDefaults(defaultsDomain).stringArray("AppleLanguages").value_or(std::vector<std::string>());
    for (auto& language : systemLanguages())
        if (std::find(languages.begin(), languages.end(), language) == languages.end())
            languages.push_back(std::move(language));
    return languages;
}

std::vector<std::string> preferredLocalizations(const std::vector<std::string>& available,
                                                const std::vector<std::string>& preferences,
                                                const std::string& developmentLanguage) {
    std::vector<std::string> comparableAvailable;
    comparableAvailable.reserve(available.size());
    for (const auto& identifier : available) comparableAvailable.push_back(comparable(identifier));
    const auto findExactly = [&](const std::string& wanted) -> const std::string* {
        for (std::size_t i = 0; i < available.size(); ++i)
            if (comparableAvailable[i] == wanted) return &available[i];
        return nullptr;
    };
    for (const auto& preference : preferences) {
        std::string wanted = comparable(preference);
        if (wanted.empty()) continue;
        // The identifier, then shorter and shorter forms of it: "zh_hans_cn", "zh_hans", "zh".
        for (std::string candidate = wanted;;) {
            if (const auto* found = findExactly(candidate)) return {*found};
            const auto cut = candidate.rfind('_');
            if (cut == std::string::npos) break;
            candidate.resize(cut);
        }
        const std::string language = languageOf(wanted);
        for (std::size_t i = 0; i < available.size(); ++i)
            if (languageOf(comparableAvailable[i]) == language) return {available[i]};
    }
    if (const auto* found = findExactly(comparable(developmentLanguage))) return {*found};
    return {developmentLanguage};
}

std::vector<std::string> mainBundlePreferredLocalizations() {
    std::vector<std::string> shipped;
    std::string developmentLanguage;
    {
        auto& state = mainBundleState();
        std::shared_lock lock(state.mutex);
        shipped = state.shipped;
        developmentLanguage = state.info.developmentLanguage;
    }
    return preferredLocalizations(shipped, preferredLanguages(), developmentLanguage);
}

} // namespace platform::foundation
