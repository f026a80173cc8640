// The prompt seam: every message box, question, wait box, input line and file dialog of the
// program goes through one interface. The program installs the Qt implementation; tests install
// `ScriptedPrompt`, which records what would be shown and answers from a script.
// Texts crossing the seam are Windows-1252 bytes, with "\r\n" line breaks already made.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace velt {

// Buttons as message boxes report them.
namespace button {
constexpr int kOk = 1;
constexpr int kCancel = 2;
constexpr int kYes = 6;
constexpr int kNo = 7;
}  // namespace button

struct WaitBoxSpec {
    std::string text;
    std::string caption;
    bool hasProgress = false;
    int low = 0;
    int high = 0;
    bool printForm = false;  // the print-progress form with its page counter
};

struct FileRequest {
    std::string filter;       // "Archivi zip (*.zip)|*.zip" style, as the caller gives it
    std::string title;
    std::string defaultName;  // proposed file name or path
    bool save = false;        // a save dialog rather than an open dialog
    int filterIndex = 1;      // the filter (1-based) the dialog starts with
    mutable int chosenFilter = 0;  // set by the seam: the filter in use when the dialog ended
};

class PromptSeam {
public:
    virtual ~PromptSeam() = default;
    // A modal box of kind 1..6; answers the button chosen.
    virtual int showMessage(int kind, const std::string& text, const std::string& caption) = 0;
    virtual void beep(int hertz, int milliseconds) = 0;
    virtual void openWaitBox(const WaitBoxSpec& spec) = 0;
    virtual void setWaitText(const std::string& text) = 0;
    virtual void setWaitProgress(int position) = 0;
    virtual void setWaitPage(int page) = 0;
    virtual void closeWaitBox() = 0;
    virtual void processEvents() = 0;
    // The chosen file's path, or nothing when cancelled.
    virtual std::optional<std::string> chooseFile(const FileRequest& request) = 0;
    // One-line input box; the edited text, or nothing when cancelled.
    virtual std::optional<std::string> inputLine(const std::string& caption,
                                                 const std::string& prompt,
                                                 const std::string& value,
                                                 const std::string& mask) = 0;
};

// The installed seam (a ScriptedPrompt that answers OK to everything until one is installed).
PromptSeam& prompt();
// Installs `seam` (not owned); nullptr goes back to the built-in scripted one.
void setPrompt(PromptSeam* seam);

// Records every text shown and answers from queues; a missing answer is OK / Yes / cancel.
class ScriptedPrompt : public PromptSeam {
public:
    struct Shown {
        std::string what;  // "message", "wait", "waittext", "file", "input"
        int kind = 0;
        std::string text;
        std::string caption;
    };

    std::vector<Shown> shown;
    std::deque<int> answers;                         // buttons for showMessage, in order
    std::deque<std::optional<std::string>> files;    // answers for chooseFile
    std::deque<std::optional<std::string>> inputs;   // answers for inputLine
    int beeps = 0;
    int eventsProcessed = 0;
    std::optional<WaitBoxSpec> waitBox;              // the wait box now open
    int waitPage = 0;
    int waitProgress = 0;
    std::vector<std::string> waitTexts;              // every text the wait box showed, in order

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

    // The texts of the modal messages shown, in order.
    std::vector<std::string> messages() const;
};

// Installs a seam for the lifetime of a scope (tests).
class ScopedPrompt {
public:
    explicit ScopedPrompt(PromptSeam& seam);
    ~ScopedPrompt();
    ScopedPrompt(const ScopedPrompt&) = delete;
    ScopedPrompt& operator=(const ScopedPrompt&) = delete;

private:
    PromptSeam* previous_;
};

}  // namespace velt
