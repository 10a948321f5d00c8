<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>AboutDialog</name>
    <message>
        <source>About Fotoharvester</source>
        <translation>Über Fotoharvester</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>FreeImage is used under the GNU General Public License, version 3.</source>
        <translation>FreeImage wird unter der GNU General Public License, Version 3, verwendet.</translation>
    </message>
    <message>
        <source>This software uses the FreeImage open source image library.
See https://freeimage.sourceforge.io for details.</source>
        <translation>Diese Software verwendet die quelloffene Bildbibliothek FreeImage.
Einzelheiten unter https://freeimage.sourceforge.io.</translation>
    </message>
    <message>
        <source>libexiv2 (https://exiv2.org) is used under the GNU General Public License, version 2 or later.</source>
        <translation>libexiv2 (https://exiv2.org) wird unter der GNU General Public License, Version 2 oder neuer, verwendet.</translation>
    </message>
    <message>
        <source>Fotoharvester is free software under the GNU General Public License, version 3 or later, and comes with no warranty.</source>
        <translation>Fotoharvester ist freie Software unter der GNU General Public License, Version 3 oder neuer, und wird ohne jede Gewährleistung geliefert.</translation>
    </message>
</context>
<context>
    <name>Columns</name>
    <message>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Uhrzeit</translation>
    </message>
    <message>
        <source>Date and time</source>
        <translation>Datum und Uhrzeit</translation>
    </message>
    <message>
        <source>Camera manufacturer and model</source>
        <translation>Kamerahersteller und -modell</translation>
    </message>
    <message>
        <source>Camera manufacturer</source>
        <translation>Kamerahersteller</translation>
    </message>
    <message>
        <source>Camera model</source>
        <translation>Kameramodell</translation>
    </message>
    <message>
        <source>Lens model</source>
        <translation>Objektivmodell</translation>
    </message>
    <message>
        <source>Width x height</source>
        <translation>Breite x Höhe</translation>
    </message>
    <message>
        <source>Size of image file</source>
        <translation>Größe der Bilddatei</translation>
    </message>
    <message>
        <source>Exposure (1/sec)</source>
        <translation>Belichtungszeit (1/s)</translation>
    </message>
    <message>
        <source>Aperture (F-number)</source>
        <translation>Blende (Blendenzahl)</translation>
    </message>
    <message>
        <source>ISO</source>
        <translation>ISO</translation>
    </message>
    <message>
        <source>Was flash used?</source>
        <translation>Blitz ausgelöst?</translation>
    </message>
    <message>
        <source>Distance</source>
        <translation>Entfernung</translation>
    </message>
    <message>
        <source>Focal length</source>
        <translation>Brennweite</translation>
    </message>
    <message>
        <source>User comment</source>
        <translation>Benutzerkommentar</translation>
    </message>
    <message>
        <source>GPS latitude</source>
        <translation>GPS-Breitengrad</translation>
    </message>
    <message>
        <source>GPS longitude</source>
        <translation>GPS-Längengrad</translation>
    </message>
    <message>
        <source>GPS altitude</source>
        <translation>GPS-Höhe</translation>
    </message>
    <message>
        <source>GPS date/time</source>
        <translation>GPS-Datum/-Uhrzeit</translation>
    </message>
    <message>
        <source>GPS Direction</source>
        <translation>GPS-Richtung</translation>
    </message>
    <message>
        <source>IPTC Headline</source>
        <translation>IPTC-Überschrift</translation>
    </message>
    <message>
        <source>IPTC Description</source>
        <translation>IPTC-Beschreibung</translation>
    </message>
    <message>
        <source>IPTC Keywords</source>
        <translation>IPTC-Stichwörter</translation>
    </message>
    <message>
        <source>XP Keywords</source>
        <translation>XP-Stichwörter</translation>
    </message>
    <message>
        <source>XP Comments</source>
        <translation>XP-Kommentare</translation>
    </message>
    <message>
        <source>XP Author</source>
        <translation>XP-Autor</translation>
    </message>
    <message>
        <source>XP Title</source>
        <translation>XP-Titel</translation>
    </message>
    <message>
        <source>XP Subject</source>
        <translation>XP-Betreff</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Enter a filename</source>
        <translation>Dateinamen eingeben</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Choose files</source>
        <translation>Dateien wählen</translation>
    </message>
    <message>
        <source>&amp;Folder to scan:</source>
        <translation>&amp;Ordner zum Durchsuchen:</translation>
    </message>
    <message>
        <source>Choose the folder to scan</source>
        <translation>Den zu durchsuchenden Ordner wählen</translation>
    </message>
    <message>
        <source>Include photos in s&amp;ub-folders</source>
        <translation>Fotos in &amp;Unterordnern einbeziehen</translation>
    </message>
    <message>
        <source>&amp;Output filename :</source>
        <translation>Ausgabe&amp;datei:</translation>
    </message>
    <message>
        <source>Choose the output file</source>
        <translation>Die Ausgabedatei wählen</translation>
    </message>
    <message>
        <source>Also write a &amp;map file (GeoJSON)</source>
        <translation>Auch eine &amp;Kartendatei schreiben (GeoJSON)</translation>
    </message>
    <message>
        <source>Writes the positions of the photos that have one beside the output file, with the extension .geojson, for map programs such as QGIS</source>
        <translation>Schreibt die Aufnahmeorte der Fotos, die einen haben, neben die Ausgabedatei, mit der Endung .geojson, für Kartenprogramme wie QGIS</translation>
    </message>
    <message>
        <source>Select &amp;data</source>
        <translation>Daten aus&amp;wählen</translation>
    </message>
    <message>
        <source>Data to write</source>
        <translation>Zu schreibende Daten</translation>
    </message>
    <message>
        <source>Add &amp;column headings</source>
        <translation>&amp;Spaltenüberschriften einfügen</translation>
    </message>
    <message>
        <source>Use full file &amp;path in file names</source>
        <translation>Vollständigen Datei&amp;pfad als Dateinamen verwenden</translation>
    </message>
    <message>
        <source>Add ta&amp;g…</source>
        <translation>Ta&amp;g hinzufügen…</translation>
    </message>
    <message>
        <source>Add any tag the photos may hold as a column of its own</source>
        <translation>Ein beliebiges Tag, das die Fotos enthalten können, als eigene Spalte hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Remove tag</source>
        <translation>Tag ent&amp;fernen</translation>
    </message>
    <message>
        <source>Remove the added tag chosen in the list</source>
        <translation>Das in der Liste gewählte hinzugefügte Tag entfernen</translation>
    </message>
    <message>
        <source>&amp;All</source>
        <translation>&amp;Alle</translation>
    </message>
    <message>
        <source>Tick every column (Ctrl+A in the list)</source>
        <translation>Alle Spalten ankreuzen (Strg+A in der Liste)</translation>
    </message>
    <message>
        <source>&amp;None</source>
        <translation>Kei&amp;ne</translation>
    </message>
    <message>
        <source>Untick every column (Ctrl+Shift+A in the list)</source>
        <translation>Kreuze bei allen Spalten entfernen (Strg+Umschalt+A in der Liste)</translation>
    </message>
    <message>
        <source>&amp;Separator character:</source>
        <translation>&amp;Trennzeichen:</translation>
    </message>
    <message>
        <source>&amp;Extract</source>
        <translation>E&amp;xtrahieren</translation>
    </message>
    <message>
        <source>Se&amp;tup</source>
        <translation>&amp;Einstellungen</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Press F1 for help.</source>
        <translation>F1 drücken für Hilfe.</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Photos done</source>
        <translation>Bearbeitete Fotos</translation>
    </message>
    <message>
        <source>%v of %m photos</source>
        <translation>%v von %m Fotos</translation>
    </message>
    <message>
        <source>A&amp;bort</source>
        <translation>Abbre&amp;chen</translation>
    </message>
    <message>
        <source>&amp;About Fotoharvester...</source>
        <translation>Ü&amp;ber Fotoharvester...</translation>
    </message>
    <message>
        <source>Tick &amp;all</source>
        <translation>&amp;Alle ankreuzen</translation>
    </message>
    <message>
        <source>Tick &amp;none</source>
        <translation>&amp;Keine ankreuzen</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>&amp;Open file</source>
        <translation>Datei ö&amp;ffnen</translation>
    </message>
    <message>
        <source>&amp;Show in folder</source>
        <translation>Im &amp;Ordner zeigen</translation>
    </message>
    <message>
        <source>No program on this computer could open %1.</source>
        <translation>Kein Programm auf diesem Computer konnte %1 öffnen.</translation>
    </message>
    <message>
        <source>The help pages were not found. They are looked for in:
%1</source>
        <translation>Die Hilfeseiten wurden nicht gefunden. Gesucht wurde in:
%1</translation>
    </message>
    <message>
        <source>No program on this computer could open the help pages. You can open %1 in a web browser.</source>
        <translation>Kein Programm auf diesem Computer konnte die Hilfeseiten öffnen. Sie können %1 in einem Webbrowser öffnen.</translation>
    </message>
    <message>
        <source>Text (*.csv *.txt)</source>
        <translation>Text (*.csv *.txt)</translation>
    </message>
    <message>
        <source>Spreadsheet (*.xlsx)</source>
        <translation>Tabelle (*.xlsx)</translation>
    </message>
</context>
<context>
    <name>Messages</name>
    <message>
        <source>The folder %1 cannot be opened (%2). Please reenter it or use the browse button to locate the folder.</source>
        <translation>Der Ordner %1 kann nicht geöffnet werden (%2). Bitte geben Sie ihn erneut ein oder suchen Sie ihn mit der Schaltfläche zum Durchsuchen.</translation>
    </message>
    <message>
        <source>EXIF data have been successfully extracted from %3 files and stored in %2.</source>
        <translation>Die EXIF-Daten von %3 Dateien wurden erfolgreich extrahiert und in %2 gespeichert.</translation>
    </message>
    <message>
        <source>Folder to scan cannot be empty. Please fill in or select a folder.</source>
        <translation>Der zu durchsuchende Ordner darf nicht leer sein. Bitte geben Sie einen Ordner ein oder wählen Sie einen.</translation>
    </message>
    <message>
        <source>Cannot open the file %1 for storing the extracted data (%2). Please check that the folder exists.</source>
        <translation>Die Datei %1 kann zum Speichern der extrahierten Daten nicht geöffnet werden (%2). Bitte prüfen Sie, ob der Ordner existiert.</translation>
    </message>
    <message>
        <source>Extracting data...</source>
        <translation>Daten werden extrahiert...</translation>
    </message>
    <message>
        <source>Duplicate filenames found: %2. Do you want to continue?
To avoid this problem, use the full path option. </source>
        <translation>Doppelte Dateinamen gefunden: %2. Möchten Sie fortfahren?
Um dieses Problem zu vermeiden, verwenden Sie die Option für den vollständigen Dateipfad. </translation>
    </message>
    <message>
        <source>%1 of these files could not be read as photos: none of their metadata is in the output.</source>
        <translation>%1 dieser Dateien konnten nicht als Fotos gelesen werden: Keine ihrer Metadaten steht in der Ausgabe.</translation>
    </message>
    <message>
        <source>The extracted data could not be written to %1 (%2). Please check that the disk is not full and that the file may be written.</source>
        <translation>Die extrahierten Daten konnten nicht in %1 geschrieben werden (%2). Bitte prüfen Sie, ob der Datenträger voll ist und ob die Datei geschrieben werden darf.</translation>
    </message>
    <message>
        <source>The output file %1 is one of the photos to be read. Please choose another output file.</source>
        <translation>Die Ausgabedatei %1 ist eines der zu lesenden Fotos. Bitte wählen Sie eine andere Ausgabedatei.</translation>
    </message>
    <message>
        <source>%1 folders could not be opened: any photos in them are missing from the file.</source>
        <translation>%1 Ordner konnten nicht geöffnet werden: Fotos darin fehlen in der Datei.</translation>
    </message>
    <message>
        <source>%1 folder could not be opened: any photos in it are missing from the file.</source>
        <translation>%1 Ordner konnte nicht geöffnet werden: Fotos darin fehlen in der Datei.</translation>
    </message>
    <message>
        <source>No photo can be read: the photo reader %1 could not be started (%2). Nothing was written.</source>
        <translation>Es kann kein Foto gelesen werden: Das Leseprogramm %1 konnte nicht gestartet werden (%2). Es wurde nichts geschrieben.</translation>
    </message>
    <message>
        <source>The output file %1 is being written by another extraction. Please wait until it has ended, or choose another output file.</source>
        <translation>Die Ausgabedatei %1 wird gerade von einer anderen Extraktion geschrieben. Bitte warten Sie, bis diese beendet ist, oder wählen Sie eine andere Ausgabedatei.</translation>
    </message>
    <message>
        <source>The map file %2 shows %1 of them; photos without a position (%3) are left out.</source>
        <translation>Die Kartendatei %2 zeigt %1 davon; Fotos ohne Aufnahmeort (%3) sind nicht enthalten.</translation>
    </message>
    <message>
        <source>EXIF data have been extracted from %2 of %4 files and stored in %3.</source>
        <translation>Die EXIF-Daten von %2 der %4 Dateien wurden extrahiert und in %3 gespeichert.</translation>
    </message>
    <message>
        <source>Stopped after %1 photos; %2 holds the records written so far.</source>
        <translation>Nach %1 Fotos abgebrochen; %2 enthält die bis dahin geschriebenen Datensätze.</translation>
    </message>
    <message>
        <source>Stopped after %1 photo; %2 holds the records written so far.</source>
        <translation>Nach %1 Foto abgebrochen; %2 enthält die bis dahin geschriebenen Datensätze.</translation>
    </message>
    <message>
        <source>No column is ticked, so there is nothing to write. Please tick the columns you want in the list.</source>
        <translation>Keine Spalte ist angekreuzt, es gibt also nichts zu schreiben. Bitte kreuzen Sie die gewünschten Spalten in der Liste an.</translation>
    </message>
    <message>
        <source>The separator character cannot be empty, a quote or a line break: the fields could not be read back. Please choose a separator, or type one.</source>
        <translation>Das Trennzeichen darf weder leer noch ein Anführungszeichen oder ein Zeilenumbruch sein: Die Felder ließen sich nicht wieder lesen. Bitte wählen Sie ein Trennzeichen oder geben Sie eines ein.</translation>
    </message>
    <message>
        <source>Output filename cannot be empty. Please fill in a name or choose a file.</source>
        <translation>Der Name der Ausgabedatei darf nicht leer sein. Bitte geben Sie einen Namen ein oder wählen Sie eine Datei.</translation>
    </message>
    <message>
        <source>The output filename %1 has no name before its extension. Please fill in a name or choose a file.</source>
        <translation>Der Name der Ausgabedatei %1 hat keinen Namen vor der Endung. Bitte geben Sie einen Namen ein oder wählen Sie eine Datei.</translation>
    </message>
    <message>
        <source>%1 of them had none of the chosen values and got no line in the file.</source>
        <translation>%1 davon hatten keinen der gewählten Werte und erhielten keine Zeile in der Datei.</translation>
    </message>
    <message>
        <source>Stopped after %1 photos. Do you want to keep the records read so far?
Yes puts them in place of %2; No keeps %2 as before.</source>
        <translation>Nach %1 Fotos abgebrochen. Möchten Sie die bis dahin gelesenen Datensätze behalten?
Ja setzt sie an die Stelle von %2; Nein lässt %2 wie zuvor.</translation>
    </message>
    <message>
        <source>Stopped after %1 photo. Do you want to keep the records read so far?
Yes puts them in place of %2; No keeps %2 as before.</source>
        <translation>Nach %1 Foto abgebrochen. Möchten Sie die bis dahin gelesenen Datensätze behalten?
Ja setzt sie an die Stelle von %2; Nein lässt %2 wie zuvor.</translation>
    </message>
    <message>
        <source>The output file %1 is a symbolic link that another user made in a folder anyone may write to, so it is not followed, and nothing was written. Please choose another output file, or remove the link.</source>
        <translation>Die Ausgabedatei %1 ist eine symbolische Verknüpfung, die ein anderer Benutzer in einem Ordner angelegt hat, in den jeder schreiben darf. Sie wird daher nicht verfolgt, und es wurde nichts geschrieben. Bitte wählen Sie eine andere Ausgabedatei oder entfernen Sie die Verknüpfung.</translation>
    </message>
    <message>
        <source>Stopped before any photo was read; nothing was written.</source>
        <translation>Abgebrochen, bevor ein Foto gelesen wurde; es wurde nichts geschrieben.</translation>
    </message>
</context>
<context>
    <name>Separators</name>
    <message>
        <source>, (comma)</source>
        <translation>, (Komma)</translation>
    </message>
    <message>
        <source>: (colon)</source>
        <translation>: (Doppelpunkt)</translation>
    </message>
    <message>
        <source>; (semi colon)</source>
        <translation>; (Semikolon)</translation>
    </message>
    <message>
        <source>Tab</source>
        <translation>Tabulator</translation>
    </message>
</context>
<context>
    <name>SetupDialog</name>
    <message>
        <source>YYYY:MM:DD HH:MI:SS</source>
        <translation>JJJJ:MM:TT HH:MI:SS</translation>
    </message>
    <message>
        <source>DD month YYYY HH:MI:SS</source>
        <translation>TT Monat JJJJ HH:MI:SS</translation>
    </message>
    <message>
        <source>month DD YYYY HH:MI:SS</source>
        <translation>Monat TT JJJJ HH:MI:SS</translation>
    </message>
    <message>
        <source>YYYY-MM-DD HH:MI:SS</source>
        <translation>JJJJ-MM-TT HH:MI:SS</translation>
    </message>
    <message>
        <source>DD-MM-YYYY HH:MI:SS</source>
        <translation>TT-MM-JJJJ HH:MI:SS</translation>
    </message>
    <message>
        <source>DD/MM/YYYY HH:MI:SS</source>
        <translation>TT/MM/JJJJ HH:MI:SS</translation>
    </message>
    <message>
        <source>MM/DD/YYYY HH:MI:SS</source>
        <translation>MM/TT/JJJJ HH:MI:SS</translation>
    </message>
    <message>
        <source>DD.MM.YYYY HH:MI:SS</source>
        <translation>TT.MM.JJJJ HH:MI:SS</translation>
    </message>
    <message>
        <source>YYYY/MM/DD HH:MI:SS</source>
        <translation>JJJJ/MM/TT HH:MI:SS</translation>
    </message>
    <message>
        <source>Setup</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Month names</source>
        <translation>&amp;Monatsnamen</translation>
    </message>
    <message>
        <source>&amp;Date format:</source>
        <translation>&amp;Datumsformat:</translation>
    </message>
    <message>
        <source>Include &amp;sub-seconds 
Will only work with some cameras</source>
        <translation>&amp;Sekundenbruchteile einbeziehen 
Funktioniert nur bei manchen Kameras</translation>
    </message>
    <message>
        <source>&amp;Photo formats:</source>
        <translation>&amp;Fotoformate:</translation>
    </message>
    <message>
        <source>JPEG and TIFF only</source>
        <translation>Nur JPEG und TIFF</translation>
    </message>
    <message>
        <source>All photo formats</source>
        <translation>Alle Fotoformate</translation>
    </message>
    <message>
        <source>Starts the file with a byte-order mark, so that spreadsheets read its accents right, and puts an apostrophe before any text that a spreadsheet would take as a formula.</source>
        <translation>Beginnt die Datei mit einer Byte-Reihenfolge-Markierung, damit Tabellenkalkulationen ihre Umlaute und Akzente richtig lesen, und setzt ein Apostroph vor jeden Text, den eine Tabellenkalkulation als Formel nehmen würde.</translation>
    </message>
    <message>
        <source>&amp;For spreadsheets</source>
        <translation>Für &amp;Tabellenkalkulationen</translation>
    </message>
    <message>
        <source>Photos and videos</source>
        <translation>Fotos und Videos</translation>
    </message>
    <message>
        <source>All photo formats: JPEG and TIFF, and HEIC, camera RAW (CR3 among them), DNG, PNG, WebP and JPEG XL.
Photos and videos: those, and the MP4, MOV, M4V and 3GP videos of phones and cameras.</source>
        <translation>Alle Fotoformate: JPEG und TIFF sowie HEIC, Kamera-RAW (auch CR3), DNG, PNG, WebP und JPEG XL.
Fotos und Videos: diese und die MP4-, MOV-, M4V- und 3GP-Videos von Handys und Kameras.</translation>
    </message>
</context>
<context>
    <name>TagDialog</name>
    <message>
        <source>Add tag</source>
        <translation>Tag hinzufügen</translation>
    </message>
    <message>
        <source>Group</source>
        <translation>Gruppe</translation>
    </message>
    <message>
        <source>Label</source>
        <translation>Bezeichnung</translation>
    </message>
    <message>
        <source>Key</source>
        <translation>Schlüssel</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Beschreibung</translation>
    </message>
    <message>
        <source>Type part of a group, label, key or description</source>
        <translation>Teil einer Gruppe, Bezeichnung, eines Schlüssels oder einer Beschreibung eingeben</translation>
    </message>
    <message>
        <source>Choose a tag above, or type its key: Xmp.xmp.Rating</source>
        <translation>Oben ein Tag wählen oder seinen Schlüssel eingeben: Xmp.xmp.Rating</translation>
    </message>
    <message>
        <source>The list of tags could not be had (%1); a key typed in is taken as it is.</source>
        <translation>Die Liste der Tags war nicht zu bekommen (%1); ein eingegebener Schlüssel wird so übernommen, wie er ist.</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Filter:</source>
        <translation>&amp;Filter:</translation>
    </message>
    <message>
        <source>&amp;Key:</source>
        <translation>&amp;Schlüssel:</translation>
    </message>
    <message>
        <source>libexiv2 knows no tag %1.</source>
        <translation>libexiv2 kennt kein Tag %1.</translation>
    </message>
</context>
</TS>
