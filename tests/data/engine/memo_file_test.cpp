// Memo files: the header of a new FoxPro memo, space reuse through the freed-block index, the
// dBase III format, and damaged memo references.
#include "data/engine/memo_file.h"

#include <gtest/gtest.h>

#include "data/engine/work_areas.h"
#include "engine_test_support.h"

namespace velt::engine {
namespace {

using testing::TempDir;

std::uint32_t be32(const std::string& b, std::size_t at) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 8) |
           static_cast<unsigned char>(b[at + 3]);
}

TEST(MemoFile, NewTableWithMemo) {
    TempDir dir;
    createTable(dir.file("T"), {{"NOME", 'C', 5, 0}, {"NOTE", 'M', 10, 0}});
    std::string dbf = testing::readFile(dir.file("T.DBF"));
    EXPECT_EQ(static_cast<unsigned char>(dbf[0]), 0xF5);
    std::string memo = testing::readFile(dir.file("T.DBT"));
    ASSERT_EQ(memo.size(), 1024u);
    EXPECT_EQ(be32(memo, 0), 16u);  // next free block
    EXPECT_EQ(be32(memo, 4), 64u);  // block size
    EXPECT_EQ(memo.substr(8, 8), "VELTMEMO");
    EXPECT_EQ(memo[6], 0);
    EXPECT_EQ(memo[7], 64);
}

TEST(MemoFile, FirstMemoAtBlock16WithTypeAndLength) {
    TempDir dir;
    createTable(dir.file("T"), {{"NOTE", 'M', 10, 0}});
    WorkArea a(1);
    ASSERT_TRUE(a.open(dir.file("T"), OpenOptions::exclusive()));
    a.append();
    a.put("NOTE", Value("ciao"));
    a.close();
    std::string memo = testing::readFile(dir.file("T.DBT"));
    ASSERT_GE(memo.size(), 16u * 64 + 12);
    EXPECT_EQ(be32(memo, 16 * 64), 1u);
    EXPECT_EQ(be32(memo, 16 * 64 + 4), 4u);
    EXPECT_EQ(memo.substr(16 * 64 + 8, 4), "ciao");
    EXPECT_EQ(be32(memo, 0), 17u);
    std::string dbf = testing::readFile(dir.file("T.DBF"));
    EXPECT_EQ(dbf.substr(32 + 32 + 1 + 1, 10), "        16");
}

// The same memo edited a thousand times, growing and shrinking: the file stays small because
// freed blocks are reused.
TEST(MemoFile, RewritesReuseFreedSpace) {
    TempDir dir;
    createTable(dir.file("T"), {{"A", 'M', 10, 0}, {"B", 'M', 10, 0}});
    WorkArea a(1);
    ASSERT_TRUE(a.open(dir.file("T"), OpenOptions::exclusive()));
    a.append();
    a.append();
    for (int i = 0; i < 1000; ++i) {
        a.goTo(static_cast<std::uint32_t>(1 + i % 2));
        std::string text(static_cast<std::size_t>(50 + (i * 37) % 900),
                         static_cast<char>('a' + i % 26));
        a.put(i % 3 == 0 ? "A" : "B", Value(text));
        EXPECT_EQ(a.get(i % 3 == 0 ? "A" : "B").text(), text);
    }
    a.close();
    // Four memos of at most ~950 bytes: a few dozen blocks, not thousands.
    EXPECT_LT(testing::readFile(dir.file("T.DBT")).size(), 1024u + 64u * 120);
    ASSERT_TRUE(a.open(dir.file("T"), OpenOptions::exclusive()));
    a.goTo(2);
    a.put("A", Value(std::string()));  // cleared: blank reference
    a.close();
    std::string dbf = testing::readFile(dir.file("T.DBF"));
    EXPECT_EQ(dbf.substr(32 + 64 + 1 + 21 + 1, 10), std::string(10, ' '));
}

TEST(MemoFile, FreedIndexMergesAndGivesBackTheEnd) {
    TempDir dir;
    std::string path = dir.file("M.DBT");
    MemoFile::create(path, MemoFormat::FoxPro);
    MemoFile m;
    m.open(path, MemoFormat::FoxPro, false, false);
    std::uint32_t a = m.write(0, std::string(100, 'a'));  // 2 blocks
    std::uint32_t b = m.write(0, std::string(100, 'b'));
    std::uint32_t c = m.write(0, std::string(100, 'c'));
    EXPECT_EQ(a, 16u);
    EXPECT_EQ(b, 18u);
    EXPECT_EQ(c, 20u);
    EXPECT_EQ(m.write(a, ""), 0u);
    EXPECT_EQ(m.write(b, ""), 0u);
    ASSERT_EQ(m.freeExtents().size(), 1u);  // 16..19 merged
    EXPECT_EQ(m.freeExtents()[0].count, 4u);
    EXPECT_EQ(m.write(0, std::string(200, 'd')), 16u);  // 4 blocks fit the freed space
    EXPECT_EQ(m.write(c, std::string(10, 'e')), 20u);   // shorter: in place
    EXPECT_EQ(m.nextFreeBlock(), 21u);                  // its spare block went back to the end
    m.close();
    m.open(path, MemoFormat::FoxPro, false, false);  // the index is read back
    EXPECT_EQ(m.read(16), std::string(200, 'd'));
    EXPECT_EQ(m.read(20), std::string(10, 'e'));
    EXPECT_EQ(m.nextFreeBlock(), 21u);
}

