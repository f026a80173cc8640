// Helpers of the register tests: real tables in a temporary data folder, the scripted prompt,
// and scripts that run inside the modal loops of the dialogs a register opens one inside the
// other (register, then entry dialog), finding fields and buttons as the templates place them.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/engine/work_areas.h"
#include "services/accounting_fixture.h"
#include "ui/ui_test_support.h"
#include "util/cp1252.h"
#include "util/prompt.h"

namespace velt::test {

// The tables and settings of a fresh data folder, with a recording prompt seam.
class RegisterTest : public AccountingTest {
  protected:
    void SetUp() override {
        AccountingTest::SetUp();
        app();
        use_ = std::make_unique<ScopedPrompt>(seam_);
    }
    void TearDown() override {
        use_.reset();
        AccountingTest::TearDown();
    }
    std::vector<std::string> messages() const { return seam_.messages(); }

    ScriptedPrompt seam_;
    std::unique_ptr<ScopedPrompt> use_;
};

// The modal dialog now on top (nullptr when none).
inline QDialog* topDialog() {
    return qobject_cast<QDialog*>(QApplication::activeModalWidget());
}

// Runs `script` on the next dialog titled `title` once its modal loop runs. A dialog still open
// after the script, or never seen within 5 seconds, fails the test rather than hanging it.
inline void onDialog(const std::string& title, std::function<void(QDialog*)> script) {
    auto* poll = new QTimer;
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    QObject::connect(poll, &QTimer::timeout, [=] {
        QDialog* dlg = topDialog();
        const QString wanted = QString::fromStdString(cp1252ToUtf8(title));
        if (dlg && dlg->isVisible() && dlg->windowTitle() == wanted) {
            poll->stop();
            poll->deleteLater();
            dlg->activateWindow();
            (void)QTest::qWaitForWindowActive(dlg, 2000);
            QApplication::processEvents();
            script(dlg);
            return;
        }
        if (started->elapsed() > 5000) {
            poll->stop();
            poll->deleteLater();
            ADD_FAILURE() << "no dialog titled " << title;
            if (dlg) dlg->reject();
        }
    });
    poll->start(10);
}

// The edit fields of a dialog in template order.
inline std::vector<QWidget*> fields(QDialog* dlg) {
    std::vector<QWidget*> found;
    for (QObject* child : dlg->children()) {
        if (auto* w = qobject_cast<QLineEdit*>(child)) found.push_back(w);
        if (auto* w = qobject_cast<QPlainTextEdit*>(child)) found.push_back(w);
    }
    return found;
}

inline QPushButton* button(QDialog* dlg, const char* label) {
    for (QPushButton* b : dlg->findChildren<QPushButton*>()) {
        if (b->text() == QString::fromLatin1(label)) return b;
    }
    ADD_FAILURE() << "no button " << label;
    return nullptr;
}

inline void click(QDialog* dlg, const char* label) {
    if (QPushButton* b = button(dlg, label)) {
        b->setFocus();
        QApplication::processEvents();
        b->click();
        QApplication::processEvents();
    }
}

// Focuses the field and types over its text (all of it is selected on entry).
inline void typeInto(QWidget* field, const char* text) {
    field->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    type(field, text);
    QApplication::processEvents();
}

// Moves the focus on as Tab does.
inline void leave(QWidget* field) {
    QTest::keyClick(field, Qt::Key_Tab);
    QApplication::processEvents();
}

// The text a field shows, without the blanks around it.
inline std::string shown(QWidget* field) {
    auto* e = qobject_cast<QLineEdit*>(field);
    if (!e) return {};
    return utf8ToCp1252(e->text().trimmed().toStdString());
}

// Every live row of a table as the values of the given fields.
inline std::vector<std::vector<Value>> rowsOf(const std::string& table,
                                              const std::vector<std::string>& names) {
    std::vector<std::vector<Value>> rows;
    const int caller = engine::WorkAreas::currentNumber();
    engine::WorkAreas::select(0);
    engine::WorkArea& area = engine::WorkAreas::current();
    area.open(table, engine::OpenOptions::sharedAs("ROWS"));
    for (area.goTop(); !area.eof(); area.skip(1)) {
        std::vector<Value> row;
        for (const std::string& n : names) row.push_back(area.get(n));
        rows.push_back(row);
    }
    area.close();
    engine::WorkAreas::select(caller);
    return rows;
}

}  // namespace velt::test
