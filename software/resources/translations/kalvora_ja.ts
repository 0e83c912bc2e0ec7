<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja">
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
        <translation>使い方: kalvora-upgrade-cli [-s] [--count N] [--wait 秒数] [--report ファイル] [--help]
Kalvora Rel-41 ランプ N 台（既定は 1 台）を、ウィンドウなしで 1 台ずつアップグレードします。
別のファームウェアバージョンのランプが見つかると書き込み、読み戻して 1 バイトずつ比較します。
標準出力には 1 行に 1 つの JSON オブジェクトが出力されます。
  -s                 実機の代わりにシミュレーションのランプを使う
  --count N          処理するランプの台数
  --wait 秒数        この時間内に見つからないランプをあきらめる
  --report ファイル  実行の終わりにサポートレポートをファイルに書き込む
  --help             このテキストを表示する
終了ステータス: 0 すべてのランプを検証済み、1 起動の失敗、2 使い方の誤り、3 製品違いまたは
空のレコード、4 読み取り不可、5 検証の失敗、6 書き込みの失敗または反映なし、7 権限なし、
8 複数のデバイス、9 フォルダーがいっぱい、10 待ち時間内にランプなし、128+N シグナル N。
</translation>
    </message>
    <message>
        <source>unexpected argument: %1</source>
        <translation>予期しない引数: %1</translation>
    </message>
    <message>
        <source>bad value for --count: %1</source>
        <translation>--count の値が不正です: %1</translation>
    </message>
    <message>
        <source>bad value for --wait: %1</source>
        <translation>--wait の値が不正です: %1</translation>
    </message>
    <message>
        <source>the support report could not be written to %1: %2</source>
        <translation>サポートレポートを %1 に書き込めませんでした: %2</translation>
    </message>
    <message>
        <source>more than one device in bootloader mode is connected: lamp %1 is read once it is the only one</source>
        <translation>ブートローダーモードのデバイスが 2 台以上接続されています: ランプ %1 は 1 台だけになったら読み取ります</translation>
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
&lt;span style=&quot;color:#FFFFFF; font-weight:bold;&quot;&gt;ファームウェア&lt;br&gt;アップグレード&lt;/span&gt;
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
ファームウェア バージョン:
&lt;br&gt;
%1&lt;/span&gt;</translation>
    </message>
    <message>
        <source>Follow the steps below
to upgrade your product.</source>
        <extracomment>5</extracomment>
        <translation>以下の手順で
製品をアップグレードします。</translation>
    </message>
    <message>
        <source>1. Disconnect power cable</source>
        <extracomment>7a</extracomment>
        <translation>1. 電源ケーブルを外します</translation>
    </message>
    <message>
        <source>2. Wait at least 2 minutes</source>
        <extracomment>7b</extracomment>
        <translation>2. 2分以上待ちます</translation>
    </message>
    <message>
        <source>3. Press and hold left continuous light button
    while connecting power cable</source>
        <extracomment>7c</extracomment>
        <translation>3. 左の常時点灯ボタンを押したまま
    電源ケーブルを接続します</translation>
    </message>
    <message>
        <source>4. Connect USB-cable</source>
        <extracomment>9</extracomment>
        <translation>4. USBを接続します</translation>
    </message>
    <message>
        <source>5. Click to start upgrade</source>
        <extracomment>8b2</extracomment>
        <translation>5. アップグレードを開始</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Note: Once the update is finished you need to connect Rel-41 to the&lt;br&gt;
Kalvora app to register that it is updated. Otherwise you will continue&lt;br&gt;
to receive email notifications about updating your Rel-41.&lt;/span&gt;</source>
        <extracomment>status_noDev</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;注意：アップグレードが終わったら、Rel-41 を Kalvora app に接続して&lt;br&gt;
