// widgethost end to end, as a user meets it: the real binary and the real extension, in a temporary HOME.
#include "host/command/HostProcessTesting.hpp"
#include "host/command/WidgetHost.hpp"
#include "platform/foundation/ISO8601.hpp"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

namespace fs = std::filesystem;

namespace {

constexpr double now = 1'800'000'000; // 2027-01-15T08:00:00Z
const std::string nowText = "2027-01-15T08:00:00Z";

std::string at(double offset) { return platform::foundation::ISO8601::string({now + offset}); }

std::string document(const std::string& state, const std::string& extra = "") {
    return R"({"schemaVersion":1,"generatedAt":")" + at(-30) + R"(","state":)" + state + extra + "}";
}

// Codex twice (one account by name, one by selection identifier) and Cursor; the Codex account a
// resets in 30 seconds.
const std::string threeEntries = document(
    R"({"providers":{"_0":[)"
    R"({"provider":"codex","accountName":"a","windows":[{"kind":300,"usage":80,"resetsAt":")" + at(30) + R"("}]},)"
    R"({"provider":"codex","accountName":"b","selectionID":"codex-b","windows":[{"kind":300,"usage":20}]},)"
    R"({"provider":"cursor","windows":[]}]}})");

using widgethost::testing::Outcome;
using widgethost::testing::slurp;
using Host = widgethost::testing::HostProcess;

void expectFailure(const Outcome& outcome, int code, const std::string& line, const std::string& what = "") {
    EXPECT_EQ(outcome.exitCode, code) << what;
    EXPECT_EQ(outcome.err, line) << what;
    EXPECT_EQ(outcome.out, "") << what;
}

} // namespace

TEST(WidgetHost, describesTheWidgetAsTheGalleryShowsIt) {
    const Host host;
    const Outcome json = host.run({"describe", "--json"});
    EXPECT_EQ(json.exitCode, 0) << json.err;
    EXPECT_EQ(json.out, R"({
  "kind": "TallyfoxWidget",
  "displayName": "Tallyfox",
  "description": "What’s left of your AI coding limits, at a glance.",
  "supportedFamilies": [
    "systemSmall",
    "systemMedium",
    "systemLarge"
  ]
}
)");
    EXPECT_EQ(host.run({"describe"}).out, "kind:         TallyfoxWidget\n"
                                          "name:         Tallyfox\n"
                                          "description:  What’s left of your AI coding limits, at a glance.\n"
                                          "families:     systemSmall, systemMedium, systemLarge\n"
                                          "configured by Choose providers: Providers and accounts\n");
    EXPECT_EQ(host.run({"--help"}).exitCode, 0);
    EXPECT_EQ(host.run({"render", "--help", "--bogus"}).out.rfind("Usage: widgethost", 0), 0u);
    // `autostart` reads the words after it itself.
    EXPECT_EQ(host.run({"autostart", "--help"}).out, "Usage: widgethost autostart on|off|status\n");
    EXPECT_EQ(host.run({"autostart", "status"}).out, "off\n");
}

TEST(WidgetHost, theVersionIsTheBundlesAsTheToolPrintsIt) {
    Host host;
    const Outcome version = host.run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "Tallyfox " TALLYFOX_VERSION "\n");
    EXPECT_EQ(version.err, "");
    EXPECT_EQ(host.run({"list", "--version", "--bogus"}).out, "Tallyfox " TALLYFOX_VERSION "\n");
    EXPECT_NE(host.run({"--help"}).out.find("widgethost --help | --version\n"), std::string::npos);
    // After `autostart` it is one of that command's words.
    EXPECT_EQ(host.run({"autostart", "--version"}).exitCode, 2);
    // A copy away from the bundle has no version of its own.
    fs::create_directories(host.root / "bin");
    fs::copy_file(host.program, host.root / "bin" / "widgethost");
    host.program = host.root / "bin" / "widgethost";
    EXPECT_EQ(host.run({"--version"}).out, "Tallyfox development\n");
}

