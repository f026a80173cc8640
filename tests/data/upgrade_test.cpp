#include "data/upgrade.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "data/data_fixture.h"
#include "data/engine/work_areas.h"
#include "data/temp_folder.h"
#include "util/marker.h"

using namespace velt;
using namespace velt::test;
using engine::WorkArea;
namespace fs = std::filesystem;

namespace {

struct UpgradeTest : ::testing::Test {
    TempFolder dir;
    ScriptedPrompt p;
    ScopedPrompt use{p};
    TestFailureHandler handler;
    CloseAllAtEnd closeAll;
    std::string oldMarker = setSharedMarkerPath(dir / "zark/NET");
    ~UpgradeTest() override { setSharedMarkerPath(oldMarker); }

    std::vector<std::string> folder() {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(dir.path())) out.push_back(e.path().filename());
        std::sort(out.begin(), out.end());
        return out;
    }
    // Checks one table entry; answers whether the check completed.
    bool check(const std::string& table, const std::vector<FieldSpec>& fields) {
        return CREATEDB({table}, {fields}, {{}});
    }
    // Converts a table that differs from `fields`.
    bool convert(const std::string& table, const std::vector<FieldSpec>& fields) {
        EXPECT_TRUE(NEEDUPD(table, fields)) << table;
        return MODITAB(table, fields);
    }
};

std::vector<FieldSpec> replaced(std::vector<FieldSpec> fields, const FieldSpec& field) {
    for (auto& f : fields)
        if (f.name == field.name) f = field;
    return fields;
}

std::string layout(WorkArea& area) {
    std::string out;
    for (const auto& f : area.fields())
        out += f.name + " " + f.type + " " + std::to_string(f.width) + " " +
               std::to_string(f.decimals) + ";";
    return out;
}

ino_t inode(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_ino;
}

}  // namespace

TEST_F(UpgradeTest, EmptyFolderGetsEveryTableAndIndexOnce) {
    ASSERT_TRUE(AGGIORNADATABASE());
    EXPECT_EQ(folder(),
              (std::vector<std::string>{
                  "ABBONAM.DBF", "ABBONAM.DBT", "ABBONAM.NTX", "CLIENTI.DBF", "CLIENTI.DBT",
                  "CLIENTI.NTX", "CLIENTI2.NTX", "MACCHINE.DBF", "MACCHINE.DBT", "MACCHINE.NTX",
                  "PRESTAZI.DBF", "PRESTAZI.DBT", "PRESTAZI.NTX", "TIPIABB.DBF", "TIPIABB.NTX",
                  "TIPIPRE.DBF", "TIPIPRE.NTX"}));
    std::vector<std::string> expected = {"Verifica archivi in corso..."};
    for (int i = 0; i < 6; ++i) expected.push_back("Aggiornamento archivi in corso...");
    expected.push_back("Ricostruzione degli indici in corso.");
    EXPECT_EQ(p.waitTexts, expected);
    EXPECT_TRUE(p.messages().empty());
    EXPECT_FALSE(p.waitBox.has_value());
    EXPECT_TRUE(engine::WorkAreas::openAreas().empty());
    for (const auto& table : catalogue()) {
        ScopedTable t(table.name);
        EXPECT_EQ(t.table().rowCount(), 0u);
    }

    // A second start changes nothing.
    std::map<std::string, std::string> before;
    for (const auto& name : folder()) before[name] = readFile(dir / name);
    p.waitTexts.clear();
    ASSERT_TRUE(AGGIORNADATABASE());
    EXPECT_EQ(p.waitTexts, std::vector<std::string>{"Verifica archivi in corso..."});
    for (const auto& name : folder()) EXPECT_EQ(readFile(dir / name), before[name]) << name;
}

TEST_F(UpgradeTest, MissingIndexRebuildsEverything) {
    ASSERT_TRUE(AGGIORNADATABASE());
    makeCatalogueTable("TIPIPRE",
                       {{{"TIPO", Value("A")}}, {{"TIPO", Value("B")}, {"*", Value(true)}}});
    fs::remove(dir / "CLIENTI2.NTX");
    p.waitTexts.clear();
    ASSERT_TRUE(AGGIORNADATABASE());
    EXPECT_EQ(p.waitTexts, (std::vector<std::string>{"Verifica archivi in corso...",
                                                     "Ricostruzione degli indici in corso."}));
    EXPECT_TRUE(fs::exists(dir / "CLIENTI2.NTX"));
    ScopedTable t("TIPIPRE");
    EXPECT_EQ(t.table().rowCount(), 1u);  // packed
}

