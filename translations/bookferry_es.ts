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
    <name>Archive</name>
    <message>
        <source>not a readable ePub (zip) file: %1</source>
        <translation>no es un archivo ePub (zip) legible: %1</translation>
    </message>
    <message>
        <source>the archive holds too many entries</source>
        <translation>el archivo comprimido contiene demasiadas entradas</translation>
    </message>
    <message>
        <source>the archive holds an entry outside its folder: &quot;%1&quot;</source>
        <translation>el archivo comprimido contiene una entrada fuera de su carpeta: «%1»</translation>
    </message>
    <message>
        <source>the archive holds a symbolic link: &quot;%1&quot;</source>
        <translation>el archivo comprimido contiene un enlace simbólico: «%1»</translation>
    </message>
    <message>
        <source>the archive unpacks to more than the allowed size</source>
        <translation>el archivo comprimido, al descomprimirse, supera el tamaño permitido</translation>
    </message>
    <message>
        <source>the unpack folder already exists: %1</source>
        <translation>la carpeta para descomprimir ya existe: %1</translation>
    </message>
    <message>
        <source>cannot create %1</source>
        <translation>no se puede crear %1</translation>
    </message>
    <message>
        <source>cannot create folder %1</source>
        <translation>no se puede crear la carpeta %1</translation>
    </message>
    <message>
        <source>cannot read &quot;%1&quot; in the archive: %2</source>
        <translation>no se puede leer «%1» en el archivo comprimido: %2</translation>
    </message>
    <message>
        <source>cannot write %1</source>
        <translation>no se puede escribir %1</translation>
    </message>
    <message>
        <source>the archive entry &quot;%1&quot; is damaged</source>
        <translation>la entrada «%1» del archivo comprimido está dañada</translation>
    </message>
    <message>
        <source>cannot add mimetype</source>
        <translation>no se puede añadir «mimetype»</translation>
    </message>
    <message>
        <source>cannot read the entries of %1</source>
        <translation>no se pueden leer las entradas de %1</translation>
    </message>
    <message>
        <source>cannot carry over %1 from %2: %3</source>
        <translation>no se puede trasladar %1 desde %2: %3</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>no se puede escribir %1: %2</translation>
    </message>
    <message>
        <source>cannot copy %1: %2</source>
        <translation>no se puede copiar %1: %2</translation>
    </message>
    <message>
        <source>cannot read the folder %1: %2</source>
        <translation>no se puede leer la carpeta %1: %2</translation>
    </message>
    <message>
        <source>cannot add %1: %2</source>
        <translation>no se puede añadir %1: %2</translation>
    </message>
    <message>
        <source>nothing to pack at %1</source>
        <translation>no hay nada que empaquetar en %1</translation>
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
        <translation>Se están copiando libros. Vuelva a abrir los libros nuevos cuando termine.</translation>
    </message>
    <message>
        <source>1 file was not found.</source>
        <translation>No se encontró 1 archivo.</translation>
    </message>
    <message>
        <source>%1 files were not found.</source>
        <translation>No se encontraron %1 archivos.</translation>
    </message>
    <message>
        <source>1 file that is no ePub book is left out.</source>
        <translation>Se omite 1 archivo que no es un libro ePub.</translation>
    </message>
    <message>
        <source>%1 files that are no ePub books are left out.</source>
        <translation>Se omiten %1 archivos que no son libros ePub.</translation>
    </message>
    <message>
        <source>No ePub book (a file whose name ends in &quot;.epub&quot;) was found among the files given.</source>
        <translation>Entre los archivos indicados no hay ningún libro ePub (un archivo cuyo nombre termina en «.epub»).</translation>
    </message>
    <message>
        <source>Custom Books</source>
        <translation>Libros propios</translation>
    </message>
    <message>
        <source>Add 1 book to %1 on %2?</source>
        <translation>¿Añadir 1 libro a %1 en %2?</translation>
    </message>
    <message>
        <source>Add %1 books to %2 on %3?</source>
        <translation>¿Añadir %1 libros a %2 en %3?</translation>
    </message>
    <message>
        <source>Nothing that was dropped is an ePub book or a PDF (a file whose name ends in &quot;.epub&quot; or &quot;.pdf&quot;).</source>
        <translation>Nada de lo que se soltó es un libro ePub o un PDF (un archivo cuyo nombre termina en «.epub» o «.pdf»).</translation>
    </message>
