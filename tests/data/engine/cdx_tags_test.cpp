// Tags as stored: the texts, widths and flags of a tag survive a reopen; several tags share one
// file; a rebuilt tag replaces the old one; bad tag definitions and keys are refused.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "data/engine/cdx_test_support.h"
#include "util/failure.h"

namespace velt::engine {
namespace {

using testing::TempFolder;

CdxTagSpec spec(std::string name, CdxKeyType type, int width, bool unique = false) {
    return {.name = std::move(name),
            .keyExpr = "UPPER(COGNOME+NOME)",
            .forExpr = "!DELETED()",
            .type = type,
            .keyLength = width,
            .unique = unique,
            .descending = false};
}

std::vector<std::uint8_t> readBytes(const std::string& path, off_t offset, std::size_t n) {
    std::vector<std::uint8_t> b(n);
    int fd = ::open(path.c_str(), O_RDONLY);
    EXPECT_EQ(::pread(fd, b.data(), n, offset), static_cast<ssize_t>(n));
    ::close(fd);
    return b;
}

TEST(CdxTags, HeaderTextsWidthAndFlagsSurviveAReopen) {
    TempFolder dir;
    std::string path = dir.file("CLIENTI.NTX");
    {
        auto file = CdxFile::create(path);
        auto s = spec("clienti", CdxKeyType::Character, 60, true);
        s.descending = true;
        file->buildTag(s).finish();
    }
    auto file = CdxFile::open(path, {.readOnly = true, .exclusive = false});
    ASSERT_EQ(file->tags().size(), 1u);
    CdxTag& t = *file->tag(0);
    EXPECT_EQ(t.name(), "CLIENTI");
    EXPECT_EQ(t.keyExpr(), "UPPER(COGNOME+NOME)");
    EXPECT_EQ(t.forExpr(), "!DELETED()");
    EXPECT_EQ(t.keyLength(), 60);
    EXPECT_TRUE(t.unique());
    EXPECT_TRUE(t.descending());
    // Layout of a one-tag file: header, directory root, tag header at 1536, tag root at 2560.
    auto header = readBytes(path, 0, 16);
    EXPECT_EQ(header[0] | header[1] << 8, 1024);
    EXPECT_EQ(header[14], 0xE0);
    auto tag = readBytes(path, 1536, 1024);
    EXPECT_EQ(tag[0] | tag[1] << 8, 2560);
    EXPECT_EQ(tag[14], 0x60 | 0x08 | 0x01);
    EXPECT_EQ(tag[15], 1);
    EXPECT_EQ(tag[502], 1);
    EXPECT_EQ(tag[504], 20);
    EXPECT_EQ(tag[506], 11);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&tag[512])), "UPPER(COGNOME+NOME)");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&tag[532])), "!DELETED()");
    auto root = readBytes(path, 2560, 2);
    EXPECT_EQ(root[0], 3);  // an empty root leaf
}

TEST(CdxTags, SeveralTagsInOneFileAndARebuild) {
    TempFolder dir;
    std::string path = dir.file("MULTI.NTX");
    auto file = CdxFile::create(path);
    for (const char* name : {"ZETA", "ALFA", "MEDIO"}) {
        auto b = file->buildTag(spec(name, CdxKeyType::Character, 10));
        for (std::uint32_t r = 1; r <= 2000; ++r)
            b.add(std::string(name) + std::to_string(r % 97), r);
        b.finish();
    }
    auto datesBuilder = file->buildTag(spec("DATE", CdxKeyType::Date, 0));
    for (std::uint32_t r = 1; r <= 500; ++r)
        datesBuilder.add(CdxKeys::date(Date::fromYmd(2020, 1, 1) + (r * 37 % 400)), r);
    CdxTag& dates = datesBuilder.finish();
    EXPECT_EQ(dates.keyLength(), 8);
    // Rebuilding a tag replaces its entries; the others stay as they were.
    auto again = file->buildTag(spec("MEDIO", CdxKeyType::Character, 10));
    again.add("SOLO", 5);
    again.finish();
    file.reset();

    file = CdxFile::open(path);
    std::vector<std::string> names;
    for (auto* t : file->tags()) names.push_back(t->name());
    EXPECT_EQ(names, (std::vector<std::string>{"ALFA", "DATE", "MEDIO", "ZETA"}));
    EXPECT_EQ(file->tag("alfa")->keyCount(), 2000u);
    EXPECT_EQ(file->tag("ZETA")->keyCount(), 2000u);
    EXPECT_EQ(file->tag("ZETA")->keyCount("ZETA1", "ZETA1"), 2000u / 97 * 11 + 11);
    ASSERT_EQ(file->tag("MEDIO")->keyCount(), 1u);
    EXPECT_EQ(testing::listForward(*file->tag("MEDIO"))[0].first, "SOLO      ");
    CdxTag& d = *file->tag("DATE");
    d.setKeyType(CdxKeyType::Date);
    auto list = testing::listForward(d);
    ASSERT_EQ(list.size(), 500u);
    EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
    // Pages the rebuild freed are taken again by inserts before the file grows.
    auto size = std::filesystem::file_size(path);
    for (std::uint32_t r = 0; r < 300; ++r)
        file->tag("MEDIO")->insert("M" + std::to_string(r), 3000 + r);
    EXPECT_EQ(std::filesystem::file_size(path), size);
}

