#include "services/accounting.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "accounting_fixture.h"
#include "util/date.h"
#include "util/prompt.h"

namespace velt::test {
namespace {

struct Pack {
    Date bought;
    int vouchers;
    int left;
    bool deleted = false;
};

struct VoucherCase {
    const char* name;
    const char* voucherValue;
    std::vector<Pack> packs;  // in physical order
    std::string customer;     // as the service names it
    std::vector<double> amounts;
    std::vector<int> expected;  // residual of each pack, in the order of `packs`
};

const Date kMarch = Date::fromYmd(2026, 3, 1);
const Date kApril = Date::fromYmd(2026, 4, 1);

class VoucherRules : public AccountingTest, public ::testing::WithParamInterface<VoucherCase> {};

TEST_P(VoucherRules, ResidualsAfterTheMoves) {
    const VoucherCase& c = GetParam();
    writeVoucherValue(c.voucherValue);
    // A longer name that begins with the customer's, and another customer: neither is touched.
    addRows("CLIENTI", {{{"CODICE", "         2"}, {"CLIENTE", "ROSSI MARIOLINA"}},
                        {{"CODICE", "         1"}, {"CLIENTE", "ROSSI MARIO"}},
                        {{"CODICE", "         3"}, {"CLIENTE", "BIANCHI ANNA"}}});
    std::vector<std::uint32_t> recnos;
    for (const Pack& p : c.packs) {
        recnos.push_back(addRows("ABBONAM",
                                 {{{"CLIENTE", "         1"},
                                   {"DATA", p.bought},
                                   {"BUONI", p.vouchers},
                                   {"RESIDUI", p.left}}},
                                 p.deleted)[0]);
    }
    const auto others = addRows(
        "ABBONAM", {{{"CLIENTE", "         2"}, {"DATA", kMarch}, {"BUONI", 10}, {"RESIDUI", 5}},
                    {{"CLIENTE", "         3"}, {"DATA", kMarch}, {"BUONI", 10}, {"RESIDUI", 5}}});

    for (double amount : c.amounts) AGGABB(c.customer, amount);

    for (std::size_t i = 0; i < recnos.size(); ++i) {
        EXPECT_EQ(fieldOf("ABBONAM", recnos[i], "RESIDUI").num(), c.expected[i]) << "pack " << i;
    }
    for (std::uint32_t r : others) EXPECT_EQ(fieldOf("ABBONAM", r, "RESIDUI").num(), 5);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VoucherRules,
    ::testing::Values(
        VoucherCase{"ServiceOfOneVoucher", "10", {{kMarch, 10, 10}}, "ROSSI MARIO", {-10}, {9}},
        VoucherCase{
            "ItsDeletionGivesItBack", "10", {{kMarch, 10, 10}}, "ROSSI MARIO", {-10, 10}, {10}},
        VoucherCase{"OldestTakenFirst",
                    "10",
                    {{kMarch, 10, 3}, {kApril, 10, 10}},
                    "ROSSI MARIO",
                    {-50},
                    {0, 8}},
        VoucherCase{"GivenBackNewestFirst",
                    "10",
                    {{kMarch, 10, 3}, {kApril, 10, 10}},
                    "ROSSI MARIO",
                    {-50, 50},
                    {3, 10}},
        VoucherCase{"DateOrderNotRecordOrder",
                    "10",
                    {{kApril, 10, 10}, {kMarch, 10, 3}},
                    "ROSSI MARIO",
                    {-50},
                    {8, 0}},
        VoucherCase{"MoreThanLeftStopsAtZero",
                    "10",
                    {{kMarch, 10, 3}, {kApril, 10, 10}},
                    "ROSSI MARIO",
                    {-200},
                    {0, 0}},
        VoucherCase{
            "GivingBackToFullPacksIsDropped", "10", {{kMarch, 10, 10}}, "ROSSI MARIO", {30}, {10}},
        VoucherCase{
            "HalfVoucherRoundedAwayFromZero", "10", {{kMarch, 10, 5}}, "ROSSI MARIO", {-15}, {4}},
        VoucherCase{"ConfirmingAgainUnchangedRaisesByOne",
                    "10",
                    {{kMarch, 10, 5}},
                    "ROSSI MARIO",
                    {-15, 15, -15},
                    {5}},
        VoucherCase{"DecimalVoucherValue", "0.10", {{kMarch, 10, 5}}, "ROSSI MARIO", {-0.35}, {2}},
        VoucherCase{"ZeroVoucherValueTakesNothing",
                    "0",
                    {{kMarch, 10, 3}, {kApril, 10, 10}},
                    "ROSSI MARIO",
                    {-100},
                    {3, 10}},
        VoucherCase{
            "ZeroVoucherValueGivesNothing", "0", {{kMarch, 10, 3}}, "ROSSI MARIO", {100}, {3}},
        VoucherCase{
            "RenamedCustomerFindsNothing", "10", {{kMarch, 10, 3}}, "ROSSI MARIA", {50}, {3}},
        VoucherCase{"EmptyCustomerNameMovesNothing", "10", {{kMarch, 10, 3}}, "", {-10}, {3}},
        VoucherCase{"NameInAnyLetterCase", "10", {{kMarch, 10, 3}}, "rossi mario", {-10}, {2}},
        VoucherCase{"ServiceRowNameWithTrailingBlanks",
                    "10",
                    {{kMarch, 10, 3}},
                    "ROSSI MARIO                             ",
                    {-10},
                    {2}},
        VoucherCase{"DeletedPackIsLeftAlone",
                    "10",
                    {{kMarch, 10, 3, true}, {kApril, 10, 10}},
                    "ROSSI MARIO",
                    {-50},
                    {3, 5}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AccountingTest, VouchersLeftAddUpTheCustomersLivePacks) {
    addRows("CLIENTI", {{{"CODICE", "         1"}, {"CLIENTE", "ROSSI MARIO"}},
                        {{"CODICE", "         2"}, {"CLIENTE", "VERDI LUCA"}}});
    addRows("ABBONAM", {{{"CLIENTE", "         1"}, {"BUONI", 10}, {"RESIDUI", 4}},
                        {{"CLIENTE", "         2"}, {"BUONI", 10}, {"RESIDUI", 7}},
                        {{"CLIENTE", "         1"}, {"BUONI", 20}, {"RESIDUI", 11}}});
    addRows("ABBONAM", {{{"CLIENTE", "         1"}, {"BUONI", 10}, {"RESIDUI", 10}}}, true);
    EXPECT_EQ(RESIABBO("rossi mario"), 15);
    EXPECT_EQ(RESIABBO("VERDI LUCA"), 7);
    EXPECT_EQ(RESIABBO("NERI"), 0);
    EXPECT_EQ(RESIABBO(""), 0);
}

TEST_F(AccountingTest, MachineMinutes) {
    const auto m = addRows("MACCHINE", {{{"MACCHINA", "SOLE GRANDE"}, {"RESIDUI", 500}},
                                        {{"MACCHINA", "SOLE"}, {"RESIDUI", 1000}},
                                        {{"MACCHINA", "LETTINO VERTICALE 20"}, {"RESIDUI", 300}}});
    const auto gone = addRows("MACCHINE", {{{"MACCHINA", "DOCCIA"}, {"RESIDUI", 100}}}, true);
    struct Move {
        std::string machine;
        double minutes;
    };
    for (const Move& move : std::vector<Move>{{"SOLE", -30},
                                              {"sole grande", 10},
                                              {"LETTINO VERTICA", -5},  // a service keeps 15
                                              {"", -10},
                                              {"DOCCIA", -10},
                                              {"NESSUNA", -10},
                                              {"SOLE           ", -1000}}) {
        AGGMAC(move.machine, move.minutes);
    }
    EXPECT_EQ(fieldOf("MACCHINE", m[0], "RESIDUI").num(), 510);
    EXPECT_EQ(fieldOf("MACCHINE", m[1], "RESIDUI").num(), -30);  // minutes may go below 0
    EXPECT_EQ(fieldOf("MACCHINE", m[2], "RESIDUI").num(), 295);
    EXPECT_EQ(fieldOf("MACCHINE", gone[0], "RESIDUI").num(), 100);
    EXPECT_EQ(RESIMACC("SOLE"), -30);
    EXPECT_EQ(RESIMACC("Sole Grande"), 510);
    EXPECT_EQ(RESIMACC("DOCCIA"), 0);
    EXPECT_EQ(RESIMACC(""), 0);
}

TEST_F(AccountingTest, TypeListsAndLookups) {
    addRows("TIPIPRE", {{{"TIPO", "VISO"}, {"MINUTI", 8}, {"PREZZO", 6.5}},
                        {{"TIPO", "CORPO"}, {"MINUTI", 12}, {"PREZZO", 10}},
                        {{"TIPO", "CORPO INTEGRALE"}, {"MINUTI", 20}, {"PREZZO", 15}}});
    addRows("TIPIPRE", {{{"TIPO", "ANNULLATO"}, {"MINUTI", 1}}}, true);
    addRows("TIPIABB", {{{"TIPO", "DIECI"}, {"BUONI", 10}, {"PREZZO", 90}},
                        {{"TIPO", "CINQUE"}, {"BUONI", 5}, {"PREZZO", 47.5}}});
    const std::string pad(20, ' ');
    EXPECT_EQ(ATIPIPRE(), (std::vector<std::string>{"", "CORPO" + pad.substr(5),
                                                    "CORPO INTEGRALE" + pad.substr(15),
                                                    "VISO" + pad.substr(4)}));
    EXPECT_EQ(ATIPIABB(),
              (std::vector<std::string>{"", "CINQUE" + pad.substr(6), "DIECI" + pad.substr(5)}));
    EXPECT_EQ(MINUTPP("corpo"), 12);  // the shorter name sorts first
    EXPECT_EQ(MINUTPP("CORPO INTEG"), 20);
    EXPECT_EQ(MINUTPP("ANNULLATO"), 0);
    EXPECT_EQ(MINUTPP(""), 0);
    EXPECT_EQ(BUONTPA("CINQUE"), 5);
    EXPECT_EQ(PREZTPA("CINQUE"), 47.5);
    EXPECT_EQ(BUONTPA("VENTI"), 0);
    EXPECT_EQ(PREZTPA(""), 0);
}

TEST_F(AccountingTest, EmptyTypeTablesGiveOnlyTheEmptyName) {
    EXPECT_EQ(ATIPIPRE(), std::vector<std::string>{""});
    EXPECT_EQ(ATIPIABB(), std::vector<std::string>{""});
}

TEST_F(AccountingTest, CallersWorkAreaAndRecordPointerStayPut) {
    addRows("CLIENTI", {{{"CODICE", "         1"}, {"CLIENTE", "ROSSI MARIO"}}});
    addRows("ABBONAM", {{{"CLIENTE", "         1"}, {"BUONI", 10}, {"RESIDUI", 10}}});
    addRows("MACCHINE", {{{"MACCHINA", "A"}, {"RESIDUI", 10}}, {{"MACCHINA", "B"}}});
    engine::WorkAreas::select(1);
    engine::WorkArea& caller = engine::WorkAreas::current();
    caller.open("MACCHINE", engine::OpenOptions::sharedAs());
    caller.goTo(2);

    AGGMAC("A", -3);
    AGGABB("ROSSI MARIO", -10);
    EXPECT_EQ(RESIABBO("ROSSI MARIO"), 9);
    EXPECT_EQ(RESIMACC("A"), 7);
    ATIPIPRE();

    EXPECT_EQ(engine::WorkAreas::currentNumber(), 1);
    EXPECT_EQ(caller.alias(), "MACCHINE");
    EXPECT_EQ(caller.recno(), 2u);
    EXPECT_EQ(engine::WorkAreas::openAreas(), std::vector<int>{1});
}

TEST_F(AccountingTest, FailedVoucherValueLoadingIsNotAVoucherMove) {
    addRows("CLIENTI", {{{"CODICE", "         1"}, {"CLIENTE", "ROSSI MARIO"}}});
    const auto pack =
        addRows("ABBONAM", {{{"CLIENTE", "         1"}, {"BUONI", 10}, {"RESIDUI", 10}}});
    writeFile("VELT.CFG", "[Vars]\r\nCFG_PREZZO=Cdieci\r\n");  // no number: 0
    AGGABB("ROSSI MARIO", -10);
    EXPECT_EQ(fieldOf("ABBONAM", pack[0], "RESIDUI").num(), 10);
}

TEST_F(AccountingTest, LockedMachineRowIsWaitedForWithTheBusyMessage) {
    const auto m = addRows("MACCHINE", {{{"MACCHINA", "SOLE"}, {"RESIDUI", 100}}});
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
        engine::WorkAreas::select(0);
        engine::WorkArea& area = engine::WorkAreas::current();
        area.open("MACCHINE", engine::OpenOptions::sharedAs());
        const bool locked = area.lockRow(m[0]);
        const char byte = locked ? '1' : '0';
        if (write(ready[1], &byte, 1) != 1) _exit(2);
        std::this_thread::sleep_for(std::chrono::milliseconds(3500));
        area.close();
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    ASSERT_EQ(byte, '1');
    ScriptedPrompt seam;
    {
        ScopedPrompt use(seam);
        AGGMAC("SOLE", -10);
    }
    int status = 0;
    waitpid(child, &status, 0);
    close(ready[0]);
    close(ready[1]);
    EXPECT_EQ(fieldOf("MACCHINE", m[0], "RESIDUI").num(), 90);
    ASSERT_FALSE(seam.waitTexts.empty());
    EXPECT_EQ(seam.waitTexts.front(), "Il sistema \xE8 momentaneamente occupato...");
    EXPECT_FALSE(seam.waitBox.has_value());
}

// Two stations spend vouchers and minutes of the same customer and machine at once: every move
// must reach the tables.
TEST_F(AccountingTest, TwoProcessesLoseNoMove) {
    constexpr int kRounds = 500;
    addRows("CLIENTI", {{{"CODICE", "         1"}, {"CLIENTE", "ROSSI MARIO"}}});
    const auto packs =
        addRows("ABBONAM",
                {{{"CLIENTE", "         1"}, {"DATA", kMarch}, {"BUONI", 999}, {"RESIDUI", 999}},
                 {{"CLIENTE", "         1"}, {"DATA", kApril}, {"BUONI", 999}, {"RESIDUI", 999}}});
    const auto machine = addRows("MACCHINE", {{{"MACCHINA", "SOLE"}, {"RESIDUI", 50000}}});
    std::vector<pid_t> children;
    for (int station = 1; station <= 2; ++station) {
        const pid_t pid = fork();
        if (pid == 0) {
            try {
                for (int i = 0; i < kRounds; ++i) {
                    AGGABB("ROSSI MARIO", -10);  // one voucher
                    AGGMAC("SOLE", -station);    // 1 or 2 minutes
                }
            } catch (...) {
                _exit(1);
            }
            _exit(0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(fieldOf("ABBONAM", packs[0], "RESIDUI").num(), 0);
    EXPECT_EQ(fieldOf("ABBONAM", packs[1], "RESIDUI").num(), 999 * 2 - 2 * kRounds);
    EXPECT_EQ(fieldOf("MACCHINE", machine[0], "RESIDUI").num(), 50000 - 3 * kRounds);
}

}  // namespace
}  // namespace velt::test
