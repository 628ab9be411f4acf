// Which surface the widgets live on, from what the display offers, and what `show` says about it.
#include "host/hosting/SurfaceChoice.hpp"

#include <gtest/gtest.h>

namespace widgethost {
namespace {

DisplayOffers offering(bool layerShell, ShellExtensionState shell, bool x11) {
    return {layerShell, {shell, "", "43.9"}, x11};
}

TEST(SurfaceChoice, theBestKindOfferedWinsAndAKindAskedForFallsToTheNextOneOffered) {
    // sway and KWin offer a layer shell even under XWayland; GNOME none, and an X11 session X11 only.
    EXPECT_EQ(chooseSurfaceKind({}, offering(true, ShellExtensionState::notGnome, true)).kind, SurfaceKind::layerShell);
    EXPECT_EQ(chooseSurfaceKind({}, offering(false, ShellExtensionState::enabled, true)).kind, SurfaceKind::gnomeShell);
    EXPECT_EQ(chooseSurfaceKind({}, offering(false, ShellExtensionState::notGnome, true)).kind, SurfaceKind::x11);
    const SurfaceChoice bare = chooseSurfaceKind({}, offering(false, ShellExtensionState::notGnome, false));
    EXPECT_EQ(bare.kind, SurfaceKind::window);
    EXPECT_EQ(bare.reason, "desktop surface: ordinary window (this desktop offers neither a layer shell nor X11)");
    ASSERT_TRUE(bare.notice);
    EXPECT_NE(bare.notice->find("neither a layer shell nor X11"), std::string::npos) << *bare.notice;

    // Asked for and offered: taken, silently; an ordinary window says it was asked for.
    const SurfaceChoice window =
        chooseSurfaceKind(SurfaceKind::window, offering(true, ShellExtensionState::notGnome, true));
    EXPECT_EQ(window.kind, SurfaceKind::window);
    EXPECT_EQ(window.reason, "desktop surface: ordinary window (asked for with --surface)");
    EXPECT_FALSE(window.notice);
    EXPECT_EQ(chooseSurfaceKind(SurfaceKind::x11, offering(true, ShellExtensionState::notGnome, true)).kind,
              SurfaceKind::x11);

    // Not offered: the next kind in the order, never one before it, and a notice naming both.
    const SurfaceChoice noShell =
        chooseSurfaceKind(SurfaceKind::gnomeShell, offering(true, ShellExtensionState::notInstalled, true));
    EXPECT_EQ(noShell.kind, SurfaceKind::x11);
    EXPECT_EQ(noShell.reason, "desktop surface: X11 desktop widget (an X11 display)");
    EXPECT_EQ(noShell.notice, "the surface gnome-shell is not available here; the widgets use x11");
    EXPECT_EQ(chooseSurfaceKind(SurfaceKind::layerShell, offering(false, ShellExtensionState::enabled, true)).kind,
              SurfaceKind::gnomeShell);
    EXPECT_EQ(chooseSurfaceKind(SurfaceKind::x11, offering(true, ShellExtensionState::enabled, false)).kind,
              SurfaceKind::window);
}

TEST(SurfaceChoice, gnomeWithoutAWorkingExtensionSaysWhyTheWidgetsAreWindows) {
    const SurfaceChoice missing = chooseSurfaceKind({}, offering(false, ShellExtensionState::notInstalled, false));
    EXPECT_EQ(missing.kind, SurfaceKind::window);
    EXPECT_EQ(missing.notice, "GNOME Shell shows widgets on its desktop only through the Tallyfox extension, "
                              "which is not installed: they show as ordinary windows");
    // GNOME on Xorg: X11 widgets, and still the word on the extension that is there and off.
    const SurfaceChoice disabled = chooseSurfaceKind({}, offering(false, ShellExtensionState::disabled, true));
    EXPECT_EQ(disabled.kind, SurfaceKind::x11);
    EXPECT_EQ(disabled.notice, shellExtensionNotice({ShellExtensionState::disabled, "", "43.9"}));
    // An X11 session without GNOME Shell has nothing to say.
    EXPECT_FALSE(chooseSurfaceKind({}, offering(false, ShellExtensionState::notInstalled, true)).notice);

    // The shell is asked only where its answer can matter.
    EXPECT_FALSE(choiceAsksGnomeShell({}, true));
    EXPECT_TRUE(choiceAsksGnomeShell({}, false));
    EXPECT_TRUE(choiceAsksGnomeShell(SurfaceKind::layerShell, true));
}

TEST(SurfaceChoice, theKindsAreNamedAsSurfaceSpellsThem) {
    for (const auto kind : {SurfaceKind::layerShell, SurfaceKind::gnomeShell, SurfaceKind::x11, SurfaceKind::window})
        EXPECT_EQ(surfaceKindNamed(surfaceKindName(kind)), kind);
    EXPECT_EQ(surfaceKindName(SurfaceKind::layerShell), "layer-shell");
    EXPECT_FALSE(surfaceKindNamed("auto"));
    EXPECT_FALSE(surfaceKindNamed("X11"));
}

TEST(ShellExtension, showSaysWhatTheShellReportsOfTheExtensionAndWhatToDo) {
    // GNOME Shell's numbers: 1 enabled, 2 disabled, 3 error, 4 out of date, 6 initialized, 99 uninstalled.
    EXPECT_EQ(shellExtensionState(1, true), ShellExtensionState::enabled);
    EXPECT_EQ(shellExtensionState(2, true), ShellExtensionState::disabled);
    EXPECT_EQ(shellExtensionState(6, true), ShellExtensionState::disabled);
    EXPECT_EQ(shellExtensionState(3, true), ShellExtensionState::failed);
    EXPECT_EQ(shellExtensionState(4, true), ShellExtensionState::outOfDate);
    EXPECT_EQ(shellExtensionState(99, true), ShellExtensionState::installedAfterLogin);
    EXPECT_EQ(shellExtensionState(99, false), ShellExtensionState::notInstalled);

    // A failed extension is enabled already: the shell's error, where to read more, how to mend it.
    const auto failed = shellExtensionNotice(
        {ShellExtensionState::failed, "SyntaxError: unexpected token: ')'\n@extension.js:12:4", "43.9"});
    ASSERT_TRUE(failed);
    EXPECT_EQ(*failed, "GNOME Shell reports an error in the Tallyfox extension: SyntaxError: unexpected token: ')'; "
                       "the shell's log tells more (“journalctl -b /usr/bin/gnome-shell”), and reinstalling "
                       "Tallyfox, then logging in again, mends an extension that was damaged");
    const auto outOfDate = shellExtensionNotice({ShellExtensionState::outOfDate, "", "46.2"});
    ASSERT_TRUE(outOfDate);
    EXPECT_NE(outOfDate->find("does not support GNOME Shell 46.2"), std::string::npos) << *outOfDate;
    EXPECT_EQ(outOfDate->find("enable"), std::string::npos) << *outOfDate;
    const auto disabled = shellExtensionNotice({ShellExtensionState::disabled, "", "43.9"});
    ASSERT_TRUE(disabled);
    EXPECT_NE(disabled->find("gnome-extensions enable tallyfox-widgets@tallyfox.com"), std::string::npos);

    for (const auto state :
         {ShellExtensionState::notGnome, ShellExtensionState::enabled, ShellExtensionState::notInstalled})
        EXPECT_FALSE(shellExtensionNotice({state, "", "43.9"}));
}

} // namespace
} // namespace widgethost
