#include "host/command/Arguments.hpp"
#include "platform/foundation/ISO8601.hpp"

#include <gtest/gtest.h>
#include <initializer_list>

namespace widgethost {
namespace {

namespace ui = platform::ui;
using platform::foundation::ISO8601::date;

platform::foundation::Result<Invocation, UsageError> parse(std::initializer_list<std::string_view> words) {
    const std::vector<std::string_view> arguments(words);
    return parseArguments(arguments);
}

// The parsed command line, failing the test where there is none.
Invocation parsed(std::initializer_list<std::string_view> words) {
    auto result = parse(words);
    if (!result) {
        ADD_FAILURE() << "refused: " << result.error().message;
        return {};
    }
    return std::move(*result);
}

std::string refusal(std::initializer_list<std::string_view> words) {
    const auto result = parse(words);
    return result ? "(accepted)" : result.error().message;
}

TEST(Arguments, eachCommandTakesItsOwnWordsAndOptions) {
    EXPECT_TRUE(parsed({"describe", "--json"}).json);
    EXPECT_FALSE(parsed({"list"}).json);
    EXPECT_EQ(parsed({"entities", "codex", "claude · work"}).identifiers,
              (std::vector<std::string>{"codex", "claude · work"}));
    EXPECT_EQ(parsed({"names", "--json"}).command, Command::names);

    const Invocation timeline =
        parsed({"timeline", "--family", "small", "--source", "b", "--json", "--source", "a", "--request", "snapshot",
                "--now", "2026-03-02T10:00:00Z", "--at", "2026-03-02T12:30:00+02:00"});
    EXPECT_EQ(timeline.command, Command::timeline);
    EXPECT_EQ(timeline.selection.family, ui::WidgetFamily::systemSmall);
    // Sources keep the order they were given in.
    EXPECT_EQ(timeline.selection.sources, (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(timeline.selection.request, Request::snapshot);
    EXPECT_EQ(timeline.selection.now, date("2026-03-02T10:00:00Z"));
    EXPECT_EQ(timeline.selection.at, date("2026-03-02T10:30:00Z"));
    EXPECT_TRUE(timeline.json);
    // What is not given is left to the command: the medium size, the timeline, the real time.
    const Invocation plain = parsed({"layout"});
    EXPECT_EQ(plain.selection.family, std::nullopt);
    EXPECT_EQ(plain.selection.sources, std::nullopt);
    EXPECT_EQ(plain.selection.request, Request::timeline);
    EXPECT_EQ(plain.selection.now, std::nullopt);
    EXPECT_EQ(parsed({"accessibility", "--widget", "12"}).selection.widget, 12);
    // The family's own name is a name too.
    EXPECT_EQ(parsed({"layout", "--family", "systemLarge"}).selection.family, ui::WidgetFamily::systemLarge);

    const Invocation render = parsed({"render", "--output", "out/Widget.Svg", "--appearance", "dark", "--contrast",
                                      "increased", "--scale", "2.5", "--size", "300x150.5"});
    EXPECT_EQ(render.render.output, "out/Widget.Svg");
    EXPECT_EQ(render.render.format, ui::ImageFormat::svg);
    EXPECT_EQ(render.render.appearance, ui::ColorScheme::dark);
    EXPECT_EQ(render.render.contrast, ui::ColorSchemeContrast::increased);
    EXPECT_EQ(render.render.scale, 2.5);
    EXPECT_EQ(render.render.size, (ui::Size{300, 150.5}));
    EXPECT_EQ(parsed({"render", "--output", "w.PDF"}).render.format, ui::ImageFormat::pdf);
    EXPECT_EQ(parsed({"render", "--output", "w.png"}).render.scale, ui::metrics::defaultScaleFactor);

    EXPECT_EQ(parsed({"add", "--family", "large", "--source", "cursor"}).selection.sources,
              (std::vector<std::string>{"cursor"}));
    const Invocation edit = parsed({"edit", "7", "--source", "codex"});
    EXPECT_EQ(edit.number, 7);
    EXPECT_FALSE(edit.clear);
    EXPECT_TRUE(parsed({"edit", "--clear", "7"}).clear);
    EXPECT_EQ(parsed({"remove", "3"}).number, 3);

    const Invocation show = parsed({"show", "--verbose", "--now", "2026-03-02T10:00:00Z", "--surface", "x11"});
    EXPECT_EQ(show.command, Command::show);
    EXPECT_TRUE(show.verbose);
    EXPECT_EQ(show.selection.now, date("2026-03-02T10:00:00Z"));

    const Invocation check = parsed({"check", "snapshot.json", "--now", "2026-03-02T10:00:00Z", "--json"});
    EXPECT_EQ(check.snapshotFile, "snapshot.json");
    EXPECT_EQ(parsed({"check"}).snapshotFile, std::nullopt);

    // Every command takes the extension to load, before or after its name.
    EXPECT_EQ(parsed({"--extension", "/opt/W.appex", "describe"}).extension, "/opt/W.appex");
    EXPECT_EQ(parsed({"remove", "1", "--extension=W.appex"}).extension, "W.appex");
}

TEST(Arguments, valuesFollowAnEqualsSignOrComeAsTheNextWordAndTwoDashesEndTheOptions) {
    EXPECT_EQ(parsed({"layout", "--family=large"}).selection.family, ui::WidgetFamily::systemLarge);
    // The value is the whole rest, equals signs included, and may be empty.
    EXPECT_EQ(parsed({"add", "--family", "small", "--source=a=b"}).selection.sources,
              (std::vector<std::string>{"a=b"}));
    EXPECT_EQ(parsed({"add", "--family", "small", "--source="}).selection.sources, (std::vector<std::string>{""}));
    // The word after an option that takes a value is its value, even when it looks like an option.
    EXPECT_EQ(parsed({"add", "--family", "small", "--source", "--json"}).selection.sources,
              (std::vector<std::string>{"--json"}));
    // After `--`, and for a lone `-`, words are words.
    EXPECT_EQ(parsed({"entities", "--", "--json", "-x"}).identifiers, (std::vector<std::string>{"--json", "-x"}));
    EXPECT_FALSE(parsed({"entities", "--", "--json"}).json);
    EXPECT_EQ(parsed({"check", "-"}).snapshotFile, "-");
    EXPECT_EQ(parsed({"--", "check", "--help.json"}).snapshotFile, "--help.json");
}

TEST(Arguments, helpAndVersionAnswerWhereverTheyAreButAmongTheWordsOfAutostart) {
    EXPECT_EQ(parsed({"--help"}).command, Command::help);
    // Before anything else is looked at: unknown options and missing values do not matter.
    EXPECT_EQ(parsed({"render", "--help", "--bogus"}).command, Command::help);
    EXPECT_EQ(parsed({"show-me", "--family", "--help"}).command, Command::help);
    EXPECT_EQ(parsed({"list", "--version", "--bogus"}).command, Command::version);
    EXPECT_EQ(parsed({"--version", "--help"}).command, Command::help);
    // `autostart` reads the words after it as they are; before it they still count.
    const Invocation autostart = parsed({"--extension", "x.appex", "autostart", "--help", "on"});
    EXPECT_EQ(autostart.command, Command::autostart);
    EXPECT_EQ(autostart.autostart, (std::vector<std::string>{"--help", "on"}));
    EXPECT_EQ(parsed({"autostart"}).autostart, std::vector<std::string>{});
    EXPECT_EQ(parsed({"--help", "autostart", "on"}).command, Command::help);
    EXPECT_EQ(parsed({"--json", "autostart", "--version"}).command, Command::autostart);
    // The extension's path is not a command, even when it is called autostart.
    EXPECT_EQ(refusal({"--extension", "autostart"}), "no command given (see widgethost --help)");
    EXPECT_EQ(parsed({"--extension", "autostart", "list"}).command, Command::list);
}

TEST(Arguments, everyUsageErrorIsOneLineNamingWhatIsWrong) {
    const std::vector<std::pair<std::vector<std::string_view>, std::string>> cases{
        // The first wrong word, reading from the left, is the one named.
        {{"bogus", "--loud"}, "unknown command 'bogus'"},
        {{"--loud", "bogus"}, "unknown option '--loud'"},
        {{"--loud=3", "list"}, "unknown option '--loud'"},
        {{"-j", "list"}, "unknown option '-j'"},
        {{"timeline", "--source"}, "--source needs a value"},
        {{"timeline", "--json", "--json"}, "--json is given more than once"},
        {{"show", "--now=2026-03-02T10:00:00Z", "--now", "2026-03-02T11:00:00Z"}, "--now is given more than once"},
        {{"show", "--verbose=no"}, "--verbose takes no value"},
        {{"edit", "1", "--clear=yes"}, "--clear takes no value"},
        // Whether the command takes an option comes before its value.
        {{"describe", "--family", "huge"}, "describe does not take --family"},
        {{"add", "--family", "small", "--widget", "2"}, "add does not take --widget"},
        {{"edit", "1", "--family", "small"}, "edit does not take --family"},
        {{"show", "--at", "2026-03-02T10:00:00Z"}, "show does not take --at"},
        {{"check", "--widget", "1"}, "check does not take --widget"},
        {{"remove", "1", "--json"}, "remove does not take --json"},
        {{"layout", "--json"}, "layout does not take --json"},
        {{"timeline", "--family", "Small"}, "bad family 'Small' for --family (small, medium or large)"},
        {{"layout", "--widget", "-1"}, "bad widget number '-1' for --widget (a placed widget's number, 1 or more)"},
        {{"layout", "--widget", "1.5"}, "bad widget number '1.5' for --widget (a placed widget's number, 1 or more)"},
        {{"layout", "--widget", "99999999999999999999"},
         "bad widget number '99999999999999999999' for --widget (a placed widget's number, 1 or more)"},
        {{"check", "--now", "2026-03-02T10:00:00"},
         "bad date '2026-03-02T10:00:00' for --now (an RFC 3339 date-time such as 2026-03-02T10:00:00Z)"},
        {{"timeline", "--at", "2026-02-29T10:00:00Z"},
         "bad date '2026-02-29T10:00:00Z' for --at (an RFC 3339 date-time such as 2026-03-02T10:00:00Z)"},
        {{"render", "--output", "w.png", "--scale", "8.01"},
         "bad scale '8.01' for --scale (a number above 0, at most 8)"},
        {{"render", "--output", "w.png", "--scale", "2x"}, "bad scale '2x' for --scale (a number above 0, at most 8)"},
        {{"render", "--output", "w.png", "--scale", "inf"},
         "bad scale 'inf' for --scale (a number above 0, at most 8)"},
        {{"render", "--output", "w.png", "--size", "10001x100"},
         "bad size '10001x100' for --size (WIDTHxHEIGHT in points, such as 364x170)"},
        {{"render", "--output", "w.png", "--size", "364X170"},
         "bad size '364X170' for --size (WIDTHxHEIGHT in points, such as 364x170)"},
        {{"render", "--output", "w.png", "--size", "364x170x2"},
         "bad size '364x170x2' for --size (WIDTHxHEIGHT in points, such as 364x170)"},
        {{"render", "--output", "w.png", "--size", "-364x170"},
         "bad size '-364x170' for --size (WIDTHxHEIGHT in points, such as 364x170)"},
        {{"render", "--output="}, "bad file name '' for --output (ending in .png, .svg or .pdf)"},
        {{"render", "--output", ".png"}, "bad file name '.png' for --output (ending in .png, .svg or .pdf)"},
        {{"render", "--output", "w.png.txt"}, "bad file name 'w.png.txt' for --output (ending in .png, .svg or .pdf)"},
        {{"show", "--surface", "Wayland"},
         "bad surface 'Wayland' for --surface (auto, layer-shell, gnome-shell, x11 or window)"},
        // Words that are neither command nor option.
        {{"entities", "--json", "a"}, "(accepted)"},
        {{"check", "a.json", "b.json"}, "unexpected argument 'b.json'"},
        {{"describe", "--", "--json"}, "unexpected argument '--json'"},
        {{"remove"}, "remove needs a widget number"},
        {{"remove", "1", "2"}, "unexpected argument '2'"},
        {{"edit", "0", "--clear"}, "bad widget number '0'"},
        {{"edit", "1x", "--clear"}, "bad widget number '1x'"},
        // What a command needs besides.
        {{"layout", "--source", "a", "--widget", "1"}, "--widget cannot be combined with --family or --source"},
        {{"render", "--appearance", "dark"}, "render needs --output FILE"},
        {{"add", "--source", "a"}, "add needs --family"},
        {{"edit", "1"}, "edit needs --source ID... or --clear"},
        {{"edit", "1", "--source", "a", "--clear"}, "edit takes --source or --clear, not both"},
    };
    for (const auto& [words, message] : cases) {
        const auto result = parseArguments(words);
        EXPECT_EQ(result ? "(accepted)" : result.error().message, message) << words.front();
    }
}

} // namespace
} // namespace widgethost