TEST(WidgetHost, theGalleryNameIsTheBundlesDisplayNameWhenItIsAString) {
    const Host host;
    const fs::path copy = host.root / "TallyfoxWidget.appex";
    fs::copy(TALLYFOX_APPEX_DIR, copy, fs::copy_options::recursive);
    const fs::path info = copy / "Contents" / "Info.plist";
    const std::string original = slurp(info);
    const auto withDisplayName = [&](const std::string& value) {
        std::string edited = original;
        const std::string key = "<key>CFBundleDisplayName</key>";
        const auto start = edited.find(key) + key.size();
        const auto end = edited.find("</string>", start) + std::string("</string>").size();
        edited.replace(start, end - start, value);
        std::ofstream(info, std::ios::trunc) << edited;
        return host.run({"--extension", copy.string(), "describe", "--json"}).out;
    };
    EXPECT_NE(withDisplayName("<string>Usage · Mine</string>").find(R"("displayName": "Usage · Mine")"),
              std::string::npos);
    EXPECT_NE(withDisplayName("<integer>7</integer>").find(R"("displayName": "Tallyfox")"), std::string::npos);
}

TEST(WidgetHost, entitiesAreTheSnapshotsEntriesAndStoredIdentifiersResolveInOrder) {
    const Host host;
    // Without a snapshot nothing can be chosen, and a stored choice is unavailable: each says why.
    const fs::path file = host.home / "Library" / "Group Containers" / "group.com.tallyfox.Tallyfox" /
                          "widget-snapshot.json";
    const std::string missing = "widgethost: no snapshot at " + file.string() + " (the Tallyfox app writes it there)\n";
    expectFailure(host.run({"entities"}), 1, missing);
    const Outcome stored = host.run({"entities", "cursor"});
    EXPECT_EQ(stored.exitCode, 0);
    EXPECT_EQ(stored.out, "cursor\tSelected account unavailable\n");
    EXPECT_EQ(stored.err, missing);
    fs::create_directories(file);
    expectFailure(host.run({"entities"}), 1,
                  "widgethost: cannot read the snapshot at " + file.string() + ": Is a directory\n");
    fs::remove(file);
    host.writeSnapshot("{\"schemaVersion\": 1, \"state\": [tor");
    expectFailure(host.run({"entities"}), 1,
                  "widgethost: the snapshot at " + file.string() + " cannot be read (widgethost check tells why)\n");
    std::string newer = document(R"({"noProvidersDetected":{}})");
    host.writeSnapshot(newer.replace(newer.find("\"schemaVersion\":1"), 17, "\"schemaVersion\":2"));
    expectFailure(host.run({"entities"}), 1,
                  "widgethost: the snapshot at " + file.string() +
                      " has a newer layout than this widget reads (a newer Tallyfox wrote it)\n");

    host.writeSnapshot(threeEntries);
    EXPECT_EQ(host.run({"entities"}).out, "codex · a\tCodex · a\ncodex-b\tCodex · b\ncursor\tCursor\n");
    const Outcome resolved = host.run({"entities", "--json", "cursor", "nothing", "cursor"});
    EXPECT_EQ(resolved.exitCode, 0);
    EXPECT_EQ(resolved.out, R"({
  "typeDisplayName": "Provider and account",
  "entities": [
    {
      "id": "cursor",
      "title": "Cursor"
    },
    {
      "id": "nothing",
      "title": "Selected account unavailable"
    },
    {
      "id": "cursor",
      "title": "Cursor"
    }
  ]
}
)");
    host.writeSnapshot(document(R"({"noProvidersDetected":{}})"));
    EXPECT_EQ(host.run({"entities", "--json"}).out,
              "{\n  \"typeDisplayName\": \"Provider and account\",\n  \"entities\": []\n}\n");
}

