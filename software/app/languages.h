#pragma once

#include <QString>

class QCoreApplication;

// Installs the program's translation for the first of the system's languages that it has
// (QLocale::system().uiLanguages(): LANGUAGE, then LC_ALL, LC_MESSAGES and LANG), and Qt's own
// translation of that language for Qt's dialogs. Without one the texts stay English. The
// language installed ("de", "en_XA", ...), or an empty string.
QString install_translators(QCoreApplication* app);
