#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Bookferry developers
"""Fills the <translation> elements of the .ts files from the word lists below.

Run after lupdate has added new source texts: `python3 translations/fill.py`. A text without an
entry is left unfinished and reported, so nothing new goes out half translated unnoticed.
Terms kept throughout: device = Gerät / appareil / dispositivo; book list = Bücherliste /
liste de livres / lista de libros; Custom Books = Eigene Bücher / Livres personnels / Libros
propios; check (mark) = abhaken / cocher / marcar; export = exportieren / exporter / exportar.
"""
import pathlib
import re
import sys
import xml.etree.ElementTree as ET

NB = "\u00a0"  # French puts a no-break space before a colon or question mark

# source: (German, French, Spanish); (context, source) keys where one context needs its own.
WORDS = {
    "About": ("Über", "À propos", "Acerca de"),
    "Keeps the ePub books of an iPhone, iPad or iPod touch in step with your computer.": (
        "Hält die ePub-Bücher eines iPhone, iPad oder iPod touch mit Ihrem Computer auf dem gleichen Stand.",
        "Garde les livres ePub d’un iPhone, d’un iPad ou d’un iPod touch en accord avec votre ordinateur.",
        "Mantiene los libros ePub de un iPhone, iPad o iPod touch al día con su ordenador."),
    "Free software under the GNU General Public License, version 3 or later.": (
        "Freie Software unter der GNU General Public License, Version 3 oder später.",
        "Logiciel libre sous la licence publique générale GNU, version 3 ou ultérieure.",
        "Software libre bajo la Licencia Pública General de GNU, versión 3 o posterior."),
    "OK": ("OK", "OK", "Aceptar"),
    "the app's files could not be opened": (
        "die Dateien der App ließen sich nicht öffnen",
        "les fichiers de l’app n’ont pas pu être ouverts",
        "no se pudieron abrir los archivos de la app"),
    "No reader app on this device shares its files. Install an ePub reader that shares its files with a computer.": (
        "Keine Lese-App auf diesem Gerät gibt ihre Dateien frei. Installieren Sie eine ePub-Lese-App, die ihre Dateien mit einem Computer teilt.",
        "Aucune app de lecture de cet appareil ne partage ses fichiers. Installez une liseuse ePub qui partage ses fichiers avec un ordinateur.",
        "Ninguna app de lectura de este dispositivo comparte sus archivos. Instale un lector de ePub que comparta sus archivos con un ordenador."),
    ' Any app that shares its files can be used: turn on "List apps that share files but do not read books" in Preferences, then choose "Use for Books" from the app\'s menu here.': (
        " Jede App, die ihre Dateien freigibt, ist möglich: Schalten Sie in den Einstellungen „Apps zeigen, die Dateien teilen, aber keine Bücher lesen“ ein und wählen Sie dann hier im Menü der App „Für Bücher verwenden“.",
        f" Toute app qui partage ses fichiers convient{NB}: activez «{NB}Afficher les apps qui partagent des fichiers sans lire de livres{NB}» dans les Préférences, puis choisissez «{NB}Utiliser pour les livres{NB}» dans le menu de l’app ici.",
        " Sirve cualquier app que comparta sus archivos: active «Mostrar las apps que comparten archivos pero no leen libros» en Preferencias y elija «Usar para libros» en el menú de la app aquí."),
    "Use for Books": ("Für Bücher verwenden", "Utiliser pour les livres", "Usar para libros"),
    "Books added here go into %1's own folder. %1 may need to be closed and opened again to show new books.": (
        "Hier hinzugefügte Bücher kommen in den eigenen Ordner von %1. Eventuell muss %1 geschlossen und wieder geöffnet werden, um neue Bücher zu zeigen.",
        "Les livres ajoutés ici vont dans le dossier propre à %1. Il faudra peut-être fermer puis rouvrir %1 pour qu’il montre les nouveaux livres.",
        "Los libros añadidos aquí van a la carpeta propia de %1. Quizá haya que cerrar y volver a abrir %1 para que muestre los libros nuevos."),
    "the app's Documents folder could not be read": (
        "der Dokumente-Ordner der App ließ sich nicht lesen",
        "le dossier Documents de l’app n’a pas pu être lu",
        "no se pudo leer la carpeta Documentos de la app"),
    "%1: %2": ("%1: %2", f"%1{NB}: %2", "%1: %2"),
    "%1 bytes": ("%1 Byte", "%1 octets", "%1 bytes"),
    "Warning": ("Warnung", "Attention", "Aviso"),
    "%1 is existing. Are you sure to replace?": (
        "%1 ist schon vorhanden. Wirklich ersetzen?",
        f"%1 existe déjà. Voulez-vous vraiment le remplacer{NB}?",
        "%1 ya existe. ¿Seguro que quiere reemplazarlo?"),
    "NO": ("Nein", "Non", "No"),
    "YES": ("Ja", "Oui", "Sí"),
    "Keep Both": ("Beide behalten", "Garder les deux", "Conservar ambos"),
    "Copying to: %1": ("Kopieren nach: %1", f"Copie vers{NB}: %1", "Copiando a: %1"),
    "1 book was exported to %1.": (
        "1 Buch wurde nach %1 exportiert.", "1 livre a été exporté vers %1.", "Se exportó 1 libro a %1."),
    "%1 books were exported to %2.": (
        "%1 Bücher wurden nach %2 exportiert.", "%1 livres ont été exportés vers %2.", "Se exportaron %1 libros a %2."),
    "Open Folder": ("Ordner öffnen", "Ouvrir le dossier", "Abrir la carpeta"),
    "These books could not be deleted:": (
        "Diese Bücher ließen sich nicht löschen:", f"Ces livres n’ont pas pu être supprimés{NB}:",
        "No se pudieron eliminar estos libros:"),
    "Deleting: %1": ("Löschen: %1", f"Suppression{NB}: %1", "Eliminando: %1"),
    "Information": ("Hinweis", "Information", "Información"),
    'No ePub books were found in "%1" or its sub-folders.': (
        "In „%1“ und seinen Unterordnern wurden keine ePub-Bücher gefunden.",
        f"Aucun livre ePub n’a été trouvé dans «{NB}%1{NB}» ni dans ses sous-dossiers.",
        "No se encontraron libros ePub en «%1» ni en sus subcarpetas."),
    'Found 1 ePub book in "%1" and its sub-folders.': (
        "1 ePub-Buch in „%1“ und seinen Unterordnern gefunden.",
        f"1 livre ePub trouvé dans «{NB}%1{NB}» et ses sous-dossiers.",
        "Se encontró 1 libro ePub en «%1» y sus subcarpetas."),
    'Found %1 ePub books in "%2" and its sub-folders.': (
        "%1 ePub-Bücher in „%2“ und seinen Unterordnern gefunden.",
        f"%1 livres ePub trouvés dans «{NB}%2{NB}» et ses sous-dossiers.",
        "Se encontraron %1 libros ePub en «%2» y sus subcarpetas."),
    "Add them to Custom Books?": (
        "Zu „Eigene Bücher“ hinzufügen?", f"Les ajouter aux Livres personnels{NB}?", "¿Añadirlos a Libros propios?"),
    "Add them to %1?": ("Zu %1 hinzufügen?", f"Les ajouter à %1{NB}?", "¿Añadirlos a %1?"),
    "Folder to Device": ("Ordner auf das Gerät", "Dossier vers l’appareil", "Carpeta al dispositivo"),
    "Cancel": ("Abbrechen", "Annuler", "Cancelar"),
    "Add Books": ("Bücher hinzufügen", "Ajouter des livres", "Añadir libros"),
    "Connect a device to add books to it.": (
        "Schließen Sie ein Gerät an, um Bücher hinzuzufügen.",
        "Branchez un appareil pour y ajouter des livres.",
        "Conecte un dispositivo para añadirle libros."),
    "Books are being copied. Drop the new books again when that has finished.": (
        "Es werden gerade Bücher kopiert. Legen Sie die neuen Bücher noch einmal ab, wenn das abgeschlossen ist.",
        "Des livres sont en cours de copie. Déposez à nouveau les nouveaux livres quand ce sera terminé.",
        "Se están copiando libros. Vuelva a soltar los libros nuevos cuando termine."),
    'Nothing that was dropped is an ePub book (a file whose name ends in ".epub").': (
        "Nichts davon ist ein ePub-Buch (eine Datei, deren Name auf „.epub“ endet).",
        f"Rien de ce qui a été déposé n’est un livre ePub (un fichier dont le nom se termine par «{NB}.epub{NB}»).",
        "Nada de lo que se soltó es un libro ePub (un archivo cuyo nombre termina en «.epub»)."),
    "Restore Catalogue Backup": (
        "Sicherung des Buchkatalogs zurückholen", "Restaurer une copie du catalogue",
        "Restaurar una copia del catálogo"),
    "Restore Catalogue Backup...": (
        "Sicherung des Buchkatalogs zurückholen...", "Restaurer une copie du catalogue...",
        "Restaurar una copia del catálogo..."),
    "Kept on": ("Gesichert am", "Gardée le", "Guardada el"),
    "Books": ("Bücher", "Livres", "Libros"),
    "Size": ("Größe", "Taille", "Tamaño"),
    "Restore...": ("Zurückholen...", "Restaurer...", "Restaurar..."),
    "the device": ("dem Gerät", "l’appareil", "el dispositivo"),
    "No copies of the book catalogue of %1 have been kept yet. A copy is kept before every change made to it.": (
        "Vom Buchkatalog auf %1 wurden noch keine Kopien gesichert. Vor jeder Änderung wird eine Kopie gesichert.",
        "Aucune copie du catalogue des livres de %1 n’a encore été gardée. Une copie est gardée avant chaque modification.",
        "Aún no se ha guardado ninguna copia del catálogo de libros de %1. Se guarda una copia antes de cada cambio."),
    "Close": ("Schließen", "Fermer", "Cerrar"),
    "Copies of the book catalogue of %1, kept before each change, newest first. Choose the one to put back on the device.": (
        "Kopien des Buchkatalogs auf %1, gesichert vor jeder Änderung, die neueste zuerst. Wählen Sie die, die zurück auf das Gerät soll.",
        "Copies du catalogue des livres de %1, gardées avant chaque modification, la plus récente d’abord. Choisissez celle à remettre sur l’appareil.",
        "Copias del catálogo de libros de %1, guardadas antes de cada cambio, la más reciente primero. Elija la que se devolverá al dispositivo."),
    "unreadable": ("unlesbar", "illisible", "ilegible"),
    "which cannot be read as a catalogue": (
        "die sich nicht als Katalog lesen lässt", "qui ne peut pas être lue comme catalogue",
        "que no se puede leer como catálogo"),
    "1 book": ("1 Buch", "1 livre", "1 libro"),
    "%1 books": ("%1 Bücher", "%1 livres", "%1 libros"),
    "The book catalogue on “%1” will be replaced by the copy kept on %2 (%3). The catalogue the device holds now is kept as a copy first, so this can be undone the same way. Books of the copy that are no longer on the device are left out.": (
        "Der Buchkatalog auf „%1“ wird durch die am %2 gesicherte Kopie ersetzt (%3). Der jetzige Katalog des Geräts wird vorher als Kopie gesichert, sodass sich das auf demselben Weg rückgängig machen lässt. Bücher der Kopie, die nicht mehr auf dem Gerät sind, werden ausgelassen.",
        f"Le catalogue des livres de «{NB}%1{NB}» sera remplacé par la copie gardée le %2 (%3). Le catalogue actuel de l’appareil est d’abord gardé en copie, on peut donc revenir en arrière de la même façon. Les livres de la copie qui ne sont plus sur l’appareil sont laissés de côté.",
        "El catálogo de libros de «%1» se reemplazará por la copia guardada el %2 (%3). Antes se guarda una copia del catálogo actual del dispositivo, así que puede deshacerse del mismo modo. Los libros de la copia que ya no están en el dispositivo se omiten."),
    "Restore": ("Zurückholen", "Restaurer", "Restaurar"),
    "Restoring the book catalogue of “%1”...": (
        "Der Buchkatalog von „%1“ wird zurückgeholt...",
        f"Restauration du catalogue des livres de «{NB}%1{NB}»...",
        "Restaurando el catálogo de libros de «%1»..."),
    "Catalogue copy kept on %1": (
        "Am %1 gesicherte Katalogkopie", "Copie du catalogue gardée le %1", "Copia del catálogo guardada el %1"),
    "The book catalogue could not be restored:": (
        "Der Buchkatalog ließ sich nicht zurückholen:", f"Le catalogue des livres n’a pas pu être restauré{NB}:",
        "No se pudo restaurar el catálogo de libros:"),
    "The book catalogue was restored. %1": (
        "Der Buchkatalog wurde zurückgeholt. %1", "Le catalogue des livres a été restauré. %1",
        "Se restauró el catálogo de libros. %1"),
    "Adding books finished": ("Bücher hinzugefügt", "Ajout de livres terminé", "Libros añadidos"),
    "Adding books stopped": ("Hinzufügen von Büchern abgebrochen", "Ajout de livres arrêté", "Adición de libros detenida"),
    "Adding books ended with problems": (
        "Hinzufügen von Büchern mit Problemen beendet", "Ajout de livres terminé avec des problèmes",
        "Adición de libros terminada con problemas"),
    "Export finished": ("Export abgeschlossen", "Exportation terminée", "Exportación terminada"),
    "Export stopped": ("Export abgebrochen", "Exportation arrêtée", "Exportación detenida"),
    "Export ended with problems": (
        "Export mit Problemen beendet", "Exportation terminée avec des problèmes", "Exportación terminada con problemas"),
    "Deletion finished": ("Löschen abgeschlossen", "Suppression terminée", "Eliminación terminada"),
    "Deletion stopped": ("Löschen abgebrochen", "Suppression arrêtée", "Eliminación detenida"),
    "Deletion ended with problems": (
        "Löschen mit Problemen beendet", "Suppression terminée avec des problèmes", "Eliminación terminada con problemas"),
    "Catalogue restore finished": (
        "Katalog zurückgeholt", "Restauration du catalogue terminée", "Restauración del catálogo terminada"),
    "Catalogue restore stopped": (
        "Zurückholen des Katalogs abgebrochen", "Restauration du catalogue arrêtée", "Restauración del catálogo detenida"),
    "Catalogue restore ended with problems": (
        "Zurückholen des Katalogs mit Problemen beendet", "Restauration du catalogue terminée avec des problèmes",
        "Restauración del catálogo terminada con problemas"),
    "Transfer finished": ("Übertragung abgeschlossen", "Transfert terminé", "Transferencia terminada"),
    "Transfer stopped": ("Übertragung abgebrochen", "Transfert arrêté", "Transferencia detenida"),
    "Transfer ended with problems": (
        "Übertragung mit Problemen beendet", "Transfert terminé avec des problèmes", "Transferencia terminada con problemas"),
    "1 book was added": ("1 Buch wurde hinzugefügt", "1 livre a été ajouté", "Se añadió 1 libro"),
    "%1 books were added": ("%1 Bücher wurden hinzugefügt", "%1 livres ont été ajoutés", "Se añadieron %1 libros"),
    "The books were added": ("Die Bücher wurden hinzugefügt", "Les livres ont été ajoutés", "Se añadieron los libros"),
    "1 book was exported to %1": ("1 Buch wurde nach %1 exportiert", "1 livre a été exporté vers %1", "Se exportó 1 libro a %1"),
    "%1 books were exported to %2": (
        "%1 Bücher wurden nach %2 exportiert", "%1 livres ont été exportés vers %2", "Se exportaron %1 libros a %2"),
    "The books were exported to %1": (
        "Die Bücher wurden nach %1 exportiert", "Les livres ont été exportés vers %1", "Se exportaron los libros a %1"),
    "1 book was deleted": ("1 Buch wurde gelöscht", "1 livre a été supprimé", "Se eliminó 1 libro"),
    "%1 books were deleted": ("%1 Bücher wurden gelöscht", "%1 livres ont été supprimés", "Se eliminaron %1 libros"),
    "The books were deleted": ("Die Bücher wurden gelöscht", "Les livres ont été supprimés", "Se eliminaron los libros"),
    "The book catalogue could not be restored.": (
        "Der Buchkatalog ließ sich nicht zurückholen.", "Le catalogue des livres n’a pas pu être restauré.",
        "No se pudo restaurar el catálogo de libros."),
    "The book catalogue was restored.": (
        "Der Buchkatalog wurde zurückgeholt.", "Le catalogue des livres a été restauré.", "Se restauró el catálogo de libros."),
    "%1 failed.": ("%1 fehlgeschlagen.", "%1 en échec.", "%1 con error."),
    ", %1 failed": (", %1 fehlgeschlagen", ", %1 en échec", ", %1 con error"),
    "Custom Books": ("Eigene Bücher", "Livres personnels", "Libros propios"),
    "iTunes Books": ("iTunes-Bücher", "Livres iTunes", "Libros de iTunes"),
    "Please connect to your device": (
        "Bitte schließen Sie Ihr Gerät an", "Veuillez brancher votre appareil", "Conecte su dispositivo"),
    "Try the demo device": ("Das Vorführgerät ausprobieren", "Essayer l’appareil de démonstration",
                            "Probar el dispositivo de demostración"),
    "Start again on a simulated device with a few sample books": (
        "Neu starten mit einem nachgebildeten Gerät und ein paar Beispielbüchern",
        "Redémarrer sur un appareil simulé avec quelques livres d’exemple",
        "Volver a empezar con un dispositivo simulado y unos libros de muestra"),
    "The device could not be opened (%1). Unplug it and plug it in again.": (
        "Das Gerät ließ sich nicht öffnen (%1). Ziehen Sie es ab und schließen Sie es wieder an.",
        "L’appareil n’a pas pu être ouvert (%1). Débranchez-le puis rebranchez-le.",
        "No se pudo abrir el dispositivo (%1). Desconéctelo y vuelva a conectarlo."),
    "The demo device could not be started.": (
        "Das Vorführgerät ließ sich nicht starten.", "L’appareil de démonstration n’a pas pu démarrer.",
        "No se pudo iniciar el dispositivo de demostración."),
    "Unknow IPod": ("Unbekanntes Gerät", "Appareil inconnu", "Dispositivo desconocido"),
    "Transfer problems": ("Probleme bei der Übertragung", "Problèmes de transfert", "Problemas de transferencia"),
    "These books could not be transferred:": (
        "Diese Bücher ließen sich nicht übertragen:", f"Ces livres n’ont pas pu être transférés{NB}:",
        "No se pudieron transferir estos libros:"),
    "Reading the device": ("Gerät wird gelesen", "Lecture de l’appareil", "Leyendo el dispositivo"),
    "Reading the device. This may take a moment.": (
        "Das Gerät wird gelesen. Das kann einen Moment dauern.",
        "Lecture de l’appareil. Cela peut prendre un moment.",
        "Leyendo el dispositivo. Puede tardar un momento."),
    "\u201C%1\u201D": ("\u201E%1\u201C", f"\u00AB{NB}%1{NB}\u00BB", "\u00AB%1\u00BB"),
    "DEVICES": ("GERÄTE", "APPAREILS", "DISPOSITIVOS"),
    "Devices and book lists": ("Geräte und Bücherlisten", "Appareils et listes de livres", "Dispositivos y listas de libros"),
    "Home Page": ("Startseite", "Page d’accueil", "Página de inicio"),
    "Add Books: add ePub books to Custom Books": (
        "Bücher hinzufügen: ePub-Bücher zu „Eigene Bücher“ hinzufügen",
        f"Ajouter des livres{NB}: ajouter des livres ePub aux Livres personnels",
        "Añadir libros: añadir libros ePub a Libros propios"),
    "Export: copy the checked books to a folder": (
        "Exportieren: die abgehakten Bücher in einen Ordner kopieren",
        f"Exporter{NB}: copier les livres cochés dans un dossier",
        "Exportar: copiar los libros marcados a una carpeta"),
    "Export": ("Exportieren", "Exporter", "Exportar"),
    "Album": ("Album", "Album", "Álbum"),
    "Model:": ("Modell:", f"Modèle{NB}:", "Modelo:"),
    "Serial Number:": ("Seriennummer:", f"Numéro de série{NB}:", "Número de serie:"),
    "Capacity:": ("Kapazität:", f"Capacité{NB}:", "Capacidad:"),
    "Format:": ("Format:", f"Format{NB}:", "Formato:"),
    "Software Version:": ("Softwareversion:", f"Version du logiciel{NB}:", "Versión de software:"),
    "Storage": ("Speicher", "Stockage", "Almacenamiento"),
    "Audio": ("Audio", "Audio", "Audio"),
    "Video": ("Video", "Vidéo", "Vídeo"),
    "Photos": ("Fotos", "Photos", "Fotos"),
    "Other": ("Sonstiges", "Autres", "Otros"),
    "Free": ("Frei", "Libre", "Libre"),
    "Filter by title, artist, album or genre": (
        "Nach Titel, Autor, Album oder Genre filtern", "Filtrer par titre, auteur, album ou genre",
        "Filtrar por título, autor, álbum o género"),
    "Filter books": ("Bücher filtern", "Filtrer les livres", "Filtrar libros"),
    "Check or uncheck every book shown": (
        "Alle gezeigten Bücher abhaken oder die Haken entfernen", "Cocher ou décocher tous les livres affichés",
        "Marcar o desmarcar todos los libros mostrados"),
    "Check all books shown": ("Alle gezeigten Bücher abhaken", "Cocher tous les livres affichés",
                              "Marcar todos los libros mostrados"),
    "File": ("Datei", "Fichier", "Archivo"),
    "Edit": ("Bearbeiten", "Édition", "Edición"),
    "Help": ("Hilfe", "Aide", "Ayuda"),
    "Import to Device...": ("Auf das Gerät übertragen...", "Importer sur l’appareil...", "Importar al dispositivo..."),
    "File to Device": ("Datei auf das Gerät", "Fichier vers l’appareil", "Archivo al dispositivo"),
    "Export to Mac": ("Auf den Computer exportieren", "Exporter vers l’ordinateur", "Exportar al ordenador"),
    "Export select contents to Mac": (
        "Ausgewählte Bücher auf den Computer exportieren", "Exporter les livres sélectionnés vers l’ordinateur",
        "Exportar los libros seleccionados al ordenador"),
    "Hide @": ("@ ausblenden", "Masquer @", "Ocultar @"),
    "Quit @": ("@ beenden", "Quitter @", "Salir de @"),
    "Check All": ("Alle abhaken", "Tout cocher", "Marcar todos"),
    "Uncheck All": ("Alle Haken entfernen", "Tout décocher", "Desmarcar todos"),
    "Check Selected": ("Ausgewählte abhaken", "Cocher la sélection", "Marcar los seleccionados"),
    "Uncheck Selected": ("Haken der Ausgewählten entfernen", "Décocher la sélection", "Desmarcar los seleccionados"),
    "Delete selected item": ("Ausgewählte Bücher löschen", "Supprimer les livres sélectionnés",
                             "Eliminar los libros seleccionados"),
    "Delete check item": ("Abgehakte Bücher löschen", "Supprimer les livres cochés", "Eliminar los libros marcados"),
    "Delete selected contents": ("Ausgewählte Bücher löschen", "Supprimer les livres sélectionnés",
                                 "Eliminar los libros seleccionados"),
    "Filter Books": ("Bücher filtern", "Filtrer les livres", "Filtrar libros"),
    "Preferences...": ("Einstellungen...", "Préférences...", "Preferencias..."),
    "@ Help": ("@-Hilfe", "Aide de @", "Ayuda de @"),
    "About @": ("Über @", "À propos de @", "Acerca de @"),
    "%1 Help": ("%1-Hilfe", "Aide de %1", "Ayuda de %1"),
    "About %1": ("Über %1", "À propos de %1", "Acerca de %1"),
    "help/index.html": ("help/index.de.html", "help/index.fr.html", "help/index.es.html"),
    "Version %1": ("Version %1", "Version %1", "Versión %1"),
    "Name": ("Name", "Nom", "Nombre"),
    ("MediaTableModel", "Name"): ("Titel", "Titre", "Título"),
    "Artist": ("Autor", "Auteur", "Autor"),
    "Genre": ("Genre", "Genre", "Género"),
    "Time": ("Dauer", "Durée", "Duración"),
    "Preferences": ("Einstellungen", "Préférences", "Preferencias"),
    "Save pictures as:": ("Bilder speichern als:", f"Enregistrer les images en{NB}:", "Guardar las imágenes como:"),
    "List apps that share files but do not read books": (
        "Apps zeigen, die Dateien teilen, aber keine Bücher lesen",
        "Afficher les apps qui partagent des fichiers sans lire de livres",
        "Mostrar las apps que comparten archivos pero no leen libros"),
    "Uploading.....": ("Wird übertragen...", "Transfert en cours...", "Transfiriendo..."),
    "Stopping...": ("Wird angehalten...", "Arrêt en cours...", "Deteniendo..."),
    "Copying": ("Kopieren", "Copie", "Copiando"),
    "Choose ePub books to add": ("ePub-Bücher zum Hinzufügen wählen", "Choisir les livres ePub à ajouter",
                                 "Elegir los libros ePub que añadir"),
    "ePub books (*.epub)": ("ePub-Bücher (*.epub)", "Livres ePub (*.epub)", "Libros ePub (*.epub)"),
    "All files (*)": ("Alle Dateien (*)", "Tous les fichiers (*)", "Todos los archivos (*)"),
    "Choose the folder for the books": ("Ordner für die Bücher wählen", "Choisir le dossier des livres",
                                        "Elegir la carpeta para los libros"),
    "Choose a folder of ePub books to add": (
        "Ordner mit ePub-Büchern zum Hinzufügen wählen", "Choisir un dossier de livres ePub à ajouter",
        "Elegir una carpeta de libros ePub que añadir"),
    "Are you sure, delete the item?": (
        "Wirklich löschen?", f"Voulez-vous vraiment supprimer{NB}?", "¿Seguro que quiere eliminarlo?"),
    '"%1" (%2) is already on the device. Add it again?': (
        "„%1“ (%2) ist schon auf dem Gerät. Noch einmal hinzufügen?",
        f"«{NB}%1{NB}» (%2) est déjà sur l’appareil. L’ajouter à nouveau{NB}?",
        "«%1» (%2) ya está en el dispositivo. ¿Añadirlo de nuevo?"),
    "Skip": ("Überspringen", "Ignorer", "Omitir"),
    "Add Again": ("Nochmals hinzufügen", "Ajouter à nouveau", "Añadir de nuevo"),
    "Skip All": ("Alle überspringen", "Tout ignorer", "Omitir todos"),
}
# Plural forms, in the order of each language's numerus forms (all three have one and many).
PLURALS = {
    "%n folder(s) read": (("%n Ordner gelesen", "%n Ordner gelesen"),
                          ("%n dossier lu", "%n dossiers lus"),
                          ("%n carpeta leída", "%n carpetas leídas")),
}
LANGUAGES = {"de": 0, "fr": 1, "es": 2}


