#pragma once
// Every text the user can see, in one table. Sources are UTF-8; the compiler
// turns these literals into code page 1252 bytes.
// Line breaks in message texts are a lone CR.

namespace txt {

// --- Application, message boxes ------------------------------------------
inline constexpr const char* AppTitle = "KELvar 5.0 - Setup";
inline constexpr const char* CaptionWarning = "Warnung";
inline constexpr const char* CaptionError = "Fehler";
inline constexpr const char* CaptionInformation = "Information";
inline constexpr const char* CaptionConfirmation = "Bestätigung";
inline constexpr const char* BtnOk = "OK";
inline constexpr const char* BtnYes = "&Ja";
inline constexpr const char* BtnNo = "&Nein";
inline constexpr const char* BtnCancel = "Abbrechen";
// Shown by Windows when a logoff or shutdown waits for the installation run.
inline constexpr const char* SessionEndReason = "Die Installation von KELvar 5.0 läuft noch.";

// --- Runtime error texts --------------------------------------------------
inline constexpr const char* SFileNotFound = "Datei nicht gefunden";
inline constexpr const char* SInvalidFilename = "Ungültiger Dateiname";
inline constexpr const char* STooManyOpenFiles = "Zu viele geöffnete Dateien";
inline constexpr const char* SAccessDenied = "Dateizugriff verweigert";
inline constexpr const char* SEndOfFile = "Über das Dateiende hinaus gelesen";
inline constexpr const char* SDiskFull = "Disk voll";
inline constexpr const char* SInOutError = "E/A-Fehler %d";
inline constexpr const char* SFCreateError = "Datei %s kann nicht erstellt werden";
inline constexpr const char* SFOpenError = "Datei %s kann nicht geöffnet werden";
inline constexpr const char* SReadError = "Stream-Read-Fehler";
inline constexpr const char* SWriteError = "Stream-Write-Fehler";
inline constexpr const char* SInvalidRegType = "Ungültiger Datentyp für '%s'";
inline constexpr const char* SCannotCreateDir = "Das Verzeichnis kann nicht erstellt werden";
inline constexpr const char* SOutOfMemory = "Zu wenig Arbeitsspeicher";
inline constexpr const char* SUnknownError = "Unbekannter Fehler";

// --- Wizard window --------------------------------------------------------
inline constexpr const char* MainCaption = "KELvar 5.0 - Setup (für Windows NT/2000)";
inline constexpr const char* BtnBack = "&Zurück";
inline constexpr const char* BtnNext = "&Weiter";
inline constexpr const char* BtnAbort = "&Abbrechen";
inline constexpr const char* BtnInstall = "&Installieren";
inline constexpr const char* AskCancelSetup = "Möchten Sie das Setup wirklich abbrechen?";

// Welcome page
inline constexpr const char* WelcomeHeading = "Willkommen beim KELvar 5.0 - Setup!";
inline constexpr const char* WelcomeLine1 =
    "Bevor Sie mit KELvar arbeiten können, muß das Programm";
inline constexpr const char* WelcomeLine2 =
    "installiert werden. Mit diesem Installations-Programm werden alle";
inline constexpr const char* WelcomeLine3 =
    "benötigten Dateien in ein frei definierbares Verzeichnis kopiert.";
inline constexpr const char* WelcomeLine4 =
    "Dabei werden keine Dateien in Fremdverzeichnisse kopiert und";
inline constexpr const char* WelcomeLine5 =
    "auch keine Einträge in der Registry oder in sonstigen System-";
inline constexpr const char* WelcomeLine6 = "dateien angelegt.";
inline constexpr const char* WelcomeLine7 =
    "Klicken Sie auf 'Weiter', um mit dem Installations-Vorgang";
inline constexpr const char* WelcomeLine8 = "fortzufahren!";

// Agreement page
inline constexpr const char* LicenceHeading = "Lizenz-Bestimmungen:";
inline constexpr const char* AgreeBox = "Ja, ich bin mit den Lizenz-Bestimmungen einverstanden!";
// The licence text: 32 lines of at most 76 characters, three of them empty.
inline constexpr const char* Licence[32] = {
    "KELvar 5.0 - Lizenzvereinbarung für Endanwender",
    "",
    "Bitte lesen Sie die folgenden Bestimmungen sorgfältig durch. Mit der",
    "Installation von KELvar 5.0 erklären Sie sich mit ihnen einverstanden.",
    "",
    "1. Nutzungsrecht: Sie erhalten das einfache, nicht übertragbare Recht,",
    "   KELvar 5.0 auf einem Computer zu installieren und zu benutzen.",
    "2. Sicherungskopie: Sie dürfen eine Kopie der Programmdateien zu",
    "   Sicherungszwecken anfertigen. Weitere Vervielfältigungen sind",
    "   ohne schriftliche Zustimmung des Herstellers nicht gestattet.",
    "3. Änderungen: Das Programm darf weder verändert noch zurückentwickelt,",
    "   dekompiliert oder disassembliert werden.",
    "4. Weitergabe: Vermietung, Verleih und gewerbliche Weitergabe des",
    "   Programms oder seiner Teile sind untersagt.",
    "5. Gewährleistung: KELvar 5.0 wurde mit großer Sorgfalt entwickelt und",
    "   geprüft. Dennoch kann nicht ausgeschlossen werden, dass es Fehler",
    "   enthält. Der Hersteller gewährleistet nur, dass das Programm im",
    "   Wesentlichen der Beschreibung in der Hilfe entspricht.",
    "6. Haftung: Für Schäden, die aus der Benutzung oder der Unmöglichkeit",
    "   der Benutzung entstehen, haftet der Hersteller nur bei Vorsatz und",
    "   grober Fahrlässigkeit. Die Haftung für Datenverlust ist auf den",
    "   Aufwand beschränkt, der bei regelmäßiger Datensicherung entsteht.",
    "7. Datenschutz: KELvar liest Verzeichnisse, Dateiangaben und Namen von",
    "   Registry-Schlüsseln nur ein, um Veränderungen festzustellen. Es",
    "   werden keine Daten gelöscht, verändert oder übertragen.",
    "8. Deinstallation: Zum Entfernen genügt es, das KELvar-Verzeichnis zu",
    "   löschen. Es bleiben keine Einträge in Systemdateien zurück.",
    "9. Schlussbestimmungen: Es gilt das Recht der Bundesrepublik",
    "   Deutschland. Sollte eine Bestimmung unwirksam sein, so bleiben die",
    "   übrigen Bestimmungen davon unberührt.",
    "",
    "Copyright (c) KELvar Software. Alle Rechte vorbehalten.",
};

// Name page
inline constexpr const char* NameIntro1 =
    "Geben Sie nun bitte Ihren Namen und jenes Verzeichnis an, in welches";
inline constexpr const char* NameIntro2 = "KELvar 5.0 installiert werden soll.";
inline constexpr const char* NameCaption = "Name:";
inline constexpr const char* TargetCaption = "Zielverzeichnis:";
inline constexpr const char* BrowseLink = "Durchsuchen...";

// Drive page
inline constexpr const char* DriveIntro1 =
    "Damit KELvar 5.0 Veränderungen an einem Laufwerk feststellen kann,";
inline constexpr const char* DriveIntro2 =
    "müssen Sie jetzt jenes Laufwerk angeben, welches KELvar später auf";
inline constexpr const char* DriveIntro3 =
    "Veränderungen überprüfen soll. Es wird empfohlen, jenes Laufwerk auszu-";
inline constexpr const char* DriveIntro4 = "wählen, auf welches KELvar installiert wird.";
inline constexpr const char* DriveCaption = "Laufwerk:";
inline constexpr const char* DesignationCaption = "Bezeichnung:";
inline constexpr const char* DesignationDefault = "Festplatte";

// Summary page
inline constexpr const char* SummaryIntro1 =
    "Die Installations-Vorbereitung ist nun abgeschlossen. Bevor Sie KELvar 5.0";
inline constexpr const char* SummaryIntro2 =
    "installieren, überprüfen Sie noch, ob Sie alle Daten richtig eingegeben haben.";
inline constexpr const char* SummaryIntro3 =
    "Wurden alle Daten korrekt eingegeben, so klicken Sie auf 'Installieren', um";
inline constexpr const char* SummaryIntro4 = "mit der Installation zu beginnen.";
inline constexpr const char* SummaryNameCaption = "Name:";
inline constexpr const char* SummaryTargetCaption = "Zielverzeichnis:";
inline constexpr const char* SummaryDriveCaption = "Einzulesendes Laufwerk:";
inline constexpr const char* SummaryDesignationCaption = "Bezeichnung:";

// Progress page
inline constexpr const char* CopyStepTitle = "1. Dateien von KELvar kopieren";
inline constexpr const char* DriveStepTitle = "2. Einlesen des Laufwerkes";
inline constexpr const char* CopyingCaption = "Kopiere Datei";
inline constexpr const char* CopyToCaption = "nach";
inline constexpr const char* DriveNote1 =
    "Es wird nun das zuvor angegebene Laufwerk eingelesen. Dabei";
inline constexpr const char* DriveNote2 =
    "werden keine Daten des Laufwerkes gelöscht oder verändert.";
inline constexpr const char* ReadingDriveCaption = "Einzulesendes Laufwerk:";

// --- Page checks ----------------------------------------------------------
inline constexpr const char* MustAgree =
    "Sie müssen den Lizenz-Bestimmungen zustimmen, um mit\rdem Setup fortfahren zu können!";
inline constexpr const char* NoName = "Sie müssen noch Ihren Namen angeben!";
inline constexpr const char* NoTarget = "Sie müssen noch ein Zielverzeichnis angeben!";
inline constexpr const char* TargetExists =
    "Das angegebene Verzeichnis existiert bereits!\r\rGeben Sie bitte ein anderes "
    "Zielverzeichnis an!";
inline constexpr const char* NotWindowsDrive =
    "Auf dem Ziellaufwerk ist kein Windows installiert!\r\rInstallieren Sie bitte KELvar auf "
    "ein Laufwerk, auf dem Windows installiert ist!";
inline constexpr const char* TooLittleSpace =
    "Auf dem ausgewählten Laufwerk stehen keine 20 MB freier Speicher\rzur Verfügung!\rBitte "
    "machen Sie den benötigten Speicherplatz frei, damit Sie mit der\rInstallation fortfahren "
    "können!";
inline constexpr const char* DriveNotAccessible =
    "Auf das ausgewählte Laufwerk kann nicht zugegriffen werden!";
// Directory picker
inline constexpr const char* PickerCaption = "Verzeichnis auswählen";
inline constexpr const char* PickerPath = "Verzeichnis&name:";
inline constexpr const char* PickerDirs = "&Verzeichnisse:";
inline constexpr const char* PickerFiles = "&Dateien: (*.*)";
inline constexpr const char* PickerDrives = "&Laufwerke:";
inline constexpr const char* PickerNetwork = "Ne&tzwerk...";
inline constexpr const char* PickerAskCreate =
    "Das angegebene Verzeichnis existiert nicht. Soll es angelegt werden?";

// --- Installation run -----------------------------------------------------
inline constexpr const char* TempDirBusy[4] = {
    "Um mit dem Setup fortfahren zu können, müssen Sie das",
    "oben angegebene Verzeichnis löschen, da das Setup-",
    "Programm dieses Verzeichis als temporäre Ablage der zu",
    "installierenden Dateien benötigt!",
};
inline constexpr const char* TempDirNotCreated =
    "Temporäres Verzeichnis kann nicht angelegt werden!";
inline constexpr const char* TargetNotCreated =
    "Das Zielverzeichnis kann nicht angelegt werden!\r\rGeben Sie bitte ein anderes "
    "Zielverzeichnis an!";
inline constexpr const char* FileNotCreated = "Datei kann nicht erstellt werden!";
inline constexpr const char* TempDirNotRemoved =
    "Vom Setup angelegtes (temporäres) Verzeichnis kann nicht gelöscht werden!";
inline constexpr const char* FinalQuestion =
    "Setup erfolgreich abgeschlossen!\r\r"
    "Hinweis: Falls Sie einmal KELvar von der Festplatte entfernen\r"
    "möchten, so brauchen Sie nur das KELvar-Verzeichnis löschen\r"
    "und schon ist KELvar deinstalliert!\r\r"
    "Möchten Sie jetzt KELvar 5.0 starten?";
inline constexpr const char* Kvrinf2Marker = "KVR-INF_DAT";

// --- Archive component ----------------------------------------------------
// Error table of the archive component, by code 1 to 7.
inline constexpr const char* ArcErrorTexts[7] = {
    "Datei kann nicht gelesen werden",
    "Überschreiben der Datei nicht möglich",
    "Archiv kann nicht gelesen werden",
    "Auf das Archiv kann nicht zugegriffen werden",
    "Ungültiger Archiv-Typ",
    "Kompressions-Fehler",
    "Temporäre Datei kann zum Speichern der Datei-Infos nicht erstellt werden",
};
inline constexpr const char* ArcCannotRead = "Archiv kann nicht gelesen werden";
inline constexpr const char* ArcInvalidType = "Ungültiger Archiv-Typ";
inline constexpr const char* ArcInsertDisk =
    "Legen Sie bitte Diskette %s ein und klicken Sie auf OK, um fortzufahren!";

// --- Snapshots ------------------------------------------------------------
inline constexpr const char* RegistryReading = "Registry wird eingelesen!";

// --- Shortcut dialog ------------------------------------------------------
inline constexpr const char* ShortcutCaption = "Verknüpfung erstellen";
inline constexpr const char* ShortcutHeading = "Verknüpfung erstellen:";
inline constexpr const char* ShortcutOnDesktop = "auf dem &Desktop";
inline constexpr const char* ShortcutInStartMenu = "im &Start-Menü";
inline constexpr const char* ShortcutInPrograms = "im Menü '&Programme'";
inline constexpr const char* BtnCreateShortcuts = "&Verknüpfung erstellen";
inline constexpr const char* BtnNoShortcuts = "&Keine Verknüpfung erstellen";
// Every shortcut: file name in the special folder, target below TargetDir, comment.
inline constexpr const char* ShortcutFileName = "KELvar 5.0.lnk";
inline constexpr const char* ShortcutTargetName = "\\Launch.exe";
inline constexpr const char* ShortcutDescription = "KELvar 5.0";

} // namespace txt
