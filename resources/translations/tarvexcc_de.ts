<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
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
    <message>
        <source>Port Names</source>
        <translation>Anschlussnamen</translation>
    </message>
    <message>
        <source>No name</source>
        <translation>Kein Name</translation>
    </message>
</context>
<context>
    <name>Default</name>
    <message>
        <source>(None)</source>
        <translation>(Keine)</translation>
    </message>
</context>
<context>
    <name>FirmwareWindow</name>
    <message>
        <source>Firmware Upgrade</source>
        <translation>Firmware-Aktualisierung</translation>
    </message>
    <message>
        <source>Transfer progress</source>
        <translation>Übertragungsfortschritt</translation>
    </message>
    <message>
        <source>&amp;Check for Update…</source>
        <translation>Nach &amp;Aktualisierung suchen …</translation>
    </message>
    <message>
        <source>C&amp;lose</source>
        <translation>&amp;Schließen</translation>
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
        <source>Press a key combination while this field has the focus.</source>
        <translation>Drücken Sie eine Tastenkombination, während dieses Feld den Fokus hat.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Press the new &amp;key combination for “%@”.</source>
        <translation>Drücken Sie die neue &amp;Tastenkombination für „%@“.</translation>
    </message>
    <message>
        <source>Key combination</source>
        <translation>Tastenkombination</translation>
    </message>
    <message>
        <source>Press the new key combination. Escape cancels, Backspace clears, Return accepts.</source>
        <translation>Drücken Sie die neue Tastenkombination. Esc bricht ab, Rücktaste löscht, Eingabe übernimmt.</translation>
    </message>
    <message>
        <source>C&amp;lear</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <source>Clear the hot key</source>
        <translation>Tastenkürzel löschen</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
</context>
<context>
    <name>PortNames</name>
    <message>
        <source>a port name has at most %1 characters</source>
        <translation>ein Anschlussname hat höchstens %1 Zeichen</translation>
    </message>
    <message>
        <source>a port name cannot hold control characters</source>
        <translation>ein Anschlussname darf keine Steuerzeichen enthalten</translation>
    </message>
    <message>
        <source>a port name cannot be a number</source>
        <translation>ein Anschlussname darf keine Zahl sein</translation>
    </message>
    <message>
        <source>there is no port %1</source>
        <translation>es gibt keinen Anschluss %1</translation>
    </message>
    <message>
        <source>the stored &quot;%1&quot; of %2 is not a list of names; correct or remove it in %3</source>
        <translation>der gespeicherte Eintrag „%1“ von %2 ist keine Liste von Namen; korrigieren oder entfernen Sie ihn in %3</translation>
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
    <message>
        <source>Check the maker&apos;s server for a newer firmware.</source>
        <translation>Auf dem Server des Herstellers nach neuerer Firmware suchen.</translation>
    </message>
    <message>
        <source>%1 %2, firmware version unknown</source>
        <translation>%1 %2, Firmware-Version unbekannt</translation>
    </message>
    <message>
        <source>%1 %2, firmware %3</source>
        <translation>%1 %2, Firmware %3</translation>
    </message>
    <message>
        <source>Asking the maker&apos;s server…</source>
        <translation>Server des Herstellers wird gefragt …</translation>
    </message>
    <message>
        <source>The firmware check failed: %1.</source>
        <translation>Die Firmware-Prüfung ist fehlgeschlagen: %1.</translation>
    </message>
    <message>
        <source>New firmware is available for %1. Write it now? Do not unplug the switch while it is written.</source>
        <translation>Für %1 ist neue Firmware verfügbar. Jetzt schreiben? Trennen Sie den Umschalter nicht, während sie geschrieben wird.</translation>
    </message>
    <message>
        <source>Firmware %1 is available for %2. Write it now? Do not unplug the switch while it is written.</source>
        <translation>Firmware %1 ist für %2 verfügbar. Jetzt schreiben? Trennen Sie den Umschalter nicht, während sie geschrieben wird.</translation>
    </message>
    <message>
        <source>Writing firmware — do not unplug the switch</source>
        <translation>Firmware wird geschrieben — Umschalter nicht trennen</translation>
    </message>
    <message>
        <source>Firmware Upgrade failed: the switch refused a record (status %1)</source>
        <translation>Firmware-Aktualisierung fehlgeschlagen: Der Umschalter hat einen Datensatz abgelehnt (Status %1)</translation>
    </message>
    <message>
        <source>The hot key could not be saved:
