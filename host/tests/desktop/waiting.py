"""Waiting for what a desktop does in its own time."""
import time


def wait_until(condition, timeout, interval=0.05):
    """Polls `condition` until it gives something (not None, False or an empty list) or `timeout`
    seconds pass; returns the last value. An accessible object counts as something even when it has no
    children (pyatspi gives them a length)."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if (value is not None and value is not False and value != []) or time.monotonic() > deadline:
            return value
        time.sleep(interval)
