"""Snapshots as the main application writes them, into the temporary HOME of the session."""
import datetime as dt
import json
import os

GROUP = "group.com.tallyfox.Tallyfox"

# A fixed moment for tests that stop the clock, a whole minute.
T = dt.datetime(2027, 1, 15, 8, 0, 0, tzinfo=dt.timezone.utc)


def iso(moment):
    return moment.astimezone(dt.timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ")


def provider(name, windows, updated, **extra):
    entry = {"provider": name, "windows": windows, "updatedAt": iso(updated)}
    entry.update(extra)
    return entry


def window(kind, usage, resets=None):
    w = {"kind": kind, "usage": usage}
    if resets is not None:
        w["resetsAt"] = iso(resets)
    return w


def snapshot(now, providers):
    return json.dumps({"schemaVersion": 1, "generatedAt": iso(now - dt.timedelta(seconds=30)),
                       "state": {"providers": {"_0": providers}}})


def three_providers(now, codex_usage=40):
    """Codex, Claude Code's Work account with data 15 minutes old, and Cursor; nothing resets within a
    day, so nothing counts seconds."""
    return snapshot(now, [
        provider("codex", [window(300, codex_usage, now + dt.timedelta(days=2))], now - dt.timedelta(seconds=60)),
        provider("claudeCode", [window(10080, 70, now + dt.timedelta(days=3))], now - dt.timedelta(minutes=15),
                 accountName="Work", selectionID="claude-work"),
        provider("cursor", [window("monthly", 20, now + dt.timedelta(days=20))], now - dt.timedelta(seconds=60)),
    ])


def home():
    return os.environ["HOME"]


def container():
    return os.path.join(home(), "Library", "Group Containers", GROUP)


def snapshot_file():
    return os.path.join(container(), "widget-snapshot.json")


def write_atomically(path, text):
    temporary = path + ".tmp"
    with open(temporary, "w") as out:
        out.write(text)
    os.replace(temporary, path)


def write_in_place(path, text):
    with open(path, "r+" if os.path.exists(path) else "w") as out:
        out.truncate(0)
        out.write(text)
