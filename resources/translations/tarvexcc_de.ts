<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CliContext</name>
    <message>
        <source>cannot access USB devices (is udev available?)</source>
        <translation>kein Zugriff auf USB-Geräte (läuft udev?)</translation>
    </message>
    <message>
        <source>no switch with serial &quot;%1&quot; is attached (no Tarvex switch attached)</source>
        <translation>kein Umschalter mit der Seriennummer „%1“ angeschlossen (kein Tarvex-Umschalter angeschlossen)</translation>
    </message>
    <message>
        <source>no switch with serial &quot;%1&quot; is attached; attached: %2</source>
        <translation>kein Umschalter mit der Seriennummer „%1“ angeschlossen; angeschlossen: %2</translation>
    </message>
    <message>
        <source>no Tarvex switch attached</source>
        <translation>kein Tarvex-Umschalter angeschlossen</translation>
    </message>
    <message>
        <source>%1 switches are attached (%2); choose one with --serial or &quot;tarvexctl select&quot;</source>
        <translation>%1 Umschalter sind angeschlossen (%2); wählen Sie einen mit --serial oder „tarvexctl select“</translation>
    </message>
    <message>
        <source>%1 has %2 ports; port %3 does not exist</source>
        <translation>%1 hat %2 Anschlüsse; Anschluss %3 gibt es nicht</translation>
    </message>
    <message>
        <source>cannot write the answer: %1</source>
        <translation>die Antwort kann nicht geschrieben werden: %1</translation>
    </message>
    <message>
        <source> (see tarvexctl --help)</source>
        <translation> (siehe tarvexctl --help)</translation>
    </message>
</context>
<context>
    <name>CliHelp</name>
    <message>
        <source>help [COMMAND]</source>
        <translation>help [BEFEHL]</translation>
    </message>
    <message>
        <source>this help, or the usage of COMMAND</source>
        <translation>diese Hilfe oder der Aufruf von BEFEHL</translation>
    </message>
    <message>
        <source>Usage: tarvexctl [OPTIONS] COMMAND [ARGUMENTS]</source>
        <translation>Aufruf: tarvexctl [OPTIONEN] BEFEHL [ARGUMENTE]</translation>
    </message>
    <message>
        <source>Controls Tarvex video switches from a terminal.</source>
        <translation>Steuert Tarvex-Videoumschalter vom Terminal aus.</translation>
    </message>
    <message>
        <source>Commands:</source>
        <translation>Befehle:</translation>
    </message>
    <message>
        <source>Options:</source>
        <translation>Optionen:</translation>
    </message>
    <message>
        <source>The switch used is the one given with --serial, else the one selected in the tray application, else the only attached one.</source>
        <translation>Verwendet wird der mit --serial angegebene Umschalter, sonst der in der Infobereich-Anwendung ausgewählte, sonst der einzige angeschlossene.</translation>
    </message>
    <message>
        <source>Exit status: 0 success, 1 failure (no switch, no answer, no permission), 2 usage error.</source>
        <translation>Rückgabewert: 0 Erfolg, 1 Fehler (kein Umschalter, keine Antwort, keine Berechtigung), 2 falscher Aufruf.</translation>
    </message>
    <message>
        <source>When a switch cannot be opened for lack of permission: %1.</source>
        <translation>Wenn ein Umschalter mangels Berechtigung nicht geöffnet werden kann: %1.</translation>
    </message>
    <message>
        <source>Usage: tarvexctl [OPTIONS] %1</source>
        <translation>Aufruf: tarvexctl [OPTIONEN] %1</translation>
    </message>
    <message>
        <source>Usage: tarvexctl [OPTIONS]</source>
        <translation>Aufruf: tarvexctl [OPTIONEN]</translation>
    </message>
    <message>
        <source>Options of every command: %1 (see tarvexctl --help).</source>
        <translation>Optionen aller Befehle: %1 (siehe tarvexctl --help).</translation>
    </message>
    <message>
        <source>Usage: tarvexctl help [COMMAND]</source>
        <translation>Aufruf: tarvexctl help [BEFEHL]</translation>
    </message>
    <message>
        <source>Prints the help, or with COMMAND the usage of that command, like &quot;tarvexctl COMMAND --help&quot;.</source>
        <translation>Gibt die Hilfe aus, mit BEFEHL den Aufruf dieses Befehls, wie „tarvexctl BEFEHL --help“.</translation>
    </message>
    <message>
        <source>did you mean &quot;%1&quot;?</source>
        <translation>meinten Sie „%1“?</translation>
    </message>
    <message>
        <source>the commands are %1</source>
        <translation>die Befehle sind %1</translation>
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
    <message>
        <source>Preferences</source>
        <translation>Einstellungen</translation>
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
    <name>ExchangeFailure</name>
    <message>
        <source>no permission to open the switch %1: %2</source>
        <translation>keine Berechtigung, den Umschalter %1 zu öffnen: %2</translation>
    </message>
    <message>
        <source>the switch %1 is no longer attached</source>
        <translation>der Umschalter %1 ist nicht mehr angeschlossen</translation>
    </message>
    <message>
        <source>the switch %1 did not answer (%2)</source>
        <translation>der Umschalter %1 hat nicht geantwortet (%2)</translation>
    </message>
    <message>
        <source>the package&apos;s udev rule gives access once the switch is unplugged and plugged in again (or after logging out and in)</source>
        <translation>die udev-Regel des Pakets gibt Zugriff, sobald der Umschalter aus- und wieder eingesteckt ist (oder nach Ab- und erneutem Anmelden)</translation>
    </message>
    <message>
        <source>install the udev rule with &quot;sudo scripts/install-udev-rule&quot; from the source tree, then unplug and replug the switch</source>
        <translation>installieren Sie die udev-Regel mit „sudo scripts/install-udev-rule“ im Quellverzeichnis, stecken Sie dann den Umschalter aus und wieder ein</translation>
    </message>
