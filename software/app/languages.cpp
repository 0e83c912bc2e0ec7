#include "languages.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QString install_translators(QCoreApplication* app)
{
    auto* own = new QTranslator(app);
    if (!own->load(QLocale::system(), QStringLiteral("kalvora"), QStringLiteral("_"),
                   QStringLiteral(":/translations"))) {
        delete own;
        return {};
    }
    app->installTranslator(own);
    QString const language = own->language();
    auto* qt = new QTranslator(app);
    if (qt->load(QStringLiteral("qtbase_") + language.section(QLatin1Char('_'), 0, 0),
                 QLibraryInfo::location(QLibraryInfo::TranslationsPath)))
        app->installTranslator(qt);
    else
        delete qt;
    return language;
}
