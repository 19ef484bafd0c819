<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>DisplayView</name>
    <message>
        <source>empty</source>
        <translation>leer</translation>
    </message>
    <message>
        <source> (protected)</source>
        <translation> (geschützt)</translation>
    </message>
    <message>
        <source>No image</source>
        <translation>Kein Bild</translation>
    </message>
</context>
<context>
    <name>HelpWindow</name>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>There is no help for context %1 of %2.</source>
        <translation>Zu Kontext %1 von %2 gibt es keine Hilfe.</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Open...</source>
        <translation>Ö&amp;ffnen...</translation>
    </message>
    <message>
        <source>&amp;Preferences...</source>
        <translation>&amp;Einstellungen...</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Display</source>
        <translation>&amp;Anzeige</translation>
    </message>
    <message>
        <source>&amp;Protect</source>
        <translation>&amp;Schützen</translation>
    </message>
    <message>
        <source>Display &amp;%1</source>
        <translation>Anzeige &amp;%1</translation>
    </message>
    <message>
        <source>D&amp;ICOM</source>
        <translation>D&amp;ICOM</translation>
    </message>
    <message>
        <source>&amp;Query/Retrieve...</source>
        <translation>&amp;Abfragen/Abrufen...</translation>
    </message>
    <message>
        <source>&amp;Send current image</source>
        <translation>Aktuelles Bild &amp;senden</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Contents</source>
        <translation>&amp;Inhalt</translation>
    </message>
    <message>
        <source>&amp;About imagehost</source>
        <translation>Ü&amp;ber imagehost</translation>
    </message>
    <message>
        <source>Open image</source>
        <translation>Bild öffnen</translation>
    </message>
    <message>
        <source>DICOM files (*.dcm *.dic *);;All files (*)</source>
        <translation>DICOM-Dateien (*.dcm *.dic *);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>%1 could not be opened: %2</source>
        <translation>%1 konnte nicht geöffnet werden: %2</translation>
    </message>
    <message>
        <source>The current display holds no image read from a file.</source>
        <translation>Die aktuelle Anzeige enthält kein aus einer Datei gelesenes Bild.</translation>
    </message>
    <message>
        <source>imagehost %1

imagehost shows up to %2 image displays and hosts the DICOM plug-in.
Its macro language runs with --macro FILE or -e LINES.

Licensed under the Apache License 2.0.

It uses these libraries under their own licences:
Qt: GNU LGPL 3
libjpeg-turbo: IJG and BSD-style licences
CharLS: BSD 3-clause licence
OpenJPEG: BSD 2-clause licence
zlib: zlib licence
OpenSSL: Apache License 2.0</source>
        <translation>imagehost %1

imagehost zeigt Bilder in bis zu %2 Anzeigen und bindet das DICOM-Plug-in ein.
Makros laufen mit --macro DATEI oder -e ZEILEN.

Lizenziert unter der Apache License 2.0.

Verwendete Bibliotheken unter ihren eigenen Lizenzen:
Qt: GNU LGPL 3
libjpeg-turbo: IJG- und BSD-artige Lizenzen
CharLS: BSD-Lizenz (3 Klauseln)
OpenJPEG: BSD-Lizenz (2 Klauseln)
zlib: zlib-Lizenz
OpenSSL: Apache License 2.0</translation>
    </message>
    <message>
        <source>All %1 displays are in use: display %2, loaded longest ago, now shows the new image.</source>
        <translation>Alle %1 Anzeigen sind belegt: Anzeige %2, die am längsten belegt war, zeigt jetzt das neue Bild.</translation>
    </message>