</context>
<context>
    <name>FirmwareCommand</name>
    <message>
        <source>firmware check failed: %1</source>
        <translation>Firmware-Prüfung fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>firmware %1 installed, up-to-date</source>
        <translation>Firmware %1 installiert, aktuell</translation>
    </message>
    <message>
        <source>firmware %1 installed, a new one available</source>
        <translation>Firmware %1 installiert, eine neue ist verfügbar</translation>
    </message>
    <message>
        <source>firmware %1 installed, %2 available</source>
        <translation>Firmware %1 installiert, %2 verfügbar</translation>
    </message>
    <message>
        <source>check asks the firmware server whether newer firmware exists for the switch and prints both versions. upgrade asks the same (or reads the answer from --file), asks before writing unless --yes is given, and writes the image into the switch; do not unplug it meanwhile.
An answer that holds no firmware is refused and nothing reaches the switch. A hang-up, interrupt or termination during the transfer waits for its end. While another program writes to the switch, nothing is done and the exit status is 1.</source>
        <translation>check fragt den Firmware-Server, ob es neuere Firmware für den Umschalter gibt, und gibt beide Versionen aus. upgrade fragt ebenso (oder liest die Antwort aus --file), fragt vor dem Schreiben nach, außer mit --yes, und schreibt das Abbild in den Umschalter; stecken Sie ihn währenddessen nicht aus.
