"""Running a test module in a desktop session of its own.

A test script's `main` calls `run(...)`: outside a session it checks the tools, makes the folders and
starts the script again (`launch`) inside `dbus-run-session` as an unprivileged user (CI runs as root,
and the compositors refuse or misbehave as root), so that everything the test starts, compositor and
clients alike, shares that user and that bus; inside, it starts the session and runs the tests. With
--list it prints the tests the script runs on a session, one a line, and starts nothing: CMake makes a
CTest test of each. A test that a session cannot run says so with `only_on`.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
INSIDE = "TALLYFOX_DESKTOP_SESSION_INSIDE"
UNPRIVILEGED = 65534  # nobody, nogroup
SKIPPED = 77  # the exit status CTest is told means "skipped"

TOOLS = {
    "sway": ["sway", "swaymsg", "grim"],
    "kwin": ["kwin_wayland", "qdbus"],
    "openbox": ["Xvfb", "openbox", "xcompmgr", "xprop", "xwininfo", "xdotool", "xsetroot", "import"],
    "xvfb": ["Xvfb", "xdotool", "xwd", "xwdtopnm"],
    "gnome": ["gnome-shell", "gjs", "dbus-daemon"],
}
COMMON_TOOLS = ["dbus-run-session", "setpriv", "pngtopam"]
# The desktop's own programs: only without these is a test skipped rather than failed.
DESKTOPS = {"sway": "sway", "kwin": "kwin_wayland", "openbox": "openbox", "xvfb": "Xvfb", "gnome": "gnome-shell"}
MODULES = {"pyatspi": "python3-pyatspi", "gi": "python3-gi", "cairo": "python3-gi-cairo"}


# MARK: Which tests run where

def only_on(*kinds):
    """Marks a test that runs on these session kinds alone (what it needs, the others do not offer)."""
    def mark(test):
        test.sessions = frozenset(kinds)
        return test
    return mark


def test_names(cases, kind, chosen=None, as_written=False):
    """Class.method of each test of `cases` that runs on `kind`, by class in unittest's order (some
    tests leave the session changed for those after them), or `as_written`; of `chosen` alone when
    given."""
    loader = unittest.TestLoader()

    def methods(case):
        names = loader.getTestCaseNames(case)
        return sorted(names, key=lambda m: getattr(case, m).__code__.co_firstlineno) if as_written else names
    names = chosen or [case.__name__ + "." + method for case in cases for method in methods(case)]
    by_name = {case.__name__: case for case in cases}

    def runs_here(name):
        case, _, method = name.partition(".")
        test = getattr(by_name.get(case), method, None)
        return kind in getattr(test, "sessions", (kind,))
    return [name for name in names if runs_here(name)]


def options(kinds, default=None, needs_widgethost=True):
    """The command line every test script takes: --session (one of `kinds`), --widgethost, --test and
    --list."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--session", choices=kinds, default=default, required=default is None)
    parser.add_argument("--widgethost", help="the widgethost program under test")
    parser.add_argument("--test", action="append", help="Class.method to run (repeatable); all when absent")
    parser.add_argument("--list", action="store_true", help="print the tests the session runs, one a line")
    parsed = parser.parse_args()
    if needs_widgethost and not parsed.list and not parsed.widgethost:
        parser.error("--widgethost is needed to run the tests")
    return parsed


def run(script, cases, chosen, start, readable=()):
    """Lists, launches or runs the tests of `cases` on the session `chosen.session` (the options), as
    the module's notes say; `start` starts the session inside. Gives the exit status."""
    if chosen.list:
        print("\n".join(test_names(cases, chosen.session, chosen.test, as_written=True)))
        return 0
    names = test_names(cases, chosen.session, chosen.test)
    if inside() is None:
        return launch(script, sys.argv[1:], chosen.session,
                      readable=[*readable, *([chosen.widgethost] if chosen.widgethost else [])])
    session = start()
    try:
        return run_tests(sys.modules[cases[0].__module__], names)
    finally:
        session.stop()


# MARK: Starting again as the session's user

def missing_tools(kind):
    missing = [tool for tool in COMMON_TOOLS + TOOLS[kind] if shutil.which(tool) is None]
    for module, package in MODULES.items():
        if subprocess.run(["/usr/bin/python3", "-c", "import " + module], capture_output=True).returncode != 0:
            missing.append("%s for /usr/bin/python3 (%s)" % (module, package))
    if kind in ("sway", "kwin") and subprocess.run(
            ["/usr/bin/python3", "-c", "import gi; gi.require_version('GtkLayerShell', '0.1')"],
            capture_output=True).returncode != 0:
        missing.append("GtkLayerShell 0.1 for /usr/bin/python3 (gir1.2-gtklayershell-0.1)")
    return missing


