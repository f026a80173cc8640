#include "util/text.h"

#include <algorithm>

namespace velt {
namespace {
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
}  // namespace

std::string O2A(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        switch (static_cast<unsigned char>(c)) {
            case 0x85:
                c = '\xE0';
                break;  // à
            case 0x8A:
                c = '\xE8';
                break;  // è
            case 0x82:
                c = '\xE9';
                break;  // é
            case 0x8D:
                c = '\xEC';
                break;  // ì
            case 0x95:
                c = '\xF2';
                break;  // ò
            case 0x97:
                c = '\xF9';
                break;  // ù
            default:
                break;
        }
    }
    return out;
}

int AT(std::string_view needle, std::string_view haystack, int start) {
    if (needle.empty()) return 1;
    size_t from = start < 1 ? 0 : static_cast<size_t>(start - 1);
    if (from >= haystack.size()) return 0;
    size_t at = haystack.find(needle, from);
    return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

int OCCURS(std::string_view needle, std::string_view haystack) {
    if (needle.empty()) return 0;
    int count = 0;
    for (size_t at = haystack.find(needle); at != std::string_view::npos;
         at = haystack.find(needle, at + 1))
        ++count;
    return count;
}

bool ISTIME(std::string_view text) {
    // Exactly "hh:mm" or "hh:mm:ss" with digits in every digit place: a blank, a letter or a
    // missing digit is not a time (the "99:99" field leaves blanks where nothing was typed).
    if (text.size() != 5 && text.size() != 8) return false;
    auto two = [&](size_t at) -> int {
        if (!isDigit(text[at]) || !isDigit(text[at + 1])) return -1;
        return (text[at] - '0') * 10 + (text[at + 1] - '0');
    };
    if (text[2] != ':' || (text.size() == 8 && text[5] != ':')) return false;
    int hours = two(0), minutes = two(3), seconds = text.size() == 8 ? two(6) : 0;
    return hours >= 0 && hours <= 23 && minutes >= 0 && minutes <= 59 && seconds >= 0 &&
           seconds <= 59;
}

EditText CBPICTURE(const EditText& edit, std::string_view picture) {
    EditText out = edit;
    if (picture == "@!") {
        for (char& c : out.text)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    } else if (picture == "9") {
        auto bad =
            std::find_if(out.text.begin(), out.text.end(), [](char c) { return !isDigit(c); });
        if (bad != out.text.end()) {
            out.text.erase(bad);
            --out.caret;
        }
    }
    out.caret = std::clamp(out.caret, 0, static_cast<int>(out.text.size()));
    return out;
}

}  // namespace velt
