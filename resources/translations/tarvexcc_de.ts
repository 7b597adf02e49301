<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Default</name>
    <message>
        <source>(None)</source>
        <translation>(Keine)</translation>
    </message>
</context>
<context>
    <name>Translation</name>
    <message>
        <source>(no permission)</source>
        <translation>(keine Berechtigung)</translation>
    </message>
    <message>
        <source>Firmware Upgrade</source>
        <translation>Firmware-Aktualisierung</translation>
    </message>
    <message>
        <source>Firmware Upgrade finished</source>
        <translation>Firmware-Aktualisierung abgeschlossen</translation>
    </message>
    <message>
        <source>Firmware Upgrade failed: the switch did not answer</source>
        <translation>Firmware-Aktualisierung fehlgeschlagen: Der Umschalter hat nicht geantwortet</translation>
    </message>
    <message>
        <source>Firmware Upgrade…</source>
        <translation>Firmware-Aktualisierung …</translation>
    </message>
    <message>
        <source>Firmware is up-to-date</source>
        <translation>Die Firmware ist aktuell</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Launch at Login</source>
        <translation>Beim Anmelden starten</translation>
    </message>
    <message>
        <source>Launch at Login could not be changed:
%1</source>
        <translation>„Beim Anmelden starten“ konnte nicht geändert werden:
%1</translation>
    </message>
    <message>
        <source>Menu</source>
        <translation>Menü</translation>
    </message>
    <message>
        <source>New Firmware available</source>
        <translation>Neue Firmware %@ verfügbar. Jetzt aktualisieren?</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Nein</translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation>Nicht verbunden</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Port 1</source>
        <translation>Anschluss 1</translation>
    </message>
    <message>
        <source>Port 2</source>
        <translation>Anschluss 2</translation>
    </message>
    <message>
        <source>Port 3</source>
        <translation>Anschluss 3</translation>
    </message>
    <message>
        <source>Port 4</source>
        <translation>Anschluss 4</translation>
    </message>
    <message>
        <source>Preferences…</source>
        <translation>Einstellungen …</translation>
    </message>
    <message>
        <source>Print Help</source>
        <translation>Hilfe drucken</translation>
    </message>
    <message>
        <source>Quit Tarvex CC</source>
        <translation>Tarvex CC beenden</translation>
    </message>
    <message>
        <source>Rotate</source>
        <translation>Rotieren</translation>
    </message>
    <message>
        <source>Select</source>
        <translation>Auswählen</translation>
    </message>
    <message>
        <source>Switch</source>
        <translation>Umschalter</translation>
    </message>
    <message>
        <source>Tarvex CC is running.
No system tray is available.</source>
        <translation>Tarvex CC läuft.
Es ist kein Systemabschnitt der Kontrollleiste verfügbar.</translation>
    </message>
    <message>
        <source>Tarvex CC may not open the switch %1 (device %2).

Install the udev rule that gives you access to Tarvex switches:
    sudo scripts/install-udev-rule
(or install the tarvexcc package), then unplug the switch and plug it in again.</source>
        <translation>Tarvex CC darf den Umschalter %1 (Gerät %2) nicht öffnen.

Installieren Sie die udev-Regel, die Ihnen Zugriff auf Tarvex-Umschalter gibt:
    sudo scripts/install-udev-rule
(oder installieren Sie das Paket tarvexcc) und stecken Sie den Umschalter danach aus und wieder ein.</translation>
    </message>
    <message>
        <source>The choice of switch could not be saved:
%1</source>
        <translation>Die Wahl des Umschalters konnte nicht gespeichert werden:
%1</translation>
    </message>
    <message>
        <source>The help document is missing from this installation.</source>
        <translation>Das Hilfedokument fehlt in dieser Installation.</translation>
    </message>
    <message>
        <source>The time interval could not be saved:
%1</source>
        <translation>Das Zeitintervall konnte nicht gespeichert werden:
