#include "ui/font.h"

#include <cctype>
#include <cstdlib>

namespace velt {

QString mapFace(const std::string& faceName) {
    std::string f;
    for (char c : faceName) f += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (f == "COURIER NEW" || f == "COURIER" || f == "OEM_FIXED_FONT" || f == "ANSI_FIXED_FONT" ||
        f == "SYSTEM_FIXED_FONT" || f == "LUCIDA CONSOLE")
        return QStringLiteral("Liberation Mono");
    if (f == "TIMES NEW ROMAN" || f == "TIMES") return QStringLiteral("Liberation Serif");
    // MS Sans Serif, Segoe UI, Arial, Tahoma, the stock variable fonts and anything unknown.
    return QStringLiteral("Liberation Sans");
}

std::string GETSYSFONT() {
    return "Segoe UI";
}

TFont TFont::New(const std::string& cFaceName, int nWidth, int nHeight, bool lBold, bool lItalic,
                 bool lUnderline, bool lStrikeOut, int nDeviceDpiY) {
    TFont f;
    f.cFaceName = cFaceName;
    f.nInpWidth = nWidth;
    f.nInpHeight = nHeight;
    f.nWidth = std::abs(nWidth);
    if (nDeviceDpiY > 0)
        f.nHeight = (std::abs(nHeight) * nDeviceDpiY + 36) / 72;
    else if (nHeight == 0)
        f.nHeight = 13;
    else
        f.nHeight = std::abs(nHeight);
    f.lBold = lBold;
    f.nWeight = lBold ? 700 : 400;
    f.lItalic = lItalic;
    f.lUnderline = lUnderline;
    f.lStrikeOut = lStrikeOut;
    return f;
}

TFont TFont::ofPoints(const std::string& cFaceName, int nPoints, bool lBold) {
    return New(cFaceName, 0, -((nPoints * 96 + 36) / 72), lBold);
}

QFont TFont::qFont() const {
    QFont q(mapFace(cFaceName));
    // A negative input height is the character (em) height; a positive one the cell height,
    // of which the em is about seven eighths for these faces.
    int px = nInpHeight > 0 ? (nHeight * 7 + 4) / 8 : nHeight;
    q.setPixelSize(px > 0 ? px : 11);
    q.setBold(lBold);
    q.setItalic(lItalic);
    q.setUnderline(lUnderline);
    q.setStrikeOut(lStrikeOut);
    q.setStyleStrategy(QFont::PreferAntialias);
    return q;
}

}  // namespace velt
