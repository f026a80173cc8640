// Several stations are several processes: real child processes on one temporary folder show
// the share modes, the row, append and whole-table locks, and a stress run of concurrent
// appends and updates with exact final checks.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <map>
#include <random>
#include <thread>

#include "data/engine/cdx_file.h"
#include "data/engine/field_codec.h"
#include "data/engine/lock_scheme.h"
#include "data/engine/os_file.h"
#include "data/engine/settings.h"
#include "data/engine/work_areas.h"
#include "engine_test_support.h"

namespace velt::engine {
namespace {

using testing::TempDir;

// A child's view of an open: 0 opened, 1 sharing violation, 2 other failure.
int tryOpen(const std::string& path, bool shared) {
    int violation = 0;
    setFailureHandler([&](const Failure& f) {
        if (f.osCode == oscode::kSharingViolation && f.canDefault) violation = 1;
        return Value();
    });
    WorkArea a(1);
    bool ok = false;
    try {
        ok = a.open(path, OpenOptions{"", shared, false});
    } catch (...) {
        return 2;
    }
    if (ok) return 0;
    return violation ? 1 : 2;
}

void makeRows(const std::string& path, int rows) {
    createTable(path, {{"ID", 'N', 8, 0}, {"N", 'N', 8, 0}, {"NOTE", 'M', 10, 0}});
    WorkArea a(900);
    ASSERT_TRUE(a.open(path, OpenOptions::exclusive()));
    for (int i = 0; i < rows; ++i) a.append();
}

TEST(Stations, SharedAndExclusiveOpensExcludeEachOther) {
    TempDir dir;
    makeRows(dir.file("T"), 1);
    struct Case {
        bool parentShared, childShared;
        int expected;
    };
    const Case cases[] = {{false, true, 1}, {true, false, 1}, {false, false, 1}, {true, true, 0}};
    for (const Case& c : cases) {
        WorkArea a(1);
        ASSERT_TRUE(a.open(dir.file("T"), OpenOptions{"", c.parentShared, false}));
        EXPECT_EQ(testing::runChild([&] { return tryOpen(dir.file("T"), c.childShared); }),
                  c.expected)
            << c.parentShared << c.childShared;
        a.close();
        EXPECT_EQ(testing::runChild([&] { return tryOpen(dir.file("T"), c.childShared); }), 0);
    }
}

TEST(Stations, RowAndTableLocksSeenByAnotherProcess) {
    TempDir dir;
    makeRows(dir.file("T"), 10);
    WorkArea a(1);
    ASSERT_TRUE(a.open(dir.file("T")));
    auto child = [&](std::function<bool(WorkArea&)> check) {
        return testing::runChild([&] {
            WorkArea b(1);
            if (!b.open(dir.file("T"))) return 3;
            return check(b) ? 0 : 1;
        });
    };
    ASSERT_TRUE(a.lockRow(3));
    EXPECT_EQ(child([](WorkArea& b) { return !b.lockRow(3) && b.lockRow(4) && !b.lockTable(); }),
              0);
    a.unlockAll();
    EXPECT_EQ(child([](WorkArea& b) { return b.lockRow(3); }), 0);
    ASSERT_TRUE(a.lockTable());
    EXPECT_EQ(child([](WorkArea& b) { return !b.lockRow(1) && !b.lockRow(10) && !b.lockTable(); }),
              0);
    a.append();  // under the whole-table lock: no row lock, the table stays locked
    EXPECT_EQ(
        child([](WorkArea& b) { return !b.lockRow(11) && !b.lockTable() && b.rowCount() == 11; }),
        0);
    a.unlockAll();
    EXPECT_EQ(child([](WorkArea& b) { return b.lockTable(); }), 0);
}

// While another station holds the append lock, append() waits for it.
TEST(Stations, AppendWaitsForTheAppendLock) {
    TempDir dir;
    makeRows(dir.file("T"), 2);
    int toParent[2];
    ASSERT_EQ(pipe(toParent), 0);
    const std::string marker = dir.file("released");
    pid_t pid = testing::startChild([&] {
        OsFile f;
        if (f.open(dir.file("T.DBF"), OsFile::Access::ReadWrite) != 0) return 1;
        if (!f.lock(lockscheme::kAppendOffset, lockscheme::kAppendLength, true)) return 2;
        char c = 'x';
        if (write(toParent[1], &c, 1) != 1) return 3;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        testing::writeFile(marker, "1");
        f.unlock(lockscheme::kAppendOffset, lockscheme::kAppendLength);
        return 0;
    });
    char c = 0;
    ASSERT_EQ(read(toParent[0], &c, 1), 1);
    WorkArea a(1);
    ASSERT_TRUE(a.open(dir.file("T")));
    a.append();
    EXPECT_TRUE(std::filesystem::exists(marker));  // only after the other station let go
    EXPECT_EQ(a.recno(), 3u);
    EXPECT_EQ(testing::waitChild(pid), 0);
    close(toParent[0]);
    close(toParent[1]);
}

// The two indexes of the stress table: by station and row (text), by update count (number).
IndexSpec idIndex(const std::string& file) {
    IndexSpec s;
    s.file = file;
    s.keyText = "STR( id, 8 )";
    s.key = [](WorkArea& a) { return Value(formatNumber(a.get("ID").num(), 8, 0)); };
    s.conditionText = "!DELETED()";
    s.condition = [](WorkArea& a) { return !a.deleted(); };
    return s;
}

IndexSpec countIndex(const std::string& file) {
    IndexSpec s;
    s.file = file;
    s.keyText = "n";
    s.key = [](WorkArea& a) { return a.get("N"); };
    s.conditionText = "!DELETED()";
    s.condition = [](WorkArea& a) { return !a.deleted(); };
    return s;
}

// Every entry of the index file in order: sorted, one per live row, each with that row's key.
void expectIndexListsLiveRows(WorkArea& a, const std::string& indexPath, const IndexSpec& spec) {
    auto file = CdxFile::open(indexPath);
    CdxTag& tag = *file->tag(std::size_t{0});
    std::map<std::uint32_t, std::string> expected;
    for (std::uint32_t r = 1; r <= a.rowCount(); ++r) {
        a.goTo(r);
        if (!a.deleted()) {
            Value v = spec.key(a);
            tag.setKeyType(v.isNumber() ? CdxKeyType::Number : CdxKeyType::Character);
            expected[r] = CdxKeys::encode(v, tag.keyType(), tag.keyLength());
        }
    }
    CdxCursor c(tag);
    std::map<std::uint32_t, std::string> listed;
    std::string previous;
    std::uint32_t previousRecno = 0;
    bool sorted = true;
    for (bool ok = c.first(); ok; ok = c.next()) {
        if (!listed.empty() &&
            (c.key() < previous || (c.key() == previous && c.recno() < previousRecno)))
            sorted = false;
        previous = c.key();
        previousRecno = c.recno();
        EXPECT_TRUE(listed.emplace(c.recno(), c.key()).second) << "listed twice: " << c.recno();
    }
    EXPECT_TRUE(sorted) << indexPath;
    EXPECT_EQ(listed.size(), expected.size()) << indexPath;
    EXPECT_TRUE(listed == expected) << indexPath;
}

// Four stations each append 2,000 rows, delete some of their own and update random rows under
// the lock scheme, with two indexes open.
TEST(Stations, ConcurrentAppendsAndUpdatesLoseNothing) {
    TempDir dir;
    const std::string path = dir.file("STRESS");
    createTable(path, {{"ID", 'N', 8, 0}, {"N", 'N', 8, 0}, {"NOTE", 'M', 10, 0}});
    {
        WorkArea a(1);
        ASSERT_TRUE(a.open(path, OpenOptions::exclusive()));
        a.createIndex(idIndex(dir.file("SID.NTX")));
        a.createIndex(countIndex(dir.file("SN.NTX")));
    }
    constexpr int kStations = 4;
    constexpr int kRows = 2000;
    std::vector<pid_t> pids;
    for (int s = 0; s < kStations; ++s) {
        pids.push_back(testing::startChild([&, s] {
            WorkArea a(1);
            if (!a.open(path)) return 3;
            a.addIndex(dir.file("SID.NTX"));
            a.addIndex(dir.file("SN.NTX"));
            std::mt19937 rng(static_cast<unsigned>(s * 7919 + 1));
            int updates = 0;
            for (int i = 0; i < kRows; ++i) {
                if (!a.append()) return 4;
                a.put("ID", Value(s * 10000 + i));
                if (i % 50 == 0)
                    a.put("NOTE",
                          Value("station " + std::to_string(s) + " row " + std::to_string(i)));
                if (i % 100 == 99) a.markDeleted();
                a.unlockAll();
                std::uint32_t r = 1 + rng() % a.rowCount();
                while (!a.lockRow(r)) std::this_thread::yield();
                a.goTo(r);  // read under the lock
                if (!a.deleted()) {
                    a.put("N", Value(a.get("N").num() + 1));
                    ++updates;
                }
                a.unlockAll();
            }
            testing::writeFile(path + ".u" + std::to_string(s), std::to_string(updates));
            return 0;
        }));
    }
    for (pid_t p : pids) EXPECT_EQ(testing::waitChild(p), 0);
    WorkArea a(1);
    ASSERT_TRUE(a.open(path, OpenOptions::exclusive()));
    EXPECT_EQ(a.rowCount(), static_cast<std::uint32_t>(kStations * kRows));
    std::map<int, int> ids;
    long total = 0;
    int live = 0;
    settings().deletedHidden = false;
    for (a.goTop(); !a.eof(); a.skip()) {
        int id = static_cast<int>(a.get("ID").num());
        ids[id]++;
        total += static_cast<long>(a.get("N").num());
        EXPECT_EQ(a.deleted(), (id % 10000) % 100 == 99) << id;
        live += a.deleted() ? 0 : 1;
        if ((id % 10000) % 50 == 0) {
            EXPECT_EQ(a.get("NOTE").text(), "station " + std::to_string(id / 10000) + " row " +
                                                std::to_string(id % 10000));
        }
    }
    settings().deletedHidden = true;
    EXPECT_EQ(live, kStations * (kRows - kRows / 100));
    EXPECT_EQ(ids.size(), static_cast<std::size_t>(kStations * kRows));
    for (auto& [id, n] : ids) EXPECT_EQ(n, 1) << id;
    long expected = 0;
    for (int s = 0; s < kStations; ++s)
        expected += std::stol(testing::readFile(path + ".u" + std::to_string(s)));
    EXPECT_EQ(total, expected);
    EXPECT_EQ(testing::readFile(path + ".DBF").back(), '\x1A');
    expectIndexListsLiveRows(a, dir.file("SID.NTX"), idIndex(""));
    expectIndexListsLiveRows(a, dir.file("SN.NTX"), countIndex(""));
}

// A station dies between writing a row and updating the index: the files still open, and
// rebuilding the index gives consistent data.
TEST(Stations, CrashBetweenRowAndIndexLeavesFilesThatOpen) {
    TempDir dir;
    const std::string path = dir.file("CRASH");
    createTable(path, {{"ID", 'N', 8, 0}, {"N", 'N', 8, 0}, {"NOTE", 'M', 10, 0}});
    {
        WorkArea a(1);
        ASSERT_TRUE(a.open(path, OpenOptions::exclusive()));
        for (int i = 0; i < 20; ++i) {
            a.append();
            a.put("ID", Value(i));
        }
        a.createIndex(idIndex(dir.file("CID.NTX")));
    }
    // The dying station writes its rows through an open without the index (as a station killed
    // after the row write and before the index update leaves them), holding its locks.
    int code = testing::runChild([&] {
        WorkArea a(1);
        if (!a.open(path)) return 3;
        for (int i = 20; i < 25; ++i) {
            a.append();
            a.put("ID", Value(i));
            a.put("NOTE", Value("lost index entry"));
            a.skip(0);  // the row reaches the file
        }
        raise(SIGKILL);
        return 0;
    });
    EXPECT_EQ(code, 128 + SIGKILL);
    // A station killed at a random moment of a run of indexed appends.
    pid_t pid = testing::startChild([&] {
        WorkArea a(1);
        if (!a.open(path)) return 3;
        a.addIndex(dir.file("CID.NTX"));
        for (int i = 100;; ++i) {
            a.append();
            a.put("ID", Value(i));
            a.unlockAll();
        }
        return 0;
    });
    {
        WorkArea watch(2);
        ASSERT_TRUE(watch.open(path, OpenOptions::sharedAs("WATCH")));
        while (watch.rowCount() < 200) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    kill(pid, SIGKILL);
    EXPECT_EQ(testing::waitChild(pid), 128 + SIGKILL);

    WorkArea a(1);
    ASSERT_TRUE(a.open(path, OpenOptions::exclusive()));  // locks of the dead are gone
    const std::uint32_t rows = a.rowCount();
    EXPECT_GE(rows, 200u);
    a.goTo(21);
    EXPECT_EQ(a.get("ID").num(), 20);
    EXPECT_EQ(a.get("NOTE").text(), "lost index entry");
    // The index opens (or, if the kill hit a page write, reports the damage cleanly) ...
    auto damage = testing::failureOf([&] { a.addIndex(dir.file("CID.NTX")); });
    if (damage) {
        EXPECT_EQ(damage->genCode, gen::kCorruption);
    }
    // ... and rebuilding it lists exactly the rows of the table.
    a.clearIndexes();
    a.createIndex(idIndex(dir.file("CID.NTX")));
    EXPECT_EQ(a.keyCount(), rows);
    expectIndexListsLiveRows(a, dir.file("CID.NTX"), idIndex(""));
    EXPECT_TRUE(a.seek(Value(formatNumber(22, 8, 0))));
    EXPECT_EQ(a.recno(), 23u);
}

}  // namespace
}  // namespace velt::engine