</context>
<context>
    <name>Catalogue</name>
    <message>
        <source>no catalogue at %1</source>
        <translation>no hay ningún catálogo en %1</translation>
    </message>
    <message>
        <source>the catalogue at %1 is empty</source>
        <translation>el catálogo de %1 está vacío</translation>
    </message>
    <message>
        <source>the catalogue at %1 is too large</source>
        <translation>el catálogo de %1 es demasiado grande</translation>
    </message>
    <message>
        <source>cannot read %1</source>
        <translation>no se puede leer %1</translation>
    </message>
    <message>
        <source>the catalogue is empty</source>
        <translation>el catálogo está vacío</translation>
    </message>
    <message>
        <source>the catalogue is not a readable property list</source>
        <translation>el catálogo no es una lista de propiedades legible</translation>
    </message>
    <message>
        <source>the catalogue&apos;s root is not a dictionary</source>
        <translation>la raíz del catálogo no es un diccionario</translation>
    </message>
    <message>
        <source>the catalogue&apos;s &quot;Books&quot; value is not an array</source>
        <translation>el valor «Books» del catálogo no es una lista</translation>
    </message>
    <message>
        <source>refusing to write a catalogue that was not read</source>
        <translation>no se escribe un catálogo que no se ha leído</translation>
    </message>
    <message>
        <source>cannot serialise the catalogue</source>
        <translation>no se puede preparar el catálogo para escribirlo</translation>
    </message>
    <message>
        <source>the catalogue holds a key twice in one dictionary; it is left as it is</source>
        <translation>el catálogo contiene una clave dos veces en un mismo diccionario; se deja como está</translation>
    </message>
    <message>
        <source>cannot write %1</source>
        <translation>no se puede escribir %1</translation>
    </message>
    <message>
        <source>cannot replace %1</source>
        <translation>no se puede reemplazar %1</translation>
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
    <name>Device</name>
    <message>
        <source>UnKnow Product Version</source>
        <translation>Versión de software desconocida</translation>
    </message>
    <message>
        <source>UnKnow Serial Number</source>
        <translation>Número de serie desconocido</translation>
    </message>
    <message>
        <source>cannot write the book&apos;s copy in the scratch folder (%1): %2</source>
        <translation>no se puede escribir la copia del libro en la carpeta temporal (%1): %2</translation>
    </message>
    <message>
        <source>the book holds a link, which is not followed: %1</source>
        <translation>el libro contiene un enlace, que no se sigue: %1</translation>
    </message>
    <message>
        <source>the book holds something that is neither a folder nor a file: %1</source>
        <translation>el libro contiene algo que no es ni una carpeta ni un archivo: %1</translation>
    </message>
    <message>
        <source>the book&apos;s folders nest too deep: %1</source>
        <translation>las carpetas del libro están anidadas a demasiada profundidad: %1</translation>
    </message>
    <message>
        <source>The apps of the device could not be read: %1.</source>
        <translation>No se pudieron leer las apps del dispositivo: %1.</translation>
    </message>
    <message>
        <source>The app&apos;s folder on the device cannot be opened.</source>
        <translation>No se puede abrir la carpeta de la app en el dispositivo.</translation>
    </message>
    <message>
        <source>Unlock the iPhone and try again.</source>
        <translation>Desbloquee el iPhone y vuelva a intentarlo.</translation>
    </message>
    <message>
        <source>The app is no longer on the device, or it no longer shares its documents. Reconnect the device to see its apps again.</source>
        <translation>La app ya no está en el dispositivo o ya no comparte sus documentos. Vuelva a conectar el dispositivo para ver de nuevo sus apps.</translation>
    </message>
    <message>
        <source>Unplug the device, plug it in again and try again.</source>
        <translation>Desconecte el dispositivo, vuelva a conectarlo e inténtelo de nuevo.</translation>
    </message>
    <message>
        <source>The device reported an unexpected error (%1 %2). </source>
        <translation>El dispositivo informó de un error inesperado (%1 %2). </translation>
    </message>
    <message>
        <source>This computer is not trusted by the device. Unlock the device and tap Trust, then try again.</source>
        <translation>El dispositivo no confía en este ordenador. Desbloquee el dispositivo y toque «Confiar»; después vuelva a intentarlo.</translation>
    </message>
    <message>
        <source>The device identifier is not valid. Check the identifier and try again.</source>
        <translation>El identificador del dispositivo no es válido. Compruebe el identificador y vuelva a intentarlo.</translation>
    </message>
    <message>
        <source>The device is not connected, or the usbmuxd service is not running. Connect the device with a USB cable and make sure usbmuxd is running.</source>
        <translation>El dispositivo no está conectado o el servicio usbmuxd no está en marcha. Conecte el dispositivo con un cable USB y asegúrese de que usbmuxd esté en marcha.</translation>
    </message>
    <message>
        <source>The connection to the device was interrupted. </source>
        <translation>Se interrumpió la conexión con el dispositivo. </translation>
    </message>
    <message>
        <source>The secure connection to the device failed. </source>
        <translation>Falló la conexión segura con el dispositivo. </translation>
    </message>
    <message>
        <source>The device stopped answering. </source>
        <translation>El dispositivo ha dejado de responder. </translation>
    </message>
    <message>
        <source>The device is locked. Unlock it, tap Trust if asked, and try again.</source>
        <translation>El dispositivo está bloqueado. Desbloquéelo, toque «Confiar» si se le pregunta y vuelva a intentarlo.</translation>
    </message>
    <message>
        <source>The device is asking whether to trust this computer. Unlock the device and tap Trust, then try again.</source>
        <translation>El dispositivo pregunta si debe confiar en este ordenador. Desbloquee el dispositivo y toque «Confiar»; después vuelva a intentarlo.</translation>
    </message>
    <message>
        <source>Trust was declined on the device. Unplug it, plug it in again, unlock it and tap Trust.</source>
        <translation>Se rechazó la confianza en el dispositivo. Desconéctelo, vuelva a conectarlo, desbloquéelo y toque «Confiar».</translation>
    </message>
    <message>
        <source>The trust record for the device could not be saved. Check that usbmuxd is running and its folder is writable, then try again.</source>
        <translation>No se pudo guardar el registro de confianza del dispositivo. Compruebe que usbmuxd está en marcha y que puede escribir en su carpeta; después vuelva a intentarlo.</translation>
    </message>
    <message>
        <source>The trust record for this device is damaged. Remove it (idevicepair unpair), then unlock the device and tap Trust.</source>
        <translation>El registro de confianza de este dispositivo está dañado. Elimínelo (idevicepair unpair) y después desbloquee el dispositivo y toque «Confiar».</translation>
    </message>
    <message>
        <source>The secure session with the device could not be set up. </source>
        <translation>No se pudo establecer la sesión segura con el dispositivo. </translation>
    </message>
    <message>
        <source> If it keeps failing, remove this computer&apos;s trust record (idevicepair unpair) and tap Trust again.</source>
        <translation> Si sigue fallando, elimine el registro de confianza de este ordenador (idevicepair unpair) y vuelva a tocar «Confiar».</translation>
    </message>
    <message>
        <source>Lost contact with the device. Check the cable, then unplug the device and plug it in again.</source>
        <translation>Se perdió el contacto con el dispositivo. Compruebe el cable y después desconecte el dispositivo y vuelva a conectarlo.</translation>
    </message>
    <message>
        <source>The device has been restarted and is still locked. Unlock it once and try again.</source>
        <translation>El dispositivo se ha reiniciado y sigue bloqueado. Desbloquéelo una vez y vuelva a intentarlo.</translation>
    </message>
    <message>
        <source>The device&apos;s settings or its management profile do not allow this computer to connect. Check the device&apos;s restrictions.</source>
        <translation>Los ajustes del dispositivo o su perfil de gestión no permiten que este ordenador se conecte. Compruebe las restricciones del dispositivo.</translation>
    </message>
    <message>
        <source>The device refused to open its file service. </source>
        <translation>El dispositivo se negó a abrir su servicio de archivos. </translation>
    </message>
    <message>
        <source>The device does not offer a service this program needs. Update the device&apos;s software and try again.</source>
        <translation>El dispositivo no ofrece un servicio que este programa necesita. Actualice el software del dispositivo y vuelva a intentarlo.</translation>
    </message>
    <message>
        <source>The device is not activated. Finish setting it up, then connect it again.</source>
        <translation>El dispositivo no está activado. Termine de configurarlo y después vuelva a conectarlo.</translation>
    </message>
    <message>
        <source>The session with the device ended unexpectedly. </source>
        <translation>La sesión con el dispositivo terminó de forma inesperada. </translation>
    </message>
    <message>
        <source>The device did not give out the information asked for. Unlock the device and try again.</source>
        <translation>El dispositivo no facilitó la información solicitada. Desbloquee el dispositivo y vuelva a intentarlo.</translation>
    </message>
    <message>
        <source>The device gave an answer this program does not understand. </source>
        <translation>El dispositivo dio una respuesta que este programa no entiende. </translation>
    </message>
    <message>
        <source>The file or folder does not exist on the device.</source>
        <translation>El archivo o la carpeta no existe en el dispositivo.</translation>
    </message>
    <message>
        <source>A folder is in the way of a file on the device.</source>
        <translation>Una carpeta ocupa el lugar de un archivo en el dispositivo.</translation>
    </message>
    <message>
        <source>A file or folder of that name already exists on the device.</source>
        <translation>Ya existe en el dispositivo un archivo o una carpeta con ese nombre.</translation>
    </message>
    <message>
        <source>The folder on the device is not empty.</source>
        <translation>La carpeta del dispositivo no está vacía.</translation>
    </message>
    <message>
        <source>The device does not allow access to this file or folder.</source>
        <translation>El dispositivo no permite acceder a este archivo o carpeta.</translation>
    </message>
    <message>
        <source>The device is full. Free some space on it and try again.</source>
        <translation>El dispositivo está lleno. Libere algo de espacio en él y vuelva a intentarlo.</translation>
    </message>
    <message>
        <source>Another program is syncing with the device. Wait until it has finished and try again.</source>
        <translation>Otro programa se está sincronizando con el dispositivo. Espere a que termine y vuelva a intentarlo.</translation>
    </message>
    <message>
        <source>The device or this computer ran out of memory. Close other programs and try again.</source>
        <translation>El dispositivo o este ordenador se ha quedado sin memoria. Cierre otros programas y vuelva a intentarlo.</translation>
    </message>
    <message>
        <source>Reading or writing on the device failed. </source>
        <translation>Falló la lectura o la escritura en el dispositivo. </translation>
    </message>
    <message>
        <source>The device refused the request as invalid.</source>
        <translation>El dispositivo rechazó la solicitud por no ser válida.</translation>
    </message>
    <message>
        <source>The operation on the device was interrupted. Try again.</source>
        <translation>La operación en el dispositivo se interrumpió. Vuelva a intentarlo.</translation>
    </message>
    <message>
        <source>The device&apos;s file service reported an error. </source>
        <translation>El servicio de archivos del dispositivo informó de un error. </translation>
    </message>
    <message>
        <source>The notification could not be sent to the device: it is not valid.</source>
        <translation>No se pudo enviar la notificación al dispositivo: no es válida.</translation>
    </message>
    <message>
        <source>Lost contact with the device while notifying it. Check the cable, then unplug the device and plug it in again.</source>
        <translation>Se perdió el contacto con el dispositivo mientras se le notificaba. Compruebe el cable y después desconecte el dispositivo y vuelva a conectarlo.</translation>
    </message>
    <message>
        <source>Lost contact with the device while opening the app&apos;s files. Check the cable, then unplug the device and plug it in again.</source>
        <translation>Se perdió el contacto con el dispositivo al abrir los archivos de la app. Compruebe el cable y después desconecte el dispositivo y vuelva a conectarlo.</translation>
    </message>
    <message>
        <source>The device refused to open the app&apos;s files (%1). </source>
        <translation>El dispositivo se negó a abrir los archivos de la app (%1). </translation>
    </message>
    <message>
        <source>This program does not use the device service %1.</source>
        <translation>Este programa no usa el servicio del dispositivo %1.</translation>
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
    <name>Operations</name>
    <message>
        <source>cannot write in the scratch folder</source>
        <translation>no se puede escribir en la carpeta temporal</translation>
    </message>
    <message>
        <source>the book could not be read from the device</source>
        <translation>no se pudo leer el libro del dispositivo</translation>
    </message>
    <message>
        <source>%1 leads through a link: only the app&apos;s own Documents folder is used</source>
        <translation>%1 pasa por un enlace: solo se usa la carpeta Documentos propia de la app</translation>
    </message>
    <message>
        <source>no book %1 in the app</source>
        <translation>no hay ningún libro %1 en la app</translation>
    </message>
    <message>
        <source>a book in an app is named by its path in the app&apos;s Documents folder</source>
        <translation>un libro de una app se indica por su ruta en la carpeta Documentos de la app</translation>
    </message>
    <message>
        <source>the path %1 has an empty, &quot;.&quot; or &quot;..&quot; part</source>
        <translation>la ruta %1 tiene una parte vacía, «.» o «..»</translation>
    </message>
    <message>
        <source>not a file: %1</source>
        <translation>no es un archivo: %1</translation>
    </message>
    <message>
        <source>%1 is not an ePub</source>
        <translation>%1 no es un ePub</translation>
    </message>
    <message>
        <source>the scratch folder cannot be used</source>
        <translation>no se puede usar la carpeta temporal</translation>
    </message>
    <message>
        <source>the app&apos;s Documents folder is a link: only the app&apos;s own folder is used</source>
        <translation>la carpeta Documentos de la app es un enlace: solo se usa la carpeta propia de la app</translation>
    </message>
    <message>
        <source>%1 is in the app already and was kept</source>
        <translation>%1 ya está en la app y se ha conservado</translation>
    </message>
    <message>
        <source>no free name for %1</source>
        <translation>no hay ningún nombre libre para %1</translation>
    </message>
    <message>
        <source>cannot read %1</source>
        <translation>no se puede leer %1</translation>
    </message>
    <message>
        <source>The device is full: the book needs %1 bytes. Make room on the device and try again.</source>
        <translation>El dispositivo está lleno: el libro necesita %1 bytes. Haga sitio en el dispositivo y vuelva a intentarlo.</translation>
    </message>
    <message>
        <source>cannot write in the app&apos;s Documents folder</source>
        <translation>no se puede escribir en la carpeta Documentos de la app</translation>
    </message>
    <message>
        <source>the book could not be written to the device</source>
        <translation>no se pudo escribir el libro en el dispositivo</translation>
    </message>
    <message>
        <source>the book could not be given its name %1 in the app</source>
        <translation>no se pudo dar al libro su nombre %1 en la app</translation>
    </message>
    <message>
        <source>the destination is not a folder: %1</source>
        <translation>el destino no es una carpeta: %1</translation>
    </message>
    <message>
        <source>the book could not be removed from the app</source>
        <translation>no se pudo quitar el libro de la app</translation>
    </message>
    <message>
        <source>only the device&apos;s own books are deleted here</source>
        <translation>aquí solo se eliminan los libros propios del dispositivo</translation>
    </message>
    <message>
        <source>the book&apos;s &quot;Path&quot; %1 is also the folder of a book the user did not add</source>
        <translation>el «Path» %1 del libro es también la carpeta de un libro que el usuario no añadió</translation>
    </message>
    <message>
        <source>no book with the &quot;Path&quot; %1 in the catalogue</source>
        <translation>ningún libro con el «Path» %1 en el catálogo</translation>
    </message>
    <message>
        <source>the book was taken out of the catalogue, but some of its files remain in %1</source>
        <translation>el libro se quitó del catálogo, pero algunos de sus archivos siguen en %1</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>no se puede escribir %1: %2</translation>
    </message>
    <message>
        <source>cannot write in %1: %2</source>
        <translation>no se puede escribir en %1: %2</translation>
    </message>
    <message>
        <source>%1 exists and was kept</source>
        <translation>%1 existe y se ha conservado</translation>
    </message>
    <message>
        <source>cannot open the device&apos;s books folder</source>
        <translation>no se puede abrir la carpeta de libros del dispositivo</translation>
    </message>
    <message>
        <source>the book &quot;%1&quot; is not on the device</source>
        <translation>el libro «%1» no está en el dispositivo</translation>
    </message>
    <message>
        <source>could not read all of the book from the device</source>
        <translation>no se pudo leer el libro entero del dispositivo</translation>
    </message>
    <message>
        <source>cannot write the book&apos;s copy in the scratch folder: %1</source>
        <translation>no se puede escribir la copia del libro en la carpeta temporal: %1</translation>
    </message>
    <message>
        <source>only the device&apos;s own books are exported here</source>
        <translation>aquí solo se exportan los libros propios del dispositivo</translation>
    </message>
    <message>
        <source>cannot copy the book to the device</source>
        <translation>no se puede copiar el libro al dispositivo</translation>
    </message>
    <message>
        <source>the device&apos;s catalogue took the book&apos;s folder name &quot;%1&quot; meanwhile</source>
        <translation>el catálogo del dispositivo tomó entretanto el nombre de carpeta «%1» del libro</translation>
    </message>
    <message>
        <source>not an ePub file (its name does not end in &quot;.epub&quot;)</source>
        <translation>no es un archivo ePub (su nombre no termina en «.epub»)</translation>
    </message>
    <message>
        <source>books are imported into the device&apos;s own books only</source>
        <translation>los libros solo se importan a los libros propios del dispositivo</translation>
    </message>
    <message>
        <source>the book has no &quot;Path&quot; in the catalogue</source>
        <translation>el libro no tiene «Path» en el catálogo</translation>
    </message>
    <message>
        <source>the book&apos;s &quot;Path&quot; does not name a book folder or book file: %1</source>
        <translation>el «Path» del libro no indica una carpeta ni un archivo de libro: %1</translation>
    </message>
    <message>
        <source>the app&apos;s Documents folder cannot be opened</source>
        <translation>no se puede abrir la carpeta Documentos de la app</translation>
    </message>
    <message>
        <source>no data folder for the catalogue backups (set HOME or BOOKFERRY_DATA_DIR)</source>
        <translation>no hay carpeta de datos para las copias del catálogo (defina HOME o BOOKFERRY_DATA_DIR)</translation>
    </message>
    <message>
        <source>cannot create the backup folder %1: %2</source>
        <translation>no se puede crear la carpeta de copias %1: %2</translation>
    </message>
    <message>
        <source>cannot keep a copy of the device&apos;s book catalogue before changing it</source>
        <translation>no se puede guardar una copia del catálogo de libros del dispositivo antes de cambiarlo</translation>
    </message>
    <message>
        <source>cannot write the catalogue backup %1</source>
        <translation>no se puede escribir la copia del catálogo %1</translation>
    </message>
    <message>
        <source>cannot tell whether the device has a book catalogue to back up</source>
        <translation>no se puede saber si el dispositivo tiene un catálogo de libros que copiar</translation>
    </message>
    <message>
        <source>no device is connected</source>
        <translation>no hay ningún dispositivo conectado</translation>
    </message>
    <message>
        <source>not a book catalogue: %1</source>
        <translation>no es un catálogo de libros: %1</translation>
    </message>
    <message>
        <source>it has no &quot;Books&quot; array</source>
        <translation>no tiene la lista «Books»</translation>
    </message>
    <message>
        <source>this copy was kept for another device (%1)</source>
        <translation>esta copia se guardó para otro dispositivo (%1)</translation>
    </message>
    <message>
        <source>the device&apos;s book catalogue is %1 MB, more than the %2 MB this program reads, so it is left as it is</source>
        <translation>el catálogo de libros del dispositivo ocupa %1 MB, más que los %2 MB que lee este programa, así que se deja como está</translation>
    </message>
    <message>
        <source>cannot tell whether the device has a book catalogue</source>
        <translation>no se puede saber si el dispositivo tiene un catálogo de libros</translation>
    </message>
    <message>
        <source>cannot copy the device&apos;s book catalogue</source>
        <translation>no se puede copiar el catálogo de libros del dispositivo</translation>
    </message>
    <message>
        <source>the device&apos;s book catalogue cannot be read, so it is left as it is: %1</source>
        <translation>no se puede leer el catálogo de libros del dispositivo, así que se deja como está: %1</translation>
    </message>
    <message>
        <source>cannot upload the book catalogue to the device</source>
        <translation>no se puede enviar el catálogo de libros al dispositivo</translation>
    </message>
    <message>
        <source>the device&apos;s catalogue was updated, but its local copy could not be replaced</source>
        <translation>el catálogo del dispositivo se actualizó, pero no se pudo reemplazar su copia local</translation>
    </message>
    <message>
        <source>cannot replace the book catalogue on the device</source>
        <translation>no se puede reemplazar el catálogo de libros en el dispositivo</translation>
    </message>
    <message>
        <source>the book catalogue was uploaded, but could not be read back from the device to check it</source>
        <translation>el catálogo de libros se envió, pero no se pudo volver a leer del dispositivo para comprobarlo</translation>
    </message>
    <message>
        <source>the book catalogue read back from the device differs from the one uploaded</source>
        <translation>el catálogo de libros leído de nuevo del dispositivo difiere del enviado</translation>
    </message>
    <message>
        <source>the transfer was stopped</source>
        <translation>la transferencia se detuvo</translation>
    </message>
    <message>
        <source>the device was disconnected</source>
        <translation>el dispositivo se desconectó</translation>
    </message>
    <message numerus="yes">
        <source>%n book(s) of the copy are no longer on the device and were left out:</source>
        <translation>
            <numerusform>%n libro de la copia ya no está en el dispositivo y se ha omitido:</numerusform>
            <numerusform>%n libros de la copia ya no están en el dispositivo y se han omitido:</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 is not an ePub or a PDF (its name does not end in .epub or .pdf)</source>
        <translation>%1 no es un ePub ni un PDF (su nombre no termina en .epub ni en .pdf)</translation>
    </message>
    <message>
        <source>%1 is not a PDF</source>
        <translation>%1 no es un PDF</translation>
    </message>
    <message>
        <source>a PDF: the device&apos;s own books are ePub only; a reader app that takes PDFs can hold it</source>
        <translation>un PDF: los libros propios del dispositivo son solo ePub; una app de lectura que acepte PDF puede guardarlo</translation>
    </message>
    <message>
        <source>a PDF, and %1 does not say it takes PDFs</source>
        <translation>un PDF, y %1 no indica que acepte PDF</translation>
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
    <message>
        <source>ePub books and PDFs (*.epub *.pdf)</source>
        <translation>Libros ePub y PDF (*.epub *.pdf)</translation>
    </message>
    <message>
        <source>PDFs (*.pdf)</source>
        <translation>PDF (*.pdf)</translation>
    </message>
    <message>
        <source>Choose ePub books or PDFs to add</source>
        <translation>Elegir los libros ePub o los PDF que añadir</translation>
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
    <name>Scratch</name>
    <message>
        <source>it cannot be created (%1)</source>
        <translation>no se puede crear (%1)</translation>
    </message>
    <message>
        <source>it cannot be read (%1)</source>
        <translation>no se puede leer (%1)</translation>
    </message>
    <message>
        <source>it is not a folder</source>
        <translation>no es una carpeta</translation>
    </message>
    <message>
        <source>it belongs to another user</source>
        <translation>pertenece a otro usuario</translation>
    </message>
    <message>
        <source>it is open to other users and cannot be made private (%1)</source>
        <translation>está abierta a otros usuarios y no se puede hacer privada (%1)</translation>
    </message>
    <message>
        <source>The scratch folder %1 cannot be used: %2. Set BOOKFERRY_SCRATCH to a folder of your own.</source>
        <translation>No se puede usar la carpeta temporal %1: %2. Defina BOOKFERRY_SCRATCH con una carpeta propia.</translation>
    </message>
    <message>
        <source>this program&apos;s working folder cannot be made in it (%1)</source>
        <translation>no se puede crear en ella la carpeta de trabajo de este programa (%1)</translation>
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
