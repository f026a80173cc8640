// TMsgBox: the single non-modal wait box of the process (also the print-progress box). It
// disables the window that was active when it opened until it ends, shows the wait cursor, and
// cannot be closed by Escape or Alt+F4: only End closes it.
#pragma once

#include <QDialog>
#include <QPointer>
#include <memory>
#include <string>

#include "util/prompt.h"

class QLabel;
class QProgressBar;

namespace velt {

class TDialog;

class TMsgBox {
  public:
    // Opens the box: the ordinary form (text with the exclamation icon, optional progress bar)
    // or, with spec.printForm, the PRINTDLG form with its page counter.
    static std::unique_ptr<TMsgBox> New(const WaitBoxSpec& spec);
    ~TMsgBox();
    TMsgBox(const TMsgBox&) = delete;
    TMsgBox& operator=(const TMsgBox&) = delete;

    // Enables the window it disabled, processes pending events and closes.
    void End();
    // New text: when its width differs, the box takes the new widest line + 108 pixels,
    // centred again, and the progress bar follows.
    void SetMsg(const std::string& text);
    void SetPos(int position);
    // The print form's page counter.
    void SetPage(int page);
    // The widest line of the text in pixels in the box's font (100 for an empty text).
    int MaxWidth(const std::string& text) const;

    QWidget* oDlg() const;       // the box's widget
    QProgressBar* oPrg() const;  // the progress bar, when there is one
    QLabel* textLabel() const;   // the ordinary form's text
    int nPag = 0;

  private:
    TMsgBox() = default;
    void openOrdinary(const WaitBoxSpec& spec);
    void openPrintForm(const WaitBoxSpec& spec);
    QPointer<QWidget> hWnd_;  // the window disabled meanwhile
    QPointer<QDialog> dlg_;
    QPointer<QLabel> text_;
    QPointer<QProgressBar> prg_;
    std::unique_ptr<TDialog> printDlg_;
    std::string shownText_;
    int page_ = 0;
    bool cursorSet_ = false;
    bool printEnding_ = false;
};

}  // namespace velt
