#include "ui/DesktopOpener.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

DesktopOpener::DesktopOpener(QObject* parent) : QObject(parent) {}

DesktopOpener::~DesktopOpener()
{
    // xdg-open runs some programs in the foreground and waits for them; stopping it leaves them
    // running, and nobody is told any more how it ends.
    for (QProcess* opening : findChildren<QProcess*>()) {
        opening->disconnect(this);
        opening->kill();
        opening->waitForFinished();
    }
}

void DesktopOpener::Open(const QUrl& address, const std::function<void()>& notOpened)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!xdgOpen.isEmpty()) {
        auto* opening = new QProcess(this);
        opening->setProgram(xdgOpen);
        opening->setArguments({address.isLocalFile() ? address.toLocalFile() : address.toString()});
        opening->setStandardInputFile(QProcess::nullDevice());
        opening->setStandardOutputFile(QProcess::nullDevice());
        opening->setStandardErrorFile(QProcess::nullDevice());
        connect(opening, &QProcess::finished, this, [opening, notOpened](int code, QProcess::ExitStatus status) {
            opening->deleteLater();
            if (status != QProcess::NormalExit || code != 0)
                notOpened();
        });
        connect(opening, &QProcess::errorOccurred, this, [opening, notOpened](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart)
                return;  // a crash or a kill ends in finished() too
            opening->deleteLater();
            notOpened();
        });
        opening->start();
        return;
    }
#endif
    if (!QDesktopServices::openUrl(address))
        notOpened();
}