</context>
<context>
    <name>PluginLoader</name>
    <message>
        <source>The plug-in %1 could not be loaded (%2). Query/Retrieve and Send are not available.</source>
        <translation>Das Plug-in %1 konnte nicht geladen werden (%2). Abfragen/Abrufen und Senden stehen nicht zur Verfügung.</translation>
    </message>
    <message>
        <source>The plug-in %1 lacks %2; those functions are not available.</source>
        <translation>Dem Plug-in %1 fehlt %2; diese Funktionen stehen nicht zur Verfügung.</translation>
    </message>
    <message>
        <source>The image was stored.</source>
        <translation>Das Bild wurde auf dem Server gespeichert.</translation>
    </message>
    <message>
        <source>The file could not be read, or the duplicate check could not be sent.</source>
        <translation>Die Datei konnte nicht gelesen oder die Duplikatprüfung nicht gesendet werden.</translation>
    </message>
    <message>
        <source>No association could be established, or the duplicate check got no answer.</source>
        <translation>Es konnte keine Verbindung zum Server hergestellt werden, oder die Duplikatprüfung blieb ohne Antwort.</translation>
    </message>
    <message>
        <source>The store request could not be sent.</source>
        <translation>Die Speicheranfrage konnte nicht gesendet werden.</translation>
    </message>
    <message>
        <source>The archive did not answer the store request.</source>
        <translation>Der Server hat auf die Speicheranfrage nicht geantwortet.</translation>
    </message>
    <message>
        <source>The archive already holds this image; nothing was stored.</source>
        <translation>Der Server hat dieses Bild bereits; es wurde nichts gespeichert.</translation>
    </message>
    <message>
        <source>The plug-in answered with an unknown code.</source>
        <translation>Das Plug-in hat einen unbekannten Code zurückgegeben.</translation>
    </message>
    <message>
        <source>The image was stored on the archive.</source>
        <translation>Das Bild wurde auf dem Server gespeichert.</translation>
    </message>
    <message>
        <source>The archive already holds an image with Instance Number %1 in this series; nothing was stored.</source>
        <translation>Der Server hat in dieser Serie bereits ein Bild mit der Instanznummer %1; es wurde nichts gespeichert.</translation>
    </message>
    <message>
        <source>The plug-in answered with the unknown code %1.</source>
        <translation>Das Plug-in hat den unbekannten Code %1 zurückgegeben.</translation>
    </message>
</context>
<context>
    <name>PreferencesDialog</name>
    <message>
        <source>Preferences</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Ask the archive before storing an image it may hold</source>
        <translation>Vor dem Senden beim Server nachfragen, ob er das Bild schon hat</translation>
    </message>
    <message>
        <source>Month, day, year</source>
        <translation>Monat, Tag, Jahr</translation>
    </message>
    <message>
        <source>Day, month, year</source>
        <translation>Tag, Monat, Jahr</translation>
    </message>
    <message>
        <source>Year, month, day</source>
        <translation>Jahr, Monat, Tag</translation>
    </message>
    <message>
        <source>&amp;Test connection</source>
        <translation>Verbindung &amp;testen</translation>
    </message>
    <message>
        <source>Archive &amp;host:</source>
        <translation>Server-&amp;Adresse:</translation>
    </message>
    <message>
        <source>Archive &amp;port:</source>
        <translation>Server-&amp;Port:</translation>
    </message>
    <message>
        <source>&amp;Own AE title:</source>
        <translation>&amp;Eigener AE-Titel:</translation>
    </message>
    <message>
        <source>&amp;Archive AE title:</source>
        <translation>AE-Titel des Ser&amp;vers:</translation>
    </message>
    <message>
        <source>&amp;Receive port:</source>
        <translation>Empfan&amp;gsport:</translation>
    </message>
    <message>
        <source>Duplicates:</source>
        <translation>Duplikate:</translation>
    </message>
    <message>
        <source>&amp;Language:</source>
        <translation>&amp;Sprache:</translation>
    </message>
    <message>
        <source>Short date &amp;order:</source>
        <translation>Datums&amp;reihenfolge:</translation>
    </message>
    <message>
        <source>Date &amp;separator:</source>
        <translation>Datumstrenn&amp;zeichen:</translation>
    </message>
    <message>
        <source>Testing the connection...</source>
        <translation>Die Verbindung wird getestet...</translation>
    </message>
    <message>
        <source>The archive host takes a host name or an address.</source>
        <translation>Als Server-Adresse ist ein Hostname oder eine IP-Adresse anzugeben.</translation>
    </message>
    <message>
        <source>An AE title takes 1 to 16 printable characters, not all of them spaces.</source>
        <translation>Ein AE-Titel besteht aus 1 bis 16 druckbaren Zeichen, die nicht alle Leerzeichen sein dürfen.</translation>
    </message>
    <message>
        <source>The date separator is one character, neither a letter nor a digit.</source>
        <translation>Das Datumstrennzeichen ist ein einzelnes Zeichen, weder Buchstabe noch Ziffer.</translation>
    </message>
    <message>
        <source>imagehost changes its language at once,
