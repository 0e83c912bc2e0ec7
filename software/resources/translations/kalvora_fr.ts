<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
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
        <translation>Usage : kalvora-upgrade-cli [-s] [--count N] [--wait SECONDES] [--report FICHIER] [--help]
Met à jour N lampes Kalvora Rel-41 (par défaut 1), l&apos;une après l&apos;autre, sans fenêtre.
Chaque lampe est écrite lorsqu&apos;elle est trouvée avec une autre version du micrologiciel,
puis relue et comparée octet par octet. La sortie standard contient un objet JSON par ligne.
  -s                 utiliser la lampe simulée au lieu d&apos;une vraie
  --count N          le nombre de lampes à traiter
  --wait SECONDES    abandonner une lampe qui n&apos;est pas trouvée dans ce délai
  --report FICHIER   écrire un rapport d&apos;assistance dans FICHIER à la fin de l&apos;exécution
  --help             afficher ce texte
Code de sortie : 0 chaque lampe vérifiée, 1 échec au démarrage, 2 usage, 3 mauvais produit ou
enregistrement vide, 4 illisible, 5 vérification échouée, 6 écriture échouée ou sans effet,
7 pas d&apos;autorisation, 8 plusieurs appareils, 9 dossier plein, 10 pas de lampe dans le délai,
128+N signal N.
</translation>
    </message>
    <message>
        <source>unexpected argument: %1</source>
        <translation>argument inattendu : %1</translation>
    </message>
    <message>
        <source>bad value for --count: %1</source>
        <translation>valeur incorrecte pour --count : %1</translation>
    </message>
    <message>
        <source>bad value for --wait: %1</source>
        <translation>valeur incorrecte pour --wait : %1</translation>
    </message>
    <message>
        <source>the support report could not be written to %1: %2</source>
        <translation>le rapport d&apos;assistance n&apos;a pas pu être écrit dans %1 : %2</translation>
    </message>
    <message>
        <source>more than one device in bootloader mode is connected: lamp %1 is read once it is the only one</source>
        <translation>plusieurs appareils en mode bootloader sont branchés : la lampe %1 sera lue dès qu&apos;elle sera la seule</translation>
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
&lt;span style=&quot;color:#FFFFFF; font-weight:bold;&quot;&gt;Mise à jour&lt;/span&gt;
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
Version du micrologiciel :
&lt;br&gt;
%1&lt;/span&gt;</translation>
    </message>
    <message>
        <source>Follow the steps below
to upgrade your product.</source>
        <extracomment>5</extracomment>
        <translation>Suivez les étapes ci-dessous
pour mettre à jour votre produit.</translation>
    </message>
    <message>
        <source>1. Disconnect power cable</source>
        <extracomment>7a</extracomment>
        <translation>1. Débranchez le câble d&apos;alimentation</translation>
    </message>
    <message>
        <source>2. Wait at least 2 minutes</source>
        <extracomment>7b</extracomment>
        <translation>2. Attendez au moins 2 minutes</translation>
    </message>
    <message>
        <source>3. Press and hold left continuous light button
    while connecting power cable</source>
        <extracomment>7c</extracomment>
        <translation>3. Maintenez le bouton de lumière continue gauche
    enfoncé en branchant le câble d&apos;alimentation</translation>
    </message>
    <message>
        <source>4. Connect USB-cable</source>
        <extracomment>9</extracomment>
        <translation>4. Branchez le câble USB</translation>
    </message>
    <message>
        <source>5. Click to start upgrade</source>
        <extracomment>8b2</extracomment>
        <translation>5. Lancer la mise à jour</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Note: Once the update is finished you need to connect Rel-41 to the&lt;br&gt;
Kalvora app to register that it is updated. Otherwise you will continue&lt;br&gt;
to receive email notifications about updating your Rel-41.&lt;/span&gt;</source>
        <extracomment>status_noDev</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Remarque : une fois la mise à jour terminée, connectez la Rel-41 à la&lt;br&gt;