TEST(WidgetHost, theTimelineListsEveryEntryAndWhenToAskAgain) {
    const Host host;
    // No snapshot: one entry at now, the fifteen-minute reload.
    EXPECT_EQ(host.run({"timeline", "--now", nowText}).out,
              nowText + "  WidgetMessageView: Open Tallyfox\nreload after " + at(900) + "\n");

    host.writeSnapshot(threeEntries);
    // Now, the reset in 30 s, the data going stale 601 s after it was written; reload a minute after the reset.
    const Outcome listed = host.run({"timeline", "--now", nowText, "--family", "small"});
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(listed.out, nowText + "  SmallUsageWidgetView: Codex · a, Codex · b, Cursor\n" + at(30) +
                              "  SmallUsageWidgetView: Codex · a, Codex · b, Cursor\n" + at(571) +
                              "  SmallUsageWidgetView: Codex · a, Codex · b, Cursor\nreload after " + at(90) + "\n");
    const Outcome json =
        host.run({"timeline", "--json", "--now", nowText, "--source", "cursor", "--source", "codex-b"});
    EXPECT_EQ(json.out, R"({
  "entries": [
    {
      "date": "2027-01-15T08:00:00Z",
      "view": "MediumUsageWidgetView",
      "titles": [
        "Cursor",
        "Codex · b"
      ]
    },
    {
      "date": "2027-01-15T08:09:31Z",
      "view": "MediumUsageWidgetView",
      "titles": [
        "Cursor",
        "Codex · b"
      ]
    }
  ],
  "reloadPolicy": {
    "kind": "after",
    "date": "2027-01-15T08:15:00Z"
  }
}
)");
    // One entry for the other requests, and no reload.
    EXPECT_EQ(host.run({"timeline", "--now", nowText, "--request", "snapshot", "--source", "gone"}).out,
              nowText + "  WidgetMessageView: Selected account unavailable\n");
}

TEST(WidgetHost, aScreenReaderHearsEachMessageAndTheEntryInEffect) {
    const Host host;
    EXPECT_EQ(host.run({"accessibility", "--now", nowText}).out,
              "\"Tallyfox, Open Tallyfox, Open Tallyfox to load usage data.\"\n");
    host.writeSnapshot(document(R"({"noProvidersEnabled":{}})"));
    EXPECT_EQ(
        host.run({"accessibility", "--json", "--family", "large", "--now", nowText}).out,
        "[\n  {\n    \"label\": \"Tallyfox, No providers enabled, Open Tallyfox to choose providers.\"\n  }\n]\n");
    host.writeSnapshot(document(R"({"noProvidersDetected":{}})"));
    EXPECT_EQ(
        host.run({"accessibility", "--family", "small", "--now", nowText}).out,
        "\"Tallyfox, No providers detected, Install or use a supported AI coding tool to start tracking usage.\"\n");
    host.writeSnapshot(threeEntries);
    EXPECT_EQ(
        host.run({"accessibility", "--source", "gone", "--now", nowText}).out,
        "\"Tallyfox, Selected account unavailable, Edit this widget to choose an enabled provider and account.\"\n");

    const Outcome large =
        host.run({"accessibility", "--json", "--family", "large", "--source", "codex · a", "--now", nowText});
    EXPECT_EQ(large.out, R"([
  {
    "label": "Tallyfox"
  },
  {
    "label": "Codex · a"
  },
  {
    "label": "5-hour usage",
    "value": "20% left, Resets in 1 minute"
  }
]
)");
    // Ten seconds after the reset, the entry of the reset is in effect: the window waits for new data.
    const std::string later = host.run({"accessibility", "--family", "large", "--source", "codex · a", "--now", nowText,
                                        "--at", at(40)}).out;
    EXPECT_EQ(later.find("20% left"), std::string::npos) << later;
    EXPECT_NE(later.find("\"5-hour usage\", value"), std::string::npos) << later;
}