the DICOM plug-in at the next Query/Retrieve or Send.</source>
        <translation>imagehost wechselt die Sprache sofort, das DICOM-Plug-in
beim nächsten Abfragen/Abrufen oder Senden.</translation>
    </message>
    <message>
        <source>C-MOVE: the archive sends to the receive port</source>
        <translation>C-MOVE: der Server sendet an den Empfangsport</translation>
    </message>
    <message>
        <source>C-GET: the images come on the query connection</source>
        <translation>C-GET: die Bilder kommen über die Abfrageverbindung</translation>
    </message>
    <message>
        <source>Retrie&amp;ve with:</source>
        <translation>Abrufen &amp;mit:</translation>
    </message>
    <message>
        <source>Connect with TLS (DICOM over TLS 1.2 or 1.3)</source>
        <translation>Mit TLS verbinden (DICOM über TLS 1.2 oder 1.3)</translation>
    </message>
    <message>
        <source>Archive&apos;s authority</source>
        <translation>Zertifizierungsstelle des Servers</translation>
    </message>
    <message>
        <source>Own certificate</source>
        <translation>Eigenes Zertifikat</translation>
    </message>
    <message>
        <source>Own private key</source>
        <translation>Eigener privater Schlüssel</translation>
    </message>
    <message>
        <source>The archive host only</source>
        <translation>Nur vom Server</translation>
    </message>
    <message>
        <source>Any computer</source>
        <translation>Von jedem Rechner</translation>
    </message>
    <message>
        <source>Security:</source>
        <translation>Sicherheit:</translation>
    </message>
    <message>
        <source>Authority (C&amp;A):</source>
        <translation>Zertifi&amp;katsstelle (CA):</translation>
    </message>
    <message>
        <source>Own &amp;certificate:</source>
        <translation>Eigenes Zert&amp;ifikat:</translation>
    </message>
    <message>
        <source>Own &amp;key:</source>
        <translation>Eigener Sch&amp;lüssel:</translation>
    </message>
    <message>
        <source>Receive &amp;from:</source>
        <translation>Empfangen v&amp;on:</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>PEM files (*.pem *.crt *.key);;All files (*)</source>
        <translation>PEM-Dateien (*.pem *.crt *.key);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Cancel the &amp;test</source>
        <translation>&amp;Test abbrechen</translation>
    </message>
</context>
<context>
    <name>Receiver</name>
    <message>
        <source>The storage receiver %1 could not be started: %2. Retrieved images cannot arrive.</source>
        <translation>Der Empfangsdienst %1 konnte nicht gestartet werden: %2. Abgerufene Bilder können nicht ankommen.</translation>
    </message>
    <message>
        <source>The storage receiver for %1 on port %2 stopped (%3). Retrieved images cannot arrive until the own AE title or the receive port is changed.</source>
        <translation>Der Empfangsdienst für %1 auf Port %2 wurde beendet (%3). Abgerufene Bilder können erst wieder ankommen, wenn der eigene AE-Titel oder der Empfangsport geändert wird.</translation>
    </message>
    <message>
        <source>no reason given</source>
        <translation>ohne Angabe von Gründen</translation>
    </message>
