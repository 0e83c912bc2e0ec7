#include "languages.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QString install_translators(QCoreApplication* app)
{
    // The first of the system's languages that the program speaks: English needs no file, and
    // a language listed after it is not the user's first choice.
    auto* own = new QTranslator(app);
    QString language;
    for (QString const& wanted : QLocale::system().uiLanguages()) {
        QString const name = QString(wanted).replace(QLatin1Char('-'), QLatin1Char('_'));
        if (name == QLatin1String("C") || (name.startsWith(QLatin1String("en")) && name != "en_XA"))
            break;
        for (QString const& candidate : {name, name.section(QLatin1Char('_'), 0, 0)})
            if (language.isEmpty() &&
                own->load(QStringLiteral("kalvora_") + candidate, QStringLiteral(":/translations")))
                language = candidate;
        if (!language.isEmpty())
            break;
    }
    if (language.isEmpty()) {
        delete own;
        return {};
    }
    app->installTranslator(own);
    auto* qt = new QTranslator(app);
    if (qt->load(QStringLiteral("qtbase_") + language.section(QLatin1Char('_'), 0, 0),
                 QLibraryInfo::location(QLibraryInfo::TranslationsPath)))
        app->installTranslator(qt);
    else
        delete qt;
    return language;
}
