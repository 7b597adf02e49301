#!/usr/bin/env python3
# A stand-in for a panel's StatusNotifierWatcher with its host on a private session bus; prints
# "registered <service>" for every item that registers. QtDBus reads the properties through
# Introspect, so that is answered too.
import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

NAME = 'org.kde.StatusNotifierWatcher'
XML = '''<node><interface name="%s">
<method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
<method name="RegisterStatusNotifierHost"><arg type="s" direction="in"/></method>
<property name="RegisteredStatusNotifierItems" type="as" access="read"/>
<property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
<property name="ProtocolVersion" type="i" access="read"/>
<signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
<signal name="StatusNotifierHostRegistered"/>
</interface></node>''' % NAME


class Watcher(dbus.service.Object):
    items = []

    @dbus.service.method(dbus.INTROSPECTABLE_IFACE, out_signature='s')
    def Introspect(self):
        return XML

    @dbus.service.method(NAME, in_signature='s', sender_keyword='sender')
    def RegisterStatusNotifierItem(self, service, sender):
        self.items.append(service if service.startswith(':') else sender)
        print('registered', service, flush=True)

    @dbus.service.method(NAME, in_signature='s')
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature='ss', out_signature='v')
    def Get(self, interface, prop):
        return self.GetAll(interface)[prop]

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature='s', out_signature='a{sv}')
    def GetAll(self, interface):
        return {'RegisteredStatusNotifierItems': dbus.Array(self.items, signature='s'),
                'IsStatusNotifierHostRegistered': True, 'ProtocolVersion': dbus.Int32(0)}


if __name__ == '__main__':
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    watcher = Watcher(bus, '/StatusNotifierWatcher')
    name = dbus.service.BusName(NAME, bus)
    GLib.MainLoop().run()