</context>
<context>
    <name>SelfTest</name>
    <message>
        <source>Resolve the host</source>
        <translation>Serveradresse auflösen</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Verbinden</translation>
    </message>
    <message>
        <source>Echo (C-ECHO)</source>
        <translation>Echo (C-ECHO)</translation>
    </message>
    <message>
        <source>Find an image (C-FIND)</source>
        <translation>Ein Bild suchen (C-FIND)</translation>
    </message>
    <message>
        <source>Retrieve it to this computer</source>
        <translation>Es auf diesen Rechner abrufen</translation>
    </message>
    <message>
        <source>host %1 not found</source>
        <translation>Rechner %1 nicht gefunden</translation>
    </message>
    <message>
        <source>the connection was refused: no archive listens there</source>
        <translation>die Verbindung wurde abgelehnt: dort wartet kein Server</translation>
    </message>
    <message>
        <source>no connection within the time-out</source>
        <translation>keine Verbindung innerhalb der Wartezeit</translation>
    </message>
    <message>
        <source>the archive does not accept the own AE title %1: register it in the archive</source>
        <translation>der Server nimmt den eigenen AE-Titel %1 nicht an: tragen Sie ihn im Server ein</translation>
    </message>
    <message>
        <source>the archive&apos;s AE title is not %1</source>
        <translation>der AE-Titel des Servers ist nicht %1</translation>
    </message>
    <message>
        <source>the archive does not take queries from the own AE title %1: register it in the archive</source>
        <translation>der Server beantwortet keine Abfragen vom eigenen AE-Titel %1: tragen Sie ihn im Server ein</translation>
    </message>
    <message>
        <source>the archive answered with status %1</source>
        <translation>der Server antwortete mit Status %1</translation>
    </message>
    <message>
        <source>the archive holds no image to try a retrieve with</source>
        <translation>der Server enthält kein Bild, mit dem sich das Abrufen versuchen ließe</translation>
    </message>
    <message>
        <source>the archive does not know %1 as a destination: register %1 with this computer&apos;s address %2 and port %3 in the archive</source>
        <translation>der Server kennt %1 nicht als Ziel: tragen Sie %1 mit der Adresse %2 und dem Port %3 dieses Rechners im Server ein</translation>
    </message>
    <message>
        <source>the archive could not deliver the image to %1: check the address and port registered for %1 in the archive (this computer: %2, port %3) and that no firewall blocks that port</source>
        <translation>der Server konnte das Bild nicht an %1 liefern: prüfen Sie Adresse und Port, die im Server für %1 eingetragen sind (dieser Rechner: %2, Port %3), und dass keine Firewall diesen Port sperrt</translation>
    </message>
    <message>
        <source>the archive sent the image to %1, but it did not arrive here: %1 is registered in the archive with another computer&apos;s address or port (this computer: %2, port %3)</source>
        <translation>der Server hat das Bild an %1 gesendet, aber es kam hier nicht an: %1 ist im Server mit der Adresse oder dem Port eines anderen Rechners eingetragen (dieser Rechner: %2, Port %3)</translation>
    </message>
    <message>
        <source>the address is %1</source>
        <translation>die Adresse ist %1</translation>
    </message>
    <message>
        <source>connected to %1</source>
        <translation>verbunden mit %1</translation>
    </message>
    <message>
        <source>the archive answered</source>
        <translation>der Server hat geantwortet</translation>
    </message>
    <message>
        <source>found image %1</source>
        <translation>Bild %1 gefunden</translation>
    </message>
    <message>
        <source>the image arrived</source>
        <translation>das Bild ist angekommen</translation>
    </message>
    <message>
        <source>%1 cannot be started.</source>
        <translation>%1 kann nicht gestartet werden.</translation>
    </message>
    <message>
        <source>The test was stopped: no answer within %1 s.</source>
        <translation>Der Test wurde abgebrochen: keine Antwort innerhalb von %1 s.</translation>
    </message>
    <message>
        <source>not tried</source>
        <translation>nicht versucht</translation>
    </message>
    <message>
        <source>passed</source>
        <translation>bestanden</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>fehlgeschlagen</translation>
    </message>
    <message>
        <source>skipped</source>
        <translation>übersprungen</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1: %2, %3</source>
        <translation>%1: %2, %3</translation>
    </message>
    <message>
        <source>The test was cancelled.</source>
        <translation>Der Test wurde abgebrochen.</translation>
    </message>
</context>
</TS>