TEST(WidgetHost, theSnapshotsLanguageSwitchesTheWidgetsTexts) {
    const Host host;
    host.writeSnapshot(document(R"({"noProvidersDetected":{}})", R"(,"language":"de")"));
    EXPECT_EQ(host.run({"timeline", "--now", nowText}).out,
              nowText + "  WidgetMessageView: Keine Anbieter gefunden\n" + at(571) +
                  "  WidgetMessageView: Keine Anbieter gefunden\nreload after " + at(900) + "\n");
    // The request made German the extension's language, in its own defaults, for what follows.
    EXPECT_NE(host.run({"describe"}).out.find("Was von deinen KI-Coding-Limits übrig ist"), std::string::npos);
    // Hebrew: its texts, and the widget laid out from right to left.
    const auto headerX = [&](const std::string& dump) {
        const auto text = dump.find("Text \"Tallyfox\" (");
        return text == std::string::npos ? -1.0
                                         : std::stod(dump.substr(text + std::string("Text \"Tallyfox\" (").size()));
    };
    const double leftToRight = headerX(host.run({"layout", "--now", nowText}).out);
    host.writeSnapshot(document(R"({"providers":{"_0":[]}})", R"(,"language":"he","followedSelectionIDs":["gone"])"));
    EXPECT_EQ(host.run({"accessibility", "--now", nowText}).out,
              "\"Tallyfox, החשבון שנבחר אינו זמין, ערכו את הווידג׳ט כדי לבחור ספק וחשבון פעילים.\"\n");
    host.writeSnapshot(document(R"({"providers":{"_0":[{"provider":"codex","windows":[]}]}})", R"(,"language":"he")"));
    const double rightToLeft = headerX(host.run({"layout", "--now", nowText}).out);
    EXPECT_LT(leftToRight, 50);
    EXPECT_GT(rightToLeft, 200);

    host.writeSnapshot(document(R"({"noProvidersDetected":{}})"));
    EXPECT_NE(host.run({"timeline", "--now", nowText}).out.find("No providers detected"), std::string::npos);
    EXPECT_NE(host.run({"describe"}).out.find("What’s left of your AI coding limits"), std::string::npos);
}

