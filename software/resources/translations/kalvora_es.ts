<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
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
        <translation>Uso: kalvora-upgrade-cli [-s] [--count N] [--wait SEGUNDOS] [--report ARCHIVO] [--help]
Actualiza N lámparas Kalvora Rel-41 (por defecto 1), una tras otra, sin ventana.
Cada lámpara se escribe cuando se encuentra con otra versión de firmware, y después se
vuelve a leer y se compara byte a byte. La salida estándar contiene un objeto JSON por línea.
  -s                 usar la lámpara simulada en lugar de una real
  --count N          el número de lámparas que atender
  --wait SEGUNDOS    abandonar una lámpara que no se encuentre en este tiempo
  --report ARCHIVO   escribir un informe de soporte en ARCHIVO al terminar
  --help             mostrar este texto
Estado de salida: 0 todas las lámparas comprobadas, 1 fallo al iniciar, 2 uso, 3 producto
incorrecto o registro vacío, 4 ilegible, 5 comprobación fallida, 6 escritura fallida o sin
efecto, 7 sin permiso, 8 varios dispositivos, 9 carpeta llena, 10 ninguna lámpara en el
tiempo de espera, 128+N señal N.
</translation>
    </message>
    <message>
        <source>unexpected argument: %1</source>
        <translation>argumento inesperado: %1</translation>
    </message>
    <message>
        <source>bad value for --count: %1</source>
        <translation>valor no válido para --count: %1</translation>
    </message>
    <message>
        <source>bad value for --wait: %1</source>
        <translation>valor no válido para --wait: %1</translation>
    </message>
    <message>
        <source>the support report could not be written to %1: %2</source>
        <translation>no se pudo escribir el informe de soporte en %1: %2</translation>
    </message>
    <message>
        <source>more than one device in bootloader mode is connected: lamp %1 is read once it is the only one</source>
        <translation>hay más de un dispositivo en modo bootloader conectado: la lámpara %1 se leerá cuando sea la única</translation>
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
&lt;span style=&quot;color:#FFFFFF; font-weight:bold;&quot;&gt;Actualización del firmware&lt;/span&gt;
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
Versión del firmware:
&lt;br&gt;
%1&lt;/span&gt;</translation>
    </message>
    <message>
        <source>Follow the steps below
to upgrade your product.</source>
        <extracomment>5</extracomment>
        <translation>Siga los pasos siguientes
para actualizar su producto.</translation>
    </message>
    <message>
        <source>1. Disconnect power cable</source>
        <extracomment>7a</extracomment>
        <translation>1. Desconecte el cable de alimentación</translation>
    </message>
    <message>
        <source>2. Wait at least 2 minutes</source>
        <extracomment>7b</extracomment>
        <translation>2. Espere al menos 2 minutos</translation>
    </message>
    <message>
        <source>3. Press and hold left continuous light button
    while connecting power cable</source>
        <extracomment>7c</extracomment>
        <translation>3. Mantenga pulsado el botón izquierdo de luz continua
    mientras conecta el cable de alimentación</translation>
    </message>
    <message>
        <source>4. Connect USB-cable</source>
        <extracomment>9</extracomment>
        <translation>4. Conecte el cable USB</translation>
    </message>
    <message>
        <source>5. Click to start upgrade</source>
        <extracomment>8b2</extracomment>
        <translation>5. Iniciar la actualización</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Note: Once the update is finished you need to connect Rel-41 to the&lt;br&gt;
Kalvora app to register that it is updated. Otherwise you will continue&lt;br&gt;
to receive email notifications about updating your Rel-41.&lt;/span&gt;</source>
        <extracomment>status_noDev</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Nota: cuando termine la actualización, conecte la Rel-41 a la&lt;br&gt;
