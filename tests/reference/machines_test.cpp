#include <gtest/gtest.h>

#include "reference/reference.h"
#include "register_test_support.h"

namespace velt::test {
namespace {

using Machines = RegisterTest;

TEST_F(Machines, LeavingTheHoursProposesTheFullLampLife) {
    onDialog("Macchine", [&](QDialog* reg) {
        onDialog("Aggiungi", [&](QDialog* entry) {
            auto f = fields(entry);
            typeInto(f[0], "sole 1");
            typeInto(f[1], "500");
            leave(f[1]);
            EXPECT_EQ(shown(f[2]), "30000");
            click(entry, "&Conferma");
        });
        click(reg, "&Aggiungi");
        click(reg, "&Chiudi");
    });
    MACCHINE();
    const auto rows = rowsOf("MACCHINE", {"MACCHINA", "DURATA", "RESIDUI"});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].text(), "SOLE 1              ");
    EXPECT_EQ(rows[0][1].num(), 500);
    EXPECT_EQ(rows[0][2].num(), 30000);
}

TEST_F(Machines, MinutesTypedFirstStay) {
    onDialog("Macchine", [&](QDialog* reg) {
        onDialog("Aggiungi", [&](QDialog* entry) {
            auto f = fields(entry);
            typeInto(f[0], "SOLE 2");
            typeInto(f[2], "12000");
            typeInto(f[1], "500");
            leave(f[1]);
            EXPECT_EQ(shown(f[2]), "12000");
            click(entry, "&Conferma");
        });
        click(reg, "&Aggiungi");
        click(reg, "&Chiudi");
    });
    MACCHINE();
    const auto rows = rowsOf("MACCHINE", {"RESIDUI"});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].num(), 12000);
}

TEST_F(Machines, MinutesAboveTheLampLifeRefused) {
    onDialog("Macchine", [&](QDialog* reg) {
        onDialog("Aggiungi", [&](QDialog* entry) {
            auto f = fields(entry);
            typeInto(f[0], "SOLE 3");
            typeInto(f[1], "500");
            typeInto(f[2], "30001");
            click(entry, "&Conferma");
            EXPECT_TRUE(entry->isVisible());
            EXPECT_TRUE(f[2]->hasFocus());
            click(entry, "&Annulla");  // changed: asked, the script answers yes
        });
        click(reg, "&Aggiungi");
        click(reg, "&Chiudi");
    });
    MACCHINE();
    EXPECT_EQ(messages(), (std::vector<std::string>{"Campo non valido.", "Annullo le modifiche?"}));
    EXPECT_TRUE(rowsOf("MACCHINE", {"MACCHINA"}).empty());
}

TEST_F(Machines, DuplicateNameInAnyCaseRefused) {
    addRows("MACCHINE", {{{"MACCHINA", "SOLE"}, {"DURATA", 100}, {"RESIDUI", 6000}}});
    onDialog("Macchine", [&](QDialog* reg) {
        onDialog("Aggiungi", [&](QDialog* entry) {
            auto f = fields(entry);
            typeInto(f[0], "Sole");
            typeInto(f[1], "10");
            onDialog("Aggiungi", [&](QDialog* again) { click(again, "&Annulla"); });
            click(entry, "&Conferma");
        });
        click(reg, "&Aggiungi");
        click(reg, "&Chiudi");
    });
    MACCHINE();
    EXPECT_EQ(messages(), std::vector<std::string>{"Macchina gi\xE0 presente."});
    EXPECT_EQ(rowsOf("MACCHINE", {"MACCHINA"}).size(), 1u);
}

TEST_F(Machines, MaintenanceResetsTheBalanceUnderTheRowLock) {
    addRows("MACCHINE", {{{"MACCHINA", "SOLE"}, {"DURATA", 400}, {"RESIDUI", -35}}});
    onDialog("Macchine", [&](QDialog* reg) {
        click(reg, "Ma&nutenzione");
        click(reg, "&Chiudi");
    });
    MACCHINE();
    EXPECT_EQ(messages(), std::vector<std::string>{"Confermi la manutenzione?"});
    EXPECT_EQ(fieldOf("MACCHINE", 1, "RESIDUI").num(), 24000);
}

TEST_F(Machines, MaintenanceAnsweredNoChangesNothing) {
    addRows("MACCHINE", {{{"MACCHINA", "SOLE"}, {"DURATA", 400}, {"RESIDUI", -35}}});
    seam_.answers = {button::kNo};
    onDialog("Macchine", [&](QDialog* reg) {
        click(reg, "Ma&nutenzione");
        click(reg, "&Chiudi");
    });
    MACCHINE();
    EXPECT_EQ(fieldOf("MACCHINE", 1, "RESIDUI").num(), -35);
}

TEST_F(Machines, EmptyListDisablesModifyDeleteAndMaintenance) {
    onDialog("Macchine", [&](QDialog* reg) {
        EXPECT_TRUE(button(reg, "&Aggiungi")->isEnabled());
        EXPECT_FALSE(button(reg, "&Modifica")->isEnabled());
        EXPECT_FALSE(button(reg, "&Elimina")->isEnabled());
        EXPECT_FALSE(button(reg, "Ma&nutenzione")->isEnabled());
        click(reg, "&Chiudi");
    });
    MACCHINE();
}

}  // namespace
}  // namespace velt::test
