// fotoharvester: the window. Loads the settings, shows the main window until it is closed; the
// window saves the settings as it closes.

#include "app/SettingsStore.h"
#include "metadata/ReaderPool.h"
#include "ui/AppInfo.h"
#include "ui/CFotoharvesterDlg.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QString::fromLatin1(OrganisationName));
    QApplication::setApplicationName(QString::fromLatin1(ApplicationName));
    QApplication::setWindowIcon(ApplicationIcon());

    ReaderPool readers(ReaderPool::DefaultOptions());
    CFotoharvesterDlg window(LoadSettings(), readers);
    window.exec();
    return 0;
}
