<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es_ES">
<context>
    <name>AboutDialog</name>
    <message>
        <source>About</source>
        <translation>Acerca de</translation>
    </message>
    <message>
        <source>Keeps the ePub books of an iPhone, iPad or iPod touch in step with your computer.</source>
        <translation>Mantiene los libros ePub de un iPhone, iPad o iPod touch al día con su ordenador.</translation>
    </message>
    <message>
        <source>Free software under the GNU General Public License, version 3 or later.</source>
        <translation>Software libre bajo la Licencia Pública General de GNU, versión 3 o posterior.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
</context>
<context>
    <name>AppShelf</name>
    <message>
        <source>the app&apos;s files could not be opened</source>
        <translation>no se pudieron abrir los archivos de la app</translation>
    </message>
    <message>
        <source>No reader app on this device shares its files. Install an ePub reader that shares its files with a computer.</source>
        <translation>Ninguna app de lectura de este dispositivo comparte sus archivos. Instale un lector de ePub que comparta sus archivos con un ordenador.</translation>
    </message>
    <message>
        <source> Any app that shares its files can be used: turn on &quot;List apps that share files but do not read books&quot; in Preferences, then choose &quot;Use for Books&quot; from the app&apos;s menu here.</source>
        <translation> Sirve cualquier app que comparta sus archivos: active «Mostrar las apps que comparten archivos pero no leen libros» en Preferencias y elija «Usar para libros» en el menú de la app aquí.</translation>
    </message>
    <message>
        <source>Use for Books</source>
        <translation>Usar para libros</translation>
    </message>
    <message>
        <source>Books added here go into %1&apos;s own folder. %1 may need to be closed and opened again to show new books.</source>
        <translation>Los libros añadidos aquí van a la carpeta propia de %1. Quizá haya que cerrar y volver a abrir %1 para que muestre los libros nuevos.</translation>
    </message>
    <message>
        <source>the app&apos;s Documents folder could not be read</source>
        <translation>no se pudo leer la carpeta Documentos de la app</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation>%1 bytes</translation>
    </message>
</context>
<context>
    <name>BookCovers</name>
    <message>
        <source>%1 bytes</source>
        <translation>%1 bytes</translation>
    </message>
</context>
<context>
    <name>BookImportSources</name>
    <message>
        <source>Information</source>
        <translation>Información</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
    <message>
        <source>No ePub books were found in &quot;%1&quot; or its sub-folders.</source>
        <translation>No se encontraron libros ePub en «%1» ni en sus subcarpetas.</translation>
    </message>
    <message>
        <source>Found 1 ePub book in &quot;%1&quot; and its sub-folders.</source>
        <translation>Se encontró 1 libro ePub en «%1» y sus subcarpetas.</translation>
    </message>
    <message>
        <source>Found %1 ePub books in &quot;%2&quot; and its sub-folders.</source>
        <translation>Se encontraron %1 libros ePub en «%2» y sus subcarpetas.</translation>
    </message>
    <message>
        <source>Add them to Custom Books?</source>
        <translation>¿Añadirlos a Libros propios?</translation>
    </message>
    <message>
        <source>Add them to %1?</source>
        <translation>¿Añadirlos a %1?</translation>
    </message>
    <message>
        <source>Folder to Device</source>
        <translation>Carpeta al dispositivo</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>Add Books</source>
        <translation>Añadir libros</translation>
    </message>
    <message>
        <source>Connect a device to add books to it.</source>
        <translation>Conecte un dispositivo para añadirle libros.</translation>
    </message>
    <message>
        <source>Books are being copied. Drop the new books again when that has finished.</source>
        <translation>Se están copiando libros. Vuelva a soltar los libros nuevos cuando termine.</translation>
    </message>
    <message>
        <source>Nothing that was dropped is an ePub book (a file whose name ends in &quot;.epub&quot;).</source>
        <translation>Nada de lo que se soltó es un libro ePub (un archivo cuyo nombre termina en «.epub»).</translation>
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
        <translation>Libros propios</translation>
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
        <translation>Restaurar una copia del catálogo</translation>
    </message>
    <message>
        <source>Kept on</source>
        <translation>Guardada el</translation>
    </message>
    <message>
        <source>Books</source>
        <translation>Libros</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Tamaño</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>Restore...</source>
        <translation>Restaurar...</translation>
    </message>
    <message>
        <source>the device</source>
        <translation>el dispositivo</translation>
    </message>
    <message>
        <source>No copies of the book catalogue of %1 have been kept yet. A copy is kept before every change made to it.</source>
        <translation>Aún no se ha guardado ninguna copia del catálogo de libros de %1. Se guarda una copia antes de cada cambio.</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Cerrar</translation>
    </message>
    <message>
        <source>Copies of the book catalogue of %1, kept before each change, newest first. Choose the one to put back on the device.</source>
        <translation>Copias del catálogo de libros de %1, guardadas antes de cada cambio, la más reciente primero. Elija la que se devolverá al dispositivo.</translation>
    </message>
    <message>
        <source>unreadable</source>
        <translation>ilegible</translation>
    </message>
    <message>
        <source>“%1”</source>
        <comment>a device&apos;s name in quotation marks</comment>
        <translation>«%1»</translation>
    </message>