TEST_F(UpgradeTest, ForcedCheckRunsTheMaintenance) {
    ASSERT_TRUE(AGGIORNADATABASE());
    p.waitTexts.clear();
    ASSERT_TRUE(AGGIORNADATABASE(true));
    EXPECT_EQ(p.waitTexts, (std::vector<std::string>{"Verifica archivi in corso...",
                                                     "Ricostruzione degli indici in corso."}));
}

TEST_F(UpgradeTest, ExtraFieldLeavesTheTableAlone) {
    std::vector<FieldSpec> fields = findTable("TIPIPRE")->fields;
    fields.insert(fields.begin() + 1, {"EXTRA", 'C', 4, 0});
    makeTable("TIPIPRE", fields, {{{"TIPO", Value("Viso")}, {"EXTRA", Value("xx")}}});
    std::string before = readFile(dir / "TIPIPRE.DBF");
    EXPECT_FALSE(NEEDUPD("TIPIPRE", findTable("TIPIPRE")->fields));
    ASSERT_TRUE(check("TIPIPRE", findTable("TIPIPRE")->fields));
    EXPECT_EQ(readFile(dir / "TIPIPRE.DBF"), before);
}

TEST_F(UpgradeTest, DifferencesThatCount) {
    const auto& fields = findTable("TIPIABB")->fields;
    struct Case {
        const char* what;
        std::vector<FieldSpec> stored;
        bool differs;
    } cases[] = {
        {"same", fields, false},
        {"reordered", {fields[2], fields[0], fields[1]}, false},
        {"missing", {fields[0], fields[1]}, true},
        {"type", replaced(fields, {"BUONI", 'C', 3, 0}), true},
        {"width", replaced(fields, {"TIPO", 'C', 25, 0}), true},
        {"decimals", replaced(fields, {"PREZZO", 'N', 6, 1}), true},
    };
    for (const auto& c : cases) {
        makeTable("TIPIABB", c.stored, {});
        EXPECT_EQ(NEEDUPD("TIPIABB", fields), c.differs) << c.what;
    }
    // A table that does not open counts as not differing.
    EXPECT_FALSE(NEEDUPD("MANCA", fields));
}

TEST_F(UpgradeTest, NarrowerPriceIsWidenedKeepingPricesAndDroppingDeletedRows) {
    auto fields = replaced(findTable("PRESTAZI")->fields, {"PREZZO", 'N', 5, 2});
    makeTable(
        "PRESTAZI", fields,
        {{{"CLIENTE", Value("Rossi")}, {"PREZZO", Value(12.5)}, {"NOTE", Value("prima nota")}},
         {{"CLIENTE", Value("Verdi")}, {"PREZZO", Value(3)}, {"*", Value(true)}},
         {{"CLIENTE", Value("Bianchi")},
          {"PREZZO", Value(99.99)},
          {"DATA", Value(Date::fromYmd(2026, 1, 31))},
          {"ORA", Value("09:15")},
          {"ABBONAM", Value(true)}}});
    ASSERT_TRUE(AGGIORNADATABASE());
    EXPECT_TRUE(p.messages().empty());
    EXPECT_FALSE(fs::exists(dir / "TEMPDBF_.DBF"));
    EXPECT_FALSE(fs::exists(dir / "TEMPDBF_.DBT"));
    ScopedTable t("PRESTAZI");
    WorkArea& a = t.table();
    EXPECT_EQ(layout(a),
              "DATA D 8 0;ORA C 5 0;CLIENTE C 40 0;PRESTAZIO C 12 0;MACCHINA C 15 0;"
              "MINUTI N 2 0;PREZZO N 6 2;ABBONAM L 1 0;NOTE M 10 0;");
    EXPECT_EQ(a.rowCount(), 2u);
    a.goTo(1);
    EXPECT_EQ(trimRight(a.get("CLIENTE").text()), "Rossi");
    EXPECT_EQ(a.get("PREZZO").num(), 12.5);
    EXPECT_EQ(a.get("NOTE").text(), "prima nota");
    a.goTo(2);
    EXPECT_EQ(trimRight(a.get("CLIENTE").text()), "Bianchi");
    EXPECT_EQ(a.get("PREZZO").num(), 99.99);
    EXPECT_EQ(a.get("DATA").date(), Date::fromYmd(2026, 1, 31));
    EXPECT_EQ(a.get("ORA").text(), "09:15");
    EXPECT_TRUE(a.get("ABBONAM").logical());
}

