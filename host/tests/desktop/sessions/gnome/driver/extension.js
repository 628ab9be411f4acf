/* The desktop tests' driver inside a headless GNOME Shell (the harness's GnomeShell session, ../session.py).
 *
 * On enable it puts the shell in unsafe mode, so that org.gnome.Shell.Eval runs the tests' JavaScript,
 * leaves the overview the shell starts in, and makes a virtual pointer: headless mutter has no input
 * device. The tests reach it through Eval as `globalThis.tallyfoxDriver`. */
'use strict';

const { Clutter, GLib } = imports.gi;
const Main = imports.ui.main;

class Driver {
    enable() {
        global.context.unsafe_mode = true;
        const seat = Clutter.get_default_backend().get_default_seat();
        this._pointer = seat.create_virtual_device(Clutter.InputDeviceType.POINTER_DEVICE);
        if (Main.layoutManager._startingUp) {
            this._startup = Main.layoutManager.connect('startup-complete', () => {
                Main.layoutManager.disconnect(this._startup);
                this._startup = 0;
                Main.overview.hide();
            });
        } else {
            Main.overview.hide();
        }
        globalThis.tallyfoxDriver = this;
    }

    disable() {
        if (this._startup)
            Main.layoutManager.disconnect(this._startup);
        this._startup = 0;
        this._pointer = null;
        delete globalThis.tallyfoxDriver;
    }

    // Whether the shell is up for a test: started, out of the overview.
    get ready() {
        return !Main.layoutManager._startingUp && !Main.overview.visible && !Main.overview.animationInProgress;
    }

    move(x, y) {
        this._pointer.notify_absolute_motion(GLib.get_monotonic_time(), x, y);
    }

    // Mutter 43's virtual devices take Clutter's (X's) button numbers, 1 left, 2 middle, 3 right,
    // and turn them into evdev codes themselves (an evdev code given here comes out as another).
    press(button) {
        this._pointer.notify_button(GLib.get_monotonic_time(), button, Clutter.ButtonState.PRESSED);
    }

    release(button) {
        this._pointer.notify_button(GLib.get_monotonic_time(), button, Clutter.ButtonState.RELEASED);
    }
}

function init() {
    return new Driver();
}
