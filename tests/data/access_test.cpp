#include "data/access.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "data/data_fixture.h"
#include "data/disk.h"
#include "data/engine/lock_scheme.h"
#include "data/engine/work_areas.h"
#include "data/semaphore.h"
#include "data/temp_folder.h"
#include "util/marker.h"

using namespace velt;
using namespace velt::test;
using engine::WorkArea;
using engine::WorkAreas;
namespace fs = std::filesystem;

namespace {

const std::vector<FieldSpec> kCodes = {{"CODICE", 'C', 10, 0}, {"NOME", 'C', 10, 0}};

struct AccessTest : ::testing::Test {
    TempFolder dir;
    ScriptedPrompt p;
    ScopedPrompt use{p};
    TestFailureHandler handler;
    CloseAllAtEnd closeAll;
};

void makeCodes(const std::vector<const char*>& values) {
    std::vector<Row> rows;
    for (const char* v : values) rows.push_back({{"CODICE", Value(std::string(v))}});
    makeTable("CODICI", kCodes, rows);
}

}  // namespace

TEST_F(AccessTest, OrdAddAddsTheExtensionOnlyWhenThereIsNone) {
    makeCatalogueTable("CLIENTI", {{{"CLIENTE", Value("Rossi")}, {"BARRE", Value("2")}},
                                   {{"CLIENTE", Value("Bianchi")}, {"BARRE", Value("1")}}});
    DBOPEN(true, "CLIENTI", {}, false);
    ORDCONDSET(kIndexCondition, notDeleted());
    ORDBUILD("CLIENTI", {}, findIndex("CLIENTI")->keyText, catalogueKey(*findIndex("CLIENTI")));
    ORDCONDSET(kIndexCondition, notDeleted());
    ORDBUILD("INDEX.IDX", {}, findIndex("CLIENTI2")->keyText, catalogueKey(*findIndex("CLIENTI2")));
    DBCLOSE();
    EXPECT_TRUE(fs::exists(dir / "CLIENTI.NTX"));
    EXPECT_TRUE(fs::exists(dir / "INDEX.IDX"));
    EXPECT_FALSE(fs::exists(dir / "INDEX.IDX.NTX"));

    DBOPEN(true, "CLIENTI");
    ORDADD("CLIENTI");
    ORDADD("INDEX.IDX");
    WorkArea& area = WorkAreas::current();
    EXPECT_EQ(area.orderCount(), 2);
    EXPECT_EQ(area.order(), 1);
    EXPECT_EQ(area.orderKeyText(1), "UPPER( cliente )");
    EXPECT_EQ(area.orderKeyText(2), "barre");
    EXPECT_EQ(area.orderCondition(1), "!DELETED()");
    EXPECT_EQ(trimRight(area.get("CLIENTE").text()), "Bianchi");  // first row of the order
    EXPECT_EQ(ORDLIST(), (std::vector<std::string>{dir / "CLIENTI.NTX", dir / "INDEX.IDX"}));
    EXPECT_EQ(ORDLIST("clienti"), (std::vector<std::string>{dir / "INDEX.IDX"}));
    EXPECT_EQ(ORDLIST(dir / "INDEX.IDX"), (std::vector<std::string>{dir / "CLIENTI.NTX"}));
    EXPECT_EQ(ORDBAGNAME(2), dir / "INDEX.IDX");
    EXPECT_EQ(ORDBAGNAME(3), "");
    EXPECT_EQ(ORDBAGNAME(0), "");
}

TEST_F(AccessTest, OrdListOpensAList) {
    makeCatalogueTable("TIPIPRE", {{{"TIPO", Value("Viso")}}});
    DBOPEN(true, "TIPIPRE", {}, false);
    ORDCONDSET(kIndexCondition, notDeleted());
    ORDBUILD("TIPIPRE", {}, "UPPER( FIELD -> tipo )", catalogueKey(*findIndex("TIPIPRE")));
    ORDCONDSET(kIndexCondition, notDeleted());
    ORDBUILD("ALTRO", {}, "FIELD -> tipo", catalogueKey(*findIndex("TIPIPRE")));
    DBCLOSE();
    DBOPEN(true, "TIPIPRE");
    EXPECT_TRUE(ORDLIST(std::vector<std::string>{"TIPIPRE", "ALTRO"}).empty());
    EXPECT_EQ(ORDLIST(), (std::vector<std::string>{dir / "TIPIPRE.NTX", dir / "ALTRO.NTX"}));
    EXPECT_EQ(WorkAreas::current().orderKeyText(2), "tipo");
}

