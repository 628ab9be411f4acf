#!/usr/bin/python3
"""A pointer for a compositor that has no input device: sway headless through the
zwlr_virtual_pointer_manager_v1 protocol, KWin --virtual through org_kde_kwin_fake_input, with
libwayland-client through ctypes (Debian packages no tool for either). The compositor adds the pointer
to its seat, so clients get a wl_pointer.

Reads commands on standard input, one a line, and answers "ok" once the compositor has them:
  move X Y          to X, Y of the output layout (logical pixels)
  press BUTTON      1 left, 2 middle, 3 right
  release BUTTON
Prints "ready" once the pointer exists, or one line on standard error and ends with status 1 when the
compositor offers no virtual pointers.
"""
import ctypes
import sys

BUTTONS = {1: 0x110, 2: 0x112, 3: 0x111}  # BTN_LEFT, BTN_MIDDLE, BTN_RIGHT


class Message(ctypes.Structure):
    _fields_ = [("name", ctypes.c_char_p), ("signature", ctypes.c_char_p), ("types", ctypes.POINTER(ctypes.c_void_p))]


class Interface(ctypes.Structure):
    pass


Interface._fields_ = [("name", ctypes.c_char_p), ("version", ctypes.c_int), ("method_count", ctypes.c_int),
                      ("methods", ctypes.POINTER(Message)), ("event_count", ctypes.c_int),
                      ("events", ctypes.POINTER(Message))]

GLOBAL = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_uint32, ctypes.c_char_p, ctypes.c_uint32)
GLOBAL_REMOVE = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_uint32)


class RegistryListener(ctypes.Structure):
    _fields_ = [("global_", GLOBAL), ("global_remove", GLOBAL_REMOVE)]


def types(*entries):
    array = (ctypes.c_void_p * max(1, len(entries)))()
    for i, entry in enumerate(entries):
        array[i] = ctypes.addressof(entry) if entry is not None else None
    return ctypes.cast(array, ctypes.POINTER(ctypes.c_void_p)), array


def interface(name, version, requests):
    kept = []
    messages = (Message * len(requests))()
    for i, (request, signature, argument_types) in enumerate(requests):
        pointer, array = types(*argument_types)
        kept.append(array)
        messages[i] = Message(request.encode(), signature.encode(), pointer)
    result = Interface(name.encode(), version, len(requests), messages, 0, None)
    result._kept = (kept, messages)
    return result


