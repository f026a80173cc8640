// Data files: the bytes we write, what we read back, and damaged files refused cleanly.
#include "data/engine/dbf_file.h"

#include <gtest/gtest.h>

#include "data/engine/field_codec.h"
#include "data/engine/settings.h"
#include "data/engine/work_areas.h"
#include "engine_test_support.h"

namespace velt::engine {
namespace {

using testing::TempDir;

const std::vector<FieldDef> kPlain = {
    {"NOME", 'C', 10, 0}, {"PREZZO", 'N', 6, 2}, {"DATA", 'D', 8, 0}, {"OK", 'L', 1, 0}};

TEST(DbfFile, NewTableHeaderAndLayout) {
    TempDir dir;
    createTable(dir.file("T"), kPlain);
    std::string bytes = testing::readFile(dir.file("T.DBF"));
    const std::size_t header = 32 + 32 * 4 + 1;
    ASSERT_EQ(bytes.size(), header + 1);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x03);
    EXPECT_EQ(static_cast<unsigned char>(bytes[8]) | (bytes[9] << 8), static_cast<int>(header));
    EXPECT_EQ(bytes[10], 1 + 10 + 6 + 8 + 1);
    EXPECT_EQ(bytes[header - 1], '\x0D');
    EXPECT_EQ(bytes[header], '\x1A');
    EXPECT_EQ(bytes.substr(32, 5), std::string("NOME\0", 5));
    EXPECT_EQ(bytes[32 + 11], 'C');
    EXPECT_EQ(static_cast<unsigned char>(bytes[64 + 16]), 6);  // PREZZO width
    EXPECT_EQ(bytes[64 + 17], 2);                              // decimals
}

TEST(DbfFile, RowsStoredExactly) {
    TempDir dir;
    createTable(dir.file("T"), kPlain);
    WorkArea a(1);
    ASSERT_TRUE(a.open(dir.file("T"), OpenOptions::exclusive("T")));
    a.append();
    a.put("NOME", Value("Rossi"));
    a.put("PREZZO", Value(12.5));
    a.put("DATA", Value(Date::fromYmd(2024, 3, 9)));
    a.put("OK", Value(true));
    a.append();  // a blank row
    a.close();
    std::string bytes = testing::readFile(dir.file("T.DBF"));
    const std::size_t header = 32 + 32 * 4 + 1;
    ASSERT_EQ(bytes.size(), header + 2 * 26 + 1);
    EXPECT_EQ(bytes[4], 2);
    EXPECT_EQ(bytes.substr(header, 26), " Rossi      12.5020240309T");
    EXPECT_EQ(bytes.substr(header + 26, 26), std::string(26, ' '));
    EXPECT_EQ(bytes.back(), '\x1A');
}

TEST(FieldCodec, ValuesBothWays) {
    struct Case {
        FieldInfo field;
        Value value;
        std::string stored;
    };
    auto f = [](char type, int width, int dec) {
        FieldInfo i;
        i.name = "F";
        i.type = type;
        i.width = width;
        i.decimals = dec;
        return i;
    };
    const Case cases[] = {
        {f('C', 5, 0), Value("abc"), "abc  "},
        {f('C', 3, 0), Value("abcdef"), "abc"},
        {f('N', 6, 2), Value(2.675), "  2.68"},
        {f('N', 6, 2), Value(-1.005), " -1.01"},
        {f('N', 3, 0), Value(42), " 42"},
        {f('N', 4, 0), Value(-0.2), "   0"},
        {f('D', 8, 0), Value(Date::fromYmd(1999, 12, 31)), "19991231"},
        {f('D', 8, 0), Value(Date()), "        "},
        {f('L', 1, 0), Value(false), "F"},
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_EQ(encodeField(c.field, c.value, out), EncodeResult::Ok) << c.stored;
        EXPECT_EQ(out, c.stored);
    }
    std::string out;
    EXPECT_EQ(encodeField(f('N', 3, 0), Value(1234), out), EncodeResult::TooWide);
    EXPECT_EQ(out, "***");
    EXPECT_EQ(decodeField(f('N', 3, 0), out).num(), 0);
    EXPECT_EQ(encodeField(f('N', 3, 0), Value("x"), out), EncodeResult::WrongType);
    EXPECT_EQ(decodeField(f('L', 1, 0), " ").logical(), false);
    EXPECT_EQ(decodeField(f('N', 6, 2), "      ").num(), 0);
    Number n = decodeField(f('N', 6, 2), " 12.50").number();
    EXPECT_EQ(n.value, 12.5);
    EXPECT_EQ(n.intWidth, 3);
    EXPECT_EQ(decodeField(f('N', 6, 0), "    12").number().intWidth, 6);
}

// Damaged data files: each refused with the damaged-file failure (general code 32 and the file
// name), never a crash or a misread.
TEST(DbfFile, DamagedFilesRefused) {
    TempDir dir;
    createTable(dir.file("GOOD"), kPlain);
    {
        WorkArea a(1);
        ASSERT_TRUE(a.open(dir.file("GOOD"), OpenOptions::exclusive()));
        for (int i = 0; i < 3; ++i) a.append();
        a.close();
    }
    const std::string good = testing::readFile(dir.file("GOOD.DBF"));
    constexpr std::size_t kAll = std::string::npos;
    struct Case {
        const char* what;
        std::size_t keep;  // bytes of the good file kept
        std::vector<std::pair<std::size_t, char>> patches;
    };
    const Case cases[] = {
        {"empty file", 0, {}},
        {"truncated header", 20, {}},
        {"truncated descriptors", 80, {}},
        {"rows missing", good.size() - 30, {}},
        {"version 0x30", kAll, {{0, 0x30}}},
        {"version 0x00", kAll, {{0, 0}}},
        {"header length too small", kAll, {{8, 40}, {9, 0}}},
        {"header length past the end", kAll, {{8, 0}, {9, 0x7F}}},
        {"row length too long", kAll, {{10, 27}}},
        {"row length too short", kAll, {{10, 2}}},
        {"no terminator", kAll, {{32 + 32 * 4, 'X'}}},
        {"row count too big", kAll, {{4, 0}, {5, 0}, {6, 1}}},
        {"unknown field type", kAll, {{32 + 11, 'Q'}}},
        {"date field of width 3", kAll, {{96 + 16, 3}}},
        {"memo field in a 0x03 table", kAll, {{32 + 11, 'M'}}},
    };
    for (const Case& c : cases) {
        std::string path = dir.file("BAD.DBF");
        std::string bytes = good.substr(0, c.keep);
        for (auto [at, value] : c.patches) bytes.replace(at, 1, 1, value);
        testing::writeFile(path, bytes);
        WorkArea a(2);
        auto failure = testing::failureOf([&] { a.open(path); });
        ASSERT_TRUE(failure) << c.what;
        EXPECT_EQ(failure->genCode, gen::kCorruption) << c.what;
        EXPECT_EQ(failure->fileName, path) << c.what;
        EXPECT_FALSE(a.isOpen()) << c.what;
    }
}

TEST(DbfFile, CreateRejectsBadFieldLists) {
    TempDir dir;
    const std::vector<std::vector<FieldDef>> bad = {
        {},
        {{"TOOLONGNAME1", 'C', 5, 0}},
        {{"A", 'X', 5, 0}},
        {{"A", 'C', 0, 0}},
        {{"A", 'D', 10, 0}},
        {{"A", 'N', 5, 4}},
        {{"A", 'C', 5, 0}, {"a", 'N', 2, 0}},
        {{"A B", 'C', 5, 0}},
    };
    for (const auto& fields : bad) {
        auto failure = testing::failureOf([&] { createTable(dir.file("X"), fields); });
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->genCode, gen::kArgument);
    }
}

TEST(Settings, FileNameCase) {
    Settings saved = settings();
    EXPECT_EQ(applyNameCase("/tmp/dati/prestazi.dbf"), "/tmp/dati/PRESTAZI.DBF");
    EXPECT_EQ(applyNameCase("dir\xE8/citt\xE0.dbf"), "dir\xE8/CITT\xE0.DBF");  // a-z only
    settings().upperCaseNames = false;
    EXPECT_EQ(applyNameCase("/tmp/prestazi.dbf"), "/tmp/prestazi.dbf");
    settings() = saved;
    EXPECT_EQ(withDefaultExtension("/a.b/CLIENTI", ".NTX"), "/a.b/CLIENTI.NTX");
    EXPECT_EQ(withDefaultExtension("INDEX.IDX", ".NTX"), "INDEX.IDX");
    EXPECT_EQ(withExtension("/d/T.DBF", ".DBT"), "/d/T.DBT");
    EXPECT_EQ(baseName("/d/prestazi.dbf"), "prestazi");
}

}  // namespace
}  // namespace velt::engine
