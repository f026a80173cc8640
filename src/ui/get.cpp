#include "ui/get.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

#include "ui/dialog.h"
#include "ui/qtext.h"

namespace velt {

bool TGet::lMinus = false;

// The line edit of a TGet: every key goes through the field's rules.
class GetEdit : public QLineEdit {
  public:
    GetEdit(TGet& get, QWidget* parent) : QLineEdit(parent), get_(get) {}

  protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override {
        QLineEdit::focusInEvent(e);
        get_.onFocusIn();
    }
    void focusOutEvent(QFocusEvent* e) override {
        QLineEdit::focusOutEvent(e);
        // A pop-up (a menu) taking the focus for a moment is not leaving the field.
        if (e->reason() != Qt::PopupFocusReason) get_.onFocusOut();
    }
    void mouseReleaseEvent(QMouseEvent* e) override { QLineEdit::mouseReleaseEvent(e); }

  private:
    void apply(bool changed);
    void syncFromWidget();
    TGet& get_;
};

void GetEdit::syncFromWidget() {
    EditBuffer& b = *get_.buffer_;
    b.text = fromQ(QLineEdit::text());
    b.caret = cursorPosition();
    if (hasSelectedText()) {
        b.selStart = selectionStart();
        b.selLength = static_cast<int>(selectedText().size());
    } else {
        b.selStart = b.caret;
        b.selLength = 0;
    }
}

void GetEdit::apply(bool changed) {
    EditBuffer& b = *get_.buffer_;
    if (!changed) return;  // a refused key leaves text, caret and selection alone
    setText(qs(b.text));
    get_.editing_ = true;
    setCursorPosition(b.caret);
    get_.changed();
}

void GetEdit::keyPressEvent(QKeyEvent* e) {
    const int key = e->key();
    const FieldRules& rules = get_.rules();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        get_.commit();
        focusNextChild();
        e->accept();
        return;
    }
    if (key == Qt::Key_Escape || key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        e->ignore();
        return;
    }
    if (e->matches(QKeySequence::Copy) || e->matches(QKeySequence::SelectAll)) {
        QLineEdit::keyPressEvent(e);
        return;
    }
    bool clipboardEdit = rules.allowsClipboardEdit() && !get_.lReadOnly;
    if (e->matches(QKeySequence::Cut)) {
        if (clipboardEdit && hasSelectedText()) {
            QApplication::clipboard()->setText(selectedText());
            syncFromWidget();
            apply(get_.buffer_->deleteKey());
        }
        e->accept();
        return;
    }
    if (e->matches(QKeySequence::Paste)) {
        if (clipboardEdit) {
            syncFromWidget();
            apply(get_.buffer_->paste(fromQ(QApplication::clipboard()->text())));
        }
        e->accept();
        return;
    }
    if (key == Qt::Key_Delete || key == Qt::Key_Backspace) {
        if (get_.lReadOnly) {
            if (get_.lDelete) {
                std::string blank = rules.kind() == FieldKind::Text
                                        ? std::string(fromQ(QLineEdit::text()).size(), ' ')
                                        : std::string();
                Value v = get_.VarGet();
                if (v.isText())
                    get_.VarPut(Value(std::string(v.text().size(), ' ')));
                else
                    get_.VarPut(rules.readBack(blank));
                get_.cCode = std::string(get_.cCode.size(), ' ');
                get_.editing_ = false;
                get_.Refresh();
                get_.changed();
            }
            e->accept();
            return;
        }
        syncFromWidget();
        apply(key == Qt::Key_Delete ? get_.buffer_->deleteKey() : get_.buffer_->backspace());
        e->accept();
        return;
    }
    if (key == Qt::Key_Insert) {
        e->accept();
        return;
    }
    QString t = e->text();
    bool printable = !t.isEmpty() && t.at(0).isPrint() &&
                     !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (!printable) {
        // Cursor movement and selection keys.
        QLineEdit::keyPressEvent(e);
        return;
    }
    e->accept();
    if (get_.lReadOnly) return;
    std::string bytes = fromQ(t);
    syncFromWidget();
    bool changed = false;
    for (char c : bytes) {
        if (c == '-' && rules.kind() == FieldKind::Number) continue;  // no negative typing
        changed = get_.buffer_->typeChar(c) || changed;
        get_.buffer_->selLength = 0;
    }
    apply(changed);
}

