// Several processes on one index file: a reader holding the index read lock keeps a writer out
// until it lets go, and a reader sees what another process wrote before it took the lock.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "data/engine/cdx_test_support.h"

namespace velt::engine {
namespace {

using testing::TempFolder;

CdxTagSpec nameTag() {
    return {.name = "NOMI",
            .keyExpr = "NOME",
            .forExpr = "!DELETED()",
            .type = CdxKeyType::Character,
            .keyLength = 10,
            .unique = false,
            .descending = false};
}

void makeFile(const std::string& path, int keys) {
    auto file = CdxFile::create(path);
    auto b = file->buildTag(nameTag());
    for (int i = 1; i <= keys; ++i)
        b.add(CdxKeys::character("K" + std::to_string(i), 10), static_cast<std::uint32_t>(i));
    b.finish();
}

// Runs `child` in a child process (which opens its own files) and returns its exit status.
template <class Fn>
pid_t spawn(Fn child) {
    pid_t pid = fork();
    if (pid == 0) {
        int rc = 1;
        try {
            rc = child();
        } catch (...) {
            rc = 2;
        }
        _exit(rc);
    }
    return pid;
}

int waitFor(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CdxLocks, ReaderHoldingTheReadLockBlocksAWriter) {
    TempFolder dir;
    std::string path = dir.file("NOMI.NTX");
    makeFile(path, 100);
    int toParent[2], toChild[2];
    ASSERT_EQ(pipe(toParent), 0);
    ASSERT_EQ(pipe(toChild), 0);
    pid_t pid = spawn([&] {
        auto file = CdxFile::open(path);
        auto session = file->readSession();
        char c = 'L';
        if (write(toParent[1], &c, 1) != 1) return 3;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        // Still inside the session: the writer cannot have changed anything.
        if (file->tag("NOMI")->keyCount() != 100) return 4;
        c = 'U';
        if (write(toParent[1], &c, 1) != 1) return 3;
        return 0;  // the session ends: the read lock goes
    });
    char c = 0;
    ASSERT_EQ(read(toParent[0], &c, 1), 1);
    ASSERT_EQ(c, 'L');
    auto file = CdxFile::open(path);
    ASSERT_TRUE(file->tag("NOMI")->insert("NUOVO", 101));  // waits for the reader
    // The reader said it was letting go before the insert could get through.
    ASSERT_EQ(read(toParent[0], &c, 1), 1);
    EXPECT_EQ(c, 'U');
    EXPECT_EQ(waitFor(pid), 0);
    EXPECT_EQ(file->tag("NOMI")->keyCount(), 101u);
    close(toParent[0]);
    close(toParent[1]);
    close(toChild[0]);
    close(toChild[1]);
}

TEST(CdxLocks, WriterHoldingTheWriteLockBlocksAReader) {
    TempFolder dir;
    std::string path = dir.file("NOMI.NTX");
    makeFile(path, 10);
    int toParent[2];
    ASSERT_EQ(pipe(toParent), 0);
    pid_t pid = spawn([&] {
        auto file = CdxFile::open(path);
        auto session = file->writeSession();
        char c = 'L';
        if (write(toParent[1], &c, 1) != 1) return 3;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        for (int i = 0; i < 500; ++i)
            file->tag("NOMI")->insert("W" + std::to_string(i),
                                      static_cast<std::uint32_t>(1000 + i));
        c = 'U';
        if (write(toParent[1], &c, 1) != 1) return 3;
        return 0;
    });
    char c = 0;
    ASSERT_EQ(read(toParent[0], &c, 1), 1);
    auto file = CdxFile::open(path);
    // The count waits for the whole batch: never a half-written state.
    EXPECT_EQ(file->tag("NOMI")->keyCount(), 510u);
    ASSERT_EQ(read(toParent[0], &c, 1), 1);
    EXPECT_EQ(c, 'U');
    EXPECT_EQ(waitFor(pid), 0);
    close(toParent[0]);
    close(toParent[1]);
}

// Four processes change one file at the same time, each key under its own write lock, while a
// fifth keeps walking it under the read lock: nothing is lost, and the walker never meets a
// half-done change (its walks are ordered and agree with the count).
TEST(CdxLocks, ConcurrentWritersAndAReader) {
    TempFolder dir;
    std::string path = dir.file("NOMI.NTX");
    makeFile(path, 300);
    constexpr int kWriters = 4, kPerWriter = 400;
    auto keyOf = [](int w, int i) {
        return CdxKeys::character("P" + std::to_string(w) + "-" + std::to_string(i), 10);
    };
    std::vector<pid_t> pids;
    for (int w = 0; w < kWriters; ++w) {
        pids.push_back(spawn([&, w] {
            auto file = CdxFile::open(path);
            CdxTag& tag = *file->tag("NOMI");
            for (int i = 0; i < kPerWriter; ++i) {
                if (!tag.insert(keyOf(w, i), static_cast<std::uint32_t>(10000 * (w + 1) + i)))
                    return 5;
                // Every fourth key goes again, and one of the shared starting keys per writer.
                if (i % 4 == 3 &&
                    !tag.remove(keyOf(w, i), static_cast<std::uint32_t>(10000 * (w + 1) + i)))
                    return 6;
            }
            if (!tag.remove(CdxKeys::character("K" + std::to_string(w + 1), 10),
                            static_cast<std::uint32_t>(w + 1)))
                return 7;
            return 0;
        }));
    }
    pid_t reader = spawn([&] {
        auto file = CdxFile::open(path);
        CdxTag& tag = *file->tag("NOMI");
        for (int round = 0; round < 40; ++round) {
            auto session = file->readSession();
            auto list = testing::listForward(tag);
            if (!std::is_sorted(list.begin(), list.end())) return 8;
            if (list.size() != tag.keyCount()) return 9;
        }
        return 0;
    });
    for (pid_t pid : pids) EXPECT_EQ(waitFor(pid), 0);
    EXPECT_EQ(waitFor(reader), 0);
    auto file = CdxFile::open(path);
    auto list = testing::listForward(*file->tag("NOMI"));
    EXPECT_EQ(list.size(), 300u - kWriters + kWriters * kPerWriter * 3 / 4);
    EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
    EXPECT_EQ(testing::listBackward(*file->tag("NOMI")), list);
}

// Pages cached by one open are not trusted after another open changed the file, within one
// process as across processes; a cursor finds its place again.
TEST(CdxLocks, ChangesByAnotherOpenAreSeen) {
    TempFolder dir;
    std::string path = dir.file("NOMI.NTX");
    makeFile(path, 2000);
    auto reader = CdxFile::open(path);
    auto writer = CdxFile::open(path);
    CdxTag& r = *reader->tag("NOMI");
    CdxTag& w = *writer->tag("NOMI");
    CdxCursor c(r);
    ASSERT_TRUE(c.seek("K1500"));
    ASSERT_EQ(c.recno(), 1500u);
    EXPECT_EQ(r.keyCount(), 2000u);
    // Enough inserts to split pages and the root.
    for (int i = 0; i < 3000; ++i)
        ASSERT_TRUE(w.insert("K1500" + std::to_string(i), static_cast<std::uint32_t>(5000 + i)));
    ASSERT_TRUE(w.remove(CdxKeys::character("K1501", 10), 1501));
    EXPECT_EQ(r.keyCount(), 4999u);
    ASSERT_TRUE(c.next());  // the first of the new keys comes right after K1500
    EXPECT_EQ(c.key(), CdxKeys::character("K15000", 10));
    // The cursor's own entry removed by the other open: next() gives the entry that followed.
    ASSERT_TRUE(c.seek("K1502"));
    ASSERT_TRUE(w.remove(CdxKeys::character("K1502", 10), 1502));
    ASSERT_TRUE(c.next());
    EXPECT_EQ(c.key(), CdxKeys::character("K1503", 10));
    ASSERT_TRUE(c.prev());
    EXPECT_EQ(c.key(), CdxKeys::character("K1500999", 10)) << "the entry before the removed one";
}

}  // namespace
}  // namespace velt::engine
