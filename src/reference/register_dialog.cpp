#include "reference/register_dialog.h"

#include <cmath>
#include <cstdio>
#include <memory>

#include "ui/browse_workarea.h"
#include "ui/buttons.h"
#include "ui/valid.h"
#include "util/messages.h"

namespace velt::reference {

void runRegister(RegisterTable& table, const RegisterSpec& spec) {
    TDialog dlg(spec.templateName);
    TWBrowse* list = nullptr;
    const auto refresh = [&] {
        if (list) list->Stabilize();
    };
    const auto edit = [&] {
        if (!table.hasRow()) return;
        spec.entry(false);
        refresh();
    };

    BrowseParams params;
    for (const RegisterColumn& c : spec.columns) {
        params.aHeaders.push_back(c.header);
    }
    params.aColSizes.clear();
    for (const RegisterColumn& c : spec.columns) params.aColSizes.push_back(c.width);
    params.bLine = [&table, &spec] {
        BrowseLine line;
        for (const RegisterColumn& c : spec.columns) {
            line.emplace_back(c.cell ? c.cell(table.area()) : std::string());
        }
        return line;
    };
    params.bLDblClick = [&](int, int) { edit(); };
    list = TWBrowse::ReDefine(101, dlg, params);
    for (const RegisterColumn& c : spec.columns) list->aJustify.emplace_back(c.right);
    list->SetSource(workAreaSource(table->alias()));

    TButton::ReDefine(201, dlg, [&] { dlg.End(2); });
    TButton::ReDefine(202, dlg, [&] {
        spec.entry(true);
        refresh();
    });
    TButton::ReDefine(203, dlg, edit)->bWhen = [&] { return table.hasRow(); };
    TButton::ReDefine(204, dlg, [&] {
        table.deleteCurrent();
        refresh();
    })->bWhen = [&] { return table.hasRow(); };
    for (const RegisterButton& b : spec.extraButtons) {
        TButton* button = TButton::ReDefine(b.id, dlg, [&, action = b.action] {
            action();
            refresh();
        });
        if (b.needsRow) button->bWhen = [&] { return table.hasRow(); };
    }
    dlg.bValid = [&] { return __VALID(dlg, false); };
    dlg.Activate();
}

void markChanged(TDialog& dlg, TControl& control) {
    control.bChange = [&dlg] { dlg.lModify = true; };
}

bool runEntry(const std::string& templateName, bool lNew,
              const std::function<void(TDialog& dlg)>& bind) {
    TDialog dlg(templateName, lNew ? "Aggiungi" : "Modifica");
    bind(dlg);
    TButton::ReDefine(201, dlg, [&] {
        dlg.Cargo = 1;
        dlg.End(1);
    });
    TButton::ReDefine(202, dlg, [&] {
        dlg.Cargo = 2;
        dlg.End(2);
    });
    dlg.bValid = [&] { return __VALID(dlg, true); };
    return dlg.Activate() == 1;
}

SaveResult saveEntry(RegisterTable& table, bool lNew, const std::string& keyField,
                     const std::string& typedName, const std::string& storedName,
                     const std::string& duplicateText,
                     const std::function<void(engine::WorkArea&)>& write) {
    if (table.diskFull()) return SaveResult::Refused;
    table.lockTable();
    if (lNew || typedName != storedName) {
        if (table.isDuplicate(keyField, typedName)) {
            table->unlockAll();
            POPMSG(duplicateText, 1);
            return SaveResult::Refused;
        }
    }
    if (lNew) {
        table.appendRow();
    } else {
        table.lockCurrentForEdit();
    }
    write(table.area());
    table.commitAndUnlock();
    return SaveResult::Saved;
}

std::string plainNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(std::llround(value)));
    return text;
}

}  // namespace velt::reference
