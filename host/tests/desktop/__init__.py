"""The desktop test harness: the live host's tests run on real desktops, each started headless for the
test as an unprivileged user with a temporary HOME and a private D-Bus session.

  runner.py          a test script's command line (--session, --widgethost, --test, --list), starting
                     it again inside its session, running its unittest cases there, `only_on`
  sessions/          a desktop session per kind: sway, kwin, x11 (openbox and bare Xvfb), gnome (with
                     the shell's test driver extension and a faulty host)
  host.py            widgethost under test: its commands, a running `show`, where its widgets are, and
                     the test case the live tests share
  snapshots.py       snapshot files as the main application writes them
  accessibility.py   what a screen reader reads (AT-SPI)
  images.py          screenshots and renderings, and comparing them
  waiting.py         polling until the desktop has done something
  probe.py           small GTK 3 clients beside the host (a probe widget, a window, a wallpaper)
  pointer.py         a virtual pointer for Wayland compositors without an input device

probe.py, pointer.py and sessions/gnome/faulty_host.py are programs the sessions start; the rest is
imported by the test scripts beside this folder (and by contrib/ and bench/).
"""
