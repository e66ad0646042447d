#!/usr/bin/python3
"""A stand-in for the desktop's shortcut and screenshot portals on a private
session bus.

Serves org.freedesktop.portal.GlobalShortcuts as the real portal does for a
client: CreateSession and BindShortcuts answer through Request objects, and
Activated is emitted when a line "activate ID" arrives on standard input.
org.freedesktop.portal.Screenshot answers with the file named by
$VELMO_STANDIN_SHOT as its uri, as a portal hands over the file it wrote.
Every call is written to the log file given as the first argument, one JSON
object a line. With the second argument "refuse" every request answers 2.
"""
import json
import os
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

IFACE = "org.freedesktop.portal.GlobalShortcuts"
SCREENSHOT = "org.freedesktop.portal.Screenshot"
REQUEST = "org.freedesktop.portal.Request"
PATH = "/org/freedesktop/portal/desktop"

log_path = sys.argv[1]
refuse = len(sys.argv) > 2 and sys.argv[2] == "refuse"


def log(entry):
    with open(log_path, "a") as out:
        out.write(json.dumps(entry) + "\n")


def plain(value):
    if isinstance(value, (dbus.Dictionary, dict)):
        return {str(k): plain(v) for k, v in value.items()}
    if isinstance(value, (dbus.Array, dbus.Struct, list, tuple)):
        return [plain(v) for v in value]
    if isinstance(value, dbus.Boolean):
        return bool(value)
    if isinstance(value, (dbus.Int32, dbus.UInt32, dbus.Int64, dbus.UInt64, dbus.Byte)):
        return int(value)
    return str(value)


class Request(dbus.service.Object):
    @dbus.service.signal(REQUEST, signature="ua{sv}")
    def Response(self, code, results):
        pass


class Portal(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, PATH)
        self.bus = bus
        self.requests = []
        self.session = None

    def answer(self, sender, token, results):
        path = "%s/request/%s/%s" % (PATH, sender[1:].replace(".", "_"), token)
        request = Request(self.bus, path)
        self.requests.append(request)
        code = 2 if refuse else 0
        # The answer comes after the method's reply, as from a real portal.
        GLib.timeout_add(20, lambda: (request.Response(dbus.UInt32(code), dbus.Dictionary(results, signature="sv")), False)[1])
        return dbus.ObjectPath(path)

    @dbus.service.method(IFACE, in_signature="a{sv}", out_signature="o", sender_keyword="sender")
    def CreateSession(self, options, sender=None):
        log({"call": "CreateSession", "options": plain(options)})
        token = str(options.get("session_handle_token", "s"))
        self.session = "%s/session/%s/%s" % (PATH, sender[1:].replace(".", "_"), token)
        return self.answer(sender, str(options["handle_token"]), {"session_handle": self.session})

    @dbus.service.method(IFACE, in_signature="oa(sa{sv})sa{sv}", out_signature="o", sender_keyword="sender")
    def BindShortcuts(self, session, shortcuts, parent, options, sender=None):
        log({"call": "BindShortcuts", "session": str(session), "shortcuts": plain(shortcuts)})
        return self.answer(sender, str(options["handle_token"]), {"shortcuts": shortcuts})

    @dbus.service.method(SCREENSHOT, in_signature="sa{sv}", out_signature="o", sender_keyword="sender")
    def Screenshot(self, parent, options, sender=None):
        log({"call": "Screenshot", "options": plain(options)})
        uri = "file://" + os.environ.get("VELMO_STANDIN_SHOT", "/nonexistent.png")
        return self.answer(sender, str(options["handle_token"]), {"uri": uri})

    @dbus.service.signal(IFACE, signature="osta{sv}")
    def Activated(self, session, shortcut_id, timestamp, options):
        pass

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return dbus.UInt32(1)


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    portal = Portal(bus)
    # A call to a missing portal makes the bus start the real one, which
    # gives its name up to a replacement: take it over, or fail loudly.
    name = dbus.service.BusName("org.freedesktop.portal.Desktop", bus, replace_existing=True, do_not_queue=True)

    pending = b""

    def on_input(source, condition):
        nonlocal pending
        chunk = os.read(sys.stdin.fileno(), 4096)
        if not chunk:
            loop.quit()
            return False
        pending += chunk
        *lines, pending = pending.split(b"\n")
        for line in lines:
            words = line.decode().split()
            if len(words) == 2 and words[0] == "activate" and portal.session:
                portal.Activated(dbus.ObjectPath(portal.session), words[1], dbus.UInt64(0),
                                 dbus.Dictionary({}, signature="sv"))
        return True

    loop = GLib.MainLoop()
    GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, on_input)
    print("ready", flush=True)
    loop.run()
    del name


main()
