// Dialog templates: the fixed layout of every form (caption, size in dialog units, font, style
// flags and the controls with their numbers, classes, texts, positions and sizes), written in a
// small subset of the resource-script DIALOG syntax and compiled into the program as
// ":/dialogs/<NAME>.dlg". Example:
//
//     MSGGET DIALOG 0, 0, 255, 70
//     STYLE DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
//     CAPTION "Inserimento"
//     FONT 9, "Segoe UI"
//     BEGIN
//         LTEXT         "", 101, 10, 10, 235, 10
//         EDITTEXT      102, 10, 20, 235, 13, ES_AUTOHSCROLL
//         DEFPUSHBUTTON "&Conferma", 201, 10, 45, 50, 14
//         PUSHBUTTON    "&Annulla", 202, 65, 45, 50, 14
//         CONTROL       "", 103, "TWBrowse", WS_BORDER | WS_VSCROLL, 10, 60, 235, 100
//     END
//
// Statements: LTEXT RTEXT CTEXT PUSHBUTTON DEFPUSHBUTTON CHECKBOX AUTOCHECKBOX RADIOBUTTON
// AUTORADIOBUTTON GROUPBOX ("text", id, x, y, cx, cy [, styles]); EDITTEXT COMBOBOX LISTBOX
// SCROLLBAR (id, x, y, cx, cy [, styles]); ICON ("name", id, x, y [, cx, cy [, styles]]);
// CONTROL ("text", id, "class", styles, x, y, cx, cy). Lines starting with "//" or "#" are
// comments; styles are names joined by "|", "NOT NAME" removes one. Texts are Windows-1252
// (the files are stored in that code page); "" inside a text is one double quote.
#pragma once

#include <QFont>
#include <QRect>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace velt {

struct ControlTemplate {
    std::string statement;  // as written: "LTEXT", "EDITTEXT", "CONTROL" ...
    // "STATIC", "EDIT", "BUTTON", "COMBOBOX", "LISTBOX", "SCROLLBAR", "PROGRESS", or the
    // upper-cased class name of a CONTROL statement ("TWBROWSE", "TBTNBMP" ...).
    std::string className;
    std::string text;
    int id = -1;
    int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    std::set<std::string> styles;      // "SS_RIGHT", "BS_DEFPUSHBUTTON", "ES_READONLY" ...
    bool has(const std::string& style) const { return styles.count(style) > 0; }
};

struct DialogTemplate {
    std::string name;
    std::string caption;
    int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    std::string fontFace = "MS Sans Serif";
    int fontSize = 8;  // points
    std::set<std::string> styles;
    std::vector<ControlTemplate> controls;
    bool has(const std::string& style) const { return styles.count(style) > 0; }
    const ControlTemplate* control(int id) const;
};

// A template text that cannot be read: the message names the line.
struct TemplateSyntaxError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Parses one template text (throws TemplateSyntaxError).
DialogTemplate parseTemplate(const std::string& text);

// The template of that name: one registered with registerTemplate, else the compiled-in
// ":/dialogs/NAME.dlg". A missing template stops the program with "Resource not found: " + name.
const DialogTemplate& loadTemplate(const std::string& name);
// Makes a template text available under its own name (tests and generated forms); it hides a
// compiled-in template of the same name.
void registerTemplate(const std::string& text);
void unregisterTemplate(const std::string& name);

// The dialog base units of a font, as Windows computes them: average width of the 52 letters
// (rounded the way the system rounds it) and the font's full height, in pixels.
struct DialogUnits {
    int baseX = 6;
    int baseY = 13;
    static DialogUnits of(const QFont& font);
    int toPixelsX(int dlu) const;
    int toPixelsY(int dlu) const;
    // A rectangle in dialog units to pixels (left, top, width, height).
    QRect toPixels(int x, int y, int cx, int cy) const;
};

// The widening every template form gets: its width, and each control's left edge and width.
constexpr double kWidenFactor = 1.16668;
int widen(int pixels);

// Programming errors ("Resource not found: X", "Duplicate id ...") stop the program with a
// message. The handler shows it; by default it is shown through the prompt seam and the process
// ends; the program may install one that runs its exit procedure, tests one that records it.
// When the handler returns, stopProgram throws ProgramStopped so the caller never goes on.
using StopHandler = std::function<void(const std::string& message)>;
StopHandler setStopHandler(StopHandler handler);
struct ProgramStopped : std::runtime_error {
    using std::runtime_error::runtime_error;
};
[[noreturn]] void stopProgram(const std::string& message);

}  // namespace velt
