// fotoharvester: the window. Loads the settings, shows the main window until it is closed; the
// window saves the settings as it closes.

#include "settings/SettingsStore.h"
#include "metadata/ReaderPool.h"
#include "platform/Interrupt.h"
#include "ui/AppInfo.h"
#include "ui/HelpPages.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QDir>

#include <cstdio>
#include <string_view>

namespace {

void PrintUsage()
{
    std::fputs(R"(Usage: fotoharvester [OPTION]... [FOLDER]
Opens the Fotoharvester window, which gathers the metadata of the photos in a folder (JPEG, TIFF,
HEIC/HEIF, camera RAW, DNG, PNG and WebP) into one delimited text file, one line per photo.
fotoharvester-cli runs the same extraction from scripts.

FOLDER, or a photo in it, is put in as the folder to scan; without it the window shows the folder
of last time.

  --help      show this text and exit
  --version   show the version and exit

Qt's own options, such as -platform and -style, are accepted too.
)",
               stdout);
    const QStringList folders = DefaultHelpFolders();
    const QString index = FindHelpIndex(folders);
    if (!index.isEmpty()) {
        std::printf("\nHelp pages (F1): %s\n", qPrintable(QDir::toNativeSeparators(index)));
    } else {
        std::printf("\nHelp pages (F1): not found; looked for in:\n");
        for (const QString& folder : folders)
            std::printf("  %s\n", qPrintable(QDir::toNativeSeparators(folder)));
    }
}

}  // namespace

int main(int argc, char* argv[])
{
    // Answered before QApplication exists, which needs a display: these must work over ssh and in
    // package checks.
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "--version") {
            std::printf("fotoharvester %s\n", VersionNumber());
            return 0;
        }
        if (argument == "--help" || argument == "-h") {
            PrintUsage();
            return 0;
        }
    }

    QApplication application(argc, argv);
    QApplication::setOrganizationName(QString::fromLatin1(OrganisationName));
    QApplication::setApplicationName(QString::fromLatin1(ApplicationName));
    QApplication::setWindowIcon(ApplicationIcon());
    // Lets the desktop match the window to its menu entry, and so to the icon the entry names.
    QGuiApplication::setDesktopFileName(QStringLiteral(FOTOHARVESTER_APP_ID));

    // Logging out or a kill ends the window at once, and must leave no temporary file behind.
    platform::InstallTerminationHandler();
    ReaderPool readers(ReaderPool::DefaultOptions());
    MainWindow window(LoadSettings(), readers);
    // Qt has taken out its own options by now.
    window.OpenArguments(QApplication::arguments().mid(1));
    window.exec();
    return 0;
}
