#include "data/maintenance.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "data/data_fixture.h"
#include "data/engine/work_areas.h"
#include "data/temp_folder.h"
#include "data/upgrade.h"

using namespace velt;
using namespace velt::test;
using engine::WorkArea;
namespace fs = std::filesystem;

namespace {

struct MaintenanceTest : ::testing::Test {
    TempFolder dir;
    ScriptedPrompt p;
    ScopedPrompt use{p};
    TestFailureHandler handler;
    CloseAllAtEnd closeAll;

    void makeAllTables() {
        for (const auto& t : catalogue()) DBGEN(t.name, t.fields);
    }
};

// (record number, key) of every row of the index in its order.
std::vector<std::pair<std::uint32_t, std::string>> indexRows(const std::string& table,
                                                             const std::string& index) {
    ScopedTable t(table);
    ORDADD(index);
    WorkArea& a = t.table();
    std::vector<std::pair<std::uint32_t, std::string>> out;
    for (a.goTop(); !a.eof(); a.skip(1)) out.emplace_back(a.recno(), trimRight(a.currentKey()));
    return out;
}

}  // namespace

TEST_F(MaintenanceTest, CancelTouchesNothing) {
    makeAllTables();
    p.answers.push_back(button::kCancel);
    MANUTENZIONE();
    EXPECT_EQ(p.messages(),
              std::vector<std::string>{"La manutenzione potrebbe\r\nrichiedere del tempo.\r\n"
                                       "Confermi l'operazione?"});
    EXPECT_TRUE(p.waitTexts.empty());
    EXPECT_FALSE(fs::exists(dir / "PRESTAZI.NTX"));
}

TEST_F(MaintenanceTest, PacksAndRebuildsEveryIndex) {
    makeAllTables();
    makeCatalogueTable(
        "CLIENTI", {{{"CLIENTE", Value("Rossi Mario")}, {"BARRE", Value("300")}},
                    {{"CLIENTE", Value("Verdi Anna")}, {"BARRE", Value("100")}, {"*", Value(true)}},
                    {{"CLIENTE", Value("bianchi Lia")}, {"BARRE", Value("200")}}});
    makeCatalogueTable("TIPIPRE", {{{"TIPO", Value("Viso")}}, {{"TIPO", Value("Corpo")}}});
    MANUTENZIONE();
    EXPECT_EQ(p.waitTexts, std::vector<std::string>{"Manutenzione degli archivi in corso."});
    EXPECT_EQ(p.messages().size(), 1u);  // the question
    EXPECT_FALSE(p.waitBox.has_value());
    EXPECT_TRUE(engine::WorkAreas::openAreas().empty());
    for (const auto& index : indexCatalogue()) {
        if (index.name != "USERS") {
            EXPECT_TRUE(fs::exists(dir / (index.name + ".NTX"))) << index.name;
        }
    }

    {
        ScopedTable t("CLIENTI");
        EXPECT_EQ(t.table().rowCount(), 2u);
        t.table().goTo(2);
        EXPECT_EQ(trimRight(t.table().get("CLIENTE").text()), "bianchi Lia");
    }
    using Keys = std::vector<std::pair<std::uint32_t, std::string>>;
    EXPECT_EQ(indexRows("CLIENTI", "CLIENTI"), (Keys{{2, "BIANCHI LIA"}, {1, "ROSSI MARIO"}}));
    EXPECT_EQ(indexRows("CLIENTI", "CLIENTI2"), (Keys{{2, "200"}, {1, "300"}}));
    // A table without deleted rows keeps its rows; its index is rebuilt.
    EXPECT_EQ(indexRows("TIPIPRE", "TIPIPRE"), (Keys{{2, "CORPO"}, {1, "VISO"}}));

    // The index files hold the key text without "FIELD -> " and the condition.
    struct Stored {
        const char* table;
        const char* index;
        const char* key;
    } stored[] = {
        {"PRESTAZI", "PRESTAZI", "DTOS( data ) + ora"},
        {"CLIENTI", "CLIENTI", "UPPER( cliente )"},
        {"CLIENTI", "CLIENTI2", "barre"},
        {"ABBONAM", "ABBONAM", "cliente + DTOS( data )"},
        {"MACCHINE", "MACCHINE", "UPPER( macchina )"},
        {"TIPIPRE", "TIPIPRE", "UPPER( tipo )"},
        {"TIPIABB", "TIPIABB", "UPPER( tipo )"},
    };
    for (const auto& s : stored) {
        ScopedTable t(s.table);
        ORDADD(s.index);
        EXPECT_EQ(t.table().orderKeyText(1), s.key) << s.index;
        EXPECT_EQ(t.table().orderCondition(1), "!DELETED()") << s.index;
        EXPECT_EQ(t.table().orderName(1), s.index);
    }
}

TEST_F(MaintenanceTest, IndexesFollowLaterChanges) {
    makeAllTables();
    makeCatalogueTable("TIPIABB", {{{"TIPO", Value("Dieci")}}});
    MANUTENZIONE(false);
    {
        ScopedTable t("TIPIABB");
        ORDADD("TIPIABB");
        DBAPP();
        t.table().put("TIPO", Value("Cinque"));
        t.table().flush();
        t.table().unlockAll();
        t.table().goTop();
        DBDEL();
    }
    using Keys = std::vector<std::pair<std::uint32_t, std::string>>;
    EXPECT_EQ(indexRows("TIPIABB", "TIPIABB"), (Keys{{1, "DIECI"}}));
}

TEST_F(MaintenanceTest, MissingTableStopsThereAfterTheOthers) {
    makeAllTables();
    fs::remove(dir / "TIPIABB.DBF");
    MANUTENZIONE(false);
    ASSERT_EQ(p.messages().size(), 1u);
    EXPECT_EQ(p.messages()[0], "Impossibile aprire il file TIPIABB.DBF.");
    EXPECT_EQ(p.waitTexts, std::vector<std::string>{"Ricostruzione degli indici in corso."});
    EXPECT_FALSE(p.waitBox.has_value());
    for (const char* done : {"PRESTAZI", "CLIENTI", "CLIENTI2", "ABBONAM", "MACCHINE", "TIPIPRE"})
        EXPECT_TRUE(fs::exists(dir / (std::string(done) + ".NTX"))) << done;
    EXPECT_FALSE(fs::exists(dir / "TIPIABB.NTX"));
    EXPECT_TRUE(engine::WorkAreas::openAreas().empty());
}

TEST_F(MaintenanceTest, WaitsForStationsToLetGo) {
    makeAllTables();
    Station other([](int up, int down) {
        TestFailureHandler quiet;
        DBOPEN(true, "MACCHINE");
        Station::tell(up, 'o');
        Station::hear(down);
    });
    ASSERT_EQ(other.receive(), 'o');
    struct Releasing : ScriptedPrompt {
        Station* other;
        void openWaitBox(const WaitBoxSpec& spec) override {
            ScriptedPrompt::openWaitBox(spec);
            if (spec.text == "Spegnere tutti i terminali...") other->send('x');
        }
    } waiting;
    waiting.other = &other;
    ScopedPrompt use(waiting);
    MANUTENZIONE(false);
    EXPECT_EQ(waiting.waitTexts,
              (std::vector<std::string>{"Ricostruzione degli indici in corso.",
                                        "Spegnere tutti i terminali...",
                                        "Ricostruzione degli indici in corso."}));
    EXPECT_TRUE(fs::exists(dir / "TIPIABB.NTX"));
    EXPECT_EQ(other.finish(), 0);
}
