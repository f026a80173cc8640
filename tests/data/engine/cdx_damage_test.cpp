// Damaged index files: each one is reported as damaged (general code 32 with the file name)
// when it is opened or walked, never a crash, a hang or a read outside the file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "data/engine/cdx_test_support.h"
#include "util/failure.h"

namespace velt::engine {
namespace {

using testing::TempFolder;

// A fresh file with one tag: its header at 1536, its root at 2560, leaves from 3072 on.
constexpr std::uint32_t kTagHeader = 1536, kRoot = 2560, kFirstLeaf = 3072;
constexpr int kKeyLength = 12;

void writeFile(const std::string& path, int keys) {
    auto file = CdxFile::create(path);
    auto b = file->buildTag({.name = "NOMI",
                             .keyExpr = "NOME",
                             .forExpr = "",
                             .type = CdxKeyType::Character,
                             .keyLength = kKeyLength});
    for (int i = 1; i <= keys; ++i)
        b.add(CdxKeys::character("NOME" + std::to_string(i * 7919 % 100000), kKeyLength),
              static_cast<std::uint32_t>(i));
    b.finish();
}

void patch(const std::string& path, std::uint64_t offset, std::vector<std::uint8_t> bytes) {
    int fd = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)),
              static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

std::vector<std::uint8_t> le32(std::uint32_t v) {
    return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
}

// Everything a reader and a writer do with a tag.
void useEveryTag(const std::string& path) {
    auto file = CdxFile::open(path);
    for (CdxTag* tag : file->tags()) {
        testing::listForward(*tag);
        testing::listBackward(*tag);
        tag->keyCount();
        tag->keyCount("NOME3", "NOME5");
        CdxCursor c(*tag);
        c.seek("NOME5");
        c.goToPosition(500);
        c.position();
        tag->insert("NOME0", 99999);
        tag->remove("NOME0", 99999);
    }
}

struct DamageCase {
    const char* name;
    int keys;
    std::uint64_t truncateTo;  // 0: keep the size
    std::uint64_t offset;
    std::vector<std::uint8_t> bytes;
};

class CdxDamage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(CdxDamage, ReportedAsDamaged) {
    const DamageCase& c = GetParam();
    TempFolder dir;
    std::string path = dir.file("DANNI.NTX");
    writeFile(path, c.keys);
    if (c.truncateTo) std::filesystem::resize_file(path, c.truncateTo);
    if (!c.bytes.empty()) patch(path, c.offset, c.bytes);
    try {
        useEveryTag(path);
        FAIL() << "not reported";
    } catch (const FailureError& e) {
        EXPECT_EQ(e.failure().genCode, gen::kCorruption) << e.what();
        EXPECT_EQ(e.failure().subCode, kSubCodeCorrupt);
        EXPECT_EQ(e.failure().fileName, path);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, CdxDamage,
    ::testing::Values(
        DamageCase{"empty_file", 10, 1, 0, {}}, DamageCase{"header_only", 10, 1024, 0, {}},
        DamageCase{"truncated_in_tag_header", 10, 2000, 0, {}},
        DamageCase{"truncated_in_tree", 3000, 20000, 0, {}},
        DamageCase{"directory_root_unaligned", 10, 0, 0, le32(1030)},
        DamageCase{"directory_root_outside", 10, 0, 0, le32(0x7FFFFE00)},
        DamageCase{"directory_key_length_zero", 10, 0, 12, {0, 0}},
        DamageCase{"tag_root_outside", 10, 0, kTagHeader, le32(0xFFFFF000)},
        DamageCase{"tag_root_unaligned", 10, 0, kTagHeader, le32(kRoot + 1)},
        DamageCase{"tag_root_in_header", 10, 0, kTagHeader, le32(512)},
        DamageCase{"tag_key_length_impossible", 10, 0, kTagHeader + 12, {0xF4, 0x01}},
        DamageCase{"tag_expression_outside_pool", 10, 0, kTagHeader + 510, {0x58, 0x02}},
        DamageCase{"interior_count_impossible", 3000, 0, kRoot + 2, {0xFF, 0x7F}},
        DamageCase{"interior_child_outside",
                   3000,
                   0,
                   kRoot + 12 + kKeyLength + 4,
                   {0x7F, 0xFF, 0xFE, 0x00}},
        DamageCase{"interior_child_is_itself",
                   3000,
                   0,
                   kRoot + 12 + kKeyLength + 4,
                   {0x00, 0x00, 0x0A, 0x00}},
        DamageCase{"leaf_bytes_per_entry_zero", 3000, 0, kFirstLeaf + 23, {0}},
        DamageCase{"leaf_bit_widths_do_not_add_up", 3000, 0, kFirstLeaf + 20, {40}},
        DamageCase{"leaf_count_impossible", 3000, 0, kFirstLeaf + 2, {0x90, 0x01}},
        DamageCase{"leaf_sibling_loops_to_itself", 3000, 0, kFirstLeaf + 8, le32(kFirstLeaf)},
        DamageCase{"leaf_sibling_points_back", 3000, 0, kFirstLeaf + 512 + 8, le32(kFirstLeaf)},
        DamageCase{"leaf_sibling_outside", 3000, 0, kFirstLeaf + 8, le32(0x40000000)},
        DamageCase{"leaf_sibling_is_interior", 3000, 0, kFirstLeaf + 8, le32(kRoot)},
        DamageCase{"leaf_counts_exceed_key", 10, 0, kRoot + 24, {0xFF, 0xFF, 0xFF}},
        DamageCase{"leaf_keys_overrun_entries",
                   3000,
                   0,
                   kFirstLeaf + 24,
                   {0x01, 0x00, 0x00, 0x01, 0x00, 0x00}}),
    [](const auto& info) { return std::string(info.param.name); });

// The same use of an intact file raises nothing (the damage cases above fail for their damage).
TEST(CdxDamageShared, IntactFileIsUsable) {
    TempFolder dir;
    for (int keys : {10, 3000}) {
        std::string path = dir.file("SANO" + std::to_string(keys) + ".NTX");
        writeFile(path, keys);
        EXPECT_NO_THROW(useEveryTag(path));
    }
}

// A page that two tags both claim, with different key lengths, is damage and not a read past
// the decoded keys.
TEST(CdxDamageShared, PageClaimedByTwoTags) {
    TempFolder dir;
    std::string path = dir.file("DUE.NTX");
    {
        auto file = CdxFile::create(path);
        auto a = file->buildTag({.name = "A",
                                 .keyExpr = "A",
                                 .forExpr = "",
                                 .type = CdxKeyType::Character,
                                 .keyLength = 4});
        a.add("AAAA", 1);
        a.finish();
        auto b = file->buildTag({.name = "B",
                                 .keyExpr = "B",
                                 .forExpr = "",
                                 .type = CdxKeyType::Character,
                                 .keyLength = 40});
        b.add("BBBB", 1);
        b.finish();
    }
    // Tag B's header (after A's header and root) gets A's root.
    patch(path, kRoot + 512, le32(kRoot));
    EXPECT_THROW(useEveryTag(path), FailureError);
}

}  // namespace
}  // namespace velt::engine
