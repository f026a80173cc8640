#include "ui/window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "ui/control.h"
#include "ui/qtext.h"

namespace velt {

namespace {
std::function<void(const std::string&)>& helpHook() {
    static std::function<void(const std::string&)> hook;
    return hook;
}
TWindow*& loopWindow() {
    static TWindow* w = nullptr;
    return w;
}
}  // namespace

QWidget* activeOwner() {
    QWidget* w = QApplication::activeModalWidget();
    if (!w || !w->isVisible()) w = QApplication::activeWindow();
    if (w && w->isVisible()) return w;
    if (TWindow* main = loopWindow(); main && main->hWnd && main->hWnd->isVisible())
        return main->hWnd;
    return nullptr;
}

void setHelpHook(std::function<void(const std::string&)> hook) {
    helpHook() = std::move(hook);
}
void showHelp(const std::string& cMsg) {
    if (helpHook()) helpHook()(cMsg);
}

// The client area of a main window: paints the brush, then bPainted; routes the mouse.
class ClientArea : public QWidget {
  public:
    ClientArea(TWindow& owner, QWidget* parent) : QWidget(parent), owner_(owner) {}

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        if (owner_.oBrush) owner_.oBrush->paint(p, rect());
        if (owner_.bPainted) owner_.bPainted(p);
    }
    void mousePressEvent(QMouseEvent* e) override {
        auto pos = e->position().toPoint();
        if (e->button() == Qt::LeftButton && owner_.bLClicked) owner_.bLClicked(pos.y(), pos.x());
        if (e->button() == Qt::RightButton && owner_.bRClicked) owner_.bRClicked(pos.y(), pos.x());
    }
    void resizeEvent(QResizeEvent*) override {
        if (owner_.bResized) owner_.bResized();
    }

  private:
    TWindow& owner_;
};

class WindowWidget : public QMainWindow {
  public:
    explicit WindowWidget(TWindow& owner) : owner_(owner) { setAttribute(Qt::WA_DeleteOnClose); }
    bool closingForGood = false;
    QEventLoop* loop = nullptr;

  protected:
    void closeEvent(QCloseEvent* e) override {
        if (!closingForGood && owner_.bValid && !owner_.bValid()) {
            e->ignore();
            return;
        }
        e->accept();
        if (loop) loop->quit();
        owner_.onClosed();
    }

  private:
    TWindow& owner_;
};

TWindow::TWindow() = default;

TWindow::~TWindow() {
    if (loopWindow() == this) loopWindow() = nullptr;
    // Controls go first: their widgets are children of ours.
    for (auto& c : owned_) c->detach();
    owned_.clear();
    if (hWnd && !hWnd->parentWidget()) delete hWnd.data();
}

std::unique_ptr<TWindow> TWindow::New(const Spec& s) {
    auto w = std::make_unique<TWindow>();
    w->nTop = s.nTop, w->nLeft = s.nLeft, w->nBottom = s.nBottom, w->nRight = s.nRight;
    w->cCaption = s.cTitle;
    w->cIcon = s.cIcon;
    w->oWnd = s.oWnd;
    w->nClrText = s.nClrText, w->nClrPane = s.nClrPane;
    auto* mw = new WindowWidget(*w);
    mw->setWindowTitle(qs(s.cTitle));
    mw->setGeometry(s.nLeft, s.nTop, s.nRight - s.nLeft, s.nBottom - s.nTop);
    Qt::WindowFlags flags = Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
    if (s.lSysMenu) flags |= Qt::WindowSystemMenuHint;
    if (s.lMinimize) flags |= Qt::WindowMinimizeButtonHint;
    if (s.lMaximize) flags |= Qt::WindowMaximizeButtonHint;
    if (!s.lCaption) flags |= Qt::FramelessWindowHint;
    mw->setWindowFlags(flags);
    if (!s.cIcon.empty()) {
        QPixmap icon = loadPicture(s.cIcon);
        if (!icon.isNull()) mw->setWindowIcon(QIcon(icon));
    }
    auto* client = new ClientArea(*w, mw);
    if (s.nClrPane >= 0) w->oBrush = TBrush::solid(s.nClrPane);
    mw->setCentralWidget(client);
    w->hWnd = mw;
    return w;
}

