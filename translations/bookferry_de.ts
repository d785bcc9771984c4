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
        <translation type="unfinished" />
    </message>
    <message>
        <source>1 file was not found.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1 files were not found.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>1 file that is no ePub book is left out.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1 files that are no ePub books are left out.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>No ePub book (a file whose name ends in &quot;.epub&quot;) was found among the files given.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Custom Books</source>
        <translation>Eigene Bücher</translation>
    </message>
    <message>
        <source>Add 1 book to %1 on %2?</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Add %1 books to %2 on %3?</source>
        <translation type="unfinished" />
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