TEST(WidgetHost, placedWidgetsKeepTheirSizeAndSources) {
    const Host host;
    // Nothing placed: a note for the person reading, and nothing a script would read as a widget.
    const Outcome none = host.run({"list"});
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "widgethost: no widget is placed (widgethost add --family medium places one)\n");
    const Outcome noneJSON = host.run({"list", "--json"});
    EXPECT_EQ(noneJSON.out, "[]\n");
    EXPECT_EQ(noneJSON.err, "");

    host.writeSnapshot(threeEntries);
    // A source the snapshot does not offer now is kept, with a note.
    const Outcome added = host.run({"add", "--family", "small", "--source", "gone"});
    EXPECT_EQ(added.exitCode, 0);
    EXPECT_EQ(added.out, "1\n");
    EXPECT_EQ(added.err, "widgethost: source 'gone' is not offered now (widgethost entities lists those that "
                         "are); kept for when it is\n");
    const Outcome plain = host.run({"add", "--family", "large"});
    EXPECT_EQ(plain.out, "2\n");
    EXPECT_EQ(plain.err, "");
    EXPECT_EQ(host.run({"list"}).out, "1  TallyfoxWidget  systemSmall  sources: gone\n"
                                      "2  TallyfoxWidget  systemLarge  no sources chosen\n");
    // A widget whose only source has gone from the snapshot says so.
    EXPECT_EQ(host.run({"timeline", "--widget", "1", "--now", nowText, "--request", "snapshot"}).out,
              nowText + "  WidgetMessageView: Selected account unavailable\n");

    const Outcome edited = host.run({"edit", "1", "--source", "cursor", "--source", "codex · a"});
    EXPECT_EQ(edited.exitCode, 0);
    EXPECT_EQ(edited.err, "");
    EXPECT_EQ(host.run({"timeline", "--widget", "1", "--now", nowText, "--request", "snapshot"}).out,
              nowText + "  SmallUsageWidgetView: Cursor, Codex · a\n");
    EXPECT_EQ(host.run({"edit", "1", "--clear"}).exitCode, 0);
    EXPECT_EQ(host.run({"remove", "2"}).exitCode, 0);
    EXPECT_EQ(
        host.run({"list", "--json"}).out,
        "[\n  {\n    \"number\": 1,\n    \"kind\": \"TallyfoxWidget\",\n    \"family\": \"systemSmall\"\n  }\n]\n");
    // Numbers are not given twice.
    EXPECT_EQ(host.run({"add", "--family", "medium"}).out, "3\n");
    // Several sources not offered: one line names each once; the offered ones are not named.
    const Outcome several =
        host.run({"edit", "3", "--source", "x", "--source", "cursor", "--source", "y", "--source", "x"});
    EXPECT_EQ(several.exitCode, 0);
    EXPECT_EQ(several.err,
              "widgethost: sources 'x', 'y' are not offered now (widgethost entities lists those that are); "
              "kept for when they are\n");
    EXPECT_EQ(host.run({"list"}).out, "1  TallyfoxWidget  systemSmall   no sources chosen\n"
                                      "3  TallyfoxWidget  systemMedium  sources: x, cursor, y, x\n");

    expectFailure(host.run({"edit", "2", "--clear"}), 1,
                  "widgethost: no placed widget 2 (widgethost list shows those that are)\n");
    // A change that cannot be saved is a failure, not a number for a widget that does not exist.
    const fs::path defaults = host.home / "Library" / "Preferences" / "com.tallyfox.widgethost.plist";
    fs::remove(defaults);
    fs::create_directory(defaults);
    expectFailure(host.run({"add", "--family", "small"}), 1,
                  "widgethost: cannot save the placed widgets in " + defaults.string() +
                      " (a folder is in its place)\n");
    fs::remove(defaults);
    expectFailure(host.run({"remove", "9"}), 1,
                  "widgethost: no placed widget 9 (widgethost list shows those that are)\n");
    expectFailure(host.run({"render", "--widget", "2", "--output", (host.root / "x.png").string()}), 1,
                  "widgethost: no placed widget 2 (widgethost list shows those that are)\n");
}

TEST(WidgetHost, widgetsPlacedFromManyProcessesAtOnceAreAllKept) {
    const Host host;
    constexpr int processes = 12;
    std::vector<pid_t> started;
    for (int i = 0; i < processes; ++i)
        started.push_back(
            host.start({"add", "--family", "small", "--source", "s" + std::to_string(i)}, "add" + std::to_string(i)));
    std::set<std::string> numbers;
    for (int i = 0; i < processes; ++i) {
        const Outcome added = host.finish(started[std::size_t(i)], "add" + std::to_string(i));
        EXPECT_EQ(added.exitCode, 0) << added.err;
        numbers.insert(added.out);
    }
    EXPECT_EQ(numbers.size(), std::size_t(processes)); // each got a number of its own
    const std::string listed = host.run({"list"}).out;
    for (int i = 0; i < processes; ++i)
        EXPECT_NE(listed.find("sources: s" + std::to_string(i) + "\n"), std::string::npos) << listed;
    EXPECT_EQ(std::count(listed.begin(), listed.end(), '\n'), processes);
}

