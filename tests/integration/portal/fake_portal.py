#!/usr/bin/env python3
# A stand-in for the desktop portal's global shortcuts on a private session bus: records every
# call, answers as configured; the test plays the desktop through Control(). It behaves as KDE
# 5.27 does (keys described in its words, keypad keys as the main row's, no Deactivated for an
# invoked shortcut, a restarted frontend whose backend still holds the old session) or, with
# mode gnome, as GNOME 48 (code 2 for Add and Cancel alike, descriptions "Press <Control>1").
# Usage: VERSION
import re
import sys

import dbus
import dbus.lowlevel
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

NAME, PATH, GS = 'org.freedesktop.portal.Desktop', '/org/freedesktop/portal/desktop', \
    'org.freedesktop.portal.GlobalShortcuts'


def kde_words(trigger):
    words = {'LOGO': 'Meta', 'CTRL': 'Ctrl', 'ALT': 'Alt', 'SHIFT': 'Shift', 'KP_Add': '+'}
    return re.sub(r'KP_(\d)', r'\1', '+'.join(words.get(w, w) for w in trigger.split('+')))


def gnome_words(trigger):
    *mods, key = trigger.split('+')
    words = {'LOGO': 'Super', 'CTRL': 'Control', 'ALT': 'Alt', 'SHIFT': 'Shift'}
    return 'Press ' + ''.join('<%s>' % words[m] for m in mods) + key


def listing(triggers):
    return dbus.Array([(i, {'trigger_description': t}) for i, t in triggers.items()], signature='(sa{sv})')


