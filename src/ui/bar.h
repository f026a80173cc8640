// The button bar of a window: a row of large picture buttons along the top of the client area,
// in groups with a separator line in the gap before each new group, on a flat light background.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/control.h"

namespace velt {

class TBarBtnBmp;
class TMenu;

class TBar : public TControl {
  public:
    enum Mode { kTop = 1, kLeft = 2, kRight = 3, kBottom = 4 };
    static constexpr int kBackground = 0xF5F4F4;  // RGB(244, 244, 245)
    static constexpr int kHover = 0xF7C991;       // RGB(145, 201, 247)

    // New(window, button width, button height, position "TOP", cursor, border, bar height): the
    // bar becomes the window's oBar (the window owns it).
    static TBar* New(TWindow& oWnd, int nBtnWidth = 28, int nBtnHeight = 28,
                     const std::string& cPosition = "TOP", bool lBorder = true, int nBarHeight = 0);

    explicit TBar(TWindow& oWnd);

    // Adds a button made for this bar (TBarBtnBmp::NewBar does it); answers it.
    TBarBtnBmp* Add(std::unique_ptr<TBarBtnBmp> button);
    // The top and left edge of the next button, or of the button at index `n`.
    int GetBtnTop(int n) const;
    int GetBtnLeft(int n) const;
    // Re-places the bar along its edge of the window's client area and its buttons in order.
    void Adjust();
    // The left edges (top bar) of the separator lines, one per group after the first.
    std::vector<int> SeparatorLefts() const;
    // Starts a new group with the next button.
    void CloseGroup() { lNextGroup_ = true; }
    void SetGradients(std::vector<GradientBand> aBands) { aGrad = std::move(aBands); }
    void Paint(QPainter& painter);
    void Display() { Refresh(); }
    void Refresh() override;

    // The bar's full height: bar height (+ 1 under a menu) + 2 for the border.
    int Height() const;
    bool HasMenu() const;

    const std::vector<TBarBtnBmp*>& Buttons() const { return aButtons; }

    int nGroups = 0;
    int nMode = kTop;
    int nBtnWidth = 28;
    int nBtnHeight = 28;
    int nBarHeight = 28;
    int nGroupSep = 8;
    bool lBorder = true;
    std::vector<GradientBand> aGrad;  // empty: the flat background
    std::vector<TBarBtnBmp*> aButtons;

  protected:
    QWidget* createWidget(QWidget* parent) override;

  private:
    bool lNextGroup_ = false;
};

}  // namespace velt
