<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AboutDialog</name>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Keeps the ePub books of an iPhone, iPad or iPod touch in step with your computer.</source>
        <translation>Hält die ePub-Bücher eines iPhone, iPad oder iPod touch mit Ihrem Computer auf dem gleichen Stand.</translation>
    </message>
    <message>
        <source>Free software under the GNU General Public License, version 3 or later.</source>
        <translation>Freie Software unter der GNU General Public License, Version 3 oder später.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>AppShelf</name>
    <message>
        <source>the app&apos;s files could not be opened</source>
        <translation>die Dateien der App ließen sich nicht öffnen</translation>
    </message>
    <message>
        <source>No reader app on this device shares its files. Install an ePub reader that shares its files with a computer.</source>
        <translation>Keine Lese-App auf diesem Gerät gibt ihre Dateien frei. Installieren Sie eine ePub-Lese-App, die ihre Dateien mit einem Computer teilt.</translation>
    </message>
    <message>
        <source> Any app that shares its files can be used: turn on &quot;List apps that share files but do not read books&quot; in Preferences, then choose &quot;Use for Books&quot; from the app&apos;s menu here.</source>
        <translation> Jede App, die ihre Dateien freigibt, ist möglich: Schalten Sie in den Einstellungen „Apps zeigen, die Dateien teilen, aber keine Bücher lesen“ ein und wählen Sie dann hier im Menü der App „Für Bücher verwenden“.</translation>
    </message>
    <message>
        <source>Use for Books</source>
        <translation>Für Bücher verwenden</translation>
    </message>
    <message>
        <source>Books added here go into %1&apos;s own folder. %1 may need to be closed and opened again to show new books.</source>
        <translation>Hier hinzugefügte Bücher kommen in den eigenen Ordner von %1. Eventuell muss %1 geschlossen und wieder geöffnet werden, um neue Bücher zu zeigen.</translation>
    </message>
    <message>
        <source>the app&apos;s Documents folder could not be read</source>
        <translation>der Dokumente-Ordner der App ließ sich nicht lesen</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation>%1 Byte</translation>
    </message>
</context>
<context>
    <name>Archive</name>
    <message>
        <source>not a readable ePub (zip) file: %1</source>
        <translation>keine lesbare ePub-Datei (ZIP): %1</translation>
    </message>
    <message>
        <source>the archive holds too many entries</source>
        <translation>das Archiv enthält zu viele Einträge</translation>
    </message>
    <message>
        <source>the archive holds an entry outside its folder: &quot;%1&quot;</source>
        <translation>das Archiv enthält einen Eintrag außerhalb seines Ordners: „%1“</translation>
    </message>
    <message>
        <source>the archive holds a symbolic link: &quot;%1&quot;</source>
        <translation>das Archiv enthält eine symbolische Verknüpfung: „%1“</translation>
    </message>
    <message>
        <source>the archive unpacks to more than the allowed size</source>
        <translation>das Archiv wird entpackt größer als erlaubt</translation>
    </message>
    <message>
        <source>the unpack folder already exists: %1</source>
        <translation>der Ordner zum Entpacken existiert schon: %1</translation>
    </message>
    <message>
        <source>cannot create %1</source>
        <translation>%1 lässt sich nicht anlegen</translation>
    </message>
    <message>
        <source>cannot create folder %1</source>
        <translation>der Ordner %1 lässt sich nicht anlegen</translation>
    </message>
    <message>
        <source>cannot read &quot;%1&quot; in the archive: %2</source>
        <translation>„%1“ im Archiv lässt sich nicht lesen: %2</translation>
    </message>
    <message>
        <source>cannot write %1</source>
        <translation>%1 lässt sich nicht schreiben</translation>
    </message>
    <message>
        <source>the archive entry &quot;%1&quot; is damaged</source>
        <translation>der Archiveintrag „%1“ ist beschädigt</translation>
    </message>
    <message>
        <source>cannot add mimetype</source>
        <translation>„mimetype“ lässt sich nicht hinzufügen</translation>
    </message>
    <message>
        <source>cannot read the entries of %1</source>
        <translation>die Einträge von %1 lassen sich nicht lesen</translation>
    </message>
    <message>
        <source>cannot carry over %1 from %2: %3</source>
        <translation>%1 lässt sich nicht aus %2 übernehmen: %3</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>%1 lässt sich nicht schreiben: %2</translation>
    </message>
    <message>
        <source>cannot copy %1: %2</source>
        <translation>%1 lässt sich nicht kopieren: %2</translation>
    </message>
    <message>
        <source>cannot read the folder %1: %2</source>
        <translation>der Ordner %1 lässt sich nicht lesen: %2</translation>
    </message>
    <message>
        <source>cannot add %1: %2</source>
        <translation>%1 lässt sich nicht hinzufügen: %2</translation>
    </message>
    <message>
        <source>nothing to pack at %1</source>
        <translation>unter %1 gibt es nichts zu packen</translation>
    </message>
</context>
<context>
    <name>BookCovers</name>
    <message>
        <source>%1 bytes</source>
        <translation>%1 Byte</translation>
    </message>
