// Display controls: labels (TSay), pictures (TImage, TIcon), progress bars and scroll bars.
#pragma once

#include "ui/control.h"

class QLabel;
class QProgressBar;
class QScrollBar;

namespace velt {

// A label whose text is its value's display text (or the value through a picture); a TSay
// without a value shows its own text (the template's, or SetText).
class TSay : public TControl {
  public:
    TSay(TWindow& owner, int id, std::source_location where = std::source_location::current());
    static TSay* ReDefine(int nId, TWindow& oWnd, std::function<Value()> bGet = {},
                          const std::string& cPicture = "",
                          std::source_location where = std::source_location::current());
    static TSay* New(int nRow, int nCol, std::function<Value()> bGet, TWindow& oWnd, int nWidth,
                     int nHeight, const std::string& cPicture = "");

    std::string cPicture;
    std::function<Value()> bGet;
    std::function<int()> bClrText;
    bool lWantClick = false;
    bool lAdjust = false;

    bool isStatic() const override { return true; }
    QWidget* createWidget(QWidget* parent) override;
    void Refresh() override;
    std::string text() const;
};

// A picture from a file or resource, optionally stretched to the control (lAdjust).
class TImage : public TControl {
  public:
    TImage(TWindow& owner, int id, std::string cResName,
           std::source_location where = std::source_location::current());
    static TImage* ReDefine(int nId, TWindow& oWnd, const std::string& cResName,
                            std::source_location where = std::source_location::current());
    std::string cImgFile;
    QPixmap hImg;
    bool lAdjust = true;
    bool isStatic() const override { return true; }
    QWidget* createWidget(QWidget* parent) override;
    void Refresh() override;
    // Loads another picture.
    void LoadImage(const std::string& name);
};

class TIcon : public TControl {
  public:
    TIcon(TWindow& owner, int id, std::string cName,
          std::source_location where = std::source_location::current());
    static TIcon* ReDefine(int nId, TWindow& oWnd, const std::string& cName,
                           std::source_location where = std::source_location::current());
    std::string cIcoFile, cResName;
    QPixmap hIcon;
    bool isStatic() const override { return true; }
    QWidget* createWidget(QWidget* parent) override;
};

class TProgress : public TControl {
  public:
    TProgress(TWindow& owner, int id, std::source_location where = std::source_location::current());
    static TProgress* ReDefine(int nId, TWindow& oWnd,
                               std::source_location where = std::source_location::current());
    static TProgress* New(int nRow, int nCol, TWindow& oWnd, int nWidth, int nHeight);
    int nPos = 0, nMin = 0, nMax = 100;
    bool isStatic() const override { return true; }
    QWidget* createWidget(QWidget* parent) override;
    void SetRange(int low, int high);
    void SetPos(int pos);
    QProgressBar* bar() const;
};

class TScrollBar : public TControl {
  public:
    TScrollBar(TWindow& owner, int id, bool vertical = true,
               std::source_location where = std::source_location::current());
    static TScrollBar* ReDefine(int nId, TWindow& oWnd, bool lVertical = true,
                                std::source_location where = std::source_location::current());
    static TScrollBar* New(int nRow, int nCol, int nWidth, int nHeight, TWindow& oWnd,
                           bool lVertical = true);
    bool lVertical = true, lReDraw = true, lIsChild = false;
    int nMin = 0, nMax = 0, nPgStep = 1;
    std::function<void()> bGoUp, bGoDown, bGoTop, bGoBottom, bPageUp, bPageDown;
    std::function<void(int nPos)> bPos, bTrack;

    bool isStatic() const override { return true; }
    QWidget* createWidget(QWidget* parent) override;
    void SetRange(int nMin, int nMax);
    void SetPos(int nPos);
    int GetPos() const;
    void SetPage(int nPage);
    QScrollBar* bar() const;

  private:
    int pos_ = 0;
};

// The display text of a value (CVALTOCHAR).
std::string displayValue(const Value& v);

}  // namespace velt