def main():
    lib = ctypes.CDLL("libwayland-client.so.0")
    lib.wl_display_connect.restype = ctypes.c_void_p
    lib.wl_proxy_marshal_constructor.restype = ctypes.c_void_p
    lib.wl_proxy_marshal_constructor_versioned.restype = ctypes.c_void_p
    seat_interface = Interface.in_dll(lib, "wl_seat_interface")
    registry_interface = Interface.in_dll(lib, "wl_registry_interface")
    pointer_interface = interface("zwlr_virtual_pointer_v1", 1, [
        ("motion", "uff", (None, None, None)),
        ("motion_absolute", "uuuuu", (None,) * 5),
        ("button", "uuu", (None,) * 3),
        ("axis", "uuf", (None,) * 3),
        ("frame", "", ()),
        ("axis_source", "u", (None,)),
        ("axis_stop", "uu", (None, None)),
        ("axis_discrete", "uufi", (None,) * 4),
        ("destroy", "", ()),
    ])
    manager_interface = interface("zwlr_virtual_pointer_manager_v1", 1, [
        ("create_virtual_pointer", "?on", (seat_interface, pointer_interface)),
        ("destroy", "", ()),
    ])

    fake_interface = interface("org_kde_kwin_fake_input", 4, [
        ("authenticate", "ss", (None, None)),
        ("pointer_motion", "ff", (None, None)),
        ("button", "uu", (None, None)),
        ("axis", "uf", (None, None)),
        ("touch_down", "2uff", (None,) * 3),
        ("touch_motion", "2uff", (None,) * 3),
        ("touch_up", "2u", (None,)),
        ("touch_cancel", "2", ()),
        ("touch_frame", "2", ()),
        ("pointer_motion_absolute", "3ff", (None, None)),
        ("keyboard_key", "4uu", (None, None)),
    ])

    display = lib.wl_display_connect(None)
    if not display:
        print("VirtualPointer: cannot connect to the Wayland display", file=sys.stderr)
        return 1
    display = ctypes.c_void_p(display)
    registry = ctypes.c_void_p(lib.wl_proxy_marshal_constructor(display, 1, ctypes.byref(registry_interface), None))
    found = {}

    def on_global(_, __, name, interface_name, version):
        found[interface_name.decode()] = (name, version)
    listener = RegistryListener(GLOBAL(on_global), GLOBAL_REMOVE(lambda *_: None))
    lib.wl_proxy_add_listener(registry, ctypes.byref(listener), None)
    lib.wl_display_roundtrip(display)
    if "zwlr_virtual_pointer_manager_v1" not in found and "org_kde_kwin_fake_input" in found:
        return fake_input(lib, display, registry, fake_interface, found["org_kde_kwin_fake_input"])
    if "zwlr_virtual_pointer_manager_v1" not in found:
        print("VirtualPointer: the compositor offers neither zwlr_virtual_pointer_manager_v1 nor "
              "org_kde_kwin_fake_input", file=sys.stderr)
        return 1
    name, _ = found["zwlr_virtual_pointer_manager_v1"]
    manager = ctypes.c_void_p(lib.wl_proxy_marshal_constructor_versioned(
        registry, 0, ctypes.byref(manager_interface), ctypes.c_uint32(1), ctypes.c_uint32(name),
        manager_interface.name, ctypes.c_uint32(1), None))
    pointer = ctypes.c_void_p(lib.wl_proxy_marshal_constructor(manager, 0, ctypes.byref(pointer_interface), None, None))
    lib.wl_display_roundtrip(display)
    print("ready", flush=True)

    clock = [0]

    def now():
        clock[0] += 10
        return ctypes.c_uint32(clock[0])
    width = height = 0
    for line in sys.stdin:
        words = line.split()
        if not words:
            continue
        if words[0] == "extent":  # the output layout's size, for absolute moves
            width, height = int(words[1]), int(words[2])
        elif words[0] == "move":
            lib.wl_proxy_marshal(pointer, 1, now(), ctypes.c_uint32(int(words[1])), ctypes.c_uint32(int(words[2])),
                                 ctypes.c_uint32(width), ctypes.c_uint32(height))
            lib.wl_proxy_marshal(pointer, 4)
        elif words[0] in ("press", "release"):
            lib.wl_proxy_marshal(pointer, 2, now(), ctypes.c_uint32(BUTTONS[int(words[1])]),
                                 ctypes.c_uint32(1 if words[0] == "press" else 0))
            lib.wl_proxy_marshal(pointer, 4)
        lib.wl_display_roundtrip(display)
        print("ok", flush=True)
    return 0


def fake_input(lib, display, registry, fake_interface, offered):
    """KWin's way: org_kde_kwin_fake_input (positions in fixed point, 1/256 of a pixel)."""
    name, version = offered
    version = min(version, 4)
    fake = ctypes.c_void_p(lib.wl_proxy_marshal_constructor_versioned(
        registry, 0, ctypes.byref(fake_interface), ctypes.c_uint32(version), ctypes.c_uint32(name),
        fake_interface.name, ctypes.c_uint32(version), None))
    lib.wl_proxy_marshal(fake, 0, b"Tallyfox tests", b"drives the pointer of a headless test session")
    lib.wl_display_roundtrip(display)
    print("ready", flush=True)
    for line in sys.stdin:
        words = line.split()
        if not words:
            continue
        if words[0] == "move":
            lib.wl_proxy_marshal(fake, 9, ctypes.c_int32(int(words[1]) * 256), ctypes.c_int32(int(words[2]) * 256))
        elif words[0] in ("press", "release"):
            lib.wl_proxy_marshal(fake, 2, ctypes.c_uint32(BUTTONS[int(words[1])]),
                                 ctypes.c_uint32(1 if words[0] == "press" else 0))
        lib.wl_display_roundtrip(display)
        print("ok", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
