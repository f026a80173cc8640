#include "ui/msgbox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QStyle>

#include "ui/buttons.h"
#include "ui/dialog.h"
#include "ui/font.h"
#include "ui/qtext.h"
#include "ui/statics.h"
#include "ui/window.h"

namespace velt {
namespace {

// The ordinary wait box: refuses every close but the one End makes.
class WaitDialog : public QDialog {
  public:
    explicit WaitDialog(QWidget* parent) : QDialog(parent) {}
    bool ending = false;
    void reject() override {
        if (ending) QDialog::reject();
    }

  protected:
    void closeEvent(QCloseEvent* e) override {
        if (ending)
            QDialog::closeEvent(e);
        else
            e->ignore();
    }
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Escape) return;
        QDialog::keyPressEvent(e);
    }
};

QFont waitFont() {
    return TFont::New(GETSYSFONT(), 0, -15).qFont();
}

std::vector<QString> linesOf(const std::string& text) {
    std::vector<QString> lines;
    QString all = qs(text);
    all.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (const QString& l : all.split('\n')) lines.push_back(l.left(1024));
    if (lines.empty()) lines.push_back(QString());
    return lines;
}

void centerOnScreen(QWidget* w) {
    if (QScreen* s = QApplication::primaryScreen()) {
        QRect area = s->availableGeometry();
        w->move(area.center() - QPoint(w->width() / 2, w->height() / 2));
    }
}

}  // namespace

int TMsgBox::MaxWidth(const std::string& text) const {
    if (text.empty()) return 100;
    QFontMetrics fm(waitFont());
    int widest = 0;
    for (const QString& l : linesOf(text)) widest = std::max(widest, fm.horizontalAdvance(l));
    return widest;
}

std::unique_ptr<TMsgBox> TMsgBox::New(const WaitBoxSpec& spec) {
    std::unique_ptr<TMsgBox> box(new TMsgBox);
    box->hWnd_ = activeOwner();
    if (spec.printForm)
        box->openPrintForm(spec);
    else
        box->openOrdinary(spec);
    if (box->hWnd_ && box->hWnd_ != box->oDlg()) box->hWnd_->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    box->cursorSet_ = true;
    return box;
}

void TMsgBox::openOrdinary(const WaitBoxSpec& spec) {
    QFont font = waitFont();
    QFontMetrics fm(font);
    int chrHeight = fm.height();
    int lines = spec.text.empty() ? 1 : static_cast<int>(linesOf(spec.text).size());
    int width = MaxWidth(spec.text);
    if (spec.hasProgress) {
        ++lines;
        width += 5;
    }
    auto* d = new WaitDialog(hWnd_);
    dlg_ = d;
    d->setAttribute(Qt::WA_DeleteOnClose, false);
    d->setFont(font);
    d->setWindowTitle(qs(spec.caption));
    d->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    d->setCursor(Qt::WaitCursor);
    int boxWidth = width + 110;
    int boxHeight = (lines + 5) * chrHeight;
    d->setFixedSize(boxWidth, boxHeight);
    auto* icon = new QLabel(d);
    icon->setPixmap(d->style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    icon->setGeometry(20, 25, 32, 32);
    text_ = new QLabel(d);
    text_->setObjectName(QStringLiteral("waitText"));
    text_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text_->setGeometry(65, 25, width + 20, lines * chrHeight);
    shownText_ = spec.text;
    text_->setText(linesOf(spec.text).size() ? qs(spec.text).replace("\r\n", "\n") : QString());
    if (spec.hasProgress) {
        prg_ = new QProgressBar(d);
        prg_->setTextVisible(false);
        prg_->setRange(spec.low, spec.high);
        prg_->setValue(spec.low);
        prg_->setGeometry(15, boxHeight - 73, boxWidth - 45, 20);
    }
    centerOnScreen(d);
    d->show();
    d->raise();
}

void TMsgBox::openPrintForm(const WaitBoxSpec& spec) {
    printDlg_ =
        std::make_unique<TDialog>("PRINTDLG", spec.caption.empty() ? "Attendere" : spec.caption);
    TDialog& pd = *printDlg_;
    TBtnBmp::ReDefine(101, pd, "PRINT", "", {});
    TSay::ReDefine(102, pd, [this] { return Value(std::to_string(page_)); });
    TButton* cancel = TButton::ReDefine(201, pd, {});
    // Escape and Alt+F4 are refused: only End closes the box.
    pd.bValid = [this] { return printEnding_; };
    pd.bInit = [&pd, cancel] {
        cancel->Hide();
        if (QDialog* d = pd.qDialog()) d->setFixedSize(d->width(), d->height() - 33);
    };
    pd.Activate(true, false);
    dlg_ = pd.qDialog();
    if (dlg_) {
        dlg_->setCursor(Qt::WaitCursor);
        centerOnScreen(dlg_);
    }
}

TMsgBox::~TMsgBox() {
    End();
}

void TMsgBox::End() {
    if (hWnd_) hWnd_->setEnabled(true);
    hWnd_ = nullptr;
    if (cursorSet_) {
        QApplication::restoreOverrideCursor();
        cursorSet_ = false;
    }
    QApplication::processEvents();
    if (printDlg_) {
        printEnding_ = true;
        printDlg_->End(2);
        printDlg_.reset();
    } else if (auto* d = static_cast<WaitDialog*>(dlg_.data())) {
        d->ending = true;
        d->close();
        delete d;
    }
    dlg_ = nullptr;
    shownText_.clear();
}

void TMsgBox::SetMsg(const std::string& text) {
    if (!text_ || !dlg_) return;
    int oldWidth = MaxWidth(shownText_);
    int newWidth = MaxWidth(text);
    shownText_ = text;
    text_->setText(qs(text).replace("\r\n", "\n"));
    if (newWidth != oldWidth) {
        int boxWidth = newWidth + 108;
        dlg_->setFixedSize(boxWidth, dlg_->height());
        text_->resize(newWidth + 20, text_->height());
        centerOnScreen(dlg_);
        if (prg_) prg_->setGeometry(15, dlg_->height() - 73, boxWidth - 45, 20);
    }
    dlg_->update();
}

void TMsgBox::SetPos(int position) {
    if (prg_) prg_->setValue(std::clamp(position, prg_->minimum(), prg_->maximum()));
}

void TMsgBox::SetPage(int page) {
    page_ = page;
    nPag = page;
    if (printDlg_)
        if (TControl* counter = ITEM(*printDlg_, 102)) counter->Refresh();
}

QWidget* TMsgBox::oDlg() const {
    return dlg_.data();
}
QProgressBar* TMsgBox::oPrg() const {
    return prg_.data();
}
QLabel* TMsgBox::textLabel() const {
    return text_.data();
}

}  // namespace velt