Kalvora app pour enregistrer la mise à jour. Sinon, vous continuerez à recevoir&lt;br&gt;
des e-mails vous invitant à mettre à jour votre Rel-41.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Connected to a %1.&lt;/span&gt;</source>
        <extracomment>status_devConn</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Connecté : %1.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Connected to a %1 with firmware version %2&lt;/span&gt;</source>
        <extracomment>status_devRev</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Connecté : %1, version du micrologiciel %2&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Connected to a %1 with unknown firmware version.&lt;/span&gt;</source>
        <extracomment>status_devRevUnknown</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Connecté : %1, version du micrologiciel inconnue.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Writing firmware.&lt;/b&gt; Please wait until the upgrade has finished.&lt;/span&gt;</source>
        <extracomment>status_writing</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Écriture du micrologiciel.&lt;/b&gt; Veuillez patienter jusqu&apos;à la fin de la mise à jour.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>Simulator mode</source>
        <extracomment>sim_mode</extracomment>
        <translation>Mode simulateur</translation>
    </message>
    <message>
        <source>Debug mode</source>
        <extracomment>debug_mode</extracomment>
        <translation>Mode débogage</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The firmware check failed:&lt;/b&gt; the lamp&apos;s firmware differs from this tool&apos;s. Click to try again. If it happens again, save a support report (Ctrl+Shift+S) and send it to support.&lt;/span&gt;</source>
        <extracomment>status_fwDiffers</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;La vérification du micrologiciel a échoué :&lt;/b&gt; le micrologiciel de la lampe diffère de celui de cet outil. Cliquez pour réessayer. Si cela se reproduit, enregistrez un rapport d&apos;assistance (Ctrl+Maj+S) et envoyez-le à l&apos;assistance.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;A lamp was found but could not be read.&lt;/b&gt; Disconnect it and connect it again.&lt;/span&gt;</source>
        <extracomment>status_devUnreadable</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Une lampe a été trouvée, mais n&apos;a pas pu être lue.&lt;/b&gt; Débranchez-la et rebranchez-la.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The lamp is not responding.&lt;/b&gt; Please wait and keep it connected: the tool does not stop a firmware write.&lt;/span&gt;</source>
        <extracomment>status_notResponding</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;La lampe ne répond pas.&lt;/b&gt; Veuillez patienter et la laisser branchée : l&apos;outil n&apos;interrompt pas l&apos;écriture du micrologiciel.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The upgrade did not take effect:&lt;/b&gt; the %1 still does not have firmware version %2. Click to try again. If it happens again, save a support report (Ctrl+Shift+S) and send it to support.&lt;/span&gt;</source>
        <extracomment>status_noEffect</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;La mise à jour n&apos;a pas pris effet :&lt;/b&gt; la %1 n&apos;a toujours pas la version %2 du micrologiciel. Cliquez pour réessayer. Si cela se reproduit, enregistrez un rapport d&apos;assistance (Ctrl+Maj+S) et envoyez-le à l&apos;assistance.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The last firmware write did not complete:&lt;/b&gt; the %1 does not have firmware version %2. Click to try again. If it happens again, save a support report (Ctrl+Shift+S) and send it to support.&lt;/span&gt;</source>
        <extracomment>status_writeIncomplete</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;La dernière écriture du micrologiciel n&apos;a pas abouti :&lt;/b&gt; la %1 n&apos;a pas la version %2 du micrologiciel. Cliquez pour réessayer. Si cela se reproduit, enregistrez un rapport d&apos;assistance (Ctrl+Maj+S) et envoyez-le à l&apos;assistance.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The firmware was not written:&lt;/b&gt; this tool&apos;s firmware file was changed on disk. Close the tool and start it again.&lt;/span&gt;</source>
        <extracomment>status_imageChanged</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Le micrologiciel n&apos;a pas été écrit :&lt;/b&gt; le fichier du micrologiciel de cet outil a été modifié sur le disque. Fermez l&apos;outil et relancez-le.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The firmware was written, but not checked:&lt;/b&gt; the tool has stopped handling the lamp. Close the tool and start it again to check the lamp.&lt;/span&gt;</source>
        <extracomment>status_stoppedAfterWrite</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Le micrologiciel a été écrit, mais pas vérifié :&lt;/b&gt; l&apos;outil a cessé de traiter la lampe. Fermez l&apos;outil et relancez-le pour vérifier la lampe.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The firmware write did not complete:&lt;/b&gt; the tool has stopped handling the lamp. Close the tool, start it again and upgrade the lamp from step 1. If it happens again, save a support report (Ctrl+Shift+S) and send it to support.&lt;/span&gt;</source>
        <extracomment>status_stoppedWriteIncomplete</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;L&apos;écriture du micrologiciel n&apos;a pas abouti :&lt;/b&gt; l&apos;outil a cessé de traiter la lampe. Relancez-le et mettez la lampe à jour depuis l&apos;étape 1. Si cela se reproduit, enregistrez un rapport d&apos;assistance (Ctrl+Maj+S) et envoyez-le à l&apos;assistance.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The lamp&apos;s firmware was not checked:&lt;/b&gt; the tool has stopped handling the lamp. Close the tool and start it again to check the lamp.&lt;/span&gt;</source>
        <extracomment>status_stoppedBeforeCheck</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Le micrologiciel de la lampe n&apos;a pas été vérifié :&lt;/b&gt; l&apos;outil a cessé de traiter la lampe. Fermez l&apos;outil et relancez-le pour vérifier la lampe.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The firmware check failed:&lt;/b&gt; the lamp&apos;s firmware differs from this tool&apos;s, and the tool has stopped. Start it again and upgrade the lamp again. If it happens again, save a support report (Ctrl+Shift+S) and send it to support.&lt;/span&gt;</source>
        <extracomment>status_stoppedAfterFailedCheck</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;La vérification du micrologiciel a échoué :&lt;/b&gt; le micrologiciel de la lampe diffère, et l&apos;outil s&apos;est arrêté. Relancez-le et mettez la lampe à jour à nouveau. Si cela se reproduit, enregistrez un rapport d&apos;assistance (Ctrl+Maj+S) et envoyez-le à l&apos;assistance.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Stopped:&lt;/b&gt; the tool has stopped handling lamps. The last lamp has this tool&apos;s firmware, checked byte for byte. Close the tool and start it again to upgrade another lamp.&lt;/span&gt;</source>
        <extracomment>status_stoppedAfterVerified</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Arrêté :&lt;/b&gt; l&apos;outil a cessé de traiter les lampes. La dernière lampe a le micrologiciel de cet outil, vérifié octet par octet. Relancez l&apos;outil pour mettre à jour une autre lampe.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The upgrade did not take effect:&lt;/b&gt; the tool has stopped handling the lamp. Start it again and upgrade the lamp from step 1. If it happens again, save a support report (Ctrl+Shift+S) and send it to support.&lt;/span&gt;</source>
        <extracomment>status_stoppedAfterNoEffect</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;La mise à jour n&apos;a pas pris effet :&lt;/b&gt; l&apos;outil a cessé de traiter la lampe. Relancez-le et mettez la lampe à jour depuis l&apos;étape 1. Si cela se reproduit, enregistrez un rapport d&apos;assistance (Ctrl+Maj+S) et envoyez-le à l&apos;assistance.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Stopped:&lt;/b&gt; the tool has stopped handling the lamp; nothing was written. Close the tool and start it again to upgrade the lamp.&lt;/span&gt;</source>
        <extracomment>status_stopped</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Arrêté :&lt;/b&gt; l&apos;outil a cessé de traiter la lampe ; rien n&apos;a été écrit. Fermez l&apos;outil et relancez-le pour mettre la lampe à jour.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The lamp is not responding.&lt;/b&gt; The tool does not stop a firmware write: unplugging the lamp ends it. The lamp can then be upgraded again from step 1.&lt;/span&gt;</source>
        <extracomment>status_notRespondingLong</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;La lampe ne répond pas.&lt;/b&gt; L&apos;outil n&apos;interrompt pas l&apos;écriture du micrologiciel : débrancher la lampe y met fin. La lampe peut ensuite être mise à jour à nouveau depuis l&apos;étape 1.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;A lamp is connected, but this user may not open it.&lt;/b&gt; Install the tool&apos;s package (its udev rule lets users open the lamp), reconnect the lamp, and use the tool at this computer, not over ssh.&lt;/span&gt;</source>
        <extracomment>status_accessRefused</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Une lampe est branchée, mais cet utilisateur ne peut pas l&apos;ouvrir.&lt;/b&gt; Installez le paquet de l&apos;outil (sa règle udev donne l&apos;accès), rebranchez la lampe et utilisez l&apos;outil sur cet ordinateur, pas via ssh.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;More than one device in bootloader mode is connected.&lt;/b&gt; Disconnect all but the lamp.&lt;/span&gt;</source>
        <extracomment>status_severalDevices</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Plusieurs appareils en mode bootloader sont branchés.&lt;/b&gt; Débranchez tous les appareils sauf la lampe.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The computer&apos;s folder %1 is full or cannot be written&lt;/b&gt; (%2 of free space needed): the lamp could not be read or checked. Free space there, then disconnect the lamp and connect it again.&lt;/span&gt;</source>
        <extracomment>status_folderFull</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Le dossier %1 de l&apos;ordinateur est plein ou protégé en écriture&lt;/b&gt; (%2 d&apos;espace libre nécessaires) : la lampe n&apos;a pas pu être lue ni vérifiée. Libérez de l&apos;espace, puis débranchez et rebranchez la lampe.&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The firmware was not written:&lt;/b&gt; the computer&apos;s folder %1 has no room to check it (%2 of free space needed). Free space there, then disconnect the lamp and connect it again.&lt;/span&gt;</source>
        <extracomment>status_folderFullWrite</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Le micrologiciel n&apos;a pas été écrit :&lt;/b&gt; le dossier %1 de l&apos;ordinateur n&apos;a pas la place de le vérifier (%2 d&apos;espace libre nécessaires). Libérez de l&apos;espace, puis débranchez et rebranchez la lampe.&lt;/span&gt;</translation>
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
        <translation>effacer</translation>
    </message>
    <message>
        <source>save output</source>
        <translation>enregistrer la sortie</translation>
    </message>
    <message>
        <source>save support report</source>
        <translation>enregistrer un rapport d&apos;assistance</translation>
    </message>
    <message>
        <source>hide log</source>
        <translation>masquer le journal</translation>
    </message>
    <message>
        <source>%1 (repeated %2 times)</source>
        <translation>%1 (repeated %2 times)</translation>
    </message>
    <message>
        <source>Save Log Output</source>
        <translation>Enregistrer la sortie du journal</translation>
    </message>
    <message>
        <source>Text Files (*.txt);;All Files (*)</source>
        <translation>Fichiers texte (*.txt);;Tous les fichiers (*)</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Erreur</translation>
    </message>
    <message>
        <source>&lt;nobr&gt;File &apos;%1&apos;&lt;br/&gt;cannot be opened for writing.&lt;br/&gt;&lt;br/&gt;The log output could &lt;b&gt;not&lt;/b&gt; be saved!&lt;/nobr&gt;</source>
        <translation>&lt;nobr&gt;Le fichier « %1 »&lt;br/&gt;ne peut pas être ouvert en écriture.&lt;br/&gt;&lt;br/&gt;La sortie du journal n&apos;a &lt;b&gt;pas&lt;/b&gt; été enregistrée !&lt;/nobr&gt;</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Kalvora Firmware Upgrade Tool</source>
        <translation>Kalvora – Mise à jour du micrologiciel</translation>
    </message>
