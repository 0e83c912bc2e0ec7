#pragma once

#include <QByteArray>
#include <QString>

// What the tests of the whole program against the emulated bootloader read off the window and
// put into the device.
namespace WholeProgram {

// The status line as the user reads it: the rich text without its markup.
QString statusLine();
// "Connected to a Rel-41 with firmware version <revision>"
QString revisionStatus(QString const& revision);
// The 512 data bytes of an OTP that holds the product record of type.
QByteArray otpOf(int type);
// The firmware image the program carries.
QByteArray carriedFirmware();

inline QString const noDevice = QStringLiteral("Note: Once the update is finished");
inline QString const done = QStringLiteral("Done. Disconnect USB cable.");
// How a text about a failure that may come again ends.
inline QString const reportHint = QStringLiteral(" If it happens again, save a support report "
                                                 "(Ctrl+Shift+S) and send it to support.");

} // namespace WholeProgram
