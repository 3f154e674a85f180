#!/usr/bin/env python3
"""A stand-in desktop settings portal for the runtime test.

Usage: settings_portal_stand_in.py COLOR_SCHEME

Owns org.freedesktop.portal.Desktop on the session bus and answers Read and ReadOne for
org.freedesktop.appearance color-scheme with COLOR_SCHEME (0 no preference, 1 dark, 2 light).
Each line read on stdin is a new colour scheme, announced with SettingChanged. Prints "ready"
once the name is owned; exits when stdin closes.
"""
import sys

from gi.repository import Gio, GLib

INTERFACE = """
<node><interface name="org.freedesktop.portal.Settings">
  <method name="Read">
    <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/>
  </method>
  <method name="ReadOne">
    <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/>
  </method>
  <signal name="SettingChanged"><arg type="s"/><arg type="s"/><arg type="v"/></signal>
  <property name="version" type="u" access="read"/>
</interface></node>
"""
PATH = "/org/freedesktop/portal/desktop"
NAME = "org.freedesktop.portal.Desktop"
SETTINGS = "org.freedesktop.portal.Settings"
APPEARANCE = ("org.freedesktop.appearance", "color-scheme")


def main():
    node = Gio.DBusNodeInfo.new_for_xml(INTERFACE)
    scheme = [int(sys.argv[1])]
    bus = [None]

    def on_call(connection, sender, path, interface, method, parameters, invocation):
        if tuple(parameters.unpack()) != APPEARANCE:
            invocation.return_dbus_error("org.freedesktop.portal.Error.NotFound", "no such key")
            return
        value = GLib.Variant("u", scheme[0])
        # Read answers the value wrapped once more than ReadOne does.
        if method == "Read":
            value = GLib.Variant("v", value)
        invocation.return_value(GLib.Variant("(v)", (value,)))

    def on_property(*_):
        return GLib.Variant("u", 2)

    def on_line(channel, condition):
        line = channel.readline()
        if not line:
            sys.exit(0)
        scheme[0] = int(line)
        bus[0].emit_signal(None, PATH, SETTINGS, "SettingChanged",
                           GLib.Variant("(ssv)", APPEARANCE + (GLib.Variant("u", scheme[0]),)))
        print("changed %d" % scheme[0], flush=True)
        return True

    def on_bus(connection, _):
        bus[0] = connection
        connection.register_object(PATH, node.interfaces[0], on_call, on_property, None)

    Gio.bus_own_name(Gio.BusType.SESSION, NAME, Gio.BusNameOwnerFlags.NONE, on_bus,
                     lambda *_: print("ready", flush=True), lambda *_: sys.exit(1))
    GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()), GLib.IO_IN | GLib.IO_HUP,
                      on_line)
    GLib.timeout_add_seconds(300, lambda: sys.exit(0))
    GLib.MainLoop().run()


if __name__ == "__main__":
    main()
