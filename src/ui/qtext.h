// The one boundary between the program's Windows-1252 text and Qt's Unicode strings.
#pragma once

#include <QString>
#include <string>

namespace velt {

// Windows-1252 bytes to a QString ("\r\n" line breaks are kept as Qt shows them).
QString qs(const std::string& text);
// A QString back to Windows-1252 bytes (characters it cannot hold become '?').
std::string fromQ(const QString& text);

// RGB number (red in the low byte, as the program writes colours) to a QColor and back.
inline int RGB(int r, int g, int b) {
    return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}

}  // namespace velt
