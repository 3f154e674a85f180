#!/usr/bin/env python3
"""A stand-in desktop notification service for the runtime test.

Usage: notification_service_stand_in.py LOG_FILE

Owns org.freedesktop.Notifications on the session bus, appends each call to LOG_FILE
("notify ID APP|ICON|TITLE|BODY", "close ID"), and clicks (ActionInvoked "default") every
notification whose body is "click me". Prints "ready" once the name is owned.
"""
import sys

from gi.repository import Gio, GLib

INTERFACE = """
<node><interface name="org.freedesktop.Notifications">
  <method name="Notify">
    <arg type="s" direction="in"/><arg type="u" direction="in"/><arg type="s" direction="in"/>
    <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="as" direction="in"/>
    <arg type="a{sv}" direction="in"/><arg type="i" direction="in"/>
    <arg type="u" direction="out"/>
  </method>
  <method name="CloseNotification"><arg type="u" direction="in"/></method>
  <method name="GetCapabilities"><arg type="as" direction="out"/></method>
  <signal name="ActionInvoked"><arg type="u"/><arg type="s"/></signal>
  <signal name="NotificationClosed"><arg type="u"/><arg type="u"/></signal>
</interface></node>
"""
PATH = "/org/freedesktop/Notifications"
NAME = "org.freedesktop.Notifications"


def main():
    log = open(sys.argv[1], "a", encoding="utf-8", buffering=1)
    node = Gio.DBusNodeInfo.new_for_xml(INTERFACE)
    last_id = [0]

    def emit(connection, signal, parameters):
        connection.emit_signal(None, PATH, NAME, signal, parameters)

    def on_call(connection, sender, path, interface, method, parameters, invocation):
        if method == "Notify":
            app, _, icon, title, body = parameters.unpack()[:5]
            last_id[0] += 1
            log.write("notify %d %s|%s|%s|%s\n" % (last_id[0], app, icon, title, body))
            invocation.return_value(GLib.Variant("(u)", (last_id[0],)))
            if body == "click me":
                emit(connection, "ActionInvoked", GLib.Variant("(us)", (last_id[0], "default")))
        elif method == "CloseNotification":
            (notification_id,) = parameters.unpack()
            log.write("close %d\n" % notification_id)
            invocation.return_value(None)
            emit(connection, "NotificationClosed", GLib.Variant("(uu)", (notification_id, 3)))
        else:
            invocation.return_value(GLib.Variant("(as)", (["actions", "body"],)))

    def on_bus(connection, _):
        connection.register_object(PATH, node.interfaces[0], on_call, None, None)

    Gio.bus_own_name(Gio.BusType.SESSION, NAME, Gio.BusNameOwnerFlags.NONE, on_bus,
                     lambda *_: print("ready", flush=True), lambda *_: sys.exit(1))
    GLib.timeout_add_seconds(300, lambda: sys.exit(0))
    GLib.MainLoop().run()


if __name__ == "__main__":
    main()
