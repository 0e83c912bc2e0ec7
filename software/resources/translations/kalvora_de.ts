<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>Bench</name>
    <message>
        <source>Usage: kalvora-upgrade-cli [-s] [--count N] [--wait SECONDS] [--report FILE] [--help]
Upgrades N Kalvora Rel-41 lamps (default 1), one after another, without a window.
Each lamp is written when it is found with another firmware revision, then read back
and compared byte for byte. Standard output holds one JSON object a line.
  -s               use the simulated lamp instead of a real one
  --count N        the number of lamps to handle
  --wait SECONDS   give up on a lamp that is not found within this time
  --report FILE    write a support report to FILE when the run ends
  --help           show this text
Exit status: 0 every lamp verified, 1 start-up failure, 2 usage, 3 wrong product or blank
record, 4 unreadable, 5 check failed, 6 write failed or no effect, 7 no permission,
8 several devices, 9 folder full, 10 no lamp within the wait, 128+N signal N.
</source>
        <translation>Aufruf: kalvora-upgrade-cli [-s] [--count N] [--wait SEKUNDEN] [--report DATEI] [--help]
Aktualisiert N Kalvora Rel-41-Lampen (Vorgabe 1) nacheinander, ohne Fenster.
Jede Lampe wird beschrieben, wenn sie mit einer anderen Firmware-Version gefunden wird,
dann zurückgelesen und Byte für Byte verglichen. Die Standardausgabe enthält ein
JSON-Objekt pro Zeile.
  -s                 die simulierte Lampe statt einer echten verwenden
  --count N          die Anzahl der zu bearbeitenden Lampen
  --wait SEKUNDEN    eine Lampe aufgeben, die nicht innerhalb dieser Zeit gefunden wird
  --report DATEI     am Ende des Laufs einen Supportbericht in DATEI schreiben
  --help             diesen Text anzeigen
Rückgabewert: 0 jede Lampe geprüft, 1 Startfehler, 2 Aufruf, 3 falsches Produkt oder leerer
Datensatz, 4 nicht lesbar, 5 Prüfung fehlgeschlagen, 6 Schreiben fehlgeschlagen oder
wirkungslos, 7 keine Berechtigung, 8 mehrere Geräte, 9 Ordner voll, 10 keine Lampe innerhalb
der Wartezeit, 128+N Signal N.
</translation>
    </message>
    <message>
        <source>unexpected argument: %1</source>
        <translation>unerwartetes Argument: %1</translation>
    </message>
    <message>
        <source>bad value for --count: %1</source>
        <translation>ungültiger Wert für --count: %1</translation>
    </message>
    <message>
        <source>bad value for --wait: %1</source>
        <translation>ungültiger Wert für --wait: %1</translation>
    </message>
    <message>
        <source>the support report could not be written to %1: %2</source>
        <translation>der Supportbericht konnte nicht nach %1 geschrieben werden: %2</translation>
    </message>
    <message>
        <source>more than one device in bootloader mode is connected: lamp %1 is read once it is the only one</source>
        <translation>mehr als ein Gerät im Bootloader-Modus ist angeschlossen: Lampe %1 wird gelesen, sobald sie das einzige ist</translation>
    </message>
</context>
<context>
    <name>Layout</name>
    <message>
        <source>
&lt;span style=&quot;font-size:20pt&quot;&gt;
&lt;span style=&quot;color:#FFFFFF; font-weight:bold;&quot;&gt;Firmware upgrade&lt;/span&gt;
&lt;br&gt;
&lt;span style=&quot;font-weight:bold&quot;&gt;%1&lt;/span&gt;&lt;/span&gt;</source>
        <extracomment>2</extracomment>
        <translation>
&lt;span style=&quot;font-size:20pt&quot;&gt;
&lt;span style=&quot;color:#FFFFFF; font-weight:bold;&quot;&gt;Firmware-Aktualisierung&lt;/span&gt;
&lt;br&gt;
&lt;span style=&quot;font-weight:bold&quot;&gt;%1&lt;/span&gt;&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;font-size:20pt&quot;&gt;
Firmware version:
&lt;br&gt;
%1&lt;/span&gt;</source>
        <extracomment>4</extracomment>
        <translation>&lt;span style=&quot;font-size:20pt&quot;&gt;
