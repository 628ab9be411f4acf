#include "host/command/Arguments.hpp"

#include "platform/foundation/ISO8601.hpp"
#include "platform/widgetkit/WidgetFamily.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace widgethost {

namespace ui = platform::ui;
using platform::foundation::Failure;
using platform::foundation::Result;

namespace {

constexpr std::string_view usage = R"(Usage: widgethost [--extension PATH] COMMAND [OPTIONS]
       widgethost --help | --version

Shows Tallyfox's widgets on your desktop and manages them: places widgets in
three sizes, chooses the providers and accounts each one shows, keeps them live
on the desktop and starts them with your session. It also draws a widget to
PNG, SVG or PDF and prints what a screen reader announces.

Commands:
  describe [--json]               the widget's kind, name, description and sizes
  entities [--json] [ID...]       what the widget's configuration can choose, or
                                  the entities for the given identifiers
  timeline [SELECTION] [--json]   every entry's date and what it shows, and
                                  when to ask again
  render [SELECTION] --output FILE
                                  draw the entry in effect to FILE (.png, .svg
                                  or .pdf); also --appearance light|dark,
                                  --contrast standard|increased, --scale N,
                                  --size WxH
  accessibility [SELECTION] [--json]
                                  what a screen reader announces, in order
  layout [SELECTION]              the laid-out view tree
  add --family F [--source ID...] place a widget; prints its number
  list [--json]                   the placed widgets
  edit N --source ID... | --clear choose a placed widget's sources, or clear
                                  them
  remove N                        remove a placed widget
  autostart on|off|status         start the widgets with the desktop session,
                                  or not
  show [--now DATE] [--verbose] [--surface KIND]
                                  the placed widgets on the desktop, live,
                                  until you quit them (--now stops the clock
                                  at DATE; --verbose says which desktop
                                  surface the widgets use and why; --surface
                                  chooses it: auto, layer-shell, gnome-shell,
                                  x11 or window)
  check [FILE] [--now DATE] [--json]
                                  read a snapshot as the widget and the tool
                                  do: what they drop or refuse, and what
                                  each size shows (FILE: the widget's
                                  snapshot; --now: its generatedAt)
  names [--json]                  the widget's words for the window kinds and
                                  reasons that tallyfox status prints (for
                                  status-bar scripts)

SELECTION:
  --family small|medium|large     the widget's size (default medium)
  --source ID                     a chosen source; repeat in the order wanted
  --widget N                      a placed widget, with its size and sources
  --request placeholder|snapshot|timeline
                                  what to ask the widget for (default
                                  timeline)
  --now DATE                      the clock when the host asks (RFC 3339;
                                  default: now)
  --at DATE                       the moment shown (default: --now)

Options:
  --extension PATH                the widget extension to load (default: the
                                  bundled one)
  --help                          print this text
  --version                       print the version

Exit status: 0 on success, 1 on failure, 2 for bad usage.
)";

struct CommandName {
    std::string_view name;
    Command command;
};
constexpr std::array<CommandName, 13> commands{{
    {"describe", Command::describe},
    {"entities", Command::entities},
    {"timeline", Command::timeline},
    {"render", Command::render},
    {"accessibility", Command::accessibility},
    {"layout", Command::layout},
    {"add", Command::add},
    {"list", Command::list},
    {"edit", Command::edit},
    {"remove", Command::remove},
    {"show", Command::show},
    {"check", Command::check},
    {"names", Command::names},
}};

// The options each command takes, besides --extension, which every command takes.
enum Option : unsigned {
    json = 1u << 0,
    family = 1u << 1,
    source = 1u << 2,
    widget = 1u << 3,
    request = 1u << 4,
    now = 1u << 5,
    at = 1u << 6,
    appearance = 1u << 7,
    contrast = 1u << 8,
    scale = 1u << 9,
    size = 1u << 10,
    output = 1u << 11,
    clear = 1u << 12,
    extension = 1u << 13,
    verbose = 1u << 14,
    surface = 1u << 15,
};
constexpr unsigned selection = family | source | widget | request | now | at;

