#include "fonts.h"

#include <QDebug>
#include <QFont>
#include <QFontDatabase>
#include <QApplication>
#include <QStringList>

namespace support {

QString kalvora_font_name;

QString load_font(QString const& path)
{
    int const id = QFontDatabase::addApplicationFont(path);
    if (id < 0)
        qWarning() << "Unable to load font from " << path;
    QStringList const families = QFontDatabase::applicationFontFamilies(id);
    return families.isEmpty() ? QString() : families.first();
}

QString load_kalvora_fonts()
{
    static bool loaded = false;
    if (!loaded) {
        loaded = true;
        kalvora_font_name = load_font(QStringLiteral(":resources/KalvoraSans-Regular.otf"));
        load_font(QStringLiteral(":resources/KalvoraSans-Bold.otf"));
    }
    return kalvora_font_name;
}

void set_default_font(QString const& family)
{
    if (family.isEmpty())
        return;
    QApplication::setFont(QFont(family, 11));
}

void setup_fonts()
{
    kalvora_font_name = load_kalvora_fonts();
    if (kalvora_font_name.isEmpty()) {
        qWarning() << "Unable to load/set the Kalvora font as default";
        return;
    }
    set_default_font(kalvora_font_name);
    qInfo() << "Load/set default font:" << kalvora_font_name;
}

} // namespace support