Firmware-Version:
&lt;br&gt;
%1&lt;/span&gt;</translation>
    </message>
    <message>
        <source>Follow the steps below
to upgrade your product.</source>
        <extracomment>5</extracomment>
        <translation>Folgen Sie den Schritten unten,
um Ihr Produkt zu aktualisieren.</translation>
    </message>
    <message>
        <source>1. Disconnect power cable</source>
        <extracomment>7a</extracomment>
        <translation>1. Netzkabel abziehen</translation>
    </message>
    <message>
        <source>2. Wait at least 2 minutes</source>
        <extracomment>7b</extracomment>
        <translation>2. Mindestens 2 Minuten warten</translation>
    </message>
    <message>
        <source>3. Press and hold left continuous light button
    while connecting power cable</source>
        <extracomment>7c</extracomment>
        <translation>3. Linke Dauerlicht-Taste gedrückt halten
    und dabei das Netzkabel einstecken</translation>
    </message>
    <message>
        <source>4. Connect USB-cable</source>
        <extracomment>9</extracomment>
        <translation>4. USB-Kabel einstecken</translation>
    </message>
    <message>
        <source>5. Click to start upgrade</source>
        <extracomment>8b2</extracomment>
        <translation>5. Aktualisierung starten</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Note: Once the update is finished you need to connect Rel-41 to the&lt;br&gt;
Kalvora app to register that it is updated. Otherwise you will continue&lt;br&gt;
to receive email notifications about updating your Rel-41.&lt;/span&gt;</source>
        <extracomment>status_noDev</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Hinweis: Verbinden Sie die Rel-41 nach der Aktualisierung mit der&lt;br&gt;
