<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es_ES">
<context>
    <name>AboutDialog</name>
    <message>
        <source>About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keeps the ePub books of an iPhone, iPad or iPod touch in step with your computer.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Free software under the GNU General Public License, version 3 or later.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AppShelf</name>
    <message>
        <source>the app&apos;s files could not be opened</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No reader app on this device shares its files. Install an ePub reader that shares its files with a computer.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Any app that shares its files can be used: turn on &quot;List apps that share files but do not read books&quot; in Preferences, then choose &quot;Use for Books&quot; from the app&apos;s menu here.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use for Books</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Books added here go into %1&apos;s own folder. %1 may need to be closed and opened again to show new books.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the app&apos;s Documents folder could not be read</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Warning</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is existing. Are you sure to replace?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>NO</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>YES</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep Both</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copying to: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 book was exported to %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 books were exported to %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>These books could not be deleted:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deleting: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>BookCovers</name>
    <message>
        <source>%1 bytes</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>BookImportSources</name>
    <message>
        <source>Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No ePub books were found in &quot;%1&quot; or its sub-folders.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Found 1 ePub book in &quot;%1&quot; and its sub-folders.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Found %1 ePub books in &quot;%2&quot; and its sub-folders.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add them to Custom Books?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add them to %1?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Folder to Device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Books</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connect a device to add books to it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Books are being copied. Drop the new books again when that has finished.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing that was dropped is an ePub book (a file whose name ends in &quot;.epub&quot;).</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CatalogueBackupDialog</name>
    <message>
        <source>Restore Catalogue Backup</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kept on</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Books</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No copies of the book catalogue of %1 have been kept yet. A copy is kept before every change made to it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copies of the book catalogue of %1, kept before each change, newest first. Choose the one to put back on the device.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unreadable</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CatalogueRestoreCommand</name>
    <message>
        <source>which cannot be read as a catalogue</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 book</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 books</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore Catalogue Backup</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The book catalogue on “%1” will be replaced by the copy kept on %2 (%3). The catalogue the device holds now is kept as a copy first, so this can be undone the same way. Books of the copy that are no longer on the device are left out.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restoring the book catalogue of “%1”...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Catalogue copy kept on %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The book catalogue could not be restored:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The book catalogue was restored. %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DesktopNotifier</name>
    <message>
        <source>, %1 failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Adding books finished</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Adding books stopped</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Adding books ended with problems</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export finished</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export stopped</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export ended with problems</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deletion finished</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deletion stopped</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deletion ended with problems</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Catalogue restore finished</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Catalogue restore stopped</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Catalogue restore ended with problems</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Transfer finished</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Transfer stopped</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Transfer ended with problems</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 book was added</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 books were added</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The books were added</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 book was exported to %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 books were exported to %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The books were exported to %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 book was deleted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 books were deleted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The books were deleted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The book catalogue could not be restored.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The book catalogue was restored.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 failed.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DeviceList</name>
    <message>
        <source>Custom Books</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>iTunes Books</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please connect to your device</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DevicePanel</name>
    <message>
        <source>Try the demo device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start again on a simulated device with a few sample books</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The device could not be opened (%1). Unplug it and plug it in again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The demo device could not be started.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unknow IPod</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FailedWindow</name>
    <message>
        <source>Transfer problems</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>These books could not be transferred:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LoadWindowForm</name>
    <message>
        <source>Reading the device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reading the device. This may take a moment.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Devices and book lists</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Home Page</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Books: add ePub books to Custom Books</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Books</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export: copy the checked books to a folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Album</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Model:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Serial Number:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Capacity:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Format:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Software Version:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Storage</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Audio</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Video</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Photos</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Books</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Other</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Free</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Filter by title, artist, album or genre</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Filter books</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check or uncheck every book shown</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check all books shown</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import to Device...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File to Device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Folder to Device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export to Mac</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export select contents to Mac</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hide @</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit @</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Uncheck All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check Selected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Uncheck Selected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete selected item</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete check item</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Filter Books</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preferences...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>@ Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About @</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete selected contents</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MediaTableModel</name>
    <message>
        <source>Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Artist</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Album</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Genre</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Time</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PreferencesWindow</name>
    <message>
        <source>Preferences</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save pictures as:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>List apps that share files but do not read books</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ProgressSheet</name>
    <message>
        <source>Uploading.....</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stopping...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ProgressWindow</name>
    <message>
        <source>Copying</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Uploading.....</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Choose ePub books to add</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ePub books (*.epub)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose the folder for the books</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose a folder of ePub books to add</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QtLoadWindow</name>
    <message numerus="yes">
        <source>%n folder(s) read</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TransferCommands</name>
    <message>
        <source>Copying to: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 book was exported to %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 books were exported to %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure, delete the item?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>NO</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>YES</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deleting: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>These books could not be deleted:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is existing. Are you sure to replace?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Warning</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; (%2) is already on the device. Add it again?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Skip</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Skip All</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>mainControler</name>
    <message>
        <source>Restore Catalogue Backup...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
