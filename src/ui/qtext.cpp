#include "ui/qtext.h"

#include "util/cp1252.h"

namespace velt {

QString qs(const std::string& text) {
    return QString::fromStdString(cp1252ToUtf8(text));
}

std::string fromQ(const QString& text) {
    return utf8ToCp1252(text.toStdString());
}

}  // namespace velt