TEST(WidgetHost, rendersWholeFilesInEachFormatOrNone) {
    const Host host;
    host.writeSnapshot(threeEntries);
    const auto render = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"render", "--now", nowText});
        return host.run(arguments);
    };
    const fs::path png = host.root / "medium.png";
    EXPECT_EQ(render({"--output", png.string()}).exitCode, 0);
    const std::string bytes = slurp(png);
    ASSERT_GT(bytes.size(), 24u);
    EXPECT_EQ(bytes.substr(1, 3), "PNG");
    const auto big = [&](std::size_t at) {
        return (unsigned(std::uint8_t(bytes[at])) << 24) | (unsigned(std::uint8_t(bytes[at + 1])) << 16) |
               (unsigned(std::uint8_t(bytes[at + 2])) << 8) | unsigned(std::uint8_t(bytes[at + 3]));
    };
    EXPECT_EQ(big(16), 728u); // 364 × 170 points at twice the resolution
    EXPECT_EQ(big(20), 340u);

    const fs::path preview = host.root / "preview.PNG";
    EXPECT_EQ(render({"--size", "200x100", "--scale", "1", "--appearance", "dark", "--contrast", "increased",
                      "--family", "large", "--output", preview.string()})
                  .exitCode,
              0);
    EXPECT_EQ(slurp(preview).substr(16, 8), std::string("\0\0\0\xC8\0\0\0\x64", 8));

    EXPECT_EQ(render({"--output", (host.root / "w.svg").string()}).exitCode, 0);
    EXPECT_NE(slurp(host.root / "w.svg").find("<svg"), std::string::npos);
    EXPECT_EQ(render({"--output", (host.root / "w.pdf").string()}).exitCode, 0);
    EXPECT_EQ(slurp(host.root / "w.pdf").substr(0, 5), "%PDF-");

    // A snapshot the widget cannot read draws its message, and one line says why.
    host.writeSnapshot("garbage");
    const Outcome message = render({"--output", (host.root / "message.png").string()});
    EXPECT_EQ(message.exitCode, 0);
    EXPECT_EQ(message.err, "widgethost: the snapshot at " +
                               (host.home / "Library" / "Group Containers" / "group.com.tallyfox.Tallyfox" /
                                "widget-snapshot.json")
                                   .string() +
                               " cannot be read (widgethost check tells why)\n");
    EXPECT_EQ(render({"--request", "placeholder", "--output", (host.root / "message.png").string()}).err, "");
    host.writeSnapshot(threeEntries);

    const fs::path nowhere = host.root / "missing" / "w.png";
    expectFailure(render({"--output", nowhere.string()}), 1,
                  "widgethost: cannot write " + nowhere.string() + ": No such file or directory\n");
    // Nothing half-written is left behind.
    std::set<std::string> files;
    for (const auto& entry : fs::directory_iterator(host.root)) files.insert(entry.path().filename().string());
    EXPECT_EQ(files, (std::set<std::string>{"home", "medium.png", "preview.PNG", "w.svg", "w.pdf", "message.png",
                                            "run.out", "run.err"}));
}

