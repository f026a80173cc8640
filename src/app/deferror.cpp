#include "app/deferror.h"

#include <spawn.h>
#include <unistd.h>

#include <climits>
#include <utility>

#include "app/process.h"
#include "util/cp1252.h"
#include "util/messages.h"
#include "util/neterr.h"

namespace velt {
namespace {

void openWithDesktop(const std::string& link);

struct Seams {
    LinkOpener openLink = openWithDesktop;
    LockRelease releaseLock = [] {};
    QuitAction quit = [] { quitProcess(1); };
};

Seams& seams() {
    static Seams s;
    return s;
}

template <typename Fn>
Fn swapSeam(Fn& slot, Fn replacement, Fn fallback) {
    Fn previous = std::move(slot);
    slot = replacement ? std::move(replacement) : std::move(fallback);
    return previous;
}

// Starts xdg-open on the link and does not wait for it: the program ends right after the report,
// and the mail program outlives it.
void openWithDesktop(const std::string& link) {
    std::string arg = cp1252ToUtf8(link);
    char program[] = "xdg-open";
    char* argv[] = {program, arg.data(), nullptr};
    pid_t child = 0;
    posix_spawnp(&child, program, nullptr, nullptr, argv, environ);
}

// File names in the messages are shown in upper case (Windows-1252 letters included).
std::string upperFile(const std::string& name) {
    std::string out = name;
    for (char& ch : out) {
        auto c = static_cast<unsigned char>(ch);
        if (c >= 'a' && c <= 'z')
            c = static_cast<unsigned char>(c - 32);
        else if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
            c = static_cast<unsigned char>(c - 32);
        else if (c == 0x9A || c == 0x9C || c == 0x9E)
            c = static_cast<unsigned char>(c - 16);
        else if (c == 0xFF)
            c = 0x9F;
        ch = static_cast<char>(c);
    }
    return out;
}

std::string replaceAll(std::string text, const std::string& what, const std::string& with) {
    for (std::size_t pos = 0; (pos = text.find(what, pos)) != std::string::npos;
         pos += with.size()) {
        text.replace(pos, what.size(), with);
    }
    return text;
}

// Shows the message of an abandon rule and abandons.
[[noreturn]] void abandonWith(const std::string& message) {
    seams().releaseLock();
    POPMSG(message, 1);
    throw Abandon();
}

}  // namespace

std::string shortFunctionName(const std::string& pretty) {
    // The parameter list is the first "(" outside template brackets; the name starts after the
    // last blank before it at the same depth (the return type ends there).
    int depth = 0;
    std::size_t open = std::string::npos;
    for (std::size_t i = 0; i < pretty.size(); ++i) {
        char c = pretty[i];
        bool afterOperator = i >= 8 && (pretty.compare(i - 8, 8, "operator") == 0 ||
                                        pretty.compare(i - 8, 8, "perator<") == 0);
        if (c == '<' && !afterOperator) ++depth;
        if (c == '>' && depth > 0) --depth;
        if (c == '(' && depth == 0) {
            open = i;
            break;
        }
    }
    std::string head = pretty.substr(0, open);
    depth = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < head.size(); ++i) {
        char c = head[i];
        if (c == '<') ++depth;
        if (c == '>' && depth > 0) --depth;
        if (c == ' ' && depth == 0) start = i + 1;
    }
    return head.substr(start);
}

std::string ERRORMESSAGE(const Failure& e) {
    std::string text = e.severity == Failure::Severity::Warning ? "Warning " : "Error ";
    text += e.subSystem.empty() ? "???" : e.subSystem;
    text += e.subCode ? "/" + std::to_string(*e.subCode) : std::string("/???");
    if (!e.description.empty()) text += "  " + e.description;
    if (!e.fileName.empty())
        text += ": " + e.fileName;
    else if (!e.operation.empty())
        text += ": " + e.operation;
    std::string function = e.function.empty() ? std::string() : shortFunctionName(e.function);
    int line = e.function.empty() ? 0 : e.line;
    text += ";Function: " + function + "  Line: " + std::to_string(line);
    return text;
}

std::string errorReportLink(const std::string& path, const std::string& errorText) {
    std::string body = replaceAll(replaceAll(errorText, "&", "%26"), ";", "%0d%0a");
    return "mailto:?subject=Rapporto di errore&body=Applicazione: " + path + "%0d%0a%0d%0a" + body;
}

std::string programPath() {
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

Value DEFERROR(const Failure& e) {
    using namespace oscode;
    const std::string file = upperFile(e.fileName);
    switch (e.osCode) {
        case kNotReady:
            abandonWith("Disco " + file + " non pronto.");
        case kSectorNotFound:
        case kGenFailure:
            abandonWith("Disco " + file + " non formattato.");
        case kWriteProtect:
            abandonWith("Disco " + file + " protetto da scrittura.");
        case kCannotMake:
            abandonWith("Directory " + file + " piena.");
        default:
            break;
    }
    if (e.subCode == kSubCodeDiskFull) abandonWith("Spazio sul disco " + file + " insufficiente.");
    switch (e.osCode) {
        case kAccessDenied:
            abandonWith("Impossibile accedere al file " + file + ".");
        case kPathNotFound:
            abandonWith("Percorso " + file + " non trovato.");
        case kFileNotFound:
            abandonWith("Impossibile aprire il file " + file + ".");
        default:
            break;
    }
    if (e.subCode == kSubCodeCorrupt || e.genCode == gen::kCorruption)
        abandonWith("Il file " + file + " risulta corrotto.");
    if (e.genCode == gen::kMessage) abandonWith(ERRORMESSAGE(e));
    if (e.genCode == gen::kZeroDivision) return Value(0);
    if (e.canDefault && ((e.genCode == gen::kOpen && e.osCode == kSharingViolation) ||
                         e.genCode == gen::kAppendLock)) {
        NETERR(true);
        return Value(false);
    }

    seams().releaseLock();
    const std::string text = ERRORMESSAGE(e);
    if (POPMSG(text + ";;Inviare rapporto di errore via email?", 2).logical())
        seams().openLink(errorReportLink(programPath(), text));
    quitProgram();
}

void quitProgram() {
    seams().quit();
    // A quit action that returns would let the failed operation go on: never allow it.
    quitProcess(1);
}

void installFailureHandler() {
    setFailureHandler(DEFERROR);
}

LinkOpener setLinkOpener(LinkOpener opener) {
    return swapSeam(seams().openLink, std::move(opener), LinkOpener(openWithDesktop));
}

LockRelease setNetworkLockRelease(LockRelease release) {
    return swapSeam(seams().releaseLock, std::move(release), LockRelease([] {}));
}

QuitAction setQuitAction(QuitAction quit) {
    return swapSeam(seams().quit, std::move(quit), QuitAction([] { quitProcess(1); }));
}

}  // namespace velt