TGet::TGet(TWindow& owner, int id, VarRef var, std::string picture, std::source_location where)
    : TControl(owner, id, where), cPicture(std::move(picture)) {
    bSetGet = std::move(var);
    rebuildRules();
}

TGet* TGet::ReDefine(int nId, TWindow& oWnd, VarRef var, const std::string& cPicture,
                     std::source_location where) {
    return makeControl<TGet>(oWnd, nId, std::move(var), cPicture, where);
}

TGet* TGet::New(int nRow, int nCol, VarRef var, TWindow& oWnd, int nWidth, int nHeight,
                const std::string& cPicture) {
    TGet* g = makeControl<TGet>(oWnd, TControl::nInitID++, std::move(var), cPicture);
    g->nTop = nRow, g->nLeft = nCol, g->nBottom = nRow + nHeight, g->nRight = nCol + nWidth;
    if (oWnd.hWnd) g->create(oWnd.clientWidget(), QRect(nCol, nRow, nWidth, nHeight));
    return g;
}

void TGet::rebuildRules() {
    Value v = bSetGet.get();
    FieldKind kind = fieldKindOf(v);
    int length = v.isText() ? static_cast<int>(v.text().size()) : 0;
    rules_ = std::make_unique<FieldRules>(kind, cPicture, length);
    buffer_ = std::make_unique<EditBuffer>(*rules_);
}

const FieldRules& TGet::rules() const {
    return *rules_;
}
QLineEdit* TGet::lineEdit() const {
    return qobject_cast<QLineEdit*>(hWnd.data());
}

QWidget* TGet::createWidget(QWidget* parent) {
    auto* e = new GetEdit(*this, parent);
    const ControlTemplate* t = templ();
    if (t) {
        if (t->has("ES_READONLY")) lReadOnly = true;
        if (t->has("ES_PASSWORD")) lPassword = true;
        if (t->has("ES_RIGHT")) e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (t->has("ES_CENTER")) e->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    }
    e->setReadOnly(lReadOnly);
    if (lPassword) e->setEchoMode(QLineEdit::Password);
    e->setMaxLength(32767);
    e->setContextMenuPolicy(Qt::NoContextMenu);
    if (nClrPane >= 0 || nClrText >= 0) {
        QPalette pal = e->palette();
        if (nClrPane >= 0) pal.setColor(QPalette::Base, toQColor(nClrPane));
        if (nClrText >= 0) pal.setColor(QPalette::Text, toQColor(nClrText));
        e->setPalette(pal);
    } else {
        QPalette pal = e->palette();
        pal.setColor(QPalette::Base, toQColor(GETSYSBGCOLOR(5)));
        e->setPalette(pal);
    }
    return e;
}

void TGet::afterCreate() {
    rebuildRules();
    editing_ = false;
    Refresh();
}

void TGet::Refresh() {
    QLineEdit* e = lineEdit();
    if (!e) return;
    rebuildRules();
    Value v = bSetGet.get();
    if (e->hasFocus()) {
        buffer_->setText(rules_->focusText(v));
        e->setText(qs(buffer_->text));
        e->selectAll();
    } else {
        e->setText(qs(rules_->displayText(v)));
        e->setCursorPosition(0);
    }
    editing_ = false;
}

void TGet::SetValue(const Value& v) {
    VarPut(v);
    Refresh();
}

std::string TGet::text() const {
    QLineEdit* e = lineEdit();
    return e ? fromQ(e->text()) : std::string();
}

void TGet::onFocusIn() {
    QLineEdit* e = lineEdit();
    if (!e) return;
    Value v = bSetGet.get();
    // A date typed wrong stays as typed until it is corrected.
    if (!(rules_->kind() == FieldKind::Date && rules_->badDate(text()))) {
        buffer_->setText(rules_->focusText(v));
        e->setText(qs(buffer_->text));
    }
    editing_ = false;
    QPointer<QLineEdit> guard(e);
    e->selectAll();
    // A mouse click would drop the selection made on entry: select again once it is handled.
    QTimer::singleShot(0, e, [guard] {
        if (guard && guard->hasFocus()) guard->selectAll();
    });
}

void TGet::onFocusOut() {
    commit();
    QLineEdit* e = lineEdit();
    if (!e) return;
    if (rules_->kind() == FieldKind::Date && rules_->badDate(text())) return;
    e->setText(qs(rules_->displayText(bSetGet.get())));
    e->setCursorPosition(0);
}