def fill(path, column):
    tree = ET.parse(path)
    missing = []
    for context in tree.getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            source = message.findtext("source")
            translation = message.find("translation")
            if message.get("numerus") == "yes":
                forms = PLURALS.get(source)
                if not forms:
                    missing.append(source)
                    continue
                for child in list(translation):
                    translation.remove(child)
                for form in forms[column]:
                    ET.SubElement(translation, "numerusform").text = form
            else:
                words = WORDS.get((name, source)) or WORDS.get(source)
                if not words:
                    missing.append(source)
                    continue
                translation.text = words[column]
            translation.attrib.pop("type", None)
    # Written as lupdate writes it (contexts at the margin), so its next run changes nothing.
    ET.indent(tree, space="    ")
    text = ET.tostring(tree.getroot(), encoding="unicode")
    text = re.sub(r">([^<]*)<", lambda m: ">" + m.group(1).replace("'", "&apos;").replace('"', "&quot;").replace(NB, "&#xa0;") + "<",
                  text)
    lines = [line[4:] if line.startswith("    ") else line for line in text.split("\n")]
    with open(path, "w", encoding="utf-8") as out:
        out.write('<?xml version="1.0" encoding="utf-8"?>\n<!DOCTYPE TS>\n' + "\n".join(lines) + "\n")
    return missing


def main():
    here = pathlib.Path(__file__).resolve().parent
    unfinished = 0
    for language, column in LANGUAGES.items():
        missing = fill(here / f"bookferry_{language}.ts", column)
        unfinished += len(missing)
        for source in missing:
            print(f"bookferry_{language}.ts: no translation for {source!r}", file=sys.stderr)
    return 1 if unfinished else 0


if __name__ == "__main__":
    sys.exit(main())
