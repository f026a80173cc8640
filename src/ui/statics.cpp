#include "ui/statics.h"

#include <QLabel>
#include <QProgressBar>
#include <QScrollBar>
#include <cstdio>

#include "ui/dialog.h"
#include "ui/picture.h"
#include "ui/qtext.h"
#include "util/convert.h"

namespace velt {

std::string displayValue(const Value& v) {
    return CVALTOCHAR(v);
}

TSay::TSay(TWindow& owner, int id, std::source_location where) : TControl(owner, id, where) {}

TSay* TSay::ReDefine(int nId, TWindow& oWnd, std::function<Value()> bGet,
                     const std::string& cPicture, std::source_location where) {
    TSay* s = makeControl<TSay>(oWnd, nId, where);
    s->bGet = std::move(bGet);
    s->cPicture = cPicture;
    return s;
}

TSay* TSay::New(int nRow, int nCol, std::function<Value()> bGet, TWindow& oWnd, int nWidth,
                int nHeight, const std::string& cPicture) {
    TSay* s = makeControl<TSay>(oWnd, TControl::nInitID++);
    s->bGet = std::move(bGet);
    s->cPicture = cPicture;
    s->nTop = nRow, s->nLeft = nCol, s->nBottom = nRow + nHeight, s->nRight = nCol + nWidth;
    if (oWnd.hWnd) s->create(oWnd.clientWidget(), QRect(nCol, nRow, nWidth, nHeight));
    return s;
}

QWidget* TSay::createWidget(QWidget* parent) {
    auto* l = new QLabel(parent);
    Qt::Alignment a = Qt::AlignLeft | Qt::AlignTop;
    if (const ControlTemplate* t = templ()) {
        if (cCaption.empty()) cCaption = t->text;
        if (t->has("SS_RIGHT")) a = Qt::AlignRight | Qt::AlignTop;
        if (t->has("SS_CENTER")) a = Qt::AlignHCenter | Qt::AlignTop;
        if (t->has("SS_CENTERIMAGE")) a = (a & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter;
        if (t->has("WS_BORDER") || t->has("SS_SUNKEN"))
            l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    l->setAlignment(a);
    l->setWordWrap(true);
    return l;
}

std::string TSay::text() const {
    if (!bGet) return cCaption;
    Value v = bGet();
    if (!cPicture.empty()) {
        FieldRules rules(fieldKindOf(v), cPicture,
                         v.isText() ? static_cast<int>(v.text().size()) : 0);
        return rules.displayText(v);
    }
    return displayValue(v);
}

void TSay::Refresh() {
    auto* l = qobject_cast<QLabel*>(hWnd.data());
    if (!l) return;
    l->setText(labelText(text()));
    if (bClrText) {
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, toQColor(bClrText()));
        l->setPalette(pal);
    } else if (nClrText >= 0) {
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, toQColor(nClrText));
        l->setPalette(pal);
    }
}

TImage::TImage(TWindow& owner, int id, std::string name, std::source_location where)
    : TControl(owner, id, where), cImgFile(std::move(name)) {
    hImg = loadPicture(cImgFile);
}

TImage* TImage::ReDefine(int nId, TWindow& oWnd, const std::string& cResName,
                         std::source_location where) {
    return makeControl<TImage>(oWnd, nId, cResName, where);
}

QWidget* TImage::createWidget(QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

void TImage::Refresh() {
    auto* l = qobject_cast<QLabel*>(hWnd.data());
    if (!l) return;
    l->setScaledContents(lAdjust);
    l->setPixmap(hImg);
}

void TImage::LoadImage(const std::string& name) {
    cImgFile = name;
    hImg = loadPicture(name);
    Refresh();
}

TIcon::TIcon(TWindow& owner, int id, std::string name, std::source_location where)
    : TControl(owner, id, where), cResName(std::move(name)) {
    hIcon = loadPicture(cResName);
}

TIcon* TIcon::ReDefine(int nId, TWindow& oWnd, const std::string& cName,
                       std::source_location where) {
    return makeControl<TIcon>(oWnd, nId, cName, where);
}

QWidget* TIcon::createWidget(QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setAlignment(Qt::AlignCenter);
    l->setPixmap(hIcon);
    l->setScaledContents(true);
    return l;
}

TProgress::TProgress(TWindow& owner, int id, std::source_location where)
    : TControl(owner, id, where) {}

TProgress* TProgress::ReDefine(int nId, TWindow& oWnd, std::source_location where) {
    return makeControl<TProgress>(oWnd, nId, where);
}

TProgress* TProgress::New(int nRow, int nCol, TWindow& oWnd, int nWidth, int nHeight) {
    TProgress* p = makeControl<TProgress>(oWnd, TControl::nInitID++);
    p->nTop = nRow, p->nLeft = nCol, p->nBottom = nRow + nHeight, p->nRight = nCol + nWidth;
    if (oWnd.hWnd) p->create(oWnd.clientWidget(), QRect(nCol, nRow, nWidth, nHeight));
    return p;
}

QProgressBar* TProgress::bar() const {
    return qobject_cast<QProgressBar*>(hWnd.data());
}

QWidget* TProgress::createWidget(QWidget* parent) {
    auto* b = new QProgressBar(parent);
    b->setTextVisible(false);
    b->setRange(nMin, nMax);
    b->setValue(nPos);
    return b;
}

void TProgress::SetRange(int low, int high) {
    nMin = low, nMax = high;
    if (auto* b = bar()) b->setRange(low, high);
}

void TProgress::SetPos(int pos) {
    nPos = pos;
    if (auto* b = bar()) b->setValue(std::clamp(pos, nMin, nMax));
}

TScrollBar::TScrollBar(TWindow& owner, int id, bool vertical, std::source_location where)
    : TControl(owner, id, where), lVertical(vertical) {}

TScrollBar* TScrollBar::ReDefine(int nId, TWindow& oWnd, bool vertical,
                                 std::source_location where) {
    return makeControl<TScrollBar>(oWnd, nId, vertical, where);
}

TScrollBar* TScrollBar::New(int nRow, int nCol, int nWidth, int nHeight, TWindow& oWnd,
                            bool vertical) {
    TScrollBar* s = makeControl<TScrollBar>(oWnd, TControl::nInitID++, vertical);
    s->nTop = nRow, s->nLeft = nCol, s->nBottom = nRow + nHeight, s->nRight = nCol + nWidth;
    if (oWnd.hWnd) s->create(oWnd.clientWidget(), QRect(nCol, nRow, nWidth, nHeight));
    return s;
}

QScrollBar* TScrollBar::bar() const {
    return qobject_cast<QScrollBar*>(hWnd.data());
}

QWidget* TScrollBar::createWidget(QWidget* parent) {
    if (templ()) lVertical = templ()->has("SBS_VERT");
    auto* b = new QScrollBar(lVertical ? Qt::Vertical : Qt::Horizontal, parent);
    b->setRange(nMin, nMax);
    b->setPageStep(nPgStep);
    b->setValue(pos_);
    QObject::connect(b, &QScrollBar::actionTriggered, b, [this, b](int action) {
        switch (action) {
            case QAbstractSlider::SliderSingleStepSub:
                if (bGoUp) bGoUp();
                break;
            case QAbstractSlider::SliderSingleStepAdd:
                if (bGoDown) bGoDown();
                break;
            case QAbstractSlider::SliderPageStepSub:
                if (bPageUp) bPageUp();
                break;
            case QAbstractSlider::SliderPageStepAdd:
                if (bPageDown) bPageDown();
                break;
            case QAbstractSlider::SliderToMinimum:
                if (bGoTop) bGoTop();
                break;
            case QAbstractSlider::SliderToMaximum:
                if (bGoBottom) bGoBottom();
                break;
            case QAbstractSlider::SliderMove:
                if (bTrack) bTrack(b->sliderPosition());
                break;
            default:
                break;
        }
    });
    QObject::connect(b, &QScrollBar::sliderReleased, b, [this, b] {
        pos_ = b->sliderPosition();
        if (bPos) bPos(pos_);
    });
    return b;
}

void TScrollBar::SetRange(int low, int high) {
    nMin = low, nMax = high;
    if (auto* b = bar()) b->setRange(low, high);
}

void TScrollBar::SetPos(int pos) {
    pos_ = pos;
    if (auto* b = bar()) {
        QSignalBlocker block(b);
        b->setValue(pos);
    }
}

int TScrollBar::GetPos() const {
    return bar() ? bar()->value() : pos_;
}

void TScrollBar::SetPage(int page) {
    nPgStep = page;
    if (auto* b = bar()) b->setPageStep(page);
}

}  // namespace velt