Eine Antwort ohne Firmware wird abgelehnt, und nichts erreicht den Umschalter. Ein Auflegen, Unterbrechen oder Beenden während der Übertragung wartet deren Ende ab. Während ein anderes Programm auf den Umschalter schreibt, geschieht nichts, und der Rückgabewert ist 1.</translation>
    </message>
    <message>
        <source>firmware: ask this check address instead of the configured one.</source>
        <translation>firmware: diese Prüfadresse statt der eingestellten fragen.</translation>
    </message>
    <message>
        <source>firmware upgrade: take the answer text from IMAGE instead of the server.</source>
        <translation>firmware upgrade: den Antworttext aus IMAGE statt vom Server nehmen.</translation>
    </message>
    <message>
        <source>firmware upgrade: write without asking.</source>
        <translation>firmware upgrade: ohne Nachfrage schreiben.</translation>
    </message>
    <message>
        <source>firmware wants &quot;check&quot; or &quot;upgrade&quot;</source>
        <translation>firmware erwartet „check“ oder „upgrade“</translation>
    </message>
    <message>
        <source>--url needs an address</source>
        <translation>--url braucht eine Adresse</translation>
    </message>
    <message>
        <source>firmware check takes only --url</source>
        <translation>firmware check nimmt nur --url</translation>
    </message>
    <message>
        <source>give either --url or --file, not both</source>
        <translation>geben Sie entweder --url oder --file an, nicht beide</translation>
    </message>
    <message>
        <source>unknown firmware command &quot;%1&quot;; use check or upgrade</source>
        <translation>unbekannter firmware-Befehl „%1“; verwenden Sie check oder upgrade</translation>
    </message>
    <message>
        <source>firmware upgrade asks before writing, but there is no terminal to ask; pass --yes to write without asking</source>
        <translation>firmware upgrade fragt vor dem Schreiben nach, aber es gibt kein Terminal für die Frage; mit --yes wird ohne Nachfrage geschrieben</translation>
    </message>
    <message>
        <source>cannot read %1: %2</source>
        <translation>%1 kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>%1 is larger than %2 bytes</source>
        <translation>%1 ist größer als %2 Byte</translation>
    </message>
    <message>
        <source>%1 is not a firmware answer: %2</source>
        <translation>%1 ist keine Firmware-Antwort: %2</translation>
    </message>
    <message>
        <source>Write firmware %1 into switch %2? The switch restarts afterwards; do not unplug it meanwhile. [y/N] </source>
        <translation>Firmware %1 in den Umschalter %2 schreiben? Der Umschalter startet danach neu; stecken Sie ihn währenddessen nicht aus. [y/N] </translation>
    </message>
    <message>
        <source>Nothing was written.</source>
        <translation>Es wurde nichts geschrieben.</translation>
    </message>
    <message>
        <source>firmware upgrade in progress: tarvexctl exits when it has finished</source>
        <translation>Firmware-Aktualisierung läuft: tarvexctl endet, wenn sie abgeschlossen ist</translation>
    </message>
    <message>
        <source>Ctrl-C will not wait for the transfer&apos;s end: %1</source>
        <translation>Strg+C wird nicht auf das Ende der Übertragung warten: %1</translation>
    </message>
    <message>
        <source>Firmware Upgrade stopped: the switch refused a record (status %1)</source>
        <translation>Firmware-Aktualisierung abgebrochen: Der Umschalter hat einen Datensatz abgelehnt (Status %1)</translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation>Nicht verbunden</translation>
    </message>
    <message>
        <source>Firmware:  %1</source>
        <translation>Firmware:  %1</translation>
    </message>
    <message>
        <source>ask for newer firmware; write it into the switch</source>
        <translation>nach neuerer Firmware fragen; sie in den Umschalter schreiben</translation>
    </message>
</context>
<context>
    <name>FirmwareProgressPrinter</name>
    <message>
        <source>firmware: %1 % written (%2 of %3 lines)</source>
        <translation>Firmware: %1 % geschrieben (%2 von %3 Zeilen)</translation>
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
    <message>
        <source>&amp;Write Firmware</source>
        <translation>Firmware &amp;schreiben</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
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
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
</context>
<context>
    <name>ListCommand</name>
    <message>
        <source>Lists every attached switch: serial number, model, firmware version, active port and its name. With no switch attached it says so and succeeds; a switch that does not answer is listed and makes the exit status 1.</source>
        <translation>Listet jeden angeschlossenen Umschalter auf: Seriennummer, Modell, Firmware-Version, aktiver Anschluss und sein Name. Ist kein Umschalter angeschlossen, sagt der Befehl das und ist erfolgreich; ein Umschalter, der nicht antwortet, wird aufgeführt und macht den Rückgabewert 1.</translation>
    </message>
    <message>
        <source>list takes no arguments, got &quot;%1&quot;</source>
        <translation>list nimmt keine Argumente, erhalten: „%1“</translation>
    </message>
    <message>
        <source>No Tarvex switch attached.</source>
        <translation>Kein Tarvex-Umschalter angeschlossen.</translation>
    </message>
    <message>
        <source>To give access: %1.</source>
        <translation>Für den Zugriff: %1.</translation>
    </message>
    <message>
        <source>serial, model, firmware and active port of every attached switch</source>
        <translation>Seriennummer, Modell, Firmware und aktiver Anschluss jedes angeschlossenen Umschalters</translation>
    </message>
</context>
<context>
    <name>NameCommand</name>
    <message>
        <source>Names port N of the selected switch, for example tarvexctl name 2 &quot;Work laptop&quot;. The name shows in list, status and the tray menu, and &quot;tarvexctl port NAME&quot; selects the port by it. An empty NAME (&quot;&quot;) removes the name.
Names are kept per serial number in the settings shared with the tray application.
When the tray switches all switches together, port N of every attached switch gets the name; one that lacks the port is named, the others still get it, and the exit status is 1. With --serial only that switch&apos;s port is named.</source>
        <translation>Benennt Anschluss N des ausgewählten Umschalters, zum Beispiel tarvexctl name 2 &quot;Laptop Büro&quot;. Der Name erscheint in list, status und im Menü im Infobereich, und „tarvexctl port NAME“ wählt den Anschluss über ihn. Ein leerer NAME (&quot;&quot;) entfernt den Namen.
