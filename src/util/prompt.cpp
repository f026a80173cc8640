#include "util/prompt.h"

namespace velt {
namespace {
ScriptedPrompt& builtIn() {
    static ScriptedPrompt scripted;
    return scripted;
}
PromptSeam*& current() {
    static PromptSeam* seam = nullptr;
    return seam;
}
}  // namespace

PromptSeam& prompt() { return current() ? *current() : builtIn(); }
void setPrompt(PromptSeam* seam) { current() = seam; }

ScopedPrompt::ScopedPrompt(PromptSeam& seam) : previous_(current()) { current() = &seam; }
ScopedPrompt::~ScopedPrompt() { current() = previous_; }

int ScriptedPrompt::showMessage(int kind, const std::string& text, const std::string& caption) {
    shown.push_back({"message", kind, text, caption});
    if (!answers.empty()) {
        int a = answers.front();
        answers.pop_front();
        return a;
    }
    return kind == 3 || kind == 4 || kind == 5 ? button::kYes : button::kOk;
}

void ScriptedPrompt::beep(int, int) { ++beeps; }

void ScriptedPrompt::openWaitBox(const WaitBoxSpec& spec) {
    shown.push_back({"wait", 0, spec.text, spec.caption});
    waitBox = spec;
    waitPage = 0;
    waitProgress = spec.low;
    waitTexts.push_back(spec.text);
}

void ScriptedPrompt::setWaitText(const std::string& text) {
    shown.push_back({"waittext", 0, text, waitBox ? waitBox->caption : std::string()});
    if (waitBox) waitBox->text = text;
    waitTexts.push_back(text);
}

void ScriptedPrompt::setWaitProgress(int position) { waitProgress = position; }
void ScriptedPrompt::setWaitPage(int page) { waitPage = page; }
void ScriptedPrompt::closeWaitBox() { waitBox.reset(); }
void ScriptedPrompt::processEvents() { ++eventsProcessed; }

std::optional<std::string> ScriptedPrompt::chooseFile(const FileRequest& request) {
    shown.push_back({"file", 0, request.defaultName, request.title});
    if (files.empty()) return std::nullopt;
    auto answer = files.front();
    files.pop_front();
    return answer;
}

std::optional<std::string> ScriptedPrompt::inputLine(const std::string& caption,
                                                     const std::string& promptText,
                                                     const std::string&, const std::string&) {
    shown.push_back({"input", 0, promptText, caption});
    if (inputs.empty()) return std::nullopt;
    auto answer = inputs.front();
    inputs.pop_front();
    return answer;
}

std::vector<std::string> ScriptedPrompt::messages() const {
    std::vector<std::string> out;
    for (const auto& s : shown)
        if (s.what == "message") out.push_back(s.text);
    return out;
}

}  // namespace velt
