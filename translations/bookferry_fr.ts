<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>AboutDialog</name>
    <message>
        <source>About</source>
        <translation>À propos</translation>
    </message>
    <message>
        <source>Keeps the ePub books of an iPhone, iPad or iPod touch in step with your computer.</source>
        <translation>Garde les livres ePub d’un iPhone, d’un iPad ou d’un iPod touch en accord avec votre ordinateur.</translation>
    </message>
    <message>
        <source>Free software under the GNU General Public License, version 3 or later.</source>
        <translation>Logiciel libre sous la licence publique générale GNU, version 3 ou ultérieure.</translation>
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
        <translation>les fichiers de l’app n’ont pas pu être ouverts</translation>
    </message>
    <message>
        <source>No reader app on this device shares its files. Install an ePub reader that shares its files with a computer.</source>
        <translation>Aucune app de lecture de cet appareil ne partage ses fichiers. Installez une liseuse ePub qui partage ses fichiers avec un ordinateur.</translation>
    </message>
    <message>
        <source> Any app that shares its files can be used: turn on &quot;List apps that share files but do not read books&quot; in Preferences, then choose &quot;Use for Books&quot; from the app&apos;s menu here.</source>
        <translation> Toute app qui partage ses fichiers convient&#xa0;: activez «&#xa0;Afficher les apps qui partagent des fichiers sans lire de livres&#xa0;» dans les Préférences, puis choisissez «&#xa0;Utiliser pour les livres&#xa0;» dans le menu de l’app ici.</translation>
    </message>
    <message>
        <source>Use for Books</source>
        <translation>Utiliser pour les livres</translation>
    </message>
    <message>
        <source>Books added here go into %1&apos;s own folder. %1 may need to be closed and opened again to show new books.</source>
        <translation>Les livres ajoutés ici vont dans le dossier propre à %1. Il faudra peut-être fermer puis rouvrir %1 pour qu’il montre les nouveaux livres.</translation>
    </message>
    <message>
        <source>the app&apos;s Documents folder could not be read</source>
        <translation>le dossier Documents de l’app n’a pas pu être lu</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1&#xa0;: %2</translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation>%1 octets</translation>
    </message>
</context>
<context>
    <name>Archive</name>
    <message>
        <source>not a readable ePub (zip) file: %1</source>
        <translation>pas un fichier ePub (zip) lisible&#xa0;: %1</translation>
    </message>
    <message>
        <source>the archive holds too many entries</source>
        <translation>l’archive contient trop d’entrées</translation>
    </message>
    <message>
        <source>the archive holds an entry outside its folder: &quot;%1&quot;</source>
        <translation>l’archive contient une entrée hors de son dossier&#xa0;: «&#xa0;%1&#xa0;»</translation>
    </message>
    <message>
        <source>the archive holds a symbolic link: &quot;%1&quot;</source>
        <translation>l’archive contient un lien symbolique&#xa0;: «&#xa0;%1&#xa0;»</translation>
    </message>
    <message>
        <source>the archive unpacks to more than the allowed size</source>
        <translation>l’archive décompressée dépasse la taille permise</translation>
    </message>
    <message>
        <source>the unpack folder already exists: %1</source>
        <translation>le dossier de décompression existe déjà&#xa0;: %1</translation>
    </message>
    <message>
        <source>cannot create %1</source>
        <translation>impossible de créer %1</translation>
    </message>
    <message>
        <source>cannot create folder %1</source>
        <translation>impossible de créer le dossier %1</translation>
    </message>
    <message>
        <source>cannot read &quot;%1&quot; in the archive: %2</source>
        <translation>impossible de lire «&#xa0;%1&#xa0;» dans l’archive&#xa0;: %2</translation>
    </message>
    <message>
        <source>cannot write %1</source>
        <translation>impossible d’écrire %1</translation>
    </message>
    <message>
        <source>the archive entry &quot;%1&quot; is damaged</source>
        <translation>l’entrée «&#xa0;%1&#xa0;» de l’archive est endommagée</translation>
    </message>
    <message>
        <source>cannot add mimetype</source>
        <translation>impossible d’ajouter «&#xa0;mimetype&#xa0;»</translation>
    </message>
    <message>
        <source>cannot read the entries of %1</source>
        <translation>impossible de lire les entrées de %1</translation>
    </message>
    <message>
        <source>cannot carry over %1 from %2: %3</source>
        <translation>impossible de reprendre %1 de %2&#xa0;: %3</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>impossible d’écrire %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>cannot copy %1: %2</source>
        <translation>impossible de copier %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>cannot read the folder %1: %2</source>
        <translation>impossible de lire le dossier %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>cannot add %1: %2</source>
        <translation>impossible d’ajouter %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>nothing to pack at %1</source>
        <translation>rien à empaqueter à l’emplacement %1</translation>
    </message>
</context>
<context>
    <name>BookCovers</name>
    <message>
        <source>%1 bytes</source>
        <translation>%1 octets</translation>
    </message>
