"""What a screen reader finds: the host's windows and their elements through AT-SPI (pyatspi, in
Debian's /usr/bin/python3 alone)."""


def atspi():
    import pyatspi  # only inside the private session
    return pyatspi


def host_application(pid):
    pyatspi = atspi()
    for app in pyatspi.Registry.getDesktop(0):
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            continue
    return None


def descendants(node, skip_roles=("menu", "tool tip")):
    try:
        count = node.childCount
    except Exception:
        return
    for i in range(count):
        try:
            child = node.getChildAtIndex(i)
            role = child.getRoleName()
        except Exception:
            continue
        if child is None or role in skip_roles:
            continue
        yield child
        yield from descendants(child, skip_roles)


def find(root, role, name, skip_roles=("tool tip",)):
    if root is None:
        return None
    for node in descendants(root, skip_roles):
        try:
            if node.getRoleName() == role and node.name == name:
                return node
        except Exception:
            continue
    return None


def frame(pid, title):
    return find(host_application(pid), "frame", title)


def read_aloud(pid, title):
    """What a screen reader reads in a widget's window: its text elements' names and values in order."""
    window_frame = frame(pid, title)
    if window_frame is None:
        return None
    elements = []
    for node in descendants(window_frame):
        try:
            if node.getRoleName() == "label":
                elements.append({"label": node.name, **({"value": node.description} if node.description else {})})
        except Exception:
            return None
    return elements


def extents(node):
    pyatspi = atspi()
    box = node.queryComponent().getExtents(pyatspi.WINDOW_COORDS)
    return box.x, box.y, box.width, box.height


def act(node):
    node.queryAction().doAction(0)