struct OptionName {
    std::string_view name;
    Option option;
    bool takesValue;
};
constexpr std::array<OptionName, 16> options{{
    {"--json", json, false},
    {"--family", family, true},
    {"--source", source, true},
    {"--widget", widget, true},
    {"--request", request, true},
    {"--now", now, true},
    {"--at", at, true},
    {"--appearance", appearance, true},
    {"--contrast", contrast, true},
    {"--scale", scale, true},
    {"--size", size, true},
    {"--output", output, true},
    {"--clear", clear, false},
    {"--extension", extension, true},
    {"--verbose", verbose, false},
    {"--surface", surface, true},
}};

unsigned accepted(Command command) {
    switch (command) {
    case Command::describe:
    case Command::entities:
    case Command::list:
    case Command::names: return json;
    case Command::timeline:
    case Command::accessibility: return selection | json;
    case Command::layout: return selection;
    case Command::render: return selection | appearance | contrast | scale | size | output;
    case Command::add: return family | source;
    case Command::edit: return source | clear;
    case Command::show: return now | verbose | surface;
    case Command::check: return now | json;
    case Command::remove:
    case Command::autostart:
    case Command::help:
    case Command::version: return 0;
    }
    return 0;
}

std::string_view commandName(Command command) {
    for (const auto& entry : commands)
        if (entry.command == command) return entry.name;
    return "widgethost";
}

Failure<UsageError> error(std::string message) { return Failure{UsageError{std::move(message)}}; }

std::string quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

