#include "data/check.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "data/data_fixture.h"
#include "data/engine/dbf_file.h"
#include "data/temp_folder.h"
#include "data/upgrade.h"

using namespace velt;
using namespace velt::test;
namespace fs = std::filesystem;

namespace {

struct CheckTest : ::testing::Test {
    TempFolder dir;
    ScriptedPrompt p;
    ScopedPrompt use{p};
    TestFailureHandler handler;
    CloseAllAtEnd closeAll;

    void SetUp() override {
        ASSERT_TRUE(AGGIORNADATABASE());
        makeCatalogueTable("TIPIPRE", {{{"TIPO", Value("Viso")}}, {{"TIPO", Value("Corpo")}}});
        ASSERT_TRUE(AGGIORNADATABASE(true));
    }

    // Changes row bytes behind the engine's back, as a broken writer would.
    void rawRow(const std::string& table, std::uint32_t recno,
                const std::function<void(std::string&)>& change) {
        engine::DbfFile file;
        file.open(dir / (table + ".DBF"), false, false);
        std::string row;
        ASSERT_TRUE(file.readRow(recno, row));
        change(row);
        file.writeRow(recno, row);
        file.close();
    }
};

}  // namespace

TEST_F(CheckTest, SoundFolderHasNothingToReport) {
    EXPECT_TRUE(checkDataFolder(dir.path()).empty());
}

TEST_F(CheckTest, ReportsWhatDiffers) {
    fs::remove(dir / "MACCHINE.NTX");
    fs::remove(dir / "ABBONAM.DBF");
    makeTable("TIPIABB", {{"TIPO", 'C', 20, 0}, {"BUONI", 'N', 4, 0}, {"ALTRO", 'C', 2, 0}}, {});
    // Row 2 of TIPIPRE marked deleted and row 1 changed without their index knowing.
    rawRow("TIPIPRE", 2, [](std::string& row) { row[0] = '*'; });
    rawRow("TIPIPRE", 1, [](std::string& row) { row.replace(1, 4, "Mani"); });
    // A row appended without its key.
    {
        engine::DbfFile file;
        file.open(dir / "TIPIPRE.DBF", false, false);
        std::string row = file.blankRow();
        row.replace(1, 5, "Piedi");
        file.appendRow(row);
        file.close();
    }
    auto report = checkDataFolder(dir.path());
    EXPECT_EQ(report, (std::vector<std::string>{
                          "ABBONAM.DBF: manca",
                          "MACCHINE.NTX: manca",
                          "TIPIPRE.NTX: chiave per la riga cancellata 2",
                          "TIPIPRE.NTX: la chiave della riga 1 non corrisponde ai dati",
                          "TIPIPRE.NTX: manca la chiave della riga 3",
                          "TIPIABB.DBF: il campo BUONI \xE8 N 4 0 invece di N 3 0",
                          "TIPIABB.DBF: manca il campo PREZZO",
                      }))
        << report.size();
}

TEST_F(CheckTest, DamagedIndexIsReported) {
    writeFile(dir / "CLIENTI2.NTX", std::string(600, 'x'));
    auto report = checkDataFolder(dir.path());
    ASSERT_EQ(report.size(), 1u);
    EXPECT_EQ(report[0].rfind("CLIENTI2.NTX: ", 0), 0u) << report[0];
}
