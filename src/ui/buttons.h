// Push buttons, picture buttons, check boxes and radio groups.
//
//     TButton::ReDefine(201, dlg, [&] { dlg.Cargo = 1; dlg.End(1); });
//
// A push button whose when condition is false does nothing; a click while its action still runs
// is ignored; after every action the dialog re-evaluates the when conditions of its controls.
#pragma once

#include <QAbstractButton>

#include "ui/control.h"

class QPushButton;
class QCheckBox;
class QRadioButton;

namespace velt {

class TButton : public TControl {
  public:
    TButton(TWindow& owner, int id, std::function<void()> action,
            std::source_location where = std::source_location::current());
    static TButton* ReDefine(int nId, TWindow& oWnd, std::function<void()> bAction,
                             std::source_location where = std::source_location::current());
    static TButton* New(int nRow, int nCol, const std::string& cCaption, TWindow& oWnd,
                        std::function<void()> bAction, int nWidth, int nHeight,
                        bool lDefault = false);

    std::function<void()> bAction;
    bool lProcessing = false;
    bool lDefault = false;

    QWidget* createWidget(QWidget* parent) override;
    bool isPushButton() const override { return true; }
    // Runs the action as a click does.
    void Click();
};

// A picture button: bitmaps for the normal and the pressed state (resource names or files),
// grey when disabled, optional caption under the picture, tooltip. In a button bar the bar
// paints the background (paintBackground) with its gradient and hover colours.
class TBtnBmp : public TControl {
  public:
    TBtnBmp(TWindow& owner, int id, std::string cBmp1, std::string cBmp2 = "",
            std::function<void()> action = {},
            std::source_location where = std::source_location::current());
    static TBtnBmp* ReDefine(int nId, TWindow& oWnd, const std::string& cBmp1,
                             const std::string& cBmp2, std::function<void()> bAction,
                             std::source_location where = std::source_location::current());
    static TBtnBmp* New(int nRow, int nCol, int nWidth, int nHeight, const std::string& cBmp1,
                        const std::string& cBmp2, TWindow& oWnd, std::function<void()> bAction,
                        const std::string& cCaption = "");

    std::function<void()> bAction;
    bool lGroup = false, lBorder = true, lMOver = false, lPressed = false;
    bool lLeft = false, lRight = false;
    std::string cBmp1, cBmp2;
    QPixmap hBitmap1, hBitmap2;
    void* oPopup = nullptr;

    QWidget* createWidget(QWidget* parent) override;
    bool isPushButton() const override { return true; }
    void Click();
    // Draws the button: background, picture (grey when disabled), caption under it.
    virtual void paint(QPainter& p, const QRect& r);
    virtual void paintBackground(QPainter& p, const QRect& r);
};

class TCheckBox : public TControl {
  public:
    TCheckBox(TWindow& owner, int id, VarRef var,
              std::source_location where = std::source_location::current());
    static TCheckBox* ReDefine(int nId, TWindow& oWnd, VarRef var,
                               std::source_location where = std::source_location::current());
    QWidget* createWidget(QWidget* parent) override;
    void Refresh() override;
    bool checked() const;
};

class TRadMenu;

class TRadio : public TControl {
  public:
    TRadio(TWindow& owner, int id, TRadMenu& menu, int pos,
           std::source_location where = std::source_location::current());
    TRadMenu* oRadMenu = nullptr;
    bool lChecked = false;
    int nPos = 0;
    QWidget* createWidget(QWidget* parent) override;
    void Refresh() override;
};

// A group of radio buttons given by their control numbers; the value is the position (1 ... n)
// of the checked one.
// The group itself has no widget of its own (an empty, hidden one).
class TRadMenu : public TControl {
  public:
    TRadMenu(TWindow& owner, VarRef var, std::source_location where);
    static TRadMenu* ReDefine(VarRef var, TWindow& oWnd, const std::vector<int>& aIds,
                              std::source_location where = std::source_location::current());
    std::vector<TRadio*> aItems;
    int nOption() const;
    void SetOption(int n);
    QWidget* createWidget(QWidget* parent) override;
    void Refresh() override;
    void Enable() override;
    void Disable() override;
};

}  // namespace velt