</context>
<context>
    <name>BookImportSources</name>
    <message>
        <source>Information</source>
        <translation>Hinweis</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>No ePub books were found in &quot;%1&quot; or its sub-folders.</source>
        <translation>In „%1“ und seinen Unterordnern wurden keine ePub-Bücher gefunden.</translation>
    </message>
    <message>
        <source>Found 1 ePub book in &quot;%1&quot; and its sub-folders.</source>
        <translation>1 ePub-Buch in „%1“ und seinen Unterordnern gefunden.</translation>
    </message>
    <message>
        <source>Found %1 ePub books in &quot;%2&quot; and its sub-folders.</source>
        <translation>%1 ePub-Bücher in „%2“ und seinen Unterordnern gefunden.</translation>
    </message>
    <message>
        <source>Add them to Custom Books?</source>
        <translation>Zu „Eigene Bücher“ hinzufügen?</translation>
    </message>
    <message>
        <source>Add them to %1?</source>
        <translation>Zu %1 hinzufügen?</translation>
    </message>
    <message>
        <source>Folder to Device</source>
        <translation>Ordner auf das Gerät</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Add Books</source>
        <translation>Bücher hinzufügen</translation>
    </message>
    <message>
        <source>Connect a device to add books to it.</source>
        <translation>Schließen Sie ein Gerät an, um Bücher hinzuzufügen.</translation>
    </message>
    <message>
        <source>Books are being copied. Drop the new books again when that has finished.</source>
        <translation>Es werden gerade Bücher kopiert. Legen Sie die neuen Bücher noch einmal ab, wenn das abgeschlossen ist.</translation>
    </message>
    <message>
        <source>Nothing that was dropped is an ePub book (a file whose name ends in &quot;.epub&quot;).</source>
        <translation>Nichts davon ist ein ePub-Buch (eine Datei, deren Name auf „.epub“ endet).</translation>
    </message>
    <message>
        <source>Books are being copied. Open the new books again when that has finished.</source>
        <translation>Es werden gerade Bücher kopiert. Öffnen Sie die neuen Bücher noch einmal, wenn das abgeschlossen ist.</translation>
    </message>
    <message>
        <source>1 file was not found.</source>
        <translation>1 Datei wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>%1 files were not found.</source>
        <translation>%1 Dateien wurden nicht gefunden.</translation>
    </message>
    <message>
        <source>1 file that is no ePub book is left out.</source>
        <translation>1 Datei, die kein ePub-Buch ist, wird ausgelassen.</translation>
    </message>
    <message>
        <source>%1 files that are no ePub books are left out.</source>
        <translation>%1 Dateien, die keine ePub-Bücher sind, werden ausgelassen.</translation>
    </message>
    <message>
        <source>No ePub book (a file whose name ends in &quot;.epub&quot;) was found among the files given.</source>
        <translation>Unter den angegebenen Dateien ist kein ePub-Buch (eine Datei, deren Name auf „.epub“ endet).</translation>
    </message>
    <message>
        <source>Custom Books</source>
        <translation>Eigene Bücher</translation>
    </message>
    <message>
        <source>Add 1 book to %1 on %2?</source>
        <translation>1 Buch zu %1 auf %2 hinzufügen?</translation>
    </message>
    <message>
        <source>Add %1 books to %2 on %3?</source>
        <translation>%1 Bücher zu %2 auf %3 hinzufügen?</translation>
    </message>
    <message>
        <source>Nothing that was dropped is an ePub book or a PDF (a file whose name ends in &quot;.epub&quot; or &quot;.pdf&quot;).</source>
        <translation>Nichts davon ist ein ePub-Buch oder ein PDF (eine Datei, deren Name auf „.epub“ oder „.pdf“ endet).</translation>
    </message>
</context>
<context>
    <name>Catalogue</name>
    <message>
        <source>no catalogue at %1</source>
        <translation>kein Katalog unter %1</translation>
    </message>
    <message>
        <source>the catalogue at %1 is empty</source>
        <translation>der Katalog unter %1 ist leer</translation>
    </message>
    <message>
        <source>the catalogue at %1 is too large</source>
        <translation>der Katalog unter %1 ist zu groß</translation>
    </message>
    <message>
        <source>cannot read %1</source>
        <translation>%1 lässt sich nicht lesen</translation>
    </message>
    <message>
        <source>the catalogue is empty</source>
        <translation>der Katalog ist leer</translation>
    </message>
    <message>
        <source>the catalogue is not a readable property list</source>
        <translation>der Katalog ist keine lesbare Eigenschaftsliste</translation>
    </message>
    <message>
        <source>the catalogue&apos;s root is not a dictionary</source>
        <translation>die Wurzel des Katalogs ist kein Wörterbuch</translation>
    </message>
    <message>
        <source>the catalogue&apos;s &quot;Books&quot; value is not an array</source>
        <translation>der Wert „Books“ des Katalogs ist keine Liste</translation>
    </message>
    <message>
        <source>refusing to write a catalogue that was not read</source>
        <translation>ein Katalog, der nicht gelesen wurde, wird nicht geschrieben</translation>
    </message>
    <message>
        <source>cannot serialise the catalogue</source>
        <translation>der Katalog lässt sich nicht zum Schreiben aufbereiten</translation>
    </message>
    <message>
        <source>the catalogue holds a key twice in one dictionary; it is left as it is</source>
        <translation>der Katalog enthält einen Schlüssel zweimal im selben Wörterbuch; er bleibt, wie er ist</translation>
    </message>
    <message>
        <source>cannot write %1</source>
        <translation>%1 lässt sich nicht schreiben</translation>
    </message>
    <message>
        <source>cannot replace %1</source>
        <translation>%1 lässt sich nicht ersetzen</translation>
    </message>
</context>
<context>
    <name>CatalogueBackupDialog</name>
    <message>
        <source>Restore Catalogue Backup</source>
        <translation>Sicherung des Buchkatalogs zurückholen</translation>
    </message>
    <message>
        <source>Kept on</source>
        <translation>Gesichert am</translation>
    </message>
    <message>
        <source>Books</source>
        <translation>Bücher</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Restore...</source>
        <translation>Zurückholen...</translation>
    </message>
    <message>
        <source>the device</source>
        <translation>dem Gerät</translation>
    </message>
    <message>
        <source>No copies of the book catalogue of %1 have been kept yet. A copy is kept before every change made to it.</source>
        <translation>Vom Buchkatalog auf %1 wurden noch keine Kopien gesichert. Vor jeder Änderung wird eine Kopie gesichert.</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Copies of the book catalogue of %1, kept before each change, newest first. Choose the one to put back on the device.</source>
        <translation>Kopien des Buchkatalogs auf %1, gesichert vor jeder Änderung, die neueste zuerst. Wählen Sie die, die zurück auf das Gerät soll.</translation>
    </message>
    <message>
        <source>unreadable</source>
        <translation>unlesbar</translation>
    </message>
    <message>
        <source>“%1”</source>
        <comment>a device&apos;s name in quotation marks</comment>
        <translation>„%1“</translation>
    </message>