Namen werden je Seriennummer in den Einstellungen gespeichert, die tarvexctl mit der Infobereich-Anwendung teilt.
Wenn die Infobereich-Anwendung alle Umschalter gemeinsam umschaltet, erhält Anschluss N jedes angeschlossenen Umschalters den Namen; einer, dem der Anschluss fehlt, wird genannt, die anderen erhalten ihn trotzdem, und der Rückgabewert ist 1. Mit --serial wird nur der Anschluss dieses Umschalters benannt.</translation>
    </message>
    <message>
        <source>%1: port %2 is already named &quot;%3&quot;</source>
        <translation>%1: Anschluss %2 heißt bereits „%3“</translation>
    </message>
    <message>
        <source>name needs a port number and a name (quote a name with spaces; &quot;&quot; removes it)</source>
        <translation>name braucht eine Anschlussnummer und einen Namen (einen Namen mit Leerzeichen in Anführungszeichen setzen; &quot;&quot; entfernt ihn)</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a port number</source>
        <translation>„%1“ ist keine Anschlussnummer</translation>
    </message>
    <message>
        <source>%1: port %2 has no name</source>
        <translation>%1: Anschluss %2 hat keinen Namen</translation>
    </message>
    <message>
        <source>%1: port %2 is named &quot;%3&quot;</source>
        <translation>%1: Anschluss %2 heißt „%3“</translation>
    </message>
    <message>
        <source>name N NAME</source>
        <translation>name N NAME</translation>
    </message>
    <message>
        <source>name port N of the selected switch (&quot;&quot; removes)</source>
        <translation>Anschluss N des ausgewählten Umschalters benennen (&quot;&quot; entfernt)</translation>
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
    <message>
        <source>Press the new key combination. Backspace or Delete clears the field, Return saves, Escape cancels.</source>
        <translation>Drücken Sie die neue Tastenkombination. Rücktaste oder Entf leert das Feld, Eingabe speichert, Esc bricht ab.</translation>
    </message>
    <message>
        <source>Backspace clears · Return or OK saves · Escape cancels</source>
        <translation>Rücktaste leert · Eingabe oder OK speichert · Esc bricht ab</translation>
    </message>
    <message>
        <source>%1 would make the key impossible to type. Add Ctrl, Alt or Super.</source>
        <translation>Mit %1 ließe sich die Taste nicht mehr tippen. Nehmen Sie Strg, Alt oder Super hinzu.</translation>
    </message>
    <message>
        <source>&amp;Move Here</source>
        <translation>&amp;Hierher verschieben</translation>
    </message>
    <message>
        <source>%1 is the hot key of “%2”. Move Here takes it from there; Cancel leaves both as they are.</source>
        <translation>%1 ist das Tastenkürzel von „%2“. „Hierher verschieben“ nimmt es dort weg; „Abbrechen“ lässt beide, wie sie sind.</translation>
    </message>
</context>
<context>
    <name>PortCommand</name>
    <message>
        <source>Switches the selected switch to port N (1 to 4; 1 or 2 on a Tarvex mini), or to the port named NAME with &quot;tarvexctl name&quot; (case does not matter; quote a name with spaces).
With --all, or when the tray switches all switches together, every attached switch goes to the port; one that lacks it or is busy is named, the others still switch, and the exit status is 1.</source>
        <translation>Schaltet den ausgewählten Umschalter auf Anschluss N (1 bis 4; 1 oder 2 beim Tarvex mini) oder auf den Anschluss, der mit „tarvexctl name“ NAME genannt wurde (Groß- und Kleinschreibung egal; einen Namen mit Leerzeichen in Anführungszeichen setzen).