TEST(CdxTags, BadDefinitionsAndKeysAreRefused) {
    TempFolder dir;
    auto file = CdxFile::create(dir.file("BAD.NTX"));
    auto refused = [&](CdxTagSpec s) {
        try {
            file->buildTag(s);
            return false;
        } catch (const FailureError& e) {
            return e.failure().genCode == gen::kArgument;
        }
    };
    EXPECT_TRUE(refused(spec("T", CdxKeyType::Character, 241)));
    EXPECT_TRUE(refused(spec("T", CdxKeyType::Character, 0)));
    EXPECT_TRUE(refused(spec("T", CdxKeyType::Number, 10)));
    EXPECT_TRUE(refused(spec("", CdxKeyType::Character, 10)));
    EXPECT_TRUE(refused(spec("UNDICILETT", CdxKeyType::Character, 10)) == false);
    EXPECT_TRUE(refused(spec("UNDICILETTE", CdxKeyType::Character, 10)));
    auto texts = spec("T", CdxKeyType::Character, 10);
    texts.keyExpr = std::string(300, 'K');
    texts.forExpr = std::string(211, 'F');  // 511 together
    EXPECT_TRUE(refused(texts));
    texts.forExpr.pop_back();  // 510: accepted and stored whole
    EXPECT_FALSE(refused(texts));
    file->buildTag(texts).finish();
    auto reread = CdxFile::open(dir.file("BAD.NTX"));
    EXPECT_EQ(reread->tag("T")->keyExpr(), texts.keyExpr);
    EXPECT_EQ(reread->tag("T")->forExpr(), texts.forExpr);

    CdxTag& t = *reread->tag("T");
    EXPECT_THROW(t.insert(std::string(11, 'X'), 1), FailureError);
    EXPECT_THROW(
        reread->buildTag(spec("T", CdxKeyType::Character, 10)).add(std::string(11, 'X'), 1),
        FailureError);
    EXPECT_TRUE(t.insert("CORTA", 1));  // padded with blanks
    CdxCursor c(t);
    ASSERT_TRUE(c.find("CORTA", 1));
    EXPECT_EQ(c.key(), "CORTA     ");
    EXPECT_FALSE(c.find("CORTA", 2));
    reread.reset();

    auto readOnly = CdxFile::open(dir.file("BAD.NTX"), {.readOnly = true, .exclusive = false});
    try {
        readOnly->tag("T")->insert("ALTRA", 2);
        ADD_FAILURE() << "insert into a read-only file";
    } catch (const FailureError& e) {
        EXPECT_EQ(e.failure().genCode, gen::kReadOnly);
    }
    EXPECT_THROW(CdxFile::open(dir.file("MANCA.NTX")), FailureError);
}

TEST(CdxTags, UniqueKeepsTheFirstRecordOfEqualKeys) {
    TempFolder dir;
    auto file = CdxFile::create(dir.file("U.NTX"));
    auto b = file->buildTag(spec("U", CdxKeyType::Character, 4, true));
    for (std::uint32_t r : {9u, 3u, 7u}) b.add("AAAA", r);
    b.add("BBBB", 2);
    CdxTag& t = b.finish();
    auto list = testing::listForward(t);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0], (std::pair<std::string, std::uint32_t>{"AAAA", 3}));
    EXPECT_FALSE(t.insert("BBBB", 1));
    EXPECT_TRUE(t.remove("BBBB", 2));
    EXPECT_TRUE(t.insert("BBBB", 1));
}

}  // namespace
}  // namespace velt::engine
