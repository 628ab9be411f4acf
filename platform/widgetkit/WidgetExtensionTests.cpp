// The extension boundary, both sides: bundles laid out in a temporary folder around the fruit
// fixture modules, loaded as the host loads them.
#include "platform/widgetkit/WidgetExtension.hpp"

#include "platform/foundation/Localization.hpp"
#include "platform/ui/Rendering.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <stdlib.h>

using namespace platform::widgetkit;
namespace fs = std::filesystem;
using Kind = WidgetExtensionLoadError::Kind;

namespace {

std::string information(const std::string& entries) {
    return R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict>)" + entries + "</dict></plist>";
}

const std::string widgetPoint = "<key>NSExtension</key><dict><key>NSExtensionPointIdentifier</key><string>" +
                                std::string(widgetExtensionPointIdentifier) + "</string></dict>";
const std::string fruitInformation =
    information("<key>CFBundleIdentifier</key><string>com.example.Fruit</string>"
                "<key>CFBundleExecutable</key><string>Fruit</string>" + widgetPoint);

struct Bundles {
    fs::path root;
    Bundles() {
        std::string pattern = (fs::temp_directory_path() / "widgetkit-XXXXXX").string();
        root = ::mkdtemp(pattern.data());
    }
    ~Bundles() { fs::remove_all(root); }

    // <root>/<name>.appex with `info` as its Info.plist and `module` (when given) as Contents/MacOS/Fruit.
    fs::path make(const std::string& name, const std::optional<std::string>& info, const fs::path& module = {}) const {
        const fs::path bundle = root / (name + ".appex");
        fs::create_directories(bundle / "Contents" / "MacOS");
        if (info) std::ofstream(bundle / "Contents" / "Info.plist") << *info;
        if (!module.empty()) fs::copy_file(module, bundle / "Contents" / "MacOS" / "Fruit");
        return bundle;
    }
};

void expectFailure(const fs::path& bundle, Kind kind, const std::string& message) {
    const auto loaded = loadWidgetExtension(bundle);
    ASSERT_FALSE(loaded) << message;
    EXPECT_EQ(loaded.error().kind, kind) << message;
    EXPECT_EQ(loaded.error().message, message);
}

} // namespace

TEST(WidgetExtension, aLoadedModuleAnswersThroughPlatformTypesOnly) {
    const Bundles bundles;
    const fs::path bundle = bundles.make("Fruit", fruitInformation, TALLYFOX_FRUIT_MODULE);
    auto loaded = loadWidgetExtension(bundle);
    ASSERT_TRUE(loaded) << loaded.error().message;
    // The extension's bundle is the process's main bundle from its start on.
    EXPECT_EQ(platform::foundation::mainBundleInfo().identifier, "com.example.Fruit");
    ASSERT_EQ(loaded->widgets.size(), 1u);
    const WidgetConfiguration& widget = loaded->widgets.front();
    EXPECT_EQ(widget.kind, "FruitWidget");
    EXPECT_EQ(widget.displayName, "Fruit");
    EXPECT_EQ(widget.description.resolved(), "Fresh fruit");
    EXPECT_EQ(widget.supportedFamilies, std::vector<WidgetFamily>{WidgetFamily::systemSmall});
    EXPECT_EQ(widget.intentTitle.resolved(), "Pick fruit");
    EXPECT_EQ(widget.parameterTitle.resolved(), "Fruits");

    const auto suggested = widget.entityQuery.results();
    ASSERT_EQ(suggested.size(), 2u);
    EXPECT_EQ(suggested[1].id, "pear");
    EXPECT_EQ(platform::intents::resolved(suggested[1].display.title), "Fresh pear");
    EXPECT_EQ(widget.entityQuery.type.name.resolved(), "Fruit");

    // Stored identifiers reach the provider as entities, resolved through the query.
    const TimelineProviderContext context{WidgetFamily::systemSmall, false, {}};
    const auto timeline = widget.provider.timeline({std::vector<std::string>{"pear", "kiwi"}}, context);
    ASSERT_EQ(timeline.entries.size(), 2u);
    EXPECT_EQ(timeline.entries[0].date, Date{10});
    EXPECT_EQ(timeline.entries[1].date, Date{20});
    EXPECT_EQ(timeline.policy, TimelineReloadPolicy::after(Date{30}));
    EXPECT_EQ(timeline.entries[1].summary(WidgetFamily::systemSmall),
              (EntrySummary{"FruitView", {"pear", "unknown", "systemSmall"}}));
    const auto laidOut = platform::ui::layout(timeline.entries[0].content(WidgetFamily::systemSmall),
                                              platform::ui::Environment::standard(), {});
    EXPECT_EQ(laidOut.accessibilityDump(), "\"pear, unknown\"\n");

    // Nothing chosen: the intent's parameter stays unset.
    EXPECT_EQ(widget.provider.snapshot({}, context).summary(WidgetFamily::systemSmall),
              (EntrySummary{"FruitView", {}}));
    EXPECT_EQ(widget.provider.placeholder(context).summary(WidgetFamily::systemSmall),
              (EntrySummary{"FruitView", {"placeholder"}}));
}