Kalvora app, damit die Aktualisierung registriert wird. Sonst erhalten Sie&lt;br&gt;
weiterhin E-Mails mit der Bitte, Ihre Rel-41 zu aktualisieren.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Connected to a %1.&lt;/span&gt;</source>
        <extracomment>status_devConn</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Angeschlossen: %1.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Connected to a %1 with firmware version %2&lt;/span&gt;</source>
        <extracomment>status_devRev</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Angeschlossen: %1 mit Firmware-Version %2&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Connected to a %1 with unknown firmware version.&lt;/span&gt;</source>
        <extracomment>status_devRevUnknown</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Angeschlossen: %1 mit unbekannter Firmware-Version.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Writing firmware.&lt;/b&gt; Please wait until the upgrade has finished.&lt;/span&gt;</source>
        <extracomment>status_writing</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Die Firmware wird geschrieben.&lt;/b&gt; Bitte warten Sie, bis die Aktualisierung abgeschlossen ist.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>Simulator mode</source>
        <extracomment>sim_mode</extracomment>
        <translation>Simulatormodus</translation>
    </message>
    <message>
        <source>Debug mode</source>
        <extracomment>debug_mode</extracomment>
        <translation>Debugmodus</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The firmware check failed:&lt;/b&gt; the lamp&apos;s firmware differs from this tool&apos;s. Click to try again. If it happens again, save a support report (Ctrl+Shift+S) and send it to support.&lt;/span&gt;</source>
        <extracomment>status_fwDiffers</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Die Prüfung der Firmware ist fehlgeschlagen:&lt;/b&gt; Die Firmware der Lampe weicht von der dieses Programms ab. Klicken Sie, um es erneut zu versuchen. Wenn es wieder vorkommt, speichern Sie einen Supportbericht (Strg+Umschalt+S) und senden Sie ihn an den Support.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;A lamp was found but could not be read.&lt;/b&gt; Disconnect it and connect it again.&lt;/span&gt;</source>
        <extracomment>status_devUnreadable</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Eine Lampe wurde gefunden, konnte aber nicht gelesen werden.&lt;/b&gt; Trennen Sie sie und schließen Sie sie wieder an.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The lamp is not responding.&lt;/b&gt; Please wait and keep it connected: the tool does not stop a firmware write.&lt;/span&gt;</source>
        <extracomment>status_notResponding</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Die Lampe antwortet nicht.&lt;/b&gt; Bitte warten Sie und lassen Sie sie angeschlossen: Das Programm bricht das Schreiben der Firmware nicht ab.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The upgrade did not take effect:&lt;/b&gt; the %1 still does not have firmware version %2. Click to try again. If it happens again, save a support report (Ctrl+Shift+S) and send it to support.&lt;/span&gt;</source>
        <extracomment>status_noEffect</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Die Aktualisierung ist nicht wirksam geworden:&lt;/b&gt; Die %1 hat noch immer nicht die Firmware-Version %2. Klicken Sie, um es erneut zu versuchen. Wenn es wieder vorkommt, speichern Sie einen Supportbericht (Strg+Umschalt+S) und senden Sie ihn an den Support.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The last firmware write did not complete:&lt;/b&gt; the %1 does not have firmware version %2. Click to try again. If it happens again, save a support report (Ctrl+Shift+S) and send it to support.&lt;/span&gt;</source>
        <extracomment>status_writeIncomplete</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Das letzte Schreiben der Firmware wurde nicht abgeschlossen:&lt;/b&gt; Die %1 hat nicht die Firmware-Version %2. Klicken Sie, um es erneut zu versuchen. Wenn es wieder vorkommt, speichern Sie einen Supportbericht (Strg+Umschalt+S) und senden Sie ihn an den Support.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The firmware was not written:&lt;/b&gt; this tool&apos;s firmware file was changed on disk. Close the tool and start it again.&lt;/span&gt;</source>
        <extracomment>status_imageChanged</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Die Firmware wurde nicht geschrieben:&lt;/b&gt; Die Firmware-Datei dieses Programms wurde auf der Festplatte verändert. Schließen Sie das Programm und starten Sie es neu.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The firmware was written, but not checked:&lt;/b&gt; the tool has stopped handling the lamp. Close the tool and start it again to check the lamp.&lt;/span&gt;</source>
        <extracomment>status_stoppedAfterWrite</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Die Firmware wurde geschrieben, aber nicht geprüft:&lt;/b&gt; Das Programm hat die Bearbeitung der Lampe beendet. Schließen Sie es und starten Sie es neu, um die Lampe zu prüfen.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The firmware write did not complete:&lt;/b&gt; the tool has stopped handling the lamp. Close the tool, start it again and upgrade the lamp from step 1. If it happens again, save a support report (Ctrl+Shift+S) and send it to support.&lt;/span&gt;</source>
        <extracomment>status_stoppedWriteIncomplete</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Das Schreiben der Firmware wurde nicht abgeschlossen:&lt;/b&gt; Das Programm hat die Bearbeitung der Lampe beendet. Starten Sie es neu und aktualisieren Sie die Lampe ab Schritt 1. Wenn es wieder vorkommt, speichern Sie einen Supportbericht (Strg+Umschalt+S) und senden Sie ihn an den Support.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The lamp&apos;s firmware was not checked:&lt;/b&gt; the tool has stopped handling the lamp. Close the tool and start it again to check the lamp.&lt;/span&gt;</source>
        <extracomment>status_stoppedBeforeCheck</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Die Firmware der Lampe wurde nicht geprüft:&lt;/b&gt; Das Programm hat die Bearbeitung der Lampe beendet. Schließen Sie es und starten Sie es neu, um die Lampe zu prüfen.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The firmware check failed:&lt;/b&gt; the lamp&apos;s firmware differs from this tool&apos;s, and the tool has stopped. Start it again and upgrade the lamp again. If it happens again, save a support report (Ctrl+Shift+S) and send it to support.&lt;/span&gt;</source>
        <extracomment>status_stoppedAfterFailedCheck</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Die Prüfung der Firmware ist fehlgeschlagen:&lt;/b&gt; Die Firmware der Lampe weicht ab, und das Programm hat angehalten. Starten Sie es neu und aktualisieren Sie die Lampe erneut. Wenn es wieder vorkommt, speichern Sie einen Supportbericht (Strg+Umschalt+S) und senden Sie ihn an den Support.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Stopped:&lt;/b&gt; the tool has stopped handling lamps. The last lamp has this tool&apos;s firmware, checked byte for byte. Close the tool and start it again to upgrade another lamp.&lt;/span&gt;</source>
        <extracomment>status_stoppedAfterVerified</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Angehalten:&lt;/b&gt; Das Programm hat die Bearbeitung der Lampen beendet. Die letzte Lampe hat die Firmware dieses Programms, Byte für Byte geprüft. Starten Sie das Programm neu, um eine weitere Lampe zu aktualisieren.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The upgrade did not take effect:&lt;/b&gt; the tool has stopped handling the lamp. Start it again and upgrade the lamp from step 1. If it happens again, save a support report (Ctrl+Shift+S) and send it to support.&lt;/span&gt;</source>
        <extracomment>status_stoppedAfterNoEffect</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Die Aktualisierung ist nicht wirksam geworden:&lt;/b&gt; Das Programm hat die Bearbeitung der Lampe beendet. Starten Sie es neu und aktualisieren Sie die Lampe ab Schritt 1. Wenn es wieder vorkommt, speichern Sie einen Supportbericht (Strg+Umschalt+S) und senden Sie ihn an den Support.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Stopped:&lt;/b&gt; the tool has stopped handling the lamp; nothing was written. Close the tool and start it again to upgrade the lamp.&lt;/span&gt;</source>
        <extracomment>status_stopped</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Angehalten:&lt;/b&gt; Das Programm hat die Bearbeitung der Lampe beendet; es wurde nichts geschrieben. Starten Sie das Programm neu, um die Lampe zu aktualisieren.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The lamp is not responding.&lt;/b&gt; The tool does not stop a firmware write: unplugging the lamp ends it. The lamp can then be upgraded again from step 1.&lt;/span&gt;</source>
        <extracomment>status_notRespondingLong</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Die Lampe antwortet nicht.&lt;/b&gt; Das Programm bricht das Schreiben der Firmware nicht ab: Wenn Sie die Lampe trennen, endet es. Die Lampe kann danach ab Schritt 1 erneut aktualisiert werden.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;A lamp is connected, but this user may not open it.&lt;/b&gt; Install the tool&apos;s package (its udev rule lets users open the lamp), reconnect the lamp, and use the tool at this computer, not over ssh.&lt;/span&gt;</source>
        <extracomment>status_accessRefused</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Eine Lampe ist angeschlossen, aber dieser Benutzer darf sie nicht öffnen.&lt;/b&gt; Installieren Sie das Paket des Programms (seine udev-Regel gibt Benutzern Zugriff), schließen Sie die Lampe neu an und nutzen Sie das Programm an diesem Computer, nicht über ssh.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;More than one device in bootloader mode is connected.&lt;/b&gt; Disconnect all but the lamp.&lt;/span&gt;</source>
        <extracomment>status_severalDevices</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Mehr als ein Gerät im Bootloader-Modus ist angeschlossen.&lt;/b&gt; Trennen Sie alle Geräte außer der Lampe.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The computer&apos;s folder %1 is full or cannot be written&lt;/b&gt; (%2 of free space needed): the lamp could not be read or checked. Free space there, then disconnect the lamp and connect it again.&lt;/span&gt;</source>
        <extracomment>status_folderFull</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Der Ordner %1 des Computers ist voll oder nicht beschreibbar&lt;/b&gt; (%2 freier Speicher nötig): Die Lampe konnte nicht gelesen oder geprüft werden. Schaffen Sie dort Platz, trennen Sie dann die Lampe und schließen Sie sie wieder an.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The firmware was not written:&lt;/b&gt; the computer&apos;s folder %1 has no room to check it (%2 of free space needed). Free space there, then disconnect the lamp and connect it again.&lt;/span&gt;</source>
        <extracomment>status_folderFullWrite</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Die Firmware wurde nicht geschrieben:&lt;/b&gt; Im Ordner %1 des Computers ist kein Platz, um sie zu prüfen (%2 freier Speicher nötig). Schaffen Sie dort Platz, trennen Sie dann die Lampe und schließen Sie sie wieder an.&lt;/span&gt;</translation>
    </message>
