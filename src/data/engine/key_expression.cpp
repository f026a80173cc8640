#include "data/engine/key_expression.h"

#include <strings.h>

#include <cctype>
#include <cmath>

#include "data/engine/field_codec.h"

namespace velt::engine {
namespace {

using Expr = KeyFunction;

std::string upperAscii(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return s;
}

std::string rtrim(const std::string& s) {
    std::size_t end = s.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : s.substr(0, end + 1);
}

std::string ltrim(const std::string& s) {
    std::size_t start = s.find_first_not_of(' ');
    return start == std::string::npos ? std::string() : s.substr(start);
}

// Orders two values of the same kind: negative, zero or positive; nullopt for mixed kinds.
std::optional<int> compareValues(const Value& a, const Value& b) {
    if (a.isText() && b.isText()) return a.text().compare(b.text());
    if (a.isNumber() && b.isNumber()) return a.num() < b.num() ? -1 : (a.num() > b.num() ? 1 : 0);
    if (a.isDate() && b.isDate()) return a.date() < b.date() ? -1 : (a.date() > b.date() ? 1 : 0);
    if (a.isLogical() && b.isLogical())
        return static_cast<int>(a.logical()) - static_cast<int>(b.logical());
    return std::nullopt;
}

class Parser {
  public:
    Parser(const std::string& text, const WorkArea& area) : s_(text), area_(area) {}

    std::optional<Expr> parse() {
        auto e = orExpr();
        skipSpace();
        if (!e || pos_ != s_.size()) return std::nullopt;
        return e;
    }

  private:
    void skipSpace() {
        while (pos_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[pos_]))) ++pos_;
    }
    bool take(const char* token) {
        skipSpace();
        std::size_t n = std::char_traits<char>::length(token);
        if (s_.size() - pos_ >= n && strncasecmp(s_.c_str() + pos_, token, n) == 0) {
            pos_ += n;
            return true;
        }
        return false;
    }
    bool peek(char c) {
        skipSpace();
        return pos_ < s_.size() && s_[pos_] == c;
    }

    std::optional<Expr> orExpr() {
        auto left = andExpr();
        while (left && take(".OR.")) {
            auto right = andExpr();
            if (!right) return std::nullopt;
            left = [l = *left, r = *right](WorkArea& a) {
                return Value(l(a).logical() || r(a).logical());
            };
        }
        return left;
    }
    std::optional<Expr> andExpr() {
        auto left = notExpr();
        while (left && take(".AND.")) {
            auto right = notExpr();
            if (!right) return std::nullopt;
            left = [l = *left, r = *right](WorkArea& a) {
                return Value(l(a).logical() && r(a).logical());
            };
        }
        return left;
    }
    std::optional<Expr> notExpr() {
        skipSpace();
        if (take(".NOT.") || (peek('!') && !(pos_ + 1 < s_.size() && s_[pos_ + 1] == '='))) {
            if (s_[pos_] == '!') ++pos_;
            auto inner = notExpr();
            if (!inner) return std::nullopt;
            return [e = *inner](WorkArea& a) { return Value(!e(a).logical()); };
        }
        return comparison();
    }
    std::optional<Expr> comparison() {
        auto left = sum();
        if (!left) return std::nullopt;
        enum Op { Eq, Exact, Ne, Lt, Le, Gt, Ge };
        Op op;
        if (take("=="))
            op = Exact;
        else if (take("!=") || take("<>") || take("#"))
            op = Ne;
        else if (take("<="))
            op = Le;
        else if (take(">="))
            op = Ge;
        else if (take("<"))
            op = Lt;
        else if (take(">"))
            op = Gt;
        else if (take("="))
            op = Eq;
        else
            return left;
        auto right = sum();
        if (!right) return std::nullopt;
        return [l = *left, r = *right, op](WorkArea& a) {
            Value x = l(a), y = r(a);
            if (op == Eq && x.isText() && y.isText())
                return Value(x.text().compare(0, y.text().size(), y.text()) == 0);
            auto c = compareValues(x, y);
            if (!c) return Value(false);
            switch (op) {
                case Eq:
                case Exact:
                    return Value(*c == 0);
                case Ne:
                    return Value(*c != 0);
                case Lt:
                    return Value(*c < 0);
                case Le:
                    return Value(*c <= 0);
                case Gt:
                    return Value(*c > 0);
                case Ge:
                    return Value(*c >= 0);
            }
            return Value(false);
        };
    }
    std::optional<Expr> sum() {
        auto left = primary();
        while (left) {
            bool plus = take("+");
            if (!plus && !take("-")) break;
            auto right = primary();
            if (!right) return std::nullopt;
            left = [l = *left, r = *right, plus](WorkArea& a) {
                Value x = l(a), y = r(a);
                if (x.isText() && y.isText())
                    return plus ? Value(x.text() + y.text()) : Value(rtrim(x.text()) + y.text());
                if (x.isNumber() && y.isNumber())
                    return Value(plus ? x.num() + y.num() : x.num() - y.num());
                if (x.isDate() && y.isNumber()) {
                    auto days = static_cast<std::int64_t>(y.num());
                    return Value(plus ? x.date() + days : x.date() - days);
                }
                return Value();
            };
        }
        return left;
    }

