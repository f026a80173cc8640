// The prompt seam on Qt: standard message boxes of the six kinds, the beep, the single wait box,
// the file dialogs and the one-line input box. The program calls loadItalianTranslations() and
// installQtPrompt() once at start.
#pragma once

#include <memory>

#include "ui/msgbox.h"
#include "util/prompt.h"

namespace velt {

class QtPrompt : public PromptSeam {
  public:
    int showMessage(int kind, const std::string& text, const std::string& caption) override;
    void beep(int hertz, int milliseconds) override;
    void openWaitBox(const WaitBoxSpec& spec) override;
    void setWaitText(const std::string& text) override;
    void setWaitProgress(int position) override;
    void setWaitPage(int page) override;
    void closeWaitBox() override;
    void processEvents() override;
    std::optional<std::string> chooseFile(const FileRequest& request) override;
    std::optional<std::string> inputLine(const std::string& caption, const std::string& prompt,
                                         const std::string& value,
                                         const std::string& mask) override;

    // The wait box now open (nullptr when none).
    TMsgBox* waitBox() const { return wait_.get(); }

  private:
    std::unique_ptr<TMsgBox> wait_;
};

// Loads Qt's own Italian texts (qtbase_it.qm: "Sì", "No", "Annulla" on the standard buttons and
// in the file dialogs) whatever the machine's locale; answers whether they were found.
bool loadItalianTranslations();
// Installs one process-wide QtPrompt as the prompt seam and answers it.
QtPrompt& installQtPrompt();

// The Qt filter list of a "description|pattern|description|pattern" filter text.
QStringList qtFilters(const std::string& filter);

}  // namespace velt