TEST_F(AccessTest, NewAliasNamesTheLowestFreeArea) {
    for (const char* t : {"A1", "A2", "A3"}) makeTable(t, kCodes, {});
    WorkAreas::select(1);
    DBOPEN(false, "A1");
    DBOPEN(true, "A2");
    DBOPEN(true, "A3");
    WorkAreas::select(2);
    EXPECT_EQ(GETNEWALIAS(), "ALIAS004");
    EXPECT_EQ(WorkAreas::currentNumber(), 2);
    DBCLOSE("A1");
    EXPECT_EQ(GETNEWALIAS(), "ALIAS001");
    EXPECT_EQ(WorkAreas::currentNumber(), 2);
}

TEST_F(AccessTest, NextCode) {
    struct Case {
        std::vector<const char*> stored;
        const char* next;
    } cases[] = {
        {{}, "         1"},
        {{"         1", "         2", "         5"}, "         6"},
        {{"         1", "         9", "          "}, "        10"},
        {{"         7", "         3"}, "         4"},
        {{"          ", "          "}, "         1"},
        {{"abc       "}, "         1"},
    };
    for (const auto& c : cases) {
        makeCodes(c.stored);
        ScopedTable table("CODICI");
        WorkArea& area = table.table();
        area.goTop();
        std::uint32_t here = area.recno();
        bool atEnd = area.eof();
        EXPECT_EQ(NEXTCODE(), c.next) << c.stored.size();
        EXPECT_EQ(area.eof(), atEnd);
        if (!atEnd) {
            EXPECT_EQ(area.recno(), here);
        }
        EXPECT_TRUE(area.tableLocked());
        area.unlockAll();
        EXPECT_EQ(NEXTCODE(false), c.next);
        EXPECT_FALSE(area.tableLocked());
        EXPECT_TRUE(area.lockedRows().empty());
    }
}

TEST_F(AccessTest, DeleteMovesToTheFollowingRow) {
    makeCatalogueTable("TIPIPRE",
                       {{{"TIPO", Value("C")}}, {{"TIPO", Value("A")}}, {{"TIPO", Value("B")}}});
    DBOPEN(true, "TIPIPRE", {}, false);
    ORDCONDSET(kIndexCondition, notDeleted());
    ORDBUILD("TIPIPRE", {}, "UPPER( FIELD -> tipo )", catalogueKey(*findIndex("TIPIPRE")));
    DBCLOSE();

    ScopedTable table("TIPIPRE");
    ORDADD("TIPIPRE");
    WorkArea& area = table.table();
    area.goTop();  // A
    DBDEL();
    EXPECT_EQ(trimRight(area.get("TIPO").text()), "B");
    EXPECT_FALSE(area.tableLocked());
    area.goBottom();  // C, the last in the order
    DBDEL(false);
    EXPECT_TRUE(area.eof());
    EXPECT_EQ(column(area, "TIPO"), std::vector<std::string>{"B                   "});
    EXPECT_EQ(TOTREC(), 1);
    // Past the end nothing happens.
    area.goTo(0);
    DBDEL();
    EXPECT_EQ(TOTREC(), 1);
}

TEST_F(AccessTest, DelRecAsksFirst) {
    makeCatalogueTable("TIPIPRE", {{{"TIPO", Value("A")}}, {{"TIPO", Value("B")}}});
    ScopedTable table("TIPIPRE");
    WorkArea& area = table.table();
    area.goTo(0);
    EXPECT_FALSE(DELREC());
    EXPECT_EQ(p.beeps, 1);
    EXPECT_TRUE(p.messages().empty());

    area.goTop();
    p.answers.push_back(button::kCancel);
    EXPECT_FALSE(DELREC());
    EXPECT_FALSE(area.deleted());
    p.answers.push_back(button::kOk);
    EXPECT_TRUE(DELREC());
    EXPECT_EQ(p.messages(), (std::vector<std::string>{"Confermi la cancellazione?",
                                                      "Confermi la cancellazione?"}));
    EXPECT_EQ(column(area, "TIPO"), std::vector<std::string>{"B                   "});
}