Mit --all, oder wenn die Infobereich-Anwendung alle Umschalter gemeinsam schaltet, geht jeder angeschlossene Umschalter auf den Anschluss; einer, der ihn nicht hat oder belegt ist, wird genannt, die anderen schalten trotzdem, und der Rückgabewert ist 1.</translation>
    </message>
    <message>
        <source>port needs a port number or name</source>
        <translation>port braucht eine Anschlussnummer oder einen Namen</translation>
    </message>
    <message>
        <source>port takes one port number or name (quote a name with spaces), got &quot;%1&quot;</source>
        <translation>port nimmt eine Anschlussnummer oder einen Namen (einen Namen mit Leerzeichen in Anführungszeichen setzen), erhalten: „%1“</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a port number (ports are 1 to %2)</source>
        <translation>„%1“ ist keine Anschlussnummer (die Anschlüsse sind 1 bis %2)</translation>
    </message>
    <message>
        <source>no port of the attached switches is named &quot;%1&quot;</source>
        <translation>kein Anschluss der angeschlossenen Umschalter heißt „%1“</translation>
    </message>
    <message>
        <source>&quot;%1&quot; (port %2)</source>
        <translation>„%1“ (Anschluss %2)</translation>
    </message>
    <message>
        <source>no port of %1 is named &quot;%2&quot;</source>
        <translation>kein Anschluss von %1 heißt „%2“</translation>
    </message>
    <message>
        <source>&quot;%1&quot; names more than one port of %2</source>
        <translation>„%1“ benennt mehr als einen Anschluss von %2</translation>
    </message>
    <message>
        <source>%1; it has no named ports</source>
        <translation>%1; er hat keine benannten Anschlüsse</translation>
    </message>
    <message>
        <source>%1; its names: %2</source>
        <translation>%1; seine Namen: %2</translation>
    </message>
    <message>
        <source>%1: port %2</source>
        <translation>%1: Anschluss %2</translation>
    </message>
    <message>
        <source>%1: port %2 (%3)</source>
        <translation>%1: Anschluss %2 (%3)</translation>
    </message>
    <message>
        <source>port N|NAME</source>
        <translation>port N|NAME</translation>
    </message>
    <message>
        <source>switch the selected switch to port N</source>
        <translation>den ausgewählten Umschalter auf Anschluss N schalten</translation>
    </message>
    <message>
        <source>the switches</source>
        <translation>die Umschalter</translation>
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
    <message>
        <source>port %1 is already named &quot;%2&quot;</source>
        <translation>Anschluss %1 heißt bereits „%2“</translation>
    </message>
</context>
<context>
    <name>RotateCommand</name>
    <message>
        <source>rotate takes no arguments, got &quot;%1&quot;</source>
        <translation>rotate nimmt keine Argumente, erhalten: „%1“</translation>
    </message>
    <message>
        <source>--interval wants seconds from 1 to 86400, got &quot;%1&quot;</source>
        <translation>--interval erwartet Sekunden von 1 bis 86400, erhalten: „%1“</translation>
    </message>
    <message>
        <source>--count wants a number of steps from 1 on, got &quot;%1&quot;</source>
        <translation>--count erwartet eine Anzahl Schritte ab 1, erhalten: „%1“</translation>
    </message>
    <message>
        <source>%1: port %2</source>
        <translation>%1: Anschluss %2</translation>
    </message>
    <message>
        <source>%1: rotating every %2 s from port %3; Ctrl-C stops</source>
        <translation>%1: rotiert alle %2 s ab Anschluss %3; Strg+C hält an</translation>
    </message>
    <message>
        <source>%1: stopped on port %2; its USB connection follows</source>
        <translation>%1: angehalten auf Anschluss %2; seine USB-Verbindung folgt</translation>
    </message>
    <message>
        <source>rotation step %1 could not be sent to the switch %2; rotation stopped</source>
        <translation>Schritt %1 des Rotierens konnte nicht an den Umschalter %2 gesendet werden; Rotieren angehalten</translation>
    </message>
    <message>
        <source>the final report could not be sent to the switch %1; its USB connection stays on port %2</source>
        <translation>die letzte Meldung konnte nicht an den Umschalter %1 gesendet werden; seine USB-Verbindung bleibt auf Anschluss %2</translation>
    </message>
    <message>
        <source>rotate [--interval S] [--count N]</source>
        <translation>rotate [--interval S] [--count N]</translation>
    </message>
    <message>
        <source>show the ports one after another</source>
        <translation>die Anschlüsse nacheinander zeigen</translation>
    </message>
    <message>
        <source>Shows the selected switch&apos;s ports one after another, starting after the active port, while the switch&apos;s USB connection stays with the computer that was active at the start, as the tray application&apos;s Rotate does. Each step prints the port shown. Ctrl-C ends the rotation and lets the USB connection follow to the computer shown; with --count it ends the same way after N steps.
