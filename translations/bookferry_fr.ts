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
        <translation>Livres personnels</translation>
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
