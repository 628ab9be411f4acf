"""The waybar and polybar recipes in their real bars, on a headless desktop: waybar on sway, polybar
on a bare X server. Each bar is configured as contrib/README.md says, then photographed; the recipe's
colour in the bar's pixels is its level, and a name full of markup or tags must not blank the module
nor colour it.

Usage: RecipeBarTests.py --bar waybar|polybar --tallyfox TOOL --widgethost HOST [--screenshots FOLDER]
Skipped (status 77) when the bar or its desktop is not installed.
"""
import argparse
import datetime
import json
import os
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "host", "tests"))
from desktop import runner, sessions  # noqa: E402
from desktop.images import crop, save_ppm  # noqa: E402
from desktop.waiting import wait_until  # noqa: E402

CONTRIB = os.path.dirname(os.path.abspath(__file__))
SESSIONS = {"waybar": "sway", "polybar": "xvfb"}
RED, ORANGE, GREEN = (0xFF, 0x45, 0x3A), (0xFF, 0x9F, 0x0A), (0x00, 0xFF, 0x00)
BAR_HEIGHT = 30
OPTIONS = None
SESSION = None


def count(image, colour, tolerance=40):
    """How many pixels are near `colour` (text is antialiased: its cores are the colour)."""
    _, _, _, pixels = image
    return sum(1 for i in range(0, len(pixels), 3)
               if all(abs(pixels[i + k] - colour[k]) <= tolerance for k in range(3)))


def iso(moment):
    return moment.strftime("%Y-%m-%dT%H:%M:%SZ")


def write_snapshot(providers):
    now = datetime.datetime.now(datetime.timezone.utc)
    folder = os.path.join(os.environ["HOME"], "Library", "Group Containers", "group.com.tallyfox.Tallyfox")
    os.makedirs(folder, exist_ok=True)
    reset = iso(now + datetime.timedelta(hours=3))
    for provider in providers:
        provider["windows"] = [{"kind": 300, "usage": usage, "resetsAt": reset} for usage in provider["windows"]]
    with open(os.path.join(folder, "widget-snapshot.json"), "w") as out:
        json.dump({"schemaVersion": 1, "generatedAt": iso(now), "state": {"providers": {"_0": providers}}}, out)


def recipe_environment():
    """The tool and the host on PATH as a user has them, and nothing else of Tallyfox."""
    folder = os.path.join(os.environ["HOME"], "bin")
    os.makedirs(folder, exist_ok=True)
    for name, target in (("tallyfox", OPTIONS.tallyfox), ("widgethost", OPTIONS.widgethost)):
        if not os.path.lexists(os.path.join(folder, name)):
            os.symlink(target, os.path.join(folder, name))
    return {"PATH": folder + ":/usr/bin:/bin", "TZ": "UTC"}


