#!/usr/bin/python3
"""A widget host that misbehaves, for the GNOME Shell extension's tests: it owns the host's bus name and
describes one widget with a negative size and one whose picture is not the size it was described
with, and says "Changed" five times, a second apart."""
import os

from gi.repository import Gio, GLib

XML = """<node><interface name="com.tallyfox.Tallyfox.Widgets.Desktop1">
<method name="Widgets"><arg direction="out" type="a(xssiiiiiiua(sddddss))"/><arg direction="out" type="as"/></method>
<method name="Picture"><arg direction="in" type="x"/><arg direction="out" type="h"/><arg direction="out" type="i"/>
<arg direction="out" type="i"/><arg direction="out" type="i"/><arg direction="out" type="u"/></method>
<method name="WorkAreas"><arg direction="in" type="a(siiiii)"/></method>
<signal name="Changed"/></interface></node>"""
PATH = "/com/tallyfox/Tallyfox/Widgets/Desktop"


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
    else:
        invocation.return_value(None)


def acquired(connection, name):
    print("faulty host: ready", flush=True)
    count = [0]

    def changed():
        count[0] += 1
        connection.emit_signal(None, PATH, "com.tallyfox.Tallyfox.Widgets.Desktop1", "Changed", None)
        return count[0] < 5
    GLib.timeout_add(1000, changed)


def bus(connection, name):
    connection.register_object(PATH, Gio.DBusNodeInfo.new_for_xml(XML).interfaces[0], call, None, None)


Gio.bus_own_name(Gio.BusType.SESSION, "com.tallyfox.Tallyfox.Widgets", Gio.BusNameOwnerFlags.NONE, bus, acquired, None)
GLib.MainLoop().run()