TEST(WidgetHost, everyUsageErrorHasItsLineAndExitsWithTwo) {
    const Host host;
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{}, "no command given (see widgethost --help)"},
        {{"show-me"}, "unknown command 'show-me'"},
        {{"timeline", "--verbose"}, "timeline does not take --verbose"},
        {{"show", "--surface", "mir"},
         "bad surface 'mir' for --surface (auto, layer-shell, gnome-shell, x11 or window)"},
        {{"timeline", "--loud"}, "unknown option '--loud'"},
        {{"describe", "--family", "small"}, "describe does not take --family"},
        {{"list", "extra"}, "unexpected argument 'extra'"},
        {{"timeline", "--family"}, "--family needs a value"},
        {{"timeline", "--json=yes"}, "--json takes no value"},
        {{"timeline", "--family", "huge"}, "bad family 'huge' for --family (small, medium or large)"},
        {{"timeline", "--family=small", "--family=large"}, "--family is given more than once"},
        {{"timeline", "--now", "2027-01-15 08:00"},
         "bad date '2027-01-15 08:00' for --now (an RFC 3339 date-time such as 2026-03-02T10:00:00Z)"},
        {{"accessibility", "--at", "yesterday"},
         "bad date 'yesterday' for --at (an RFC 3339 date-time such as 2026-03-02T10:00:00Z)"},
        {{"timeline", "--request", "everything"},
         "bad request 'everything' for --request (placeholder, snapshot or timeline)"},
        {{"layout", "--widget", "0"}, "bad widget number '0' for --widget (a placed widget's number, 1 or more)"},
        {{"timeline", "--widget", "1", "--family", "small"}, "--widget cannot be combined with --family or --source"},
        {{"render", "--output", "w.png", "--size", "300"},
         "bad size '300' for --size (WIDTHxHEIGHT in points, such as 364x170)"},
        {{"render", "--output", "w.png", "--size", "0x100"},
         "bad size '0x100' for --size (WIDTHxHEIGHT in points, such as 364x170)"},
        {{"render", "--output", "w.png", "--scale", "0"}, "bad scale '0' for --scale (a number above 0, at most 8)"},
        {{"render", "--output", "w.png", "--scale", "nan"},
         "bad scale 'nan' for --scale (a number above 0, at most 8)"},
        {{"render", "--output", "w.gif"}, "bad file name 'w.gif' for --output (ending in .png, .svg or .pdf)"},
        {{"render", "--appearance", "sepia", "--output", "w.png"},
         "bad appearance 'sepia' for --appearance (light or dark)"},
        {{"render", "--contrast", "high", "--output", "w.png"},
         "bad contrast 'high' for --contrast (standard or increased)"},
        {{"render"}, "render needs --output FILE"},
        {{"add"}, "add needs --family"},
        {{"edit", "1"}, "edit needs --source ID... or --clear"},
        {{"edit", "1", "--clear", "--source", "x"}, "edit takes --source or --clear, not both"},
        {{"edit"}, "edit needs a widget number"},
        {{"remove", "first"}, "bad widget number 'first'"},
        {{"autostart", "--json"}, "autostart takes one of on, off or status."},
    };
    for (const auto& [arguments, message] : cases)
        expectFailure(host.run(arguments), 2, "widgethost: " + message + "\n", message);
}

TEST(WidgetHost, failuresHaveTheirLineAndExitWithOne) {
    const Host host;
    const fs::path missing = host.root / "Nowhere.appex";
    expectFailure(host.run({"describe", "--extension", missing.string()}), 1,
                  "widgethost: no widget extension at " + missing.string() + "\n");
    const fs::path broken = host.root / "Broken.appex";
    fs::create_directories(broken / "Contents");
    expectFailure(host.run({"--extension", broken.string(), "timeline"}), 1,
                  "widgethost: " + broken.string() + " has no Contents/Info.plist\n");

    // A failed write to standard output is a failure, not a success.
    const Outcome full = host.finish(host.start({"describe"}, "full", "/dev/full"), "full", false);
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_EQ(full.err, "widgethost: cannot write to standard output\n");
}

TEST(WidgetHost, theHelpFitsEightyColumnsAndTheListsColumnsLineUp) {
    using widgethost::PlacedWidget, widgethost::placedWidgetLines;
    std::istringstream help{std::string(widgethost::usageText())};
    for (std::string line; std::getline(help, line);) EXPECT_LE(line.size(), 80u) << line;

    using platform::ui::WidgetFamily;
    const std::vector<PlacedWidget> placed{
        {7, "TallyfoxWidget", WidgetFamily::systemSmall, {std::vector<std::string>{"cursor"}}},
        {12, "TallyfoxWidget", WidgetFamily::systemMedium, {}},
        {103, "OtherWidget", WidgetFamily::systemLarge, {std::vector<std::string>{"codex · a", "codex-b"}}},
    };
    EXPECT_EQ(placedWidgetLines(placed), "  7  TallyfoxWidget  systemSmall   sources: cursor\n"
                                         " 12  TallyfoxWidget  systemMedium  no sources chosen\n"
                                         "103  OtherWidget     systemLarge   sources: codex · a, codex-b\n");
    EXPECT_EQ(placedWidgetLines({}), "");
}