</context>
<context>
    <name>CatalogueRestoreCommand</name>
    <message>
        <source>which cannot be read as a catalogue</source>
        <translation>die sich nicht als Katalog lesen lässt</translation>
    </message>
    <message>
        <source>1 book</source>
        <translation>1 Buch</translation>
    </message>
    <message>
        <source>%1 books</source>
        <translation>%1 Bücher</translation>
    </message>
    <message>
        <source>Restore Catalogue Backup</source>
        <translation>Sicherung des Buchkatalogs zurückholen</translation>
    </message>
    <message>
        <source>The book catalogue on “%1” will be replaced by the copy kept on %2 (%3). The catalogue the device holds now is kept as a copy first, so this can be undone the same way. Books of the copy that are no longer on the device are left out.</source>
        <translation>Der Buchkatalog auf „%1“ wird durch die am %2 gesicherte Kopie ersetzt (%3). Der jetzige Katalog des Geräts wird vorher als Kopie gesichert, sodass sich das auf demselben Weg rückgängig machen lässt. Bücher der Kopie, die nicht mehr auf dem Gerät sind, werden ausgelassen.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Zurückholen</translation>
    </message>
    <message>
        <source>Restoring the book catalogue of “%1”...</source>
        <translation>Der Buchkatalog von „%1“ wird zurückgeholt...</translation>
    </message>
    <message>
        <source>Catalogue copy kept on %1</source>
        <translation>Am %1 gesicherte Katalogkopie</translation>
    </message>
    <message>
        <source>The book catalogue could not be restored:</source>
        <translation>Der Buchkatalog ließ sich nicht zurückholen:</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Hinweis</translation>
    </message>
    <message>
        <source>The book catalogue was restored. %1</source>
        <translation>Der Buchkatalog wurde zurückgeholt. %1</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>DesktopNotifier</name>
    <message>
        <source>, %1 failed</source>
        <translation>, %1 fehlgeschlagen</translation>
    </message>
    <message>
        <source>Adding books finished</source>
        <translation>Bücher hinzugefügt</translation>
    </message>
    <message>
        <source>Adding books stopped</source>
        <translation>Hinzufügen von Büchern abgebrochen</translation>
    </message>
    <message>
        <source>Adding books ended with problems</source>
        <translation>Hinzufügen von Büchern mit Problemen beendet</translation>
    </message>
    <message>
        <source>Export finished</source>
        <translation>Export abgeschlossen</translation>
    </message>
    <message>
        <source>Export stopped</source>
        <translation>Export abgebrochen</translation>
    </message>
    <message>
        <source>Export ended with problems</source>
        <translation>Export mit Problemen beendet</translation>
    </message>
    <message>
        <source>Deletion finished</source>
        <translation>Löschen abgeschlossen</translation>
    </message>
    <message>
        <source>Deletion stopped</source>
        <translation>Löschen abgebrochen</translation>
    </message>
    <message>
        <source>Deletion ended with problems</source>
        <translation>Löschen mit Problemen beendet</translation>
    </message>
    <message>
        <source>Catalogue restore finished</source>
        <translation>Katalog zurückgeholt</translation>
    </message>
    <message>
        <source>Catalogue restore stopped</source>
        <translation>Zurückholen des Katalogs abgebrochen</translation>
    </message>
    <message>
        <source>Catalogue restore ended with problems</source>
        <translation>Zurückholen des Katalogs mit Problemen beendet</translation>
    </message>
    <message>
        <source>Transfer finished</source>
        <translation>Übertragung abgeschlossen</translation>
    </message>
    <message>
        <source>Transfer stopped</source>
        <translation>Übertragung abgebrochen</translation>
    </message>
    <message>
        <source>Transfer ended with problems</source>
        <translation>Übertragung mit Problemen beendet</translation>
    </message>
    <message>
        <source>1 book was added</source>
        <translation>1 Buch wurde hinzugefügt</translation>
    </message>
    <message>
        <source>%1 books were added</source>
        <translation>%1 Bücher wurden hinzugefügt</translation>
    </message>
    <message>
        <source>The books were added</source>
        <translation>Die Bücher wurden hinzugefügt</translation>
    </message>
    <message>
        <source>1 book was exported to %1</source>
        <translation>1 Buch wurde nach %1 exportiert</translation>
    </message>
    <message>
        <source>%1 books were exported to %2</source>
        <translation>%1 Bücher wurden nach %2 exportiert</translation>
    </message>
    <message>
        <source>The books were exported to %1</source>
        <translation>Die Bücher wurden nach %1 exportiert</translation>
    </message>
    <message>
        <source>1 book was deleted</source>
        <translation>1 Buch wurde gelöscht</translation>
    </message>
    <message>
        <source>%1 books were deleted</source>
        <translation>%1 Bücher wurden gelöscht</translation>
    </message>
    <message>
        <source>The books were deleted</source>
        <translation>Die Bücher wurden gelöscht</translation>
    </message>
    <message>
        <source>The book catalogue could not be restored.</source>
        <translation>Der Buchkatalog ließ sich nicht zurückholen.</translation>
    </message>
    <message>
        <source>The book catalogue was restored.</source>
        <translation>Der Buchkatalog wurde zurückgeholt.</translation>
    </message>
    <message>
        <source>%1 failed.</source>
        <translation>%1 fehlgeschlagen.</translation>
    </message>
