#include "ui/template.h"

#include <QFile>
#include <QFontMetrics>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>

#include "util/messages.h"

namespace velt {
namespace {

// Splits one statement line into tokens: quoted texts (kept with a leading '"' marker), commas,
// bars and bare words.
struct Token {
    enum Kind { Word, Text, Comma, Bar } kind;
    std::string value;
};

std::vector<Token> tokenize(const std::string& line, int lineNo) {
    std::vector<Token> out;
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == ',') {
            out.push_back({Token::Comma, ","});
            ++i;
        } else if (c == '|') {
            out.push_back({Token::Bar, "|"});
            ++i;
        } else if (c == '"') {
            std::string text;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        text += '"';
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                text += line[i++];
            }
            if (!closed)
                throw TemplateSyntaxError("line " + std::to_string(lineNo) + ": unclosed text");
            out.push_back({Token::Text, text});
        } else {
            std::string word;
            while (i < line.size() && line[i] != ',' && line[i] != '|' && line[i] != ' ' &&
                   line[i] != '\t' && line[i] != '"' && line[i] != '\r')
                word += line[i++];
            out.push_back({Token::Word, word});
        }
    }
    return out;
}

// Groups tokens into comma-separated arguments; each argument is a list of tokens.
std::vector<std::vector<Token>> arguments(const std::vector<Token>& tokens, size_t from) {
    std::vector<std::vector<Token>> args(1);
    for (size_t i = from; i < tokens.size(); ++i) {
        if (tokens[i].kind == Token::Comma)
            args.emplace_back();
        else
            args.back().push_back(tokens[i]);
    }
    if (args.size() == 1 && args[0].empty()) args.clear();
    return args;
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

class ArgReader {
  public:
    ArgReader(std::vector<std::vector<Token>> args, int lineNo)
        : args_(std::move(args)), line_(lineNo) {}
    bool more() const { return pos_ < args_.size(); }
    size_t left() const { return args_.size() - pos_; }
    std::string text() {
        const auto& a = next();
        if (a.size() != 1 || a[0].kind != Token::Text) fail("a quoted text was expected");
        return a[0].value;
    }
    int number() {
        const auto& a = next();
        if (a.size() != 1 || a[0].kind != Token::Word) fail("a number was expected");
        char* end = nullptr;
        long v = std::strtol(a[0].value.c_str(), &end, 0);
        if (!end || *end) fail("a number was expected, not \"" + a[0].value + "\"");
        return static_cast<int>(v);
    }
    void styles(std::set<std::string>& into) {
        const auto& a = next();
        bool negate = false;
        for (const auto& t : a) {
            if (t.kind == Token::Bar) continue;
            if (t.kind != Token::Word) fail("a style name was expected");
            std::string w = upper(t.value);
            if (w == "NOT") {
                negate = true;
                continue;
            }
            if (negate)
                into.erase(w);
            else
                into.insert(w);
            negate = false;
        }
    }
    [[noreturn]] void fail(const std::string& what) const {
        throw TemplateSyntaxError("line " + std::to_string(line_) + ": " + what);
    }

  private:
    const std::vector<Token>& next() {
        if (pos_ >= args_.size()) fail("an argument is missing");
        return args_[pos_++];
    }
    std::vector<std::vector<Token>> args_;
    size_t pos_ = 0;
    int line_;
};

std::string classOfControl(const std::string& name) {
    std::string u = upper(name);
    if (u == "MSCTLS_PROGRESS32") return "PROGRESS";
    return u;
}

ControlTemplate parseControl(const std::string& statement, const std::vector<Token>& tokens,
                             int lineNo) {
    ControlTemplate c;
    c.statement = statement;
    ArgReader r(arguments(tokens, 1), lineNo);
    static const std::map<std::string, std::pair<std::string, std::string>> textual = {
        {"LTEXT", {"STATIC", "SS_LEFT"}},
        {"RTEXT", {"STATIC", "SS_RIGHT"}},
        {"CTEXT", {"STATIC", "SS_CENTER"}},
        {"PUSHBUTTON", {"BUTTON", "BS_PUSHBUTTON"}},
        {"DEFPUSHBUTTON", {"BUTTON", "BS_DEFPUSHBUTTON"}},
        {"CHECKBOX", {"BUTTON", "BS_CHECKBOX"}},
        {"AUTOCHECKBOX", {"BUTTON", "BS_AUTOCHECKBOX"}},
        {"RADIOBUTTON", {"BUTTON", "BS_RADIOBUTTON"}},
        {"AUTORADIOBUTTON", {"BUTTON", "BS_AUTORADIOBUTTON"}},
        {"GROUPBOX", {"BUTTON", "BS_GROUPBOX"}},
    };
    static const std::map<std::string, std::string> bare = {
        {"EDITTEXT", "EDIT"},
        {"COMBOBOX", "COMBOBOX"},
        {"LISTBOX", "LISTBOX"},
        {"SCROLLBAR", "SCROLLBAR"},
    };
    if (auto t = textual.find(statement); t != textual.end()) {
        c.className = t->second.first;
        c.styles.insert(t->second.second);
        c.text = r.text();
        c.id = r.number();
        c.x = r.number(), c.y = r.number(), c.cx = r.number(), c.cy = r.number();
        if (r.more()) r.styles(c.styles);
    } else if (auto b = bare.find(statement); b != bare.end()) {
        c.className = b->second;
        c.id = r.number();
        c.x = r.number(), c.y = r.number(), c.cx = r.number(), c.cy = r.number();
        if (r.more()) r.styles(c.styles);
    } else if (statement == "ICON") {
        c.className = "STATIC";
        c.styles.insert("SS_ICON");
        c.text = r.text();
        c.id = r.number();
        c.x = r.number(), c.y = r.number();
        if (r.more()) c.cx = r.number(), c.cy = r.number();
        if (r.more()) r.styles(c.styles);
    } else if (statement == "CONTROL") {
        c.text = r.text();
        c.id = r.number();
        c.className = classOfControl(r.text());
        r.styles(c.styles);
        c.x = r.number(), c.y = r.number(), c.cx = r.number(), c.cy = r.number();
    } else {
        throw TemplateSyntaxError("line " + std::to_string(lineNo) + ": unknown statement " +
                                  statement);
    }
    if (r.more()) r.fail("too many arguments");
    return c;
}

struct Registry {
    std::map<std::string, std::unique_ptr<DialogTemplate>> registered;
    std::map<std::string, std::unique_ptr<DialogTemplate>> compiled;
};
Registry& registry() {
    static Registry r;
    return r;
}

void defaultStop(const std::string& message) {
    PopMsgOptions o;
    o.caption = "Errore";
    POPMSG(message, 1, o);
    std::exit(EXIT_FAILURE);
}
StopHandler& stopHandler() {
    static StopHandler handler = defaultStop;
    return handler;
}

}  // namespace