Kalvora app para registrar que está actualizada. De lo contrario, seguirá&lt;br&gt;
recibiendo correos electrónicos para actualizar su Rel-41.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Connected to a %1.&lt;/span&gt;</source>
        <extracomment>status_devConn</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Conectado: %1.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Connected to a %1 with firmware version %2&lt;/span&gt;</source>
        <extracomment>status_devRev</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Conectado: %1 con la versión de firmware %2&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Connected to a %1 with unknown firmware version.&lt;/span&gt;</source>
        <extracomment>status_devRevUnknown</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Conectado: %1 con una versión de firmware desconocida.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Writing firmware.&lt;/b&gt; Please wait until the upgrade has finished.&lt;/span&gt;</source>
        <extracomment>status_writing</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Escribiendo el firmware.&lt;/b&gt; Espere a que termine la actualización.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>Simulator mode</source>
        <extracomment>sim_mode</extracomment>
        <translation>Modo simulador</translation>
    </message>
    <message>
        <source>Debug mode</source>
        <extracomment>debug_mode</extracomment>
        <translation>Modo depuración</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The firmware check failed:&lt;/b&gt; the lamp&apos;s firmware differs from this tool&apos;s. Click to try again. If it happens again, save a support report (Ctrl+Shift+S) and send it to support.&lt;/span&gt;</source>
        <extracomment>status_fwDiffers</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;La comprobación del firmware ha fallado:&lt;/b&gt; el firmware de la lámpara es distinto del de esta herramienta. Haga clic para volver a intentarlo. Si vuelve a ocurrir, guarde un informe de soporte (Ctrl+Mayús+S) y envíelo al soporte técnico.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;A lamp was found but could not be read.&lt;/b&gt; Disconnect it and connect it again.&lt;/span&gt;</source>
        <extracomment>status_devUnreadable</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Se encontró una lámpara, pero no se pudo leer.&lt;/b&gt; Desconéctela y vuelva a conectarla.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The lamp is not responding.&lt;/b&gt; Please wait and keep it connected: the tool does not stop a firmware write.&lt;/span&gt;</source>
        <extracomment>status_notResponding</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;La lámpara no responde.&lt;/b&gt; Espere y manténgala conectada: la herramienta no interrumpe la escritura del firmware.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The upgrade did not take effect:&lt;/b&gt; the %1 still does not have firmware version %2. Click to try again. If it happens again, save a support report (Ctrl+Shift+S) and send it to support.&lt;/span&gt;</source>
        <extracomment>status_noEffect</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;La actualización no ha surtido efecto:&lt;/b&gt; la %1 sigue sin tener la versión de firmware %2. Haga clic para volver a intentarlo. Si vuelve a ocurrir, guarde un informe de soporte (Ctrl+Mayús+S) y envíelo al soporte técnico.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The last firmware write did not complete:&lt;/b&gt; the %1 does not have firmware version %2. Click to try again. If it happens again, save a support report (Ctrl+Shift+S) and send it to support.&lt;/span&gt;</source>
        <extracomment>status_writeIncomplete</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;La última escritura del firmware no se completó:&lt;/b&gt; la %1 no tiene la versión de firmware %2. Haga clic para volver a intentarlo. Si vuelve a ocurrir, guarde un informe de soporte (Ctrl+Mayús+S) y envíelo al soporte técnico.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The firmware was not written:&lt;/b&gt; this tool&apos;s firmware file was changed on disk. Close the tool and start it again.&lt;/span&gt;</source>
        <extracomment>status_imageChanged</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;El firmware no se escribió:&lt;/b&gt; el archivo de firmware de esta herramienta se modificó en el disco. Cierre la herramienta y vuelva a iniciarla.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The firmware was written, but not checked:&lt;/b&gt; the tool has stopped handling the lamp. Close the tool and start it again to check the lamp.&lt;/span&gt;</source>
        <extracomment>status_stoppedAfterWrite</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;El firmware se escribió, pero no se comprobó:&lt;/b&gt; la herramienta ha dejado de atender la lámpara. Ciérrela y vuelva a iniciarla para comprobar la lámpara.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The firmware write did not complete:&lt;/b&gt; the tool has stopped handling the lamp. Close the tool, start it again and upgrade the lamp from step 1. If it happens again, save a support report (Ctrl+Shift+S) and send it to support.&lt;/span&gt;</source>
        <extracomment>status_stoppedWriteIncomplete</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;La escritura del firmware no se completó:&lt;/b&gt; la herramienta ha dejado de atender la lámpara. Vuelva a iniciarla y actualice la lámpara desde el paso 1. Si vuelve a ocurrir, guarde un informe de soporte (Ctrl+Mayús+S) y envíelo al soporte técnico.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The lamp&apos;s firmware was not checked:&lt;/b&gt; the tool has stopped handling the lamp. Close the tool and start it again to check the lamp.&lt;/span&gt;</source>
        <extracomment>status_stoppedBeforeCheck</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;El firmware de la lámpara no se comprobó:&lt;/b&gt; la herramienta ha dejado de atender la lámpara. Ciérrela y vuelva a iniciarla para comprobar la lámpara.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The firmware check failed:&lt;/b&gt; the lamp&apos;s firmware differs from this tool&apos;s, and the tool has stopped. Start it again and upgrade the lamp again. If it happens again, save a support report (Ctrl+Shift+S) and send it to support.&lt;/span&gt;</source>
        <extracomment>status_stoppedAfterFailedCheck</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;La comprobación del firmware ha fallado:&lt;/b&gt; el firmware de la lámpara es distinto, y la herramienta se ha detenido. Vuelva a iniciarla y actualice la lámpara de nuevo. Si vuelve a ocurrir, guarde un informe de soporte (Ctrl+Mayús+S) y envíelo al soporte técnico.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Stopped:&lt;/b&gt; the tool has stopped handling lamps. The last lamp has this tool&apos;s firmware, checked byte for byte. Close the tool and start it again to upgrade another lamp.&lt;/span&gt;</source>
        <extracomment>status_stoppedAfterVerified</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Detenido:&lt;/b&gt; la herramienta ha dejado de atender lámparas. La última lámpara tiene el firmware de esta herramienta, comprobado byte a byte. Vuelva a iniciarla para actualizar otra lámpara.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The upgrade did not take effect:&lt;/b&gt; the tool has stopped handling the lamp. Start it again and upgrade the lamp from step 1. If it happens again, save a support report (Ctrl+Shift+S) and send it to support.&lt;/span&gt;</source>
        <extracomment>status_stoppedAfterNoEffect</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;La actualización no ha surtido efecto:&lt;/b&gt; la herramienta ha dejado de atender la lámpara. Vuelva a iniciarla y actualice la lámpara desde el paso 1. Si vuelve a ocurrir, guarde un informe de soporte (Ctrl+Mayús+S) y envíelo al soporte técnico.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Stopped:&lt;/b&gt; the tool has stopped handling the lamp; nothing was written. Close the tool and start it again to upgrade the lamp.&lt;/span&gt;</source>
        <extracomment>status_stopped</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Detenido:&lt;/b&gt; la herramienta ha dejado de atender la lámpara; no se escribió nada. Ciérrela y vuelva a iniciarla para actualizar la lámpara.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The lamp is not responding.&lt;/b&gt; The tool does not stop a firmware write: unplugging the lamp ends it. The lamp can then be upgraded again from step 1.&lt;/span&gt;</source>
        <extracomment>status_notRespondingLong</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;La lámpara no responde.&lt;/b&gt; La herramienta no interrumpe la escritura del firmware: desconectar la lámpara la termina. Después, la lámpara puede actualizarse de nuevo desde el paso 1.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;A lamp is connected, but this user may not open it.&lt;/b&gt; Install the tool&apos;s package (its udev rule lets users open the lamp), reconnect the lamp, and use the tool at this computer, not over ssh.&lt;/span&gt;</source>
        <extracomment>status_accessRefused</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Hay una lámpara conectada, pero este usuario no puede abrirla.&lt;/b&gt; Instale el paquete de la herramienta (su regla udev da acceso), vuelva a conectar la lámpara y use la herramienta en este ordenador, no por ssh.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;More than one device in bootloader mode is connected.&lt;/b&gt; Disconnect all but the lamp.&lt;/span&gt;</source>
        <extracomment>status_severalDevices</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Hay más de un dispositivo conectado en modo bootloader.&lt;/b&gt; Desconecte todos menos la lámpara.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The computer&apos;s folder %1 is full or cannot be written&lt;/b&gt; (%2 of free space needed): the lamp could not be read or checked. Free space there, then disconnect the lamp and connect it again.&lt;/span&gt;</source>
        <extracomment>status_folderFull</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;La carpeta %1 del ordenador está llena o no se puede escribir&lt;/b&gt; (se necesitan %2 libres): no se pudo leer ni comprobar la lámpara. Libere espacio y después desconecte la lámpara y vuelva a conectarla.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The firmware was not written:&lt;/b&gt; the computer&apos;s folder %1 has no room to check it (%2 of free space needed). Free space there, then disconnect the lamp and connect it again.&lt;/span&gt;</source>
        <extracomment>status_folderFullWrite</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;El firmware no se escribió:&lt;/b&gt; la carpeta %1 del ordenador no tiene espacio para comprobarlo (se necesitan %2 libres). Libere espacio y después desconecte la lámpara y vuelva a conectarla.&lt;/span&gt;</translation>
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
        <translation>borrar</translation>
    </message>
    <message>
        <source>save output</source>
        <translation>guardar la salida</translation>
    </message>
    <message>
        <source>save support report</source>
        <translation>guardar informe de soporte</translation>
    </message>
    <message>
        <source>hide log</source>
        <translation>ocultar el registro</translation>
    </message>
    <message>
        <source>%1 (repeated %2 times)</source>
        <translation>%1 (repeated %2 times)</translation>
    </message>
    <message>
        <source>Save Log Output</source>
        <translation>Guardar la salida del registro</translation>
    </message>
    <message>
        <source>Text Files (*.txt);;All Files (*)</source>
        <translation>Archivos de texto (*.txt);;Todos los archivos (*)</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>&lt;nobr&gt;File &apos;%1&apos;&lt;br/&gt;cannot be opened for writing.&lt;br/&gt;&lt;br/&gt;The log output could &lt;b&gt;not&lt;/b&gt; be saved!&lt;/nobr&gt;</source>
        <translation>&lt;nobr&gt;El archivo «%1»&lt;br/&gt;no se puede abrir para escribir.&lt;br/&gt;&lt;br/&gt;¡La salida del registro &lt;b&gt;no&lt;/b&gt; se ha guardado!&lt;/nobr&gt;</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Kalvora Firmware Upgrade Tool</source>
        <translation>Kalvora – Actualización del firmware</translation>
    </message>