</context>
<context>
    <name>Device</name>
    <message>
        <source>UnKnow Product Version</source>
        <translation>Unbekannte Softwareversion</translation>
    </message>
    <message>
        <source>UnKnow Serial Number</source>
        <translation>Unbekannte Seriennummer</translation>
    </message>
    <message>
        <source>cannot write the book&apos;s copy in the scratch folder (%1): %2</source>
        <translation>die Kopie des Buchs lässt sich nicht in den temporären Ordner schreiben (%1): %2</translation>
    </message>
    <message>
        <source>the book holds a link, which is not followed: %1</source>
        <translation>das Buch enthält eine Verknüpfung, der nicht gefolgt wird: %1</translation>
    </message>
    <message>
        <source>the book holds something that is neither a folder nor a file: %1</source>
        <translation>das Buch enthält etwas, das weder Ordner noch Datei ist: %1</translation>
    </message>
    <message>
        <source>the book&apos;s folders nest too deep: %1</source>
        <translation>die Ordner des Buchs sind zu tief verschachtelt: %1</translation>
    </message>
    <message>
        <source>The apps of the device could not be read: %1.</source>
        <translation>Die Apps des Geräts ließen sich nicht lesen: %1.</translation>
    </message>
    <message>
        <source>The app&apos;s folder on the device cannot be opened.</source>
        <translation>Der Ordner der App auf dem Gerät lässt sich nicht öffnen.</translation>
    </message>
    <message>
        <source>Unlock the iPhone and try again.</source>
        <translation>Entsperren Sie das iPhone und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The app is no longer on the device, or it no longer shares its documents. Reconnect the device to see its apps again.</source>
        <translation>Die App ist nicht mehr auf dem Gerät oder gibt ihre Dokumente nicht mehr frei. Schließen Sie das Gerät erneut an, um seine Apps wieder zu sehen.</translation>
    </message>
    <message>
        <source>Unplug the device, plug it in again and try again.</source>
        <translation>Trennen Sie das Gerät, schließen Sie es wieder an und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The device reported an unexpected error (%1 %2). </source>
        <translation>Das Gerät meldete einen unerwarteten Fehler (%1 %2). </translation>
    </message>
    <message>
        <source>This computer is not trusted by the device. Unlock the device and tap Trust, then try again.</source>
        <translation>Das Gerät vertraut diesem Computer nicht. Entsperren Sie das Gerät, tippen Sie auf „Vertrauen“ und versuchen Sie es dann erneut.</translation>
    </message>
    <message>
        <source>The device identifier is not valid. Check the identifier and try again.</source>
        <translation>Die Gerätekennung ist ungültig. Prüfen Sie die Kennung und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The device is not connected, or the usbmuxd service is not running. Connect the device with a USB cable and make sure usbmuxd is running.</source>
        <translation>Das Gerät ist nicht angeschlossen, oder der Dienst usbmuxd läuft nicht. Schließen Sie das Gerät mit einem USB-Kabel an und sorgen Sie dafür, dass usbmuxd läuft.</translation>
    </message>
    <message>
        <source>The connection to the device was interrupted. </source>
        <translation>Die Verbindung zum Gerät wurde unterbrochen. </translation>
    </message>
    <message>
        <source>The secure connection to the device failed. </source>
        <translation>Die sichere Verbindung zum Gerät ist fehlgeschlagen. </translation>
    </message>
    <message>
        <source>The device stopped answering. </source>
        <translation>Das Gerät antwortet nicht mehr. </translation>
    </message>
    <message>
        <source>The device is locked. Unlock it, tap Trust if asked, and try again.</source>
        <translation>Das Gerät ist gesperrt. Entsperren Sie es, tippen Sie auf „Vertrauen“, falls gefragt, und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The device is asking whether to trust this computer. Unlock the device and tap Trust, then try again.</source>
        <translation>Das Gerät fragt, ob es diesem Computer vertrauen soll. Entsperren Sie das Gerät, tippen Sie auf „Vertrauen“ und versuchen Sie es dann erneut.</translation>
    </message>
    <message>
        <source>Trust was declined on the device. Unplug it, plug it in again, unlock it and tap Trust.</source>
        <translation>Das Vertrauen wurde auf dem Gerät abgelehnt. Trennen Sie es, schließen Sie es wieder an, entsperren Sie es und tippen Sie auf „Vertrauen“.</translation>
    </message>
    <message>
        <source>The trust record for the device could not be saved. Check that usbmuxd is running and its folder is writable, then try again.</source>
        <translation>Der Vertrauenseintrag für das Gerät ließ sich nicht speichern. Prüfen Sie, ob usbmuxd läuft und in seinen Ordner schreiben darf, und versuchen Sie es dann erneut.</translation>
    </message>
    <message>
        <source>The trust record for this device is damaged. Remove it (idevicepair unpair), then unlock the device and tap Trust.</source>
        <translation>Der Vertrauenseintrag für dieses Gerät ist beschädigt. Entfernen Sie ihn (idevicepair unpair), entsperren Sie dann das Gerät und tippen Sie auf „Vertrauen“.</translation>
    </message>
    <message>
        <source>The secure session with the device could not be set up. </source>
        <translation>Die sichere Sitzung mit dem Gerät ließ sich nicht aufbauen. </translation>
    </message>
    <message>
        <source> If it keeps failing, remove this computer&apos;s trust record (idevicepair unpair) and tap Trust again.</source>
        <translation> Wenn es weiter fehlschlägt, entfernen Sie den Vertrauenseintrag dieses Computers (idevicepair unpair) und tippen Sie erneut auf „Vertrauen“.</translation>
    </message>
    <message>
        <source>Lost contact with the device. Check the cable, then unplug the device and plug it in again.</source>
        <translation>Die Verbindung zum Gerät ist abgerissen. Prüfen Sie das Kabel, trennen Sie dann das Gerät und schließen Sie es wieder an.</translation>
    </message>
    <message>
        <source>The device has been restarted and is still locked. Unlock it once and try again.</source>
        <translation>Das Gerät wurde neu gestartet und ist noch gesperrt. Entsperren Sie es einmal und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The device&apos;s settings or its management profile do not allow this computer to connect. Check the device&apos;s restrictions.</source>
        <translation>Die Einstellungen des Geräts oder sein Verwaltungsprofil erlauben diesem Computer keine Verbindung. Prüfen Sie die Einschränkungen des Geräts.</translation>
    </message>
    <message>
        <source>The device refused to open its file service. </source>
        <translation>Das Gerät hat es abgelehnt, seinen Dateidienst zu öffnen. </translation>
    </message>
    <message>
        <source>The device does not offer a service this program needs. Update the device&apos;s software and try again.</source>
        <translation>Das Gerät bietet einen Dienst nicht an, den dieses Programm braucht. Aktualisieren Sie die Software des Geräts und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The device is not activated. Finish setting it up, then connect it again.</source>
        <translation>Das Gerät ist nicht aktiviert. Richten Sie es fertig ein und schließen Sie es dann erneut an.</translation>
    </message>
    <message>
        <source>The session with the device ended unexpectedly. </source>
        <translation>Die Sitzung mit dem Gerät endete unerwartet. </translation>
    </message>
    <message>
        <source>The device did not give out the information asked for. Unlock the device and try again.</source>
        <translation>Das Gerät hat die erfragten Angaben nicht herausgegeben. Entsperren Sie das Gerät und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The device gave an answer this program does not understand. </source>
        <translation>Das Gerät gab eine Antwort, die dieses Programm nicht versteht. </translation>
    </message>
    <message>
        <source>The file or folder does not exist on the device.</source>
        <translation>Die Datei oder der Ordner existiert auf dem Gerät nicht.</translation>
    </message>
    <message>
        <source>A folder is in the way of a file on the device.</source>
        <translation>Auf dem Gerät steht ein Ordner einer Datei im Weg.</translation>
    </message>
    <message>
        <source>A file or folder of that name already exists on the device.</source>
        <translation>Auf dem Gerät gibt es schon eine Datei oder einen Ordner mit diesem Namen.</translation>
    </message>
    <message>
        <source>The folder on the device is not empty.</source>
        <translation>Der Ordner auf dem Gerät ist nicht leer.</translation>
    </message>
    <message>
        <source>The device does not allow access to this file or folder.</source>
        <translation>Das Gerät erlaubt keinen Zugriff auf diese Datei oder diesen Ordner.</translation>
    </message>
    <message>
        <source>The device is full. Free some space on it and try again.</source>
        <translation>Das Gerät ist voll. Schaffen Sie dort etwas Platz und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Another program is syncing with the device. Wait until it has finished and try again.</source>
        <translation>Ein anderes Programm synchronisiert gerade mit dem Gerät. Warten Sie, bis es fertig ist, und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The device or this computer ran out of memory. Close other programs and try again.</source>
        <translation>Dem Gerät oder diesem Computer ist der Speicher ausgegangen. Schließen Sie andere Programme und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Reading or writing on the device failed. </source>
        <translation>Lesen oder Schreiben auf dem Gerät ist fehlgeschlagen. </translation>
    </message>
    <message>
        <source>The device refused the request as invalid.</source>
        <translation>Das Gerät hat die Anfrage als ungültig abgelehnt.</translation>
    </message>
    <message>
        <source>The operation on the device was interrupted. Try again.</source>
        <translation>Der Vorgang auf dem Gerät wurde unterbrochen. Versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The device&apos;s file service reported an error. </source>
        <translation>Der Dateidienst des Geräts meldete einen Fehler. </translation>
    </message>
    <message>
        <source>The notification could not be sent to the device: it is not valid.</source>
        <translation>Die Benachrichtigung ließ sich nicht an das Gerät senden: Sie ist ungültig.</translation>
    </message>
    <message>
        <source>Lost contact with the device while notifying it. Check the cable, then unplug the device and plug it in again.</source>
        <translation>Die Verbindung zum Gerät riss ab, während es benachrichtigt wurde. Prüfen Sie das Kabel, trennen Sie dann das Gerät und schließen Sie es wieder an.</translation>
    </message>
    <message>
        <source>Lost contact with the device while opening the app&apos;s files. Check the cable, then unplug the device and plug it in again.</source>
        <translation>Die Verbindung zum Gerät riss ab, während die Dateien der App geöffnet wurden. Prüfen Sie das Kabel, trennen Sie dann das Gerät und schließen Sie es wieder an.</translation>
    </message>
    <message>
        <source>The device refused to open the app&apos;s files (%1). </source>
        <translation>Das Gerät hat es abgelehnt, die Dateien der App zu öffnen (%1). </translation>
    </message>
    <message>
        <source>This program does not use the device service %1.</source>
        <translation>Dieses Programm verwendet den Gerätedienst %1 nicht.</translation>
    </message>