TEST_F(UpgradeTest, ConvertedValues) {
    struct Case {
        const char* what;
        FieldSpec stored, wanted;
        std::vector<Value> in;
        std::vector<Value> out;
    } cases[] = {
        {"narrowed number",
         {"V", 'N', 3, 0},
         {"V", 'N', 2, 0},
         {Value(120), Value(45)},
         {Value(0), Value(45)}},
        {"text to number",
         {"V", 'C', 10, 0},
         {"V", 'N', 8, 2},
         {Value("1.234,56"), Value("abc")},
         {Value(1234.56), Value(0)}},
        {"text to logical",
         {"V", 'C', 5, 0},
         {"V", 'L', 1, 0},
         {Value(".f."), Value("     "), Value("SI")},
         {Value(false), Value(false), Value(true)}},
        {"date to text",
         {"V", 'D', 8, 0},
         {"V", 'C', 10, 0},
         {Value(Date::fromYmd(2024, 3, 9)), Value(Date())},
         {Value("09/03/2024"), Value("          ")}},
        {"longer text cut",
         {"V", 'C', 8, 0},
         {"V", 'C', 3, 0},
         {Value("abcdefgh")},
         {Value("abc")}},
    };
    for (const auto& c : cases) {
        std::vector<Row> rows;
        for (const auto& v : c.in) rows.push_back({{"V", v}});
        makeTable("PROVA", {c.stored, {"ALTRO", 'C', 2, 0}}, rows);
        ASSERT_TRUE(convert("PROVA", {c.wanted})) << c.what;
        ScopedTable t("PROVA");
        WorkArea& a = t.table();
        ASSERT_EQ(a.fieldCount(), 1) << c.what;
        ASSERT_EQ(a.rowCount(), c.out.size()) << c.what;
        for (size_t i = 0; i < c.out.size(); ++i) {
            a.goTo(static_cast<std::uint32_t>(i + 1));
            Value got = a.get("V");
            if (c.out[i].isNumber())
                EXPECT_EQ(got.num(), c.out[i].num()) << c.what << " " << i;
            else
                EXPECT_EQ(got, c.out[i]) << c.what << " " << i;
        }
    }
}

TEST_F(UpgradeTest, MatchingByLeadingNameAndBlankNewFields) {
    makeTable("PROVA", {{"TELEFONO1", 'C', 12, 0}, {"NOTE", 'M', 10, 0}},
              {{{"TELEFONO1", Value("0123")}, {"NOTE", Value("riga1\r\nriga2")}}});
    ASSERT_TRUE(
        convert("PROVA", {{"TELEFONO", 'C', 20, 0}, {"NOTE", 'C', 20, 0}, {"NUOVO", 'N', 3, 0}}));
    ScopedTable t("PROVA");
    WorkArea& a = t.table();
    EXPECT_EQ(trimRight(a.get("TELEFONO").text()), "0123");
    EXPECT_EQ(trimRight(a.get("NOTE").text()), "riga1 riga2");
    EXPECT_EQ(a.get("NUOVO").num(), 0);
}

TEST_F(UpgradeTest, DroppingTheOnlyMemoDeletesTheMemoFile) {
    makeTable("PROVA", {{"NOME", 'C', 8, 0}, {"NOTE", 'M', 10, 0}},
              {{{"NOME", Value("a")}, {"NOTE", Value("testo")}}});
    ASSERT_TRUE(fs::exists(dir / "PROVA.DBT"));
    ASSERT_TRUE(convert("PROVA", {{"NOME", 'C', 10, 0}}));
    EXPECT_FALSE(fs::exists(dir / "PROVA.DBT"));
    ScopedTable t("PROVA");
    EXPECT_EQ(t.table().version(), 0x03);
    EXPECT_EQ(trimRight(t.table().get("NOME").text()), "a");
}