class Portal(dbus.service.FallbackObject):  # sessions' paths below the portal's too
    def __init__(self, bus, version):
        super().__init__(bus, PATH)
        self.bus, self.version, self.name = bus, version, dbus.service.BusName(NAME, bus)
        self.calls, self.mode, self.bound, self.session, self.stale, self.later = [], {}, {}, None, None, None
        self.backend = dbus.service.BusName('org.freedesktop.impl.portal.desktop.kde', bus)

    def signal(self, path, interface, name, signature, *args):
        message = dbus.lowlevel.SignalMessage(path, interface, name)
        message.append(*args, signature=signature)
        self.bus.send_message(message)

    def answer(self, sender, options, results, call, code=0):
        self.calls.append(call)
        method = call.split()[0]
        path = '%s/request/%s/%s' % (PATH, sender[1:].replace('.', '_'), options['handle_token'])
        code = int(self.mode.get('refuse', {}).get(method, code))
        emit = lambda: self.signal(path, 'org.freedesktop.portal.Request', 'Response', 'ua{sv}', code,
                                   results if code == 0 or self.mode.get('gnome') else {})
        if self.mode.get('own_path'):  # a path of its own choosing, answered (again and again) later
            path = '%s/request/own/%d' % (PATH, len(self.calls))
            for ms in (50, 500, 2000, 8000):
                GLib.timeout_add(ms, emit)
        elif method == self.mode.get('silent'):  # silent: answered only when the test says
            self.later = emit
        else:
            emit() if self.mode.get('early') else GLib.idle_add(emit)  # early: before the reply
        return dbus.ObjectPath(path)

    @dbus.service.method('org.freedesktop.impl.portal.Session', rel_path_keyword='path')
    def Close(self, path):
        self.calls.append('backend Close')
        if PATH + path == self.stale:
            self.stale = None

    @dbus.service.method('org.freedesktop.host.portal.Registry', in_signature='sa{sv}')
    def Register(self, app_id, options):
        self.calls.append('Register ' + app_id)
        if 'registry' in self.mode:
            raise dbus.DBusException(self.mode['registry'], name='org.freedesktop.portal.Error.Failed')

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature='ss', out_signature='v',
                         async_callbacks=('reply', 'error'))
    def Get(self, interface, prop, reply, error):
        if self.mode.get('silent') != 'Get':  # a portal still coming up answers nothing yet
            reply(dbus.UInt32(self.version))

    @dbus.service.method(GS, in_signature='a{sv}', out_signature='o', sender_keyword='sender')
    def CreateSession(self, options, sender):
        self.session = PATH + '/session/' + sender[1:].replace('.', '_') + '/' + options['session_handle_token']
        return self.answer(sender, options, {'session_handle': self.session}, 'CreateSession %s %s' % (
            options['session_handle_token'], ','.join(s[0] for s in options['shortcuts'])),
            2 if self.session == self.stale else 0)

    @dbus.service.method(GS, in_signature='oa{sv}', out_signature='o', sender_keyword='sender')
    def ListShortcuts(self, session, options, sender):
        return self.answer(sender, options, {'shortcuts': listing(self.bound)}, 'ListShortcuts')

    @dbus.service.method(GS, in_signature='oa(sa{sv})sa{sv}', out_signature='o', sender_keyword='sender')
    def BindShortcuts(self, session, shortcuts, parent, options, sender):
        gnome = self.mode.get('gnome')
        granted = {i: (gnome_words if gnome else kde_words)(p['preferred_trigger']) for i, p in shortcuts
                   if i in self.mode.get('grant', [i]) and not self.mode.get('cancel')}
        if 'BindShortcuts' not in self.mode.get('refuse', {}):
            self.bound.update(granted)
        results = {'shortcuts': listing(granted)} if granted or not gnome else {}
        return self.answer(sender, options, results, 'BindShortcuts ' + ' '.join(
            '%s=%s:%s' % (i, p['description'], p['preferred_trigger']) for i, p in shortcuts), 2 if gnome else 0)

    @dbus.service.method(GS, in_signature='osa{sv}')
    def ConfigureShortcuts(self, session, parent, options):
        self.calls.append('ConfigureShortcuts')

    # mode: {early, grant [ids], refuse {method: code}, silent method, bound {id: trigger}, gnome,
    # cancel (GNOME's dialog), registry (Register's error), kde_keys {id: [keys kglobalaccel holds]}}
    @dbus.service.method('cc.tarvex.FakePortal', in_signature='a{sv}', out_signature='as')
    def Control(self, request):
        action, shortcut = request.get('action'), request.get('id')
        if action == 'configure':
            self.mode = request
            self.bound.update(request.get('bound', {}))  # what the desktop kept from a last run
        elif action == 'answer':
            self.later()
        elif action in ('press', 'release'):
            self.signal(PATH, GS, 'Activated' if action == 'press' else 'Deactivated', 'osta{sv}',
                        self.session, shortcut, 0, {})
        elif action == 'change':
            self.bound[shortcut] = request['trigger']
            self.signal(PATH, GS, 'ShortcutsChanged', 'oa(sa{sv})', self.session, listing({shortcut: request['trigger']}))
        elif action == 'close':
            self.signal(self.session, 'org.freedesktop.portal.Session', 'Closed', 'a{sv}', {})
        elif action == 'restart':  # the backend keeps the session until it is closed
            self.stale, self.name = self.session, None  # releases the name; the bus announces the new owner
            self.name = dbus.service.BusName(NAME, self.bus)
        return self.calls


class Accel(dbus.service.Object):  # KDE's kglobalaccel: the keys it really assigned
    SUPPORTS_MULTIPLE_OBJECT_PATHS = True
    def __init__(self, bus, portal):
        super().__init__(bus, '/component/tarvexcc')
        self.add_to_connection(bus, '/kglobalaccel')
        self.portal, self.name = portal, dbus.service.BusName('org.kde.kglobalaccel', bus)

    @dbus.service.method('org.kde.kglobalaccel.Component', out_signature='a(ssssssaiai)')
    def allShortcutInfos(self):
        return [(i, i.upper(), 'tarvexcc', 'tarvexcc', '', '', dbus.Array(keys, signature='i'),
                 dbus.Array([], signature='i')) for i, keys in self.portal.mode.get('kde_keys', {}).items()]

    @dbus.service.method('org.kde.KGlobalAccel', in_signature='as')
    def doRegister(self, action):
        self.portal.calls.append('doRegister ' + ','.join(action))


if __name__ == '__main__':
    DBusGMainLoop(set_as_default=True)
    portal = Portal(dbus.SessionBus(), int(sys.argv[1]))
    accel = Accel(dbus.SessionBus(), portal)
    GLib.MainLoop().run()
