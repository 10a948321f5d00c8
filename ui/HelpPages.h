#pragma once

#include <QString>
#include <QStringList>

// The folders F1 looks in for the help pages, in order: the machine-wide "install_path" (and its
// help sub-folder), which by default is the data folder of the running copy, then the copy the
// build puts beside the program.
QStringList DefaultHelpFolders();

// The index page in the first of `folders` that has one; empty when none has.
QString FindHelpIndex(const QStringList& folders);