</context>
<context>
    <name>CatalogueRestoreCommand</name>
    <message>
        <source>which cannot be read as a catalogue</source>
        <translation>que no se puede leer como catálogo</translation>
    </message>
    <message>
        <source>1 book</source>
        <translation>1 libro</translation>
    </message>
    <message>
        <source>%1 books</source>
        <translation>%1 libros</translation>
    </message>
    <message>
        <source>Restore Catalogue Backup</source>
        <translation>Restaurar una copia del catálogo</translation>
    </message>
    <message>
        <source>The book catalogue on “%1” will be replaced by the copy kept on %2 (%3). The catalogue the device holds now is kept as a copy first, so this can be undone the same way. Books of the copy that are no longer on the device are left out.</source>
        <translation>El catálogo de libros de «%1» se reemplazará por la copia guardada el %2 (%3). Antes se guarda una copia del catálogo actual del dispositivo, así que puede deshacerse del mismo modo. Los libros de la copia que ya no están en el dispositivo se omiten.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Restaurar</translation>
    </message>
    <message>
        <source>Restoring the book catalogue of “%1”...</source>
        <translation>Restaurando el catálogo de libros de «%1»...</translation>
    </message>
    <message>
        <source>Catalogue copy kept on %1</source>
        <translation>Copia del catálogo guardada el %1</translation>
    </message>
    <message>
        <source>The book catalogue could not be restored:</source>
        <translation>No se pudo restaurar el catálogo de libros:</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Información</translation>
    </message>
    <message>
        <source>The book catalogue was restored. %1</source>
        <translation>Se restauró el catálogo de libros. %1</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
