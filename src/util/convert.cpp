#include "util/convert.h"

#include <charconv>
#include <cstdint>
#include <cstdio>

#include "util/format.h"

namespace velt {
namespace {

constexpr size_t kListTextLimit = 1000;

std::string timeText(int secondsOfDay) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", secondsOfDay / 3600 % 100,
                  secondsOfDay / 60 % 60, secondsOfDay % 60);
    return buf;
}

std::string joinedLines(const std::vector<const Value*>& elements) {
    std::string out;
    for (size_t i = 0; i < elements.size(); ++i) {
        if (i > 0) out += "\r\n";
        out += CVALTOCHAR(*elements[i]);
        if (out.size() > kListTextLimit) break;
    }
    if (out.size() > kListTextLimit) {
        out.resize(kListTextLimit);
        out += " ... }";
    }
    return out;
}

// Every occurrence, left to right, without looking again at what was put in.
std::string replaceAll(std::string text, std::string_view what, std::string_view with) {
    std::string out;
    size_t from = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, from)) {
        out.append(text, from, at - from);
        out += with;
        from = at + what.size();
    }
    out.append(text, from);
    return out;
}

bool isEmptyValue(const Value& v) {
    if (v.isNil()) return true;
    if (v.isText()) return v.text().find_first_not_of(' ') == std::string::npos;
    if (v.isDate()) return v.date().isEmpty();
    if (v.isNumber()) return v.num() == 0;
    if (v.isLogical()) return !v.logical();
    return false;
}

}  // namespace

std::string CVALTOCHAR(const Value& value) {
    struct Visitor {
        std::string operator()(const Nil&) const { return "NIL"; }
        std::string operator()(const std::string& s) const { return s; }
        std::string operator()(const Number& n) const { return numberText(n); }
        std::string operator()(const Date& d) const { return d.toString(); }
        std::string operator()(const DateTime& dt) const {
            std::string time = timeText(dt.secondsOfDay);
            return dt.date.isEmpty() ? time : dt.date.toString() + " " + time;
        }
        std::string operator()(bool b) const { return b ? ".T." : ".F."; }
        std::string operator()(const std::shared_ptr<ValueList>& list) const {
            std::vector<const Value*> elements;
            if (list)
                for (const Value& v : *list) elements.push_back(&v);
            return joinedLines(elements);
        }
        std::string operator()(const std::shared_ptr<ValueMap>& map) const {
            std::vector<const Value*> elements;
            if (map)
                for (const auto& [key, v] : *map) elements.push_back(&v);
            return joinedLines(elements);
        }
        std::string operator()(const Callback&) const { return "{ || ... }"; }
        std::string operator()(const ObjectRef& o) const { return o.className; }
        std::string operator()(const Pointer& p) const {
            char buf[2 * sizeof(std::uintptr_t) + 1];
            auto r = std::to_chars(buf, buf + sizeof buf,
                                   reinterpret_cast<std::uintptr_t>(p.address), 16);
            return "0x" + std::string(buf, r.ptr);
        }
    };
    return std::visit(Visitor{}, value.variant());
}

Value MKSTR(const Value& value) {
    if (isEmptyValue(value)) return Value("\"\"");
    if (value.isText()) {
        // Close the literal, join a one-character literal ["], reopen; then drop empty pieces.
        std::string text = replaceAll(value.text(), "\"", "\" + [\"] + \"");
        text = "\"" + text + "\"";
        text = replaceAll(text, "\"\" + ", "");
        text = replaceAll(text, "] + [", "");
        text = replaceAll(text, " + \"\"", "");
        return Value(text);
    }
    if (value.isDate()) return Value("CTOD( \"" + value.date().toString() + "\" )");
    if (value.isNumber()) return Value(numberText(value.number()));
    return value;
}

Value IFNIL(std::initializer_list<Value> values) {
    for (const Value& v : values)
        if (!v.isNil()) return v;
    return Value();
}

}  // namespace velt
