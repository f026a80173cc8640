#include "ui/template.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/buttons.h"
#include "ui/dialog.h"
#include "ui/get.h"
#include "ui/ui_test_support.h"

using namespace velt;

namespace {
const char* kForm = R"(// a form of the tests
GEOMETRY DIALOG 0, 0, 200, 100
STYLE DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION "Prova ""uno"""
FONT 8, "MS Sans Serif"
BEGIN
    LTEXT           "&Nome:", -1, 5, 10, 30, 8
    EDITTEXT        101, 40, 8, 80, 13, ES_AUTOHSCROLL | NOT WS_TABSTOP
    CONTROL         "", 102, "msctls_progress32", WS_BORDER, 40, 30, 100, 10
    DEFPUSHBUTTON   "&Conferma", 201, 10, 80, 40, 15
    PUSHBUTTON      "&Annulla", 202, 55, 80, 40, 15
END
)";
}  // namespace

TEST(Template, ParsesStatementsStylesAndTexts) {
    DialogTemplate t = parseTemplate(kForm);
    EXPECT_EQ(t.name, "GEOMETRY");
    EXPECT_EQ(t.caption, "Prova \"uno\"");
    EXPECT_EQ(t.fontFace, "MS Sans Serif");
    EXPECT_EQ(t.fontSize, 8);
    EXPECT_EQ(t.cx, 200);
    EXPECT_TRUE(t.has("WS_CAPTION"));
    ASSERT_EQ(t.controls.size(), 5u);
    EXPECT_EQ(t.controls[0].className, "STATIC");
    EXPECT_TRUE(t.controls[0].has("SS_LEFT"));
    EXPECT_EQ(t.controls[0].text, "&Nome:");
    EXPECT_EQ(t.controls[1].className, "EDIT");
    EXPECT_TRUE(t.controls[1].has("ES_AUTOHSCROLL"));
    EXPECT_FALSE(t.controls[1].has("WS_TABSTOP"));
    EXPECT_EQ(t.controls[2].className, "PROGRESS");
    EXPECT_EQ(t.controls[3].id, 201);
    EXPECT_TRUE(t.controls[3].has("BS_DEFPUSHBUTTON"));
    EXPECT_EQ(t.controls[4].x, 55);
    EXPECT_EQ(t.controls[4].cy, 15);
}

TEST(Template, SyntaxErrorsNameTheLine) {
    struct Case {
        const char* text;
        const char* fragment;
    } cases[] = {
        {"X DIALOG 0, 0, 10, 10\nBEGIN\nLTEXT \"a\", 1, 2\nEND\n", "line 3"},
        {"X DIALOG 0, 0, 10, 10\nBEGIN\nWIDGET 1, 2, 3, 4, 5\nEND\n", "unknown statement"},
        {"X DIALOG 0, 0, 10, 10\nBEGIN\nLTEXT \"a, 1, 2, 3, 4, 5\nEND\n", "unclosed"},
        {"X DIALOG 0, 0, 10, 10\nBEGIN\n", "END missing"},
        {"BEGIN\nEND\n", "DIALOG"},
    };
    for (const auto& c : cases) {
        try {
            parseTemplate(c.text);
            ADD_FAILURE() << c.text;
        } catch (const TemplateSyntaxError& e) {
            EXPECT_NE(std::string(e.what()).find(c.fragment), std::string::npos) << e.what();
        }
    }
}

TEST(Template, MissingTemplateStopsTheProgram) {
    test::app();
    test::StopRecorder stops;
    EXPECT_THROW(TDialog("NOSUCHFORM"), ProgramStopped);
    ASSERT_EQ(stops.messages.size(), 1u);
    EXPECT_EQ(stops.messages[0], "Resource not found: NOSUCHFORM");
}

TEST(Template, CompiledInTemplatesLoad) {
    test::app();
    for (const char* name : {"MSGGET", "INFOS", "PRINTDLG"}) {
        const DialogTemplate& t = loadTemplate(name);
        EXPECT_EQ(t.name, name);
        EXPECT_FALSE(t.controls.empty()) << name;
    }
}

TEST(Template, DuplicateIdStopsTheProgram) {
    test::app();
    test::ScopedTemplate form(kForm);
    test::StopRecorder stops;
    TDialog dlg("GEOMETRY");
    std::string a, b;
    TGet::ReDefine(101, dlg, a);
    int line = __LINE__ + 1;
    EXPECT_THROW(TGet::ReDefine(101, dlg, b), ProgramStopped);
    ASSERT_EQ(stops.messages.size(), 1u);
    const std::string& m = stops.messages[0];
    EXPECT_EQ(m.rfind("Duplicate id 101;Function: ", 0), 0u) << m;
    EXPECT_NE(m.find("  Line: " + std::to_string(line)), std::string::npos) << m;
    EXPECT_EQ(dlg.aControls.size(), 1u);
}

TEST(Template, DialogUnitsFollowTheFontAndWidenEveryForm) {
    test::app();
    test::ScopedTemplate form(kForm);
    TDialog dlg("GEOMETRY");
    std::string name(20, ' ');
    TGet* get = TGet::ReDefine(101, dlg, name);
    DialogUnits u = dlg.units();
    // The 8-point face of the forms is about 6 x 13 pixels per base unit, as on Windows.
    EXPECT_GE(u.baseX, 5);
    EXPECT_LE(u.baseX, 7);
    EXPECT_GE(u.baseY, 12);
    EXPECT_LE(u.baseY, 14);
    test::runModal(dlg, [&] {
        QRect g = get->hWnd->geometry();
        int left = u.toPixelsX(40), width = u.toPixelsX(80);
        EXPECT_EQ(g.left(), static_cast<int>(left * kWidenFactor));
        EXPECT_EQ(g.width(), static_cast<int>(width * kWidenFactor));
        EXPECT_EQ(g.top(), u.toPixelsY(8));
        EXPECT_EQ(g.height(), u.toPixelsY(13));
        EXPECT_EQ(dlg.hWnd->width(), static_cast<int>(u.toPixelsX(200) * kWidenFactor));
        EXPECT_EQ(dlg.hWnd->height(), u.toPixelsY(100));
        auto* label = qobject_cast<QLabel*>(dlg.templateWidget(-1));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), "Nome:");
        auto* ok = qobject_cast<QPushButton*>(dlg.templateWidget(201));
        ASSERT_NE(ok, nullptr);
        EXPECT_TRUE(ok->isDefault());
        EXPECT_EQ(dlg.hWnd->windowTitle(), "Prova \"uno\"");
    });
}

TEST(Template, WideningIsCutToWholePixels) {
    EXPECT_EQ(widen(6), 7);
    EXPECT_EQ(widen(60), 70);
    EXPECT_EQ(widen(100), 116);
    EXPECT_EQ(widen(0), 0);
}

TEST(DialogUnits, ConvertWithMulDivRounding) {
    DialogUnits u;
    u.baseX = 6;
    u.baseY = 13;
    EXPECT_EQ(u.toPixelsX(4), 6);
    EXPECT_EQ(u.toPixelsX(255), 383);  // 382.5 rounds up
    EXPECT_EQ(u.toPixelsY(8), 13);
    EXPECT_EQ(u.toPixelsY(13), 21);   // 21.125
    EXPECT_EQ(u.toPixelsY(70), 114);  // 113.75
}