const ControlTemplate* DialogTemplate::control(int wanted) const {
    for (const auto& c : controls)
        if (c.id == wanted) return &c;
    return nullptr;
}

DialogTemplate parseTemplate(const std::string& text) {
    DialogTemplate d;
    enum { Header, Body, Done } state = Header;
    bool haveName = false;
    int lineNo = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNo;
        size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos) continue;
        if (line.compare(first, 2, "//") == 0 || line[first] == '#') continue;
        auto tokens = tokenize(line, lineNo);
        if (tokens.empty() || tokens[0].kind != Token::Word)
            throw TemplateSyntaxError("line " + std::to_string(lineNo) + ": statement expected");
        std::string word = upper(tokens[0].value);
        if (state == Done)
            throw TemplateSyntaxError("line " + std::to_string(lineNo) + ": text after END");
        if (state == Header) {
            if (!haveName) {
                if (tokens.size() < 2 || upper(tokens[1].value) != "DIALOG")
                    throw TemplateSyntaxError("line " + std::to_string(lineNo) +
                                              ": NAME DIALOG x, y, cx, cy expected");
                d.name = upper(tokens[0].value);
                ArgReader r(arguments(tokens, 2), lineNo);
                d.x = r.number(), d.y = r.number(), d.cx = r.number(), d.cy = r.number();
                haveName = true;
            } else if (word == "STYLE") {
                ArgReader r(arguments(tokens, 1), lineNo);
                r.styles(d.styles);
            } else if (word == "CAPTION") {
                ArgReader r(arguments(tokens, 1), lineNo);
                d.caption = r.text();
            } else if (word == "FONT") {
                ArgReader r(arguments(tokens, 1), lineNo);
                d.fontSize = r.number();
                d.fontFace = r.text();
            } else if (word == "BEGIN" || word == "{") {
                state = Body;
            } else {
                throw TemplateSyntaxError("line " + std::to_string(lineNo) + ": unknown " + word);
            }
        } else if (word == "END" || word == "}") {
            state = Done;
        } else {
            d.controls.push_back(parseControl(word, tokens, lineNo));
        }
    }
    if (!haveName) throw TemplateSyntaxError("no DIALOG statement");
    if (state != Done) throw TemplateSyntaxError(d.name + ": END missing");
    return d;
}