// A header whose next free block lies far past the end of the file (damage) does not make the
// next memo leave a hole of gigabytes: it goes at the end of the file.
TEST(MemoFile, NextFreeBlockPastTheEndLeavesNoHole) {
    TempDir dir;
    std::string path = dir.file("M.DBT");
    MemoFile::create(path, MemoFormat::FoxPro);
    std::string bytes = testing::readFile(path);
    bytes[0] = 0x00;
    bytes[1] = 0xFF;
    bytes[2] = 0xFF;
    bytes[3] = 0xFF;
    testing::writeFile(path, bytes);
    MemoFile m;
    m.open(path, MemoFormat::FoxPro, false, false);
    EXPECT_EQ(m.write(0, "testo"), 16u);
    EXPECT_EQ(m.nextFreeBlock(), 17u);
    m.close();
    EXPECT_EQ(testing::readFile(path).size(), 17u * 64);
}

TEST(MemoFile, DBase3Format) {
    TempDir dir;
    createTable(dir.file("T"), {{"NOTE", 'M', 10, 0}}, MemoFormat::DBase3);
    EXPECT_EQ(static_cast<unsigned char>(testing::readFile(dir.file("T.DBF"))[0]), 0x83);
    WorkArea a(1);
    ASSERT_TRUE(a.open(dir.file("T"), OpenOptions::exclusive()));
    a.append();
    a.put("NOTE", Value(std::string(600, 'x')));
    a.append();
    a.put("NOTE", Value("short"));
    a.goTo(1);
    a.put("NOTE", Value("now short"));  // fits the old blocks: in place
    a.close();
    std::string memo = testing::readFile(dir.file("T.DBT"));
    EXPECT_EQ(memo.size(), 512u * 4);
    EXPECT_EQ(memo[0], 4);  // next free block, little-endian
    EXPECT_EQ(memo.substr(512, 11), "now short\x1A\x1A");
    EXPECT_EQ(memo.substr(1536, 7), "short\x1A\x1A");
    ASSERT_TRUE(a.open(dir.file("T")));
    EXPECT_EQ(a.get("NOTE").text(), "now short");
    a.skip();
    EXPECT_EQ(a.get("NOTE").text(), "short");
}

// Memo references and headers that point outside the file give the damaged-file failure.
TEST(MemoFile, DamagedMemosRefused) {
    TempDir dir;
    createTable(dir.file("T"), {{"NOTE", 'M', 10, 0}});
    {
        WorkArea a(1);
        ASSERT_TRUE(a.open(dir.file("T"), OpenOptions::exclusive()));
        a.append();
        a.put("NOTE", Value(std::string(100, 'm')));
    }
    const std::string dbf = testing::readFile(dir.file("T.DBF"));
    const std::string memo = testing::readFile(dir.file("T.DBT"));
    const std::size_t ref = 32 + 32 + 1 + 1;
    struct Case {
        const char* what;
        std::string dbf, memo;
    };
    auto withRef = [&](const std::string& r) {
        std::string b = dbf;
        b.replace(ref, 10, r);
        return b;
    };
    std::string shortMemo = memo.substr(0, 16 * 64 + 20);
    std::string longLength = memo;
    longLength[16 * 64 + 4] = 0x7F;
    std::string zeroBlock = memo;
    zeroBlock[4] = zeroBlock[5] = zeroBlock[6] = zeroBlock[7] = 0;
    const Case cases[] = {
        {"block past the end", withRef("      9999"), memo},
        {"block inside the header", withRef("         2"), memo},
        {"text past the end", dbf, shortMemo},
        {"length past the end", dbf, longLength},
        {"block size 0", dbf, zeroBlock},
        {"memo file truncated", dbf, memo.substr(0, 100)},
    };
    for (const Case& c : cases) {
        testing::writeFile(dir.file("B.DBF"), c.dbf);
        testing::writeFile(dir.file("B.DBT"), c.memo);
        WorkArea a(2);
        auto failure = testing::failureOf([&] {
            a.open(dir.file("B"));
            a.get("NOTE");
        });
        ASSERT_TRUE(failure) << c.what;
        EXPECT_EQ(failure->genCode, gen::kCorruption) << c.what;
        EXPECT_FALSE(failure->fileName.empty()) << c.what;
    }
}

}  // namespace
}  // namespace velt::engine