TEST_F(AccessTest, AppendLeavesTheNewRowLockedUntilUnlocked) {
    makeCatalogueTable("TIPIPRE", {{{"TIPO", Value("A")}}});
    ScopedTable table("TIPIPRE");
    WorkArea& area = table.table();
    DBAPP();
    EXPECT_EQ(area.recno(), 2u);
    EXPECT_TRUE(area.tableLocked());
    EXPECT_EQ(trimRight(area.get("TIPO").text()), "");
    area.put("TIPO", Value("Nuovo"));
    area.flush();
    area.unlockAll();
    EXPECT_FALSE(area.tableLocked());
    EXPECT_TRUE(area.lockedRows().empty());
    // Another open of the table can lock everything again.
    ScopedTable other("TIPIPRE", "ALTRO");
    EXPECT_TRUE(other.table().lockTable());
}

TEST_F(AccessTest, CountsAndDuplicates) {
    std::vector<Row> rows;
    for (int i = 0; i < 12; ++i)
        rows.push_back(
            {{"TIPO", Value("Tipo " + std::to_string(i))}, {"*", Value(i == 3 || i == 8)}});
    makeCatalogueTable("TIPIPRE", rows);
    DBOPEN(true, "TIPIPRE", {}, false);
    ORDCONDSET(kIndexCondition, notDeleted());
    ORDBUILD("TIPIPRE", {}, "UPPER( FIELD -> tipo )", catalogueKey(*findIndex("TIPIPRE")));
    ORDCONDSET(kIndexCondition, notDeleted());
    ORDBUILD("TIPI2", {}, "UPPER( FIELD -> tipo )", catalogueKey(*findIndex("TIPIPRE")));
    DBCLOSE();

    ScopedTable table("TIPIPRE");
    ORDADD("TIPIPRE");
    ORDADD("TIPI2");
    WorkArea& area = table.table();
    EXPECT_EQ(TOTREC(), 10);
    area.setOrder(2);
    EXPECT_EQ(TOTREC(), 10);
    area.setRange(std::string("TIPO 1"), std::string("TIPO 1"));  // Tipo 1, 10, 11
    EXPECT_EQ(TOTREC(false), 3);
    EXPECT_EQ(TOTREC(), 3);  // the first order counted within that range
    EXPECT_EQ(area.order(), 2);

    area.setRange(std::nullopt, std::nullopt);
    area.setOrder(1);
    area.setRange(std::nullopt, std::nullopt);
    area.setRange(std::string("TIPO 5"), std::string("TIPO 5"));
    area.goTop();
    std::uint32_t here = area.recno();
    EXPECT_TRUE(ISDUP("tipo 0"));
    EXPECT_FALSE(ISDUP("tipo 3"));  // deleted
    EXPECT_FALSE(ISDUP("altro"));
    EXPECT_TRUE(ISDUP("TIPO 11", 2));
    EXPECT_EQ(area.recno(), here);
    EXPECT_EQ(area.order(), 1);
    EXPECT_EQ(area.rangeLow(), std::optional<std::string>("TIPO 5"));
}

TEST_F(AccessTest, CreatingNeedsRoomOnTheDisk) {
    EXPECT_THROW(DBGEN("TIPIPRE", findTable("TIPIPRE")->fields, 1e18), Abandon);
    EXPECT_FALSE(fs::exists(dir / "TIPIPRE.DBF"));
    EXPECT_THROW(DBGEN(dir / "manca/TIPIPRE", findTable("TIPIPRE")->fields), Abandon);
    EXPECT_EQ(p.messages(),
              (std::vector<std::string>{"Spazio sul disco insufficiente.", "Disco non pronto."}));
    DBGEN(dir / "TIPIPRE", findTable("TIPIPRE")->fields);
    DBGEN("CLIENTI", findTable("CLIENTI")->fields);
    EXPECT_TRUE(fs::exists(dir / "TIPIPRE.DBF"));
    EXPECT_FALSE(fs::exists(dir / "TIPIPRE.DBT"));
    EXPECT_TRUE(fs::exists(dir / "CLIENTI.DBT"));
}

TEST_F(AccessTest, DiskChecks) {
    EXPECT_TRUE(ISREADY(""));
    EXPECT_TRUE(ISREADY(dir.path()));
    EXPECT_FALSE(ISREADY(dir / "manca", false));
    EXPECT_TRUE(p.messages().empty());
    EXPECT_FALSE(ISREADY(dir / "manca"));
    EXPECT_FALSE(ISFULL(""));
    EXPECT_FALSE(ISFULL(dir.path()));
    EXPECT_TRUE(ISFULL(dir.path(), 1e18));
    EXPECT_TRUE(ISFULL(dir / "manca"));
    EXPECT_EQ(p.messages(),
              (std::vector<std::string>{"Disco non pronto.", "Spazio sul disco insufficiente.",
                                        "Disco non pronto."}));
}

