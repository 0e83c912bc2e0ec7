#pragma once

#include <QString>

// The carried typeface: registration and the application's default font.
namespace support {

extern QString kalvora_font_name; // family of the regular cut; empty until the first load

void setup_fonts();
// Registers both cuts on the first call only; returns the regular family (may be empty).
QString load_kalvora_fonts();
QString load_font(QString const& path);
void set_default_font(QString const& family);

} // namespace support