</context>
<context>
    <name>DesktopNotifier</name>
    <message>
        <source>, %1 failed</source>
        <translation>, %1 con error</translation>
    </message>
    <message>
        <source>Adding books finished</source>
        <translation>Libros añadidos</translation>
    </message>
    <message>
        <source>Adding books stopped</source>
        <translation>Adición de libros detenida</translation>
    </message>
    <message>
        <source>Adding books ended with problems</source>
        <translation>Adición de libros terminada con problemas</translation>
    </message>
    <message>
        <source>Export finished</source>
        <translation>Exportación terminada</translation>
    </message>
    <message>
        <source>Export stopped</source>
        <translation>Exportación detenida</translation>
    </message>
    <message>
        <source>Export ended with problems</source>
        <translation>Exportación terminada con problemas</translation>
    </message>
    <message>
        <source>Deletion finished</source>
        <translation>Eliminación terminada</translation>
    </message>
    <message>
        <source>Deletion stopped</source>
        <translation>Eliminación detenida</translation>
    </message>
    <message>
        <source>Deletion ended with problems</source>
        <translation>Eliminación terminada con problemas</translation>
    </message>
    <message>
        <source>Catalogue restore finished</source>
        <translation>Restauración del catálogo terminada</translation>
    </message>
    <message>
        <source>Catalogue restore stopped</source>
        <translation>Restauración del catálogo detenida</translation>
    </message>
    <message>
        <source>Catalogue restore ended with problems</source>
        <translation>Restauración del catálogo terminada con problemas</translation>
    </message>
    <message>
        <source>Transfer finished</source>
        <translation>Transferencia terminada</translation>
    </message>
    <message>
        <source>Transfer stopped</source>
        <translation>Transferencia detenida</translation>
    </message>
    <message>
        <source>Transfer ended with problems</source>
        <translation>Transferencia terminada con problemas</translation>
    </message>
    <message>
        <source>1 book was added</source>
        <translation>Se añadió 1 libro</translation>
    </message>
    <message>
        <source>%1 books were added</source>
        <translation>Se añadieron %1 libros</translation>
    </message>
    <message>
        <source>The books were added</source>
        <translation>Se añadieron los libros</translation>
    </message>
    <message>
        <source>1 book was exported to %1</source>
        <translation>Se exportó 1 libro a %1</translation>
    </message>
    <message>
        <source>%1 books were exported to %2</source>
        <translation>Se exportaron %1 libros a %2</translation>
    </message>
    <message>
        <source>The books were exported to %1</source>
        <translation>Se exportaron los libros a %1</translation>
    </message>
    <message>
        <source>1 book was deleted</source>
        <translation>Se eliminó 1 libro</translation>
    </message>
    <message>
        <source>%1 books were deleted</source>
        <translation>Se eliminaron %1 libros</translation>
    </message>
    <message>
        <source>The books were deleted</source>
        <translation>Se eliminaron los libros</translation>
    </message>
    <message>
        <source>The book catalogue could not be restored.</source>
        <translation>No se pudo restaurar el catálogo de libros.</translation>
    </message>
    <message>
        <source>The book catalogue was restored.</source>
        <translation>Se restauró el catálogo de libros.</translation>
    </message>
    <message>
        <source>%1 failed.</source>
        <translation>%1 con error.</translation>
    </message>
</context>
<context>
    <name>DeviceList</name>
    <message>
        <source>Custom Books</source>
        <translation>Libros propios</translation>
    </message>
    <message>
        <source>iTunes Books</source>
        <translation>Libros de iTunes</translation>
    </message>
    <message>
        <source>Please connect to your device</source>
        <translation>Conecte su dispositivo</translation>
    </message>
</context>
<context>
    <name>DevicePanel</name>
    <message>
        <source>Try the demo device</source>
        <translation>Probar el dispositivo de demostración</translation>
    </message>
    <message>
        <source>Start again on a simulated device with a few sample books</source>
        <translation>Volver a empezar con un dispositivo simulado y unos libros de muestra</translation>
    </message>
    <message>
        <source>The device could not be opened (%1). Unplug it and plug it in again.</source>
        <translation>No se pudo abrir el dispositivo (%1). Desconéctelo y vuelva a conectarlo.</translation>
    </message>
    <message>
        <source>The demo device could not be started.</source>
        <translation>No se pudo iniciar el dispositivo de demostración.</translation>
    </message>
    <message>
        <source>Unknow IPod</source>
        <translation>Dispositivo desconocido</translation>
    </message>
</context>
<context>
    <name>FailedWindow</name>
    <message>
        <source>Transfer problems</source>
        <translation>Problemas de transferencia</translation>
    </message>
    <message>
        <source>These books could not be transferred:</source>
        <translation>No se pudieron transferir estos libros:</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Cerrar</translation>
    </message>