</context>
<context>
    <name>BookImportSources</name>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>No ePub books were found in &quot;%1&quot; or its sub-folders.</source>
        <translation>Aucun livre ePub n’a été trouvé dans «&#xa0;%1&#xa0;» ni dans ses sous-dossiers.</translation>
    </message>
    <message>
        <source>Found 1 ePub book in &quot;%1&quot; and its sub-folders.</source>
        <translation>1 livre ePub trouvé dans «&#xa0;%1&#xa0;» et ses sous-dossiers.</translation>
    </message>
    <message>
        <source>Found %1 ePub books in &quot;%2&quot; and its sub-folders.</source>
        <translation>%1 livres ePub trouvés dans «&#xa0;%2&#xa0;» et ses sous-dossiers.</translation>
    </message>
    <message>
        <source>Add them to Custom Books?</source>
        <translation>Les ajouter aux Livres personnels&#xa0;?</translation>
    </message>
    <message>
        <source>Add them to %1?</source>
        <translation>Les ajouter à %1&#xa0;?</translation>
    </message>
    <message>
        <source>Folder to Device</source>
        <translation>Dossier vers l’appareil</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Add Books</source>
        <translation>Ajouter des livres</translation>
    </message>
    <message>
        <source>Connect a device to add books to it.</source>
        <translation>Branchez un appareil pour y ajouter des livres.</translation>
    </message>
    <message>
        <source>Books are being copied. Drop the new books again when that has finished.</source>
        <translation>Des livres sont en cours de copie. Déposez à nouveau les nouveaux livres quand ce sera terminé.</translation>
    </message>
    <message>
        <source>Nothing that was dropped is an ePub book (a file whose name ends in &quot;.epub&quot;).</source>
        <translation>Rien de ce qui a été déposé n’est un livre ePub (un fichier dont le nom se termine par «&#xa0;.epub&#xa0;»).</translation>
    </message>
    <message>
        <source>Books are being copied. Open the new books again when that has finished.</source>
        <translation>Des livres sont en cours de copie. Ouvrez à nouveau les nouveaux livres quand ce sera terminé.</translation>
    </message>
    <message>
        <source>1 file was not found.</source>
        <translation>1 fichier n’a pas été trouvé.</translation>
    </message>
    <message>
        <source>%1 files were not found.</source>
        <translation>%1 fichiers n’ont pas été trouvés.</translation>
    </message>
    <message>
        <source>1 file that is no ePub book is left out.</source>
        <translation>1 fichier qui n’est pas un livre ePub est laissé de côté.</translation>
    </message>
    <message>
        <source>%1 files that are no ePub books are left out.</source>
        <translation>%1 fichiers qui ne sont pas des livres ePub sont laissés de côté.</translation>
    </message>
    <message>
        <source>No ePub book (a file whose name ends in &quot;.epub&quot;) was found among the files given.</source>
        <translation>Aucun livre ePub (un fichier dont le nom se termine par «&#xa0;.epub&#xa0;») ne figure parmi les fichiers donnés.</translation>
    </message>
    <message>
        <source>Custom Books</source>
        <translation>Livres personnels</translation>
    </message>
    <message>
        <source>Add 1 book to %1 on %2?</source>
        <translation>Ajouter 1 livre à %1 sur %2&#xa0;?</translation>
    </message>
    <message>
        <source>Add %1 books to %2 on %3?</source>
        <translation>Ajouter %1 livres à %2 sur %3&#xa0;?</translation>
    </message>
    <message>
        <source>Nothing that was dropped is an ePub book or a PDF (a file whose name ends in &quot;.epub&quot; or &quot;.pdf&quot;).</source>
        <translation>Rien de ce qui a été déposé n’est un livre ePub ou un PDF (un fichier dont le nom se termine par «&#xa0;.epub&#xa0;» ou «&#xa0;.pdf&#xa0;»).</translation>
    </message>
</context>
<context>
    <name>Catalogue</name>
    <message>
        <source>no catalogue at %1</source>
        <translation>aucun catalogue à l’emplacement %1</translation>
    </message>
    <message>
        <source>the catalogue at %1 is empty</source>
        <translation>le catalogue à l’emplacement %1 est vide</translation>
    </message>
    <message>
        <source>the catalogue at %1 is too large</source>
        <translation>le catalogue à l’emplacement %1 est trop volumineux</translation>
    </message>
    <message>
        <source>cannot read %1</source>
        <translation>impossible de lire %1</translation>
    </message>
    <message>
        <source>the catalogue is empty</source>
        <translation>le catalogue est vide</translation>
    </message>
    <message>
        <source>the catalogue is not a readable property list</source>
        <translation>le catalogue n’est pas une liste de propriétés lisible</translation>
    </message>
    <message>
        <source>the catalogue&apos;s root is not a dictionary</source>
        <translation>la racine du catalogue n’est pas un dictionnaire</translation>
    </message>
    <message>
        <source>the catalogue&apos;s &quot;Books&quot; value is not an array</source>
        <translation>la valeur «&#xa0;Books&#xa0;» du catalogue n’est pas une liste</translation>
    </message>
    <message>
        <source>refusing to write a catalogue that was not read</source>
        <translation>un catalogue qui n’a pas été lu n’est pas écrit</translation>
    </message>
    <message>
        <source>cannot serialise the catalogue</source>
        <translation>impossible de mettre le catalogue en forme pour l’écrire</translation>
    </message>
    <message>
        <source>the catalogue holds a key twice in one dictionary; it is left as it is</source>
        <translation>le catalogue contient deux fois une clé dans un même dictionnaire&#xa0;; il est laissé tel quel</translation>
    </message>
    <message>
        <source>cannot write %1</source>
        <translation>impossible d’écrire %1</translation>
    </message>
    <message>
        <source>cannot replace %1</source>
        <translation>impossible de remplacer %1</translation>
    </message>
</context>
<context>
    <name>CatalogueBackupDialog</name>
    <message>
        <source>Restore Catalogue Backup</source>
        <translation>Restaurer une copie du catalogue</translation>
    </message>
    <message>
        <source>Kept on</source>
        <translation>Gardée le</translation>
    </message>
    <message>
        <source>Books</source>
        <translation>Livres</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Taille</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Restore...</source>
        <translation>Restaurer...</translation>
    </message>
    <message>
        <source>the device</source>
        <translation>l’appareil</translation>
    </message>
    <message>
        <source>No copies of the book catalogue of %1 have been kept yet. A copy is kept before every change made to it.</source>
        <translation>Aucune copie du catalogue des livres de %1 n’a encore été gardée. Une copie est gardée avant chaque modification.</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>Copies of the book catalogue of %1, kept before each change, newest first. Choose the one to put back on the device.</source>
        <translation>Copies du catalogue des livres de %1, gardées avant chaque modification, la plus récente d’abord. Choisissez celle à remettre sur l’appareil.</translation>
    </message>
    <message>
        <source>unreadable</source>
        <translation>illisible</translation>
    </message>
    <message>
        <source>“%1”</source>
        <comment>a device&apos;s name in quotation marks</comment>
        <translation>«&#xa0;%1&#xa0;»</translation>
    </message>
</context>
<context>
    <name>CatalogueRestoreCommand</name>
    <message>
        <source>which cannot be read as a catalogue</source>
        <translation>qui ne peut pas être lue comme catalogue</translation>
    </message>
    <message>
        <source>1 book</source>
        <translation>1 livre</translation>
    </message>
    <message>
        <source>%1 books</source>
        <translation>%1 livres</translation>
    </message>
    <message>
        <source>Restore Catalogue Backup</source>
        <translation>Restaurer une copie du catalogue</translation>
    </message>
    <message>
        <source>The book catalogue on “%1” will be replaced by the copy kept on %2 (%3). The catalogue the device holds now is kept as a copy first, so this can be undone the same way. Books of the copy that are no longer on the device are left out.</source>
        <translation>Le catalogue des livres de «&#xa0;%1&#xa0;» sera remplacé par la copie gardée le %2 (%3). Le catalogue actuel de l’appareil est d’abord gardé en copie, on peut donc revenir en arrière de la même façon. Les livres de la copie qui ne sont plus sur l’appareil sont laissés de côté.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Restaurer</translation>
    </message>
    <message>
        <source>Restoring the book catalogue of “%1”...</source>
        <translation>Restauration du catalogue des livres de «&#xa0;%1&#xa0;»...</translation>
    </message>
    <message>
        <source>Catalogue copy kept on %1</source>
        <translation>Copie du catalogue gardée le %1</translation>
    </message>
    <message>
        <source>The book catalogue could not be restored:</source>
        <translation>Le catalogue des livres n’a pas pu être restauré&#xa0;:</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>The book catalogue was restored. %1</source>
        <translation>Le catalogue des livres a été restauré. %1</translation>
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
        <translation>, %1 en échec</translation>
    </message>
    <message>
        <source>Adding books finished</source>
        <translation>Ajout de livres terminé</translation>
    </message>
    <message>
        <source>Adding books stopped</source>
        <translation>Ajout de livres arrêté</translation>
    </message>
    <message>
        <source>Adding books ended with problems</source>
        <translation>Ajout de livres terminé avec des problèmes</translation>
    </message>
    <message>
        <source>Export finished</source>
        <translation>Exportation terminée</translation>
    </message>
    <message>
        <source>Export stopped</source>
        <translation>Exportation arrêtée</translation>
    </message>
    <message>
        <source>Export ended with problems</source>
        <translation>Exportation terminée avec des problèmes</translation>
    </message>
    <message>
        <source>Deletion finished</source>
        <translation>Suppression terminée</translation>
    </message>
    <message>
        <source>Deletion stopped</source>
        <translation>Suppression arrêtée</translation>
    </message>
    <message>
        <source>Deletion ended with problems</source>
        <translation>Suppression terminée avec des problèmes</translation>
    </message>
    <message>
        <source>Catalogue restore finished</source>
        <translation>Restauration du catalogue terminée</translation>
    </message>
    <message>
        <source>Catalogue restore stopped</source>
        <translation>Restauration du catalogue arrêtée</translation>
    </message>
    <message>
        <source>Catalogue restore ended with problems</source>
        <translation>Restauration du catalogue terminée avec des problèmes</translation>
    </message>
    <message>
        <source>Transfer finished</source>
        <translation>Transfert terminé</translation>
    </message>
    <message>
        <source>Transfer stopped</source>
        <translation>Transfert arrêté</translation>
    </message>
    <message>
        <source>Transfer ended with problems</source>
        <translation>Transfert terminé avec des problèmes</translation>
    </message>
    <message>
        <source>1 book was added</source>
        <translation>1 livre a été ajouté</translation>
    </message>
    <message>
        <source>%1 books were added</source>
        <translation>%1 livres ont été ajoutés</translation>
    </message>
    <message>
        <source>The books were added</source>
        <translation>Les livres ont été ajoutés</translation>
    </message>
    <message>
        <source>1 book was exported to %1</source>
        <translation>1 livre a été exporté vers %1</translation>
    </message>
    <message>
        <source>%1 books were exported to %2</source>
        <translation>%1 livres ont été exportés vers %2</translation>
    </message>
    <message>
        <source>The books were exported to %1</source>
        <translation>Les livres ont été exportés vers %1</translation>
    </message>
    <message>
        <source>1 book was deleted</source>
        <translation>1 livre a été supprimé</translation>
    </message>
    <message>
        <source>%1 books were deleted</source>
        <translation>%1 livres ont été supprimés</translation>
    </message>
    <message>
        <source>The books were deleted</source>
        <translation>Les livres ont été supprimés</translation>
    </message>
    <message>
        <source>The book catalogue could not be restored.</source>
        <translation>Le catalogue des livres n’a pas pu être restauré.</translation>
    </message>
    <message>
        <source>The book catalogue was restored.</source>
        <translation>Le catalogue des livres a été restauré.</translation>
    </message>
    <message>
        <source>%1 failed.</source>
        <translation>%1 en échec.</translation>
    </message>
</context>
<context>
    <name>Device</name>
    <message>
        <source>UnKnow Product Version</source>
        <translation>Version du logiciel inconnue</translation>
    </message>
    <message>
        <source>UnKnow Serial Number</source>
        <translation>Numéro de série inconnu</translation>
    </message>
    <message>
        <source>cannot write the book&apos;s copy in the scratch folder (%1): %2</source>
        <translation>impossible d’écrire la copie du livre dans le dossier temporaire (%1)&#xa0;: %2</translation>
    </message>
    <message>
        <source>the book holds a link, which is not followed: %1</source>
        <translation>le livre contient un lien, qui n’est pas suivi&#xa0;: %1</translation>
    </message>
    <message>
        <source>the book holds something that is neither a folder nor a file: %1</source>
        <translation>le livre contient un élément qui n’est ni un dossier ni un fichier&#xa0;: %1</translation>
    </message>
    <message>
        <source>the book&apos;s folders nest too deep: %1</source>
        <translation>les dossiers du livre sont imbriqués trop profondément&#xa0;: %1</translation>
    </message>
    <message>
        <source>The apps of the device could not be read: %1.</source>
        <translation>Les apps de l’appareil n’ont pas pu être lues&#xa0;: %1.</translation>
    </message>
    <message>
        <source>The app&apos;s folder on the device cannot be opened.</source>
        <translation>Le dossier de l’app sur l’appareil ne peut pas être ouvert.</translation>
    </message>
    <message>
        <source>Unlock the iPhone and try again.</source>
        <translation>Déverrouillez l’iPhone et réessayez.</translation>
    </message>
    <message>
        <source>The app is no longer on the device, or it no longer shares its documents. Reconnect the device to see its apps again.</source>
        <translation>L’app n’est plus sur l’appareil, ou elle ne partage plus ses documents. Rebranchez l’appareil pour revoir ses apps.</translation>
    </message>
    <message>
        <source>Unplug the device, plug it in again and try again.</source>
        <translation>Débranchez l’appareil, rebranchez-le et réessayez.</translation>
    </message>
    <message>
        <source>The device reported an unexpected error (%1 %2). </source>
        <translation>L’appareil a signalé une erreur inattendue (%1 %2). </translation>
    </message>
    <message>
        <source>This computer is not trusted by the device. Unlock the device and tap Trust, then try again.</source>
        <translation>L’appareil ne se fie pas à cet ordinateur. Déverrouillez l’appareil et touchez «&#xa0;Se fier&#xa0;», puis réessayez.</translation>
    </message>
    <message>
        <source>The device identifier is not valid. Check the identifier and try again.</source>
        <translation>L’identifiant de l’appareil n’est pas valide. Vérifiez l’identifiant et réessayez.</translation>
    </message>
    <message>
        <source>The device is not connected, or the usbmuxd service is not running. Connect the device with a USB cable and make sure usbmuxd is running.</source>
        <translation>L’appareil n’est pas branché, ou le service usbmuxd ne tourne pas. Branchez l’appareil avec un câble USB et vérifiez que usbmuxd tourne.</translation>
    </message>
    <message>
        <source>The connection to the device was interrupted. </source>
        <translation>La connexion à l’appareil a été interrompue. </translation>
    </message>
    <message>
        <source>The secure connection to the device failed. </source>
        <translation>La connexion sécurisée à l’appareil a échoué. </translation>
    </message>
    <message>
        <source>The device stopped answering. </source>
        <translation>L’appareil ne répond plus. </translation>
    </message>
    <message>
        <source>The device is locked. Unlock it, tap Trust if asked, and try again.</source>
        <translation>L’appareil est verrouillé. Déverrouillez-le, touchez «&#xa0;Se fier&#xa0;» si la question est posée, et réessayez.</translation>
    </message>
    <message>
        <source>The device is asking whether to trust this computer. Unlock the device and tap Trust, then try again.</source>
        <translation>L’appareil demande s’il doit se fier à cet ordinateur. Déverrouillez l’appareil et touchez «&#xa0;Se fier&#xa0;», puis réessayez.</translation>
    </message>
    <message>
        <source>Trust was declined on the device. Unplug it, plug it in again, unlock it and tap Trust.</source>
        <translation>La confiance a été refusée sur l’appareil. Débranchez-le, rebranchez-le, déverrouillez-le et touchez «&#xa0;Se fier&#xa0;».</translation>
    </message>
    <message>
        <source>The trust record for the device could not be saved. Check that usbmuxd is running and its folder is writable, then try again.</source>
        <translation>L’enregistrement de confiance de l’appareil n’a pas pu être sauvegardé. Vérifiez que usbmuxd tourne et que son dossier est accessible en écriture, puis réessayez.</translation>
    </message>
    <message>
        <source>The trust record for this device is damaged. Remove it (idevicepair unpair), then unlock the device and tap Trust.</source>
        <translation>L’enregistrement de confiance de cet appareil est endommagé. Supprimez-le (idevicepair unpair), puis déverrouillez l’appareil et touchez «&#xa0;Se fier&#xa0;».</translation>
    </message>
    <message>
        <source>The secure session with the device could not be set up. </source>
        <translation>La session sécurisée avec l’appareil n’a pas pu être établie. </translation>
    </message>
    <message>
        <source> If it keeps failing, remove this computer&apos;s trust record (idevicepair unpair) and tap Trust again.</source>
        <translation> Si l’échec persiste, supprimez l’enregistrement de confiance de cet ordinateur (idevicepair unpair) et touchez à nouveau «&#xa0;Se fier&#xa0;».</translation>
    </message>
    <message>
        <source>Lost contact with the device. Check the cable, then unplug the device and plug it in again.</source>
        <translation>Le contact avec l’appareil a été perdu. Vérifiez le câble, puis débranchez l’appareil et rebranchez-le.</translation>
    </message>
    <message>
        <source>The device has been restarted and is still locked. Unlock it once and try again.</source>
        <translation>L’appareil a redémarré et est encore verrouillé. Déverrouillez-le une fois et réessayez.</translation>
    </message>
    <message>
        <source>The device&apos;s settings or its management profile do not allow this computer to connect. Check the device&apos;s restrictions.</source>
        <translation>Les réglages de l’appareil ou son profil de gestion n’autorisent pas cet ordinateur à se connecter. Vérifiez les restrictions de l’appareil.</translation>
    </message>
    <message>
        <source>The device refused to open its file service. </source>
        <translation>L’appareil a refusé d’ouvrir son service de fichiers. </translation>
    </message>
    <message>
        <source>The device does not offer a service this program needs. Update the device&apos;s software and try again.</source>
        <translation>L’appareil n’offre pas un service dont ce programme a besoin. Mettez à jour le logiciel de l’appareil et réessayez.</translation>
    </message>
    <message>
        <source>The device is not activated. Finish setting it up, then connect it again.</source>
        <translation>L’appareil n’est pas activé. Terminez sa configuration, puis rebranchez-le.</translation>
    </message>
    <message>
        <source>The session with the device ended unexpectedly. </source>
        <translation>La session avec l’appareil s’est terminée de façon inattendue. </translation>
    </message>
    <message>
        <source>The device did not give out the information asked for. Unlock the device and try again.</source>
        <translation>L’appareil n’a pas fourni les informations demandées. Déverrouillez l’appareil et réessayez.</translation>
    </message>
    <message>
        <source>The device gave an answer this program does not understand. </source>
        <translation>L’appareil a donné une réponse que ce programme ne comprend pas. </translation>
    </message>
    <message>
        <source>The file or folder does not exist on the device.</source>
        <translation>Le fichier ou le dossier n’existe pas sur l’appareil.</translation>
    </message>
    <message>
        <source>A folder is in the way of a file on the device.</source>
        <translation>Un dossier occupe la place d’un fichier sur l’appareil.</translation>
    </message>
    <message>
        <source>A file or folder of that name already exists on the device.</source>
        <translation>Un fichier ou un dossier de ce nom existe déjà sur l’appareil.</translation>
    </message>
    <message>
        <source>The folder on the device is not empty.</source>
        <translation>Le dossier sur l’appareil n’est pas vide.</translation>
    </message>
    <message>
        <source>The device does not allow access to this file or folder.</source>
        <translation>L’appareil n’autorise pas l’accès à ce fichier ou à ce dossier.</translation>
    </message>
    <message>
        <source>The device is full. Free some space on it and try again.</source>
        <translation>L’appareil est plein. Libérez-y de l’espace et réessayez.</translation>
    </message>
    <message>
        <source>Another program is syncing with the device. Wait until it has finished and try again.</source>
        <translation>Un autre programme se synchronise avec l’appareil. Attendez qu’il ait terminé et réessayez.</translation>
    </message>
    <message>
        <source>The device or this computer ran out of memory. Close other programs and try again.</source>
        <translation>L’appareil ou cet ordinateur manque de mémoire. Fermez d’autres programmes et réessayez.</translation>
    </message>
    <message>
        <source>Reading or writing on the device failed. </source>
        <translation>La lecture ou l’écriture sur l’appareil a échoué. </translation>
    </message>
    <message>
        <source>The device refused the request as invalid.</source>
        <translation>L’appareil a refusé la demande comme non valide.</translation>
    </message>
    <message>
        <source>The operation on the device was interrupted. Try again.</source>
        <translation>L’opération sur l’appareil a été interrompue. Réessayez.</translation>
    </message>
    <message>
        <source>The device&apos;s file service reported an error. </source>
        <translation>Le service de fichiers de l’appareil a signalé une erreur. </translation>
    </message>
    <message>
        <source>The notification could not be sent to the device: it is not valid.</source>
        <translation>La notification n’a pas pu être envoyée à l’appareil&#xa0;: elle n’est pas valide.</translation>
    </message>
    <message>
        <source>Lost contact with the device while notifying it. Check the cable, then unplug the device and plug it in again.</source>
        <translation>Le contact avec l’appareil a été perdu pendant sa notification. Vérifiez le câble, puis débranchez l’appareil et rebranchez-le.</translation>
    </message>
    <message>
        <source>Lost contact with the device while opening the app&apos;s files. Check the cable, then unplug the device and plug it in again.</source>
        <translation>Le contact avec l’appareil a été perdu pendant l’ouverture des fichiers de l’app. Vérifiez le câble, puis débranchez l’appareil et rebranchez-le.</translation>
    </message>
    <message>
        <source>The device refused to open the app&apos;s files (%1). </source>
        <translation>L’appareil a refusé d’ouvrir les fichiers de l’app (%1). </translation>
    </message>
    <message>
        <source>This program does not use the device service %1.</source>
        <translation>Ce programme n’utilise pas le service d’appareil %1.</translation>
    </message>
</context>
<context>
    <name>DeviceList</name>
    <message>
        <source>Custom Books</source>
        <translation>Livres personnels</translation>
    </message>
    <message>
        <source>iTunes Books</source>
        <translation>Livres iTunes</translation>
    </message>
    <message>
        <source>Please connect to your device</source>
        <translation>Veuillez brancher votre appareil</translation>
    </message>
</context>
<context>
    <name>DevicePanel</name>
    <message>
        <source>Try the demo device</source>
        <translation>Essayer l’appareil de démonstration</translation>
    </message>
    <message>
        <source>Start again on a simulated device with a few sample books</source>
        <translation>Redémarrer sur un appareil simulé avec quelques livres d’exemple</translation>
    </message>
    <message>
        <source>The device could not be opened (%1). Unplug it and plug it in again.</source>
        <translation>L’appareil n’a pas pu être ouvert (%1). Débranchez-le puis rebranchez-le.</translation>
    </message>
    <message>
        <source>The demo device could not be started.</source>
        <translation>L’appareil de démonstration n’a pas pu démarrer.</translation>
    </message>
    <message>
        <source>Unknow IPod</source>
        <translation>Appareil inconnu</translation>
    </message>
</context>
<context>
    <name>FailedWindow</name>
    <message>
        <source>Transfer problems</source>
        <translation>Problèmes de transfert</translation>
    </message>
    <message>
        <source>These books could not be transferred:</source>
        <translation>Ces livres n’ont pas pu être transférés&#xa0;:</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
</context>
<context>
    <name>LoadWindowForm</name>
    <message>
        <source>Reading the device</source>
        <translation>Lecture de l’appareil</translation>
    </message>
    <message>
        <source>Reading the device. This may take a moment.</source>
        <translation>Lecture de l’appareil. Cela peut prendre un moment.</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Devices and book lists</source>
        <translation>Appareils et listes de livres</translation>
    </message>
    <message>
        <source>Home Page</source>
        <translation>Page d’accueil</translation>
    </message>
    <message>
        <source>Add Books: add ePub books to Custom Books</source>
        <translation>Ajouter des livres&#xa0;: ajouter des livres ePub aux Livres personnels</translation>
    </message>
    <message>
        <source>Add Books</source>
        <translation>Ajouter des livres</translation>
    </message>
    <message>
        <source>Export: copy the checked books to a folder</source>
        <translation>Exporter&#xa0;: copier les livres cochés dans un dossier</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exporter</translation>
    </message>
    <message>
        <source>Album</source>
        <translation>Album</translation>
    </message>
    <message>
        <source>Model:</source>
        <translation>Modèle&#xa0;:</translation>
    </message>
    <message>
        <source>Serial Number:</source>
        <translation>Numéro de série&#xa0;:</translation>
    </message>
    <message>
        <source>Capacity:</source>
        <translation>Capacité&#xa0;:</translation>
    </message>
    <message>
        <source>Format:</source>
        <translation>Format&#xa0;:</translation>
    </message>
    <message>
        <source>Software Version:</source>
        <translation>Version du logiciel&#xa0;:</translation>
    </message>
    <message>
        <source>Storage</source>
        <translation>Stockage</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Vidéo</translation>
    </message>
    <message>
        <source>Photos</source>
        <translation>Photos</translation>
    </message>
    <message>
        <source>Books</source>
        <translation>Livres</translation>
    </message>
    <message>
        <source>Other</source>
        <translation>Autres</translation>
    </message>
    <message>
        <source>Free</source>
        <translation>Libre</translation>
    </message>
    <message>
        <source>Filter by title, artist, album or genre</source>
        <translation>Filtrer par titre, auteur, album ou genre</translation>
    </message>
    <message>
        <source>Filter books</source>
        <translation>Filtrer les livres</translation>
    </message>
    <message>
        <source>Check or uncheck every book shown</source>
        <translation>Cocher ou décocher tous les livres affichés</translation>
    </message>
    <message>
        <source>Check all books shown</source>
        <translation>Cocher tous les livres affichés</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Fichier</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Édition</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Aide</translation>
    </message>
    <message>
        <source>Import to Device...</source>
        <translation>Importer sur l’appareil...</translation>
    </message>
    <message>
        <source>File to Device</source>
        <translation>Fichier vers l’appareil</translation>
    </message>
    <message>
        <source>Folder to Device</source>
        <translation>Dossier vers l’appareil</translation>
    </message>
    <message>
        <source>Export to Mac</source>
        <translation>Exporter vers l’ordinateur</translation>
    </message>
    <message>
        <source>Export select contents to Mac</source>
        <translation>Exporter les livres sélectionnés vers l’ordinateur</translation>
    </message>
    <message>
        <source>Hide @</source>
        <translation>Masquer @</translation>
    </message>
    <message>
        <source>Quit @</source>
        <translation>Quitter @</translation>
    </message>
    <message>
        <source>Check All</source>
        <translation>Tout cocher</translation>
    </message>
    <message>
        <source>Uncheck All</source>
        <translation>Tout décocher</translation>
    </message>
    <message>
        <source>Check Selected</source>
        <translation>Cocher la sélection</translation>
    </message>
    <message>
        <source>Uncheck Selected</source>
        <translation>Décocher la sélection</translation>
    </message>
    <message>
        <source>Delete selected item</source>
        <translation>Supprimer les livres sélectionnés</translation>
    </message>
    <message>
        <source>Delete check item</source>
        <translation>Supprimer les livres cochés</translation>
    </message>
    <message>
        <source>Filter Books</source>
        <translation>Filtrer les livres</translation>
    </message>
    <message>
        <source>Preferences...</source>
        <translation>Préférences...</translation>
    </message>
    <message>
        <source>@ Help</source>
        <translation>Aide de @</translation>
    </message>
    <message>
        <source>About @</source>
        <translation>À propos de @</translation>
    </message>
    <message>
        <source>Delete selected contents</source>
        <translation>Supprimer les livres sélectionnés</translation>
    </message>
</context>
<context>
    <name>MediaTableModel</name>
    <message>
        <source>Name</source>
        <translation>Titre</translation>
    </message>
    <message>
        <source>Artist</source>
        <translation>Auteur</translation>
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
        <translation>Taille</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Durée</translation>
    </message>
</context>
<context>
    <name>Operations</name>
    <message>
        <source>cannot write in the scratch folder</source>
        <translation>impossible d’écrire dans le dossier temporaire</translation>
    </message>
    <message>
        <source>the book could not be read from the device</source>
        <translation>le livre n’a pas pu être lu depuis l’appareil</translation>
    </message>
    <message>
        <source>%1 leads through a link: only the app&apos;s own Documents folder is used</source>
        <translation>%1 passe par un lien&#xa0;: seul le dossier Documents propre à l’app est utilisé</translation>
    </message>
    <message>
        <source>no book %1 in the app</source>
        <translation>aucun livre %1 dans l’app</translation>
    </message>
    <message>
        <source>a book in an app is named by its path in the app&apos;s Documents folder</source>
        <translation>un livre d’une app se désigne par son chemin dans le dossier Documents de l’app</translation>
    </message>
    <message>
        <source>the path %1 has an empty, &quot;.&quot; or &quot;..&quot; part</source>
        <translation>le chemin %1 a une partie vide, «&#xa0;.&#xa0;» ou «&#xa0;..&#xa0;»</translation>
    </message>
    <message>
        <source>not a file: %1</source>
        <translation>pas un fichier&#xa0;: %1</translation>
    </message>
    <message>
        <source>%1 is not an ePub</source>
        <translation>%1 n’est pas un ePub</translation>
    </message>
    <message>
        <source>the scratch folder cannot be used</source>
        <translation>le dossier temporaire ne peut pas être utilisé</translation>
    </message>
    <message>
        <source>the app&apos;s Documents folder is a link: only the app&apos;s own folder is used</source>
        <translation>le dossier Documents de l’app est un lien&#xa0;: seul le dossier propre à l’app est utilisé</translation>
    </message>
    <message>
        <source>%1 is in the app already and was kept</source>
        <translation>%1 est déjà dans l’app et a été gardé</translation>
    </message>
    <message>
        <source>no free name for %1</source>
        <translation>aucun nom libre pour %1</translation>
    </message>
    <message>
        <source>cannot read %1</source>
        <translation>impossible de lire %1</translation>
    </message>
    <message>
        <source>The device is full: the book needs %1 bytes. Make room on the device and try again.</source>
        <translation>L’appareil est plein&#xa0;: le livre a besoin de %1 octets. Faites de la place sur l’appareil et réessayez.</translation>
    </message>
    <message>
        <source>cannot write in the app&apos;s Documents folder</source>
        <translation>impossible d’écrire dans le dossier Documents de l’app</translation>
    </message>
    <message>
        <source>the book could not be written to the device</source>
        <translation>le livre n’a pas pu être écrit sur l’appareil</translation>
    </message>
    <message>
        <source>the book could not be given its name %1 in the app</source>
        <translation>le livre n’a pas pu recevoir son nom %1 dans l’app</translation>
    </message>
    <message>
        <source>the destination is not a folder: %1</source>
        <translation>la destination n’est pas un dossier&#xa0;: %1</translation>
    </message>
    <message>
        <source>the book could not be removed from the app</source>
        <translation>le livre n’a pas pu être retiré de l’app</translation>
    </message>
    <message>
        <source>only the device&apos;s own books are deleted here</source>
        <translation>seuls les livres propres à l’appareil sont supprimés ici</translation>
    </message>
    <message>
        <source>the book&apos;s &quot;Path&quot; %1 is also the folder of a book the user did not add</source>
        <translation>le «&#xa0;Path&#xa0;» %1 du livre est aussi le dossier d’un livre que l’utilisateur n’a pas ajouté</translation>
    </message>
    <message>
        <source>no book with the &quot;Path&quot; %1 in the catalogue</source>
        <translation>aucun livre avec le «&#xa0;Path&#xa0;» %1 dans le catalogue</translation>
    </message>
    <message>
        <source>the book was taken out of the catalogue, but some of its files remain in %1</source>
        <translation>le livre a été retiré du catalogue, mais certains de ses fichiers restent dans %1</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>impossible d’écrire %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>cannot write in %1: %2</source>
        <translation>impossible d’écrire dans %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>%1 exists and was kept</source>
        <translation>%1 existe et a été gardé</translation>
    </message>
    <message>
        <source>cannot open the device&apos;s books folder</source>
        <translation>impossible d’ouvrir le dossier des livres de l’appareil</translation>
    </message>
    <message>
        <source>the book &quot;%1&quot; is not on the device</source>
        <translation>le livre «&#xa0;%1&#xa0;» n’est pas sur l’appareil</translation>
    </message>
    <message>
        <source>could not read all of the book from the device</source>
        <translation>le livre n’a pas pu être lu en entier depuis l’appareil</translation>
    </message>
    <message>
        <source>cannot write the book&apos;s copy in the scratch folder: %1</source>
        <translation>impossible d’écrire la copie du livre dans le dossier temporaire&#xa0;: %1</translation>
    </message>
    <message>
        <source>only the device&apos;s own books are exported here</source>
        <translation>seuls les livres propres à l’appareil sont exportés ici</translation>
    </message>
    <message>
        <source>cannot copy the book to the device</source>
        <translation>impossible de copier le livre sur l’appareil</translation>
    </message>
    <message>
        <source>the device&apos;s catalogue took the book&apos;s folder name &quot;%1&quot; meanwhile</source>
        <translation>le catalogue de l’appareil a pris entre-temps le nom de dossier «&#xa0;%1&#xa0;» du livre</translation>
    </message>
    <message>
        <source>not an ePub file (its name does not end in &quot;.epub&quot;)</source>
        <translation>pas un fichier ePub (son nom ne se termine pas par «&#xa0;.epub&#xa0;»)</translation>
    </message>
    <message>
        <source>books are imported into the device&apos;s own books only</source>
        <translation>les livres ne sont importés que dans les livres propres à l’appareil</translation>
    </message>
    <message>
        <source>the book has no &quot;Path&quot; in the catalogue</source>
        <translation>le livre n’a pas de «&#xa0;Path&#xa0;» dans le catalogue</translation>
    </message>
    <message>
        <source>the book&apos;s &quot;Path&quot; does not name a book folder or book file: %1</source>
        <translation>le «&#xa0;Path&#xa0;» du livre ne désigne ni un dossier ni un fichier de livre&#xa0;: %1</translation>
    </message>
    <message>
        <source>the app&apos;s Documents folder cannot be opened</source>
        <translation>le dossier Documents de l’app ne peut pas être ouvert</translation>
    </message>
    <message>
        <source>no data folder for the catalogue backups (set HOME or BOOKFERRY_DATA_DIR)</source>
        <translation>aucun dossier de données pour les copies du catalogue (définissez HOME ou BOOKFERRY_DATA_DIR)</translation>
    </message>
    <message>
        <source>cannot create the backup folder %1: %2</source>
        <translation>impossible de créer le dossier des copies %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>cannot keep a copy of the device&apos;s book catalogue before changing it</source>
        <translation>impossible de garder une copie du catalogue des livres de l’appareil avant de le modifier</translation>
    </message>
    <message>
        <source>cannot write the catalogue backup %1</source>
        <translation>impossible d’écrire la copie du catalogue %1</translation>
    </message>
    <message>
        <source>cannot tell whether the device has a book catalogue to back up</source>
        <translation>impossible de savoir si l’appareil a un catalogue des livres à garder en copie</translation>
    </message>
    <message>
        <source>no device is connected</source>
        <translation>aucun appareil n’est branché</translation>
    </message>
    <message>
        <source>not a book catalogue: %1</source>
        <translation>pas un catalogue des livres&#xa0;: %1</translation>
    </message>
    <message>
        <source>it has no &quot;Books&quot; array</source>
        <translation>il n’a pas de liste «&#xa0;Books&#xa0;»</translation>
    </message>
    <message>
        <source>this copy was kept for another device (%1)</source>
        <translation>cette copie a été gardée pour un autre appareil (%1)</translation>
    </message>
    <message>
        <source>the device&apos;s book catalogue is %1 MB, more than the %2 MB this program reads, so it is left as it is</source>
        <translation>le catalogue des livres de l’appareil fait %1 Mo, plus que les %2 Mo que ce programme lit, il est donc laissé tel quel</translation>
    </message>
    <message>
        <source>cannot tell whether the device has a book catalogue</source>
        <translation>impossible de savoir si l’appareil a un catalogue des livres</translation>
    </message>
    <message>
        <source>cannot copy the device&apos;s book catalogue</source>
        <translation>impossible de copier le catalogue des livres de l’appareil</translation>
    </message>
    <message>
        <source>the device&apos;s book catalogue cannot be read, so it is left as it is: %1</source>
        <translation>le catalogue des livres de l’appareil ne peut pas être lu, il est donc laissé tel quel&#xa0;: %1</translation>
    </message>
    <message>
        <source>cannot upload the book catalogue to the device</source>
        <translation>impossible d’envoyer le catalogue des livres sur l’appareil</translation>
    </message>
    <message>
        <source>the device&apos;s catalogue was updated, but its local copy could not be replaced</source>
        <translation>le catalogue de l’appareil a été mis à jour, mais sa copie locale n’a pas pu être remplacée</translation>
    </message>
    <message>
        <source>cannot replace the book catalogue on the device</source>
        <translation>impossible de remplacer le catalogue des livres sur l’appareil</translation>
    </message>
    <message>
        <source>the book catalogue was uploaded, but could not be read back from the device to check it</source>
        <translation>le catalogue des livres a été envoyé, mais n’a pas pu être relu depuis l’appareil pour le vérifier</translation>
    </message>
    <message>
        <source>the book catalogue read back from the device differs from the one uploaded</source>
        <translation>le catalogue des livres relu depuis l’appareil diffère de celui envoyé</translation>
    </message>
    <message>
        <source>the transfer was stopped</source>
        <translation>le transfert a été arrêté</translation>
    </message>
    <message>
        <source>the device was disconnected</source>
        <translation>l’appareil a été débranché</translation>
    </message>
    <message numerus="yes">
        <source>%n book(s) of the copy are no longer on the device and were left out:</source>
        <translation>
            <numerusform>%n livre de la copie n’est plus sur l’appareil et a été laissé de côté&#xa0;:</numerusform>
            <numerusform>%n livres de la copie ne sont plus sur l’appareil et ont été laissés de côté&#xa0;:</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 is not an ePub or a PDF (its name does not end in .epub or .pdf)</source>
        <translation>%1 n’est ni un ePub ni un PDF (son nom ne se termine pas par .epub ou .pdf)</translation>
    </message>
    <message>
        <source>%1 is not a PDF</source>
        <translation>%1 n’est pas un PDF</translation>
    </message>
    <message>
        <source>a PDF: the device&apos;s own books are ePub only; a reader app that takes PDFs can hold it</source>
        <translation>un PDF&#xa0;: les livres de l’appareil sont uniquement des ePub&#xa0;; une app de lecture qui accepte les PDF peut le recevoir</translation>
    </message>
    <message>
        <source>a PDF, and %1 does not say it takes PDFs</source>
        <translation>un PDF, et %1 n’indique pas accepter les PDF</translation>
    </message>
</context>
<context>
    <name>PreferencesWindow</name>
    <message>
        <source>Preferences</source>
        <translation>Préférences</translation>
    </message>
    <message>
        <source>Save pictures as:</source>
        <translation>Enregistrer les images en&#xa0;:</translation>
    </message>
    <message>
        <source>List apps that share files but do not read books</source>
        <translation>Afficher les apps qui partagent des fichiers sans lire de livres</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
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
        <translation>Transfert en cours...</translation>
    </message>
    <message>
        <source>Stopping...</source>
        <translation>Arrêt en cours...</translation>
    </message>
    <message>
        <source>Deleting: %1</source>
        <translation>Suppression&#xa0;: %1</translation>
    </message>
    <message>
        <source>Copying to: %1</source>
        <translation>Copie vers&#xa0;: %1</translation>
    </message>
</context>
<context>
    <name>ProgressWindow</name>
    <message>
        <source>Copying</source>
        <translation>Copie</translation>
    </message>
    <message>
        <source>Uploading.....</source>
        <translation>Transfert en cours...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Choose ePub books to add</source>
        <translation>Choisir les livres ePub à ajouter</translation>
    </message>
    <message>
        <source>ePub books (*.epub)</source>
        <translation>Livres ePub (*.epub)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Tous les fichiers (*)</translation>
    </message>
    <message>
        <source>Choose the folder for the books</source>
        <translation>Choisir le dossier des livres</translation>
    </message>
    <message>
        <source>Choose a folder of ePub books to add</source>
        <translation>Choisir un dossier de livres ePub à ajouter</translation>
    </message>
    <message>
        <source>ePub books and PDFs (*.epub *.pdf)</source>
        <translation>Livres ePub et PDF (*.epub *.pdf)</translation>
    </message>
    <message>
        <source>PDFs (*.pdf)</source>
        <translation>PDF (*.pdf)</translation>
    </message>
    <message>
        <source>Choose ePub books or PDFs to add</source>
        <translation>Choisir les livres ePub ou les PDF à ajouter</translation>
    </message>
</context>
<context>
    <name>QtLoadWindow</name>
    <message numerus="yes">
        <source>%n folder(s) read</source>
        <translation>
            <numerusform>%n dossier lu</numerusform>
            <numerusform>%n dossiers lus</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Scratch</name>
    <message>
        <source>it cannot be created (%1)</source>
        <translation>il ne peut pas être créé (%1)</translation>
    </message>
    <message>
        <source>it cannot be read (%1)</source>
        <translation>il ne peut pas être lu (%1)</translation>
    </message>
    <message>
        <source>it is not a folder</source>
        <translation>ce n’est pas un dossier</translation>
    </message>
    <message>
        <source>it belongs to another user</source>
        <translation>il appartient à un autre utilisateur</translation>
    </message>
    <message>
        <source>it is open to other users and cannot be made private (%1)</source>
        <translation>il est ouvert aux autres utilisateurs et ne peut pas être rendu privé (%1)</translation>
    </message>
    <message>
        <source>The scratch folder %1 cannot be used: %2. Set BOOKFERRY_SCRATCH to a folder of your own.</source>
        <translation>Le dossier temporaire %1 ne peut pas être utilisé&#xa0;: %2. Définissez BOOKFERRY_SCRATCH sur un dossier à vous.</translation>
    </message>
    <message>
        <source>this program&apos;s working folder cannot be made in it (%1)</source>
        <translation>le dossier de travail de ce programme ne peut pas y être créé (%1)</translation>
    </message>
</context>
<context>
    <name>TransferCommands</name>
    <message>
        <source>1 book was exported to %1.</source>
        <translation>1 livre a été exporté vers %1.</translation>
    </message>
    <message>
        <source>%1 books were exported to %2.</source>
        <translation>%1 livres ont été exportés vers %2.</translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation>Ouvrir le dossier</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Are you sure, delete the item?</source>
        <translation>Voulez-vous vraiment supprimer&#xa0;?</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>Non</translation>
    </message>
    <message>
        <source>YES</source>
        <translation>Oui</translation>
    </message>
    <message>
        <source>These books could not be deleted:</source>
        <translation>Ces livres n’ont pas pu être supprimés&#xa0;:</translation>
    </message>
    <message>
        <source>%1 is existing. Are you sure to replace?</source>
        <translation>%1 existe déjà. Voulez-vous vraiment le remplacer&#xa0;?</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Attention</translation>
    </message>
    <message>
        <source>&quot;%1&quot; (%2) is already on the device. Add it again?</source>
        <translation>«&#xa0;%1&#xa0;» (%2) est déjà sur l’appareil. L’ajouter à nouveau&#xa0;?</translation>
    </message>
    <message>
        <source>Skip</source>
        <translation>Ignorer</translation>
    </message>
    <message>
        <source>Add Again</source>
        <translation>Ajouter à nouveau</translation>
    </message>
    <message>
        <source>Skip All</source>
        <translation>Tout ignorer</translation>
    </message>
    <message>
        <source>Keep Both</source>
        <translation>Garder les deux</translation>
    </message>
</context>
<context>
    <name>TransferSlot</name>
    <message>
        <source>%1 is existing. Are you sure to replace?</source>
        <translation>%1 existe déjà. Voulez-vous vraiment le remplacer&#xa0;?</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Attention</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>Non</translation>
    </message>
    <message>
        <source>YES</source>
        <translation>Oui</translation>
    </message>
</context>
<context>
    <name>mainControler</name>
    <message>
        <source>Restore Catalogue Backup...</source>
        <translation>Restaurer une copie du catalogue...</translation>
    </message>
    <message>
        <source>%1 Help</source>
        <translation>Aide de %1</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>À propos de %1</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>DEVICES</source>
        <translation>APPAREILS</translation>
    </message>
    <message>
        <source>help/index.html</source>
        <comment>the help page in this language, in the resource folder</comment>
        <translation>help/index.fr.html</translation>
    </message>
</context>
</TS>