%1</translation>
    </message>
    <message>
        <source>This desktop offers no system tray, so Tarvex CC shows its menu in a small window instead. To get the tray icon, enable a system tray or status notifier area (on GNOME: the AppIndicator extension).</source>
        <translation>Diese Arbeitsumgebung bietet keinen Systemabschnitt der Kontrollleiste; Tarvex CC zeigt sein Menü deshalb in einem kleinen Fenster. Für das Symbol in der Leiste aktivieren Sie einen Systemabschnitt oder Statusbereich (unter GNOME: die Erweiterung AppIndicator).</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>The firmware image is damaged. Nothing was written to the switch.</source>
        <translation>Das Firmware-Abbild ist beschädigt. Es wurde nichts in den Umschalter geschrieben.</translation>
    </message>
    <message>
        <source>%1 — not active: %2</source>
        <translation>%1 – nicht aktiv: %2</translation>
    </message>
    <message>
        <source>The hot key could not be registered.</source>
        <translation>Das Tastenkürzel konnte nicht registriert werden.</translation>
    </message>
    <message>
        <source>Another application already uses this key combination.</source>
        <translation>Ein anderes Programm verwendet diese Tastenkombination bereits.</translation>
    </message>
    <message>
        <source>Another hot key already uses this key combination.</source>
        <translation>Ein anderes Tastenkürzel verwendet diese Tastenkombination bereits.</translation>
    </message>
    <message>
        <source>Global hot keys are not available in this session.</source>
        <translation>Globale Tastenkürzel sind in dieser Sitzung nicht verfügbar.</translation>
    </message>
    <message>
        <source>This key cannot be used as a hot key.</source>
        <translation>Diese Taste kann nicht als Tastenkürzel verwendet werden.</translation>
    </message>
    <message>
        <source>The hot key could not be registered (error %1).</source>
        <translation>Das Tastenkürzel konnte nicht registriert werden (Fehler %1).</translation>
    </message>
</context>
<context>
    <name>ConfigWindow</name>
    <message>
        <source> s</source>
        <translation> s</translation>
    </message>
    <message>
        <source>Change…</source>
        <translation>Ändern …</translation>
    </message>
    <message>
        <source>Hot Keys</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>How long the rotation shows each computer. A change applies from the next start of the rotation.</source>
        <translation>So lange zeigt die Rotation jeden Computer. Eine Änderung gilt ab dem nächsten Start der Rotation.</translation>
    </message>
    <message>
        <source>Launch at Login</source>
        <translation>Beim Anmelden starten</translation>
    </message>
    <message>
        <source>Port 1:</source>
        <translation>Anschluss 1:</translation>
    </message>
    <message>
        <source>Port 2:</source>
        <translation>Anschluss 2:</translation>
    </message>
    <message>
        <source>Port 3:</source>
        <translation>Anschluss 3:</translation>
    </message>
    <message>
        <source>Port 4:</source>
        <translation>Anschluss 4:</translation>
    </message>
    <message>
        <source>Rotate:</source>
        <translation>Rotieren:</translation>
    </message>
    <message>
        <source>Rotation</source>
        <translation>Rotation</translation>
    </message>
    <message>
        <source>Tarvex CC Preferences</source>
        <translation>Tarvex CC – Einstellungen</translation>
    </message>
    <message>
        <source>Time Interval:</source>
        <translation>Zeitintervall:</translation>
    </message>
</context>
<context>
    <name>FirmwareWindow</name>
    <message>
        <source>Check for Update…</source>
        <translation>Nach Aktualisierung suchen …</translation>
    </message>
    <message>
        <source>Check the maker&apos;s server for a newer firmware.</source>
        <translation>Beim Server des Herstellers nach neuerer Firmware fragen.</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Firmware Upgrade</source>
        <translation>Firmware-Aktualisierung</translation>
    </message>
    <message>
        <source>Firmware version:</source>
        <translation>Firmware-Version:</translation>
    </message>
    <message>
        <source>Firmware:</source>
        <translation>Firmware:</translation>
    </message>
    <message>
        <source>Upgrade</source>
        <translation>Aktualisieren</translation>
    </message>
</context>
<context>
    <name>HelpWindow</name>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Print…</source>
        <translation>Drucken …</translation>
    </message>
    <message>
        <source>Tarvex CC Help</source>
        <translation>Tarvex CC – Hilfe</translation>
    </message>
</context>
<context>
    <name>PTKeyComboPanel</name>
    <message>
        <source>Hot Key</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>Press the new key combination for “%@”.</source>
        <translation>Drücken Sie die neue Tastenkombination für „%@“.</translation>
    </message>
    <message>
        <source>Press a key combination while this field has the focus.</source>
        <translation>Drücken Sie eine Tastenkombination, während dieses Feld den Fokus hat.</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
</TS>