</context>
<context>
    <name>DeviceList</name>
    <message>
        <source>Custom Books</source>
        <translation>Eigene Bücher</translation>
    </message>
    <message>
        <source>iTunes Books</source>
        <translation>iTunes-Bücher</translation>
    </message>
    <message>
        <source>Please connect to your device</source>
        <translation>Bitte schließen Sie Ihr Gerät an</translation>
    </message>
</context>
<context>
    <name>DevicePanel</name>
    <message>
        <source>Try the demo device</source>
        <translation>Das Vorführgerät ausprobieren</translation>
    </message>
    <message>
        <source>Start again on a simulated device with a few sample books</source>
        <translation>Neu starten mit einem nachgebildeten Gerät und ein paar Beispielbüchern</translation>
    </message>
    <message>
        <source>The device could not be opened (%1). Unplug it and plug it in again.</source>
        <translation>Das Gerät ließ sich nicht öffnen (%1). Ziehen Sie es ab und schließen Sie es wieder an.</translation>
    </message>
    <message>
        <source>The demo device could not be started.</source>
        <translation>Das Vorführgerät ließ sich nicht starten.</translation>
    </message>
    <message>
        <source>Unknow IPod</source>
        <translation>Unbekanntes Gerät</translation>
    </message>
</context>
<context>
    <name>FailedWindow</name>
    <message>
        <source>Transfer problems</source>
        <translation>Probleme bei der Übertragung</translation>
    </message>
    <message>
        <source>These books could not be transferred:</source>
        <translation>Diese Bücher ließen sich nicht übertragen:</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>LoadWindowForm</name>
    <message>
        <source>Reading the device</source>
        <translation>Gerät wird gelesen</translation>
    </message>
    <message>
        <source>Reading the device. This may take a moment.</source>
        <translation>Das Gerät wird gelesen. Das kann einen Moment dauern.</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Devices and book lists</source>
        <translation>Geräte und Bücherlisten</translation>
    </message>
    <message>
        <source>Home Page</source>
        <translation>Startseite</translation>
    </message>
    <message>
        <source>Add Books: add ePub books to Custom Books</source>
        <translation>Bücher hinzufügen: ePub-Bücher zu „Eigene Bücher“ hinzufügen</translation>
    </message>
    <message>
        <source>Add Books</source>
        <translation>Bücher hinzufügen</translation>
    </message>
    <message>
        <source>Export: copy the checked books to a folder</source>
        <translation>Exportieren: die abgehakten Bücher in einen Ordner kopieren</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportieren</translation>
    </message>
    <message>
        <source>Album</source>
        <translation>Album</translation>
    </message>
    <message>
        <source>Model:</source>
        <translation>Modell:</translation>
    </message>
    <message>
        <source>Serial Number:</source>
        <translation>Seriennummer:</translation>
    </message>
    <message>
        <source>Capacity:</source>
        <translation>Kapazität:</translation>
    </message>
    <message>
        <source>Format:</source>
        <translation>Format:</translation>
    </message>
    <message>
        <source>Software Version:</source>
        <translation>Softwareversion:</translation>
    </message>
    <message>
        <source>Storage</source>
        <translation>Speicher</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>Photos</source>
        <translation>Fotos</translation>
    </message>
    <message>
        <source>Books</source>
        <translation>Bücher</translation>
    </message>
    <message>
        <source>Other</source>
        <translation>Sonstiges</translation>
    </message>
    <message>
        <source>Free</source>
        <translation>Frei</translation>
    </message>
    <message>
        <source>Filter by title, artist, album or genre</source>
        <translation>Nach Titel, Autor, Album oder Genre filtern</translation>
    </message>
    <message>
        <source>Filter books</source>
        <translation>Bücher filtern</translation>
    </message>
    <message>
        <source>Check or uncheck every book shown</source>
        <translation>Alle gezeigten Bücher abhaken oder die Haken entfernen</translation>
    </message>
    <message>
        <source>Check all books shown</source>
        <translation>Alle gezeigten Bücher abhaken</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Bearbeiten</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Import to Device...</source>
        <translation>Auf das Gerät übertragen...</translation>
    </message>
    <message>
        <source>File to Device</source>
        <translation>Datei auf das Gerät</translation>
    </message>
    <message>
        <source>Folder to Device</source>
        <translation>Ordner auf das Gerät</translation>
    </message>
    <message>
        <source>Export to Mac</source>
        <translation>Auf den Computer exportieren</translation>
    </message>
    <message>
        <source>Export select contents to Mac</source>
        <translation>Ausgewählte Bücher auf den Computer exportieren</translation>
    </message>
    <message>
        <source>Hide @</source>
        <translation>@ ausblenden</translation>
    </message>
    <message>
        <source>Quit @</source>
        <translation>@ beenden</translation>
    </message>
    <message>
        <source>Check All</source>
        <translation>Alle abhaken</translation>
    </message>
    <message>
        <source>Uncheck All</source>
        <translation>Alle Haken entfernen</translation>
    </message>
    <message>
        <source>Check Selected</source>
        <translation>Ausgewählte abhaken</translation>
    </message>
    <message>
        <source>Uncheck Selected</source>
        <translation>Haken der Ausgewählten entfernen</translation>
    </message>
    <message>
        <source>Delete selected item</source>
        <translation>Ausgewählte Bücher löschen</translation>
    </message>
    <message>
        <source>Delete check item</source>
        <translation>Abgehakte Bücher löschen</translation>
    </message>
    <message>
        <source>Filter Books</source>
        <translation>Bücher filtern</translation>
    </message>
    <message>
        <source>Preferences...</source>
        <translation>Einstellungen...</translation>
    </message>
    <message>
        <source>@ Help</source>
        <translation>@-Hilfe</translation>
    </message>
    <message>
        <source>About @</source>
        <translation>Über @</translation>
    </message>
    <message>
        <source>Delete selected contents</source>
        <translation>Ausgewählte Bücher löschen</translation>
    </message>