</context>
<context>
    <name>LogWindowDialog</name>
    <message>
        <source>Debug: %1</source>
        <translation>Debug: %1</translation>
    </message>
    <message>
        <source>%1</source>
        <translation>%1</translation>
    </message>
    <message>
        <source>Warning: %1</source>
        <translation>Warning: %1</translation>
    </message>
    <message>
        <source>CRITICAL: %1</source>
        <translation>CRITICAL: %1</translation>
    </message>
    <message>
        <source>FATAL: %1</source>
        <translation>FATAL: %1</translation>
    </message>
    <message>
        <source>clear</source>
        <translation>leeren</translation>
    </message>
    <message>
        <source>save output</source>
        <translation>Ausgabe speichern</translation>
    </message>
    <message>
        <source>save support report</source>
        <translation>Supportbericht speichern</translation>
    </message>
    <message>
        <source>hide log</source>
        <translation>Protokoll ausblenden</translation>
    </message>
    <message>
        <source>%1 (repeated %2 times)</source>
        <translation>%1 (repeated %2 times)</translation>
    </message>
    <message>
        <source>Save Log Output</source>
        <translation>Protokollausgabe speichern</translation>
    </message>
    <message>
        <source>Text Files (*.txt);;All Files (*)</source>
        <translation>Textdateien (*.txt);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>&lt;nobr&gt;File &apos;%1&apos;&lt;br/&gt;cannot be opened for writing.&lt;br/&gt;&lt;br/&gt;The log output could &lt;b&gt;not&lt;/b&gt; be saved!&lt;/nobr&gt;</source>
        <translation>&lt;nobr&gt;Die Datei „%1“&lt;br/&gt;kann nicht zum Schreiben geöffnet werden.&lt;br/&gt;&lt;br/&gt;Die Protokollausgabe wurde &lt;b&gt;nicht&lt;/b&gt; gespeichert!&lt;/nobr&gt;</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Kalvora Firmware Upgrade Tool</source>
        <translation>Kalvora Firmware-Aktualisierung</translation>
    </message>
