#include <gtest/gtest.h>

#include "reference/reference.h"
#include "register_test_support.h"

namespace velt::test {
namespace {

const std::string kDuplicate = "Tipo gi\xE0 presente.";
const std::string kInvalid = "Campo non valido.";

std::string padded(const std::string& name, std::size_t width = 20) {
    std::string s = name;
    s.resize(width, ' ');
    return s;
}

using ServiceTypes = RegisterTest;

// Adds one service type through the register's entry dialog.
void addServiceType(const char* name, const char* minutes, const char* price) {
    onDialog("Tipi di prestazione", [=](QDialog* reg) {
        onDialog("Aggiungi", [=](QDialog* entry) {
            auto f = fields(entry);
            typeInto(f[0], name);
            typeInto(f[1], minutes);
            typeInto(f[2], price);
            click(entry, "&Conferma");
        });
        click(reg, "&Aggiungi");
        click(reg, "&Chiudi");
    });
    TIPIPRE();
}

TEST_F(ServiceTypes, LowerCaseNameIsStoredInUpperCase) {
    addServiceType("viso", "8", "6,5");
    const auto rows = rowsOf("TIPIPRE", {"TIPO", "MINUTI", "PREZZO"});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].text(), padded("VISO"));
    EXPECT_EQ(rows[0][1].num(), 8);
    EXPECT_EQ(rows[0][2].num(), 6.5);
}

TEST_F(ServiceTypes, DuplicateInAnyLetterCaseIsRefusedAndTheDialogReopens) {
    addRows("TIPIPRE", {{{"TIPO", "VISO"}, {"MINUTI", 8}, {"PREZZO", 6.5}}});
    bool reopened = false;
    onDialog("Tipi di prestazione", [&](QDialog* reg) {
        onDialog("Aggiungi", [&](QDialog* entry) {
            auto f = fields(entry);
            typeInto(f[0], "Viso");
            typeInto(f[2], "7");
            // Refused: a new dialog comes back with the typed values.
            onDialog("Aggiungi", [&](QDialog* again) {
                reopened = true;
                auto g = fields(again);
                EXPECT_EQ(shown(g[0]), "VISO");
                EXPECT_EQ(shown(g[2]), "7,00");
                click(again, "&Annulla");
            });
            click(entry, "&Conferma");
        });
        click(reg, "&Aggiungi");
        click(reg, "&Chiudi");
    });
    TIPIPRE();
    EXPECT_TRUE(reopened);
    EXPECT_EQ(messages(), std::vector<std::string>{kDuplicate});
    EXPECT_EQ(rowsOf("TIPIPRE", {"TIPO"}).size(), 1u);
}

TEST_F(ServiceTypes, ZeroMinutesAcceptedZeroPriceRefused) {
    onDialog("Tipi di prestazione", [&](QDialog* reg) {
        onDialog("Aggiungi", [&](QDialog* entry) {
            auto f = fields(entry);
            typeInto(f[0], "PROVA");
            click(entry, "&Conferma");  // price 0: refused, the dialog stays
            EXPECT_TRUE(entry->isVisible());
            EXPECT_TRUE(f[2]->hasFocus());
            typeInto(f[2], "5");
            click(entry, "&Conferma");
        });
        click(reg, "&Aggiungi");
        click(reg, "&Chiudi");
    });
    TIPIPRE();
    EXPECT_EQ(messages(), std::vector<std::string>{kInvalid});
    const auto rows = rowsOf("TIPIPRE", {"TIPO", "MINUTI", "PREZZO"});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][1].num(), 0);
    EXPECT_EQ(rows[0][2].num(), 5);
}

