#pragma once
// The host's own texts: its menu, its editor and the lines `widgethost show` prints. They come from
// the host's own string table (share/locale/<language>/LC_MESSAGES/widgethost.mo beside the folder of
// its executable), named explicitly: once the extension is loaded, its bundle is the process's main
// bundle, and the platform's main-bundle lookups find the widget's table instead. The language is
// chosen as the platform chooses one: the host's "AppleLanguages" (com.tallyfox.widgethost, else the
// global domain), then LANGUAGE, LC_ALL, LC_MESSAGES and LANG; the English key where no catalog fits.
// No GTK here, so that the texts can be tested alone.

#include "platform/foundation/LocalizedString.hpp"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace widgethost {

/// The name of the host's string table (widgethost.mo).
inline constexpr const char* hostStringTable = "widgethost";

/// Where the host's compiled string tables are: share/locale in the folder above its executable's
/// (build/<preset>/share/locale; <prefix>/lib/tallyfox/share/locale when installed).
std::filesystem::path defaultHostStringTablesDirectory();

/// Points the host's texts at the string tables in `directory` (the tests use the build's); until
/// then they come from `defaultHostStringTablesDirectory()`.
void useHostStringTables(const std::filesystem::path& directory);

/// The languages the host's string tables hold, sorted.
std::vector<std::string> hostLocalizations();

/// The language the host's texts are in now: the first preferred language that a catalog has, else
/// "en".
std::string hostLanguage();

/// Whether the host's language runs right to left (Hebrew): its editor is then laid out right to left.
bool hostLanguageIsRightToLeft();

/// The host's text for `key` in `hostLanguage()`; the key itself (its English text) when no
/// catalog has it.
std::string hostText(std::string_view key);

/// A format key ("%@ declares no widget") in `hostLanguage()` with its placeholders filled: %@ by a
/// text, %lld by an integer (written in the language's digits); translations may reorder them
/// ("%2$@ … %1$@").
std::string hostText(std::string_view key,
                     const std::vector<platform::foundation::FormatArgument>& arguments);

} // namespace widgethost
