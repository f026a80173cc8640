// Helpers of the toolkit's GUI tests: one QApplication for the whole test program, dialogs run
// with a script that drives them from inside their modal loop, and a stop handler that records.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "ui/dialog.h"
#include "ui/template.h"
#include "util/cp1252.h"

namespace velt::test {

inline QApplication& app() {
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = [] {
        auto* a = new QApplication(argc, argv);
        QApplication::setStyle(QStringLiteral("Fusion"));
        return a;
    }();
    return *instance;
}

// Every test of the program finds the application made before it starts.
struct AppEnvironment : ::testing::Environment {
    void SetUp() override { app(); }
};
inline ::testing::Environment* const kAppEnvironment =
    ::testing::AddGlobalTestEnvironment(new AppEnvironment);

// Activates `dlg` modally and runs `script` once its modal loop runs. A dialog the script left
// open is closed afterwards without its check, so a failing test never hangs.
inline int runModal(TDialog& dlg, std::function<void()> script) {
    app();
    bool ran = false;
    QTimer::singleShot(0, [&] {
        ran = true;
        if (dlg.hWnd) {
            (void)QTest::qWaitForWindowActive(dlg.hWnd.data(), 2000);
            QApplication::processEvents();
        }
        script();
        if (dlg.isOpen()) {
            dlg.bValid = nullptr;
            dlg.End(-1);
        }
    });
    int result = dlg.Activate();
    if (!ran) ADD_FAILURE() << "the script never ran";
    return result;
}

// Runs `script` on the next modal widget (message box, file dialog, input box) once it shows.
inline void onNextModal(std::function<void(QWidget*)> script) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    int tries = 0;
    QObject::connect(timer, &QTimer::timeout, timer, [timer, script, tries]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        bool shown = modal && modal->isVisible();
        if (!shown && ++tries < 300) return;
        timer->stop();
        timer->deleteLater();
        if (shown) script(modal);
    });
    timer->start();
}

// Records stop messages instead of ending the test program.
struct StopRecorder {
    std::vector<std::string> messages;
    StopHandler previous;
    StopRecorder() {
        previous = setStopHandler([this](const std::string& m) { messages.push_back(m); });
    }
    ~StopRecorder() { setStopHandler(previous); }
};

// Registers a template for the lifetime of a scope.
struct ScopedTemplate {
    std::string name;
    explicit ScopedTemplate(const std::string& text) {
        registerTemplate(text);
        name = parseTemplate(text).name;
    }
    ~ScopedTemplate() { unregisterTemplate(name); }
};

// Types Windows-1252 text into a widget, one key event per character.
inline void type(QWidget* w, const char* keys) {
    for (QChar ch : QString::fromStdString(cp1252ToUtf8(keys))) {
        QKeyEvent press(QEvent::KeyPress,
                        ch.isLetterOrNumber() && ch.unicode() < 128
                            ? Qt::Key(ch.toUpper().unicode())
                            : Qt::Key_unknown,
                        Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, press.key(), Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &release);
    }
}

}  // namespace velt::test