TEST_F(ServiceTypes, EditingWithoutRenamingSkipsTheDuplicateTestAndDeleteAsks) {
    addRows("TIPIPRE", {{{"TIPO", "VISO"}, {"MINUTI", 8}, {"PREZZO", 6.5}}});
    onDialog("Tipi di prestazione", [&](QDialog* reg) {
        EXPECT_TRUE(button(reg, "&Modifica")->isEnabled());
        EXPECT_TRUE(button(reg, "&Elimina")->isEnabled());
        onDialog("Modifica", [&](QDialog* entry) {
            auto f = fields(entry);
            EXPECT_EQ(shown(f[0]), "VISO");
            typeInto(f[1], "10");
            click(entry, "&Conferma");
        });
        click(reg, "&Modifica");
        click(reg, "&Elimina");  // the scripted prompt answers OK
        EXPECT_FALSE(button(reg, "&Modifica")->isEnabled());
        click(reg, "&Chiudi");
    });
    TIPIPRE();
    EXPECT_EQ(messages(), std::vector<std::string>{"Confermi la cancellazione?"});
    EXPECT_TRUE(rowsOf("TIPIPRE", {"TIPO"}).empty());
    EXPECT_EQ(fieldOf("TIPIPRE", 1, "MINUTI").num(), 10);
    EXPECT_EQ(engine::WorkAreas::openAreas(), std::vector<int>{});
}

TEST_F(ServiceTypes, AfterAnAdditionTheNewRowIsCurrent) {
    addRows("TIPIPRE", {{{"TIPO", "CORPO"}, {"PREZZO", 10}}, {{"TIPO", "VISO"}, {"PREZZO", 6}}});
    std::string edited;
    onDialog("Tipi di prestazione", [&](QDialog* reg) {
        onDialog("Aggiungi", [&](QDialog* entry) {
            auto f = fields(entry);
            typeInto(f[0], "GAMBE");
            typeInto(f[2], "8");
            click(entry, "&Conferma");
        });
        click(reg, "&Aggiungi");
        onDialog("Modifica", [&](QDialog* entry) {
            edited = shown(fields(entry)[0]);
            click(entry, "&Annulla");
        });
        click(reg, "&Modifica");
        click(reg, "&Chiudi");
    });
    TIPIPRE();
    EXPECT_EQ(edited, "GAMBE");
}

TEST_F(ServiceTypes, ModifyAndDeleteDisabledOnAnEmptyList) {
    onDialog("Tipi di prestazione", [&](QDialog* reg) {
        EXPECT_TRUE(button(reg, "&Aggiungi")->isEnabled());
        EXPECT_FALSE(button(reg, "&Modifica")->isEnabled());
        EXPECT_FALSE(button(reg, "&Elimina")->isEnabled());
        click(reg, "&Chiudi");
    });
    TIPIPRE();
}

using SubscriptionTypes = RegisterTest;

// Tries pack prices in one entry dialog: each refused one leaves the dialog open.
void tryPackPrices(const std::vector<const char*>& prices) {
    onDialog("Tipi di abbonamento", [=](QDialog* reg) {
        onDialog("Aggiungi", [=](QDialog* entry) {
            auto f = fields(entry);
            typeInto(f[0], "DIECI");
            typeInto(f[1], "10");
            for (const char* price : prices) {
                typeInto(f[2], price);
                click(entry, "&Conferma");
                if (!entry->isVisible()) return;
            }
            click(entry, "&Annulla");
        });
        click(reg, "&Aggiungi");
        click(reg, "&Chiudi");
    });
    TIPIABB();
}

TEST_F(SubscriptionTypes, PackPriceMustBeAMultipleOfTheVoucherValue) {
    writeVoucherValue("5.00");
    tryPackPrices({"52,50", "50,00"});
    EXPECT_EQ(messages(), std::vector<std::string>{kInvalid});
    const auto rows = rowsOf("TIPIABB", {"TIPO", "BUONI", "PREZZO"});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].text(), padded("DIECI"));
    EXPECT_EQ(rows[0][1].num(), 10);
    EXPECT_EQ(rows[0][2].num(), 50);
}

TEST_F(SubscriptionTypes, VoucherValueZeroAcceptsAnyNonZeroPrice) {
    writeVoucherValue("0");
    tryPackPrices({"0", "52,37"});
    EXPECT_EQ(messages(), std::vector<std::string>{kInvalid});
    const auto rows = rowsOf("TIPIABB", {"PREZZO"});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].num(), 52.37);
}

}  // namespace
}  // namespace velt::test
