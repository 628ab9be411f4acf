// GNOME Shell 43 and 44 load an extension as a legacy module; the widgets' code is desktop.js, which the
// ES module of GNOME Shell 45 and later wraps too.
/* exported init */

const ExtensionUtils = imports.misc.extensionUtils;
const {Atk, Clutter, Cogl, Gio, GLib, St} = imports.gi;
const Main = imports.ui.main;
const PopupMenu = imports.ui.popupMenu;
const BoxPointer = imports.ui.boxpointer;

function init() {
    const extension = ExtensionUtils.getCurrentExtension();
    return extension.imports.desktop.tallyfoxDesktop({
        Atk, Clutter, Cogl, Gio, GLib, St, Main, PopupMenu, BoxPointer,
        log: text => log(text),
        path: extension.path,
    });
}
