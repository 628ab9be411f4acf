#!/usr/bin/python3
"""Keeps docs/snapshot-format.md and docs/widget-snapshot.schema.json true to both readers.

The schema must be valid and accept every snapshot the project makes; documents the command-line tool
refuses must fail it where a schema can tell; and the worked example, the writer and the check command
in the page are taken from the markdown and run, and both readers must show what they write.

Usage: SnapshotFormatTests.py --source DIR --tallyfox PATH --widgethost PATH --widgetgallery PATH
                              [--snapshot-sample PATH]
"""
import argparse
import copy
import json
import os
import pathlib
import re
import shlex
import subprocess
import sys
import tempfile
import unittest

import jsonschema

ARGS = None
GROUP = "group.com.tallyfox.Tallyfox"
UNSUPPORTED = "tallyfox: snapshot unreadable or unsupported. Open Tallyfox to update it.\n"
TOO_LARGE = "tallyfox: snapshot unreadable or too large. Open Tallyfox to update it.\n"
UNAVAILABLE = "tallyfox: snapshot unavailable. Open Tallyfox to create it.\n"
LIMIT = 4 * 1024 * 1024


def source(*parts):
    return pathlib.Path(ARGS.source, *parts)


def schema():
    return json.loads(source("docs", "widget-snapshot.schema.json").read_text())


VALIDATOR = None


def errors(document):
    """Why the schema refuses `document` (text or a parsed value); empty when it is canonical."""
    if isinstance(document, (str, bytes)):
        try:
            document = json.loads(document)
        except ValueError as error:
            return [f"not JSON: {error}"]
    return [f"{'/'.join(map(str, e.absolute_path))}: {e.message}" for e in VALIDATOR.iter_errors(document)]


def page_blocks():
    """The fenced blocks of the page marked with <!-- test: NAME -->, by name."""
    text = source("docs", "snapshot-format.md").read_text()
    found = re.findall(r"<!-- test: ([\w-]+) -->\s*```\w*\n(.*?)```", text, re.S)
    return {name: body for name, body in found}


class Readers:
    """A temporary HOME with the group container, and both readers run against it."""

    def __init__(self):
        self.folder = tempfile.TemporaryDirectory(prefix="snapshot-format-")
        self.home = pathlib.Path(self.folder.name)
        self.container = self.home / "Library" / "Group Containers" / GROUP
        self.container.mkdir(parents=True)
        self.file = self.container / "widget-snapshot.json"

    def close(self):
        self.folder.cleanup()

    def write(self, document):
        data = document if isinstance(document, bytes) else (
            document if isinstance(document, str) else json.dumps(document)).encode()
        self.file.write_bytes(data)

    def run(self, *command, cwd=None):
        # The page's commands name the programs as an installed system has them on PATH.
        env = dict(os.environ, HOME=str(self.home), LANGUAGE="en", TZ="UTC",
                   PATH=os.pathsep.join([os.path.dirname(os.path.abspath(ARGS.widgethost)), os.environ.get("PATH", "")]))
        return subprocess.run(command, env=env, cwd=cwd, capture_output=True, text=True, timeout=60)

    def tool(self):
        """(exit code, the status as JSON or None, standard error)."""
        done = self.run(ARGS.tallyfox, "status", "--json")
        return done.returncode, json.loads(done.stdout) if done.returncode == 0 else None, done.stderr

    def entities(self):
        """What the widget's configuration offers: one (id, title) per entry it kept."""
        done = self.run(ARGS.widgethost, "entities", "--json")
        assert done.returncode == 0, done.stderr
        return [(e["id"], e["title"]) for e in json.loads(done.stdout)["entities"]]

    def widget_refuses(self, now="2026-03-14T09:27:00Z"):
        """Whether the widget shows the message for a snapshot it has not got."""
        done = self.run(ARGS.widgethost, "timeline", "--json", "--now", now)
        assert done.returncode == 0, done.stderr
        first = json.loads(done.stdout)["entries"][0]
        return first["view"] == "WidgetMessageView" and first["titles"] == ["Open Tallyfox"]

    def accessibility(self, now, *selection):
        done = self.run(ARGS.widgethost, "accessibility", "--family", "large", "--now", now, *selection)
        assert done.returncode == 0, done.stderr
        return done.stdout