TEST_F(AccessTest, TempFolderAndViewFiles) {
    EXPECT_EQ(SETTEMP(), "");
    fs::create_directory(dir / "tmp");
    EXPECT_EQ(SETTEMP(dir / "tmp/"), dir / "tmp/");
    EXPECT_EQ(viewFileName(3), dir / "tmp/\x7FVIEW3.NTX");
    makeTable("A1", kCodes, {});
    writeFile(dir / "tmp/\x7FVIEW3.NTX", "x");
    writeFile(dir / "tmp/\x7FVIEW12.NTX", "x");
    writeFile(dir / "tmp/\x7FVIEWS.TXT", "x");
    WorkAreas::select(3);
    DBOPEN(false, "A1");
    WorkAreas::select(5);
    DBCLOSE("A1");
    EXPECT_EQ(WorkAreas::currentNumber(), 5);
    EXPECT_FALSE(WorkAreas::area(3).isOpen());
    EXPECT_FALSE(fs::exists(dir / "tmp/\x7FVIEW3.NTX"));
    EXPECT_TRUE(fs::exists(dir / "tmp/\x7FVIEW12.NTX"));
    DBCLOSE("A1");  // no longer open: nothing
    DBOPEN(true, "A1");
    CLOSEALL();
    EXPECT_EQ(WorkAreas::currentNumber(), 1);
    EXPECT_TRUE(WorkAreas::openAreas().empty());
    EXPECT_FALSE(fs::exists(dir / "tmp/\x7FVIEW12.NTX"));
    EXPECT_TRUE(fs::exists(dir / "tmp/\x7FVIEWS.TXT"));
    SETTEMP("");
}

TEST_F(AccessTest, ScopesComeBackOnEveryWayOut) {
    makeTable("A1", kCodes, {});
    WorkAreas::select(7);
    try {
        ScopedTable table("A1");
        EXPECT_NE(WorkAreas::currentNumber(), 7);
        DBOPEN(false, "MANCA");
        FAIL() << "a missing table abandons";
    } catch (const Abandon&) {
    }
    EXPECT_EQ(WorkAreas::currentNumber(), 7);
    EXPECT_TRUE(WorkAreas::openAreas().empty());
    ASSERT_EQ(p.messages().size(), 1u);
    EXPECT_EQ(p.messages()[0].rfind("Impossibile aprire il file ", 0), 0u);
    EXPECT_NE(p.messages()[0].find("MANCA.DBF."), std::string::npos);
    {
        KeepWorkArea keep;
        WorkAreas::select(9);
    }
    EXPECT_EQ(WorkAreas::currentNumber(), 7);
}

TEST_F(AccessTest, TableInUseByAnotherStation) {
    makeTable("A1", kCodes, {});
    EXPECT_FALSE(NETUSED("A1"));
    EXPECT_FALSE(NETUSED("MANCA"));
    Station other([](int up, int down) {
        TestFailureHandler quiet;
        DBOPEN(true, "A1");
        Station::tell(up, 'o');
        Station::hear(down);
    });
    ASSERT_EQ(other.receive(), 'o');
    EXPECT_TRUE(NETUSED("A1"));
    EXPECT_TRUE(NETUSED("A1.DBF"));
    EXPECT_FALSE(NETUSED("A1.DBT"));
    other.send('x');
    EXPECT_EQ(other.finish(), 0);
    EXPECT_FALSE(NETUSED("A1"));
}

// The prompt of a station whose wait box tells another station to let go.
class ReleasingPrompt : public ScriptedPrompt {
  public:
    Station* other = nullptr;
    std::string releaseOn;
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point shownAt;

    void openWaitBox(const WaitBoxSpec& spec) override {
        ScriptedPrompt::openWaitBox(spec);
        if (other && spec.text == releaseOn) {
            shownAt = std::chrono::steady_clock::now();
            other->send('x');
            other = nullptr;
        }
    }
};

