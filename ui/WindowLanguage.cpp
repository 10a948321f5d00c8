#include "ui/WindowLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

QStringList UserLanguages()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Read here rather than through QLocale::system(), which Qt reads once and keeps.
    QString messages;
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        messages = qEnvironmentVariable(variable);
        if (!messages.isEmpty())
            break;
    }
    // "de_DE" of "de_DE.UTF-8@euro".
    const QString locale = messages.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    if (locale.isEmpty() || locale == QLatin1String("C") || locale == QLatin1String("POSIX"))
        return {};
    QStringList languages = qEnvironmentVariable("LANGUAGE").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    languages << locale;
    return languages;
#else
    return QLocale::system().uiLanguages();
#endif
}

QString WindowLanguage::Folder()
{
    return QStringLiteral(":/i18n");
}

WindowLanguage::WindowLanguage(const QStringList& languages)
{
    for (const QString& name : languages) {
        const QLocale locale(name);
        if (locale.language() == QLocale::English)
            return;
        if (!m_program.load(locale, QStringLiteral("fotoharvester"), QStringLiteral("_"), Folder()))
            continue;
        QCoreApplication::installTranslator(&m_program);
        // Only with the program's own: buttons in one language and the texts beside them in
        // another would be worse than English throughout. A system without Qt's translations
        // (Debian: qt6-translations-l10n) keeps Qt's English buttons.
        if (m_qt.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(&m_qt);
        return;
    }
}
