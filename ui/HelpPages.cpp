#include "ui/HelpPages.h"

#include "settings/SettingsStore.h"
#include "platform/ChildProcess.h"

#include <QDir>
#include <QFileInfo>

QStringList DefaultHelpFolders()
{
    const QString installed = QString::fromStdString(HelpFolder());
    // The executable's own folder rather than QCoreApplication's: `fotoharvester --help` names the
    // help pages before any application object exists.
    const QDir programFolder(QString::fromStdString(platform::ExecutableFolder()));
    QStringList folders;
    if (!installed.isEmpty())
        folders << installed << QDir(installed).filePath(QStringLiteral("help"));
    // The copy the build puts beside the program, so that help works before installing even when
    // "install_path" points elsewhere.
    folders << QDir::cleanPath(programFolder.filePath(QStringLiteral("../share/fotoharvester/help")));
    return folders;
}

QString FindHelpIndex(const QStringList& folders)
{
    for (const QString& folder : folders) {
        const QFileInfo index(QDir(folder).filePath(QStringLiteral("index.html")));
        if (index.isFile())
            return index.absoluteFilePath();
    }
    return {};
}