TEST_F(AccessTest, OpenWaitsWhileAnotherStationHoldsTheTable) {
    makeTable("A1", kCodes, {{{"CODICE", Value("1")}}});
    struct Case {
        bool otherExclusive;
        bool weShared;
        const char* text;
        const char* caption;
    } cases[] = {
        {true, true, "E' in corso un'operazione di sistema...", "Attendere"},
        {false, false, "Spegnere tutti i terminali...", "Attenzione"},
    };
    for (const auto& c : cases) {
        Station other([&](int up, int down) {
            TestFailureHandler quiet;
            DBOPEN(true, "A1", {}, !c.otherExclusive);
            Station::tell(up, 'o');
            Station::hear(down);
        });
        ASSERT_EQ(other.receive(), 'o');
        ReleasingPrompt waiting;
        ScopedPrompt use(waiting);
        waiting.other = &other;
        waiting.releaseOn = c.text;
        POPMSG(std::string("Testo di prima"));
        DBOPEN(true, "A1", {}, c.weShared);
        EXPECT_TRUE(WorkAreas::current().isOpen());
        EXPECT_EQ(waiting.waitTexts,
                  (std::vector<std::string>{"Testo di prima", c.text, "Testo di prima"}));
        ASSERT_GE(waiting.shown.size(), 2u);
        EXPECT_EQ(waiting.shown[1].caption, c.caption);
        EXPECT_EQ(CURMSG(), std::optional<std::string>("Testo di prima"));
        EXPECT_GT(waiting.eventsProcessed, 0);
        POPMSG();
        DBCLOSE();
        EXPECT_EQ(other.finish(), 0);
    }
}

TEST_F(AccessTest, LockWaitsThreeSecondsThenSaysSo) {
    makeTable("A1", kCodes, {{{"CODICE", Value("1")}}, {{"CODICE", Value("2")}}});
    Station other([](int up, int down) {
        TestFailureHandler quiet;
        DBOPEN(true, "A1");
        DBLOCK(true);  // row 1
        Station::tell(up, 'l');
        Station::hear(down);
    });
    ASSERT_EQ(other.receive(), 'l');
    ReleasingPrompt waiting;
    ScopedPrompt use(waiting);
    waiting.other = &other;
    waiting.releaseOn = "Il sistema \xE8 momentaneamente occupato...";
    DBOPEN(true, "A1");
    WorkArea& area = WorkAreas::current();
    // Another row is free at once.
    area.goTo(2);
    DBLOCK(true);
    EXPECT_TRUE(waiting.waitTexts.empty());

    POPMSG(std::string("Registrazione in corso..."));
    auto start = std::chrono::steady_clock::now();
    area.goTo(1);
    DBLOCK(true);
    EXPECT_TRUE(area.rowLocked(1));
    EXPECT_FALSE(area.rowLocked(2));
    EXPECT_GE(waiting.shownAt - start, std::chrono::milliseconds(2990));
    EXPECT_EQ(waiting.waitTexts,
              (std::vector<std::string>{"Registrazione in corso...",
                                        "Il sistema \xE8 momentaneamente occupato...",
                                        "Registrazione in corso..."}));
    EXPECT_EQ(CURMSG(), std::optional<std::string>("Registrazione in corso..."));
    POPMSG();
    EXPECT_EQ(other.finish(), 0);
}

TEST_F(AccessTest, SharedInstallationMarker) {
    std::string old = setSharedMarkerPath(dir / "zark/NET");
    EXPECT_FALSE(sharedMarkerPresent());
    EXPECT_FALSE(conversionCopiesFiles() || semaphoreIsMarker() || whiteFieldBackground() ||
                 externalMailProgram());
    EXPECT_EQ(semaphoreFile(), "NET");
    EXPECT_TRUE(SCREATE());
    EXPECT_TRUE(fs::exists(dir / "NET"));
    EXPECT_FALSE(fs::exists(dir / "NET.DBF"));
    fs::remove(dir / "NET");

    fs::create_directory(dir / "zark");
    writeFile(dir / "zark/NET", "x");
    EXPECT_TRUE(conversionCopiesFiles() && semaphoreIsMarker() && whiteFieldBackground() &&
                externalMailProgram());
    EXPECT_EQ(semaphoreFile(), dir / "zark/NET");
    EXPECT_TRUE(SCREATE());
    EXPECT_FALSE(fs::exists(dir / "NET"));
    setSharedMarkerPath(old);
}