std::optional<double> number(std::string_view text) {
    double value = 0;
    const auto [end, failed] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (failed != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<std::int64_t> widgetNumber(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, failed] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (failed != std::errc() || end != text.data() + text.size() || value < 1) return std::nullopt;
    return value;
}

std::optional<ui::Size> sizeValue(std::string_view text) {
    const auto cross = text.find('x');
    if (cross == std::string_view::npos) return std::nullopt;
    const auto width = number(text.substr(0, cross));
    const auto height = number(text.substr(cross + 1));
    // A widget larger than a screen is a typing error, not a preview.
    constexpr double largest = 10'000;
    if (!width || !height || *width <= 0 || *height <= 0 || *width > largest || *height > largest) return std::nullopt;
    return ui::Size{*width, *height};
}

std::optional<ui::ImageFormat> formatOf(const std::filesystem::path& file) {
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    if (extension == ".png") return ui::ImageFormat::png;
    if (extension == ".svg") return ui::ImageFormat::svg;
    if (extension == ".pdf") return ui::ImageFormat::pdf;
    return std::nullopt;
}

// Applies one option with its value to the invocation.
std::optional<UsageError> apply(Invocation& invocation, const OptionName& option, std::string_view value) {
    const auto bad = [&](std::string_view what, std::string_view expected) {
        return UsageError{"bad " + std::string(what) + " " + quoted(value) + " for " + std::string(option.name) + " (" +
                          std::string(expected) + ")"};
    };
    Selection& selected = invocation.selection;
    RenderOptions& render = invocation.render;
    switch (option.option) {
    case json: invocation.json = true; break;
    case clear: invocation.clear = true; break;
    case verbose: invocation.verbose = true; break;
    case surface:
        if (value == "auto")
            invocation.surface = std::nullopt;
        else if (const auto kind = surfaceKindNamed(value))
            invocation.surface = kind;
        else
            return bad("surface", "auto, layer-shell, gnome-shell, x11 or window");
        break;
    case extension: invocation.extension = std::filesystem::path(value); break;
    case family: {
        const auto parsed = platform::widgetkit::widgetFamily(value);
        if (!parsed) return bad("family", "small, medium or large");
        selected.family = parsed;
        break;
    }
    case source:
        if (!selected.sources) selected.sources.emplace();
        selected.sources->emplace_back(value);
        break;
    case widget: {
        const auto parsed = widgetNumber(value);
        if (!parsed) return bad("widget number", "a placed widget's number, 1 or more");
        selected.widget = parsed;
        break;
    }
    case request:
        if (value == "placeholder")
            selected.request = Request::placeholder;
        else if (value == "snapshot")
            selected.request = Request::snapshot;
        else if (value == "timeline")
            selected.request = Request::timeline;
        else
            return bad("request", "placeholder, snapshot or timeline");
        break;
    case now:
    case at: {
        const auto date = platform::foundation::ISO8601::date(value);
        if (!date) return bad("date", "an RFC 3339 date-time such as 2026-03-02T10:00:00Z");
        (option.option == now ? selected.now : selected.at) = date;
        break;
    }
    case appearance:
        if (value == "light")
            render.appearance = ui::ColorScheme::light;
        else if (value == "dark")
            render.appearance = ui::ColorScheme::dark;
        else
            return bad("appearance", "light or dark");
        break;
    case contrast:
        if (value == "standard")
            render.contrast = ui::ColorSchemeContrast::standard;
        else if (value == "increased")
            render.contrast = ui::ColorSchemeContrast::increased;
        else
            return bad("contrast", "standard or increased");
        break;
    case scale: {
        const auto parsed = number(value);
        if (!parsed || *parsed <= 0 || *parsed > 8) return bad("scale", "a number above 0, at most 8");
        render.scale = *parsed;
        break;
    }
    case size: {
        const auto parsed = sizeValue(value);
        if (!parsed) return bad("size", "WIDTHxHEIGHT in points, such as 364x170");
        render.size = parsed;
        break;
    }
    case output: {
        const auto format = formatOf(std::filesystem::path(value));
        if (value.empty() || !format) return bad("file name", "ending in .png, .svg or .pdf");
        render.output = std::filesystem::path(value);
        render.format = *format;
        break;
    }
    }
    return std::nullopt;
}

// One option as written, with its value (empty for one that takes none).
struct GivenOption {
    const OptionName* option;
    std::string_view value;
};

// The command line read word by word: the command, its options in the order given and the words
// that are neither.
struct Words {
    std::optional<Command> command;
    std::vector<GivenOption> options;
    std::vector<std::string_view> positionals;
};

// `--help` and `--version` answer before anything else is looked at, wherever they are, except in
// the words after `autostart`, which that command reads as they are, --help included.
std::optional<Invocation> earlyAnswer(std::span<const std::string_view> arguments) {
    auto commandWord = arguments.begin();
    while (commandWord != arguments.end() && commandWord->starts_with("-"))
        commandWord += *commandWord == "--extension" && commandWord + 1 != arguments.end() ? 2 : 1;
    const bool autostart = commandWord != arguments.end() && *commandWord == "autostart";
    const auto helpEnd = autostart ? commandWord : arguments.end();
    Invocation invocation;
    if (std::find(arguments.begin(), helpEnd, "--help") != helpEnd) return invocation;
    if (std::find(arguments.begin(), helpEnd, "--version") != helpEnd) {
        invocation.command = Command::version;
        return invocation;
    }
    if (!autostart) return std::nullopt;
    invocation.command = Command::autostart;
    invocation.autostart.assign(commandWord + 1, arguments.end());
    return invocation;
}

// Reads the option at `index` (`--name`, `--name=value` or `--name value`, which moves `index` past
// the value); `given` holds the options read before, of which only --source may come again.
Result<GivenOption, UsageError> readOption(std::span<const std::string_view> arguments, std::size_t& index,
                                           unsigned& given) {
    const std::string_view argument = arguments[index];
    const auto equals = argument.find('=');
    const std::string_view name = argument.substr(0, equals);
    const auto found =
        std::find_if(options.begin(), options.end(), [&](const OptionName& option) { return option.name == name; });
    if (found == options.end()) return error("unknown option " + quoted(name));
    std::string_view value;
    if (found->takesValue) {
        if (equals != std::string_view::npos)
            value = argument.substr(equals + 1);
        else if (index + 1 < arguments.size())
            value = arguments[++index];
        else
            return error(std::string(name) + " needs a value");
    } else if (equals != std::string_view::npos) {
        return error(std::string(name) + " takes no value");
    }
    if ((given & found->option) && found->option != source)
        return error(std::string(name) + " is given more than once");
    given |= found->option;
    return GivenOption{&*found, value};
}

// Sorts the words into the command, options and the rest; after `--` every word is one of the rest.
Result<Words, UsageError> readWords(std::span<const std::string_view> arguments) {
    Words words;
    unsigned given = 0;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && argument.size() > 1 && argument.front() == '-') {
            auto option = readOption(arguments, i, given);
            if (!option) return Failure{option.error()};
            words.options.push_back(*option);
        } else if (!words.command) {
            const auto found = std::find_if(commands.begin(), commands.end(),
                                            [&](const CommandName& entry) { return entry.name == argument; });
            if (found == commands.end()) return error("unknown command " + quoted(argument));
            words.command = found->command;
        } else {
            words.positionals.push_back(argument);
        }
    }
    if (!words.command) return error("no command given (see widgethost --help)");
    return words;
}

