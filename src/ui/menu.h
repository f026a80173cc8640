// Menus of the windows: the menu bar with its drop-down menus (TMenu), their items (TMenuItem)
// and the accelerator table of the keys that choose items (TAccTable). An item's when callback
// is evaluated each time its menu drops down; highlighting an item shows its help text in the
// window's status line.
#pragma once

#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace velt {

class TMenu;
class TMsgBar;

class TMenuItem {
  public:
    using Action = std::function<void(TMenuItem&)>;
    using When = std::function<bool()>;

    // New(prompt, help text, checked, action, alternative action, key state, virtual key, when):
    // the alternative action, when given, replaces the action. An empty prompt is a separator;
    // a prompt without action opens a sub-menu. With a virtual key, an accelerator is added to
    // the accelerator table of the first menu under construction.
    static std::unique_ptr<TMenuItem> New(const std::string& cPrompt, const std::string& cMsg = "",
                                          bool lChecked = false, Action bAction = nullptr,
                                          Action bAltAction = nullptr, int nVKState = 0,
                                          int nVirtKey = 0, When bWhen = nullptr);
    ~TMenuItem();

    void SetCheck(bool lOnOff);
    // Enabled state as the last drop-down left it.
    bool IsEnabled() const;
    void End();

    bool IsSeparator() const { return cPrompt.empty(); }
    bool IsSubMenu() const { return !IsSeparator() && !bAction; }

    std::string cPrompt;
    std::string cMsg;
    bool lChecked = false;
    Action bAction;
    When bWhen;
    int nId = 0;
    int nVKState = 0;
    int nVirtKey = 0;
    TMenu* oMenu = nullptr;           // the menu that holds it
    std::unique_ptr<TMenu> oSubMenu;  // the menu it opens, for a sub-menu item
    QAction* hAction = nullptr;       // its entry in the platform menu

    // The last number given; items take the next one (16385 first; after 32768, 17409).
    static int nNextId;
};

// {key, key state, item number}: key states combine kShift, kControl and kAlt.
class TAccTable {
  public:
    static constexpr int kShift = 0x04;
    static constexpr int kControl = 0x08;
    static constexpr int kAlt = 0x10;

    struct Entry {
        int nVirtKey = 0;
        int nVKState = 0;
        int nId = 0;
    };

    // A second entry with the same key and state replaces the first.
    void Add(int nVirtKey, int nVKState, int nId);
    // Makes the keys work in `window`: each runs `command` with its item number.
    void Activate(QWidget* window, std::function<void(int)> command);

    std::vector<Entry> aItems;
    int nHandle = 0;  // number of shortcuts made by the last Activate
};

class TMenu {
  public:
    // A menu bar, or a pop-up menu, appended to the menus under construction.
    explicit TMenu(bool lPopup = false);
    ~TMenu();
    TMenu(const TMenu&) = delete;
    TMenu& operator=(const TMenu&) = delete;

    // Adds to the newest menu under construction (see Add).
    static void AddItem(std::unique_ptr<TMenuItem> item);
    // Ends the newest sub-menu under construction, so the next items go to its parent.
    static void EndSubMenu();
    // The menus under construction, the newest last.
    static std::vector<TMenu*>& aMenus();

    // A command item is appended under its number; a separator draws a line; an item with a
    // prompt and no action opens a sub-menu that becomes the newest menu under construction.
    void Add(std::unique_ptr<TMenuItem> item);
    // Each time the menu drops down: the when callbacks enable or grey the items, check marks
    // follow lChecked; sub-menus alike.
    void Initiate();
    // The item with that number (searched through the sub-menus) runs its action; answers
    // whether an enabled item ran.
    bool Command(int nId);
    TMenuItem* GetMenuItem(int nId);
    // Shows a pop-up menu at a point of `window` (right-aligned there when nRow < 0) and returns
    // when it closes. The menu object stays usable for the next call whatever lRelease says.
    void Activate(int nRow, int nCol, QWidget* window, bool lRelease = true);
    // Puts a menu bar into a window's frame; its help texts go to that window's status line.
    void SetWindow(QWidget* window, TMsgBar* msgBar);
    void Destroy();
    void End() { Destroy(); }

    bool IsPopup() const { return lPopup_; }
    // False once the platform menu is gone (a window deletes the menu bar it was given).
    bool IsAlive() const { return !guard_.isNull(); }
    // The status line that shows the help texts (the window's, else the one created last).
    TMsgBar* MsgBar() const;

    QWidget* oWnd = nullptr;
    QWidget* hMenu = nullptr;  // a QMenuBar or a QMenu
    std::unique_ptr<TAccTable> oAccTable;
    std::vector<std::unique_ptr<TMenuItem>> aItems;
    TMenu* oParent = nullptr;  // for a sub-menu, the menu that holds it

  private:
    void highlight(const TMenuItem& item);
    bool lPopup_ = false;
    TMsgBar* oMsgBar_ = nullptr;
    QPointer<QWidget> guard_;
};

}  // namespace velt
