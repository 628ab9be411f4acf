#include "host/check/WidgetNames.hpp"

#include "cli/CLIStatus.hpp"
#include "host/command/Output.hpp"
#include "host/check/SnapshotCheck.hpp"
#include "host/command/WidgetHost.hpp"
#include "model/UsageValues.hpp"
#include "platform/foundation/AppGroup.hpp"
#include "platform/foundation/Bundle.hpp"
#include "platform/foundation/FileSystem.hpp"
#include "platform/foundation/JSONWriter.hpp"
#include "platform/foundation/LocalizedString.hpp"

#include <algorithm>

namespace widgethost {

namespace pf = platform::foundation;
using tallyfox::QuotaUnavailableReason;
using tallyfox::UsageWindowKind;

namespace {

// The words are English whatever language the widget speaks: the scripts that print them write
// their own words ("left", "resets", "stale") in English, and a line that switches language halfway
// ("Wöchentlich: 57% left") reads worse than the widget's English title. The table is still the
// widget's own, so a change of its English wording reaches the scripts too.
constexpr std::string_view language = "en";

std::string title(const std::optional<pf::MainBundleInfo>& table, UsageWindowKind kind) {
    const pf::LocalizedStringResource resource = tallyfox::lengthTitleKey(kind);
    if (!table) return pf::fillFormat(resource.defaultValue, resource.arguments);
    const pf::Locale locale{std::string(language)};
    return pf::fillFormat(pf::localizedString(*table, std::string(language), resource.key,
                                              resource.defaultValue, pf::pluralCount(resource.arguments)),
                          resource.arguments, &locale);
}

// The widget reads 300 and 10080 minutes as its five-hour and weekly windows, and so does the tool,
// which writes any other length as "custom" with its minutes.
UsageWindowKind kindOfLength(std::int64_t minutes) {
    if (minutes == UsageWindowKind::fiveHour.minutes()) return UsageWindowKind::fiveHour;
    if (minutes == UsageWindowKind::weekly.minutes()) return UsageWindowKind::weekly;
    return UsageWindowKind::custom(minutes);
}

std::size_t widest(const std::vector<std::string>& texts) {
    std::size_t width = 0;
    for (const auto& text : texts)
        width = std::max(width, text.size());
    return width;
}

void appendColumns(std::string& out, std::string_view heading, const std::vector<WidgetNames::Named>& rows) {
    std::vector<std::string> left;
    for (const auto& row : rows)
        left.push_back(row.first);
    const std::size_t width = widest(left);
    out += heading;
    out += '\n';
    for (const auto& [identifier, words] : rows)
        out += "  " + identifier + std::string(width - identifier.size() + 2, ' ') + words + "\n";
}

} // namespace

WidgetNames widgetNames(const std::optional<pf::MainBundleInfo>& widgetTable,
                        const std::set<std::int64_t>& minutes) {
    WidgetNames names;
    names.language = language;
    for (const auto& [identifier, kind] :
         {std::pair{"fiveHour", UsageWindowKind::fiveHour}, std::pair{"weekly", UsageWindowKind::weekly},
          std::pair{"monthly", UsageWindowKind::monthly}, std::pair{"allowance", UsageWindowKind::allowance}})
        names.kinds.emplace_back(identifier, title(widgetTable, kind));
    std::set<std::int64_t> lengths = minutes;
    lengths.insert({UsageWindowKind::fiveHour.minutes(), UsageWindowKind::weekly.minutes()});
    for (const std::int64_t length : lengths)
        names.lengths.emplace_back(length, title(widgetTable, kindOfLength(length)));
    using enum QuotaUnavailableReason;
    for (const QuotaUnavailableReason reason :
         {signInExpired, permissionDenied, temporarilyUnavailable, toolNotRunning})
        names.reasons.emplace_back(tallyfox::rawValue(reason), tallyfox::reasonText(reason));
    return names;
}

std::set<std::int64_t> snapshotWindowLengths(std::string_view bytes) {
    std::set<std::int64_t> lengths;
    const auto status = tallyfox::cli::CLIStatus::read(bytes, pf::Clock::now());
    if (!status) return lengths;
    for (const auto& provider : status->providers)
        for (const auto& window : provider.windows)
            if (window.durationMinutes) lengths.insert(*window.durationMinutes);
    return lengths;
}

std::string WidgetNames::text() const {
    std::vector<Named> byLength;
    for (const auto& [minutes, words] : lengths)
        byLength.emplace_back(std::to_string(minutes) + " minutes", words);
    std::string out;
    appendColumns(out, "Windows, by kind:", kinds);
    appendColumns(out, "Windows, by length:", byLength);
    appendColumns(out, "Why limits are unavailable:", reasons);
    return printable(out);
}

std::string WidgetNames::json() const {
    pf::JSONWriter json(jsonKeys);
    json.beginObject();
    json.key("language").value(language);
    json.key("kinds").beginObject();
    for (const auto& [identifier, words] : kinds)
        json.key(identifier).value(words);
    json.endObject();
    json.key("minutes").beginObject();
    for (const auto& [minutes, words] : lengths)
        json.key(std::to_string(minutes)).value(words);
    json.endObject();
    json.key("reasons").beginObject();
    for (const auto& [identifier, words] : reasons)
        json.key(identifier).value(words);
    json.endObject();
    json.endObject();
    return json.take() + "\n";
}

int names(const Invocation& invocation, std::FILE* out) {
    const auto extension = invocation.extension.value_or(defaultExtensionPath());
    const auto bundle = pf::Bundle::open(extension);
    std::optional<pf::MainBundleInfo> table;
    if (bundle) table = pf::localizationInfo(*bundle);
    std::set<std::int64_t> minutes;
    if (const auto file = widgetSnapshotPath(extension))
        // As the tool reads it: a file above the largest size is not read at all.
        if (const auto read = pf::readOnce(*file, pf::largestSnapshotSize + 1);
            read && read->size() <= pf::largestSnapshotSize)
            minutes = snapshotWindowLengths(read->bytes());
    const WidgetNames result = widgetNames(table, minutes);
    const std::string report = invocation.json ? result.json() : result.text();
    std::fwrite(report.data(), 1, report.size(), out);
    return 0;
}

} // namespace widgethost