</context>
<context>
    <name>MediaTableModel</name>
    <message>
        <source>Name</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Artist</source>
        <translation>Autor</translation>
    </message>
    <message>
        <source>Album</source>
        <translation>Album</translation>
    </message>
    <message>
        <source>Genre</source>
        <translation>Genre</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Dauer</translation>
    </message>
</context>
<context>
    <name>Operations</name>
    <message>
        <source>cannot write in the scratch folder</source>
        <translation>in den temporären Ordner lässt sich nicht schreiben</translation>
    </message>
    <message>
        <source>the book could not be read from the device</source>
        <translation>das Buch ließ sich nicht vom Gerät lesen</translation>
    </message>
    <message>
        <source>%1 leads through a link: only the app&apos;s own Documents folder is used</source>
        <translation>%1 führt über eine Verknüpfung: Nur der eigene Dokumente-Ordner der App wird verwendet</translation>
    </message>
    <message>
        <source>no book %1 in the app</source>
        <translation>kein Buch %1 in der App</translation>
    </message>
    <message>
        <source>a book in an app is named by its path in the app&apos;s Documents folder</source>
        <translation>ein Buch in einer App wird mit seinem Pfad im Dokumente-Ordner der App angegeben</translation>
    </message>
    <message>
        <source>the path %1 has an empty, &quot;.&quot; or &quot;..&quot; part</source>
        <translation>der Pfad %1 hat einen leeren Teil, „.“ oder „..“</translation>
    </message>
    <message>
        <source>not a file: %1</source>
        <translation>keine Datei: %1</translation>
    </message>
    <message>
        <source>%1 is not an ePub</source>
        <translation>%1 ist kein ePub</translation>
    </message>
    <message>
        <source>the scratch folder cannot be used</source>
        <translation>der temporäre Ordner ist nicht nutzbar</translation>
    </message>
    <message>
        <source>the app&apos;s Documents folder is a link: only the app&apos;s own folder is used</source>
        <translation>der Dokumente-Ordner der App ist eine Verknüpfung: Nur der eigene Ordner der App wird verwendet</translation>
    </message>
    <message>
        <source>%1 is in the app already and was kept</source>
        <translation>%1 ist schon in der App und wurde behalten</translation>
    </message>
    <message>
        <source>no free name for %1</source>
        <translation>kein freier Name für %1</translation>
    </message>
    <message>
        <source>cannot read %1</source>
        <translation>%1 lässt sich nicht lesen</translation>
    </message>
    <message>
        <source>The device is full: the book needs %1 bytes. Make room on the device and try again.</source>
        <translation>Das Gerät ist voll: Das Buch braucht %1 Byte. Schaffen Sie Platz auf dem Gerät und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>cannot write in the app&apos;s Documents folder</source>
        <translation>in den Dokumente-Ordner der App lässt sich nicht schreiben</translation>
    </message>
    <message>
        <source>the book could not be written to the device</source>
        <translation>das Buch ließ sich nicht auf das Gerät schreiben</translation>
    </message>
    <message>
        <source>the book could not be given its name %1 in the app</source>
        <translation>das Buch ließ sich in der App nicht %1 nennen</translation>
    </message>
    <message>
        <source>the destination is not a folder: %1</source>
        <translation>das Ziel ist kein Ordner: %1</translation>
    </message>
    <message>
        <source>the book could not be removed from the app</source>
        <translation>das Buch ließ sich nicht aus der App entfernen</translation>
    </message>
    <message>
        <source>only the device&apos;s own books are deleted here</source>
        <translation>hier werden nur die eigenen Bücher des Geräts gelöscht</translation>
    </message>
    <message>
        <source>the book&apos;s &quot;Path&quot; %1 is also the folder of a book the user did not add</source>
        <translation>der „Path“ %1 des Buchs ist auch der Ordner eines Buchs, das nicht selbst hinzugefügt wurde</translation>
    </message>
    <message>
        <source>no book with the &quot;Path&quot; %1 in the catalogue</source>
        <translation>kein Buch mit dem „Path“ %1 im Katalog</translation>
    </message>
    <message>
        <source>the book was taken out of the catalogue, but some of its files remain in %1</source>
        <translation>das Buch wurde aus dem Katalog genommen, aber einige seiner Dateien bleiben in %1</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>%1 lässt sich nicht schreiben: %2</translation>
    </message>
    <message>
        <source>cannot write in %1: %2</source>
        <translation>in %1 lässt sich nicht schreiben: %2</translation>
    </message>
    <message>
        <source>%1 exists and was kept</source>
        <translation>%1 ist vorhanden und wurde behalten</translation>
    </message>
    <message>
        <source>cannot open the device&apos;s books folder</source>
        <translation>der Bücherordner des Geräts lässt sich nicht öffnen</translation>
    </message>
    <message>
        <source>the book &quot;%1&quot; is not on the device</source>
        <translation>das Buch „%1“ ist nicht auf dem Gerät</translation>
    </message>
    <message>
        <source>could not read all of the book from the device</source>
        <translation>das Buch ließ sich nicht vollständig vom Gerät lesen</translation>
    </message>
    <message>
        <source>cannot write the book&apos;s copy in the scratch folder: %1</source>
        <translation>die Kopie des Buchs lässt sich nicht in den temporären Ordner schreiben: %1</translation>
    </message>
    <message>
        <source>only the device&apos;s own books are exported here</source>
        <translation>hier werden nur die eigenen Bücher des Geräts exportiert</translation>
    </message>
    <message>
        <source>cannot copy the book to the device</source>
        <translation>das Buch lässt sich nicht auf das Gerät kopieren</translation>
    </message>
    <message>
        <source>the device&apos;s catalogue took the book&apos;s folder name &quot;%1&quot; meanwhile</source>
        <translation>der Katalog des Geräts hat den Ordnernamen „%1“ des Buchs inzwischen vergeben</translation>
    </message>
    <message>
        <source>not an ePub file (its name does not end in &quot;.epub&quot;)</source>
        <translation>keine ePub-Datei (der Name endet nicht auf „.epub“)</translation>
    </message>
    <message>
        <source>books are imported into the device&apos;s own books only</source>
        <translation>Bücher werden nur in die eigenen Bücher des Geräts übertragen</translation>
    </message>
    <message>
        <source>the book has no &quot;Path&quot; in the catalogue</source>
        <translation>das Buch hat keinen „Path“ im Katalog</translation>
    </message>
    <message>
        <source>the book&apos;s &quot;Path&quot; does not name a book folder or book file: %1</source>
        <translation>der „Path“ des Buchs nennt keinen Buchordner und keine Buchdatei: %1</translation>
    </message>
    <message>
        <source>the app&apos;s Documents folder cannot be opened</source>
        <translation>der Dokumente-Ordner der App lässt sich nicht öffnen</translation>
    </message>
    <message>
        <source>no data folder for the catalogue backups (set HOME or BOOKFERRY_DATA_DIR)</source>
        <translation>kein Datenordner für die Katalogsicherungen (HOME oder BOOKFERRY_DATA_DIR setzen)</translation>
    </message>
    <message>
        <source>cannot create the backup folder %1: %2</source>
        <translation>der Sicherungsordner %1 lässt sich nicht anlegen: %2</translation>
    </message>
    <message>
        <source>cannot keep a copy of the device&apos;s book catalogue before changing it</source>
        <translation>vom Buchkatalog des Geräts lässt sich vor der Änderung keine Kopie sichern</translation>
    </message>
    <message>
        <source>cannot write the catalogue backup %1</source>
        <translation>die Katalogsicherung %1 lässt sich nicht schreiben</translation>
    </message>
    <message>
        <source>cannot tell whether the device has a book catalogue to back up</source>
        <translation>es lässt sich nicht feststellen, ob das Gerät einen Buchkatalog zum Sichern hat</translation>
    </message>
    <message>
        <source>no device is connected</source>
        <translation>kein Gerät ist angeschlossen</translation>
    </message>
    <message>
        <source>not a book catalogue: %1</source>
        <translation>kein Buchkatalog: %1</translation>
    </message>
    <message>
        <source>it has no &quot;Books&quot; array</source>
        <translation>er enthält keine „Books“-Liste</translation>
    </message>
    <message>
        <source>this copy was kept for another device (%1)</source>
        <translation>diese Kopie wurde für ein anderes Gerät gesichert (%1)</translation>
    </message>
    <message>
        <source>the device&apos;s book catalogue is %1 MB, more than the %2 MB this program reads, so it is left as it is</source>
        <translation>der Buchkatalog des Geräts hat %1 MB, mehr als die %2 MB, die dieses Programm liest; er bleibt deshalb, wie er ist</translation>
    </message>
    <message>
        <source>cannot tell whether the device has a book catalogue</source>
        <translation>es lässt sich nicht feststellen, ob das Gerät einen Buchkatalog hat</translation>
    </message>
    <message>
        <source>cannot copy the device&apos;s book catalogue</source>
        <translation>der Buchkatalog des Geräts lässt sich nicht kopieren</translation>
    </message>
    <message>
        <source>the device&apos;s book catalogue cannot be read, so it is left as it is: %1</source>
        <translation>der Buchkatalog des Geräts lässt sich nicht lesen und bleibt deshalb, wie er ist: %1</translation>
    </message>
    <message>
        <source>cannot upload the book catalogue to the device</source>
        <translation>der Buchkatalog lässt sich nicht auf das Gerät übertragen</translation>
    </message>
    <message>
        <source>the device&apos;s catalogue was updated, but its local copy could not be replaced</source>
        <translation>der Katalog des Geräts wurde aktualisiert, aber seine lokale Kopie ließ sich nicht ersetzen</translation>
    </message>
    <message>
        <source>cannot replace the book catalogue on the device</source>
        <translation>der Buchkatalog auf dem Gerät lässt sich nicht ersetzen</translation>
    </message>
    <message>
        <source>the book catalogue was uploaded, but could not be read back from the device to check it</source>
        <translation>der Buchkatalog wurde übertragen, ließ sich zur Prüfung aber nicht wieder vom Gerät lesen</translation>
    </message>
    <message>
        <source>the book catalogue read back from the device differs from the one uploaded</source>
        <translation>der vom Gerät zurückgelesene Buchkatalog weicht vom übertragenen ab</translation>
    </message>
    <message>
        <source>the transfer was stopped</source>
        <translation>die Übertragung wurde abgebrochen</translation>
    </message>
    <message>
        <source>the device was disconnected</source>
        <translation>das Gerät wurde getrennt</translation>
    </message>
    <message numerus="yes">
        <source>%n book(s) of the copy are no longer on the device and were left out:</source>
        <translation>
            <numerusform>%n Buch der Kopie ist nicht mehr auf dem Gerät und wurde ausgelassen:</numerusform>
            <numerusform>%n Bücher der Kopie sind nicht mehr auf dem Gerät und wurden ausgelassen:</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 is not an ePub or a PDF (its name does not end in .epub or .pdf)</source>
        <translation>%1 ist weder ein ePub noch ein PDF (der Name endet nicht auf .epub oder .pdf)</translation>
    </message>
    <message>
        <source>%1 is not a PDF</source>
        <translation>%1 ist kein PDF</translation>
    </message>
    <message>
        <source>a PDF: the device&apos;s own books are ePub only; a reader app that takes PDFs can hold it</source>
        <translation>ein PDF: Die eigenen Bücher des Geräts sind nur ePubs; eine Lese-App, die PDFs annimmt, kann es aufnehmen</translation>
    </message>
    <message>
        <source>a PDF, and %1 does not say it takes PDFs</source>
        <translation>ein PDF, und %1 gibt nicht an, PDFs anzunehmen</translation>
    </message>
