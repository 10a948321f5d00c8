#pragma once

#include <QString>
#include <QStringList>
#include <QTranslator>

// The languages the user reads, the most wanted first, as locale names ("de_DE", "de"); empty for
// the program's own English. On Linux and the like they are taken as programs that use gettext
// take them: the list in LANGUAGE, then the locale for messages (LC_ALL, else LC_MESSAGES, else
// LANG), except that a locale of C or POSIX asks for the program's own texts whatever LANGUAGE
// says. Read afresh at every call; elsewhere the system's list of languages.
QStringList UserLanguages();

// The window's texts in one of `languages`: the first the program has a translation for, unless
// English comes before it. The program's translation and Qt's own (the standard buttons and
// dialogs) are installed into the application for as long as this lives. Install it before the
// first window is made: the windows take their texts as they are made.
class WindowLanguage {
public:
    explicit WindowLanguage(const QStringList& languages);
    WindowLanguage(const WindowLanguage&) = delete;
    WindowLanguage& operator=(const WindowLanguage&) = delete;

    // Where the program's translations are: built into it, so that a copy finds them wherever it
    // was installed or moved.
    static QString Folder();

private:
    QTranslator m_program;
    QTranslator m_qt;
};