class SnapshotFormatTests(unittest.TestCase):
    def setUp(self):
        self.readers = Readers()

    def tearDown(self):
        self.readers.close()

    def assertCanonical(self, document, what):
        self.assertEqual(errors(document), [], what)

    def assertBothReadersShow(self, document, now):
        """The tool prints every entry; the widget keeps every entry and shows them all when chosen."""
        r = self.readers
        r.write(document)
        code, status, stderr = r.tool()
        self.assertEqual((code, stderr), (0, ""))
        entries = document["state"].get("providers", {"_0": []})["_0"]
        self.assertEqual(len(status["providers"]), len(entries))
        kept = r.entities()
        self.assertEqual([id for id, _ in kept], [p["id"] for p in status["providers"]])
        spoken = r.accessibility(now, *[arg for id, _ in kept for arg in ("--source", id)])
        for _, title in kept:
            self.assertIn(f'"{title}"', spoken)
        return kept

    # MARK: the schema and the project's own snapshots

    def test_the_schema_is_valid_draft_2020_12(self):
        jsonschema.Draft202012Validator.check_schema(schema())

    def test_every_snapshot_the_project_makes_is_canonical(self):
        gallery = subprocess.run([ARGS.widgetgallery, "--json"], capture_output=True, text=True, check=True)
        lines = gallery.stdout.splitlines()
        self.assertGreater(len(lines), 10)
        for line in lines:
            self.assertCanonical(line, line[:120])
        make = [sys.executable, str(source("bench", "make-snapshot")), "--now", "2026-03-02T10:00:00Z"]
        for size in (["--entries", "1"], ["--entries", "40", "--seed", "7"], ["--bytes", "65536"],
                     ["--bytes", "100000", "--pretty"]):
            made = subprocess.run(make + size, capture_output=True, text=True, check=True).stdout
            self.assertCanonical(made, f"make-snapshot {' '.join(size)}")
        # The demo's snapshot, made by the very command the demo runs.
        demo = re.search(r"^bench/make-snapshot (.*?) >", source("scripts", "demo").read_text(), re.M)
        made = subprocess.run([sys.executable, str(source("bench", "make-snapshot"))] + shlex.split(demo.group(1)),
                              capture_output=True, text=True, check=True).stdout
        self.assertCanonical(made, "the demo's snapshot")
        if ARGS.snapshot_sample:
            for kind in ("typical", "worst-case"):
                made = subprocess.run([ARGS.snapshot_sample, kind, "65536", "1772445600"], capture_output=True,
                                      text=True, check=True).stdout
                self.assertCanonical(made, f"widget_snapshot_sample {kind}")

    def test_fuzz_seeds_both_readers_take_in_full_are_canonical_and_those_the_tool_refuses_are_not(self):
        # A seed that leans on the readers' tolerance (null for "no value", keys the format does not
        # have) is read by both but is not what a writer writes; the seeds of both kinds must exist.
        known = set()

        def collect(node):
            if isinstance(node, dict):
                known.update(node.get("properties", {}))
                for value in node.values():
                    collect(value)

        collect(schema())

        def tolerated(value):
            if value is None:
                return True
            if isinstance(value, list):
                return any(tolerated(v) for v in value)
            if isinstance(value, dict):
                return any(k not in known or tolerated(v) for k, v in value.items())
            return False

        seen = {"canonical": 0, "refused": 0, "tolerated": 0}
        for seed in sorted(source("fuzz", "corpus").glob("*/*.json")):
            with self.subTest(seed=seed.name):
                r = self.readers
                r.write(seed.read_bytes())
                code, status, stderr = r.tool()
                if code != 0:
                    self.assertEqual(stderr, UNSUPPORTED)
                    self.assertNotEqual(errors(seed.read_bytes()), [], "the tool refuses it")
                    seen["refused"] += 1
                    continue
                document = json.loads(seed.read_bytes())
                whole = [id for id, _ in r.entities()] == [p["id"] for p in status["providers"]]
                if not whole or tolerated(document):
                    seen["tolerated"] += 1
                    continue
                self.assertCanonical(document, seed.name)
                seen["canonical"] += 1
        self.assertTrue(all(seen.values()), seen)

    # MARK: what the page says each reader does

    def example(self):
        return json.loads(page_blocks()["example"])

    def test_documents_the_tool_refuses_fail_the_schema(self):
        def entry(document):
            return document["state"]["providers"]["_0"][0]

        def window(document):
            return entry(document)["windows"][0]

        refused = {
            "no generatedAt": lambda d: d.pop("generatedAt"),
            "schemaVersion 2": lambda d: d.update(schemaVersion=2),
            "an empty state": lambda d: d.update(state={}),
            "a date with fractional seconds": lambda d: d.update(generatedAt="2026-03-14T09:26:53.5Z"),
            "a date without a zone": lambda d: entry(d).update(updatedAt="2026-03-14T09:25:10"),
            "a date as a number": lambda d: entry(d).update(updatedAt=1773480310),
            "an entry without windows": lambda d: entry(d).pop("windows"),
            "windows null": lambda d: entry(d).update(windows=None),
            "windows an object": lambda d: entry(d).update(windows={}),
            "an account name that is a number": lambda d: entry(d).update(accountName=5),
            "a provider that is a number": lambda d: entry(d).update(provider=5),
            "a window kind true": lambda d: window(d).update(kind=True),
            "a usage that is a string": lambda d: window(d).update(usage="42"),
            "a window without kind": lambda d: window(d).pop("kind"),
        }
        r = self.readers
        for name, change in refused.items():
            with self.subTest(name):
                document = self.example()
                change(document)
                r.write(document)
                self.assertEqual(r.tool()[0::2], (1, UNSUPPORTED))
                self.assertNotEqual(errors(document), [])
        # Beyond a schema: JSON Schema counts 300.0 as an integer, and a pattern does not know the
        # calendar. The tool refuses both.
        text = page_blocks()["example"]
        for old, new in {'"kind": 300,': '"kind": 300.0,', '"2026-03-14T09:26:53Z"': '"2026-02-30T10:00:00Z"'}.items():
            with self.subTest(new):
                self.assertIn(old, text)
                r.write(text.replace(old, new))
                self.assertEqual(r.tool()[0::2], (1, UNSUPPORTED))
                self.assertEqual(errors(text.replace(old, new)), [])

    def test_what_the_widget_drops_the_tool_prints_and_the_schema_refuses(self):
        r = self.readers
        base = self.example()
        ids = [id for id, _ in self.assertBothReadersShow(base, "2026-03-14T09:27:00Z")]
        dropped = {
            "an unknown provider": dict(provider="nope"),
            "tokensToday as a string": dict(tokensToday="1"),
        }
        for name, fields in dropped.items():
            with self.subTest(name):
                document = copy.deepcopy(base)
                document["state"]["providers"]["_0"][0].update(fields)
                r.write(document)
                code, status, _ = r.tool()
                self.assertEqual((code, len(status["providers"])), (0, len(ids)))
                self.assertEqual([id for id, _ in r.entities()], ids[1:])
                self.assertNotEqual(errors(document), [])
        # An account name of the wrong type is left out: the entry stays, under another identity.
        document = copy.deepcopy(base)
        document["state"]["providers"]["_0"][1].update(accountName=5)
        r.write(document)
        self.assertEqual([id for id, _ in r.entities()][1], document["state"]["providers"]["_0"][1]["provider"])
        # Top-level keys the tool does not read fail the whole document for the widget only.
        for name, value in {"usageAmountStyle": "left", "language": 5, "followedSelectionIDs": [1]}.items():
            with self.subTest(name):
                document = dict(base, **{name: value})
                r.write(document)
                self.assertTrue(r.widget_refuses())
                self.assertEqual(r.tool()[0], 0)
                self.assertNotEqual(errors(document), [])
        # A newer layout: the widget shows no data; the tool refuses anything but 1.
        r.write(dict(base, schemaVersion=2))
        self.assertTrue(r.widget_refuses())

    def test_a_file_of_4_MiB_is_read_and_one_byte_more_is_not(self):
        r = self.readers
        text = json.dumps(self.example())
        r.write(text + " " * (LIMIT - len(text.encode())))
        self.assertEqual(r.tool()[0], 0)
        self.assertFalse(r.widget_refuses())
        r.write(text + " " * (LIMIT + 1 - len(text.encode())))
        self.assertEqual(r.tool()[0::2], (1, TOO_LARGE))
        self.assertTrue(r.widget_refuses())
        r.write("")
        self.assertEqual(r.tool()[0::2], (1, TOO_LARGE))
        r.file.unlink()
        self.assertEqual(r.tool()[0::2], (1, UNAVAILABLE))

    # MARK: the page's own examples, run

    def test_the_worked_example_is_canonical_and_both_readers_show_every_entry(self):
        document = self.example()
        self.assertCanonical(document, "the worked example")
        kept = self.assertBothReadersShow(document, "2026-03-14T09:27:00Z")
        self.assertEqual(len(kept), 4)
        # The identities the page names.
        text = source("docs", "snapshot-format.md").read_text()
        for id, _ in kept:
            self.assertIn(f"`{id}`", text)
        # Without chosen sources the widget shows the followed entries, in their order.
        spoken = self.readers.accessibility("2026-03-14T09:27:00Z")
        titles = dict(kept)
        places = [spoken.find(f'"{titles[id]}"') for id in document["followedSelectionIDs"]]
        self.assertTrue(-1 not in places and places == sorted(places), spoken)
        self.assertNotIn('"Cursor"', spoken)

    def test_the_checker_reads_the_worked_example_whole_at_its_now_and_names_what_no_size_shows(self):
        text = source("docs", "snapshot-format.md").read_text()
        now = re.search(r"widgethost check example\.json --now (\S+)`", text).group(1)
        self.readers.write(self.example())
        done = self.readers.run(ARGS.widgethost, "check", "--json", "--now", now)
        self.assertEqual((done.returncode, done.stderr), (0, ""), done.stdout)
        report = json.loads(done.stdout)
        self.assertEqual(report["now"], now)
        self.assertTrue(report["acceptedWhole"])
        # The fields the page says are never shown are named as such, and nothing is lost.
        unshown = {finding["path"].rsplit(".", 1)[-1] for finding in report["findings"]}
        self.assertTrue({"planName", "modelName", "requestsToday", "quotaUnavailableReason"} <= unshown, report)
        self.assertEqual({finding["effect"] for finding in report["findings"]}, {"notShown"})
        # Every size shows the followed entries, in their order.
        document = self.example()
        for size in report["sizes"]:
            self.assertEqual([entry["id"] for entry in size["entries"]], document["followedSelectionIDs"], size)
        # The error page's example: a kind written as 300.0 is dropped by the widget and refused by the tool.
        shown = re.search(r"For example, a window written as `(\{.*?\})` gives\n\n```\n(.*?)```", text, re.S)
        document["state"]["providers"]["_0"][0]["windows"][0] = json.loads(shown.group(1))
        self.readers.write(document)  # Python writes the float 300.0 as 300.0
        done = self.readers.run(ARGS.widgethost, "check", "--now", now)
        self.assertEqual(done.returncode, 1, done.stdout)
        for line in shown.group(2).splitlines():
            self.assertIn(line, done.stdout)

    def test_the_writer_writes_a_canonical_snapshot_that_both_readers_show(self):
        blocks = page_blocks()
        r = self.readers
        writer = r.home / "write-snapshot.py"
        writer.write_text(blocks["writer"])
        self.assertLessEqual(len(blocks["writer"].strip().splitlines()), 14)
        done = r.run(sys.executable, str(writer))
        self.assertEqual((done.returncode, done.stderr), (0, ""))
        self.assertEqual([p.name for p in r.container.iterdir()], ["widget-snapshot.json"])
        document = json.loads(r.file.read_text())
        self.assertCanonical(document, "the writer's snapshot")
        code, status, _ = r.tool()
        self.assertEqual(code, 0)
        self.assertFalse(status["stale"])
        self.assertBothReadersShow(document, document["generatedAt"])
        # The page's check command accepts it, and refuses a snapshot the tool refuses.
        check = r.run("bash", "-c", blocks["check"], cwd=ARGS.source)
        self.assertEqual((check.returncode, check.stderr), (0, ""), check.stdout)
        r.write(dict(document, schemaVersion=2))
        self.assertNotEqual(r.run("bash", "-c", blocks["check"], cwd=ARGS.source).returncode, 0)


def main():
    global ARGS, VALIDATOR
    parser = argparse.ArgumentParser()
    for name in ("--source", "--tallyfox", "--widgethost", "--widgetgallery"):
        parser.add_argument(name, required=True)
    parser.add_argument("--snapshot-sample")
    ARGS, rest = parser.parse_known_args()
    VALIDATOR = jsonschema.Draft202012Validator(schema())
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
