#pragma once

#include <QChar>
#include <QDebug>
#include <QString>

// Small file and build utilities used by start-up and the device layer.
namespace support_misc {

enum class Platform : int { Linux = 0, macOS = 1, windows = 2, unknown = 3 };

// Whether the build has debug output compiled in; only reported in the start-up log.
extern bool const compiled_w_DEBUG;

Platform compiled_for_platform();
bool compiled_for_platform(Platform p);
QString platform_name(Platform p); // "" for a value outside the enumeration
QDebug operator<<(QDebug debug, Platform p);

bool mark_file_executable(QString const& path);
void ensure_file_is_deleted(QString const& path);

// The whole file as UTF-8 text, up to its first zero byte.
// Throws a QString "Couldn't open file: <path>" when the file cannot be opened.
QString load_text_file(QString const& path);

QString remove_carriage_returns(QString const& text, QChar cr = QChar(u'\r'));
QString maybe_use_file_instead_of_resource(QString const& path);
void show_resources();

} // namespace support_misc
