// The picture buttons of a button bar: a TBtnBmp with the bar's look. Its picture (a second one
// while pressed) is centred with an optional caption under it, on a light background that turns
// blue while the mouse is over the button; a button with a drop-down menu has an arrow in its
// rightmost 13 pixels that opens the menu below it.
#pragma once

#include <functional>
#include <string>

#include "ui/buttons.h"

namespace velt {

class TBar;
class TMenu;

class TBarBtnBmp : public TBtnBmp {
  public:
    static constexpr int kArrowWidth = 13;
    // The caption's height ÷ this is how far the picture moves up to make room for it.
    static constexpr double kCaptionLift = 2.2;

    struct BarSpec {
        std::string cBmp1;  // picture resource or file ("PRESTAZIONI")
        std::string cBmp2;  // the pressed picture (optional)
        std::function<void()> bAction;
        bool lGroup = false;  // starts a new group
        std::function<bool()> bWhen;
        std::string cToolTip;
        std::string cCaption;
        const TFont* oFont = nullptr;  // caption font ("Segoe UI" 12 px when absent)
        TMenu* oPopup = nullptr;       // drop-down menu (not owned)
    };
    // NewBar: adds a picture button at the end of `oBar`; its when callback, evaluated now,
    // disables it when false.
    static TBarBtnBmp* NewBar(TBar& oBar, const BarSpec& spec);

    TBarBtnBmp(TWindow& owner, const BarSpec& spec);

    // Runs the action and nothing else (a disabled button does nothing).
    void Press();
    void GoDown();
    void GoUp();
    void LButtonUp(int nRow, int nCol);
    void MouseMove(int nRow, int nCol);
    void MouseLeave();
    void ShowPopup();
    void Enable() override;
    void Disable() override;
    void Refresh() override;
    void paint(QPainter& p, const QRect& r) override;
    void paintBackground(QPainter& p, const QRect& r) override;

    TMenu* Popup() const { return static_cast<TMenu*>(oPopup); }
    // Width of the button and of the area left of a drop-down arrow.
    int Width() const;
    int PictureAreaWidth() const;
    // Where the picture is drawn (pixels in the button).
    QRect PictureRect() const;

    TBar* oBar = nullptr;
    TFont oCaptionFont;

  protected:
    QWidget* createWidget(QWidget* parent) override;
};

}  // namespace velt