%1</source>
        <translation>Das Tastenkürzel konnte nicht gespeichert werden:
%1</translation>
    </message>
    <message>
        <source>(busy)</source>
        <translation>(belegt)</translation>
    </message>
    <message>
        <source>Choose a switch</source>
        <translation>Umschalter wählen</translation>
    </message>
    <message>
        <source>Rotate (every %1 s)</source>
        <translation>Rotieren (alle %1 s)</translation>
    </message>
    <message>
        <source>No switch connected</source>
        <translation>Kein Umschalter angeschlossen</translation>
    </message>
    <message>
        <source>The port name could not be saved:
%1</source>
        <translation>Der Anschlussname konnte nicht gespeichert werden:
%1</translation>
    </message>
    <message>
        <source>the answer is larger than %1 MiB</source>
        <translation>die Antwort ist größer als %1 MiB</translation>
    </message>
    <message>
        <source>not a usable check address: %1</source>
        <translation>keine verwendbare Prüfadresse: %1</translation>
    </message>
    <message>
        <source>a check is already running</source>
        <translation>eine Prüfung läuft bereits</translation>
    </message>
    <message>
        <source>the server answered %1</source>
        <translation>der Server antwortete %1</translation>
    </message>
    <message>
        <source>the server could not be reached: %1</source>
        <translation>der Server war nicht erreichbar: %1</translation>
    </message>
    <message>
        <source>no answer within %1 s</source>
        <translation>keine Antwort innerhalb von %1 s</translation>
    </message>
    <message>
        <source>the answer holds no firmware</source>
        <translation>die Antwort enthält keine Firmware</translation>
    </message>
    <message>
        <source>the answer is not text</source>
        <translation>die Antwort ist kein Text</translation>
    </message>
    <message>
        <source>the answer names no readable version</source>
        <translation>die Antwort nennt keine lesbare Version</translation>
    </message>
    <message>
        <source>the firmware in the answer is damaged</source>
        <translation>die Firmware in der Antwort ist beschädigt</translation>
    </message>
    <message>
        <source>Firmware Upgrade failed: the switch still reports firmware %1 after the upgrade</source>
        <translation>Firmware-Aktualisierung fehlgeschlagen: Der Umschalter meldet nach der Aktualisierung weiterhin Firmware %1</translation>
    </message>
    <message>
        <source>the switch is busy: a firmware upgrade is running in another program</source>
        <translation>der Umschalter ist belegt: Ein anderes Programm aktualisiert gerade seine Firmware</translation>
    </message>
    <message>
        <source>the switch is busy: another program is using it</source>
        <translation>der Umschalter ist belegt: Ein anderes Programm verwendet ihn</translation>
    </message>
    <message>
        <source>The desktop did not grant this hot key.</source>
        <translation>Die Arbeitsumgebung hat dieses Tastenkürzel nicht gewährt.</translation>
    </message>
    <message>
        <source>The desktop&apos;s shortcut service did not answer.</source>
        <translation>Der Tastenkürzel-Dienst der Arbeitsumgebung hat nicht geantwortet.</translation>
    </message>
    <message>
        <source>The desktop may not have bound this key.</source>
        <translation>Die Arbeitsumgebung hat diese Taste möglicherweise nicht zugewiesen.</translation>
    </message>
    <message>
        <source>Super</source>
        <translation>Super</translation>
    </message>
    <message>
        <source>Ctrl</source>
        <translation>Strg</translation>
    </message>
    <message>
        <source>Alt</source>
        <translation>Alt</translation>
    </message>
    <message>
        <source>Shift</source>
        <translation>Umschalt</translation>
    </message>
    <message>
        <source>To switch ports by key anyway, bind the command “tarvexctl port 1” (and 2 to 4) to keys in the desktop&apos;s keyboard settings.</source>
        <translation>Um den Anschluss trotzdem per Taste zu wechseln, legen Sie den Befehl „tarvexctl port 1“ (und 2 bis 4) in den Tastatureinstellungen der Arbeitsumgebung auf Tasten.</translation>
    </message>
    <message>
        <source>This Wayland desktop offers no global shortcuts portal: hot keys work only while a window of an X11 program has the focus.</source>
        <translation>Diese Wayland-Arbeitsumgebung bietet kein Portal für globale Tastenkürzel: Tastenkürzel wirken nur, solange ein Fenster eines X11-Programms den Fokus hat.</translation>
    </message>
    <message>
        <source>This Wayland desktop offers no global shortcuts portal, so global hot keys are not available.</source>
        <translation>Diese Wayland-Arbeitsumgebung bietet kein Portal für globale Tastenkürzel, daher sind globale Tastenkürzel nicht verfügbar.</translation>
    </message>
    <message>
        <source>The request was cancelled in the desktop&apos;s dialog.</source>
        <translation>Die Anfrage wurde im Dialog der Arbeitsumgebung abgebrochen.</translation>
    </message>
    <message>
        <source>The desktop did not bind the keys: its dialog was cancelled, or its shortcut service refused the request.</source>
        <translation>Die Arbeitsumgebung hat die Tasten nicht zugewiesen: Ihr Dialog wurde abgebrochen, oder ihr Tastenkürzel-Dienst hat die Anfrage abgelehnt.</translation>
    </message>
    <message>
        <source>The desktop does not know this program as %1 (its desktop entry %1.desktop is not installed or not found): %2 Install the package, or start the program from its installed menu entry.</source>
        <translation>Die Arbeitsumgebung kennt dieses Programm nicht als %1 (sein Desktop-Eintrag %1.desktop ist nicht installiert oder wurde nicht gefunden): %2 Installieren Sie das Paket, oder starten Sie das Programm über seinen installierten Menüeintrag.</translation>
    </message>
    <message>
        <source>The desktop is waiting for you to confirm the hot keys in its own dialog.</source>
        <translation>Die Arbeitsumgebung wartet darauf, dass Sie die Tastenkürzel in ihrem eigenen Dialog bestätigen.</translation>
    </message>
    <message>
        <source>The desktop reports the same key (%1) for &quot;%2&quot;: at most one of them works. Choose another key for one of them.</source>
        <translation>Die Arbeitsumgebung meldet dieselbe Taste (%1) auch für „%2“: Höchstens eines der beiden funktioniert. Wählen Sie für eines davon eine andere Taste.</translation>
    </message>
    <message>
        <source>The desktop reports %1 for this hot key, not %2 as chosen. Choose another key, or check the key in the desktop&apos;s shortcut settings.</source>
        <translation>Die Arbeitsumgebung meldet %1 für dieses Tastenkürzel, nicht das gewählte %2. Wählen Sie eine andere Taste, oder prüfen Sie die Taste in den Kurzbefehl-Einstellungen der Arbeitsumgebung.</translation>
    </message>
    <message>
        <source>The desktop&apos;s shortcut service did not answer within %1 s.</source>
        <translation>Der Tastenkürzel-Dienst der Arbeitsumgebung hat nicht innerhalb von %1 s geantwortet.</translation>
    </message>
    <message>
        <source>The desktop decides the key: change it in the desktop&apos;s keyboard settings.</source>
        <translation>Die Arbeitsumgebung legt die Taste fest: Ändern Sie sie in deren Tastatureinstellungen.</translation>
    </message>
    <message>
        <source>The desktop&apos;s shortcut service reported an error: %1</source>
        <translation>Der Tastenkürzel-Dienst der Arbeitsumgebung meldete einen Fehler: %1</translation>
    </message>
    <message>
        <source>Global hot keys are not available: %1</source>
        <translation>Globale Tastenkürzel sind nicht verfügbar: %1</translation>
    </message>
</context>
</TS>
