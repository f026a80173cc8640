// Fonts, brushes, cursors and rectangles of the toolkit, and the face names of the forms mapped
// to the fonts this system has (one place: "MS Sans Serif", "Segoe UI", "Arial" are Liberation
// Sans, "Courier New" is Liberation Mono).
#pragma once

#include <QColor>
#include <QFont>
#include <string>

namespace velt {

class TFont {
  public:
    TFont() = default;
    // nHeight < 0: the character height in pixels; > 0: the cell height. With lFromDevice the
    // height is in points and becomes points x nDeviceDpiY / 72 pixels. Stock names
    // ("ANSI_VAR_FONT", "DEFAULT_GUI_FONT", "SYSTEM_FIXED_FONT" ...) name the system fonts.
    static TFont New(const std::string& cFaceName, int nWidth, int nHeight, bool lBold = false,
                     bool lItalic = false, bool lUnderline = false, bool lStrikeOut = false,
                     int nDeviceDpiY = 0);
    // The font of a template: face and size in points at 96 dots per inch.
    static TFont ofPoints(const std::string& cFaceName, int nPoints, bool lBold = false);

    std::string cFaceName = "MS Sans Serif";
    int nInpHeight = 0, nInpWidth = 0;
    int nHeight = 13;  // absolute height in pixels
    int nWidth = 0;
    int nEscapement = 0, nOrientation = 0;
    int nWeight = 400;
    bool lBold = false, lItalic = false, lUnderline = false, lStrikeOut = false;

    QFont qFont() const;
};

// The face the forms name, as installed here.
QString mapFace(const std::string& faceName);
// The system's dialog font face.
std::string GETSYSFONT();

}  // namespace velt
