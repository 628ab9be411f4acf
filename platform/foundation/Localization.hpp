#pragma once
// Which language the process speaks: the bundle's shipped localizations matched against the
// preferred languages (user defaults "AppleLanguages", then the system's language settings).

#include "platform/foundation/Bundle.hpp"

#include <filesystem>
#include <string>
#include <vector>

namespace platform::foundation {

/// What the localization machinery needs to know of the process's main bundle, or of another bundle
/// whose string table a program names explicitly.
struct MainBundleInfo {
    /// CFBundleIdentifier; names the process's user-defaults domain. Empty when there is none.
    std::string identifier;
    /// The bundle's Resources folder, which holds one <language>/LC_MESSAGES/<table>.mo per
    /// shipped language. Empty when the bundle ships no string tables.
    std::filesystem::path resourcesDirectory;
    /// The language the bundle was written in, used when no preference matches.
    std::string developmentLanguage = "en";
    /// The name of the string table ("TallyfoxWidget" for TallyfoxWidget/.../<lang>/LC_MESSAGES/TallyfoxWidget.mo).
    std::string stringTable;

    bool operator==(const MainBundleInfo&) const = default;
};

/// Tells the platform which bundle is the main one. The widget extension's entry point sets its own
/// bundle here (as the extension is the main bundle of its process on the original platform);
/// tests set a bundle laid out by the build.
void setMainBundleInfo(MainBundleInfo info);
MainBundleInfo mainBundleInfo();

/// What a bundle tells about itself: CFBundleIdentifier, its Resources folder,
/// CFBundleDevelopmentRegion ("en" when absent) and a string table named after CFBundleExecutable.
MainBundleInfo localizationInfo(const Bundle& bundle);

/// The languages a bundle ships: the folders of `resourcesDirectory` that hold
/// LC_MESSAGES/<stringTable>.mo, sorted.
std::vector<std::string> localizations(const std::filesystem::path& resourcesDirectory, const std::string& stringTable);

/// The languages the main bundle ships (as `localizations` found them when the bundle was set).
std::vector<std::string> mainBundleLocalizations();

/// The user's preferred languages, most preferred first: "AppleLanguages" of the standard user
/// defaults, then the system's language settings.
std::vector<std::string> preferredLanguages();
/// The same for the program whose user defaults are the domain `defaultsDomain`: its
/// "AppleLanguages" (or the global domain's), then the system's language settings.
std::vector<std::string> preferredLanguages(const std::string& defaultsDomain);

/// The localization to use, from `available`, for `preferences` in order. A preference matches a
/// localization of the same identifier ("pt-BR" and "pt_BR" alike, any letter case), else one with
/// its identifier shortened ("de_CH" finds "de"), else one of the same language ("pt" finds
/// "pt_BR"). A preference that matches nothing ("system", "xx") falls through to the next; when none
/// matches, the result is the development language. The result holds one identifier, spelled as
/// in `available`.
std::vector<std::string> preferredLocalizations(const std::vector<std::string>& available,
                                                const std::vector<std::string>& preferences,
                                                const std::string& developmentLanguage = "en");

/// The main bundle's preferred localizations for the current preferred languages.
std::vector<std::string> mainBundlePreferredLocalizations();

} // namespace platform::foundation
