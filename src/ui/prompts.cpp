#include "ui/prompts.h"

#include <QEventLoop>
#include <QTimer>

#include "ui/buttons.h"
#include "ui/dialog.h"
#include "ui/get.h"
#include "ui/statics.h"
#include "ui/valid.h"
#include "util/prompt.h"

namespace velt {

bool MSGGET(const std::string& cCaption, const std::string& cPrompt, std::string& cValue,
            const std::string& cMask) {
    auto answer = prompt().inputLine(cCaption, cPrompt, cValue, cMask);
    if (!answer) return false;
    cValue = *answer;
    return true;
}

std::optional<std::string> runMsgGet(const std::string& cCaption, const std::string& cPrompt,
                                     const std::string& cValue, const std::string& cMask) {
    TDialog dlg("MSGGET", cCaption);
    std::string copy = cValue;
    TSay::ReDefine(101, dlg, [cPrompt] { return Value(cPrompt); });
    TGet::ReDefine(102, dlg, copy, cMask);
    TButton::ReDefine(201, dlg, [&dlg] {
        dlg.Cargo = 1;
        dlg.End(1);
    });
    TButton::ReDefine(202, dlg, [&dlg] {
        dlg.Cargo = 2;
        dlg.End(2);
    });
    dlg.bValid = [&dlg] { return __VALID(dlg, false); };
    dlg.Activate();
    if (dlg.nResult != 1) return std::nullopt;
    return copy;
}

bool SYSWAIT(double nSeconds) {
    int ms = static_cast<int>(nSeconds * 1000 + 0.5);
    if (ms <= 0) return true;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return true;
}

void INFOS(const std::string& cTitle, const std::string& cVersion, const std::string&) {
    TDialog dlg("INFOS");
    TImage::ReDefine(101, dlg, "ZARK");
    TSay::ReDefine(102, dlg, [cTitle] { return Value(cTitle); });
    TSay::ReDefine(103, dlg, [cVersion] { return Value("Versione: " + cVersion); });
    TButton::ReDefine(201, dlg, [&dlg] { dlg.End(1); });
    dlg.Activate();
}

}  // namespace velt
