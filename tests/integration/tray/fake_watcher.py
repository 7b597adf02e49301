#!/usr/bin/env python3
# A stand-in for a panel's StatusNotifierWatcher with its host on a private session bus; prints
# "registered <service>" for every item that registers. QtDBus reads the properties through
# Introspect, so that is answered too.
import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

NAME = 'org.kde.StatusNotifierWatcher'
PROPERTIES = {'RegisteredStatusNotifierItems': dbus.Array([], signature='s'),
              'IsStatusNotifierHostRegistered': True, 'ProtocolVersion': dbus.Int32(0)}
XML = '''<node><interface name="%s">
<method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
<property name="RegisteredStatusNotifierItems" type="as" access="read"/>
<property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
<property name="ProtocolVersion" type="i" access="read"/>
<signal name="StatusNotifierHostRegistered"/>
</interface></node>''' % NAME


class Watcher(dbus.service.Object):
    @dbus.service.method(dbus.INTROSPECTABLE_IFACE, out_signature='s')
    def Introspect(self):
        return XML

    @dbus.service.method(NAME, in_signature='s')
    def RegisterStatusNotifierItem(self, service):
        print('registered', service, flush=True)

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature='ss', out_signature='v')
    def Get(self, interface, prop):
        return PROPERTIES[prop]


if __name__ == '__main__':
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    watcher = Watcher(bus, '/StatusNotifierWatcher')
    name = dbus.service.BusName(NAME, bus)
    GLib.MainLoop().run()