</context>
<context>
    <name>PreferencesWindow</name>
    <message>
        <source>Preferences</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Save pictures as:</source>
        <translation>Bilder speichern als:</translation>
    </message>
    <message>
        <source>List apps that share files but do not read books</source>
        <translation>Apps zeigen, die Dateien teilen, aber keine Bücher lesen</translation>
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
<context>
    <name>ProgressSheet</name>
    <message>
        <source>Uploading.....</source>
        <translation>Wird übertragen...</translation>
    </message>
    <message>
        <source>Stopping...</source>
        <translation>Wird angehalten...</translation>
    </message>
    <message>
        <source>Deleting: %1</source>
        <translation>Löschen: %1</translation>
    </message>
    <message>
        <source>Copying to: %1</source>
        <translation>Kopieren nach: %1</translation>
    </message>
</context>
<context>
    <name>ProgressWindow</name>
    <message>
        <source>Copying</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Uploading.....</source>
        <translation>Wird übertragen...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Choose ePub books to add</source>
        <translation>ePub-Bücher zum Hinzufügen wählen</translation>
    </message>
    <message>
        <source>ePub books (*.epub)</source>
        <translation>ePub-Bücher (*.epub)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Choose the folder for the books</source>
        <translation>Ordner für die Bücher wählen</translation>
    </message>
    <message>
        <source>Choose a folder of ePub books to add</source>
        <translation>Ordner mit ePub-Büchern zum Hinzufügen wählen</translation>
    </message>
    <message>
        <source>ePub books and PDFs (*.epub *.pdf)</source>
        <translation>ePub-Bücher und PDFs (*.epub *.pdf)</translation>
    </message>
    <message>
        <source>PDFs (*.pdf)</source>
        <translation>PDFs (*.pdf)</translation>
    </message>
    <message>
        <source>Choose ePub books or PDFs to add</source>
        <translation>ePub-Bücher oder PDFs zum Hinzufügen wählen</translation>
    </message>