With --all, or when the tray switches all switches together, every attached switch rotates, in step, each from its own active port.</source>
        <translation>Zeigt die Anschlüsse des ausgewählten Umschalters nacheinander, beginnend nach dem aktiven Anschluss, während die USB-Verbindung des Umschalters beim Rechner bleibt, der zu Beginn aktiv war, wie „Rotieren“ der Infobereich-Anwendung. Jeder Schritt gibt den gezeigten Anschluss aus. Strg+C beendet das Rotieren, und die USB-Verbindung folgt dem gezeigten Rechner; mit --count endet es ebenso nach N Schritten.
Mit --all, oder wenn die Infobereich-Anwendung alle Umschalter gemeinsam schaltet, rotiert jeder angeschlossene Umschalter im Gleichschritt, jeder ab seinem eigenen aktiven Anschluss.</translation>
    </message>
    <message>
        <source>no switch could start the rotation</source>
        <translation>kein Umschalter konnte das Rotieren beginnen</translation>
    </message>
</context>
<context>
    <name>SelectCommand</name>
    <message>
        <source>Makes the attached switch with serial number SERIAL, or the only attached one of model MODEL (&quot;Tarvex mini&quot;, case does not matter), the selected switch: status, port, name, rotate and firmware then address it without --serial, and the tray application shows it. The choice is kept in the settings shared with the tray application.</source>
        <translation>Macht den angeschlossenen Umschalter mit der Seriennummer SERIAL oder den einzigen angeschlossenen des Modells MODEL („Tarvex mini“, Groß- und Kleinschreibung egal) zum ausgewählten Umschalter: status, port, name, rotate und firmware sprechen ihn dann ohne --serial an, und die Infobereich-Anwendung zeigt ihn. Die Wahl wird in den Einstellungen gespeichert, die tarvexctl mit der Infobereich-Anwendung teilt.</translation>
    </message>
    <message>
        <source>select needs one serial number or model name (quote a model name with spaces)</source>
        <translation>select braucht eine Seriennummer oder einen Modellnamen (einen Modellnamen mit Leerzeichen in Anführungszeichen setzen)</translation>
    </message>
    <message>
        <source>no Tarvex switch attached</source>
        <translation>kein Tarvex-Umschalter angeschlossen</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>no attached switch has the serial number or model &quot;%1&quot;; attached: %2</source>
        <translation>kein angeschlossener Umschalter hat die Seriennummer oder das Modell „%1“; angeschlossen: %2</translation>
    </message>
    <message>
        <source>%1 switches of that model are attached (%2); select one by its serial number</source>
        <translation>%1 Umschalter dieses Modells sind angeschlossen (%2); wählen Sie einen über seine Seriennummer aus</translation>
    </message>
    <message>
        <source>%1 is now the selected switch</source>
        <translation>%1 ist jetzt der ausgewählte Umschalter</translation>
    </message>
    <message>
        <source>%1 (%2) is now the selected switch</source>
        <translation>%1 (%2) ist jetzt der ausgewählte Umschalter</translation>
    </message>
    <message>
        <source>select SERIAL|MODEL</source>
        <translation>select SERIAL|MODEL</translation>
    </message>
    <message>
        <source>make a switch the selected one</source>
        <translation>einen Umschalter zum ausgewählten machen</translation>
    </message>
</context>
<context>
    <name>StatusCommand</name>
    <message>
        <source>status takes no arguments, got &quot;%1&quot;</source>
        <translation>status nimmt keine Argumente, erhalten: „%1“</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>unbekannt</translation>
    </message>
    <message>
        <source>Serial:    %1</source>
        <translation>Seriennr.: %1</translation>
    </message>
    <message>
        <source>Model:     %1</source>
        <translation>Modell:    %1</translation>
    </message>
    <message>
        <source>Firmware:  %1</source>
        <translation>Firmware:  %1</translation>
    </message>
    <message>
        <source>Port:      %1 of %2</source>
        <translation>Anschluss: %1 von %2</translation>
    </message>
    <message>
        <source>Port %1:    %2</source>
        <translation>Anschluss %1: %2</translation>
    </message>
    <message>
        <source>model, firmware, active port and port names of the selected switch</source>
        <translation>Modell, Firmware, aktiver Anschluss und Anschlussnamen des ausgewählten Umschalters</translation>
    </message>