def unreadable(paths, as_user):
    """The first of `paths` the session's user cannot read (programs and folders: run or enter), and
    the first folder or file on its way that stops it."""
    prefix = ["setpriv", "--reuid=%d" % UNPRIVILEGED, "--regid=%d" % UNPRIVILEGED, "--clear-groups"] if as_user else []

    def allowed(path, test):
        return subprocess.run(prefix + ["test", test, path]).returncode == 0
    for path in paths:
        test = "-x" if os.path.isdir(path) or os.access(path, os.X_OK) else "-r"
        if allowed(path, test):
            continue
        parts = path.split(os.sep)
        for length in range(2, len(parts)):
            folder = os.sep.join(parts[:length])
            if not allowed(folder, "-x"):
                return path, folder
        return path, path
    return None


def launch(script, arguments, kind, readable=()):
    """Runs `script` with `arguments` again inside its own session of `kind`: returns its exit status,
    SKIPPED when the desktop itself is not installed, or 1 when another tool is missing (with one line
    saying which)."""
    missing = missing_tools(kind)
    if missing:
        skipped = shutil.which(DESKTOPS[kind]) is None
        print("%s: %s%s missing (scripts/setup installs them)" % (
            os.path.basename(script), "skipped: " if skipped else "", ", ".join(missing)), file=sys.stderr)
        return SKIPPED if skipped else 1
    as_root = os.geteuid() == 0
    own = [os.path.join(HERE, "sessions", "gnome", "driver", "extension.js")] if kind == "gnome" else []
    harness = [os.path.join(HERE, "__init__.py"), os.path.join(HERE, "probe.py")]
    stop = unreadable([os.path.abspath(p) for p in (script, *harness, *own, *readable)], as_root)
    if stop:
        print("%s: %s is not readable by uid %d (blocked at %s): make the build tree readable (chmod o+rX)"
              % (os.path.basename(script), stop[0], UNPRIVILEGED, stop[1]), file=sys.stderr)
        return 1
    root = tempfile.mkdtemp(prefix="tallyfox-%s-" % kind)
    try:
        environment = {k: v for k, v in os.environ.items()
                       if not k.startswith(("XDG_", "WAYLAND_", "SWAYSOCK", "I3SOCK", "DBUS_", "AT_SPI", "GDK_",
                                            "GSK_", "GTK_", "ADW_", "QT_", "KWIN_", "WLR_", "LANGUAGE", "LC_"))
                       and k not in ("DISPLAY", "NO_AT_BRIDGE", "LANG")}
        for name, folder in (("HOME", "home"), ("XDG_RUNTIME_DIR", "runtime"), ("XDG_CACHE_HOME", "cache"),
                             ("XDG_CONFIG_HOME", "config"), ("XDG_DATA_HOME", "data"), ("TMPDIR", "tmp")):
            path = os.path.join(root, folder)
            os.makedirs(path, mode=0o700)
            environment[name] = path
        if as_root:
            for folder in [root] + [os.path.join(root, f) for f in os.listdir(root)]:
                os.chown(folder, UNPRIVILEGED, UNPRIVILEGED)
            environment["USER"] = environment["LOGNAME"] = "nobody"
        # In sanitizer builds the leak checker lists the suppressions it used (system libraries only)
        # on standard error, which the tests read.
        if "print_suppressions" not in environment.get("LSAN_OPTIONS", ""):
            environment["LSAN_OPTIONS"] = ":".join(filter(None, [environment.get("LSAN_OPTIONS"), "print_suppressions=0"]))
        environment.update({INSIDE: kind, "GSETTINGS_BACKEND": "keyfile", "LANG": "C.UTF-8", "TZ": "UTC",
                            "TALLYFOX_SESSION_ROOT": root})
        command = ["dbus-run-session", "--", "/usr/bin/python3", os.path.abspath(script), *arguments]
        if as_root:
            command = ["setpriv", "--reuid=%d" % UNPRIVILEGED, "--regid=%d" % UNPRIVILEGED, "--clear-groups"] + command
        return subprocess.run(command, env=environment).returncode
    finally:
        shutil.rmtree(root, ignore_errors=True)


def inside():
    """The session kind when this process runs inside `launch`, else None."""
    return os.environ.get(INSIDE)


def run_tests(module, names):
    """Runs the unittest `names` (Class.method) of `module`: the exit status for CTest, SKIPPED when
    every test that ran was skipped (what this desktop cannot do headless, said by the test)."""
    loader = unittest.TestLoader()
    suite = unittest.TestSuite()
    for name in names:
        suite.addTests(loader.loadTestsFromName(name, module))
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    if result.wasSuccessful() and result.testsRun and len(result.skipped) == result.testsRun:
        return SKIPPED
    return 0 if result.wasSuccessful() else 1