アップグレードを登録してください。登録しないと、Rel-41 のアップグレードを&lt;br&gt;
促すメールが引き続き届きます。&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Connected to a %1.&lt;/span&gt;</source>
        <extracomment>status_devConn</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;%1 に接続しました。&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Connected to a %1 with firmware version %2&lt;/span&gt;</source>
        <extracomment>status_devRev</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;%1 に接続しました（ファームウェアバージョン %2）&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;Connected to a %1 with unknown firmware version.&lt;/span&gt;</source>
        <extracomment>status_devRevUnknown</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;%1 に接続しました（ファームウェアバージョン不明）。&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Writing firmware.&lt;/b&gt; Please wait until the upgrade has finished.&lt;/span&gt;</source>
        <extracomment>status_writing</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;ファームウェアを書き込んでいます。&lt;/b&gt;アップグレードが終わるまでお待ちください。&lt;/span&gt;</translation>
    </message>
    <message>
        <source>Simulator mode</source>
        <extracomment>sim_mode</extracomment>
        <translation>シミュレーターモード</translation>
    </message>
    <message>
        <source>Debug mode</source>
        <extracomment>debug_mode</extracomment>
        <translation>デバッグモード</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The firmware check failed:&lt;/b&gt; the lamp&apos;s firmware differs from this tool&apos;s. Click to try again. If it happens again, save a support report (Ctrl+Shift+S) and send it to support.&lt;/span&gt;</source>
        <extracomment>status_fwDiffers</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;ファームウェアの検証に失敗しました：&lt;/b&gt;ランプのファームウェアがこのツールのものと異なります。クリックしてもう一度お試しください。再び起きた場合は、サポートレポートを保存して（Ctrl+Shift+S）サポートに送ってください。&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;A lamp was found but could not be read.&lt;/b&gt; Disconnect it and connect it again.&lt;/span&gt;</source>
        <extracomment>status_devUnreadable</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;ランプが見つかりましたが、読み取れませんでした。&lt;/b&gt;いったん外して、もう一度接続してください。&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The lamp is not responding.&lt;/b&gt; Please wait and keep it connected: the tool does not stop a firmware write.&lt;/span&gt;</source>
        <extracomment>status_notResponding</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;ランプが応答しません。&lt;/b&gt;接続したままお待ちください。ツールはファームウェアの書き込みを中断しません。&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The upgrade did not take effect:&lt;/b&gt; the %1 still does not have firmware version %2. Click to try again. If it happens again, save a support report (Ctrl+Shift+S) and send it to support.&lt;/span&gt;</source>
        <extracomment>status_noEffect</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;アップグレードが反映されませんでした：&lt;/b&gt;%1 のファームウェアバージョンはまだ %2 ではありません。クリックしてもう一度お試しください。再び起きた場合は、サポートレポートを保存して（Ctrl+Shift+S）サポートに送ってください。&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The last firmware write did not complete:&lt;/b&gt; the %1 does not have firmware version %2. Click to try again. If it happens again, save a support report (Ctrl+Shift+S) and send it to support.&lt;/span&gt;</source>
        <extracomment>status_writeIncomplete</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;前回のファームウェアの書き込みが完了しませんでした：&lt;/b&gt;%1 のファームウェアバージョンは %2 ではありません。クリックしてもう一度お試しください。再び起きた場合は、サポートレポートを保存して（Ctrl+Shift+S）サポートに送ってください。&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The firmware was not written:&lt;/b&gt; this tool&apos;s firmware file was changed on disk. Close the tool and start it again.&lt;/span&gt;</source>
        <extracomment>status_imageChanged</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;ファームウェアは書き込まれませんでした：&lt;/b&gt;このツールのファームウェアファイルがディスク上で変更されました。ツールを閉じて、もう一度起動してください。&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The firmware was written, but not checked:&lt;/b&gt; the tool has stopped handling the lamp. Close the tool and start it again to check the lamp.&lt;/span&gt;</source>
        <extracomment>status_stoppedAfterWrite</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;ファームウェアは書き込まれましたが、検証されていません：&lt;/b&gt;ツールはランプの処理を停止しました。ランプを検証するには、ツールを閉じて、もう一度起動してください。&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The firmware write did not complete:&lt;/b&gt; the tool has stopped handling the lamp. Close the tool, start it again and upgrade the lamp from step 1. If it happens again, save a support report (Ctrl+Shift+S) and send it to support.&lt;/span&gt;</source>
        <extracomment>status_stoppedWriteIncomplete</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;ファームウェアの書き込みが完了しませんでした：&lt;/b&gt;ツールはランプの処理を停止しました。ツールをもう一度起動し、手順1からランプをアップグレードしてください。再び起きた場合は、サポートレポートを保存して（Ctrl+Shift+S）サポートに送ってください。&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The lamp&apos;s firmware was not checked:&lt;/b&gt; the tool has stopped handling the lamp. Close the tool and start it again to check the lamp.&lt;/span&gt;</source>
        <extracomment>status_stoppedBeforeCheck</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;ランプのファームウェアは検証されていません：&lt;/b&gt;ツールはランプの処理を停止しました。ランプを検証するには、ツールを閉じて、もう一度起動してください。&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The firmware check failed:&lt;/b&gt; the lamp&apos;s firmware differs from this tool&apos;s, and the tool has stopped. Start it again and upgrade the lamp again. If it happens again, save a support report (Ctrl+Shift+S) and send it to support.&lt;/span&gt;</source>
        <extracomment>status_stoppedAfterFailedCheck</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;ファームウェアの検証に失敗しました：&lt;/b&gt;ランプのファームウェアが異なり、ツールは停止しました。ツールをもう一度起動し、ランプをもう一度アップグレードしてください。再び起きた場合は、サポートレポートを保存して（Ctrl+Shift+S）サポートに送ってください。&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Stopped:&lt;/b&gt; the tool has stopped handling lamps. The last lamp has this tool&apos;s firmware, checked byte for byte. Close the tool and start it again to upgrade another lamp.&lt;/span&gt;</source>
        <extracomment>status_stoppedAfterVerified</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;停止しました：&lt;/b&gt;ツールはランプの処理を停止しました。最後のランプにはこのツールのファームウェアが入っており、1バイトずつ検証済みです。別のランプをアップグレードするには、ツールをもう一度起動してください。&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The upgrade did not take effect:&lt;/b&gt; the tool has stopped handling the lamp. Start it again and upgrade the lamp from step 1. If it happens again, save a support report (Ctrl+Shift+S) and send it to support.&lt;/span&gt;</source>
        <extracomment>status_stoppedAfterNoEffect</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;アップグレードが反映されませんでした：&lt;/b&gt;ツールはランプの処理を停止しました。ツールをもう一度起動し、手順1からランプをアップグレードしてください。再び起きた場合は、サポートレポートを保存して（Ctrl+Shift+S）サポートに送ってください。&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;Stopped:&lt;/b&gt; the tool has stopped handling the lamp; nothing was written. Close the tool and start it again to upgrade the lamp.&lt;/span&gt;</source>
        <extracomment>status_stopped</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;停止しました：&lt;/b&gt;ツールはランプの処理を停止しました。何も書き込まれていません。ランプをアップグレードするには、ツールを閉じて、もう一度起動してください。&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The lamp is not responding.&lt;/b&gt; The tool does not stop a firmware write: unplugging the lamp ends it. The lamp can then be upgraded again from step 1.&lt;/span&gt;</source>
        <extracomment>status_notRespondingLong</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;ランプが応答しません。&lt;/b&gt;ツールはファームウェアの書き込みを中断しません。ランプを外すと書き込みは終了します。その後、手順1からランプをもう一度アップグレードできます。&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;A lamp is connected, but this user may not open it.&lt;/b&gt; Install the tool&apos;s package (its udev rule lets users open the lamp), reconnect the lamp, and use the tool at this computer, not over ssh.&lt;/span&gt;</source>
        <extracomment>status_accessRefused</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;ランプが接続されていますが、このユーザーには開く権限がありません。&lt;/b&gt;ツールのパッケージをインストールし（その udev ルールがアクセスを許可します）、ランプを接続し直して、ssh ではなくこのコンピューターの前でツールを使ってください。&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;More than one device in bootloader mode is connected.&lt;/b&gt; Disconnect all but the lamp.&lt;/span&gt;</source>
        <extracomment>status_severalDevices</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;ブートローダーモードのデバイスが2台以上接続されています。&lt;/b&gt;ランプ以外はすべて外してください。&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The computer&apos;s folder %1 is full or cannot be written&lt;/b&gt; (%2 of free space needed): the lamp could not be read or checked. Free space there, then disconnect the lamp and connect it again.&lt;/span&gt;</source>
        <extracomment>status_folderFull</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;コンピューターのフォルダー %1 がいっぱいか、書き込めません&lt;/b&gt;（%2 の空き容量が必要です）。ランプを読み取りも検証もできませんでした。空き容量を確保してから、ランプを外して接続し直してください。&lt;/span&gt;</translation>
    </message>
    <message>
        <source>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;The firmware was not written:&lt;/b&gt; the computer&apos;s folder %1 has no room to check it (%2 of free space needed). Free space there, then disconnect the lamp and connect it again.&lt;/span&gt;</source>
        <extracomment>status_folderFullWrite</extracomment>
        <translation>&lt;span style=&quot;color:#000000; font-size:9pt&quot;&gt;&lt;b&gt;ファームウェアは書き込まれませんでした：&lt;/b&gt;コンピューターのフォルダー %1 に検証用の空きがありません（%2 の空き容量が必要です）。空き容量を確保してから、ランプを外して接続し直してください。&lt;/span&gt;</translation>
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
        <translation>消去</translation>
    </message>
    <message>
        <source>save output</source>
        <translation>出力を保存</translation>
    </message>
    <message>
        <source>save support report</source>
        <translation>サポートレポートを保存</translation>
    </message>
    <message>
        <source>hide log</source>
        <translation>ログを隠す</translation>
    </message>
    <message>
        <source>%1 (repeated %2 times)</source>
        <translation>%1 (repeated %2 times)</translation>
    </message>
    <message>
        <source>Save Log Output</source>
        <translation>ログ出力を保存</translation>
    </message>
    <message>
        <source>Text Files (*.txt);;All Files (*)</source>
        <translation>テキストファイル (*.txt);;すべてのファイル (*)</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>エラー</translation>
    </message>
    <message>
        <source>&lt;nobr&gt;File &apos;%1&apos;&lt;br/&gt;cannot be opened for writing.&lt;br/&gt;&lt;br/&gt;The log output could &lt;b&gt;not&lt;/b&gt; be saved!&lt;/nobr&gt;</source>
        <translation>&lt;nobr&gt;ファイル「%1」を&lt;br/&gt;書き込み用に開けません。&lt;br/&gt;&lt;br/&gt;ログ出力は保存されて&lt;b&gt;いません&lt;/b&gt;。&lt;/nobr&gt;</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Kalvora Firmware Upgrade Tool</source>
        <translation>Kalvora ファームウェア アップグレード ツール</translation>
    </message>
