#!/usr/bin/python3
"""A stand-in for the desktop's notification server on a private session
bus: org.freedesktop.Notifications.Notify writes each call to the log file
given as the first argument (one JSON object a line) and answers an id, or,
with the second argument "refuse", answers an error as a broken server does."""
import json
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

NAME = "org.freedesktop.Notifications"
log_path = sys.argv[1]
refuse = len(sys.argv) > 2 and sys.argv[2] == "refuse"


class Server(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/org/freedesktop/Notifications")
        self.next_id = 1

    @dbus.service.method(NAME, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        with open(log_path, "a") as out:
            out.write(json.dumps({"app": str(app), "summary": str(summary), "body": str(body)}) + "\n")
        if refuse:
            raise dbus.exceptions.DBusException("out of order", name="org.example.Refused")
        self.next_id += 1
        return dbus.UInt32(self.next_id - 1)


DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
server = Server(bus)
name = dbus.service.BusName(NAME, bus)
GLib.MainLoop().run()
