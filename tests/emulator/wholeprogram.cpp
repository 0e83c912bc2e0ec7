#include "wholeprogram.h"

#include "emustate.h"
#include "testpaths.h"

#include "app/appobjects.h"
#include "gui/mainwindow.h"

#include <QFile>
#include <QTextDocument>

#include <vector>

namespace WholeProgram {

QString statusLine()
{
    QTextDocument doc;
    doc.setHtml(mainWindow->statusLabel->text());
    return doc.toPlainText().simplified();
}

QString revisionStatus(QString const& revision)
{
    return QStringLiteral("Connected to a Rel-41 with firmware version ") + revision;
}

QByteArray otpOf(int type)
{
    std::vector<std::uint8_t> const record = emu::otp_record(std::uint8_t(type));
    QByteArray otp(512, char(0xFF));
    otp.replace(0, int(record.size()),
                QByteArray(reinterpret_cast<char const*>(record.data()), int(record.size())));
    return otp;
}

QByteArray carriedFirmware()
{
    QFile f(TestPaths::generated_file(QStringLiteral("firmware.bin")));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace WholeProgram