</context>
<context>
    <name>LoadWindowForm</name>
    <message>
        <source>Reading the device</source>
        <translation>Leyendo el dispositivo</translation>
    </message>
    <message>
        <source>Reading the device. This may take a moment.</source>
        <translation>Leyendo el dispositivo. Puede tardar un momento.</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Devices and book lists</source>
        <translation>Dispositivos y listas de libros</translation>
    </message>
    <message>
        <source>Home Page</source>
        <translation>Página de inicio</translation>
    </message>
    <message>
        <source>Add Books: add ePub books to Custom Books</source>
        <translation>Añadir libros: añadir libros ePub a Libros propios</translation>
    </message>
    <message>
        <source>Add Books</source>
        <translation>Añadir libros</translation>
    </message>
    <message>
        <source>Export: copy the checked books to a folder</source>
        <translation>Exportar: copiar los libros marcados a una carpeta</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportar</translation>
    </message>
    <message>
        <source>Album</source>
        <translation>Álbum</translation>
    </message>
    <message>
        <source>Model:</source>
        <translation>Modelo:</translation>
    </message>
    <message>
        <source>Serial Number:</source>
        <translation>Número de serie:</translation>
    </message>
    <message>
        <source>Capacity:</source>
        <translation>Capacidad:</translation>
    </message>
    <message>
        <source>Format:</source>
        <translation>Formato:</translation>
    </message>
    <message>
        <source>Software Version:</source>
        <translation>Versión de software:</translation>
    </message>
    <message>
        <source>Storage</source>
        <translation>Almacenamiento</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Vídeo</translation>
    </message>
    <message>
        <source>Photos</source>
        <translation>Fotos</translation>
    </message>
    <message>
        <source>Books</source>
        <translation>Libros</translation>
    </message>
    <message>
        <source>Other</source>
        <translation>Otros</translation>
    </message>
    <message>
        <source>Free</source>
        <translation>Libre</translation>
    </message>
    <message>
        <source>Filter by title, artist, album or genre</source>
        <translation>Filtrar por título, autor, álbum o género</translation>
    </message>
    <message>
        <source>Filter books</source>
        <translation>Filtrar libros</translation>
    </message>
    <message>
        <source>Check or uncheck every book shown</source>
        <translation>Marcar o desmarcar todos los libros mostrados</translation>
    </message>
    <message>
        <source>Check all books shown</source>
        <translation>Marcar todos los libros mostrados</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Archivo</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Edición</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Ayuda</translation>
    </message>
    <message>
        <source>Import to Device...</source>
        <translation>Importar al dispositivo...</translation>
    </message>
    <message>
        <source>File to Device</source>
        <translation>Archivo al dispositivo</translation>
    </message>
    <message>
        <source>Folder to Device</source>
        <translation>Carpeta al dispositivo</translation>
    </message>
    <message>
        <source>Export to Mac</source>
        <translation>Exportar al ordenador</translation>
    </message>
    <message>
        <source>Export select contents to Mac</source>
        <translation>Exportar los libros seleccionados al ordenador</translation>
    </message>
    <message>
        <source>Hide @</source>
        <translation>Ocultar @</translation>
    </message>
    <message>
        <source>Quit @</source>
        <translation>Salir de @</translation>
    </message>
    <message>
        <source>Check All</source>
        <translation>Marcar todos</translation>
    </message>
    <message>
        <source>Uncheck All</source>
        <translation>Desmarcar todos</translation>
    </message>
    <message>
        <source>Check Selected</source>
        <translation>Marcar los seleccionados</translation>
    </message>
    <message>
        <source>Uncheck Selected</source>
        <translation>Desmarcar los seleccionados</translation>
    </message>
    <message>
        <source>Delete selected item</source>
        <translation>Eliminar los libros seleccionados</translation>
    </message>
    <message>
        <source>Delete check item</source>
        <translation>Eliminar los libros marcados</translation>
    </message>
    <message>
        <source>Filter Books</source>
        <translation>Filtrar libros</translation>
    </message>
    <message>
        <source>Preferences...</source>
        <translation>Preferencias...</translation>
    </message>
    <message>
        <source>@ Help</source>
        <translation>Ayuda de @</translation>
    </message>
    <message>
        <source>About @</source>
        <translation>Acerca de @</translation>
    </message>
    <message>
        <source>Delete selected contents</source>
        <translation>Eliminar los libros seleccionados</translation>
    </message>
</context>
<context>
    <name>MediaTableModel</name>
    <message>
        <source>Name</source>
        <translation>Título</translation>
    </message>
    <message>
        <source>Artist</source>
        <translation>Autor</translation>
    </message>
    <message>
        <source>Album</source>
        <translation>Álbum</translation>
    </message>
    <message>
        <source>Genre</source>
        <translation>Género</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Tamaño</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Duración</translation>
    </message>
