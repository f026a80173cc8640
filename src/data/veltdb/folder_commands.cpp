#include "data/veltdb/folder_commands.h"

#include <unistd.h>

#include <optional>

#include "data/check.h"
#include "data/engine/settings.h"
#include "data/files.h"
#include "data/maintenance.h"
#include "util/cp1252.h"
#include "util/failure.h"
#include "util/messages.h"
#include "util/neterr.h"
#include "util/prompt.h"

namespace velt::veltdb {
namespace {

// The prompt seam of a console: wait texts become progress lines, messages error lines;
// questions are answered OK.
class ConsolePrompt : public PromptSeam {
  public:
    ConsolePrompt(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}
    int messages = 0;

    int showMessage(int, const std::string& text, const std::string&) override {
        ++messages;
        err_ << cp1252ToUtf8(oneLine(text)) << "\n";
        return button::kOk;
    }
    void beep(int, int) override {}
    void openWaitBox(const WaitBoxSpec& spec) override { line(spec.text); }
    void setWaitText(const std::string& text) override { line(text); }
    void setWaitProgress(int) override {}
    void setWaitPage(int) override {}
    void closeWaitBox() override {}
    void processEvents() override {}
    std::optional<std::string> chooseFile(const FileRequest&) override { return std::nullopt; }
    std::optional<std::string> inputLine(const std::string&, const std::string&, const std::string&,
                                         const std::string&) override {
        return std::nullopt;
    }

  private:
    static std::string oneLine(std::string text) {
        for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, " ");
        return text;
    }
    void line(const std::string& text) {
        out_ << cp1252ToUtf8(oneLine(text)) << "\n" << std::flush;
    }

    std::ostream& out_;
    std::ostream& err_;
};

// The file failures the maintenance may meet, as the program's failure handler words them.
std::string failureMessage(const Failure& f) {
    std::string file = upperAscii(f.fileName);
    if (f.osCode == oscode::kFileNotFound) return "Impossibile aprire il file " + file + ".";
    if (f.osCode == oscode::kAccessDenied) return "Impossibile accedere al file " + file + ".";
    if (f.osCode == oscode::kPathNotFound) return "Percorso " + file + " non trovato.";
    if (f.subCode == kSubCodeCorrupt || f.genCode == gen::kCorruption)
        return "Il file " + file + " risulta corrotto.";
    if (f.subCode == kSubCodeDiskFull) return "Spazio sul disco " + file + " insufficiente.";
    std::string text =
        f.description.empty() ? "errore " + std::to_string(f.genCode) : f.description;
    return text + (file.empty() ? std::string() : ": " + file);
}

// Makes `folder` the current folder for the lifetime of the object.
class InFolder {
  public:
    explicit InFolder(const std::string& folder) {
        char here[4096];
        if (::getcwd(here, sizeof here)) previous_ = here;
        ok_ = ::chdir(folder.c_str()) == 0;
    }
    ~InFolder() {
        if (ok_ && !previous_.empty() && ::chdir(previous_.c_str()) != 0) {
        }
    }
    bool ok() const { return ok_; }

  private:
    std::string previous_;
    bool ok_ = false;
};

}  // namespace

int checkFolder(const std::string& folder, std::ostream& out, std::ostream& err) {
    if (GETFILEATTRIBUTES(folder) == attr::kInvalid ||
        !(GETFILEATTRIBUTES(folder) & attr::kDirectory)) {
        err << "veltdb: la cartella " << folder << " non esiste\n";
        return 1;
    }
    engine::settings().upperCaseNames = true;
    std::vector<std::string> report = checkDataFolder(folder);
    for (const auto& line : report) out << cp1252ToUtf8(line) << "\n";
    return report.empty() ? 0 : 1;
}

int maintainFolder(const std::string& folder, std::ostream& out, std::ostream& err) {
    InFolder in(folder);
    if (!in.ok()) {
        err << "veltdb: la cartella " << folder << " non esiste\n";
        return 1;
    }
    engine::settings().upperCaseNames = true;
    ConsolePrompt console(out, err);
    ScopedPrompt use(console);
    FailureHandler previous = setFailureHandler([&](const Failure& f) -> Value {
        if (f.canDefault && (f.genCode == gen::kOpen || f.genCode == gen::kAppendLock)) {
            NETERR(true);
            return Value();
        }
        POPMSG(failureMessage(f), 1);
        throw Abandon();
    });
    try {
        MANUTENZIONE(false);
    } catch (...) {
        setFailureHandler(std::move(previous));
        throw;
    }
    setFailureHandler(std::move(previous));
    return console.messages == 0 ? 0 : 1;
}

}  // namespace velt::veltdb