const DialogTemplate& loadTemplate(const std::string& name) {
    Registry& reg = registry();
    std::string key = upper(name);
    if (auto it = reg.registered.find(key); it != reg.registered.end()) return *it->second;
    if (auto it = reg.compiled.find(key); it != reg.compiled.end()) return *it->second;
    QFile file(QString::fromStdString(":/dialogs/" + key + ".dlg"));
    if (key.empty() || !file.open(QIODevice::ReadOnly)) stopProgram("Resource not found: " + name);
    QByteArray bytes = file.readAll();
    DialogTemplate parsed;
    try {
        parsed = parseTemplate(bytes.toStdString());
    } catch (const TemplateSyntaxError& e) {
        stopProgram("Resource not found: " + name + " (" + e.what() + ")");
    }
    auto& slot = reg.compiled[key];
    slot = std::make_unique<DialogTemplate>(std::move(parsed));
    return *slot;
}

void registerTemplate(const std::string& text) {
    auto parsed = std::make_unique<DialogTemplate>(parseTemplate(text));
    std::string key = parsed->name;
    registry().registered[key] = std::move(parsed);
}

void unregisterTemplate(const std::string& name) {
    registry().registered.erase(upper(name));
}

DialogUnits DialogUnits::of(const QFont& font) {
    QFontMetrics fm(font);
    int width = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    DialogUnits u;
    u.baseX = (width / 26 + 1) / 2;
    u.baseY = fm.height();
    return u;
}

namespace {
// MulDiv: a * b / c rounded half away from zero.
int mulDiv(int a, int b, int c) {
    long long p = static_cast<long long>(a) * b;
    long long q = (p >= 0 ? p + c / 2 : p - c / 2) / c;
    return static_cast<int>(q);
}
}  // namespace

int DialogUnits::toPixelsX(int dlu) const {
    return mulDiv(dlu, baseX, 4);
}
int DialogUnits::toPixelsY(int dlu) const {
    return mulDiv(dlu, baseY, 8);
}
QRect DialogUnits::toPixels(int x, int y, int cx, int cy) const {
    return QRect(toPixelsX(x), toPixelsY(y), toPixelsX(cx), toPixelsY(cy));
}

// Cut, not rounded: the factor lies just above 7/6 so that multiples of 6 pixels widen exactly.
int widen(int pixels) {
    return static_cast<int>(pixels * kWidenFactor);
}

StopHandler setStopHandler(StopHandler handler) {
    StopHandler previous = stopHandler();
    stopHandler() = handler ? std::move(handler) : StopHandler(defaultStop);
    return previous;
}

void stopProgram(const std::string& message) {
    stopHandler()(message);
    throw ProgramStopped(message);
}

}  // namespace velt
