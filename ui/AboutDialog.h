#pragma once

#include <QDialog>

// The About box: name, version and the image library's notice. It has no logic of its own.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};