TEST_F(UpgradeTest, TableHeldByAnotherStationIsLeftForLater) {
    auto fields = replaced(findTable("TIPIPRE")->fields, {"PREZZO", 'N', 5, 2});
    makeTable("TIPIPRE", fields, {{{"TIPO", Value("Viso")}}});
    std::string before = readFile(dir / "TIPIPRE.DBF");
    Station other([](int up, int down) {
        TestFailureHandler quiet;
        DBOPEN(true, "TIPIPRE");
        Station::tell(up, 'o');
        Station::hear(down);
    });
    ASSERT_EQ(other.receive(), 'o');
    ASSERT_TRUE(check("TIPIPRE", findTable("TIPIPRE")->fields));
    EXPECT_EQ(readFile(dir / "TIPIPRE.DBF"), before);
    EXPECT_TRUE(p.messages().empty());
    other.send('x');
    EXPECT_EQ(other.finish(), 0);
    ASSERT_TRUE(check("TIPIPRE", findTable("TIPIPRE")->fields));
    EXPECT_NE(readFile(dir / "TIPIPRE.DBF"), before);
}

TEST_F(UpgradeTest, MarkerCopiesInsteadOfRenaming) {
    auto stored = replaced(findTable("MACCHINE")->fields, {"DURATA", 'N', 3, 0});
    for (bool marker : {false, true}) {
        fs::remove_all(dir / "zark");
        if (marker) {
            fs::create_directory(dir / "zark");
            writeFile(dir / "zark/NET", "");
        }
        makeTable("MACCHINE", stored, {{{"MACCHINA", Value("Doccia")}, {"NOTE", Value("n")}}});
        ino_t data = inode(dir / "MACCHINE.DBF"), memo = inode(dir / "MACCHINE.DBT");
        ASSERT_TRUE(check("MACCHINE", findTable("MACCHINE")->fields));
        EXPECT_EQ(inode(dir / "MACCHINE.DBF") == data, marker);
        EXPECT_EQ(inode(dir / "MACCHINE.DBT") == memo, marker);
        EXPECT_FALSE(fs::exists(dir / "TEMPDBF_.DBF"));
        EXPECT_FALSE(fs::exists(dir / "TEMPDBF_.DBT"));
        ScopedTable t("MACCHINE");
        EXPECT_EQ(t.table().field(2).width, 4);
        EXPECT_EQ(t.table().get("NOTE").text(), "n");
    }
}

TEST_F(UpgradeTest, FailedCopyAbandonsTheCheck) {
    if (::geteuid() != 0) GTEST_SKIP() << "the table is made read-only, which only root may open";
    fs::create_directory(dir / "zark");
    writeFile(dir / "zark/NET", "");
    auto stored = replaced(findTable("TIPIPRE")->fields, {"PREZZO", 'N', 5, 2});
    makeTable("TIPIPRE", stored, {{{"TIPO", Value("Viso")}}});
    ::chmod((dir / "TIPIPRE.DBF").c_str(), 0444);
    std::string before = readFile(dir / "TIPIPRE.DBF");
    EXPECT_FALSE(AGGIORNADATABASE());
    EXPECT_EQ(p.messages(),
              std::vector<std::string>{"Impossibile copiare il file TEMPDBF_.DBF in TIPIPRE.DBF."});
    EXPECT_FALSE(p.waitBox.has_value());
    EXPECT_EQ(readFile(dir / "TIPIPRE.DBF"), before);
    // The converted rows wait in the temporary table; the tables after it are not checked.
    EXPECT_TRUE(fs::exists(dir / "TEMPDBF_.DBF"));
    EXPECT_FALSE(fs::exists(dir / "TIPIABB.DBF"));
    EXPECT_TRUE(engine::WorkAreas::openAreas().empty());
}

TEST_F(UpgradeTest, EmptyEntriesAreSkipped) {
    ASSERT_TRUE(CREATEDB({"", "PROVA"}, {{{"X", 'C', 1, 0}}, {}}, {{}, {}}));
    EXPECT_FALSE(fs::exists(dir / "PROVA.DBF"));
    EXPECT_FALSE(fs::exists(dir / ".DBF"));
}
