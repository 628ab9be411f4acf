"""GNOME Shell for the desktop tests: the headless session (session.py), the harness's own extension
that drives it (driver/), and a widget host that misbehaves on purpose (faulty_host.py)."""
import os

# Run as a client of the session: it owns the host's bus name and describes widgets wrongly.
FAULTY_HOST = os.path.join(os.path.dirname(os.path.abspath(__file__)), "faulty_host.py")
