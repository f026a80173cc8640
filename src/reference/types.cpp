// The service-type and subscription-type registers and their entry dialogs.
#include <cmath>
#include <cstdint>
#include <string>

#include "app/config/settings.h"
#include "reference/reference.h"
#include "reference/register_dialog.h"
#include "services/own_table.h"
#include "ui/get.h"
#include "util/failure.h"
#include "util/format.h"

namespace velt {

using reference::RegisterColumn;
using reference::RegisterSpec;
using reference::RegisterTable;
using reference::SaveResult;

namespace {

constexpr int kNameWidth = 20;
const char* const kDuplicateType = "Tipo gi\xE0 presente.";

std::string trimmedName(const std::string& name) {
    const auto end = name.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : name.substr(0, end + 1);
}

std::string paddedName(const std::string& name) {
    std::string padded = name.substr(0, kNameWidth);
    padded.resize(kNameWidth, ' ');
    return padded;
}

// A pack price is a whole multiple of the voucher value, compared on whole hundredths so that
// 52,50 against 5,00 is exact; a voucher value of 0 accepts every price.
bool multipleOfVoucher(double price, double voucherValue) {
    const std::int64_t value = std::llround(voucherValue * 100);
    if (value == 0) return true;
    return std::llround(price * 100) % value == 0;
}

// TIPOPRE: a service type's name, standard minutes and price.
void TIPOPRE(RegisterTable& table, bool lNew) {
    if (!lNew && !table.hasRow()) return;
    std::string cTipo = lNew ? paddedName("") : paddedName(table->get("TIPO").text());
    double nMinuti = lNew ? 0 : table->get("MINUTI").num();
    double nPrezzo = lNew ? 0 : table->get("PREZZO").num();
    const std::string stored = cTipo;
    for (;;) {
        const bool confirmed = reference::runEntry("TIPOPRE", lNew, [&](TDialog& dlg) {
            TGet* name = TGet::ReDefine(101, dlg, cTipo, "@!");
            name->setValidRule([&] { return !trimmedName(cTipo).empty(); });
            TGet* minutes = TGet::ReDefine(102, dlg, nMinuti, "@Z 99");
            TGet* price = TGet::ReDefine(103, dlg, nPrezzo, "@EZ 999.99");
            price->setValidRule([&] { return nPrezzo != 0; });
            for (TControl* c : {static_cast<TControl*>(name), static_cast<TControl*>(minutes),
                                static_cast<TControl*>(price)}) {
                reference::markChanged(dlg, *c);
            }
        });
        if (!confirmed) return;
        const SaveResult saved = reference::saveEntry(table, lNew, "TIPO", cTipo, stored,
                                                      kDuplicateType, [&](engine::WorkArea& a) {
                                                          a.put("TIPO", Value(cTipo));
                                                          a.put("MINUTI", Value(nMinuti));
                                                          a.put("PREZZO", Value(nPrezzo));
                                                      });
        if (saved == SaveResult::Saved) return;
    }
}

// TIPOABB: a subscription type's name, vouchers in the pack and pack price.
void TIPOABB(RegisterTable& table, bool lNew, double voucherValue) {
    if (!lNew && !table.hasRow()) return;
    std::string cTipo = lNew ? paddedName("") : paddedName(table->get("TIPO").text());
    double nBuoni = lNew ? 0 : table->get("BUONI").num();
    double nPrezzo = lNew ? 0 : table->get("PREZZO").num();
    const std::string stored = cTipo;
    for (;;) {
        const bool confirmed = reference::runEntry("TIPOABB", lNew, [&](TDialog& dlg) {
            TGet* name = TGet::ReDefine(101, dlg, cTipo, "@!");
            name->setValidRule([&] { return !trimmedName(cTipo).empty(); });
            TGet* vouchers = TGet::ReDefine(102, dlg, nBuoni, "999");
            vouchers->setValidRule([&] { return nBuoni != 0; });
            TGet* price = TGet::ReDefine(103, dlg, nPrezzo, "@E 999.99");
            price->setValidRule(
                [&] { return nPrezzo != 0 && multipleOfVoucher(nPrezzo, voucherValue); });
            for (TControl* c : {static_cast<TControl*>(name), static_cast<TControl*>(vouchers),
                                static_cast<TControl*>(price)}) {
                reference::markChanged(dlg, *c);
            }
        });
        if (!confirmed) return;
        const SaveResult saved = reference::saveEntry(table, lNew, "TIPO", cTipo, stored,
                                                      kDuplicateType, [&](engine::WorkArea& a) {
                                                          a.put("TIPO", Value(cTipo));
                                                          a.put("BUONI", Value(nBuoni));
                                                          a.put("PREZZO", Value(nPrezzo));
                                                      });
        if (saved == SaveResult::Saved) return;
    }
}

std::string storedText(engine::WorkArea& a, const char* field) {
    return a.get(field).text();
}

}  // namespace

void TIPIPRE() {
    try {
        ConfigScope settings = LoadConfig();
        RegisterTable table("TIPIPRE", "TIPIPRE");
        RegisterSpec spec;
        spec.templateName = "TIPIPRE";
        spec.columns = {
            {"TIPO", 180, false, [](engine::WorkArea& a) { return storedText(a, "TIPO"); }},
            {"MIN", 40, true, [](engine::WorkArea& a) { return ZSTR(a.get("MINUTI").num()); }},
            {"PREZZO", 0, true,
             [](engine::WorkArea& a) { return ENSTR(a.get("PREZZO").number()); }},
        };
        spec.entry = [&](bool lNew) { TIPOPRE(table, lNew); };
        reference::runRegister(table, spec);
    } catch (const Abandon&) {
        // The register's recovery point: its table is closed on the way out.
    }
}

void TIPIABB() {
    try {
        ConfigScope settings = LoadConfig();
        const double voucherValue = CFG("CFG_PREZZO").num();
        RegisterTable table("TIPIABB", "TIPIABB");
        RegisterSpec spec;
        spec.templateName = "TIPIABB";
        spec.columns = {
            {"TIPO", 180, false, [](engine::WorkArea& a) { return storedText(a, "TIPO"); }},
            {"BUONI", 50, true,
             [](engine::WorkArea& a) { return reference::plainNumber(a.get("BUONI").num()); }},
            {"PREZZO", 58, true,
             [](engine::WorkArea& a) { return ENSTR(a.get("PREZZO").number()); }},
            {"", 0, false, nullptr},
        };
        spec.entry = [&](bool lNew) { TIPOABB(table, lNew, voucherValue); };
        reference::runRegister(table, spec);
    } catch (const Abandon&) {
        // The register's recovery point: its table is closed on the way out.
    }
}

}  // namespace velt
