#include "ui/picture.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "util/format.h"

namespace velt {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Letters of Windows-1252: ASCII and the accented ones.
bool isLetter(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return std::isalpha(u) || (u >= 0xC0 && u != 0xD7 && u != 0xF7) || u == 0x8A || u == 0x8C ||
           u == 0x8E || u == 0x9A || u == 0x9C || u == 0x9E || u == 0x9F;
}

char upperChar(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z') return static_cast<char>(u - 32);
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<char>(u - 32);
    if (u == 0x9A || u == 0x9C || u == 0x9E) return static_cast<char>(u - 16);
    if (u == 0xFF) return static_cast<char>(0x9F);
    return c;
}

std::string rtrim(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}
std::string alltrim(std::string s) {
    s = rtrim(std::move(s));
    size_t first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first);
}

}  // namespace

Picture Picture::parse(const std::string& picture) {
    Picture p;
    if (!picture.empty() && picture[0] == '@') {
        size_t blank = picture.find(' ');
        p.function = picture.substr(1, blank == std::string::npos ? std::string::npos : blank - 1);
        if (blank != std::string::npos) p.mask = picture.substr(blank + 1);
    } else {
        p.mask = picture;
    }
    return p;
}

bool Picture::has(char flag) const {
    char u = upperChar(flag);
    for (char c : function)
        if (upperChar(c) == u) return true;
    return false;
}

bool Picture::hasLiterals() const {
    for (char c : mask)
        if (isLiteral(c)) return true;
    return false;
}

bool Picture::accepts(char maskChar, char c) {
    switch (maskChar) {
        case '9':
            return isDigit(c);
        case 'A':
            return isLetter(c);
        case 'X':
            return true;
        default:
            return false;
    }
}

std::string Picture::text() const {
    if (function.empty()) return mask;
    return "@" + function + (mask.empty() ? "" : " " + mask);
}

FieldKind fieldKindOf(const Value& v) {
    if (v.isNumber()) return FieldKind::Number;
    if (v.isDate()) return FieldKind::Date;
    if (v.isLogical()) return FieldKind::Logical;
    return FieldKind::Text;
}

std::string formatNumberTemplate(double value, const std::string& numberTemplate) {
    return formatNumber(value, numberTemplate);
}

FieldRules::FieldRules(FieldKind kind, const std::string& picture, int textLength)
    : kind_(kind), pic_(Picture::parse(picture)), textLength_(textLength) {
    mask_ = pic_.mask;
    switch (kind_) {
        case FieldKind::Date:
            if (mask_.empty()) mask_ = "99/99/9999";
            maxLength_ = 10;
            break;
        case FieldKind::Logical:
            maxLength_ = 1;
            break;
        case FieldKind::Number:
            if (mask_.empty()) mask_ = "9999999999";
            maxLength_ = static_cast<int>(mask_.size());
            break;
        case FieldKind::Text:
            if (pic_.hasLiterals())
                maxLength_ = static_cast<int>(mask_.size());
            else
                maxLength_ = textLength_ > 0 ? textLength_ : 32767;
            break;
    }
}

bool FieldRules::overwrite() const {
    return (kind_ == FieldKind::Text || kind_ == FieldKind::Date) &&
           Picture{pic_.function, mask_}.hasLiterals();
}

std::string FieldRules::numberTemplate() const {
    return (pic_.function.empty() ? std::string() : "@" + pic_.function + " ") + mask_;
}

std::string FieldRules::numberFocusTemplate() const {
    std::string flags;
    for (char c : pic_.function)
        if (upperChar(c) != 'Z') flags += c;
    std::string mask;
    for (char c : mask_)
        if (c != ',') mask += c;
    return (flags.empty() ? std::string() : "@" + flags + " ") + mask;
}

namespace {
std::string withLiterals(const std::string& value, const std::string& mask) {
    std::string out(mask.size(), ' ');
    for (size_t i = 0; i < mask.size(); ++i)
        out[i] = Picture::isLiteral(mask[i]) ? mask[i] : (i < value.size() ? value[i] : ' ');
    return out;
}
}  // namespace

std::string FieldRules::focusText(const Value& v) const {
    switch (kind_) {
        case FieldKind::Number:
            return formatNumberTemplate(v.num(), numberFocusTemplate());
        case FieldKind::Date:
            return v.date().toString();
        case FieldKind::Logical:
            return v.logical() ? "T" : "F";
        case FieldKind::Text: {
            std::string t = v.text();
            if (pic_.has('!'))
                for (char& c : t) c = upperChar(c);
            if (overwrite()) return withLiterals(t, mask_);
            return rtrim(t);
        }
    }
    return {};
}

std::string FieldRules::displayText(const Value& v) const {
    switch (kind_) {
        case FieldKind::Number:
            return alltrim(formatNumberTemplate(v.num(), numberTemplate()));
        case FieldKind::Date:
            return v.date().toString();
        case FieldKind::Logical:
            return v.logical() ? "T" : "F";
        case FieldKind::Text:
            return focusText(v);
    }
    return {};
}

Value FieldRules::readBack(const std::string& text) const {
    switch (kind_) {
        case FieldKind::Number: {
            std::string s;
            for (char c : text) {
                if (c == ',')
                    s += '.';
                else if (isDigit(c) || c == '-')
                    s += c;
            }
            return Value(s.empty() ? 0.0 : std::strtod(s.c_str(), nullptr));
        }
        case FieldKind::Date:
            return Value(Date::parse(text));
        case FieldKind::Logical:
            return Value(!text.empty() && upperChar(text[0]) == 'T');
        case FieldKind::Text: {
            std::string t = text;
            if (textLength_ > 0 && static_cast<int>(t.size()) < textLength_)
                t.append(textLength_ - t.size(), ' ');
            return Value(t);
        }
    }
    return {};
}