TEST(WidgetExtension, eachWayLoadingFailsSaysWhatIsWrong) {
    const Bundles bundles;
    const auto path = [](const fs::path& bundle) { return bundle.string(); };

    const fs::path missing = bundles.root / "Missing.appex";
    expectFailure(missing, Kind::notFound, "no widget extension at " + path(missing));

    const fs::path noInfo = bundles.make("NoInfo", std::nullopt, TALLYFOX_FRUIT_MODULE);
    expectFailure(noInfo, Kind::noInformation, path(noInfo) + " has no Contents/Info.plist");
    const fs::path garbled = bundles.make("Garbled", "not a property list", TALLYFOX_FRUIT_MODULE);
    expectFailure(garbled, Kind::noInformation,
                  path(garbled) + ": Contents/Info.plist is not a property-list dictionary");

    const fs::path noPoint = bundles.make(
        "NoPoint", information("<key>CFBundleExecutable</key><string>Fruit</string>"), TALLYFOX_FRUIT_MODULE);
    expectFailure(noPoint, Kind::notAWidgetExtension,
                  path(noPoint) + " is not a widget extension (NSExtensionPointIdentifier is missing)");
    const fs::path otherPoint = bundles.make(
        "OtherPoint",
        information("<key>CFBundleExecutable</key><string>Fruit</string><key>NSExtension</key><dict>"
                    "<key>NSExtensionPointIdentifier</key><string>com.example.share</string></dict>"),
        TALLYFOX_FRUIT_MODULE);
    expectFailure(otherPoint, Kind::notAWidgetExtension,
                  path(otherPoint) +
                      " is not a widget extension (NSExtensionPointIdentifier is \"com.example.share\")");

    const fs::path unnamed = bundles.make("Unnamed", information(widgetPoint), TALLYFOX_FRUIT_MODULE);
    expectFailure(unnamed, Kind::noExecutable,
                  path(unnamed) + ": Contents/Info.plist names no executable (CFBundleExecutable)");
    const fs::path climbing = bundles.make(
        "Climbing", information("<key>CFBundleExecutable</key><string>../../Fruit</string>" + widgetPoint));
    expectFailure(climbing, Kind::noExecutable,
                  path(climbing) + ": Contents/Info.plist names no executable (CFBundleExecutable)");
    const fs::path noExecutable = bundles.make("NoExecutable", fruitInformation);
    expectFailure(noExecutable, Kind::noExecutable,
                  path(noExecutable) + ": the executable Contents/MacOS/Fruit is missing");

    const fs::path plainFile = bundles.make("PlainFile", fruitInformation);
    std::ofstream(plainFile / "Contents" / "MacOS" / "Fruit") << "#!/bin/sh\necho not a module\n";
    const auto notAModule = loadWidgetExtension(plainFile);
    ASSERT_FALSE(notAModule);
    EXPECT_EQ(notAModule.error().kind, Kind::notAModule);
    EXPECT_EQ(
        notAModule.error().message.rfind(path(plainFile) + ": Contents/MacOS/Fruit is not a loadable module (", 0), 0u)
        << notAModule.error().message;

    const fs::path withoutEntry = bundles.make("WithoutEntry", fruitInformation, TALLYFOX_FRUIT_WITHOUT_ENTRY_MODULE);
    expectFailure(withoutEntry, Kind::noEntryPoint,
                  path(withoutEntry) + ": Contents/MacOS/Fruit exports no platformWidgetExtensionEntry");
    const fs::path otherABI = bundles.make("OtherABI", fruitInformation, TALLYFOX_FRUIT_OTHER_ABI_MODULE);
    expectFailure(otherABI, Kind::otherABIVersion,
                  path(otherABI) + " was built for widget extension ABI version " +
                      std::to_string(widgetExtensionABIVersion + 1) + "; this host speaks version " +
                      std::to_string(widgetExtensionABIVersion));
}
