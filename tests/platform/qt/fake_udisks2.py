#!/usr/bin/python3
"""A stand-in for UDisks2 on a private bus, for the eject tests.

Usage: fake_udisks2.py ADDRESS LOG SPEC...
Each SPEC is MOUNTPOINT:KIND:OUTCOME with KIND "removable" or "fixed" and
OUTCOME "ok", "busy" (Unmount fails) or "stuck" (Eject fails). Every method
call is appended to LOG as one line ("Unmount sdb1", "Eject drive1"); the
line "ready" is written once the name is owned.
"""
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

ROOT = "/org/freedesktop/UDisks2"
FS = "org.freedesktop.UDisks2.Filesystem"
BLOCK = "org.freedesktop.UDisks2.Block"
DRIVE = "org.freedesktop.UDisks2.Drive"


def log(line):
    with open(sys.argv[2], "a") as f:
        f.write(line + "\n")


class Device(dbus.service.Object):
    """A block device or a drive: either answers both calls, as each is asked only its own."""

    def __init__(self, bus, folder, name, outcome):
        super().__init__(bus, ROOT + folder + name)
        self.name, self.outcome = name, outcome

    @dbus.service.method(FS, in_signature="a{sv}")
    def Unmount(self, options):
        log("Unmount " + self.name)
        if self.outcome == "busy":
            raise dbus.exceptions.DBusException("target is busy", name="org.freedesktop.UDisks2.Error.DeviceBusy")

    @dbus.service.method(DRIVE, in_signature="a{sv}")
    def Eject(self, options):
        log("Eject " + self.name)
        if self.outcome == "stuck":
            raise dbus.exceptions.DBusException("eject failed", name="org.freedesktop.UDisks2.Error.Failed")


class Manager(dbus.service.Object):
    def __init__(self, bus, objects):
        super().__init__(bus, ROOT)
        self.objects = objects

    @dbus.service.method("org.freedesktop.DBus.ObjectManager", out_signature="a{oa{sa{sv}}}")
    def GetManagedObjects(self):
        log("GetManagedObjects")
        return self.objects


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.bus.BusConnection(sys.argv[1])
    keep, objects = [], dbus.Dictionary({}, signature="oa{sa{sv}}")
    for i, spec in enumerate(sys.argv[3:]):
        point, kind, outcome = spec.rsplit(":", 2)
        block, drive = "sd%s1" % chr(ord("b") + i), "drive%d" % i
        keep += [Device(bus, "/block_devices/", block, outcome), Device(bus, "/drives/", drive, outcome)]
        objects[dbus.ObjectPath(ROOT + "/block_devices/" + block)] = {
            BLOCK: {"Drive": dbus.ObjectPath(ROOT + "/drives/" + drive)},
            FS: {"MountPoints": dbus.Array([dbus.ByteArray(point.encode() + b"\0")], signature="ay")},
        }
        removable = kind == "removable"
        objects[dbus.ObjectPath(ROOT + "/drives/" + drive)] = {
            DRIVE: {"Removable": dbus.Boolean(removable), "MediaRemovable": dbus.Boolean(removable),
                    "Ejectable": dbus.Boolean(removable), "CanPowerOff": dbus.Boolean(removable)},
        }
    keep.append(Manager(bus, objects))
    bus.request_name("org.freedesktop.UDisks2")
    log("ready")
    GLib.MainLoop().run()


main()
