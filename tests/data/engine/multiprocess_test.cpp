// Several stations are several processes: real child processes on one temporary folder show
// the share modes, the row, append and whole-table locks, and a stress run of concurrent
// appends and updates with exact final checks.
#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <random>
#include <thread>

#include "data/engine/lock_scheme.h"
#include "data/engine/os_file.h"
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

// Four stations each append 2,000 rows and update random rows under the lock scheme.
TEST(Stations, ConcurrentAppendsAndUpdatesLoseNothing) {
    TempDir dir;
    const std::string path = dir.file("STRESS");
    createTable(path, {{"ID", 'N', 8, 0}, {"N", 'N', 8, 0}, {"NOTE", 'M', 10, 0}});
    constexpr int kStations = 4;
    constexpr int kRows = 2000;
    std::vector<pid_t> pids;
    for (int s = 0; s < kStations; ++s) {
        pids.push_back(testing::startChild([&, s] {
            WorkArea a(1);
            if (!a.open(path)) return 3;
            std::mt19937 rng(static_cast<unsigned>(s * 7919 + 1));
            int updates = 0;
            for (int i = 0; i < kRows; ++i) {
                a.append();
                a.put("ID", Value(s * 10000 + i));
                if (i % 50 == 0)
                    a.put("NOTE",
                          Value("station " + std::to_string(s) + " row " + std::to_string(i)));
                a.unlockAll();
                std::uint32_t count = a.rowCount();
                std::uint32_t r = 1 + rng() % count;
                a.goTo(r);
                while (!a.lockRow(r)) std::this_thread::yield();
                a.goTo(r);  // read again under the lock
                a.put("N", Value(a.get("N").num() + 1));
                a.unlockAll();
                ++updates;
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
    for (a.goTop(); !a.eof(); a.skip()) {
        ids[static_cast<int>(a.get("ID").num())]++;
        total += static_cast<long>(a.get("N").num());
        int id = static_cast<int>(a.get("ID").num());
        if ((id % 10000) % 50 == 0) {
            EXPECT_EQ(a.get("NOTE").text(), "station " + std::to_string(id / 10000) + " row " +
                                                std::to_string(id % 10000));
        }
    }
    EXPECT_EQ(ids.size(), static_cast<std::size_t>(kStations * kRows));
    for (auto& [id, n] : ids) EXPECT_EQ(n, 1) << id;
    long expected = 0;
    for (int s = 0; s < kStations; ++s)
        expected += std::stol(testing::readFile(path + ".u" + std::to_string(s)));
    EXPECT_EQ(total, expected);
    std::string bytes = testing::readFile(path + ".DBF");
    EXPECT_EQ(bytes.back(), '\x1A');
}

}  // namespace
}  // namespace velt::engine
