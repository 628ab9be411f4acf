#!/usr/bin/python3
"""The GNOME Shell extension's files, without a shell: its metadata as GNOME Shell reads it, the legacy
module (GNOME Shell 43 and 44) loaded by gjs, and the ES module (45 and later) linked and evaluated by
gjs against stand-ins for the shell's own modules, which only a running shell has.

Usage: GnomeShellExtensionTests.py --extension DIR --esm DIR
"""
import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

ARGS = None


def gjs(*arguments, cwd=None):
    return subprocess.run(["gjs", *arguments], capture_output=True, text=True, timeout=60, cwd=cwd)


class Metadata(unittest.TestCase):
    def check(self, folder, versions):
        with open(os.path.join(folder, "metadata.json")) as source:
            metadata = json.load(source)
        # What the shell's extension loader refuses an extension for: a uuid that is not the folder's
        # name, a missing name or description, no shell version of its own.
        self.assertEqual(metadata["uuid"], os.path.basename(folder))
        self.assertTrue(metadata["name"] and metadata["description"])
        self.assertEqual(metadata["shell-version"], versions)
        self.assertTrue(re.fullmatch(r"[-a-zA-Z0-9@._]+", metadata["uuid"]))

    def test_each_variant_names_its_shells(self):
        self.check(ARGS.extension, ["43", "44"])
        self.check(ARGS.esm, ["45", "46", "47"])
        self.assertEqual(os.path.basename(ARGS.extension), os.path.basename(ARGS.esm))
        self.assertEqual(sorted(os.listdir(ARGS.extension)), ["desktop-interface.xml", "desktop.js", "extension.js", "metadata.json"])


class Modules(unittest.TestCase):
    def test_the_legacy_module_loads_and_gives_an_extension(self):
        script = """
imports.searchPath.unshift(%s);
const shell = {log: print};
const made = imports.desktop.tallyfoxDesktop(shell);
print(typeof made.enable + ' ' + typeof made.disable);
""" % json.dumps(ARGS.extension)
        result = gjs("-c", script)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout.strip(), "function function")

    def test_the_es_module_links_and_wraps_the_same_code(self):
        with tempfile.TemporaryDirectory() as folder:
            # The shell's modules and its typelibs, as stand-ins with the names the wrapper imports.
            stubs = {"Main": "export const layoutManager = {};",
                     "PopupMenu": "export class PopupMenu {}",
                     "BoxPointer": "export const PopupAnimation = {FULL: 3};",
                     "Extension": "export class Extension { constructor(metadata) { this.metadata = metadata; } }"}
            for name, text in stubs.items():
                with open(os.path.join(folder, name + ".js"), "w") as out:
                    out.write(text + "\n")
            for name in ("Atk", "Clutter", "Cogl", "St"):
                with open(os.path.join(folder, name + ".js"), "w") as out:
                    out.write("export default {};\n")
            with open(os.path.join(ARGS.esm, "extension.js")) as source:
                module = source.read()
            with open(os.path.join(ARGS.extension, "desktop.js")) as source:
                core = source.read()
            self.assertIn(core.strip(), module, "the module wraps desktop.js as it stands")
            replaced = {"resource:///org/gnome/shell/ui/main.js": "./Main.js",
                        "resource:///org/gnome/shell/ui/popupMenu.js": "./PopupMenu.js",
                        "resource:///org/gnome/shell/ui/boxpointer.js": "./BoxPointer.js",
                        "resource:///org/gnome/shell/extensions/extension.js": "./Extension.js",
                        "gi://Atk": "./Atk.js", "gi://Clutter": "./Clutter.js", "gi://Cogl": "./Cogl.js",
                        "gi://St": "./St.js"}
            for specifier, stub in replaced.items():
                self.assertIn("'%s'" % specifier, module)
                module = module.replace("'%s'" % specifier, "'%s'" % stub)
            self.assertNotIn("resource://", module, "every shell module has a stand-in")
            with open(os.path.join(folder, "extension.js"), "w") as out:
                out.write(module)
            with open(os.path.join(folder, "run.js"), "w") as out:
                out.write("""
import Widgets from './extension.js';
const extension = new Widgets({uuid: 'x'});
print(typeof extension.enable + ' ' + typeof extension.disable);
extension.disable();
""")
            result = gjs("-m", "run.js", cwd=folder)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual(result.stdout.strip(), "function function")


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--extension", required=True)
    parser.add_argument("--esm", required=True)
    ARGS, rest = parser.parse_known_args()
    if shutil.which("gjs") is None:
        print("GnomeShellExtensionTests.py: skipped: gjs missing (scripts/setup installs it)", file=sys.stderr)
        return 77
    program = unittest.main(argv=[sys.argv[0], *rest], exit=False, verbosity=2)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
