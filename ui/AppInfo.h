#pragma once

#include <QIcon>
#include <QString>

#include <initializer_list>

class QPushButton;

// The program's name as the system knows it: message box titles, the settings of the desktop.
inline constexpr const char* ApplicationName = "fotoharvester";
inline constexpr const char* OrganisationName = "QX Software";

// The project version, "major.minor.patch", as `--version` prints it.
const char* VersionNumber();
// "QX's Fotoharvester <version> Beta": the main window's title.
QString MainWindowTitle();
// "Fotoharvester <version> Beta": the About box's line.
QString ProductLine();

// The program's icon, drawn rather than shipped so that it needs no image plug-in.
QIcon ApplicationIcon();

// Gives the buttons one common width with room around the longest caption: the style's minimum
// width is fixed in pixels and grows tight at large font sizes.
void MatchButtonWidths(std::initializer_list<QPushButton*> buttons);
