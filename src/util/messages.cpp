#include "util/messages.h"

#include "util/prompt.h"
#include "util/text.h"

namespace velt {
namespace {
struct WaitState {
    std::optional<std::string> text;
    int page = 0;
};
WaitState& waitState() {
    static WaitState state;
    return state;
}
}  // namespace

std::string messageText(const std::string& text) {
    std::string converted = O2A(text);
    std::string out;
    out.reserve(converted.size() + 8);
    for (char c : converted) {
        if (c == ';')
            out += "\r\n";
        else
            out += c;
    }
    return out;
}

std::optional<std::string> CURMSG() { return waitState().text; }

Value POPMSG(const std::optional<std::string>& cText, std::optional<int> nKind,
             const PopMsgOptions& o) {
    PromptSeam& seam = prompt();
    WaitState& wait = waitState();
    Value result;
    if (nKind) {
        int kind = *nKind;
        if (kind >= 1 && kind <= 6) {
            if (wait.text) {
                seam.closeWaitBox();
                wait.text.reset();
            }
            if (kind > 1) seam.beep(880, 55);
            int b = seam.showMessage(kind, messageText(cText.value_or("")),
                                     o.caption.empty() ? "Attenzione" : o.caption);
            switch (kind) {
                case 1: break;
                case 3: result = Value(b); break;
                case 2:
                case 6: result = Value(b == button::kOk); break;
                default: result = Value(b == button::kYes); break;
            }
        }
    } else {
        bool noText = !cText.has_value();
        if (noText && !o.lPrint && !o.lNextPage) {
            if (wait.text) {
                seam.closeWaitBox();
                wait.text.reset();
            }
        } else if (!wait.text) {
            WaitBoxSpec spec;
            spec.text = messageText(cText.value_or(""));
            spec.caption = o.caption.empty() ? "Attendere" : o.caption;
            spec.hasProgress = o.nLow.has_value() && o.nHigh.has_value();
            spec.low = o.nLow.value_or(0);
            spec.high = o.nHigh.value_or(0);
            spec.printForm = o.lPrint;
            seam.openWaitBox(spec);
            wait.text = cText.value_or("");
            wait.page = 0;
        } else if (o.lUpdate || o.nPos) {
            if (o.lUpdate && cText) {
                seam.setWaitText(messageText(*cText));
                wait.text = *cText;
            }
            if (o.nPos) seam.setWaitProgress(*o.nPos);
        } else if (o.lNextPage) {
            seam.setWaitPage(++wait.page);
        }
    }
    seam.processEvents();
    return result;
}

}  // namespace velt