</context>
<context>
    <name>ProgressBar</name>
    <message>
        <source>Upgrading firmware</source>
        <translation>Firmware wird aktualisiert</translation>
    </message>
    <message>
        <source>Uploading &amp; verifying</source>
        <translation>Auslesen und Prüfen</translation>
    </message>
    <message>
        <source>Done. Disconnect USB cable.</source>
        <translation>Fertig. USB-Kabel trennen.</translation>
    </message>
    <message>
        <source>FW differs</source>
        <translation>Firmware weicht ab</translation>
    </message>
</context>
<context>
    <name>Startup</name>
    <message>
        <source>The program cannot create its working folder: %1.</source>
        <translation>Das Programm kann seinen Arbeitsordner nicht anlegen: %1.</translation>
    </message>
    <message>
        <source>The program cannot write its files into its working folder %1 (is the disk full?).</source>
        <translation>Das Programm kann seine Dateien nicht in seinen Arbeitsordner %1 schreiben (ist der Datenträger voll?).</translation>
    </message>
    <message>
        <source>The program&apos;s dfu-util (%1) did not run or did not answer within %2 s.</source>
        <translation>Das dfu-util des Programms (%1) ist nicht gestartet oder hat nicht innerhalb von %2 s geantwortet.</translation>
    </message>
    <message>
        <source>The firmware this program carries has no valid information block.</source>
        <translation>Die Firmware dieses Programms hat keinen gültigen Informationsblock.</translation>
    </message>
    <message>
        <source>The program will end now.</source>
        <translation>Das Programm wird jetzt beendet.</translation>
    </message>
</context>
<context>
    <name>SupportReport</name>
    <message>
        <source>Save Support Report</source>
        <translation>Supportbericht speichern</translation>
    </message>
    <message>
        <source>Text Files (*.txt);;All Files (*)</source>
        <translation>Textdateien (*.txt);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Support Report</source>
        <translation>Supportbericht</translation>
    </message>
    <message>
        <source>The support report could not be saved as %1: %2. Nothing was written there.</source>
        <translation>Der Supportbericht konnte nicht als %1 gespeichert werden: %2. Dort wurde nichts geschrieben.</translation>
    </message>
</context>
</TS>