</context>
<context>
    <name>ProgressBar</name>
    <message>
        <source>Upgrading firmware</source>
        <translation>Actualizando el firmware</translation>
    </message>
    <message>
        <source>Uploading &amp; verifying</source>
        <translation>Leyendo y comprobando</translation>
    </message>
    <message>
        <source>Done. Disconnect USB cable.</source>
        <translation>Listo. Desconecte el cable USB.</translation>
    </message>
    <message>
        <source>FW differs</source>
        <translation>Firmware distinto</translation>
    </message>
</context>
<context>
    <name>Startup</name>
    <message>
        <source>The program cannot create its working folder: %1.</source>
        <translation>El programa no puede crear su carpeta de trabajo: %1.</translation>
    </message>
    <message>
        <source>The program cannot write its files into its working folder %1 (is the disk full?).</source>
        <translation>El programa no puede escribir sus archivos en su carpeta de trabajo %1 (¿está lleno el disco?).</translation>
    </message>
    <message>
        <source>The program&apos;s dfu-util (%1) did not run or did not answer within %2 s.</source>
        <translation>El dfu-util del programa (%1) no se ejecutó o no respondió en %2 s.</translation>
    </message>
    <message>
        <source>The firmware this program carries has no valid information block.</source>
        <translation>El firmware que incluye este programa no tiene un bloque de información válido.</translation>
    </message>
    <message>
        <source>The program will end now.</source>
        <translation>El programa se cerrará ahora.</translation>
    </message>
</context>
<context>
    <name>SupportReport</name>
    <message>
        <source>Save Support Report</source>
        <translation>Guardar el informe de soporte</translation>
    </message>
    <message>
        <source>Text Files (*.txt);;All Files (*)</source>
        <translation>Archivos de texto (*.txt);;Todos los archivos (*)</translation>
    </message>
    <message>
        <source>Support Report</source>
        <translation>Informe de soporte</translation>
    </message>
    <message>
        <source>The support report could not be saved as %1: %2. Nothing was written there.</source>
        <translation>No se pudo guardar el informe de soporte como %1: %2. No se escribió nada allí.</translation>
    </message>
</context>
</TS>