</context>
<context>
    <name>ProgressBar</name>
    <message>
        <source>Upgrading firmware</source>
        <translation>Mise à jour en cours</translation>
    </message>
    <message>
        <source>Uploading &amp; verifying</source>
        <translation>Lecture et vérification</translation>
    </message>
    <message>
        <source>Done. Disconnect USB cable.</source>
        <translation>Terminé. Débranchez le câble USB.</translation>
    </message>
    <message>
        <source>FW differs</source>
        <translation>Micrologiciel différent</translation>
    </message>
</context>
<context>
    <name>Startup</name>
    <message>
        <source>The program cannot create its working folder: %1.</source>
        <translation>Le programme ne peut pas créer son dossier de travail : %1.</translation>
    </message>
    <message>
        <source>The program cannot write its files into its working folder %1 (is the disk full?).</source>
        <translation>Le programme ne peut pas écrire ses fichiers dans son dossier de travail %1 (le disque est-il plein ?).</translation>
    </message>
    <message>
        <source>The program&apos;s dfu-util (%1) did not run or did not answer within %2 s.</source>
        <translation>Le dfu-util du programme (%1) ne s&apos;est pas lancé ou n&apos;a pas répondu dans les %2 s.</translation>
    </message>
    <message>
        <source>The firmware this program carries has no valid information block.</source>
        <translation>Le micrologiciel fourni avec ce programme n&apos;a pas de bloc d&apos;informations valide.</translation>
    </message>
    <message>
        <source>The program will end now.</source>
        <translation>Le programme va maintenant se fermer.</translation>
    </message>
</context>
<context>
    <name>SupportReport</name>
    <message>
        <source>Save Support Report</source>
        <translation>Enregistrer le rapport d&apos;assistance</translation>
    </message>
    <message>
        <source>Text Files (*.txt);;All Files (*)</source>
        <translation>Fichiers texte (*.txt);;Tous les fichiers (*)</translation>
    </message>
    <message>
        <source>Support Report</source>
        <translation>Rapport d&apos;assistance</translation>
    </message>
    <message>
        <source>The support report could not be saved as %1: %2. Nothing was written there.</source>
        <translation>Le rapport d&apos;assistance n&apos;a pas pu être enregistré sous %1 : %2. Rien n&apos;y a été écrit.</translation>
    </message>
</context>
</TS>
