#include "ui/menu.h"

#include <QAction>
#include <QLayout>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <algorithm>

#include "ui/msgbar.h"
#include "ui/qtext.h"
#include "util/failure.h"

namespace velt {

int TMenuItem::nNextId = 16384;

namespace {
constexpr int kLastId = 32768;
constexpr int kRestartAbove = 17408;

int nextItemId() {
    if (TMenuItem::nNextId + 1 > kLastId) TMenuItem::nNextId = kRestartAbove;
    return ++TMenuItem::nNextId;
}

// Windows virtual-key codes to Qt keys (letters, digits, function keys and a few others).
int qtKeyOf(int vk) {
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return vk;
    if (vk >= 0x70 && vk <= 0x87) return Qt::Key_F1 + (vk - 0x70);
    switch (vk) {
        case 0x08:
            return Qt::Key_Backspace;
        case 0x09:
            return Qt::Key_Tab;
        case 0x0D:
            return Qt::Key_Return;
        case 0x1B:
            return Qt::Key_Escape;
        case 0x20:
            return Qt::Key_Space;
        case 0x21:
            return Qt::Key_PageUp;
        case 0x22:
            return Qt::Key_PageDown;
        case 0x23:
            return Qt::Key_End;
        case 0x24:
            return Qt::Key_Home;
        case 0x25:
            return Qt::Key_Left;
        case 0x26:
            return Qt::Key_Up;
        case 0x27:
            return Qt::Key_Right;
        case 0x28:
            return Qt::Key_Down;
        case 0x2D:
            return Qt::Key_Insert;
        case 0x2E:
            return Qt::Key_Delete;
        default:
            return 0;
    }
}

TMenu* rootOf(TMenu* menu) {
    while (menu && menu->oParent) menu = menu->oParent;
    return menu;
}
}  // namespace

// ---- TMenuItem ----

std::unique_ptr<TMenuItem> TMenuItem::New(const std::string& cPrompt, const std::string& cMsg,
                                          bool lChecked, Action bAction, Action bAltAction,
                                          int nVKState, int nVirtKey, When bWhen) {
    auto item = std::make_unique<TMenuItem>();
    item->cPrompt = cPrompt;
    item->cMsg = cMsg;
    item->lChecked = lChecked;
    item->bAction = bAltAction ? std::move(bAltAction) : std::move(bAction);
    item->bWhen = std::move(bWhen);
    item->nVKState = nVKState;
    item->nVirtKey = nVirtKey;
    if (!item->IsSeparator()) item->nId = nextItemId();
    if (nVirtKey && !TMenu::aMenus().empty()) {
        TMenu* first = TMenu::aMenus().front();
        if (!first->oAccTable) first->oAccTable = std::make_unique<TAccTable>();
        first->oAccTable->Add(nVirtKey, nVKState, item->nId);
    }
    return item;
}

TMenuItem::~TMenuItem() {
    End();
}

void TMenuItem::SetCheck(bool lOnOff) {
    lChecked = lOnOff;
    if (hAction && !IsSubMenu()) {
        hAction->setCheckable(lOnOff || hAction->isCheckable());
        hAction->setChecked(lOnOff);
    }
}

bool TMenuItem::IsEnabled() const {
    return hAction ? hAction->isEnabled() : true;
}

void TMenuItem::End() {
    oSubMenu.reset();
    // A command's entry belongs to the menu widget, which may already be gone.
    if (hAction && !IsSubMenu() && oMenu && oMenu->IsAlive()) delete hAction;
    hAction = nullptr;
}

// ---- TAccTable ----

void TAccTable::Add(int nVirtKey, int nVKState, int nId) {
    for (Entry& e : aItems) {
        if (e.nVirtKey == nVirtKey && e.nVKState == nVKState) {
            e.nId = nId;
            return;
        }
    }
    aItems.push_back({nVirtKey, nVKState, nId});
}

void TAccTable::Activate(QWidget* window, std::function<void(int)> command) {
    nHandle = 0;
    if (!window) return;
    for (const Entry& e : aItems) {
        int key = qtKeyOf(e.nVirtKey);
        if (!key) continue;
        int mods = 0;
        if (e.nVKState & kShift) mods |= Qt::SHIFT;
        if (e.nVKState & kControl) mods |= Qt::CTRL;
        if (e.nVKState & kAlt) mods |= Qt::ALT;
        auto* shortcut = new QShortcut(QKeySequence(key | mods), window);
        const int id = e.nId;
        QObject::connect(shortcut, &QShortcut::activated, [command, id] { command(id); });
        ++nHandle;
    }
}

// ---- TMenu ----

std::vector<TMenu*>& TMenu::aMenus() {
    static std::vector<TMenu*> menus;
    return menus;
}

TMenu::TMenu(bool lPopup) : lPopup_(lPopup) {
    if (lPopup) {
        auto* menu = new QMenu();
        QObject::connect(menu, &QMenu::aboutToShow, [this] { Initiate(); });
        QObject::connect(menu, &QMenu::hovered, [this](QAction* a) {
            for (auto& item : aItems)
                if (item->hAction == a) highlight(*item);
        });
        QObject::connect(menu, &QMenu::aboutToHide, [this] {
            if (TMsgBar* bar = MsgBar()) bar->SetMsg("");
        });
        hMenu = menu;
    } else {
        hMenu = new QMenuBar();
    }
    guard_ = hMenu;
    aMenus().push_back(this);
}

TMenu::~TMenu() {
    Destroy();
}

void TMenu::Destroy() {
    auto& list = aMenus();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    aItems.clear();
    delete guard_.data();
    hMenu = nullptr;
}

void TMenu::AddItem(std::unique_ptr<TMenuItem> item) {
    if (!aMenus().empty()) aMenus().back()->Add(std::move(item));
}

void TMenu::EndSubMenu() {
    if (aMenus().size() > 1) aMenus().pop_back();
}

void TMenu::Add(std::unique_ptr<TMenuItem> item) {
    item->oMenu = this;
    TMenuItem* raw = item.get();
    if (!IsAlive()) return;
    if (raw->IsSeparator()) {
        if (auto* m = qobject_cast<QMenu*>(hMenu))
            raw->hAction = m->addSeparator();
        else if (auto* b = qobject_cast<QMenuBar*>(hMenu))
            raw->hAction = b->addSeparator();
        aItems.push_back(std::move(item));
        return;
    }
    if (raw->IsSubMenu()) {
        raw->oSubMenu = std::make_unique<TMenu>(true);  // now the newest menu under construction
        raw->oSubMenu->oParent = this;
        auto* sub = static_cast<QMenu*>(raw->oSubMenu->hMenu);
        sub->setTitle(qs(raw->cPrompt));
        if (auto* m = qobject_cast<QMenu*>(hMenu))
            raw->hAction = m->addMenu(sub);
        else if (auto* b = qobject_cast<QMenuBar*>(hMenu))
            raw->hAction = b->addMenu(sub);
        aItems.push_back(std::move(item));
        return;
    }
    auto* action = new QAction(qs(raw->cPrompt), hMenu);
    if (raw->lChecked) {
        action->setCheckable(true);
        action->setChecked(true);
    }
    const int id = raw->nId;
    QObject::connect(action, &QAction::triggered, [this, id] {
        // The window's event loop is the last place an abandoned operation can stop.
        try {
            rootOf(this)->Command(id);
        } catch (const Abandon&) {
        }
    });
    hMenu->addAction(action);
    raw->hAction = action;
    aItems.push_back(std::move(item));
}

void TMenu::Initiate() {
    for (auto& item : aItems) {
        if (item->IsSeparator() || !item->hAction) continue;
        if (item->bWhen) item->hAction->setEnabled(item->bWhen());
        if (item->IsSubMenu()) {
            item->oSubMenu->Initiate();
        } else {
            if (item->lChecked) item->hAction->setCheckable(true);
            item->hAction->setChecked(item->lChecked);
        }
    }
}

TMenuItem* TMenu::GetMenuItem(int nId) {
    for (auto& item : aItems) {
        if (!item->IsSeparator() && item->nId == nId && !item->IsSubMenu()) return item.get();
        if (item->oSubMenu)
            if (TMenuItem* found = item->oSubMenu->GetMenuItem(nId)) return found;
    }
    return nullptr;
}

bool TMenu::Command(int nId) {
    TMenuItem* item = GetMenuItem(nId);
    if (!item || !item->IsEnabled() || !item->bAction) return false;
    item->bAction(*item);
    return true;
}

void TMenu::Activate(int nRow, int nCol, QWidget* window, bool) {
    auto* menu = qobject_cast<QMenu*>(hMenu);
    if (!menu) return;
    oWnd = window;
    QPoint at(nCol, nRow < 0 ? -nRow : nRow);
    if (nRow < 0) at.rx() -= menu->sizeHint().width();
    QPoint global = window ? window->mapToGlobal(at) : at;
    menu->exec(global);
}

void TMenu::SetWindow(QWidget* window, TMsgBar* msgBar) {
    oWnd = window;
    oMsgBar_ = msgBar;
    auto* bar = qobject_cast<QMenuBar*>(hMenu);
    if (!bar || !window) return;
    if (auto* main = qobject_cast<QMainWindow*>(window))
        main->setMenuBar(bar);  // the window now owns it; the guard sees it go
    else if (window->layout())
        window->layout()->setMenuBar(bar);
    else
        bar->setParent(window);
    bar->show();
}

TMsgBar* TMenu::MsgBar() const {
    const TMenu* root = this;
    while (root->oParent) root = root->oParent;
    return root->oMsgBar_ ? root->oMsgBar_ : GETMSGBARDEFAULT();
}

void TMenu::highlight(const TMenuItem& item) {
    if (TMsgBar* bar = MsgBar()) bar->SetMsg(item.IsSubMenu() ? std::string() : item.cMsg);
}

}  // namespace velt