bool FieldRules::badDate(const std::string& text) const {
    if (kind_ != FieldKind::Date) return false;
    bool typed = false;
    for (char c : text)
        if (isDigit(c)) typed = true;
    return typed && Date::parse(text).isEmpty();
}

bool FieldRules::numberTooBig(double value) const {
    if (kind_ != FieldKind::Number) return false;
    std::string t = numberTemplate();
    // The "Z" flag would hide a zero, never an overflow.
    return formatNumberTemplate(value, t).find('*') != std::string::npos;
}

void EditBuffer::setText(const std::string& t) {
    text = t;
    caret = 0;
    selStart = 0;
    selLength = 0;
}

bool EditBuffer::deleteSelection() {
    if (selLength <= 0) return false;
    int start = std::max(0, std::min(selStart, static_cast<int>(text.size())));
    int len = std::min(selLength, static_cast<int>(text.size()) - start);
    text.erase(start, len);
    caret = start;
    selLength = 0;
    return len > 0;
}

void EditBuffer::skipLiteralsForward() {
    const std::string& m = rules_.mask();
    while (caret < static_cast<int>(m.size()) && Picture::isLiteral(m[caret])) ++caret;
}

bool EditBuffer::typeChar(char c) {
    const FieldKind kind = rules_.kind();
    const Picture& pic = rules_.picture();
    const std::string& mask = rules_.mask();
    if (c == '\t' || c == '\r' || c == '\n' || c == 27) return false;
    if (kind == FieldKind::Logical) {
        c = upperChar(c);
        if (c != 'T' && c != 'F') return false;
        text = std::string(1, c);
        caret = 1;
        selLength = 0;
        return true;
    }
    if (kind == FieldKind::Number) {
        if (c == '.') c = ',';
        if (!isDigit(c) && c != ',') return false;
        bool changed = deleteSelection();
        if (c == ',' && text.find(',') != std::string::npos) return changed;
        if (static_cast<int>(text.size()) >= rules_.maxLength()) return changed;
        text.insert(text.begin() + std::min(caret, static_cast<int>(text.size())), c);
        ++caret;
        return true;
    }
    if (pic.has('!')) c = upperChar(c);
    if (rules_.overwrite()) {
        if (selLength > 0) {
            caret = selStart;
            selLength = 0;
        }
        skipLiteralsForward();
        if (caret >= static_cast<int>(mask.size())) return false;
        if (!Picture::accepts(mask[caret], c)) return false;
        if (text.size() < mask.size()) text.append(mask.size() - text.size(), ' ');
        text[caret] = c;
        ++caret;
        skipLiteralsForward();
        return true;
    }
    if (mask.empty()) {
        if (pic.has('9') && !isDigit(c)) return false;
    } else {
        int at = selLength > 0 ? selStart : caret;
        char m = at < static_cast<int>(mask.size()) ? mask[at] : mask.back();
        if (!Picture::accepts(m, c)) return false;
    }
    bool changed = deleteSelection();
    if (static_cast<int>(text.size()) >= rules_.maxLength()) return changed;
    text.insert(text.begin() + std::min(caret, static_cast<int>(text.size())), c);
    ++caret;
    return true;
}

bool EditBuffer::backspace() {
    if (rules_.kind() == FieldKind::Logical) return false;
    if (rules_.overwrite()) {
        const std::string& mask = rules_.mask();
        if (selLength > 0) {
            bool changed = false;
            for (int i = selStart; i < selStart + selLength && i < static_cast<int>(text.size());
                 ++i)
                if (!Picture::isLiteral(mask[i]) && text[i] != ' ') text[i] = ' ', changed = true;
            caret = selStart;
            selLength = 0;
            return changed;
        }
        int p = caret - 1;
        while (p >= 0 && p < static_cast<int>(mask.size()) && Picture::isLiteral(mask[p])) --p;
        if (p < 0) return false;
        if (text.size() < mask.size()) text.append(mask.size() - text.size(), ' ');
        text[p] = ' ';
        caret = p;
        return true;
    }
    if (deleteSelection()) return true;
    if (caret <= 0 || text.empty()) return false;
    caret = std::min(caret, static_cast<int>(text.size()));
    text.erase(caret - 1, 1);
    --caret;
    return true;
}

bool EditBuffer::deleteKey() {
    if (rules_.kind() == FieldKind::Logical) return false;
    if (rules_.overwrite()) {
        const std::string& mask = rules_.mask();
        if (selLength > 0) return backspace();
        skipLiteralsForward();
        if (caret >= static_cast<int>(mask.size())) return false;
        if (text.size() < mask.size()) text.append(mask.size() - text.size(), ' ');
        text[caret] = ' ';
        return true;
    }
    if (deleteSelection()) return true;
    if (caret >= static_cast<int>(text.size())) return false;
    text.erase(caret, 1);
    return true;
}

bool EditBuffer::paste(const std::string& clip) {
    bool changed = false;
    for (char c : clip) {
        if (c == '\r' || c == '\n') break;
        changed = typeChar(c) || changed;
    }
    return changed;
}

}  // namespace velt
