// Work areas with index files: seek, ranges, counts and positions, index upkeep on every kind
// of row change, index creation over physical order or the active order, and reopening.
#include <gtest/gtest.h>

#include <algorithm>

#include "data/engine/cdx_file.h"
#include "data/engine/settings.h"
#include "data/engine/work_areas.h"
#include "engine_test_support.h"

namespace velt::engine {
namespace {

using testing::TempDir;

std::string upper(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return s;
}

const std::vector<FieldDef> kClienti = {
    {"CLIENTE", 'C', 20, 0}, {"NATOIL", 'D', 8, 0}, {"SCONTO", 'N', 2, 0}};

KeyFunction upperName() {
    return [](WorkArea& a) { return Value(upper(a.get("CLIENTE").text())); };
}
ConditionFunction notDeleted() {
    return [](WorkArea& a) { return !a.deleted(); };
}

IndexSpec nameIndex(const std::string& file) {
    IndexSpec s;
    s.file = file;
    s.keyText = "UPPER( cliente )";
    s.key = upperName();
    s.conditionText = "!DELETED()";
    s.condition = notDeleted();
    return s;
}

// A CLIENTI-like table with the given names (in this physical order) and its name index.
void makeClienti(const TempDir& dir, const std::vector<std::string>& names) {
    createTable(dir.file("CLIENTI"), kClienti);
    WorkArea a(900);
    ASSERT_TRUE(a.open(dir.file("CLIENTI"), OpenOptions::exclusive()));
    int i = 0;
    for (const auto& n : names) {
        a.append();
        a.put("CLIENTE", Value(n));
        a.put("SCONTO", Value(++i));
    }
    a.createIndex(nameIndex(dir.file("CLIENTI.NTX")));
}

std::string trimmed(const Value& v) {
    std::string s = v.text();
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

std::vector<std::string> names(WorkArea& a) {
    std::vector<std::string> out;
    for (a.goTop(); !a.eof(); a.skip()) out.push_back(trimmed(a.get("CLIENTE")));
    return out;
}

// What the index file itself lists, in order (key text trimmed).
std::vector<std::string> indexKeys(const std::string& path) {
    auto file = CdxFile::open(path);
    std::vector<std::string> out;
    CdxCursor c(*file->tag(std::size_t{0}));
    for (bool ok = c.first(); ok; ok = c.next()) {
        std::string k = c.key();
        k.erase(k.find_last_not_of(' ') + 1);
        out.push_back(k);
    }
    return out;
}

const std::vector<std::string> kNames = {"verdi",    "Rossi Anna", "Bianchi", "ROSATI",
                                         "rossetti", "Neri",       "Ross",    "Blu"};

TEST(WorkAreaIndex, SeekFindsKeysBeginningWithTheText) {
    TempDir dir;
    makeClienti(dir, kNames);
    WorkArea a(1);
    ASSERT_TRUE(a.open(dir.file("CLIENTI")));
    a.addIndex(dir.file("CLIENTI.NTX"));
    EXPECT_EQ(a.order(), 1);
    EXPECT_EQ(a.orderName(), "CLIENTI");
    EXPECT_EQ(a.orderKeyText(), "UPPER( cliente )");
    EXPECT_EQ(a.orderCondition(), "!DELETED()");
    EXPECT_EQ(trimmed(a.get("CLIENTE")), "Bianchi");  // moved to the order's first row
    struct Case {
        Value key;
        bool found;
        std::string name;  // empty: past the end
    };
    const Case cases[] = {
        {Value("ROS"), true, "ROSATI"},
        {Value("ROSS"), true, "Ross"},
        {Value("ROSSI"), true, "Rossi Anna"},
        {Value("ROSSO"), false, ""},
        {Value("B"), true, "Bianchi"},
        {Value("BL"), true, "Blu"},
        {Value("Z"), false, ""},
        {Value(""), true, "Bianchi"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(a.seek(c.key), c.found) << c.key.text();
        EXPECT_EQ(a.found(), c.found);
        EXPECT_EQ(a.eof(), c.name.empty()) << c.key.text();
        if (!c.name.empty()) {
            EXPECT_EQ(trimmed(a.get("CLIENTE")), c.name);
        }
    }
    // A soft seek stays on the next greater key.
    EXPECT_FALSE(a.seek(Value("ROSSO"), true));
    EXPECT_EQ(trimmed(a.get("CLIENTE")), "verdi");
}

TEST(WorkAreaIndex, SeekPassesOverDeletedRows) {
    TempDir dir;
    makeClienti(dir, {"ROSSI A", "ROSSI B", "ROSA"});
    WorkArea a(1);
    ASSERT_TRUE(a.open(dir.file("CLIENTI"), OpenOptions::exclusive()));
    a.addIndex(dir.file("CLIENTI.NTX"));
    // A tag without condition still lists deleted rows: the seek goes on to the next live row
    // with the same leading key, else reports not found.
    IndexSpec all = nameIndex(dir.file("ALL.NTX"));
    all.conditionText.clear();
    all.condition = nullptr;
    a.createIndex(all);
    a.goTo(1);  // ROSSI A
    a.markDeleted();
    a.goTo(3);  // ROSA
    a.markDeleted();
    a.setOrder("ALL");
    EXPECT_TRUE(a.seek(Value("ROSSI")));
    EXPECT_EQ(a.recno(), 2u);
    EXPECT_FALSE(a.seek(Value("ROSA")));
    EXPECT_TRUE(a.eof());
    EXPECT_EQ(names(a), (std::vector<std::string>{"ROSSI B"}));
    a.setOrder("CLIENTI");
    EXPECT_EQ(a.keyCount(), 1u);
    EXPECT_TRUE(a.seek(Value("ROS")));
    EXPECT_EQ(a.recno(), 2u);
}

// Every kind of row change keeps the index listing exactly the live rows in key order.
TEST(WorkAreaIndex, UpkeepOnAppendChangeDeleteRecall) {
    TempDir dir;
    makeClienti(dir, {"Mario", "Anna"});
    WorkArea a(1);
    ASSERT_TRUE(a.open(dir.file("CLIENTI")));
    a.addIndex(dir.file("CLIENTI.NTX"));
    auto check = [&](std::vector<std::string> expected) {
        EXPECT_EQ(names(a), expected);
        std::vector<std::string> keys;
        for (auto& n : expected) keys.push_back(upper(n));
        EXPECT_EQ(indexKeys(dir.file("CLIENTI.NTX")), keys);
        EXPECT_EQ(a.keyCount(), expected.size());
    };
    check({"Anna", "Mario"});
    ASSERT_TRUE(a.append());
    a.put("CLIENTE", Value("Carla"));
    a.unlockAll();
    check({"Anna", "Carla", "Mario"});
    ASSERT_TRUE(a.append());  // left blank: keyed as blanks, first
    a.unlockAll();
    check({"", "Anna", "Carla", "Mario"});
    a.seek(Value("MARIO"));
    ASSERT_TRUE(a.lockRow());
    a.put("CLIENTE", Value("Beppe"));
    a.put("SCONTO", Value(5));
    a.unlockAll();
    check({"", "Anna", "Beppe", "Carla"});
    a.seek(Value("ANNA"));
    ASSERT_TRUE(a.lockRow());
    a.markDeleted();
    a.unlockAll();
    check({"", "Beppe", "Carla"});
    a.goTo(2);  // Anna, deleted, reached by number
    ASSERT_TRUE(a.lockRow());
    a.recall();
    a.unlockAll();
    check({"", "Anna", "Beppe", "Carla"});
    a.goTo(4);
    ASSERT_TRUE(a.lockRow());
    a.put("SCONTO", Value(9));  // not a key field: index untouched
    a.flush();
    a.unlockAll();
    check({"", "Anna", "Beppe", "Carla"});
}

TEST(WorkAreaIndex, RangeCountsAndPositions) {
    TempDir dir;
    makeClienti(dir, kNames);
    WorkArea a(1);
    ASSERT_TRUE(a.open(dir.file("CLIENTI")));
    a.addIndex(dir.file("CLIENTI.NTX"));
    EXPECT_EQ(a.keyCount(), kNames.size());
    a.setRange("R", "R");
    // Keys are blank-padded: "ROSS " sorts before "ROSSETTI".
    EXPECT_EQ(names(a), (std::vector<std::string>{"ROSATI", "Ross", "rossetti", "Rossi Anna"}));
    EXPECT_EQ(a.keyCount(), 4u);
    a.goBottom();
    EXPECT_EQ(trimmed(a.get("CLIENTE")), "Rossi Anna");
    EXPECT_EQ(a.keyPosition(), 4u);
    a.skip(-2);
    EXPECT_EQ(trimmed(a.get("CLIENTE")), "Ross");
    EXPECT_EQ(a.keyPosition(), 2u);
    a.skip(-5);
    EXPECT_TRUE(a.bof());
    EXPECT_EQ(trimmed(a.get("CLIENTE")), "ROSATI");
    EXPECT_TRUE(a.goToKeyPosition(3));
    EXPECT_EQ(trimmed(a.get("CLIENTE")), "rossetti");
    EXPECT_FALSE(a.seek(Value("B")));  // outside the range
    EXPECT_TRUE(a.seek(Value("ROSS")));
    a.goTo(1);  // verdi: outside the range
    EXPECT_EQ(a.keyPosition(), 0u);
    a.setRange("BL", std::nullopt);
    EXPECT_EQ(a.keyCount(), 7u);
    a.setRange(std::nullopt, "N");
    EXPECT_EQ(names(a), (std::vector<std::string>{"Bianchi", "Blu", "Neri"}));
    a.setRange(std::nullopt, std::nullopt);
    EXPECT_EQ(a.keyCount(), 8u);
    a.setOrder(0);
    EXPECT_EQ(names(a).front(), "verdi");
    EXPECT_EQ(a.keyCount(), 8u);
}

TEST(WorkAreaIndex, OnlyDeletedRowsBehaveAsEmpty) {
    TempDir dir;
    makeClienti(dir, {"A", "B", "C"});
    WorkArea a(1);
    ASSERT_TRUE(a.open(dir.file("CLIENTI"), OpenOptions::exclusive()));
    a.addIndex(dir.file("CLIENTI.NTX"));
    for (std::uint32_t r = 1; r <= 3; ++r) {
        a.goTo(r);
        a.markDeleted();
    }
    a.goTop();
    EXPECT_TRUE(a.eof());
    EXPECT_EQ(a.keyCount(), 0u);
    EXPECT_FALSE(a.seek(Value("A")));
    a.goBottom();
    EXPECT_TRUE(a.eof());
}

TEST(WorkAreaIndex, CreateFromTheActiveOrderWithinItsRange) {
    TempDir dir;
    makeClienti(dir, kNames);
    WorkArea a(1);
    ASSERT_TRUE(a.open(dir.file("CLIENTI"), OpenOptions::exclusive()));
    a.addIndex(dir.file("CLIENTI.NTX"));
    a.setRange("R", "R");
    IndexSpec view;
    view.file = dir.file("\x7FVIEW1.NTX");
    view.keyText = "STR(RECNO())";
    view.key = [](WorkArea& w) { return Value(std::to_string(100000 + w.recno())); };
    view.fromActiveOrder = true;
    a.createIndex(view);
    EXPECT_EQ(a.orderCount(), 2);
    EXPECT_EQ(a.order(), 2);
    EXPECT_EQ(a.keyCount(), 4u);  // only the rows of the range
    std::vector<std::uint32_t> recnos;
    for (a.goTop(); !a.eof(); a.skip()) recnos.push_back(a.recno());
    EXPECT_EQ(recnos, (std::vector<std::uint32_t>{2, 4, 5, 7}));
}

TEST(WorkAreaIndex, ReopenedIndexIsKeptUpToDateFromItsStoredText) {
    TempDir dir;
    makeClienti(dir, {"Zeta", "Alfa"});
    // A key text never registered in this process: compiled from the text stored in the file.
    {
        WorkArea a(1);
        ASSERT_TRUE(a.open(dir.file("CLIENTI"), OpenOptions::exclusive()));
        IndexSpec s;
        s.file = dir.file("SC.NTX");
        s.keyText = "STR( sconto, 2 ) + upper(FIELD -> cliente)";
        s.key = [](WorkArea& w) {
            return Value(std::string(w.get("SCONTO").num() < 10 ? " " : "") +
                         std::to_string(static_cast<int>(w.get("SCONTO").num())) +
                         upper(w.get("CLIENTE").text()));
        };
        s.conditionText = "!DELETED() .AND. sconto < 50";
        s.condition = [](WorkArea& w) { return !w.deleted() && w.get("SCONTO").num() < 50; };
        a.createIndex(s);
    }
    auto keysOnDisk = indexKeys(dir.file("SC.NTX"));
    EXPECT_EQ(keysOnDisk, (std::vector<std::string>{" 1ZETA", " 2ALFA"}));
    // A fresh work area; the registry knows the texts now, so check the compiler directly.
    WorkArea b(2);
    ASSERT_TRUE(b.open(dir.file("CLIENTI"), OpenOptions::exclusive()));
    b.addIndex(dir.file("CLIENTI.NTX"));
    b.addIndex(dir.file("SC.NTX"));
    EXPECT_EQ(b.orderCount(), 2);
    EXPECT_EQ(b.order(), 1);  // the first index added stays active
    b.setOrder("SC");
    b.goTop();
    b.put("SCONTO", Value(60));  // leaves the SC index by its condition
    b.append();
    b.put("CLIENTE", Value("Beta"));
    b.put("SCONTO", Value(3));
    b.goTop();
    EXPECT_EQ(indexKeys(dir.file("SC.NTX")), (std::vector<std::string>{" 2ALFA", " 3BETA"}));
    EXPECT_EQ(indexKeys(dir.file("CLIENTI.NTX")),
              (std::vector<std::string>{"ALFA", "BETA", "ZETA"}));
}

TEST(WorkAreaIndex, DateKeysAndUniqueTags) {
    TempDir dir;
    createTable(dir.file("T"), kClienti);
    WorkArea a(1);
    ASSERT_TRUE(a.open(dir.file("T"), OpenOptions::exclusive()));
    const int days[] = {15, 3, 28, 3, 9};
    for (int d : days) {
        a.append();
        a.put("NATOIL", Value(Date::fromYmd(2020, 5, d)));
    }
    a.append();  // empty date sorts first
    IndexSpec s;
    s.file = dir.file("D.NTX");
    s.keyText = "natoil";
    s.key = [](WorkArea& w) { return w.get("NATOIL"); };
    s.unique = true;
    a.createIndex(s);
    std::vector<int> seen;
    for (a.goTop(); !a.eof(); a.skip())
        seen.push_back(a.get("NATOIL").date().isEmpty() ? 0 : a.get("NATOIL").date().day());
    EXPECT_EQ(seen, (std::vector<int>{0, 3, 9, 15, 28}));  // the second 3 is not kept
    EXPECT_TRUE(a.seek(Value(Date::fromYmd(2020, 5, 9))));
    EXPECT_EQ(a.recno(), 5u);
    EXPECT_FALSE(a.seek(Value(Date::fromYmd(2020, 5, 10))));
}

TEST(WorkAreaIndex, PackRebuildsTheIndexes) {
    TempDir dir;
    makeClienti(dir, kNames);
    WorkArea a(1);
    ASSERT_TRUE(a.open(dir.file("CLIENTI"), OpenOptions::exclusive()));
    a.addIndex(dir.file("CLIENTI.NTX"));
    for (std::uint32_t r : {1u, 4u, 8u}) {
        a.goTo(r);
        a.markDeleted();
    }
    a.pack();
    EXPECT_EQ(a.rowCount(), 5u);
    EXPECT_EQ(names(a),
              (std::vector<std::string>{"Bianchi", "Neri", "Ross", "rossetti", "Rossi Anna"}));
    a.close();
    EXPECT_EQ(indexKeys(dir.file("CLIENTI.NTX")),
              (std::vector<std::string>{"BIANCHI", "NERI", "ROSS", "ROSSETTI", "ROSSI ANNA"}));
}

TEST(WorkAreaIndex, BadIndexRequestsFail) {
    TempDir dir;
    makeClienti(dir, {"A"});
    WorkArea a(1);
    ASSERT_TRUE(a.open(dir.file("CLIENTI"), OpenOptions::exclusive()));
    IndexSpec tooLong = nameIndex(dir.file("X.NTX"));
    tooLong.key = [](WorkArea&) { return Value(std::string(241, 'x')); };
    auto f1 = testing::failureOf([&] { a.createIndex(tooLong); });
    ASSERT_TRUE(f1);
    EXPECT_EQ(f1->genCode, gen::kArgument);
    IndexSpec texts = nameIndex(dir.file("X.NTX"));
    texts.keyText = std::string(300, 'k');
    texts.conditionText = std::string(211, 'c');  // together 511
    EXPECT_TRUE(testing::failureOf([&] { a.createIndex(texts); }));
    EXPECT_EQ(a.orderCount(), 0);
    EXPECT_TRUE(testing::failureOf([&] { a.seek(Value("A")); }));  // no active order
    testing::writeFile(dir.file("SMALL.NTX"), std::string(1024, '\0'));
    auto f2 = testing::failureOf([&] { a.addIndex(dir.file("SMALL.NTX")); });
    ASSERT_TRUE(f2);
    EXPECT_EQ(f2->genCode, gen::kCorruption);
    auto f3 = testing::failureOf([&] { a.addIndex(dir.file("MISSING.NTX")); });
    ASSERT_TRUE(f3);
    EXPECT_EQ(f3->osCode, oscode::kFileNotFound);
    EXPECT_EQ(a.orderCount(), 0);
}

TEST(WorkAreaIndex, ClearIndexesGivesPhysicalOrder) {
    TempDir dir;
    makeClienti(dir, kNames);
    WorkArea a(1);
    ASSERT_TRUE(a.open(dir.file("CLIENTI")));
    a.addIndex(dir.file("CLIENTI.NTX"));
    EXPECT_EQ(a.orderFile(), std::filesystem::absolute(dir.file("CLIENTI.NTX")).string());
    a.clearIndexes();
    EXPECT_EQ(a.orderCount(), 0);
    EXPECT_EQ(a.order(), 0);
    EXPECT_EQ(names(a).front(), "verdi");
}

}  // namespace
}  // namespace velt::engine
