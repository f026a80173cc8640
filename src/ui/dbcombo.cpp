#include "ui/dbcombo.h"

#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

#include "data/access.h"
#include "data/engine/work_areas.h"
#include "ui/browse.h"
#include "ui/get.h"
#include "ui/listsearch.h"
#include "ui/paint.h"
#include "ui/refreshall.h"
#include "util/convert.h"

namespace velt {

namespace {

using engine::WorkArea;
using engine::WorkAreas;

TWBrowse*& currentList() {
    static TWBrowse* list = nullptr;
    return list;
}

std::string rtrim(std::string s) {
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string crlfToBlank(std::string s) {
    for (size_t i = s.find("\r\n"); i != std::string::npos; i = s.find("\r\n", i)) {
        s.replace(i, 2, " ");
    }
    return s;
}

// The text a value shows in the list.
std::string shownText(const Value& v) {
    if (v.isDate()) return v.date().isEmpty() ? std::string(8, ' ') : v.date().toString();
    if (v.isText()) return crlfToBlank(v.text());
    return CVALTOCHAR(v);
}

// Puts the list on the row of the field's value (nothing found: the first row).
void positionOn(const DbComboArgs& a, WorkArea& wa, const Value& noted) {
    bool found = false;
    if (noted.isText()) {
        const std::string value = rtrim(noted.text());
        if (a.lSearch) {
            found = wa.seek(Value(a.cPrefix + upper(crlfToBlank(value))));
        } else if (!a.bLocate) {
            found = wa.seek(Value(a.cPrefix + value));
        } else {
            const std::string start = upper(value);
            found = wa.locate(
                [&](WorkArea& w) {
                    return upper(a.bLocate(w)).compare(0, start.size(), start) == 0;
                },
                true);
        }
    } else {
        found = wa.seek(noted);
    }
    if (!found) wa.goTop();
}

// Restricts the list by prefix, filter or key (a view), or leaves it on the index.
void restrict(const DbComboArgs& a, WorkArea& wa) {
    auto live = [filter = a.bFilter](WorkArea& w) {
        return !w.deleted() && (!filter || filter(w));
    };
    if (!a.cPrefix.empty()) {
        wa.setRange(a.cPrefix, a.cPrefix);
        wa.goTop();
        DBSETVIEW(live, {}, a.cKey, std::nullopt, false, true);
    } else if (a.bFilter || a.cKey) {
        DBSETVIEW(live, {}, a.cKey, std::nullopt, a.lUnique);
    }
}

}  // namespace

PickerPlace pickerPlace(int fieldLeft, int fieldBottom, int width, int rows, int screenHeight) {
    PickerPlace p;
    p.nHeight = (rows + 1) * 15 + 2;
    p.nWidth = width;
    int top = fieldBottom;
    if (top + p.nHeight + 10 > screenHeight) top = top - p.nHeight - 25;  // above the field
    p.nTop = top + 5;
    p.nLeft = fieldLeft + 5;
    return p;
}

TWBrowse* openPickerList() {
    return currentList();
}

bool DBCOMBO(const DbComboArgs& a) {
    if (!a.oGet || !a.oGet->hWnd || !a.bShow) return false;
    TGet& get = *a.oGet;
    // 1. The value to put back when nothing is chosen.
    const Value noted = get.VarGet();
    // 2. The place: under the field, or above it near the bottom of the screen.
    QWidget* field = get.hWnd;
    const QPoint bottomLeft = field->mapToGlobal(QPoint(0, field->height()));
    int width = a.nWidth;
    if (width <= 0) {
        const int right = a.oBtn && a.oBtn->hWnd
                              ? a.oBtn->hWnd->mapToGlobal(QPoint(a.oBtn->hWnd->width(), 0)).x()
                              : bottomLeft.x() + field->width();
        width = right - bottomLeft.x() - 5;
    }
    QScreen* screen = field->screen() ? field->screen() : QGuiApplication::primaryScreen();
    const int screenHeight = screen ? screen->geometry().bottom() + 1 : 768;
    const PickerPlace place =
        pickerPlace(bottomLeft.x(), bottomLeft.y(), width, a.nRows, screenHeight);
    // 3. The focus on the field.
    get.SetFocus();
    QApplication::processEvents();
    // 4. The table in a work area of its own.
    KeepWorkArea keep;
    const std::string alias = GETNEWALIAS();
    DBOPEN(true, a.cTable, alias);
    const int area = WorkAreas::currentNumber();
    bool chosen = false;
    try {
        ORDADD(a.cIndex);
        WorkArea& wa = WorkAreas::current();
        // 5. The restriction; 7. the row of the field's value.
        restrict(a, wa);
        if (!(noted.isText() ? rtrim(noted.text()).empty() : noted.isNil())) {
            positionOn(a, wa, noted);
        }
        // 8. The pop-up with one full-width list.
        // The owner window deletes the pop-up with itself.
        auto* popup =
            new QFrame(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        popup->setFrameStyle(QFrame::Box | QFrame::Plain);
        popup->setLineWidth(1);
        popup->setGeometry(place.nLeft, place.nTop, place.nWidth, place.nHeight);
        TWindow owner;
        owner.hWnd = popup;
        bool closed = false;
        auto close = [&](bool choice) {
            if (closed) return;
            chosen = choice;
            closed = true;
            popup->hide();
        };
        BrowseParams p;
        p.aColSizes = {0};
        p.oFont = a.oFont;
        p.nClrBack = GETSYSBGCOLOR();
        p.cAlias = alias;
        p.bLine = [&a, &wa]() -> BrowseLine { return {shownText(a.bShow(wa))}; };
        p.bChange = [&] {  // the highlighted value goes into the field
            if (wa.eof()) return;
            get.VarPut(a.bShow(wa));
            get.Refresh();
        };
        p.bLClicked = [&](int, int) { close(true); };
        p.bLDblClick = [&](int, int) { close(true); };
        TWBrowse* list =
            TWBrowse::New(1, 1, place.nWidth - 2, place.nHeight - 2, owner, std::move(p));
        list->lCellLines = false;
        const bool isNumber = wa.eof() ? false : a.bShow(wa).isNumber();
        list->aJustify = {a.lRight.value_or(isNumber)};
        list->bKeyChar = [&](int nKey) {
            if (a.lSearch) {
                KEYSEARCH(*list, nKey, a.cPrefix);
            } else if (a.bLocate) {
                KEYLOCATE(*list, nKey, a.bLocate);
            } else {
                KEYSEEK(*list, nKey, a.cPrefix);
            }
            return true;
        };
        list->bKeyDown = [&](int nKey) {
            if (nKey != Qt::Key_Escape) return false;
            close(false);
            return true;
        };
        list->bLostFocus = [&] { close(false); };
        KEYSEARCH();
        list->Stabilize(false);
        popup->show();
        popup->activateWindow();
        list->SetFocus();
        // 9. The button is off and the caller waits while the picker is open.
        currentList() = list;
        if (a.oBtn) a.oBtn->Disable();
        STOPUNTIL([&] { return closed; });
        currentList() = nullptr;
        list->bLostFocus = nullptr;
        // 10. Nothing chosen: the old value back; a choice: the field's code.
        if (!chosen) {
            get.VarPut(noted);
        } else if (a.bCode && !wa.eof()) {
            get.cCode = CVALTOCHAR(a.bCode(wa));
        }
        get.Refresh();
    } catch (...) {
        currentList() = nullptr;
        closeWorkArea(area);
        if (a.oBtn) a.oBtn->Enable();
        throw;
    }
    // 11. The picker's work area closed with its view, the caller's back; the change action.
    closeWorkArea(area);
    WorkAreas::select(keep.saved());
    if (chosen) get.changed();
    if (a.oBtn) a.oBtn->Enable();
    return chosen;
}

}  // namespace velt