</context>
<context>
    <name>PreferencesWindow</name>
    <message>
        <source>Preferences</source>
        <translation>Preferencias</translation>
    </message>
    <message>
        <source>Save pictures as:</source>
        <translation>Guardar las imágenes como:</translation>
    </message>
    <message>
        <source>List apps that share files but do not read books</source>
        <translation>Mostrar las apps que comparten archivos pero no leen libros</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
</context>
<context>
    <name>ProgressSheet</name>
    <message>
        <source>Uploading.....</source>
        <translation>Transfiriendo...</translation>
    </message>
    <message>
        <source>Stopping...</source>
        <translation>Deteniendo...</translation>
    </message>
    <message>
        <source>Deleting: %1</source>
        <translation>Eliminando: %1</translation>
    </message>
    <message>
        <source>Copying to: %1</source>
        <translation>Copiando a: %1</translation>
    </message>
</context>
<context>
    <name>ProgressWindow</name>
    <message>
        <source>Copying</source>
        <translation>Copiando</translation>
    </message>
    <message>
        <source>Uploading.....</source>
        <translation>Transfiriendo...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Choose ePub books to add</source>
        <translation>Elegir los libros ePub que añadir</translation>
    </message>
    <message>
        <source>ePub books (*.epub)</source>
        <translation>Libros ePub (*.epub)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Todos los archivos (*)</translation>
    </message>
    <message>
        <source>Choose the folder for the books</source>
        <translation>Elegir la carpeta para los libros</translation>
    </message>
    <message>
        <source>Choose a folder of ePub books to add</source>
        <translation>Elegir una carpeta de libros ePub que añadir</translation>
    </message>
</context>
<context>
    <name>QtLoadWindow</name>
    <message numerus="yes">
        <source>%n folder(s) read</source>
        <translation>
            <numerusform>%n carpeta leída</numerusform>
            <numerusform>%n carpetas leídas</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TransferCommands</name>
    <message>
        <source>1 book was exported to %1.</source>
        <translation>Se exportó 1 libro a %1.</translation>
    </message>
    <message>
        <source>%1 books were exported to %2.</source>
        <translation>Se exportaron %1 libros a %2.</translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation>Abrir la carpeta</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Información</translation>
    </message>
    <message>
        <source>Are you sure, delete the item?</source>
        <translation>¿Seguro que quiere eliminarlo?</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>No</translation>
    </message>
    <message>
        <source>YES</source>
        <translation>Sí</translation>
    </message>
    <message>
        <source>These books could not be deleted:</source>
        <translation>No se pudieron eliminar estos libros:</translation>
    </message>
    <message>
        <source>%1 is existing. Are you sure to replace?</source>
        <translation>%1 ya existe. ¿Seguro que quiere reemplazarlo?</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Aviso</translation>
    </message>
    <message>
        <source>&quot;%1&quot; (%2) is already on the device. Add it again?</source>
        <translation>«%1» (%2) ya está en el dispositivo. ¿Añadirlo de nuevo?</translation>
    </message>
    <message>
        <source>Skip</source>
        <translation>Omitir</translation>
    </message>
    <message>
        <source>Add Again</source>
        <translation>Añadir de nuevo</translation>
    </message>
    <message>
        <source>Skip All</source>
        <translation>Omitir todos</translation>
    </message>
    <message>
        <source>Keep Both</source>
        <translation>Conservar ambos</translation>
    </message>
</context>
<context>
    <name>TransferSlot</name>
    <message>
        <source>%1 is existing. Are you sure to replace?</source>
        <translation>%1 ya existe. ¿Seguro que quiere reemplazarlo?</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Aviso</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>No</translation>
    </message>
    <message>
        <source>YES</source>
        <translation>Sí</translation>
    </message>
</context>
<context>
    <name>mainControler</name>
    <message>
        <source>Restore Catalogue Backup...</source>
        <translation>Restaurar una copia del catálogo...</translation>
    </message>
    <message>
        <source>%1 Help</source>
        <translation>Ayuda de %1</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>Acerca de %1</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Versión %1</translation>
    </message>
    <message>
        <source>DEVICES</source>
        <translation>DISPOSITIVOS</translation>
    </message>
    <message>
        <source>help/index.html</source>
        <comment>the help page in this language, in the resource folder</comment>
        <translation>help/index.es.html</translation>
    </message>
</context>
</TS>
