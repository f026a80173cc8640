// Work areas in physical order: navigation over hidden deleted rows, field access, the lock
// rules of one work area, share modes inside one process, and the work-area registry.
#include "data/engine/work_area.h"

#include <gtest/gtest.h>

#include "data/engine/settings.h"
#include "data/engine/work_areas.h"
#include "engine_test_support.h"

namespace velt::engine {
namespace {

using testing::TempDir;

const std::vector<FieldDef> kFields = {
    {"NOME", 'C', 10, 0}, {"N", 'N', 4, 0}, {"NOTE", 'M', 10, 0}};

// A table of `rows` rows with N = 1..rows; rows listed in `deleted` are marked deleted.
void makeTable(const std::string& path, int rows, std::vector<int> deleted = {}) {
    createTable(path, kFields);
    WorkArea a(900);
    ASSERT_TRUE(a.open(path, OpenOptions::exclusive()));
    for (int i = 1; i <= rows; ++i) {
        a.append();
        a.put("NOME", Value("R" + std::to_string(i)));
        a.put("N", Value(i));
    }
    for (int d : deleted) {
        a.goTo(static_cast<std::uint32_t>(d));
        a.markDeleted();
    }
    a.close();
}

std::vector<int> visibleForward(WorkArea& a) {
    std::vector<int> out;
    for (a.goTop(); !a.eof(); a.skip()) out.push_back(static_cast<int>(a.get("N").num()));
    return out;
}

std::vector<int> visibleBackward(WorkArea& a) {
    std::vector<int> out;
    a.goBottom();
    while (!a.eof()) {
        out.push_back(static_cast<int>(a.get("N").num()));
        a.skip(-1);
        if (a.bof()) break;
    }
    return out;
}

TEST(WorkArea, NavigationPassesOverDeletedRows) {
    struct Case {
        int rows;
        std::vector<int> deleted;
        std::vector<int> visible;
    };
    const Case cases[] = {
        {0, {}, {}},
        {5, {}, {1, 2, 3, 4, 5}},
        {5, {1, 5}, {2, 3, 4}},
        {5, {2, 3}, {1, 4, 5}},
        {3, {1, 2, 3}, {}},  // only deleted rows: behaves as empty
    };
    for (const Case& c : cases) {
        TempDir dir;
        makeTable(dir.file("T"), c.rows, c.deleted);
        WorkArea a(1);
        ASSERT_TRUE(a.open(dir.file("T")));
        EXPECT_EQ(visibleForward(a), c.visible);
        std::vector<int> back(c.visible.rbegin(), c.visible.rend());
        EXPECT_EQ(visibleBackward(a), back);
        a.goTop();
        EXPECT_EQ(a.eof(), c.visible.empty());
        EXPECT_EQ(a.keyCount(), c.visible.size());
        if (c.visible.empty()) {
            EXPECT_EQ(a.recno(), static_cast<std::uint32_t>(c.rows + 1));
        }
    }
}

TEST(WorkArea, DeletedRowsShownWhenNotHidden) {
    TempDir dir;
    makeTable(dir.file("T"), 3, {2});
    settings().deletedHidden = false;
    WorkArea a(1);
    ASSERT_TRUE(a.open(dir.file("T")));
    EXPECT_EQ(visibleForward(a), (std::vector<int>{1, 2, 3}));
    settings().deletedHidden = true;
    EXPECT_EQ(visibleForward(a), (std::vector<int>{1, 3}));
}

TEST(WorkArea, SkipAtTheEnds) {
    TempDir dir;
    makeTable(dir.file("T"), 4, {1});
    WorkArea a(1);
    ASSERT_TRUE(a.open(dir.file("T")));
    a.goTop();
    EXPECT_EQ(a.recno(), 2u);
    a.skip(-1);  // before the first visible row: stays there, start of table reported
    EXPECT_TRUE(a.bof());
    EXPECT_EQ(a.recno(), 2u);
    a.skip(10);  // past the end
    EXPECT_TRUE(a.eof());
    EXPECT_EQ(a.recno(), 5u);
    a.skip(-1);  // from the end back to the last row
    EXPECT_FALSE(a.eof());
    EXPECT_EQ(a.recno(), 4u);
    a.goTo(1);  // a deleted row is reached by number
    EXPECT_TRUE(a.deleted());
    EXPECT_EQ(a.get("N").num(), 1);
    a.goTo(99);
    EXPECT_TRUE(a.eof());
    EXPECT_EQ(a.get("NOME").text(), std::string(10, ' '));
}

TEST(WorkArea, FieldsByNameAndPosition) {
    TempDir dir;
    makeTable(dir.file("T"), 1);
    WorkArea a(1);
    ASSERT_TRUE(a.open(dir.file("T"), OpenOptions::exclusive()));
    EXPECT_EQ(a.fieldPos("nome"), 1);
    EXPECT_EQ(a.fieldPos("NOTE"), 3);
    EXPECT_EQ(a.fieldPos("NONE"), 0);
    EXPECT_EQ(a.field(2).width, 4);
    EXPECT_EQ(a.get(1).text(), "R1        ");
    Number n = a.get(2).number();
    EXPECT_EQ(n.value, 1);
    EXPECT_EQ(n.intWidth, 4);
    a.put(1, Value("a text longer than ten"));
    EXPECT_EQ(a.get(1).text(), "a text lon");
    a.put("NOTE", Value("memo \xE8 text"));
    EXPECT_EQ(a.get("NOTE").text(), "memo \xE8 text");
    auto wrongType = testing::failureOf([&] { a.put("N", Value("x")); });
    ASSERT_TRUE(wrongType);
    EXPECT_EQ(wrongType->genCode, gen::kDataType);
    auto noField = testing::failureOf([&] { a.get("MISSING"); });
    ASSERT_TRUE(noField);
    EXPECT_EQ(noField->genCode, gen::kArgument);
    EXPECT_TRUE(testing::failureOf([&] { a.get(9); }));
    a.close();
    ASSERT_TRUE(a.open(dir.file("T"), OpenOptions::exclusive()));
    EXPECT_EQ(a.get("NOTE").text(), "memo \xE8 text");
    EXPECT_EQ(a.get(1).text(), "a text lon");
}

TEST(WorkArea, WritesNeedLocksWhenShared) {
    TempDir dir;
    makeTable(dir.file("T"), 2);
    WorkArea a(1);
    ASSERT_TRUE(a.open(dir.file("T")));
    auto unlocked = testing::failureOf([&] { a.put("N", Value(7)); });
    ASSERT_TRUE(unlocked);
    EXPECT_EQ(unlocked->genCode, gen::kUnlocked);
    ASSERT_TRUE(a.lockRow());
    a.put("N", Value(7));
    a.unlockAll();
    EXPECT_FALSE(a.rowLocked(1));
    a.goTo(1);
    EXPECT_EQ(a.get("N").num(), 7);
    WorkArea ro(2);
    ASSERT_TRUE(ro.open(dir.file("T"), OpenOptions{"RO", true, true}));
    ASSERT_TRUE(ro.lockRow());
    auto readOnly = testing::failureOf([&] { ro.put("N", Value(1)); });
    ASSERT_TRUE(readOnly);
    EXPECT_EQ(readOnly->genCode, gen::kReadOnly);
}

// The lock rules of one work area, each step checked against a second open of the same table
// (another open file: it sees the locks as another station would).
TEST(WorkArea, LockRules) {
    TempDir dir;
    makeTable(dir.file("T"), 10);
    WorkArea a(1), other(2);
    ASSERT_TRUE(a.open(dir.file("T")));
    ASSERT_TRUE(other.open(dir.file("T"), OpenOptions::sharedAs("OTHER")));

    // Locking row 7 while holding row 3 releases row 3.
    ASSERT_TRUE(a.lockRow(3));
    EXPECT_FALSE(other.lockRow(3));
    ASSERT_TRUE(a.lockRow(7));
    EXPECT_EQ(a.lockedRows(), (std::vector<std::uint32_t>{7}));
    EXPECT_TRUE(other.lockRow(3));
    EXPECT_FALSE(other.lockRow(7));
    other.unlockAll();

    // The whole-table lock fails while another open holds a row, then releases own rows.
    ASSERT_TRUE(other.lockRow(5));
    EXPECT_FALSE(a.lockTable());
    other.unlockAll();
    ASSERT_TRUE(a.lockTable());
    EXPECT_TRUE(a.lockedRows().empty());
    EXPECT_FALSE(other.lockRow(1));
    EXPECT_FALSE(other.lockRow(10));
    // A row lock under the whole-table lock succeeds at once and changes nothing.
    EXPECT_TRUE(a.lockRow(4));
    EXPECT_TRUE(a.tableLocked());
    EXPECT_TRUE(a.lockedRows().empty());

    // Appending under the whole-table lock keeps it and locks no row.
    a.append();
    EXPECT_EQ(a.recno(), 11u);
    EXPECT_TRUE(a.tableLocked());
    EXPECT_TRUE(a.lockedRows().empty());
    a.put("N", Value(11));
    EXPECT_FALSE(other.lockTable());
    a.unlockAll();
    EXPECT_FALSE(a.tableLocked());

    // Appending without it locks the new row and releases the others.
    ASSERT_TRUE(a.lockRow(2));
    a.append();
    EXPECT_EQ(a.lockedRows(), (std::vector<std::uint32_t>{12}));
    EXPECT_FALSE(other.lockRow(12));
    EXPECT_TRUE(other.lockRow(2));
    other.unlockAll();
    a.put("N", Value(12));
    a.unlockAll();
    EXPECT_TRUE(other.lockTable());  // nothing of a is left
    other.unlockAll();

    // Closing releases everything.
    ASSERT_TRUE(a.lockTable());
    a.close();
    EXPECT_TRUE(other.lockTable());
    EXPECT_EQ(other.rowCount(), 12u);
    other.goTo(12);
    EXPECT_EQ(other.get("N").num(), 12);
}

TEST(WorkArea, ExclusiveOpensTakeNoLocks) {
    TempDir dir;
    makeTable(dir.file("T"), 2);
    WorkArea a(1);
    ASSERT_TRUE(a.open(dir.file("T"), OpenOptions::exclusive()));
    EXPECT_TRUE(a.lockRow(1));
    EXPECT_TRUE(a.lockTable());
    EXPECT_FALSE(a.tableLocked());
    a.put("N", Value(5));  // no lock needed
    a.append();
    EXPECT_TRUE(a.lockedRows().empty());
}

// Share modes inside one process: every conflicting pair reports the sharing violation
// (general code 21, system code 32, may default) and open() answers false.
TEST(WorkArea, ShareModesExcludeEachOther) {
    TempDir dir;
    makeTable(dir.file("T"), 1);
    struct Case {
        bool firstShared, secondShared, opens;
    };
    const Case cases[] = {
        {true, true, true}, {true, false, false}, {false, true, false}, {false, false, false}};
    int seen = 0;
    FailureHandler previous = setFailureHandler([&](const Failure& f) {
        ++seen;
        EXPECT_EQ(f.genCode, gen::kOpen);
        EXPECT_EQ(f.osCode, oscode::kSharingViolation);
        EXPECT_TRUE(f.canDefault);
        return Value();
    });
    for (const Case& c : cases) {
        WorkArea a(1), b(2);
        ASSERT_TRUE(a.open(dir.file("T"), OpenOptions{"", c.firstShared, false}));
        seen = 0;
        EXPECT_EQ(b.open(dir.file("T"), OpenOptions{"B", c.secondShared, false}), c.opens);
        EXPECT_EQ(seen, c.opens ? 0 : 1);
        EXPECT_EQ(b.isOpen(), c.opens);
        EXPECT_EQ(isFileInUse(dir.file("T.DBF")), true);
        a.close();
        b.close();
        EXPECT_FALSE(isFileInUse(dir.file("T.DBF")));
    }
    setFailureHandler(previous);
}

TEST(WorkArea, OpenFailuresCarryTheSystemCode) {
    TempDir dir;
    WorkArea a(1);
    auto missing = testing::failureOf([&] { a.open(dir.file("NONE")); });
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->genCode, gen::kOpen);
    EXPECT_EQ(missing->osCode, oscode::kFileNotFound);
    EXPECT_EQ(missing->fileName, dir.file("NONE.DBF"));
    auto noPath = testing::failureOf([&] { a.open(dir.file("NODIR/T")); });
    ASSERT_TRUE(noPath);
    EXPECT_EQ(noPath->osCode, oscode::kFileNotFound);
    createTable(dir.file("M"), kFields);
    std::filesystem::remove(dir.file("M.DBT"));
    auto noMemo = testing::failureOf([&] { a.open(dir.file("M")); });
    ASSERT_TRUE(noMemo);
    EXPECT_EQ(noMemo->fileName, dir.file("M.DBT"));
    EXPECT_FALSE(a.isOpen());
}

TEST(WorkArea, LocateAndFlush) {
    TempDir dir;
    makeTable(dir.file("T"), 6, {4});
    WorkArea a(1);
    ASSERT_TRUE(a.open(dir.file("T"), OpenOptions::exclusive()));
    auto even = [](WorkArea& w) { return static_cast<int>(w.get("N").num()) % 2 == 0; };
    EXPECT_TRUE(a.locate(even));
    EXPECT_EQ(a.recno(), 2u);
    EXPECT_TRUE(a.locate(even, false));
    EXPECT_EQ(a.recno(), 6u);  // 4 is deleted
    EXPECT_FALSE(a.locate(even, false));
    EXPECT_TRUE(a.eof());
    a.goTo(1);
    a.put("N", Value(100));
    a.flush();  // reaches the file without closing
    EXPECT_EQ(testing::readFile(dir.file("T.DBF")).substr(32 + 96 + 1 + 1 + 10, 4), " 100");
}

TEST(WorkArea, PackRemovesDeletedRows) {
    TempDir dir;
    makeTable(dir.file("T"), 6, {1, 3, 6});
    WorkArea a(1);
    ASSERT_TRUE(a.open(dir.file("T")));
    auto shared = testing::failureOf([&] { a.pack(); });
    ASSERT_TRUE(shared);
    EXPECT_EQ(shared->genCode, gen::kShared);
    a.close();
    ASSERT_TRUE(a.open(dir.file("T"), OpenOptions::exclusive()));
    a.pack();
    EXPECT_EQ(a.rowCount(), 3u);
    settings().deletedHidden = false;
    EXPECT_EQ(visibleForward(a), (std::vector<int>{2, 4, 5}));
    settings().deletedHidden = true;
    a.close();
    std::string bytes = testing::readFile(dir.file("T.DBF"));
    EXPECT_EQ(bytes.size(), 32u + 96 + 1 + 3 * 25 + 1);
}

TEST(WorkAreas, NumberingAliasesAndSelect) {
    TempDir dir;
    makeTable(dir.file("CLIENTI"), 1);
    makeTable(dir.file("OTHER"), 1);
    WorkAreas::closeAll();
    EXPECT_EQ(WorkAreas::currentNumber(), 1);
    EXPECT_EQ(WorkAreas::select(0), 1);
    ASSERT_TRUE(WorkAreas::current().open(dir.file("clienti")));
    EXPECT_EQ(WorkAreas::current().alias(), "CLIENTI");
    EXPECT_EQ(WorkAreas::select(0), 2);
    ASSERT_TRUE(WorkAreas::current().open(dir.file("OTHER"), OpenOptions::sharedAs("Altro")));
    EXPECT_EQ(WorkAreas::lowestFree(), 3);
    EXPECT_TRUE(WorkAreas::select("clienti"));
    EXPECT_EQ(WorkAreas::currentNumber(), 1);
    EXPECT_FALSE(WorkAreas::select("NONE"));
    EXPECT_EQ(WorkAreas::currentNumber(), 1);
    EXPECT_TRUE(WorkAreas::select("ALTRO"));
    EXPECT_EQ(WorkAreas::currentNumber(), 2);
    // An alias is unique among open work areas.
    WorkAreas::select(5);
    auto dup = testing::failureOf(
        [&] { WorkAreas::current().open(dir.file("OTHER"), OpenOptions::sharedAs("ALTRO")); });
    EXPECT_TRUE(dup);
    // 65534 is never picked as a free work area.
    WorkAreas::select(WorkAreas::kSemaphoreArea);
    EXPECT_EQ(WorkAreas::currentNumber(), WorkAreas::kSemaphoreArea);
    WorkAreas::select(1);
    WorkAreas::current().close();
    EXPECT_EQ(WorkAreas::lowestFree(), 1);
    WorkAreas::closeAll();
    EXPECT_TRUE(WorkAreas::openAreas().empty());
    EXPECT_EQ(WorkAreas::currentNumber(), 1);
}

}  // namespace
}  // namespace velt::engine
