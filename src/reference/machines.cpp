// The machine register, its entry dialog and the lamp maintenance.
#include <string>

#include "reference/reference.h"
#include "reference/register_dialog.h"
#include "services/own_table.h"
#include "ui/get.h"
#include "util/failure.h"
#include "util/messages.h"

namespace velt {

using reference::RegisterSpec;
using reference::RegisterTable;
using reference::SaveResult;

namespace {

constexpr int kNameWidth = 20;

std::string paddedName(const std::string& name) {
    std::string padded = name.substr(0, kNameWidth);
    padded.resize(kNameWidth, ' ');
    return padded;
}

bool blank(const std::string& text) {
    return text.find_first_not_of(' ') == std::string::npos;
}

// MACCHINA: name, lamp life in hours, minutes left and notes of one machine.
void MACCHINA(RegisterTable& table, bool lNew) {
    if (!lNew && !table.hasRow()) return;
    std::string cMacchina = lNew ? paddedName("") : paddedName(table->get("MACCHINA").text());
    double nDurata = lNew ? 0 : table->get("DURATA").num();
    double nResidui = lNew ? 0 : table->get("RESIDUI").num();
    std::string cNote = lNew ? std::string() : table->get("NOTE").text();
    const std::string stored = cMacchina;
    for (;;) {
        const bool confirmed = reference::runEntry("MACCHINA", lNew, [&](TDialog& dlg) {
            TGet* name = TGet::ReDefine(101, dlg, cMacchina, "@!");
            name->setValidRule([&] { return !blank(cMacchina); });
            TGet* hours = TGet::ReDefine(102, dlg, nDurata, "9999");
            hours->setValidRule([&] { return nDurata != 0; });
            TGet* minutes = TGet::ReDefine(103, dlg, nResidui, "999999");
            minutes->setValidRule([&] { return nResidui <= nDurata * 60; });
            // Leaving the hours with no minutes yet proposes the full lamp life.
            hours->bLostFocus = [&dlg, hours, minutes, &nDurata, &nResidui] {
                hours->commit();
                if (nResidui == 0) {
                    nResidui = nDurata * 60;
                    minutes->Refresh();
                    dlg.Refresh();
                }
            };
            TMultiGet* notes = TMultiGet::ReDefine(104, dlg, cNote);
            for (TControl* c : {static_cast<TControl*>(name), static_cast<TControl*>(hours),
                                static_cast<TControl*>(minutes), static_cast<TControl*>(notes)}) {
                reference::markChanged(dlg, *c);
            }
        });
        if (!confirmed) return;
        const SaveResult saved =
            reference::saveEntry(table, lNew, "MACCHINA", cMacchina, stored,
                                 "Macchina gi\xE0 presente.", [&](engine::WorkArea& a) {
                                     a.put("MACCHINA", Value(cMacchina));
                                     a.put("DURATA", Value(nDurata));
                                     a.put("RESIDUI", Value(nResidui));
                                     a.put("NOTE", Value(cNote));
                                 });
        if (saved == SaveResult::Saved) return;
    }
}

// The lamps were replaced: the balance goes back to the full lamp life, under the row lock.
void MANUTENZIONE(RegisterTable& table) {
    if (!table.hasRow()) return;
    if (!POPMSG(std::string("Confermi la manutenzione?"), 4).logical()) return;
    table.lockCurrentForEdit();
    table->put("RESIDUI", Value(table->get("DURATA").num() * 60));
    table.commitAndUnlock();
}

}  // namespace

void MACCHINE() {
    try {
        RegisterTable table("MACCHINE", "MACCHINE");
        RegisterSpec spec;
        spec.templateName = "MACCHINE";
        spec.columns = {
            {"MACCHINA", 281, false, [](engine::WorkArea& a) { return a.get("MACCHINA").text(); }},
            {"DURATA", 60, true,
             [](engine::WorkArea& a) { return reference::plainNumber(a.get("DURATA").num()); }},
            {"RESIDUI", 60, true,
             [](engine::WorkArea& a) { return reference::plainNumber(a.get("RESIDUI").num()); }},
            {"", 0, false, nullptr},
        };
        spec.entry = [&](bool lNew) { MACCHINA(table, lNew); };
        spec.extraButtons = {{205, [&] { MANUTENZIONE(table); }, true}};
        reference::runRegister(table, spec);
    } catch (const Abandon&) {
        // The register's recovery point: its table is closed on the way out.
    }
}

}  // namespace velt