void TGet::commit() {
    QLineEdit* e = lineEdit();
    if (!e || lReadOnly || !editing_) return;
    VarPut(rules_->readBack(text()));
    editing_ = false;
}

bool TGet::hasBadDate() const {
    return rules_->badDate(text());
}

bool TGet::hasTooBigNumber() const {
    if (rules_->kind() != FieldKind::Number) return false;
    return rules_->numberTooBig(bSetGet.get().num());
}

// The memo editor: the value is written back when it loses the focus.
class MultiEdit : public QPlainTextEdit {
  public:
    MultiEdit(TMultiGet& get, QWidget* parent) : QPlainTextEdit(parent), get_(get) {}

  protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Escape) {
            e->ignore();
            return;
        }
        if (get_.lReadOnly) {
            if ((e->key() == Qt::Key_Delete || e->key() == Qt::Key_Backspace) && get_.lDelete) {
                get_.VarPut(Value(std::string()));
                get_.Refresh();
                get_.changed();
                return;
            }
            if (e->matches(QKeySequence::Copy) || e->matches(QKeySequence::SelectAll) ||
                e->text().isEmpty())
                QPlainTextEdit::keyPressEvent(e);
            return;
        }
        if (get_.nLen > 0 && !e->text().isEmpty() && e->text().at(0).isPrint() &&
            toPlainText().size() >= get_.nLen)
            return;
        QPlainTextEdit::keyPressEvent(e);
    }
    void focusOutEvent(QFocusEvent* e) override {
        QPlainTextEdit::focusOutEvent(e);
        if (e->reason() != Qt::PopupFocusReason) get_.commit();
    }

  private:
    TMultiGet& get_;
};

TMultiGet::TMultiGet(TWindow& owner, int id, VarRef var, std::source_location where)
    : TControl(owner, id, where) {
    bSetGet = std::move(var);
}

TMultiGet* TMultiGet::ReDefine(int nId, TWindow& oWnd, VarRef var, std::source_location where) {
    return makeControl<TMultiGet>(oWnd, nId, std::move(var), where);
}

TMultiGet* TMultiGet::New(int nRow, int nCol, VarRef var, TWindow& oWnd, int nWidth, int nHeight) {
    TMultiGet* g = makeControl<TMultiGet>(oWnd, TControl::nInitID++, std::move(var));
    g->nTop = nRow, g->nLeft = nCol, g->nBottom = nRow + nHeight, g->nRight = nCol + nWidth;
    if (oWnd.hWnd) g->create(oWnd.clientWidget(), QRect(nCol, nRow, nWidth, nHeight));
    return g;
}

QPlainTextEdit* TMultiGet::editor() const {
    return qobject_cast<QPlainTextEdit*>(hWnd.data());
}

QWidget* TMultiGet::createWidget(QWidget* parent) {
    auto* e = new MultiEdit(*this, parent);
    if (templ() && templ()->has("ES_READONLY")) lReadOnly = true;
    e->setReadOnly(lReadOnly);
    e->setTabChangesFocus(true);
    QPalette pal = e->palette();
    pal.setColor(QPalette::Base, toQColor(nClrPane >= 0 ? nClrPane : GETSYSBGCOLOR(5)));
    if (nClrText >= 0) pal.setColor(QPalette::Text, toQColor(nClrText));
    e->setPalette(pal);
    QObject::connect(e, &QPlainTextEdit::textChanged, e, [this] {
        if (!loading_) changed();
    });
    return e;
}

void TMultiGet::Refresh() {
    QPlainTextEdit* e = editor();
    if (!e) return;
    loading_ = true;
    QString t = qs(VarGet().text());
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    // Trailing blanks of a memo field are padding, not text.
    while (t.endsWith(' ')) t.chop(1);
    e->setPlainText(t);
    loading_ = false;
}

std::string TMultiGet::text() const {
    QPlainTextEdit* e = editor();
    if (!e) return {};
    QString t = e->toPlainText();
    t.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return fromQ(t);
}

void TMultiGet::commit() {
    if (!editor() || lReadOnly) return;
    std::string t = text();
    if (t != VarGet().text()) VarPut(Value(t));
}

}  // namespace velt
