#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Bookferry developers
"""Fills the <translation> elements of the .ts files from the word lists below.

Run after lupdate has added new source texts: `python3 translations/fill.py`. A text without an
entry is left unfinished and reported, so nothing new goes out half translated unnoticed.
Terms kept throughout: device = Gerät / appareil / dispositivo; book list = Bücherliste /
liste de livres / lista de libros; Custom Books = Eigene Bücher / Livres personnels / Libros
propios; check (mark) = abhaken / cocher / marcar; export = exportieren / exporter / exportar;
book catalogue = Buchkatalog / catalogue des livres / catálogo de libros; scratch folder =
temporärer Ordner / dossier temporaire / carpeta temporal.
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
    # Handing files over from the desktop.
    "Books are being copied. Open the new books again when that has finished.": (
        "Es werden gerade Bücher kopiert. Öffnen Sie die neuen Bücher noch einmal, wenn das abgeschlossen ist.",
        "Des livres sont en cours de copie. Ouvrez à nouveau les nouveaux livres quand ce sera terminé.",
        "Se están copiando libros. Vuelva a abrir los libros nuevos cuando termine."),
    "1 file was not found.": ("1 Datei wurde nicht gefunden.", "1 fichier n’a pas été trouvé.", "No se encontró 1 archivo."),
    "%1 files were not found.": ("%1 Dateien wurden nicht gefunden.", "%1 fichiers n’ont pas été trouvés.",
                                 "No se encontraron %1 archivos."),
    "1 file that is no ePub book is left out.": (
        "1 Datei, die kein ePub-Buch ist, wird ausgelassen.", "1 fichier qui n’est pas un livre ePub est laissé de côté.",
        "Se omite 1 archivo que no es un libro ePub."),
    "%1 files that are no ePub books are left out.": (
        "%1 Dateien, die keine ePub-Bücher sind, werden ausgelassen.",
        "%1 fichiers qui ne sont pas des livres ePub sont laissés de côté.",
        "Se omiten %1 archivos que no son libros ePub."),
    'No ePub book (a file whose name ends in ".epub") was found among the files given.': (
        "Unter den angegebenen Dateien ist kein ePub-Buch (eine Datei, deren Name auf „.epub“ endet).",
        f"Aucun livre ePub (un fichier dont le nom se termine par «{NB}.epub{NB}») ne figure parmi les fichiers donnés.",
        "Entre los archivos indicados no hay ningún libro ePub (un archivo cuyo nombre termina en «.epub»)."),
    "Add 1 book to %1 on %2?": ("1 Buch zu %1 auf %2 hinzufügen?", f"Ajouter 1 livre à %1 sur %2{NB}?",
                                "¿Añadir 1 libro a %1 en %2?"),
    "Add %1 books to %2 on %3?": ("%1 Bücher zu %2 auf %3 hinzufügen?", f"Ajouter %1 livres à %2 sur %3{NB}?",
                                  "¿Añadir %1 libros a %2 en %3?"),
    # The device layer: what the device or the link to it said. "Trust" is the button the device
    # shows in its own language.
    "UnKnow Product Version": ("Unbekannte Softwareversion", "Version du logiciel inconnue",
                               "Versión de software desconocida"),
    "UnKnow Serial Number": ("Unbekannte Seriennummer", "Numéro de série inconnu", "Número de serie desconocido"),
    "cannot write the book's copy in the scratch folder (%1): %2": (
        "die Kopie des Buchs lässt sich nicht in den temporären Ordner schreiben (%1): %2",
        f"impossible d’écrire la copie du livre dans le dossier temporaire (%1){NB}: %2",
        "no se puede escribir la copia del libro en la carpeta temporal (%1): %2"),
    "the book holds a link, which is not followed: %1": (
        "das Buch enthält eine Verknüpfung, der nicht gefolgt wird: %1",
        f"le livre contient un lien, qui n’est pas suivi{NB}: %1", "el libro contiene un enlace, que no se sigue: %1"),
    "the book holds something that is neither a folder nor a file: %1": (
        "das Buch enthält etwas, das weder Ordner noch Datei ist: %1",
        f"le livre contient un élément qui n’est ni un dossier ni un fichier{NB}: %1",
        "el libro contiene algo que no es ni una carpeta ni un archivo: %1"),
    "the book's folders nest too deep: %1": (
        "die Ordner des Buchs sind zu tief verschachtelt: %1",
        f"les dossiers du livre sont imbriqués trop profondément{NB}: %1",
        "las carpetas del libro están anidadas a demasiada profundidad: %1"),
    "The apps of the device could not be read: %1.": (
        "Die Apps des Geräts ließen sich nicht lesen: %1.", f"Les apps de l’appareil n’ont pas pu être lues{NB}: %1.",
        "No se pudieron leer las apps del dispositivo: %1."),
    "The app's folder on the device cannot be opened.": (
        "Der Ordner der App auf dem Gerät lässt sich nicht öffnen.",
        "Le dossier de l’app sur l’appareil ne peut pas être ouvert.",
        "No se puede abrir la carpeta de la app en el dispositivo."),
    "Unlock the iPhone and try again.": (
        "Entsperren Sie das iPhone und versuchen Sie es erneut.", "Déverrouillez l’iPhone et réessayez.",
        "Desbloquee el iPhone y vuelva a intentarlo."),
    "The app is no longer on the device, or it no longer shares its documents. Reconnect the device to see its apps again.": (
        "Die App ist nicht mehr auf dem Gerät oder gibt ihre Dokumente nicht mehr frei. Schließen Sie das Gerät erneut an, um seine Apps wieder zu sehen.",
        "L’app n’est plus sur l’appareil, ou elle ne partage plus ses documents. Rebranchez l’appareil pour revoir ses apps.",
        "La app ya no está en el dispositivo o ya no comparte sus documentos. Vuelva a conectar el dispositivo para ver de nuevo sus apps."),
    "Unplug the device, plug it in again and try again.": (
        "Trennen Sie das Gerät, schließen Sie es wieder an und versuchen Sie es erneut.",
        "Débranchez l’appareil, rebranchez-le et réessayez.",
        "Desconecte el dispositivo, vuelva a conectarlo e inténtelo de nuevo."),
    "The device reported an unexpected error (%1 %2). ": (
        "Das Gerät meldete einen unerwarteten Fehler (%1 %2). ", "L’appareil a signalé une erreur inattendue (%1 %2). ",
        "El dispositivo informó de un error inesperado (%1 %2). "),
    "This computer is not trusted by the device. Unlock the device and tap Trust, then try again.": (
        "Das Gerät vertraut diesem Computer nicht. Entsperren Sie das Gerät, tippen Sie auf „Vertrauen“ und versuchen Sie es dann erneut.",
        f"L’appareil ne se fie pas à cet ordinateur. Déverrouillez l’appareil et touchez «{NB}Se fier{NB}», puis réessayez.",
        "El dispositivo no confía en este ordenador. Desbloquee el dispositivo y toque «Confiar»; después vuelva a intentarlo."),
    "The device identifier is not valid. Check the identifier and try again.": (
        "Die Gerätekennung ist ungültig. Prüfen Sie die Kennung und versuchen Sie es erneut.",
        "L’identifiant de l’appareil n’est pas valide. Vérifiez l’identifiant et réessayez.",
        "El identificador del dispositivo no es válido. Compruebe el identificador y vuelva a intentarlo."),
    "The device is not connected, or the usbmuxd service is not running. Connect the device with a USB cable and make sure usbmuxd is running.": (
        "Das Gerät ist nicht angeschlossen, oder der Dienst usbmuxd läuft nicht. Schließen Sie das Gerät mit einem USB-Kabel an und sorgen Sie dafür, dass usbmuxd läuft.",
        "L’appareil n’est pas branché, ou le service usbmuxd ne tourne pas. Branchez l’appareil avec un câble USB et vérifiez que usbmuxd tourne.",
        "El dispositivo no está conectado o el servicio usbmuxd no está en marcha. Conecte el dispositivo con un cable USB y asegúrese de que usbmuxd esté en marcha."),
    "The connection to the device was interrupted. ": (
        "Die Verbindung zum Gerät wurde unterbrochen. ", "La connexion à l’appareil a été interrompue. ",
        "Se interrumpió la conexión con el dispositivo. "),
    "The secure connection to the device failed. ": (
        "Die sichere Verbindung zum Gerät ist fehlgeschlagen. ", "La connexion sécurisée à l’appareil a échoué. ",
        "Falló la conexión segura con el dispositivo. "),
    "The device stopped answering. ": (
        "Das Gerät antwortet nicht mehr. ", "L’appareil ne répond plus. ", "El dispositivo ha dejado de responder. "),
    "The device is locked. Unlock it, tap Trust if asked, and try again.": (
        "Das Gerät ist gesperrt. Entsperren Sie es, tippen Sie auf „Vertrauen“, falls gefragt, und versuchen Sie es erneut.",
        f"L’appareil est verrouillé. Déverrouillez-le, touchez «{NB}Se fier{NB}» si la question est posée, et réessayez.",
        "El dispositivo está bloqueado. Desbloquéelo, toque «Confiar» si se le pregunta y vuelva a intentarlo."),
    "The device is asking whether to trust this computer. Unlock the device and tap Trust, then try again.": (
        "Das Gerät fragt, ob es diesem Computer vertrauen soll. Entsperren Sie das Gerät, tippen Sie auf „Vertrauen“ und versuchen Sie es dann erneut.",
        f"L’appareil demande s’il doit se fier à cet ordinateur. Déverrouillez l’appareil et touchez «{NB}Se fier{NB}», puis réessayez.",
        "El dispositivo pregunta si debe confiar en este ordenador. Desbloquee el dispositivo y toque «Confiar»; después vuelva a intentarlo."),
    "Trust was declined on the device. Unplug it, plug it in again, unlock it and tap Trust.": (
        "Das Vertrauen wurde auf dem Gerät abgelehnt. Trennen Sie es, schließen Sie es wieder an, entsperren Sie es und tippen Sie auf „Vertrauen“.",
        f"La confiance a été refusée sur l’appareil. Débranchez-le, rebranchez-le, déverrouillez-le et touchez «{NB}Se fier{NB}».",
        "Se rechazó la confianza en el dispositivo. Desconéctelo, vuelva a conectarlo, desbloquéelo y toque «Confiar»."),
    "The trust record for the device could not be saved. Check that usbmuxd is running and its folder is writable, then try again.": (
        "Der Vertrauenseintrag für das Gerät ließ sich nicht speichern. Prüfen Sie, ob usbmuxd läuft und in seinen Ordner schreiben darf, und versuchen Sie es dann erneut.",
        "L’enregistrement de confiance de l’appareil n’a pas pu être sauvegardé. Vérifiez que usbmuxd tourne et que son dossier est accessible en écriture, puis réessayez.",
        "No se pudo guardar el registro de confianza del dispositivo. Compruebe que usbmuxd está en marcha y que puede escribir en su carpeta; después vuelva a intentarlo."),
    "The trust record for this device is damaged. Remove it (idevicepair unpair), then unlock the device and tap Trust.": (
        "Der Vertrauenseintrag für dieses Gerät ist beschädigt. Entfernen Sie ihn (idevicepair unpair), entsperren Sie dann das Gerät und tippen Sie auf „Vertrauen“.",
        f"L’enregistrement de confiance de cet appareil est endommagé. Supprimez-le (idevicepair unpair), puis déverrouillez l’appareil et touchez «{NB}Se fier{NB}».",
        "El registro de confianza de este dispositivo está dañado. Elimínelo (idevicepair unpair) y después desbloquee el dispositivo y toque «Confiar»."),
    "The secure session with the device could not be set up. ": (
        "Die sichere Sitzung mit dem Gerät ließ sich nicht aufbauen. ",
        "La session sécurisée avec l’appareil n’a pas pu être établie. ",
        "No se pudo establecer la sesión segura con el dispositivo. "),
    " If it keeps failing, remove this computer's trust record (idevicepair unpair) and tap Trust again.": (
        " Wenn es weiter fehlschlägt, entfernen Sie den Vertrauenseintrag dieses Computers (idevicepair unpair) und tippen Sie erneut auf „Vertrauen“.",
        f" Si l’échec persiste, supprimez l’enregistrement de confiance de cet ordinateur (idevicepair unpair) et touchez à nouveau «{NB}Se fier{NB}».",
        " Si sigue fallando, elimine el registro de confianza de este ordenador (idevicepair unpair) y vuelva a tocar «Confiar»."),
    "Lost contact with the device. Check the cable, then unplug the device and plug it in again.": (
        "Die Verbindung zum Gerät ist abgerissen. Prüfen Sie das Kabel, trennen Sie dann das Gerät und schließen Sie es wieder an.",
        "Le contact avec l’appareil a été perdu. Vérifiez le câble, puis débranchez l’appareil et rebranchez-le.",
        "Se perdió el contacto con el dispositivo. Compruebe el cable y después desconecte el dispositivo y vuelva a conectarlo."),
    "The device has been restarted and is still locked. Unlock it once and try again.": (
        "Das Gerät wurde neu gestartet und ist noch gesperrt. Entsperren Sie es einmal und versuchen Sie es erneut.",
        "L’appareil a redémarré et est encore verrouillé. Déverrouillez-le une fois et réessayez.",
        "El dispositivo se ha reiniciado y sigue bloqueado. Desbloquéelo una vez y vuelva a intentarlo."),
    "The device's settings or its management profile do not allow this computer to connect. Check the device's restrictions.": (
        "Die Einstellungen des Geräts oder sein Verwaltungsprofil erlauben diesem Computer keine Verbindung. Prüfen Sie die Einschränkungen des Geräts.",
        "Les réglages de l’appareil ou son profil de gestion n’autorisent pas cet ordinateur à se connecter. Vérifiez les restrictions de l’appareil.",
        "Los ajustes del dispositivo o su perfil de gestión no permiten que este ordenador se conecte. Compruebe las restricciones del dispositivo."),
    "The device refused to open its file service. ": (
        "Das Gerät hat es abgelehnt, seinen Dateidienst zu öffnen. ", "L’appareil a refusé d’ouvrir son service de fichiers. ",
        "El dispositivo se negó a abrir su servicio de archivos. "),
    "The device does not offer a service this program needs. Update the device's software and try again.": (
        "Das Gerät bietet einen Dienst nicht an, den dieses Programm braucht. Aktualisieren Sie die Software des Geräts und versuchen Sie es erneut.",
        "L’appareil n’offre pas un service dont ce programme a besoin. Mettez à jour le logiciel de l’appareil et réessayez.",
        "El dispositivo no ofrece un servicio que este programa necesita. Actualice el software del dispositivo y vuelva a intentarlo."),
    "The device is not activated. Finish setting it up, then connect it again.": (
        "Das Gerät ist nicht aktiviert. Richten Sie es fertig ein und schließen Sie es dann erneut an.",
        "L’appareil n’est pas activé. Terminez sa configuration, puis rebranchez-le.",
        "El dispositivo no está activado. Termine de configurarlo y después vuelva a conectarlo."),
    "The session with the device ended unexpectedly. ": (
        "Die Sitzung mit dem Gerät endete unerwartet. ", "La session avec l’appareil s’est terminée de façon inattendue. ",
        "La sesión con el dispositivo terminó de forma inesperada. "),
    "The device did not give out the information asked for. Unlock the device and try again.": (
        "Das Gerät hat die erfragten Angaben nicht herausgegeben. Entsperren Sie das Gerät und versuchen Sie es erneut.",
        "L’appareil n’a pas fourni les informations demandées. Déverrouillez l’appareil et réessayez.",
        "El dispositivo no facilitó la información solicitada. Desbloquee el dispositivo y vuelva a intentarlo."),
    "The device gave an answer this program does not understand. ": (
        "Das Gerät gab eine Antwort, die dieses Programm nicht versteht. ",
        "L’appareil a donné une réponse que ce programme ne comprend pas. ",
        "El dispositivo dio una respuesta que este programa no entiende. "),
    "The file or folder does not exist on the device.": (
        "Die Datei oder der Ordner existiert auf dem Gerät nicht.", "Le fichier ou le dossier n’existe pas sur l’appareil.",
        "El archivo o la carpeta no existe en el dispositivo."),
    "A folder is in the way of a file on the device.": (
        "Auf dem Gerät steht ein Ordner einer Datei im Weg.", "Un dossier occupe la place d’un fichier sur l’appareil.",
        "Una carpeta ocupa el lugar de un archivo en el dispositivo."),
    "A file or folder of that name already exists on the device.": (
        "Auf dem Gerät gibt es schon eine Datei oder einen Ordner mit diesem Namen.",
        "Un fichier ou un dossier de ce nom existe déjà sur l’appareil.",
        "Ya existe en el dispositivo un archivo o una carpeta con ese nombre."),
    "The folder on the device is not empty.": (
        "Der Ordner auf dem Gerät ist nicht leer.", "Le dossier sur l’appareil n’est pas vide.",
        "La carpeta del dispositivo no está vacía."),
    "The device does not allow access to this file or folder.": (
        "Das Gerät erlaubt keinen Zugriff auf diese Datei oder diesen Ordner.",
        "L’appareil n’autorise pas l’accès à ce fichier ou à ce dossier.",
        "El dispositivo no permite acceder a este archivo o carpeta."),
    "The device is full. Free some space on it and try again.": (
        "Das Gerät ist voll. Schaffen Sie dort etwas Platz und versuchen Sie es erneut.",
        "L’appareil est plein. Libérez-y de l’espace et réessayez.",
        "El dispositivo está lleno. Libere algo de espacio en él y vuelva a intentarlo."),
    "Another program is syncing with the device. Wait until it has finished and try again.": (
        "Ein anderes Programm synchronisiert gerade mit dem Gerät. Warten Sie, bis es fertig ist, und versuchen Sie es erneut.",
        "Un autre programme se synchronise avec l’appareil. Attendez qu’il ait terminé et réessayez.",
        "Otro programa se está sincronizando con el dispositivo. Espere a que termine y vuelva a intentarlo."),
    "The device or this computer ran out of memory. Close other programs and try again.": (
        "Dem Gerät oder diesem Computer ist der Speicher ausgegangen. Schließen Sie andere Programme und versuchen Sie es erneut.",
        "L’appareil ou cet ordinateur manque de mémoire. Fermez d’autres programmes et réessayez.",
        "El dispositivo o este ordenador se ha quedado sin memoria. Cierre otros programas y vuelva a intentarlo."),
    "Reading or writing on the device failed. ": (
        "Lesen oder Schreiben auf dem Gerät ist fehlgeschlagen. ", "La lecture ou l’écriture sur l’appareil a échoué. ",
        "Falló la lectura o la escritura en el dispositivo. "),
    "The device refused the request as invalid.": (
        "Das Gerät hat die Anfrage als ungültig abgelehnt.", "L’appareil a refusé la demande comme non valide.",
        "El dispositivo rechazó la solicitud por no ser válida."),
    "The operation on the device was interrupted. Try again.": (
        "Der Vorgang auf dem Gerät wurde unterbrochen. Versuchen Sie es erneut.",
        "L’opération sur l’appareil a été interrompue. Réessayez.",
        "La operación en el dispositivo se interrumpió. Vuelva a intentarlo."),
    "The device's file service reported an error. ": (
        "Der Dateidienst des Geräts meldete einen Fehler. ", "Le service de fichiers de l’appareil a signalé une erreur. ",
        "El servicio de archivos del dispositivo informó de un error. "),
    "The notification could not be sent to the device: it is not valid.": (
        "Die Benachrichtigung ließ sich nicht an das Gerät senden: Sie ist ungültig.",
        f"La notification n’a pas pu être envoyée à l’appareil{NB}: elle n’est pas valide.",
        "No se pudo enviar la notificación al dispositivo: no es válida."),
    "Lost contact with the device while notifying it. Check the cable, then unplug the device and plug it in again.": (
        "Die Verbindung zum Gerät riss ab, während es benachrichtigt wurde. Prüfen Sie das Kabel, trennen Sie dann das Gerät und schließen Sie es wieder an.",
        "Le contact avec l’appareil a été perdu pendant sa notification. Vérifiez le câble, puis débranchez l’appareil et rebranchez-le.",
        "Se perdió el contacto con el dispositivo mientras se le notificaba. Compruebe el cable y después desconecte el dispositivo y vuelva a conectarlo."),
    "Lost contact with the device while opening the app's files. Check the cable, then unplug the device and plug it in again.": (
        "Die Verbindung zum Gerät riss ab, während die Dateien der App geöffnet wurden. Prüfen Sie das Kabel, trennen Sie dann das Gerät und schließen Sie es wieder an.",
        "Le contact avec l’appareil a été perdu pendant l’ouverture des fichiers de l’app. Vérifiez le câble, puis débranchez l’appareil et rebranchez-le.",
        "Se perdió el contacto con el dispositivo al abrir los archivos de la app. Compruebe el cable y después desconecte el dispositivo y vuelva a conectarlo."),
    "The device refused to open the app's files (%1). ": (
        "Das Gerät hat es abgelehnt, die Dateien der App zu öffnen (%1). ",
        "L’appareil a refusé d’ouvrir les fichiers de l’app (%1). ",
        "El dispositivo se negó a abrir los archivos de la app (%1). "),
    "This program does not use the device service %1.": (
        "Dieses Programm verwendet den Gerätedienst %1 nicht.", "Ce programme n’utilise pas le service d’appareil %1.",
        "Este programa no usa el servicio del dispositivo %1."),
    # The operations: why a book did not go, as the failure window lists it. "Path" and "Books"
    # are the catalogue's own names and stay as they are.
    "cannot write in the scratch folder": (
        "in den temporären Ordner lässt sich nicht schreiben", "impossible d’écrire dans le dossier temporaire",
        "no se puede escribir en la carpeta temporal"),
    "the book could not be read from the device": (
        "das Buch ließ sich nicht vom Gerät lesen", "le livre n’a pas pu être lu depuis l’appareil",
        "no se pudo leer el libro del dispositivo"),
    "%1 leads through a link: only the app's own Documents folder is used": (
        "%1 führt über eine Verknüpfung: Nur der eigene Dokumente-Ordner der App wird verwendet",
        f"%1 passe par un lien{NB}: seul le dossier Documents propre à l’app est utilisé",
        "%1 pasa por un enlace: solo se usa la carpeta Documentos propia de la app"),
    "no book %1 in the app": ("kein Buch %1 in der App", "aucun livre %1 dans l’app", "no hay ningún libro %1 en la app"),
    "a book in an app is named by its path in the app's Documents folder": (
        "ein Buch in einer App wird mit seinem Pfad im Dokumente-Ordner der App angegeben",
        "un livre d’une app se désigne par son chemin dans le dossier Documents de l’app",
        "un libro de una app se indica por su ruta en la carpeta Documentos de la app"),
    'the path %1 has an empty, "." or ".." part': (
        "der Pfad %1 hat einen leeren Teil, „.“ oder „..“",
        f"le chemin %1 a une partie vide, «{NB}.{NB}» ou «{NB}..{NB}»",
        "la ruta %1 tiene una parte vacía, «.» o «..»"),
    "%1 is not an ePub (its name does not end in .epub)": (
        "%1 ist kein ePub (der Name endet nicht auf .epub)", "%1 n’est pas un ePub (son nom ne se termine pas par .epub)",
        "%1 no es un ePub (su nombre no termina en .epub)"),
    "not a file: %1": ("keine Datei: %1", f"pas un fichier{NB}: %1", "no es un archivo: %1"),
    "%1 is not an ePub or a PDF (its name does not end in .epub or .pdf)": (
        "%1 ist weder ein ePub noch ein PDF (der Name endet nicht auf .epub oder .pdf)",
        "%1 n’est ni un ePub ni un PDF (son nom ne se termine pas par .epub ou .pdf)",
        "%1 no es un ePub ni un PDF (su nombre no termina en .epub ni en .pdf)"),
    "%1 is not a PDF": ("%1 ist kein PDF", "%1 n’est pas un PDF", "%1 no es un PDF"),
    "a PDF: the device's own books are ePub only; a reader app that takes PDFs can hold it": (
        "ein PDF: Die eigenen Bücher des Geräts sind nur ePubs; eine Lese-App, die PDFs annimmt, kann es aufnehmen",
        f"un PDF{NB}: les livres de l’appareil sont uniquement des ePub{NB}; une app de lecture qui accepte les PDF peut le recevoir",
        "un PDF: los libros propios del dispositivo son solo ePub; una app de lectura que acepte PDF puede guardarlo"),
    "a PDF, and %1 does not say it takes PDFs": (
        "ein PDF, und %1 gibt nicht an, PDFs anzunehmen", f"un PDF, et %1 n’indique pas accepter les PDF",
        "un PDF, y %1 no indica que acepte PDF"),
    'Nothing that was dropped is an ePub book or a PDF (a file whose name ends in ".epub" or ".pdf").': (
        "Nichts davon ist ein ePub-Buch oder ein PDF (eine Datei, deren Name auf „.epub“ oder „.pdf“ endet).",
        f"Rien de ce qui a été déposé n’est un livre ePub ou un PDF (un fichier dont le nom se termine par «{NB}.epub{NB}» ou «{NB}.pdf{NB}»).",
        "Nada de lo que se soltó es un libro ePub o un PDF (un archivo cuyo nombre termina en «.epub» o «.pdf»)."),
    "ePub books and PDFs (*.epub *.pdf)": ("ePub-Bücher und PDFs (*.epub *.pdf)", "Livres ePub et PDF (*.epub *.pdf)",
                                           "Libros ePub y PDF (*.epub *.pdf)"),
    "PDFs (*.pdf)": ("PDFs (*.pdf)", "PDF (*.pdf)", "PDF (*.pdf)"),
    "Choose ePub books or PDFs to add": ("ePub-Bücher oder PDFs zum Hinzufügen wählen",
                                         "Choisir les livres ePub ou les PDF à ajouter",
                                         "Elegir los libros ePub o los PDF que añadir"),
    "%1 is not an ePub": ("%1 ist kein ePub", "%1 n’est pas un ePub", "%1 no es un ePub"),
    "the scratch folder cannot be used": (
        "der temporäre Ordner ist nicht nutzbar", "le dossier temporaire ne peut pas être utilisé",
        "no se puede usar la carpeta temporal"),
    "the app's Documents folder is a link: only the app's own folder is used": (
        "der Dokumente-Ordner der App ist eine Verknüpfung: Nur der eigene Ordner der App wird verwendet",
        f"le dossier Documents de l’app est un lien{NB}: seul le dossier propre à l’app est utilisé",
        "la carpeta Documentos de la app es un enlace: solo se usa la carpeta propia de la app"),
    "%1 is in the app already and was kept": (
        "%1 ist schon in der App und wurde behalten", "%1 est déjà dans l’app et a été gardé",
        "%1 ya está en la app y se ha conservado"),
    "no free name for %1": ("kein freier Name für %1", "aucun nom libre pour %1", "no hay ningún nombre libre para %1"),
    "cannot read %1": ("%1 lässt sich nicht lesen", "impossible de lire %1", "no se puede leer %1"),
    "The device is full: the book needs %1 bytes. Make room on the device and try again.": (
        "Das Gerät ist voll: Das Buch braucht %1 Byte. Schaffen Sie Platz auf dem Gerät und versuchen Sie es erneut.",
        f"L’appareil est plein{NB}: le livre a besoin de %1 octets. Faites de la place sur l’appareil et réessayez.",
        "El dispositivo está lleno: el libro necesita %1 bytes. Haga sitio en el dispositivo y vuelva a intentarlo."),
    "cannot write in the app's Documents folder": (
        "in den Dokumente-Ordner der App lässt sich nicht schreiben",
        "impossible d’écrire dans le dossier Documents de l’app",
        "no se puede escribir en la carpeta Documentos de la app"),
    "the book could not be written to the device": (
        "das Buch ließ sich nicht auf das Gerät schreiben", "le livre n’a pas pu être écrit sur l’appareil",
        "no se pudo escribir el libro en el dispositivo"),
    "the book could not be given its name %1 in the app": (
        "das Buch ließ sich in der App nicht %1 nennen", "le livre n’a pas pu recevoir son nom %1 dans l’app",
        "no se pudo dar al libro su nombre %1 en la app"),
    "the destination is not a folder: %1": (
        "das Ziel ist kein Ordner: %1", f"la destination n’est pas un dossier{NB}: %1", "el destino no es una carpeta: %1"),
    "the book could not be removed from the app": (
        "das Buch ließ sich nicht aus der App entfernen", "le livre n’a pas pu être retiré de l’app",
        "no se pudo quitar el libro de la app"),
    "only the device's own books are deleted here": (
        "hier werden nur die eigenen Bücher des Geräts gelöscht", "seuls les livres propres à l’appareil sont supprimés ici",
        "aquí solo se eliminan los libros propios del dispositivo"),
    'the book\'s "Path" %1 is also the folder of a book the user did not add': (
        "der „Path“ %1 des Buchs ist auch der Ordner eines Buchs, das nicht selbst hinzugefügt wurde",
        f"le «{NB}Path{NB}» %1 du livre est aussi le dossier d’un livre que l’utilisateur n’a pas ajouté",
        "el «Path» %1 del libro es también la carpeta de un libro que el usuario no añadió"),
    'no book with the "Path" %1 in the catalogue': (
        "kein Buch mit dem „Path“ %1 im Katalog", f"aucun livre avec le «{NB}Path{NB}» %1 dans le catalogue",
        "ningún libro con el «Path» %1 en el catálogo"),
    "the book was taken out of the catalogue, but some of its files remain in %1": (
        "das Buch wurde aus dem Katalog genommen, aber einige seiner Dateien bleiben in %1",
        "le livre a été retiré du catalogue, mais certains de ses fichiers restent dans %1",
        "el libro se quitó del catálogo, pero algunos de sus archivos siguen en %1"),
    "cannot write %1: %2": ("%1 lässt sich nicht schreiben: %2", f"impossible d’écrire %1{NB}: %2",
                            "no se puede escribir %1: %2"),
    "cannot write in %1: %2": ("in %1 lässt sich nicht schreiben: %2", f"impossible d’écrire dans %1{NB}: %2",
                               "no se puede escribir en %1: %2"),
    "%1 exists and was kept": ("%1 ist vorhanden und wurde behalten", "%1 existe et a été gardé",
                               "%1 existe y se ha conservado"),
    "cannot open the device's books folder": (
        "der Bücherordner des Geräts lässt sich nicht öffnen", "impossible d’ouvrir le dossier des livres de l’appareil",
        "no se puede abrir la carpeta de libros del dispositivo"),
    'the book "%1" is not on the device': (
        "das Buch „%1“ ist nicht auf dem Gerät", f"le livre «{NB}%1{NB}» n’est pas sur l’appareil",
        "el libro «%1» no está en el dispositivo"),
    "could not read all of the book from the device": (
        "das Buch ließ sich nicht vollständig vom Gerät lesen", "le livre n’a pas pu être lu en entier depuis l’appareil",
        "no se pudo leer el libro entero del dispositivo"),
    "cannot write the book's copy in the scratch folder: %1": (
        "die Kopie des Buchs lässt sich nicht in den temporären Ordner schreiben: %1",
        f"impossible d’écrire la copie du livre dans le dossier temporaire{NB}: %1",
        "no se puede escribir la copia del libro en la carpeta temporal: %1"),
    "only the device's own books are exported here": (
        "hier werden nur die eigenen Bücher des Geräts exportiert", "seuls les livres propres à l’appareil sont exportés ici",
        "aquí solo se exportan los libros propios del dispositivo"),
    "cannot copy the book to the device": (
        "das Buch lässt sich nicht auf das Gerät kopieren", "impossible de copier le livre sur l’appareil",
        "no se puede copiar el libro al dispositivo"),
    'the device\'s catalogue took the book\'s folder name "%1" meanwhile': (
        "der Katalog des Geräts hat den Ordnernamen „%1“ des Buchs inzwischen vergeben",
        f"le catalogue de l’appareil a pris entre-temps le nom de dossier «{NB}%1{NB}» du livre",
        "el catálogo del dispositivo tomó entretanto el nombre de carpeta «%1» del libro"),
    'not an ePub file (its name does not end in ".epub")': (
        "keine ePub-Datei (der Name endet nicht auf „.epub“)",
        f"pas un fichier ePub (son nom ne se termine pas par «{NB}.epub{NB}»)",
        "no es un archivo ePub (su nombre no termina en «.epub»)"),
    "books are imported into the device's own books only": (
        "Bücher werden nur in die eigenen Bücher des Geräts übertragen",
        "les livres ne sont importés que dans les livres propres à l’appareil",
        "los libros solo se importan a los libros propios del dispositivo"),
    'the book has no "Path" in the catalogue': (
        "das Buch hat keinen „Path“ im Katalog", f"le livre n’a pas de «{NB}Path{NB}» dans le catalogue",
        "el libro no tiene «Path» en el catálogo"),
    'the book\'s "Path" does not name a book folder or book file: %1': (
        "der „Path“ des Buchs nennt keinen Buchordner und keine Buchdatei: %1",
        f"le «{NB}Path{NB}» du livre ne désigne ni un dossier ni un fichier de livre{NB}: %1",
        "el «Path» del libro no indica una carpeta ni un archivo de libro: %1"),
    "the app's Documents folder cannot be opened": (
        "der Dokumente-Ordner der App lässt sich nicht öffnen", "le dossier Documents de l’app ne peut pas être ouvert",
        "no se puede abrir la carpeta Documentos de la app"),
    "no data folder for the catalogue backups (set HOME or BOOKFERRY_DATA_DIR)": (
        "kein Datenordner für die Katalogsicherungen (HOME oder BOOKFERRY_DATA_DIR setzen)",
        "aucun dossier de données pour les copies du catalogue (définissez HOME ou BOOKFERRY_DATA_DIR)",
        "no hay carpeta de datos para las copias del catálogo (defina HOME o BOOKFERRY_DATA_DIR)"),
    "cannot create the backup folder %1: %2": (
        "der Sicherungsordner %1 lässt sich nicht anlegen: %2", f"impossible de créer le dossier des copies %1{NB}: %2",
        "no se puede crear la carpeta de copias %1: %2"),
    "cannot keep a copy of the device's book catalogue before changing it": (
        "vom Buchkatalog des Geräts lässt sich vor der Änderung keine Kopie sichern",
        "impossible de garder une copie du catalogue des livres de l’appareil avant de le modifier",
        "no se puede guardar una copia del catálogo de libros del dispositivo antes de cambiarlo"),
    "cannot write the catalogue backup %1": (
        "die Katalogsicherung %1 lässt sich nicht schreiben", "impossible d’écrire la copie du catalogue %1",
        "no se puede escribir la copia del catálogo %1"),
    "cannot tell whether the device has a book catalogue to back up": (
        "es lässt sich nicht feststellen, ob das Gerät einen Buchkatalog zum Sichern hat",
        "impossible de savoir si l’appareil a un catalogue des livres à garder en copie",
        "no se puede saber si el dispositivo tiene un catálogo de libros que copiar"),
    "no device is connected": ("kein Gerät ist angeschlossen", "aucun appareil n’est branché",
                               "no hay ningún dispositivo conectado"),
    "not a book catalogue: %1": ("kein Buchkatalog: %1", f"pas un catalogue des livres{NB}: %1",
                                 "no es un catálogo de libros: %1"),
    'it has no "Books" array': ("er enthält keine „Books“-Liste", f"il n’a pas de liste «{NB}Books{NB}»",
                                "no tiene la lista «Books»"),
    "this copy was kept for another device (%1)": (
        "diese Kopie wurde für ein anderes Gerät gesichert (%1)", "cette copie a été gardée pour un autre appareil (%1)",
        "esta copia se guardó para otro dispositivo (%1)"),
    "the device's book catalogue is %1 MB, more than the %2 MB this program reads, so it is left as it is": (
        "der Buchkatalog des Geräts hat %1 MB, mehr als die %2 MB, die dieses Programm liest; er bleibt deshalb, wie er ist",
        "le catalogue des livres de l’appareil fait %1 Mo, plus que les %2 Mo que ce programme lit, il est donc laissé tel quel",
        "el catálogo de libros del dispositivo ocupa %1 MB, más que los %2 MB que lee este programa, así que se deja como está"),
    "cannot tell whether the device has a book catalogue": (
        "es lässt sich nicht feststellen, ob das Gerät einen Buchkatalog hat",
        "impossible de savoir si l’appareil a un catalogue des livres",
        "no se puede saber si el dispositivo tiene un catálogo de libros"),
    "cannot copy the device's book catalogue": (
        "der Buchkatalog des Geräts lässt sich nicht kopieren", "impossible de copier le catalogue des livres de l’appareil",
        "no se puede copiar el catálogo de libros del dispositivo"),
    "the device's book catalogue cannot be read, so it is left as it is: %1": (
        "der Buchkatalog des Geräts lässt sich nicht lesen und bleibt deshalb, wie er ist: %1",
        f"le catalogue des livres de l’appareil ne peut pas être lu, il est donc laissé tel quel{NB}: %1",
        "no se puede leer el catálogo de libros del dispositivo, así que se deja como está: %1"),
    "cannot upload the book catalogue to the device": (
        "der Buchkatalog lässt sich nicht auf das Gerät übertragen",
        "impossible d’envoyer le catalogue des livres sur l’appareil",
        "no se puede enviar el catálogo de libros al dispositivo"),
    "the device's catalogue was updated, but its local copy could not be replaced": (
        "der Katalog des Geräts wurde aktualisiert, aber seine lokale Kopie ließ sich nicht ersetzen",
        "le catalogue de l’appareil a été mis à jour, mais sa copie locale n’a pas pu être remplacée",
        "el catálogo del dispositivo se actualizó, pero no se pudo reemplazar su copia local"),
    "cannot replace the book catalogue on the device": (
        "der Buchkatalog auf dem Gerät lässt sich nicht ersetzen",
        "impossible de remplacer le catalogue des livres sur l’appareil",
        "no se puede reemplazar el catálogo de libros en el dispositivo"),
    "the book catalogue was uploaded, but could not be read back from the device to check it": (
        "der Buchkatalog wurde übertragen, ließ sich zur Prüfung aber nicht wieder vom Gerät lesen",
        "le catalogue des livres a été envoyé, mais n’a pas pu être relu depuis l’appareil pour le vérifier",
        "el catálogo de libros se envió, pero no se pudo volver a leer del dispositivo para comprobarlo"),
    "the book catalogue read back from the device differs from the one uploaded": (
        "der vom Gerät zurückgelesene Buchkatalog weicht vom übertragenen ab",
        "le catalogue des livres relu depuis l’appareil diffère de celui envoyé",
        "el catálogo de libros leído de nuevo del dispositivo difiere del enviado"),
    "the transfer was stopped": ("die Übertragung wurde abgebrochen", "le transfert a été arrêté",
                                 "la transferencia se detuvo"),
    "the device was disconnected": ("das Gerät wurde getrennt", "l’appareil a été débranché",
                                    "el dispositivo se desconectó"),
    # The book catalogue as read from and written to a file.
    "no catalogue at %1": ("kein Katalog unter %1", "aucun catalogue à l’emplacement %1", "no hay ningún catálogo en %1"),
    "the catalogue at %1 is empty": ("der Katalog unter %1 ist leer", "le catalogue à l’emplacement %1 est vide",
                                     "el catálogo de %1 está vacío"),
    "the catalogue at %1 is too large": ("der Katalog unter %1 ist zu groß",
                                         "le catalogue à l’emplacement %1 est trop volumineux",
                                         "el catálogo de %1 es demasiado grande"),
    "the catalogue is empty": ("der Katalog ist leer", "le catalogue est vide", "el catálogo está vacío"),
    "the catalogue is not a readable property list": (
        "der Katalog ist keine lesbare Eigenschaftsliste", "le catalogue n’est pas une liste de propriétés lisible",
        "el catálogo no es una lista de propiedades legible"),
    "the catalogue's root is not a dictionary": (
        "die Wurzel des Katalogs ist kein Wörterbuch", "la racine du catalogue n’est pas un dictionnaire",
        "la raíz del catálogo no es un diccionario"),
    'the catalogue\'s "Books" value is not an array': (
        "der Wert „Books“ des Katalogs ist keine Liste", f"la valeur «{NB}Books{NB}» du catalogue n’est pas une liste",
        "el valor «Books» del catálogo no es una lista"),
    "refusing to write a catalogue that was not read": (
        "ein Katalog, der nicht gelesen wurde, wird nicht geschrieben", "un catalogue qui n’a pas été lu n’est pas écrit",
        "no se escribe un catálogo que no se ha leído"),
    "cannot serialise the catalogue": (
        "der Katalog lässt sich nicht zum Schreiben aufbereiten", "impossible de mettre le catalogue en forme pour l’écrire",
        "no se puede preparar el catálogo para escribirlo"),
    "the catalogue holds a key twice in one dictionary; it is left as it is": (
        "der Katalog enthält einen Schlüssel zweimal im selben Wörterbuch; er bleibt, wie er ist",
        f"le catalogue contient deux fois une clé dans un même dictionnaire{NB}; il est laissé tel quel",
        "el catálogo contiene una clave dos veces en un mismo diccionario; se deja como está"),
    "cannot write %1": ("%1 lässt sich nicht schreiben", "impossible d’écrire %1", "no se puede escribir %1"),
    "cannot replace %1": ("%1 lässt sich nicht ersetzen", "impossible de remplacer %1", "no se puede reemplazar %1"),
    # The ePub archive (a zip file) as it is unpacked and packed.
    "not a readable ePub (zip) file: %1": (
        "keine lesbare ePub-Datei (ZIP): %1", f"pas un fichier ePub (zip) lisible{NB}: %1",
        "no es un archivo ePub (zip) legible: %1"),
    "the archive holds too many entries": (
        "das Archiv enthält zu viele Einträge", "l’archive contient trop d’entrées",
        "el archivo comprimido contiene demasiadas entradas"),
    'the archive holds an entry outside its folder: "%1"': (
        "das Archiv enthält einen Eintrag außerhalb seines Ordners: „%1“",
        f"l’archive contient une entrée hors de son dossier{NB}: «{NB}%1{NB}»",
        "el archivo comprimido contiene una entrada fuera de su carpeta: «%1»"),
    'the archive holds a symbolic link: "%1"': (
        "das Archiv enthält eine symbolische Verknüpfung: „%1“",
        f"l’archive contient un lien symbolique{NB}: «{NB}%1{NB}»",
        "el archivo comprimido contiene un enlace simbólico: «%1»"),
    "the archive unpacks to more than the allowed size": (
        "das Archiv wird entpackt größer als erlaubt", "l’archive décompressée dépasse la taille permise",
        "el archivo comprimido, al descomprimirse, supera el tamaño permitido"),
    "the unpack folder already exists: %1": (
        "der Ordner zum Entpacken existiert schon: %1", f"le dossier de décompression existe déjà{NB}: %1",
        "la carpeta para descomprimir ya existe: %1"),
    "cannot create %1": ("%1 lässt sich nicht anlegen", "impossible de créer %1", "no se puede crear %1"),
    "cannot create folder %1": ("der Ordner %1 lässt sich nicht anlegen", "impossible de créer le dossier %1",
                                "no se puede crear la carpeta %1"),
    'cannot read "%1" in the archive: %2': (
        "„%1“ im Archiv lässt sich nicht lesen: %2", f"impossible de lire «{NB}%1{NB}» dans l’archive{NB}: %2",
        "no se puede leer «%1» en el archivo comprimido: %2"),
    'the archive entry "%1" is damaged': (
        "der Archiveintrag „%1“ ist beschädigt", f"l’entrée «{NB}%1{NB}» de l’archive est endommagée",
        "la entrada «%1» del archivo comprimido está dañada"),
    "cannot add mimetype": ("„mimetype“ lässt sich nicht hinzufügen", f"impossible d’ajouter «{NB}mimetype{NB}»",
                            "no se puede añadir «mimetype»"),
    "cannot read the entries of %1": ("die Einträge von %1 lassen sich nicht lesen",
                                      "impossible de lire les entrées de %1", "no se pueden leer las entradas de %1"),
    "cannot carry over %1 from %2: %3": (
        "%1 lässt sich nicht aus %2 übernehmen: %3", f"impossible de reprendre %1 de %2{NB}: %3",
        "no se puede trasladar %1 desde %2: %3"),
    "cannot copy %1: %2": ("%1 lässt sich nicht kopieren: %2", f"impossible de copier %1{NB}: %2",
                           "no se puede copiar %1: %2"),
    "cannot read the folder %1: %2": ("der Ordner %1 lässt sich nicht lesen: %2",
                                      f"impossible de lire le dossier %1{NB}: %2", "no se puede leer la carpeta %1: %2"),
    "cannot add %1: %2": ("%1 lässt sich nicht hinzufügen: %2", f"impossible d’ajouter %1{NB}: %2",
                          "no se puede añadir %1: %2"),
    "nothing to pack at %1": ("unter %1 gibt es nichts zu packen", "rien à empaqueter à l’emplacement %1",
                              "no hay nada que empaquetar en %1"),
    # The scratch folder: the program's private folder for work in progress.
    "it cannot be created (%1)": ("er lässt sich nicht anlegen (%1)", "il ne peut pas être créé (%1)",
                                  "no se puede crear (%1)"),
    "it cannot be read (%1)": ("er lässt sich nicht lesen (%1)", "il ne peut pas être lu (%1)", "no se puede leer (%1)"),
    "it is not a folder": ("er ist kein Ordner", "ce n’est pas un dossier", "no es una carpeta"),
    "it belongs to another user": ("er gehört einem anderen Benutzer", "il appartient à un autre utilisateur",
                                   "pertenece a otro usuario"),
    "it is open to other users and cannot be made private (%1)": (
        "er ist für andere Benutzer offen und lässt sich nicht privat machen (%1)",
        "il est ouvert aux autres utilisateurs et ne peut pas être rendu privé (%1)",
        "está abierta a otros usuarios y no se puede hacer privada (%1)"),
    "The scratch folder %1 cannot be used: %2. Set BOOKFERRY_SCRATCH to a folder of your own.": (
        "Der temporäre Ordner %1 ist nicht nutzbar: %2. Setzen Sie BOOKFERRY_SCRATCH auf einen eigenen Ordner.",
        f"Le dossier temporaire %1 ne peut pas être utilisé{NB}: %2. Définissez BOOKFERRY_SCRATCH sur un dossier à vous.",
        "No se puede usar la carpeta temporal %1: %2. Defina BOOKFERRY_SCRATCH con una carpeta propia."),
    "this program's working folder cannot be made in it (%1)": (
        "der Arbeitsordner dieses Programms lässt sich darin nicht anlegen (%1)",
        "le dossier de travail de ce programme ne peut pas y être créé (%1)",
        "no se puede crear en ella la carpeta de trabajo de este programa (%1)"),
}
# Plural forms, in the order of each language's numerus forms (all three have one and many).
PLURALS = {
    "%n folder(s) read": (("%n Ordner gelesen", "%n Ordner gelesen"),
                          ("%n dossier lu", "%n dossiers lus"),
                          ("%n carpeta leída", "%n carpetas leídas")),
    "%n book(s) of the copy are no longer on the device and were left out:": (
        ("%n Buch der Kopie ist nicht mehr auf dem Gerät und wurde ausgelassen:",
         "%n Bücher der Kopie sind nicht mehr auf dem Gerät und wurden ausgelassen:"),
        (f"%n livre de la copie n’est plus sur l’appareil et a été laissé de côté{NB}:",
         f"%n livres de la copie ne sont plus sur l’appareil et ont été laissés de côté{NB}:"),
        ("%n libro de la copia ya no está en el dispositivo y se ha omitido:",
         "%n libros de la copia ya no están en el dispositivo y se han omitido:")),
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
