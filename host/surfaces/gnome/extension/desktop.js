// Tallyfox widgets on GNOME's desktop. The live host (`widgethost show`) decides and draws: where each
// widget goes, its picture, what a screen reader reads in it, its menu. This code only shows what the
// host publishes on the session bus, as actors among the desktop's backgrounds (below every window,
// on every workspace, out of the overview, the dash and the switcher), and hands drags and menu choices
// back. Whatever the host sends or does, nothing here throws into the shell: a fault hides or moves the
// widgets and is logged once.
//
// The same code runs in the shell's legacy modules (43, 44: extension.js) and in ES modules (45 and
// later, a wrapper generated around this file), so everything the shell gives comes in `shell`. What
// the host publishes (bus names, object, calls and their types) is desktop-interface.xml beside this
// file, read when the extension is enabled.

/* exported tallyfoxDesktop */

function tallyfoxDesktop(shell) {
    const {Atk, Clutter, Cogl, Gio, GLib, St, Main, PopupMenu, BoxPointer} = shell;

    let HOST, PATH, INTERFACE, OWN_NAME, interfaceInfo;
    const LARGEST = 4096; // points or pixels: anything larger is not a widget
    const HELP_DELAY = 500; // ms the pointer rests before a help text shows
    const CALL_TIMEOUT = 5000;

    const logged = new Set();
    function logOnce(key, text) {
        if (logged.has(key))
            return;
        logged.add(key);
        shell.log(`Tallyfox widgets: ${text}`);
    }

    /** `fn` as a callback that never throws into the shell. */
    function guard(key, fn) {
        return (...args) => {
            try {
                return fn(...args);
            } catch (error) {
                logOnce(key, `${key}: ${error}`);
                return Clutter.EVENT_PROPAGATE;
            }
        };
    }

    /** Reads the interface file: the names, the object and the types of every call. */
    function readInterface() {
        const [, bytes] = GLib.file_get_contents(GLib.build_filenamev([shell.path, 'desktop-interface.xml']));
        const node = Gio.DBusNodeInfo.new_for_xml(new TextDecoder().decode(bytes));
        const annotation = key => node.annotations.find(a => a.key === key).value;
        HOST = annotation('com.tallyfox.HostBusName');
        OWN_NAME = annotation('com.tallyfox.ExtensionBusName');
        PATH = node.path;
        [interfaceInfo] = node.interfaces;
        INTERFACE = interfaceInfo.name;
    }

    /** The tuple type of `args` (a method's or signal's arguments in the interface). */
    function tupleType(args) {
        return `(${args.map(arg => arg.signature).join('')})`;
    }

    function session() {
        return Gio.DBus.session;
    }

    /** Calls the host with `values` (the method's arguments, typed as the interface says); `done` gets
     * the reply (or, with `withFds`, reply and descriptors), never an error. */
    function call(method, values, done, failed, withFds = false) {
        const info = interfaceInfo.lookup_method(method);
        const parameters = info.in_args.length ? new GLib.Variant(tupleType(info.in_args), values) : null;
        const type = info.out_args.length ? new GLib.VariantType(tupleType(info.out_args)) : null;
        const finished = guard(`the host's answer to ${method}`, (connection, result) => {
            let reply, fds = null;
            try {
                if (withFds)
                    [reply, fds] = connection.call_with_unix_fd_list_finish(result);
                else
                    reply = connection.call_finish(result);
            } catch (error) {
                if (failed)
                    failed(error);
                return;
            }
            if (done)
                done(reply, fds);
        });
        if (withFds) {
            session().call_with_unix_fd_list(HOST, PATH, INTERFACE, method, parameters, type,
                Gio.DBusCallFlags.NONE, CALL_TIMEOUT, null, null, finished);
        } else {
            session().call(HOST, PATH, INTERFACE, method, parameters, type,
                Gio.DBusCallFlags.NONE, CALL_TIMEOUT, null, finished);
        }
    }

    function isCount(value, low = 0, high = LARGEST) {
        return Number.isInteger(value) && value >= low && value <= high;
    }

    function isLength(value) {
        return Number.isFinite(value) && value >= -LARGEST && value <= LARGEST;
    }

    /** The widget as the host describes it, or null when the description cannot be shown. */
    function readWidget(entry) {
        if (!Array.isArray(entry) || entry.length !== 11)
            return null;
        const [number, name, output, x, y, width, height, outputWidth, outputHeight, serial, elements] = entry;
        if (!Number.isSafeInteger(number) || typeof name !== 'string' || typeof output !== 'string' ||
            !isLength(x) || !isLength(y) || !isCount(width, 1) || !isCount(height, 1) ||
            !isCount(outputWidth) || !isCount(outputHeight) || !isCount(serial, 0, 0xffffffff) ||
            !Array.isArray(elements) || elements.length > 1000)
            return null;
        const read = [];
        for (const element of elements) {
            if (!Array.isArray(element) || element.length !== 7)
                return null;
            const [role, ex, ey, ewidth, eheight, label, value] = element;
            if (typeof role !== 'string' || ![ex, ey, ewidth, eheight].every(isLength) ||
                typeof label !== 'string' || typeof value !== 'string')
                return null;
            read.push({role, x: ex, y: ey, width: Math.max(0, ewidth), height: Math.max(0, eheight), label, value});
        }
        return {number, name, output, x, y, width, height, outputWidth, outputHeight, serial, elements: read};
    }

    let coglContextFirst = false;
    /** Gives `image` the premultiplied picture: GNOME Shell 46 and later take the Cogl context first. */
    function setBytes(image, bytes, width, height, stride) {
        const format = Cogl.PixelFormat.BGRA_8888_PRE;
        if (!coglContextFirst) {
            try {
                return image.set_bytes(bytes, format, width, height, stride);
            } catch (error) {
                const context = global.stage?.context?.get_backend?.()?.get_cogl_context?.();
                if (!context || !/argument/i.test(String(error)))
                    throw error;
                coglContextFirst = true;
            }
        }
        return image.set_bytes(global.stage.context.get_backend().get_cogl_context(), bytes, format, width, height,
            stride);
    }

    /** The shell's monitor that the host's output names (a connector), or the primary one. */
    function monitorFor(output) {
        const layout = Main.layoutManager;
        const monitors = layout.monitors;
        if (!monitors || monitors.length === 0)
            return null;
        let index = -1;
        try {
            const manager = global.backend?.get_monitor_manager?.();
            if (manager && output)
                index = manager.get_monitor_for_connector(output);
        } catch (error) {
            index = -1;
        }
        if (index >= 0 && index < monitors.length)
            return monitors[index];
        return layout.primaryMonitor ?? monitors[0];
    }

    /** The host's name of the shell's `monitor`, of `outputs`. */
    function outputOf(monitor, outputs) {
        try {
            const manager = global.backend?.get_monitor_manager?.();
            for (const output of outputs) {
                if (manager && manager.get_monitor_for_connector(output) === monitor.index)
                    return output;
            }
        } catch (error) {
            return null;
        }
        return null;
    }

    // MARK: One widget

    class DesktopWidget {
        constructor(desktop, number) {
            this._desktop = desktop;
            this.number = number;
            this.serial = 0;
            this._wanted = 0; // the serial the host has, fetched when it differs
            this._fetching = false;
            this._askedAgain = false; // for a picture that did not fit the description
            this._scale = 1; // stage pixels per logical pixel of the host
            this._picture = null; // {width, height}: device pixels
            this.actor = new St.Widget({
                reactive: true, track_hover: true, can_focus: true,
                accessible_role: Atk.Role.PANEL, visible: false,
            });
            this._image = St.ImageContent.new_with_preferred_size(1, 1);
            this.actor.set_content(this._image);
            this.actor.connect('button-press-event', guard('a press', (_actor, event) => this._pressed(event)));
            this.actor.connect('motion-event', guard('a motion', (_actor, event) => this._motion(event)));
            this.actor.connect('button-release-event', guard('a release', (_actor, event) => this._released(event)));
            this.actor.connect('leave-event', guard('a leave', () => this._hideHelp()));
            this.actor.connect('key-press-event', guard('a key', (_actor, event) => this._key(event)));
            this.actor.connect('popup-menu', guard('the menu key', () => this._openMenuAtWidget()));
        }

        destroy() {
            this._hideHelp();
            this._endDrag();
            if (this._menu) {
                this._menu.destroy();
                this._menu = null;
            }
            this.actor.destroy();
        }

        /** Shows the widget as described (`widget`) on `monitor`. */
        update(widget, monitor) {
            this.widget = widget;
            this.monitor = monitor;
            // The stage counts device pixels on some setups and logical pixels on others: the
            // monitor's width against the host's width of the same output says which.
            this._scale = widget.outputWidth > 0 ? monitor.width / widget.outputWidth : 1;
            if (!Number.isFinite(this._scale) || this._scale <= 0 || this._scale > 8)
                this._scale = 1;
            this.actor.accessible_name = widget.name;
            if (!this._dragging) {
                this.actor.set_position(Math.round(monitor.x + widget.x * this._scale),
                    Math.round(monitor.y + widget.y * this._scale));
            }
            this.actor.set_size(Math.round(widget.width * this._scale), Math.round(widget.height * this._scale));
            this._updateElements(widget.elements);
            this._updateFilters();
            this._wanted = widget.serial;
            if (this._wanted !== this.serial)
                this._fetchPicture();
        }

        /** The host drew picture `serial` of the widget, which is otherwise as it was. */
        pictureChanged(serial) {
            this._wanted = serial;
            if (this._wanted !== this.serial)
                this._fetchPicture();
        }

        /** One accessible actor per element, in reading order, over the part of the picture it reads. */
        _updateElements(elements) {
            const children = this.actor.get_children();
            for (let i = elements.length; i < children.length; i++)
                children[i].destroy();
            elements.forEach((element, i) => {
                let child = children[i];
                if (!child) {
                    child = new St.Widget({reactive: false, accessible_role: Atk.Role.LABEL});
                    this.actor.add_child(child);
                }
                child.set_position(Math.round(element.x * this._scale), Math.round(element.y * this._scale));
                child.set_size(Math.round(element.width * this._scale), Math.round(element.height * this._scale));
                if (child.accessible_name !== element.label)
                    child.accessible_name = element.label;
                // (Through the property: the accessible's actions have a get_description of their own.)
                const accessible = child.get_accessible();
                if (accessible && accessible.accessible_description !== element.value)
                    accessible.accessible_description = element.value;
            });
        }

        _fetchPicture() {
            if (this._fetching)
                return;
            this._fetching = true;
            const asked = this._wanted;
            call('Picture', [this.number], (reply, fds) => {
                this._fetching = false;
                this._takePicture(reply, fds);
                if (this._wanted !== this.serial && this._wanted !== asked)
                    this._fetchPicture();
            }, () => {
                // The widget went meanwhile, or has no picture yet: the next change asks again.
                this._fetching = false;
            }, true);
        }

        _takePicture(reply, fds) {
            const [handle, width, height, stride, serial] = reply.deepUnpack();
            if (!fds || !isCount(handle, 0, fds.get_length() - 1))
                return this._refuse('the host sent a picture without its memory');
            let mapped = null;
            const fd = fds.get(handle);
            try {
                mapped = GLib.MappedFile.new_from_fd(fd, false);
            } finally {
                GLib.close(fd);
            }
            const bytes = mapped.get_bytes();
            const widget = this.widget;
            const scale = widget ? width / widget.width : 0;
            if (!isCount(width, 1, 4 * LARGEST) || !isCount(height, 1, 4 * LARGEST) || stride < width * 4 ||
                bytes.get_size() < stride * height || !Number.isInteger(scale) || scale < 1 ||
                height !== widget.height * scale) {
                // A picture newer than the description (the widget was resized meanwhile) waits for the
                // description that goes with it; asked for once, so a host that never sends one is refused.
                if (widget && serial !== widget.serial && !this._askedAgain) {
                    this._askedAgain = true;
                    this._desktop.refresh();
                    return undefined;
                }
                return this._refuse(`the host sent a picture of the wrong size (${width}×${height}, stride ${stride})`);
            }
            this._askedAgain = false;
            setBytes(this._image, bytes, width, height, stride);
            this._picture = {width, height};
            this.serial = serial;
            this._updateFilters();
            this.actor.show();
            return undefined;
        }

        _refuse(text) {
            logOnce(text, text);
            this.actor.hide();
        }

        /** Exact pixels where the picture is drawn at its own size. */
        _updateFilters() {
            if (!this._picture)
                return;
            const exact = this._picture.width === this.actor.width && this._picture.height === this.actor.height;
            const filter = exact ? Clutter.ScalingFilter.NEAREST : Clutter.ScalingFilter.LINEAR;
            this.actor.set_content_scaling_filters(filter, filter);
        }

        // MARK: Pointer and keyboard

        _pressed(event) {
            this._hideHelp();
            const button = event.get_button();
            const [x, y] = event.get_coords();
            if (button === Clutter.BUTTON_SECONDARY) {
                this._openMenu(x, y);
                return Clutter.EVENT_STOP;
            }
            if (button !== Clutter.BUTTON_PRIMARY)
                return Clutter.EVENT_PROPAGATE;
            this._press = {x, y, actorX: this.actor.x, actorY: this.actor.y};
            this._grab = global.stage.grab(this.actor);
            return Clutter.EVENT_STOP;
        }

        _motion(event) {
            const [x, y] = event.get_coords();
            if (!this._press) {
                this._scheduleHelp(x, y);
                return Clutter.EVENT_PROPAGATE;
            }
            const dx = x - this._press.x, dy = y - this._press.y;
            const threshold = Clutter.Settings.get_default().dnd_drag_threshold;
            if (!this._dragging && Math.abs(dx) <= threshold && Math.abs(dy) <= threshold)
                return Clutter.EVENT_STOP;
            this._dragging = true;
            this.actor.set_position(Math.round(this._press.actorX + dx), Math.round(this._press.actorY + dy));
            return Clutter.EVENT_STOP;
        }

        _released(event) {
            if (event.get_button() !== Clutter.BUTTON_PRIMARY || !this._press)
                return Clutter.EVENT_PROPAGATE;
            const dragged = this._dragging;
            this._endDrag();
            if (dragged)
                this._dropped();
            return Clutter.EVENT_STOP;
        }

        _endDrag() {
            if (this._grab) {
                this._grab.dismiss();
                this._grab = null;
            }
            this._press = null;
            this._dragging = false;
        }

        /** Tells the host where the widget was dropped: the monitor under its middle, in the host's pixels. */
        _dropped() {
            const middleX = this.actor.x + this.actor.width / 2, middleY = this.actor.y + this.actor.height / 2;
            const monitors = Main.layoutManager.monitors;
            const monitor = monitors.find(m => middleX >= m.x && middleX < m.x + m.width &&
                middleY >= m.y && middleY < m.y + m.height) ?? this.monitor;
            const output = monitor ? outputOf(monitor, this._desktop.outputs) : null;
            if (!output) {
                this._desktop.refresh();
                return;
            }
            // The same pixels per point as where it was, at that monitor's scale.
            const scale = this._scale / (this.monitor?.geometry_scale || 1) * (monitor.geometry_scale || 1);
            const x = Math.round((this.actor.x - monitor.x) / scale), y = Math.round((this.actor.y - monitor.y) / scale);
            call('Moved', [this.number, output, x, y], null,
                () => this._desktop.refresh());
        }

        _key(event) {
            const symbol = event.get_key_symbol();
            const shifted = (event.get_state() & Clutter.ModifierType.SHIFT_MASK) !== 0;
            if (symbol === Clutter.KEY_Menu || (symbol === Clutter.KEY_F10 && shifted)) {
                this._openMenuAtWidget();
                return Clutter.EVENT_STOP;
            }
            return Clutter.EVENT_PROPAGATE;
        }

        _openMenuAtWidget() {
            const [x, y] = this.actor.get_transformed_position();
            this._openMenu(x + this.actor.width / 2, y + this.actor.height / 2);
        }

        /** The host's menu, in its language and direction, at `x`, `y` on the stage. */
        _openMenu(x, y) {
            call('Menu', [this.number], reply => {
                const [rightToLeft, items] = reply.deepUnpack();
                if (!Array.isArray(items) || items.length > 100)
                    return;
                if (!this._menu) {
                    this._menu = new PopupMenu.PopupMenu(Main.layoutManager.dummyCursor, 0, St.Side.TOP);
                    this._menu.actor.add_style_class_name('background-menu');
                    Main.layoutManager.uiGroup.add_child(this._menu.actor);
                    this._menu.actor.hide();
                    this._menuManager = new PopupMenu.PopupMenuManager(this.actor);
                    this._menuManager.addMenu(this._menu);
                }
                this._menu.removeAll();
                const submenus = new Map();
                for (const [submenu, label, action, target] of items) {
                    if (!label) {
                        this._menu.addMenuItem(new PopupMenu.PopupSeparatorMenuItem());
                        continue;
                    }
                    let menu = this._menu;
                    if (submenu) {
                        if (!submenus.has(submenu)) {
                            const item = new PopupMenu.PopupSubMenuMenuItem(submenu);
                            this._menu.addMenuItem(item);
                            submenus.set(submenu, item.menu);
                        }
                        menu = submenus.get(submenu);
                    }
                    menu.addAction(label, guard('a menu item', () => {
                        call('Activate', [this.number, action, target]);
                    }));
                }
                const direction = rightToLeft ? Clutter.TextDirection.RTL : Clutter.TextDirection.LTR;
                this._menu.actor.set_text_direction(direction);
                for (const child of this._menu.box.get_children())
                    child.set_text_direction(direction);
                Main.layoutManager.setDummyCursorGeometry(x, y, 0, 0);
                this._menu.open(BoxPointer.PopupAnimation.FULL);
            });
        }

        // MARK: Help texts

        _scheduleHelp(x, y) {
            const [ax, ay] = this.actor.get_transformed_position();
            const px = (x - ax) / this._scale, py = (y - ay) / this._scale;
            const shown = this._helpShown;
            if (shown && px >= shown.x && px < shown.x + shown.width && py >= shown.y && py < shown.y + shown.height)
                return;
            this._hideHelp();
            this._helpTimer = GLib.timeout_add(GLib.PRIORITY_DEFAULT, HELP_DELAY, guard('a help text', () => {
                this._helpTimer = 0;
                call('Help', [this.number, px, py], reply => {
                    const [text, [fx, fy, fwidth, fheight]] = reply.deepUnpack();
                    if (!text || !this.actor.hover || this._press)
                        return;
                    this._showHelp(text, {x: fx, y: fy, width: fwidth, height: fheight});
                });
                return GLib.SOURCE_REMOVE;
            }));
        }

        _showHelp(text, frame) {
            this._hideHelp();
            this._helpShown = frame;
            this._helpLabel = new St.Label({style_class: 'dash-label', text});
            Main.layoutManager.uiGroup.add_child(this._helpLabel);
            const [ax, ay] = this.actor.get_transformed_position();
            const [, naturalWidth] = this._helpLabel.get_preferred_width(-1);
            const monitor = this.monitor ?? Main.layoutManager.primaryMonitor;
            let x = Math.round(ax + (frame.x + frame.width / 2) * this._scale - naturalWidth / 2);
            let y = Math.round(ay + (frame.y + frame.height) * this._scale + 6);
            if (monitor) {
                x = Math.max(monitor.x, Math.min(x, monitor.x + monitor.width - naturalWidth));
                y = Math.min(y, monitor.y + monitor.height - this._helpLabel.height);
            }
            this._helpLabel.set_position(x, y);
        }

        _hideHelp() {
            if (this._helpTimer) {
                GLib.source_remove(this._helpTimer);
                this._helpTimer = 0;
            }
            if (this._helpLabel) {
                this._helpLabel.destroy();
                this._helpLabel = null;
            }
            this._helpShown = null;
        }
    }

    // MARK: All widgets

    class Desktop {
        constructor() {
            this.widgets = new Map();
            this.outputs = [];
            this._host = null; // the host's unique name while it runs
        }

        enable() {
            try {
                readInterface();
            } catch (error) {
                logOnce('the interface', `the interface file cannot be read: ${error}`);
                return;
            }
            this._layer = new St.Widget({name: 'tallyfox-widgets', reactive: false});
            const group = Main.layoutManager._backgroundGroup;
            group.add_child(this._layer);
            // New backgrounds (another wallpaper, a monitor added) go on top of the group: stay above them.
            const added = 'child-added' in group ? 'child-added' : 'actor-added';
            this._groupAdded = group.connect(added, guard('a new background', (_group, child) => {
                if (child !== this._layer)
                    group.set_child_above_sibling(this._layer, null);
            }));
            this._monitors = Main.layoutManager.connect('monitors-changed', guard('the monitors', () => this.refresh()));
            this._workAreas = global.display.connect('workareas-changed', guard('the work areas', () => this._sendWorkAreas()));
            this._owner = Gio.bus_own_name(Gio.BusType.SESSION, OWN_NAME, Gio.BusNameOwnerFlags.NONE, null, null, null);
            this._watch = Gio.bus_watch_name(Gio.BusType.SESSION, HOST, Gio.BusNameWatcherFlags.NONE,
                guard('the host coming', (_connection, _name, owner) => this._hostCame(owner)),
                guard('the host going', () => this._hostWent()));
        }

        disable() {
            if (this._watch)
                Gio.bus_unwatch_name(this._watch);
            if (this._owner)
                Gio.bus_unown_name(this._owner);
            this._watch = this._owner = 0;
            this._hostWent();
            if (this._monitors)
                Main.layoutManager.disconnect(this._monitors);
            if (this._workAreas)
                global.display.disconnect(this._workAreas);
            this._monitors = this._workAreas = 0;
            if (this._groupAdded)
                Main.layoutManager._backgroundGroup.disconnect(this._groupAdded);
            this._groupAdded = 0;
            this._layer?.destroy();
            this._layer = null;
        }

        _hostCame(owner) {
            this._host = owner;
            this._sentAreas = null;
            this._subscription = session().signal_subscribe(owner, INTERFACE, 'Changed', PATH, null,
                Gio.DBusSignalFlags.NONE, guard('a change', (...args) => this._changed(args[5])));
            this.refresh();
        }

        _hostWent() {
            if (this._subscription)
                session().signal_unsubscribe(this._subscription);
            this._subscription = 0;
            if (this._pending)
                GLib.source_remove(this._pending);
            this._pending = 0;
            this._host = null;
            this._clear();
        }

        _clear() {
            for (const widget of this.widgets.values())
                widget.destroy();
            this.widgets.clear();
        }

        /** The host's Changed signal: when it lists widgets, only their pictures changed (a countdown's
         * seconds), and only those are fetched; anything else is a look at all the widgets. */
        _changed(parameters) {
            const pictures = parameters && parameters.get_type_string() === tupleType(interfaceInfo.lookup_signal('Changed').args) ? parameters.deepUnpack()[0] : [];
            const known = pictures.length > 0 && pictures.every(([number, serial]) =>
                this.widgets.has(number) && isCount(serial, 0, 0xffffffff));
            if (!known)
                return this._scheduleRefresh();
            for (const [number, serial] of pictures)
                this.widgets.get(number).pictureChanged(serial);
            return undefined;
        }

        /** Changes come in bursts (a countdown's text and picture): one look per burst. */
        _scheduleRefresh() {
            if (this._pending)
                return;
            this._pending = GLib.idle_add(GLib.PRIORITY_DEFAULT, guard('a change', () => {
                this._pending = 0;
                this.refresh();
                return GLib.SOURCE_REMOVE;
            }));
        }

        refresh() {
            if (!this._host || !this._layer)
                return;
            if (this._refreshing) {
                this._again = true;
                return;
            }
            this._refreshing = true;
            const finish = () => {
                this._refreshing = false;
                if (this._again) {
                    this._again = false;
                    this.refresh();
                }
            };
            call('Widgets', [], reply => {
                try {
                    this._show(reply.deepUnpack());
                } finally {
                    finish();
                }
            }, error => {
                finish();
                // A host that shows its widgets itself (another desktop surface) has no such object.
                if (!error.matches(Gio.DBusError, Gio.DBusError.UNKNOWN_METHOD) &&
                    !error.matches(Gio.DBusError, Gio.DBusError.UNKNOWN_OBJECT) &&
                    !error.matches(Gio.DBusError, Gio.DBusError.SERVICE_UNKNOWN))
                    logOnce('Widgets', `the host did not say which widgets to show: ${error.message}`);
                this._clear();
            });
        }

        /** Tells the host what the shell's panels leave of each output it knows, when that changed
         * (and whether it did). */
        _sendWorkAreas() {
            if (!this._host)
                return false;
            const layout = Main.layoutManager;
            const manager = global.backend?.get_monitor_manager?.();
            const areas = [];
            for (const output of this.outputs) {
                const index = manager ? manager.get_monitor_for_connector(output) : -1;
                const monitor = layout.monitors[index];
                if (!monitor)
                    continue;
                const work = layout.getWorkAreaForMonitor(index);
                const inset = value => Math.max(0, Math.round(value));
                areas.push([output, monitor.width, inset(work.x - monitor.x), inset(work.y - monitor.y),
                    inset(monitor.x + monitor.width - work.x - work.width),
                    inset(monitor.y + monitor.height - work.y - work.height)]);
            }
            const sent = JSON.stringify(areas);
            if (sent === this._sentAreas)
                return false;
            this._sentAreas = sent;
            // The host places the widgets anew within them: shown once it has.
            call('WorkAreas', [areas], () => this.refresh(),
                () => (this._sentAreas = null));
            return true;
        }

        _show([described, outputs]) {
            if (!this._layer)
                return;
            this.outputs = Array.isArray(outputs) ? outputs.filter(o => typeof o === 'string') : [];
            // Not where the widgets would be without the shell's panels, not even for a frame.
            if (this._sendWorkAreas())
                return;
            const seen = new Set();
            for (const entry of Array.isArray(described) ? described : []) {
                const widget = readWidget(entry);
                if (!widget) {
                    logOnce('malformed', 'the host described a widget that cannot be shown');
                    continue;
                }
                const monitor = monitorFor(widget.output);
                if (!monitor || seen.has(widget.number))
                    continue;
                seen.add(widget.number);
                let shown = this.widgets.get(widget.number);
                if (!shown) {
                    shown = new DesktopWidget(this, widget.number);
                    this.widgets.set(widget.number, shown);
                    this._layer.add_child(shown.actor);
                }
                shown.update(widget, monitor);
            }
            for (const [number, widget] of this.widgets) {
                if (!seen.has(number)) {
                    widget.destroy();
                    this.widgets.delete(number);
                }
            }
        }
    }

    return new Desktop();
}