    std::optional<std::vector<Expr>> arguments() {
        std::vector<Expr> args;
        if (take(")")) return args;
        for (;;) {
            auto e = orExpr();
            if (!e) return std::nullopt;
            args.push_back(*e);
            if (take(")")) return args;
            if (!take(",")) return std::nullopt;
        }
    }

    std::optional<Expr> function(const std::string& name, std::vector<Expr> args) {
        auto one = [&](auto fn) -> std::optional<Expr> {
            if (args.size() != 1) return std::nullopt;
            return [e = args[0], fn](WorkArea& a) { return fn(e(a)); };
        };
        if (name == "DTOS") return one([](const Value& v) { return Value(v.date().dtos()); });
        if (name == "UPPER") return one([](const Value& v) { return Value(upperAscii(v.text())); });
        if (name == "LOWER")
            return one([](const Value& v) {
                std::string s = v.text();
                for (char& c : s) {
                    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
                }
                return Value(s);
            });
        if (name == "TRIM" || name == "RTRIM")
            return one([](const Value& v) { return Value(rtrim(v.text())); });
        if (name == "LTRIM") return one([](const Value& v) { return Value(ltrim(v.text())); });
        if (name == "ALLTRIM")
            return one([](const Value& v) { return Value(ltrim(rtrim(v.text()))); });
        if (name == "DELETED" && args.empty())
            return [](WorkArea& a) { return Value(a.deleted()); };
        if (name == "RECNO" && args.empty())
            return [](WorkArea& a) { return Value(static_cast<double>(a.recno())); };
        if (name == "STR" && !args.empty() && args.size() <= 3) {
            return [args](WorkArea& a) {
                double v = args[0](a).num();
                int width = args.size() > 1 ? static_cast<int>(args[1](a).num()) : 10;
                int dec = args.size() > 2 ? static_cast<int>(args[2](a).num()) : 0;
                if (width < 1 || width > 64 || dec < 0 || dec > 20) return Value(std::string());
                std::string t = formatNumber(v, width, dec);
                return Value(t.empty() ? std::string(static_cast<std::size_t>(width), '*') : t);
            };
        }
        if ((name == "SUBSTR" && (args.size() == 2 || args.size() == 3)) ||
            ((name == "LEFT" || name == "RIGHT") && args.size() == 2)) {
            return [args, name](WorkArea& a) {
                std::string s = args[0](a).text();
                auto n = static_cast<long>(args[1](a).num());
                if (name == "LEFT")
                    return Value(s.substr(0, static_cast<std::size_t>(std::max(0L, n))));
                if (name == "RIGHT") {
                    std::size_t k = static_cast<std::size_t>(std::max(0L, n));
                    return Value(k >= s.size() ? s : s.substr(s.size() - k));
                }
                std::size_t start = n > 0 ? static_cast<std::size_t>(n - 1) : 0;
                if (start >= s.size()) return Value(std::string());
                std::size_t len = args.size() == 3
                                      ? static_cast<std::size_t>(std::max(0.0, args[2](a).num()))
                                      : std::string::npos;
                return Value(s.substr(start, len));
            };
        }
        return std::nullopt;
    }

    std::optional<Expr> primary() {
        skipSpace();
        if (pos_ >= s_.size()) return std::nullopt;
        char c = s_[pos_];
        if (c == '(') {
            ++pos_;
            auto e = orExpr();
            if (!e || !take(")")) return std::nullopt;
            return e;
        }
        if (c == '"' || c == '\'') {
            std::size_t end = s_.find(c, pos_ + 1);
            if (end == std::string::npos) return std::nullopt;
            std::string lit = s_.substr(pos_ + 1, end - pos_ - 1);
            pos_ = end + 1;
            return [lit](WorkArea&) { return Value(lit); };
        }
        if (take(".T.")) return [](WorkArea&) { return Value(true); };
        if (take(".F.")) return [](WorkArea&) { return Value(false); };
        if (std::isdigit(static_cast<unsigned char>(c))) {
            std::size_t start = pos_;
            while (pos_ < s_.size() &&
                   (std::isdigit(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '.'))
                ++pos_;
            double v = std::strtod(s_.substr(start, pos_ - start).c_str(), nullptr);
            return [v](WorkArea&) { return Value(v); };
        }
        std::string name = identifier();
        if (name.empty()) return std::nullopt;
        if (take("(")) {
            auto args = arguments();
            if (!args) return std::nullopt;
            return function(name, std::move(*args));
        }
        if (take("->")) {
            // FIELD -> name, or alias -> name of this same table.
            name = identifier();
            if (name.empty()) return std::nullopt;
        }
        int pos = area_.fieldPos(name);
        if (pos == 0) return std::nullopt;
        return [pos](WorkArea& a) { return a.get(pos); };
    }

    std::string identifier() {
        skipSpace();
        std::size_t start = pos_;
        while (pos_ < s_.size() &&
               (std::isalnum(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '_'))
            ++pos_;
        return upperAscii(s_.substr(start, pos_ - start));
    }

    const std::string& s_;
    const WorkArea& area_;
    std::size_t pos_ = 0;
};

}  // namespace

std::optional<KeyFunction> compileExpression(const std::string& text, const WorkArea& area) {
    Parser parser(text, area);
    return parser.parse();
}

}  // namespace velt::engine