</context>
<context>
    <name>QtLoadWindow</name>
    <message numerus="yes">
        <source>%n folder(s) read</source>
        <translation>
            <numerusform>%n Ordner gelesen</numerusform>
            <numerusform>%n Ordner gelesen</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Scratch</name>
    <message>
        <source>it cannot be created (%1)</source>
        <translation>er lässt sich nicht anlegen (%1)</translation>
    </message>
    <message>
        <source>it cannot be read (%1)</source>
        <translation>er lässt sich nicht lesen (%1)</translation>
    </message>
    <message>
        <source>it is not a folder</source>
        <translation>er ist kein Ordner</translation>
    </message>
    <message>
        <source>it belongs to another user</source>
        <translation>er gehört einem anderen Benutzer</translation>
    </message>
    <message>
        <source>it is open to other users and cannot be made private (%1)</source>
        <translation>er ist für andere Benutzer offen und lässt sich nicht privat machen (%1)</translation>
    </message>
    <message>
        <source>The scratch folder %1 cannot be used: %2. Set BOOKFERRY_SCRATCH to a folder of your own.</source>
        <translation>Der temporäre Ordner %1 ist nicht nutzbar: %2. Setzen Sie BOOKFERRY_SCRATCH auf einen eigenen Ordner.</translation>
    </message>
    <message>
        <source>this program&apos;s working folder cannot be made in it (%1)</source>
        <translation>der Arbeitsordner dieses Programms lässt sich darin nicht anlegen (%1)</translation>
    </message>
</context>
<context>
    <name>TransferCommands</name>
    <message>
        <source>1 book was exported to %1.</source>
        <translation>1 Buch wurde nach %1 exportiert.</translation>
    </message>
    <message>
        <source>%1 books were exported to %2.</source>
        <translation>%1 Bücher wurden nach %2 exportiert.</translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation>Ordner öffnen</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Hinweis</translation>
    </message>
    <message>
        <source>Are you sure, delete the item?</source>
        <translation>Wirklich löschen?</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>Nein</translation>
    </message>
    <message>
        <source>YES</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>These books could not be deleted:</source>
        <translation>Diese Bücher ließen sich nicht löschen:</translation>
    </message>
    <message>
        <source>%1 is existing. Are you sure to replace?</source>
        <translation>%1 ist schon vorhanden. Wirklich ersetzen?</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>&quot;%1&quot; (%2) is already on the device. Add it again?</source>
        <translation>„%1“ (%2) ist schon auf dem Gerät. Noch einmal hinzufügen?</translation>
    </message>
    <message>
        <source>Skip</source>
        <translation>Überspringen</translation>
    </message>
    <message>
        <source>Add Again</source>
        <translation>Nochmals hinzufügen</translation>
    </message>
    <message>
        <source>Skip All</source>
        <translation>Alle überspringen</translation>
    </message>
    <message>
        <source>Keep Both</source>
        <translation>Beide behalten</translation>
    </message>
</context>
<context>
    <name>TransferSlot</name>
    <message>
        <source>%1 is existing. Are you sure to replace?</source>
        <translation>%1 ist schon vorhanden. Wirklich ersetzen?</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>Nein</translation>
    </message>
    <message>
        <source>YES</source>
        <translation>Ja</translation>
    </message>
</context>
<context>
    <name>mainControler</name>
    <message>
        <source>Restore Catalogue Backup...</source>
        <translation>Sicherung des Buchkatalogs zurückholen...</translation>
    </message>
    <message>
        <source>%1 Help</source>
        <translation>%1-Hilfe</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>Über %1</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>DEVICES</source>
        <translation>GERÄTE</translation>
    </message>
    <message>
        <source>help/index.html</source>
        <comment>the help page in this language, in the resource folder</comment>
        <translation>help/index.de.html</translation>
    </message>
</context>
</TS>