QMainWindow* TWindow::mainWindow() const {
    return qobject_cast<QMainWindow*>(hWnd.data());
}

QWidget* TWindow::clientWidget() const {
    if (auto* mw = mainWindow()) return mw->centralWidget();
    return hWnd.data();
}

TWindow* TWindow::mainLoopWindow() {
    return loopWindow();
}

void TWindow::Activate(const std::string& cShow) {
    if (!hWnd) return;
    evalWhens();
    if (cShow == "MAXIMIZED")
        hWnd->showMaximized();
    else if (cShow == "ICONIZED")
        hWnd->showMinimized();
    else if (cShow != "HIDDEN")
        hWnd->show();
    if (!lInitDone_) {
        lInitDone_ = true;
        if (bInit) bInit();
    }
    auto* ww = dynamic_cast<WindowWidget*>(hWnd.data());
    if (ww && !loopWindow()) {
        loopWindow() = this;
        QEventLoop loop;
        ww->loop = &loop;
        QPointer<QWidget> guard = hWnd;
        if (guard && guard->isVisible()) loop.exec();
        if (loopWindow() == this) loopWindow() = nullptr;
    }
}

bool TWindow::End(int result) {
    if (!hWnd) return true;
    if (bValid && !bValid()) return false;
    nResult = result;
    if (auto* ww = dynamic_cast<WindowWidget*>(hWnd.data())) ww->closingForGood = true;
    hWnd->close();
    return true;
}

void TWindow::onClosed() {
    for (auto* c : aControls) c->detach();
    hWnd = nullptr;
}

void TWindow::Enable() {
    lActive = true;
    if (hWnd) hWnd->setEnabled(true);
}
void TWindow::Disable() {
    lActive = false;
    if (hWnd) hWnd->setEnabled(false);
}
void TWindow::Refresh() {
    if (hWnd) hWnd->update();
}
void TWindow::SetFocus() {
    if (hWnd) hWnd->setFocus(Qt::OtherFocusReason);
}
void TWindow::Hide() {
    lVisible = false;
    if (hWnd) hWnd->hide();
}
void TWindow::Show() {
    lVisible = true;
    if (hWnd) hWnd->show();
}
bool TWindow::isEnabled() const {
    return hWnd ? hWnd->isEnabled() : lActive;
}

void TWindow::SetText(const std::string& text) {
    cCaption = text;
    if (!hWnd) return;
    if (hWnd->isWindow())
        hWnd->setWindowTitle(qs(text));
    else if (auto* mo = hWnd->metaObject(); mo->indexOfProperty("text") >= 0)
        hWnd->setProperty("text", qs(text));
}

std::string TWindow::GetText() const {
    if (!hWnd) return cCaption;
    if (hWnd->isWindow()) return fromQ(hWnd->windowTitle());
    QVariant v = hWnd->property("text");
    return v.isValid() ? fromQ(v.toString()) : cCaption;
}

void TWindow::SetFont(const TFont& font) {
    oFont = font;
    if (hWnd) hWnd->setFont(font.qFont());
}

void TWindow::Move(int top, int left, int width, int height) {
    nTop = top, nLeft = left, nBottom = top + height, nRight = left + width;
    if (hWnd) hWnd->setGeometry(left, top, width, height);
}

void TWindow::evalWhens() {
    for (auto* c : aControls) c->evalWhen();
}

TControl* TWindow::adopt(std::unique_ptr<TControl> control) {
    TControl* raw = control.get();
    owned_.push_back(std::move(control));
    return raw;
}

}  // namespace velt
