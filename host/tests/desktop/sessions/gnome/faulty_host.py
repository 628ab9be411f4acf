#!/usr/bin/python3
"""A widget host that misbehaves, for the GNOME Shell extension's tests: it owns the host's bus name and
describes one widget with a negative size and one whose picture is not the size it was described
with, and says "Changed" five times, a second apart. It serves the interface the extension reads,
from the extension's folder (its one argument), and answers only Widgets, Picture and WorkAreas.

Usage: faulty_host.py EXTENSION-FOLDER"""
import os
import sys

from gi.repository import Gio, GLib

with open(os.path.join(sys.argv[1], "desktop-interface.xml")) as source:
    NODE = Gio.DBusNodeInfo.new_for_xml(source.read())
INTERFACE = NODE.interfaces[0]
HOST = Gio.DBusAnnotationInfo.lookup(NODE.annotations, "com.tallyfox.HostBusName")


def call(connection, sender, path, interface, method, parameters, invocation):
    if method == "Widgets":
        invocation.return_value(GLib.Variant("(a(xssiiiiiiua(sddddss))as)", (
            [(1, "Tallyfox 1", "", 10, 10, -5, 50, 1280, 720, 1, []),
             (2, "Tallyfox 2", "", 200, 200, 100, 50, 1280, 720, 1, [])], [])))
    elif method == "Picture":
        fd = os.memfd_create("picture")
        os.ftruncate(fd, 40 * 10)
        invocation.return_value_with_unix_fd_list(GLib.Variant("(hiiiu)", (0, 10, 10, 40, 1)),
                                                  Gio.UnixFDList.new_from_array([fd]))
    elif method == "WorkAreas":
        invocation.return_value(None)
    else:
        invocation.return_dbus_error("org.freedesktop.DBus.Error.UnknownMethod", "no " + method + " here")


def acquired(connection, name):
    print("faulty host: ready", flush=True)
    count = [0]

    def changed():
        count[0] += 1
        connection.emit_signal(None, NODE.path, INTERFACE.name, "Changed", None)
        return count[0] < 5
    GLib.timeout_add(1000, changed)


def bus(connection, name):
    connection.register_object(NODE.path, INTERFACE, call, None, None)


Gio.bus_own_name(Gio.BusType.SESSION, HOST, Gio.BusNameOwnerFlags.NONE, bus, acquired, None)
GLib.MainLoop().run()
