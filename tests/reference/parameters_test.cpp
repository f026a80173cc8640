#include <gtest/gtest.h>

#include "reference/reference.h"
#include "register_test_support.h"

namespace velt::test {
namespace {

using Parameters = RegisterTest;

TEST_F(Parameters, SavedValueIsWhatARegisterOpenedAfterwardsUses) {
    onDialog("Parametri", [&](QDialog* dlg) {
        auto f = fields(dlg);
        EXPECT_EQ(shown(f[0]), "10,00");
        typeInto(f[0], "2,50");
        click(dlg, "&Conferma");
    });
    PARAMETRI();
    EXPECT_NE(readFile("VELT.CFG").find("CFG_PREZZO=N2.50\r\n"), std::string::npos);

    // 7,50 is three vouchers of 2,50; 5,25 is not a whole number of them.
    onDialog("Tipi di abbonamento", [&](QDialog* reg) {
        onDialog("Aggiungi", [&](QDialog* entry) {
            auto f = fields(entry);
            typeInto(f[0], "TRE");
            typeInto(f[1], "3");
            typeInto(f[2], "5,25");
            click(entry, "&Conferma");
            EXPECT_TRUE(entry->isVisible());
            typeInto(f[2], "7,50");
            click(entry, "&Conferma");
        });
        click(reg, "&Aggiungi");
        click(reg, "&Chiudi");
    });
    TIPIABB();
    EXPECT_EQ(messages(), std::vector<std::string>{"Campo non valido."});
    EXPECT_EQ(rowsOf("TIPIABB", {"PREZZO"}).size(), 1u);
}

TEST_F(Parameters, CancellingLeavesTheFileUntouched) {
    const std::string before = readFile("VELT.CFG");
    onDialog("Parametri", [&](QDialog* dlg) {
        typeInto(fields(dlg)[0], "3,00");
        click(dlg, "&Annulla");  // changed: asked, the script answers yes
    });
    PARAMETRI();
    EXPECT_EQ(messages(), std::vector<std::string>{"Annullo le modifiche?"});
    EXPECT_EQ(readFile("VELT.CFG"), before);
}

}  // namespace
}  // namespace velt::test