</context>
<context>
    <name>ProgressBar</name>
    <message>
        <source>Upgrading firmware</source>
        <translation>ファームウェアをアップグレード中</translation>
    </message>
    <message>
        <source>Uploading &amp; verifying</source>
        <translation>読み出して検証中</translation>
    </message>
    <message>
        <source>Done. Disconnect USB cable.</source>
        <translation>完了しました。USBケーブルを外してください。</translation>
    </message>
    <message>
        <source>FW differs</source>
        <translation>ファームウェアが異なります</translation>
    </message>
</context>
<context>
    <name>Startup</name>
    <message>
        <source>The program cannot create its working folder: %1.</source>
        <translation>プログラムの作業フォルダーを作成できません: %1。</translation>
    </message>
    <message>
        <source>The program cannot write its files into its working folder %1 (is the disk full?).</source>
        <translation>プログラムのファイルを作業フォルダー %1 に書き込めません（ディスクがいっぱいではありませんか？）。</translation>
    </message>
    <message>
        <source>The program&apos;s dfu-util (%1) did not run or did not answer within %2 s.</source>
        <translation>プログラムの dfu-util（%1）が起動しなかったか、%2 秒以内に応答しませんでした。</translation>
    </message>
    <message>
        <source>The firmware this program carries has no valid information block.</source>
        <translation>このプログラムに含まれるファームウェアに有効な情報ブロックがありません。</translation>
    </message>
    <message>
        <source>The program will end now.</source>
        <translation>プログラムを終了します。</translation>
    </message>
</context>
<context>
    <name>SupportReport</name>
    <message>
        <source>Save Support Report</source>
        <translation>サポートレポートを保存</translation>
    </message>
    <message>
        <source>Text Files (*.txt);;All Files (*)</source>
        <translation>テキストファイル (*.txt);;すべてのファイル (*)</translation>
    </message>
    <message>
        <source>Support Report</source>
        <translation>サポートレポート</translation>
    </message>
    <message>
        <source>The support report could not be saved as %1: %2. Nothing was written there.</source>
        <translation>サポートレポートを %1 として保存できませんでした: %2。何も書き込まれていません。</translation>
    </message>
</context>
</TS>