</context>
<context>
    <name>SwitchDescription</name>
    <message>
        <source>no permission to open the switch</source>
        <translation>keine Berechtigung, den Umschalter zu öffnen</translation>
    </message>
    <message>
        <source>no longer attached</source>
        <translation>nicht mehr angeschlossen</translation>
    </message>
    <message>
        <source>the switch did not answer</source>
        <translation>der Umschalter hat nicht geantwortet</translation>
    </message>
    <message>
        <source>port unknown</source>
        <translation>Anschluss unbekannt</translation>
    </message>
    <message>
        <source>port %1</source>
        <translation>Anschluss %1</translation>
    </message>
    <message>
        <source>firmware %1</source>
        <translation>Firmware %1</translation>
    </message>
</context>
<context>
    <name>AddressedSwitches</name>
    <message>
        <source>%1 %2 has no port %3</source>
        <translation>%1 %2 hat keinen Anschluss %3</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
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
        <source>the switch is left alone: its lock directory %1 is not private to this user</source>
        <translation>der Umschalter bleibt unberührt: Sein Sperrverzeichnis %1 gehört nicht diesem Benutzer allein</translation>
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
        <source>The hot key did nothing: no switch is connected or chosen. Connect one, or choose one in the menu under &quot;Choose a switch&quot;.</source>
        <translation>Das Tastenkürzel hat nichts bewirkt: Kein Umschalter ist angeschlossen oder ausgewählt. Schließen Sie einen an, oder wählen Sie einen im Menü unter „Umschalter wählen“.</translation>
    </message>
    <message>
        <source>KDE did not give this key to Tarvex CC: KWin or another program already uses it. Choose another key, or free this one in KDE&apos;s shortcut settings.</source>
        <translation>KDE hat Tarvex CC diese Taste nicht gegeben: KWin oder ein anderes Programm verwendet sie bereits. Wählen Sie eine andere Taste, oder geben Sie diese in den Kurzbefehl-Einstellungen von KDE frei.</translation>
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
    <message>
        <source>%1 — not active</source>
        <translation>%1 – nicht aktiv</translation>
    </message>
    <message>
        <source>%1: %2 is not active: %3</source>
        <translation>%1: %2 ist nicht aktiv: %3</translation>
    </message>
    <message>
        <source>Switch %1</source>
        <translation>Umschalter %1</translation>
    </message>
    <message>
        <source>%1 is not connected. Choose a switch</source>
        <translation>%1 ist nicht angeschlossen. Wählen Sie einen Umschalter</translation>
    </message>
    <message>
        <source>%1 is not connected</source>
        <translation>%1 ist nicht angeschlossen</translation>
    </message>
    <message>
        <source>Do not unplug the switch while it is written.</source>
        <translation>Trennen Sie den Umschalter nicht, während die Firmware geschrieben wird.</translation>
    </message>
    <message>
        <source>New firmware is available for %1. Write it now?</source>
        <translation>Für %1 gibt es eine neue Firmware. Jetzt schreiben?</translation>
    </message>
    <message>
        <source>Firmware %1 is available for %2. Write it now?</source>
        <translation>Für %2 gibt es Firmware %1. Jetzt schreiben?</translation>
    </message>
    <message>
        <source>%1 is already installed on %2: write it again?</source>
        <translation>%1 ist auf %2 bereits installiert: erneut schreiben?</translation>
    </message>
    <message>
        <source>%1 is older than the installed %2: write it to %3 anyway?</source>
        <translation>%1 ist älter als die installierte %2: trotzdem auf %3 schreiben?</translation>
    </message>
    <message>
        <source>Firmware %1 → %2 for %3. Write it now?</source>
        <translation>Firmware %1 → %2 für %3. Jetzt schreiben?</translation>
    </message>
    <message>
        <source>Nothing was written.</source>
        <translation>Es wurde nichts geschrieben.</translation>
    </message>
    <message>
        <source>Firmware Upgrade finished: %1 runs firmware %2.</source>
        <translation>Firmware-Aktualisierung abgeschlossen: %1 läuft mit Firmware %2.</translation>
    </message>
    <message>
        <source>All Switches Together</source>
        <translation>Alle Umschalter gemeinsam</translation>
    </message>
    <message>
        <source>All switches (%1)</source>
        <translation>Alle Umschalter (%1)</translation>
    </message>
    <message>
        <source>Not every switch could follow:
%1</source>
        <translation>Nicht jeder Umschalter konnte folgen:
%1</translation>
    </message>
    <message>
        <source>Firmware is written to one switch at a time. Which one?</source>
        <translation>Firmware wird immer nur auf einen Umschalter geschrieben. Auf welchen?</translation>
    </message>
    <message>
        <source>%1:</source>
        <translation>%1:</translation>
    </message>
