#pragma once

#include "extract/ExtractionSettings.h"

#include <QByteArray>

#include <array>
#include <string>

inline constexpr const char* SettingsOrganisation = "QX Software";
inline constexpr const char* SettingsApplication = "Pixgatherer";

// The full month names of the system locale, January first.
std::array<std::string, ExtractionSettings::MonthCount> DefaultMonthNames();

// The user's stored settings, each missing or unreadable value replaced by its default. Flags
// always comes back with exactly one character per column.
ExtractionSettings LoadSettings();
// Stores every setting; false when the store could not be written.
bool SaveSettings(const ExtractionSettings& settings);

// The main window's size and place (QWidget::saveGeometry), kept beside the settings in a group of
// their own; empty when none is stored.
QByteArray LoadWindowGeometry();
bool SaveWindowGeometry(const QByteArray& geometry);

// The folder of the help pages: the machine-wide "install_path", else the data folder of the copy
// that is running.
std::string HelpFolder();