TEST_F(AccessTest, SemaphoreHeldForTheSignedInUser) {
    std::string old = setSharedMarkerPath(dir / "zark/NET");
    ASSERT_TRUE(SCREATE());
    // The semaphore table is a one-row table with the field LOCK.
    fs::copy_file(dir / "NET", dir / "NETCOPY.DBF");
    {
        ScopedTable net("NETCOPY");
        EXPECT_EQ(net.table().rowCount(), 1u);
        EXPECT_EQ(net.table().field(1).name, "LOCK");
        EXPECT_EQ(net.table().field(1).width, 1);
    }
    auto rowHeldElsewhere = [&] {
        Station probe([&](int up, int) {
            engine::OsFile f;
            f.open(dir / "NET", engine::OsFile::Access::ReadWrite);
            bool free = f.lock(engine::lockscheme::rowOffset(1), 1, true);
            Station::tell(up, free ? 'f' : 'h');
        });
        return probe.receive() == 'h';
    };
    setSemaphoreUser("");
    SLOCK();
    EXPECT_FALSE(rowHeldElsewhere());
    setSemaphoreUser("MARIO");
    SLOCK();
    EXPECT_TRUE(rowHeldElsewhere());
    SUNLOCK();
    EXPECT_FALSE(rowHeldElsewhere());
    setSemaphoreUser("");
    setSharedMarkerPath(old);
}

TEST_F(AccessTest, CountIgnoresAViewOverTheTable) {
    std::vector<Row> rows;
    for (int i = 0; i < 12; ++i)
        rows.push_back(
            {{"TIPO", Value("Tipo " + std::to_string(i))}, {"*", Value(i == 2 || i == 7)}});
    makeCatalogueTable("TIPIPRE", rows);
    DBOPEN(true, "TIPIPRE", {}, false);
    ORDCONDSET(kIndexCondition, notDeleted());
    ORDBUILD("TIPIPRE", {}, "UPPER( FIELD -> tipo )", catalogueKey(*findIndex("TIPIPRE")));
    DBCLOSE();

    ScopedTable table("TIPIPRE");
    ORDADD("TIPIPRE");
    WorkArea& area = table.table();
    // A view: a temporary index of three rows, made the active order.
    ORDCONDSET(kIndexCondition, [](WorkArea& a) {
        std::string tipo = trimRight(a.get("TIPO").text());
        return !a.deleted() && (tipo == "Tipo 1" || tipo == "Tipo 4" || tipo == "Tipo 9");
    });
    ORDBUILD(viewFileName(table.area()), {}, "UPPER( FIELD -> tipo )",
             catalogueKey(*findIndex("TIPIPRE")));
    ASSERT_EQ(area.orderCount(), 2);
    ASSERT_EQ(area.order(), 2);
    EXPECT_EQ(area.keyCount(), 3u);
    EXPECT_EQ(TOTREC(), 10);
    EXPECT_EQ(TOTREC(false), 3);
    EXPECT_EQ(area.order(), 2);
    // Closing the work area deletes its view file.
    std::string view = viewFileName(table.area());
    EXPECT_TRUE(fs::exists(view));
    DBCLOSE();
    EXPECT_FALSE(fs::exists(view));
}

TEST_F(AccessTest, AViewsFilterDoesNotBecomeTheStoredCondition) {
    makeCatalogueTable("TIPIPRE", {{{"TIPO", Value("A")}}, {{"TIPO", Value("B")}}});
    DBOPEN(true, "TIPIPRE", {}, false);
    ORDCONDSET(kIndexCondition, notDeleted());
    ORDBUILD("TIPIPRE", {}, "UPPER( FIELD -> tipo )", catalogueKey(*findIndex("TIPIPRE")));
    DBCLOSE();
    {
        ScopedTable table("TIPIPRE");
        ORDCONDSET(kIndexCondition,
                   [](WorkArea& a) { return trimRight(a.get("TIPO").text()) == "A"; });
        ORDBUILD(viewFileName(table.area()), {}, "UPPER( FIELD -> tipo )",
                 catalogueKey(*findIndex("TIPIPRE")));
        EXPECT_EQ(TOTREC(false), 1);
    }
    // The index file keeps every live row, also one added after the view was built.
    ScopedTable table("TIPIPRE");
    ORDADD("TIPIPRE");
    DBAPP();
    table.table().put("TIPO", Value("C"));
    table.table().unlockAll();
    EXPECT_EQ(TOTREC(), 3);
}