</context>
<context>
    <name>tarvexcc</name>
    <message>
        <source>Usage: tarvexcc [--simulate[=N]] [--version] [--help]

Controls Tarvex video switches from the system tray.

  --simulate[=N]  use N simulated switches instead of USB (default 2, 1-%1)
  --version       print the version and exit
  --help          print this help and exit

Only one tarvexcc runs per session; starting another one shows the menu of
the running one.
</source>
        <translation>Aufruf: tarvexcc [--simulate[=N]] [--version] [--help]

Steuert Tarvex-Videoumschalter über den Infobereich der Kontrollleiste.

  --simulate[=N]  N simulierte Umschalter statt USB verwenden (Vorgabe 2, 1-%1)
  --version       die Version ausgeben und beenden
  --help          diese Hilfe ausgeben und beenden

Je Sitzung läuft nur ein tarvexcc; ein weiterer Start zeigt das Menü des
laufenden.
</translation>
    </message>
</context>
<context>
    <name>tarvexctl</name>
    <message>
        <source>--simulate wants a number of switches from 0 to %1, got &quot;%2&quot;</source>
        <translation>--simulate erwartet eine Anzahl Umschalter von 0 bis %1, erhalten: „%2“</translation>
    </message>
    <message>
        <source>unknown option &quot;%1&quot;</source>
        <translation>unbekannte Option „%1“</translation>
    </message>
    <message>
        <source>unknown option &quot;%1&quot;; did you mean &quot;%2&quot;?</source>
        <translation>unbekannte Option „%1“; meinten Sie „%2“?</translation>
    </message>
    <message>
        <source>%1 needs a value</source>
        <translation>%1 braucht einen Wert</translation>
    </message>
    <message>
        <source>%1 takes no value</source>
        <translation>%1 nimmt keinen Wert</translation>
    </message>
    <message>
        <source>Print this help; after a command, its usage.</source>
        <translation>Diese Hilfe ausgeben; nach einem Befehl dessen Aufruf.</translation>
    </message>
    <message>
        <source>Print the version.</source>
        <translation>Die Version ausgeben.</translation>
    </message>
    <message>
        <source>Address the switch with serial number S.</source>
        <translation>Den Umschalter mit der Seriennummer S ansprechen.</translation>
    </message>
    <message>
        <source>Use N simulated switches (0 to 16, default 2) instead of USB.</source>
        <translation>N simulierte Umschalter (0 bis 16, Vorgabe 2) statt USB verwenden.</translation>
    </message>
    <message>
        <source>Print the answer, errors included, as JSON.</source>
        <translation>Die Antwort, Fehler eingeschlossen, als JSON ausgeben.</translation>
    </message>
    <message>
        <source>--serial needs a serial number</source>
        <translation>--serial braucht eine Seriennummer</translation>
    </message>
    <message>
        <source>no command given</source>
        <translation>kein Befehl angegeben</translation>
    </message>
    <message>
        <source>give the number of simulated switches as --simulate=%1</source>
        <translation>geben Sie die Anzahl simulierter Umschalter als --simulate=%1 an</translation>
    </message>
    <message>
        <source>help takes at most one command name</source>
        <translation>help nimmt höchstens einen Befehlsnamen</translation>
    </message>
    <message>
        <source>unknown command &quot;%1&quot;; %2</source>
        <translation>unbekannter Befehl „%1“; %2</translation>
    </message>
    <message>
        <source>rotate: seconds per port, 1 to 86400 (default: the tray&apos;s, else 30).</source>
        <translation>rotate: Sekunden je Anschluss, 1 bis 86400 (Vorgabe: die der Infobereich-Anwendung, sonst 30).</translation>
    </message>
    <message>
        <source>rotate: stop after N steps.</source>
        <translation>rotate: nach N Schritten anhalten.</translation>
    </message>
    <message>
        <source>Address every attached switch (port, rotate, status, list), whatever the tray&apos;s choice.</source>
        <translation>Jeden angeschlossenen Umschalter ansprechen (port, rotate, status, list), gleich, was in der Infobereich-Anwendung gewählt ist.</translation>
    </message>
    <message>
        <source>--all and --serial exclude each other</source>
        <translation>--all und --serial schließen einander aus</translation>
    </message>
    <message>
        <source>--all works with port, rotate, status and list, not with %1</source>
        <translation>--all gilt für port, rotate, status und list, nicht für %1</translation>
    </message>
</context>
</TS>
