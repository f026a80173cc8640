#include "util/text.h"

namespace velt {

std::string O2A(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        switch (static_cast<unsigned char>(c)) {
            case 0x85: c = '\xE0'; break;  // à
            case 0x8A: c = '\xE8'; break;  // è
            case 0x82: c = '\xE9'; break;  // é
            case 0x8D: c = '\xEC'; break;  // ì
            case 0x95: c = '\xF2'; break;  // ò
            case 0x97: c = '\xF9'; break;  // ù
            default: break;
        }
    }
    return out;
}

}  // namespace velt
