#include "ui/combobox.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>

#include "ui/qtext.h"
#include "util/text.h"

namespace velt {
namespace {
std::string rtrim(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// The combo box widget: the popup closing reports bCloseUp.
class ComboWidget : public QComboBox {
  public:
    ComboWidget(TComboBox& owner, QWidget* parent) : QComboBox(parent), owner_(owner) {}
    void hidePopup() override {
        QComboBox::hidePopup();
        if (owner_.bCloseUp) owner_.bCloseUp();
    }

  private:
    TComboBox& owner_;
};
}  // namespace

TComboBox::TComboBox(TWindow& owner, int id, VarRef var, std::vector<std::string> items,
                     std::source_location where)
    : TControl(owner, id, where), aItems(std::move(items)) {
    bSetGet = std::move(var);
}

TComboBox* TComboBox::ReDefine(int nId, TWindow& oWnd, VarRef var, std::vector<std::string> aItems,
                               std::source_location where) {
    return makeControl<TComboBox>(oWnd, nId, std::move(var), std::move(aItems), where);
}

QComboBox* TComboBox::combo() const {
    return qobject_cast<QComboBox*>(hWnd.data());
}

bool TComboBox::editable() const {
    return combo() && combo()->isEditable();
}

QWidget* TComboBox::createWidget(QWidget* parent) {
    auto* cb = new ComboWidget(*this, parent);
    const ControlTemplate* t = templ();
    bool isEditable = t && t->has("CBS_DROPDOWN") && !t->has("CBS_DROPDOWNLIST");
    cb->setEditable(isEditable);
    cb->setInsertPolicy(QComboBox::NoInsert);
    cb->setMaxVisibleItems(12);
    QPalette pal = cb->palette();
    pal.setColor(QPalette::Base, toQColor(nClrPane >= 0 ? nClrPane : GETSYSBGCOLOR(5)));
    cb->setPalette(pal);
    QObject::connect(cb, &QComboBox::activated, cb, [this](int index) {
        if (loading_ || index < 0) return;
        VarPut(Value(fromQ(combo()->itemText(index))));
        changed();
    });
    if (isEditable) {
        if (nLen > 0) cb->lineEdit()->setMaxLength(nLen);
        QObject::connect(cb->lineEdit(), &QLineEdit::textEdited, cb, [this](const QString& text) {
            if (loading_) return;
            if (!cPicture.empty()) CBPICTURE(*this, cPicture);
            VarPut(Value(fromQ(combo()->lineEdit()->text())));
            (void)text;
            if (bEChange) bEChange();
            changed();
        });
    }
    return cb;
}

void TComboBox::fill() {
    QComboBox* cb = combo();
    if (!cb) return;
    loading_ = true;
    std::string value = rtrim(VarGet().text());
    bool found = false;
    for (const auto& item : aItems)
        if (rtrim(item) == value) found = true;
    if (!found) aItems.insert(aItems.begin(), value);
    cb->clear();
    int selected = -1;
    for (size_t i = 0; i < aItems.size(); ++i) {
        cb->addItem(qs(aItems[i]));
        if (selected < 0 && rtrim(aItems[i]) == value) selected = static_cast<int>(i);
    }
    cb->setCurrentIndex(selected);
    if (cb->isEditable()) cb->lineEdit()->setText(qs(value));
    loading_ = false;
}

void TComboBox::Refresh() {
    fill();
}

void TComboBox::SetItems(std::vector<std::string> items) {
    aItems = std::move(items);
    fill();
}

std::string TComboBox::shownText() const {
    QComboBox* cb = combo();
    if (!cb) return VarGet().text();
    return fromQ(cb->currentText());
}

void TComboBox::takeShownText() {
    if (!combo()) return;
    Value v = VarGet();
    std::string shown = shownText();
    // A padded text value keeps its length.
    if (v.isText() && shown.size() < v.text().size())
        shown.append(v.text().size() - shown.size(), ' ');
    VarPut(Value(shown));
}

void TComboBox::clear() {
    Value v = VarGet();
    VarPut(Value(v.isText() ? std::string(v.text().size(), ' ') : std::string()));
    if (QComboBox* cb = combo()) {
        loading_ = true;
        cb->setCurrentIndex(-1);
        if (cb->isEditable()) cb->lineEdit()->clear();
        loading_ = false;
    }
}

void CBPICTURE(TComboBox& box, const std::string& picture) {
    QComboBox* cb = box.combo();
    if (!cb || !cb->isEditable()) return;
    QLineEdit* edit = cb->lineEdit();
    EditText before;
    before.text = fromQ(edit->text());
    before.caret = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    EditText after = CBPICTURE(before, picture);
    if (after == before) return;
    edit->setText(qs(after.text));
    edit->setCursorPosition(after.caret);
}

}  // namespace velt
