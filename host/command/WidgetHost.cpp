#include "host/command/WidgetHost.hpp"

#include "host/autostart/Autostart.hpp"
#include "host/command/Output.hpp"
#include "host/stored/PlacedWidgets.hpp"
#include "platform/foundation/AppGroup.hpp"
#include "platform/foundation/Bundle.hpp"
#include "platform/foundation/FileSystem.hpp"
#include "platform/foundation/ISO8601.hpp"
#include "platform/foundation/Locale.hpp"
#include "platform/foundation/Logger.hpp"
#include "platform/foundation/UnicodeNormalization.hpp"
#include "platform/ui/Rendering.hpp"
#include "platform/widgetkit/WidgetExtension.hpp"
#include "platform/widgetkit/WidgetFamily.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <future>
#include <iostream>

namespace widgethost {

namespace fs = std::filesystem;
namespace pf = platform::foundation;
namespace ui = platform::ui;
namespace wk = platform::widgetkit;

namespace {

// A command that cannot finish: its line on standard error, exit status 1.
struct Failed {
    std::string message;
};

template <class T> using Outcome = pf::Result<T, Failed>;
Failed failed(std::string message) { return {std::move(message)}; }

std::string joined(const std::vector<std::string>& texts, std::string_view separator) {
    std::string out;
    for (const auto& text : texts) {
        if (!out.empty()) out += separator;
        out += text;
    }
    return out;
}

void print(std::FILE* out, std::string_view text) {
    const std::string shown = printable(text);
    std::fwrite(shown.data(), 1, shown.size(), out);
}

std::string noPlacedWidget(std::int64_t number) {
    return "no placed widget " + std::to_string(number) + " (widgethost list shows those that are)";
}

// Why the widget found no snapshot to show, in one line; nothing when it read one. The widget says
// so only in its log, and not even there for a missing file: the file is looked at here, and the
// widget's own log lines tell a damaged document from one of a newer layout.
std::optional<std::string> snapshotTrouble(const fs::path& bundlePath, const std::vector<std::string>& widgetLog) {
    const auto bundle = pf::Bundle::open(bundlePath);
    const auto group = bundle ? bundle->infoString(pf::appGroupIdentifierKey) : std::nullopt;
    const auto container = group ? pf::groupContainerPath(*group) : std::nullopt;
    if (!container) return std::nullopt;
    const fs::path file = *container / pf::snapshotFileName;
    const auto logged = [&](std::string_view line) {
        return std::find(widgetLog.begin(), widgetLog.end(), line) != widgetLog.end();
    };
    std::error_code error;
    if (!fs::exists(fs::symlink_status(file, error)))
        return "no snapshot at " + file.string() + " (the Tallyfox app writes it there)";
    const auto read = pf::readOnce(file, pf::largestSnapshotSize + 1);
    if (!read && read.error().kind != pf::FileReadFailure::Kind::endOfFile)
        return "cannot read the snapshot at " + file.string() + ": " +
               (read.error().systemError ? std::strerror(read.error().systemError) : "not a regular file");
    if (read && read->size() > pf::largestSnapshotSize)
        return "the snapshot at " + file.string() + " is larger than 4 MiB, which the widget does not read";
    if (logged("Widget snapshot uses a newer schema"))
        return "the snapshot at " + file.string() + " has a newer layout than this widget reads (a newer Tallyfox "
               "wrote it)";
    if (logged("Widget snapshot couldn't be decoded"))
        return "the snapshot at " + file.string() + " cannot be read (widgethost check tells why)";
    return std::nullopt;
}

struct Loaded {
    wk::WidgetExtension extension;
    const wk::WidgetConfiguration& widget() const { return extension.widgets.front(); }
};

Outcome<Loaded> load(const Invocation& invocation) {
    const fs::path path = invocation.extension.value_or(defaultExtensionPath());
    auto loaded = wk::loadWidgetExtension(path);
    if (!loaded) return pf::Failure{failed(loaded.error().message)};
    if (loaded->widgets.empty()) return pf::Failure{failed(path.string() + " declares no widget")};
    return Loaded{std::move(*loaded)};
}

Outcome<ui::WidgetFamily> supported(const wk::WidgetConfiguration& widget, ui::WidgetFamily family) {
    const auto& families = widget.supportedFamilies;
    if (std::find(families.begin(), families.end(), family) == families.end())
        return pf::Failure{failed(widget.kind + " does not come in the size " + std::string(wk::name(family)))};
    return family;
}

// The widget's size and configuration: a placed widget's, or those on the command line.
struct Placement {
    ui::WidgetFamily family;
    wk::IntentConfiguration configuration;
};

Outcome<Placement> placement(const wk::WidgetConfiguration& widget, const Selection& selection) {
    if (!selection.widget) {
        auto family = supported(widget, selection.family.value_or(ui::WidgetFamily::systemMedium));
        if (!family) return pf::Failure{family.error()};
        return Placement{*family, {selection.sources}};
    }
    const auto reading = readPlacedWidgets();
    const auto& placed = reading.widgets;
    const auto found = std::find_if(placed.begin(), placed.end(), [&](const PlacedWidget& candidate) {
        return candidate.number == *selection.widget;
    });
    // It may be in the part that cannot be read: that is the answer, not that it is not placed.
    if (found == placed.end() && reading.problem) return pf::Failure{failed(reading.problem->message())};
    if (found == placed.end()) return pf::Failure{failed(noPlacedWidget(*selection.widget))};
    if (found->kind != widget.kind)
        return pf::Failure{failed("placed widget " + std::to_string(found->number) + " is a " + found->kind +
                                  ", which this extension does not declare")};
    auto family = supported(widget, found->family);
    if (!family) return pf::Failure{family.error()};
    return Placement{*family, found->configuration};
}

// What the widget answered: one entry, or a timeline with its reload policy. The entries keep what
// they need of the extension.
struct Answer {
    std::vector<wk::WidgetEntry> entries;
    std::optional<wk::TimelineReloadPolicy> policy;
    ui::WidgetFamily family;
    pf::Date at; ///< the moment shown
    fs::path bundlePath;
};

// Loads the extension and asks its widget as the platform's host does: the clock fixed at the
// moment of asking, the asynchronous requests on a thread of their own.
Outcome<Answer> ask(const Invocation& invocation) {
    auto loaded = load(invocation);
    if (!loaded) return pf::Failure{loaded.error()};
    const wk::WidgetConfiguration& widget = loaded->widget();
    const Selection& selection = invocation.selection;
    const auto placed = placement(widget, selection);
    if (!placed) return pf::Failure{placed.error()};

    const pf::Date now = selection.now.value_or(pf::Clock::now());
    pf::Clock::setFixedNow(now);
    const ui::Size size = ui::metrics::widgetSize(placed->family);
    const wk::TimelineProviderContext context{placed->family, false, {size.width, size.height}};
    Answer answer{{}, std::nullopt, placed->family, selection.at.value_or(now), loaded->extension.bundlePath};
    const wk::AnyTimelineProvider& provider = widget.provider;
    switch (selection.request) {
    case Request::placeholder: answer.entries.push_back(provider.placeholder(context)); break;
    case Request::snapshot:
        answer.entries.push_back(
            std::async(std::launch::async, [&] { return provider.snapshot(placed->configuration, context); }).get());
        break;
    case Request::timeline: {
        auto timeline =
            std::async(std::launch::async, [&] { return provider.timeline(placed->configuration, context); }).get();
        answer.entries = std::move(timeline.entries);
        answer.policy = timeline.policy;
        break;
    }
    }
    return answer;
}

// The entry the host shows at the answer's moment, laid out as a widget of the placement's size.
Outcome<ui::LaidOutView> shown(const Answer& answer, const RenderOptions& options) {
    const wk::Timeline<wk::WidgetEntry> timeline{answer.entries, {}};
    const wk::WidgetEntry* entry = wk::entryInEffect(timeline, answer.at);
    if (!entry) return pf::Failure{failed("the widget answered with no entry")};

    const ui::Environment environment =
        widgetEnvironment(answer.family, options.appearance, options.contrast, answer.at);
    const ui::View content = entry->content(answer.family);
    return options.size ? ui::layoutWidget(content, environment, *options.size)
                        : ui::layoutWidget(content, environment);
}

// Writes to a temporary file beside `file` and renames it into place: the file is written whole or
// not at all.
Outcome<pf::Success> writeWhole(const ui::LaidOutView& view, const RenderOptions& options) {
    const fs::path& file = options.output;
    const auto cannot = [&](const std::string& reason) {
        return pf::Failure{failed("cannot write " + file.string() + (reason.empty() ? "" : ": " + reason))};
    };
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    std::string pattern = (folder / ("." + file.filename().string() + ".XXXXXX")).string();
    const int descriptor = ::mkstemp(pattern.data());
    if (descriptor < 0) return cannot(std::strerror(errno));
    const fs::path temporary = pattern;
    // The finished file gets the permissions a newly created file would have.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(descriptor, 0666 & ~mask);
    ::close(descriptor);

    const auto written = view.write(temporary, options.format, options.scale);
    std::error_code error;
    if (!written) {
        fs::remove(temporary, error);
        return cannot("");
    }
    fs::rename(temporary, file, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return cannot(error.message());
    }
    return pf::Success{};
}

// A reload policy's kind as JSON names it, and in words.
struct PolicyNames {
    std::string_view kind;
    std::string_view words;
};
PolicyNames policyNames(wk::TimelineReloadPolicy::Kind kind) {
    switch (kind) {
    case wk::TimelineReloadPolicy::Kind::atEnd:
        return {"atEnd", "at the end"};
    case wk::TimelineReloadPolicy::Kind::after:
        return {"after", "after"};
    case wk::TimelineReloadPolicy::Kind::never:
        return {"never", "never"};
    }
    return {"atEnd", "at the end"};
}

} // namespace

std::string placedWidgetLines(const std::vector<PlacedWidget>& placed) {
    // Columns as wide as their widest entry; numbers to the right, so that their digits line up.
    std::size_t numberWidth = 0, kindWidth = 0, familyWidth = 0;
    for (const auto& widget : placed) {
        numberWidth = std::max(numberWidth, std::to_string(widget.number).size());
        kindWidth = std::max(kindWidth, widget.kind.size());
        familyWidth = std::max(familyWidth, wk::name(widget.family).size());
    }
    std::string lines;
    for (const auto& widget : placed) {
        const std::string number = std::to_string(widget.number);
        const std::string family(wk::name(widget.family));
        const auto& sources = widget.configuration.entityIdentifiers;
        lines += std::string(numberWidth - number.size(), ' ') + number + "  " + widget.kind +
                 std::string(kindWidth - widget.kind.size(), ' ') + "  " + family +
                 std::string(familyWidth - family.size(), ' ') + "  " +
                 (sources ? "sources: " + joined(*sources, ", ") : std::string("no sources chosen")) + "\n";
    }
    return lines;
}

ui::Environment widgetEnvironment(ui::WidgetFamily family, ui::ColorScheme colorScheme,
                                  ui::ColorSchemeContrast contrast, pf::Date date) {
    ui::Environment environment = ui::Environment::standard();
    environment.locale = pf::Locale::current();
    environment.layoutDirection = environment.locale.isRightToLeft() ? ui::LayoutDirection::rightToLeft
                                                                     : ui::LayoutDirection::leftToRight;
    environment.colorScheme = colorScheme;
    environment.colorSchemeContrast = contrast;
    environment.widgetFamily = family;
    environment.date = date; // live texts show their value at this moment
    return environment;
}

namespace {

// Commands.

Outcome<pf::Success> describe(const Invocation& invocation, std::FILE* out) {
    auto loaded = load(invocation);
    if (!loaded) return pf::Failure{loaded.error()};
    const wk::WidgetConfiguration& widget = loaded->widget();
    std::vector<std::string> families;
    for (const auto family : widget.supportedFamilies) families.emplace_back(wk::name(family));
    const std::string description = widget.description.resolved();
    if (invocation.json) {
        pf::JSONWriter json(out, jsonKeys);
        json.beginObject()
            .key("kind").value(widget.kind)
            .key("displayName").value(widget.displayName)
            .key("description").value(description)
            .key("supportedFamilies").strings(families)
            .endObject()
            .finish();
    } else {
        print(out, "kind:         " + widget.kind + "\nname:         " + widget.displayName +
                       "\ndescription:  " + description + "\nfamilies:     " + joined(families, ", ") +
                       "\nconfigured by " + widget.intentTitle.resolved() + ": " + widget.parameterTitle.resolved() +
                       "\n");
    }
    return pf::Success{};
}

Outcome<pf::Success> entities(const Invocation& invocation, std::FILE* out, std::FILE* err) {
    auto loaded = load(invocation);
    if (!loaded) return pf::Failure{loaded.error()};
    const auto& query = loaded->widget().entityQuery;
    const pf::LogCapture widgetLog;
    const auto listed = invocation.identifiers.empty() ? query.results() : query.entities(invocation.identifiers);
    // No snapshot is no answer to what can be chosen; the named identifiers still have theirs.
    if (const auto trouble = snapshotTrouble(loaded->extension.bundlePath, widgetLog.messages())) {
        if (invocation.identifiers.empty()) return pf::Failure{failed(*trouble)};
        print(err, "widgethost: " + *trouble + "\n");
    }
    if (invocation.json) {
        pf::JSONWriter json(out, jsonKeys);
        json.beginObject().key("typeDisplayName").value(query.type.name.resolved()).key("entities").beginArray();
        for (const auto& entity : listed)
            json.beginObject()
                .key("id")
                .value(entity.id)
                .key("title")
                .value(platform::intents::resolved(entity.display.title))
                .endObject();
        json.endArray().endObject().finish();
    } else {
        for (const auto& entity : listed)
            print(out, entity.id + "\t" + platform::intents::resolved(entity.display.title) + "\n");
    }
    return pf::Success{};
}

Outcome<pf::Success> timeline(const Invocation& invocation, std::FILE* out) {
    const auto asked = ask(invocation);
    if (!asked) return pf::Failure{asked.error()};
    const Answer& answer = *asked;

    if (invocation.json) {
        pf::JSONWriter json(out, jsonKeys);
        json.beginObject().key("entries").beginArray();
        for (const auto& entry : answer.entries) {
            const wk::EntrySummary summary = entry.summary(answer.family);
            json.beginObject().key("date").value(pf::ISO8601::string(entry.date));
            if (!summary.view.empty()) json.key("view").value(summary.view).key("titles").strings(summary.titles);
            json.endObject();
        }
        json.endArray();
        if (answer.policy) {
            json.key("reloadPolicy").beginObject().key("kind").value(policyNames(answer.policy->kind).kind);
            if (answer.policy->kind == wk::TimelineReloadPolicy::Kind::after)
                json.key("date").value(pf::ISO8601::string(answer.policy->date));
            json.endObject();
        }
        json.endObject().finish();
        return pf::Success{};
    }
    for (const auto& entry : answer.entries) {
        const wk::EntrySummary summary = entry.summary(answer.family);
        std::string line = pf::ISO8601::string(entry.date);
        if (!summary.view.empty()) line += "  " + summary.view;
        if (!summary.titles.empty()) line += ": " + joined(summary.titles, ", ");
        print(out, line + "\n");
    }
    if (answer.policy) {
        std::string line = "reload " + std::string(policyNames(answer.policy->kind).words);
        if (answer.policy->kind == wk::TimelineReloadPolicy::Kind::after)
            line += " " + pf::ISO8601::string(answer.policy->date);
        print(out, line + "\n");
    }
    return pf::Success{};
}

// render, accessibility and layout: the entry in effect, laid out.
Outcome<pf::Success> show(const Invocation& invocation, std::FILE* out, std::FILE* err) {
    const pf::LogCapture widgetLog;
    const auto asked = ask(invocation);
    if (!asked) return pf::Failure{asked.error()};
    const auto view = shown(*asked, invocation.render);
    if (!view) return pf::Failure{view.error()};

    switch (invocation.command) {
    case Command::render: {
        // The picture is the widget's message for a missing snapshot ("Open Tallyfox"); the line says
        // what is behind it.
        if (invocation.selection.request != Request::placeholder)
            if (const auto trouble = snapshotTrouble(asked->bundlePath, widgetLog.messages()))
                print(err, "widgethost: " + *trouble + "\n");
        return writeWhole(*view, invocation.render);
    }
    case Command::layout: print(out, view->layoutDump()); break;
    default:
        if (invocation.json) {
            pf::JSONWriter json(out, jsonKeys);
            json.beginArray();
            for (const auto& node : view->accessibilityTree()) {
                json.beginObject().key("label").value(node.label);
                if (!node.value.empty()) json.key("value").value(node.value);
                json.endObject();
            }
            json.endArray().finish();
        } else {
            print(out, view->accessibilityDump());
        }
    }
    return pf::Success{};
}

Outcome<pf::Success> list(const Invocation& invocation, std::FILE* out, std::FILE* err) {
    const auto reading = readPlacedWidgets();
    const auto& placed = reading.widgets;
    // What can be read is listed; a store that cannot be read whole is a failure, said last.
    const auto outcome = [&]() -> Outcome<pf::Success> {
        if (reading.problem) return pf::Failure{failed(reading.problem->message())};
        return pf::Success{};
    };
    // Nothing placed is an answer, not a failure; the note goes where it stays out of a script's
    // reading of the lines.
    if (placed.empty() && !invocation.json && !reading.problem) {
        print(err, "widgethost: no widget is placed (widgethost add --family medium places one)\n");
        return pf::Success{};
    }
    if (invocation.json) {
        pf::JSONWriter json(out, jsonKeys);
        json.beginArray();
        for (const auto& widget : placed) {
            json.beginObject()
                .key("number").value(widget.number)
                .key("kind").value(widget.kind)
                .key("family").value(wk::name(widget.family));
            if (widget.configuration.entityIdentifiers)
                json.key("sources").strings(*widget.configuration.entityIdentifiers);
            json.endObject();
        }
        json.endArray().finish();
        return outcome();
    }
    print(out, placedWidgetLines(placed));
    return outcome();
}

// A chosen source that the snapshot does not offer now is kept, since it may come back (an account
// signed in again); one line says so, so that a typing error does not go unnoticed.
void noteSourcesNotOffered(const Loaded& loaded, const std::optional<std::vector<std::string>>& sources,
                           std::FILE* err) {
    if (!sources) return;
    const auto offered = loaded.widget().entityQuery.results();
    std::vector<std::string> missing;
    for (const auto& source : *sources) {
        const auto same = [&](const std::string& other) { return pf::canonicallyEqual(source, other); };
        const bool isOffered =
            std::any_of(offered.begin(), offered.end(), [&](const auto& entity) { return same(entity.id); });
        if (!isOffered && std::none_of(missing.begin(), missing.end(), same)) missing.push_back(source);
    }
    if (missing.empty()) return;
    std::vector<std::string> quoted;
    for (const auto& source : missing) quoted.push_back("'" + source + "'");
    const bool one = missing.size() == 1;
    print(err, std::string("widgethost: ") + (one ? "source " : "sources ") + joined(quoted, ", ") +
                   (one ? " is" : " are") +
                   " not offered now (widgethost entities lists those that are); kept for when " +
                   (one ? "it is" : "they are") + "\n");
}

Outcome<pf::Success> add(const Invocation& invocation, std::FILE* out, std::FILE* err) {
    auto loaded = load(invocation);
    if (!loaded) return pf::Failure{loaded.error()};
    const auto family = supported(loaded->widget(), *invocation.selection.family);
    if (!family) return pf::Failure{family.error()};
    noteSourcesNotOffered(*loaded, invocation.selection.sources, err);
    std::int64_t number = 0;
    const auto changed = changePlacedWidgets([&](PlacementChange& placed) -> std::optional<std::string> {
        number = placed.nextNumber++;
        placed.widgets.push_back({number, loaded->widget().kind, *family, {invocation.selection.sources}});
        return std::nullopt;
    });
    if (!changed) return pf::Failure{failed(changed.error().message())};
    if (changed->note) print(err, "widgethost: " + changed->note->message() + "\n");
    print(out, std::to_string(number) + "\n");
    return pf::Success{};
}

// edit and remove.
Outcome<pf::Success> change(const Invocation& invocation, std::FILE* err) {
    const std::int64_t number = *invocation.number;
    const auto changed = changePlacedWidgets([&](PlacementChange& placed) -> std::optional<std::string> {
        const auto found = std::find_if(placed.widgets.begin(), placed.widgets.end(),
                                        [&](const PlacedWidget& widget) { return widget.number == number; });
        // It may be in the part that cannot be read: that is the answer, and nothing is written.
        if (found == placed.widgets.end())
            if (const auto problem = readPlacedWidgets().problem) return problem->message();
        if (found == placed.widgets.end()) return noPlacedWidget(number);
        if (invocation.command == Command::remove)
            placed.widgets.erase(found);
        else
            found->configuration.entityIdentifiers = invocation.clear ? std::nullopt : invocation.selection.sources;
        return std::nullopt;
    });
    if (!changed) return pf::Failure{failed(changed.error().message())};
    if (changed->note) print(err, "widgethost: " + changed->note->message() + "\n");
    // Only a note: the change itself needs no extension.
    if (invocation.command == Command::edit && invocation.selection.sources)
        if (const auto loaded = load(invocation))
            noteSourcesNotOffered(*loaded, invocation.selection.sources, err);
    return pf::Success{};
}

} // namespace

namespace {

// The application bundle the host is built and installed beside.
fs::path applicationBundlePath() {
    std::error_code error;
    const auto executable = pf::executablePath();
    const fs::path folder = executable ? executable->parent_path() : fs::current_path(error);
    return (folder / ".." / "Tallyfox.app").lexically_normal();
}

} // namespace

fs::path defaultExtensionPath() {
    return applicationBundlePath() / "Contents" / "PlugIns" / "TallyfoxWidget.appex";
}

std::string versionLine() {
    // The version of the bundle the host ships with, read as `tallyfox --version` reads it, so that
    // the two programs of one installation agree.
    const auto bundle = pf::Bundle::open(applicationBundlePath());
    const auto version = bundle ? bundle->infoString("CFBundleShortVersionString") : std::nullopt;
    return "Tallyfox " + version.value_or("development");
}

int run(const Invocation& invocation, std::FILE* out, std::FILE* err) {
    Outcome<pf::Success> outcome = pf::Success{};
    switch (invocation.command) {
    case Command::help: std::fwrite(usageText().data(), 1, usageText().size(), out); break;
    case Command::version: print(out, versionLine() + "\n"); break;
    case Command::describe: outcome = describe(invocation, out); break;
    case Command::entities: outcome = entities(invocation, out, err); break;
    case Command::timeline: outcome = timeline(invocation, out); break;
    case Command::render:
    case Command::accessibility:
    case Command::layout: outcome = show(invocation, out, err); break;
    case Command::add: outcome = add(invocation, out, err); break;
    case Command::list: outcome = list(invocation, out, err); break;
    case Command::edit:
    case Command::remove: outcome = change(invocation, err); break;
    case Command::autostart: {
        std::fflush(out);
        const int status = tallyfox::host::runAutostartCommand(invocation.autostart, std::cout, std::cerr);
        std::cout.flush();
        return status;
    }
    case Command::show: outcome = pf::Failure{failed("show runs the desktop host, which main starts")}; break;
    case Command::check:
        outcome = pf::Failure{failed("check reads the snapshot with the readers' code, which main links")};
        break;
    case Command::names: outcome = pf::Failure{failed("names uses the readers' code, which main links")}; break;
    }
    if (!outcome) {
        std::fflush(out);
        print(err, "widgethost: " + outcome.error().message + "\n");
        return 1;
    }
    return 0;
}

} // namespace widgethost
