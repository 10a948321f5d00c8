#pragma once

#include <QObject>

#include <functional>

class QUrl;

// Opens files, folders and pages with the programs the desktop has for them, and tells, possibly a
// moment later, when nothing could open one. On Linux and the like Qt counts an address as opened
// once xdg-open has started, and xdg-open then fails unseen on a desktop with no program for the
// file; here its exit status is watched instead.
class DesktopOpener : public QObject {
public:
    explicit DesktopOpener(QObject* parent = nullptr);
    // Programs already opened stay open; an xdg-open still deciding is stopped.
    ~DesktopOpener() override;

    // `notOpened` is called when nothing could open the address.
    void Open(const QUrl& address, const std::function<void()>& notOpened);
};