class Bars(unittest.TestCase):
    def photograph(self, name):
        """The bar's strip of the screen, saved for a person to look at when asked."""
        shot = crop(SESSION.screenshot(), 0, 0, SESSION.width, BAR_HEIGHT)
        if OPTIONS.screenshots:
            save_ppm(shot, os.path.join(OPTIONS.screenshots, "%s-%s.ppm" % (OPTIONS.bar, name)))
        return shot

    def start_bar(self):
        config = os.path.join(os.environ["HOME"], "bar")
        os.makedirs(config, exist_ok=True)
        recipe = os.path.join(CONTRIB, "tallyfox-" + OPTIONS.bar)
        if OPTIONS.bar == "waybar":
            with open(os.path.join(config, "config"), "w") as out:
                json.dump({"layer": "top", "position": "top", "height": BAR_HEIGHT,
                           "modules-left": ["custom/tallyfox"], "modules-right": ["clock"],
                           "custom/tallyfox": {"exec": recipe, "return-type": "json", "interval": 60,
                                               "format": "{}"}}, out)
            # The README's style, on a black bar.
            with open(os.path.join(CONTRIB, "README.md")) as readme:
                style = [line for line in readme if line.startswith("#custom-tallyfox.")]
            with open(os.path.join(config, "style.css"), "w") as out:
                out.write("* { font-family: 'DejaVu Sans'; font-size: 16px; }\n"
                          "window#waybar { background: #000000; color: #ffffff; }\n" + "".join(style))
            command = ["waybar", "-c", os.path.join(config, "config"), "-s", os.path.join(config, "style.css")]
        else:
            with open(os.path.join(config, "config.ini"), "w") as out:
                out.write("[bar/test]\nwidth = 100%%\nheight = %d\nbackground = #000000\nforeground = #ffffff\n"
                          "font-0 = DejaVu Sans:size=12;2\nmodules-left = tallyfox\n\n"
                          "[module/tallyfox]\ntype = custom/script\nexec = %s\ninterval = 60\n" % (BAR_HEIGHT, recipe))
            command = ["polybar", "-c", os.path.join(config, "config.ini"), "test"]
        return SESSION.client(command, recipe_environment())

    def test_a_critical_limit_shows_in_red_whatever_its_account_is_called(self):
        # The name carries the other bar's markup too: waybar's Pango, polybar's colour tag.
        write_snapshot([{"provider": "kiro", "accountName": "R&D <b>team</b> %{F#00FF00}x", "windows": [97]}])
        bar = self.start_bar()
        try:
            shown = wait_until(lambda: count(self.photograph("critical"), RED) > 20, 20)
            shot = self.photograph("critical")
            self.assertTrue(shown, "no red text in the bar:\n" + bar.output()[-2000:])
            self.assertEqual(count(shot, GREEN, 60), 0, "a tag in the account's name coloured the bar")
            self.assertEqual(count(shot, ORANGE, 20), 0)
        finally:
            bar.stop()

    def test_a_warning_shows_in_orange(self):
        write_snapshot([{"provider": "codex", "windows": [40]}, {"provider": "claudeCode", "windows": [90]}])
        bar = self.start_bar()
        try:
            shown = wait_until(lambda: count(self.photograph("warning"), ORANGE) > 20, 20)
            self.assertTrue(shown, "no orange text in the bar:\n" + bar.output()[-2000:])
            self.assertEqual(count(self.photograph("warning"), RED, 20), 0)
        finally:
            bar.stop()


def main():
    global OPTIONS, SESSION
    parser = argparse.ArgumentParser()
    parser.add_argument("--bar", required=True, choices=sorted(SESSIONS))
    parser.add_argument("--tallyfox", required=True)
    parser.add_argument("--widgethost", required=True)
    parser.add_argument("--screenshots")
    OPTIONS = parser.parse_args()
    OPTIONS.tallyfox, OPTIONS.widgethost = map(os.path.abspath, (OPTIONS.tallyfox, OPTIONS.widgethost))
    if runner.inside() is None:
        if shutil.which(OPTIONS.bar) is None:
            print("RecipeBarTests.py: skipped: %s is not installed (Debian: %s)" % (OPTIONS.bar, OPTIONS.bar),
                  file=sys.stderr)
            return runner.SKIPPED
        if OPTIONS.screenshots:
            os.makedirs(OPTIONS.screenshots, exist_ok=True)
            os.chmod(OPTIONS.screenshots, 0o777)
        return runner.launch(__file__, sys.argv[1:], SESSIONS[OPTIONS.bar],
                             readable=[OPTIONS.tallyfox, OPTIONS.widgethost,
                                       os.path.join(CONTRIB, "tallyfox-" + OPTIONS.bar)])
    SESSION = sessions.start(SESSIONS[OPTIONS.bar])
    try:
        loader = unittest.TestLoader()
        names = ["Bars." + m for m in loader.getTestCaseNames(Bars)]
        return runner.run_tests(sys.modules[__name__], names)
    finally:
        SESSION.stop()


if __name__ == "__main__":
    sys.exit(main())