// Applies the options in the order given, each only where the command takes it.
std::optional<UsageError> applyOptions(Invocation& invocation, const std::vector<GivenOption>& given) {
    for (const GivenOption& entry : given) {
        if (entry.option->option != extension && !(accepted(invocation.command) & entry.option->option))
            return UsageError{std::string(commandName(invocation.command)) + " does not take " +
                              std::string(entry.option->name)};
        if (auto failed = apply(invocation, *entry.option, entry.value)) return failed;
    }
    return std::nullopt;
}

// Takes the words that are neither command nor option: the identifiers of `entities`, the widget
// number of `edit` and `remove`, the file of `check`; any other is unexpected.
std::optional<UsageError> takePositionals(Invocation& invocation, std::vector<std::string_view> positionals) {
    const std::string name(commandName(invocation.command));
    switch (invocation.command) {
    case Command::entities:
        invocation.identifiers.assign(positionals.begin(), positionals.end());
        positionals.clear();
        break;
    case Command::edit:
    case Command::remove:
        if (positionals.empty()) return UsageError{name + " needs a widget number"};
        invocation.number = widgetNumber(positionals.front());
        if (!invocation.number) return UsageError{"bad widget number " + quoted(positionals.front())};
        positionals.erase(positionals.begin());
        break;
    case Command::check:
        if (!positionals.empty()) {
            invocation.snapshotFile = std::filesystem::path(positionals.front());
            positionals.erase(positionals.begin());
        }
        break;
    default:
        break;
    }
    if (!positionals.empty()) return UsageError{"unexpected argument " + quoted(positionals.front())};
    return std::nullopt;
}

// What a command needs besides its words, and the options that exclude each other.
std::optional<UsageError> checkCombinations(const Invocation& invocation) {
    const Command command = invocation.command;
    const Selection& selected = invocation.selection;
    if (selected.widget && (selected.family || selected.sources))
        return UsageError{"--widget cannot be combined with --family or --source"};
    if (command == Command::render && invocation.render.output.empty()) return UsageError{"render needs --output FILE"};
    if (command == Command::add && !selected.family) return UsageError{"add needs --family"};
    if (command == Command::edit && !selected.sources && !invocation.clear)
        return UsageError{"edit needs --source ID... or --clear"};
    if (command == Command::edit && selected.sources && invocation.clear)
        return UsageError{"edit takes --source or --clear, not both"};
    return std::nullopt;
}

} // namespace

std::string_view usageText() {
    return usage;
}

platform::foundation::Result<Invocation, UsageError> parseArguments(std::span<const std::string_view> arguments) {
    if (auto answer = earlyAnswer(arguments)) return std::move(*answer);
    auto words = readWords(arguments);
    if (!words) return Failure{words.error()};
    Invocation invocation;
    invocation.command = *words->command;
    auto failed = applyOptions(invocation, words->options);
    if (!failed) failed = takePositionals(invocation, std::move(words->positionals));
    if (!failed) failed = checkCombinations(invocation);
    if (failed) return Failure{std::move(*failed)};
    return invocation;
}

} // namespace widgethost
