// Compound index files written by other tools: every tag of the fixtures lists the keys and
// record numbers their .keys files give, in the same order.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "data/engine/cdx_file.h"

namespace velt::engine {
namespace {

// The fixtures sit beside the source tree (one level further up from a worktree).
std::string fixture(const std::string& name) {
    const char* src = std::getenv("VELT_SOURCE_DIR");
    std::string base = std::string(src ? src : ".") + "/..";
    for (int up = 0; up < 2; ++up, base += "/..") {
        std::string path = base + "/shared/fixtures/interop/" + name;
        if (std::ifstream(path).good()) return path;
    }
    return std::string(src ? src : ".") + "/../shared/fixtures/interop/" + name;
}

std::vector<std::pair<std::string, std::uint32_t>> expectedKeys(const std::string& file) {
    std::ifstream in(fixture(file));
    std::vector<std::pair<std::string, std::uint32_t>> out;
    std::string line;
    while (std::getline(in, line)) {
        auto blank = line.rfind(' ');
        out.emplace_back(line.substr(0, blank),
                         static_cast<std::uint32_t>(std::stoul(line.substr(blank + 1))));
    }
    return out;
}

std::string trimRight(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

TEST(CdxInterop, RoomsEveryTagListsItsKeysInOrder) {
    auto file = CdxFile::open(fixture("ROOMS.CDX"), {.readOnly = true});
    std::vector<std::string> names;
    for (auto* t : file->tags()) names.push_back(t->name());
    EXPECT_EQ(names, (std::vector<std::string>{"AUDIO", "FACILITY", "FILM", "MAIN", "ROOMNAME"}));
    for (auto* tag : file->tags()) {
        SCOPED_TRACE(tag->name());
        auto expected = expectedKeys("ROOMS." + tag->name() + ".keys");
        std::vector<std::pair<std::string, std::uint32_t>> got;
        CdxCursor c(*tag);
        for (bool ok = c.first(); ok; ok = c.next())
            got.emplace_back(trimRight(c.key()), c.recno());
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].first, trimRight(expected[i].first)) << i;
            EXPECT_EQ(got[i].second, expected[i].second) << i;
        }
        EXPECT_EQ(tag->keyCount(), expected.size());
        // Backwards gives the same entries reversed.
        std::size_t back = 0;
        for (bool ok = c.last(); ok; ok = c.prev(), ++back)
            EXPECT_EQ(c.recno(), expected[expected.size() - 1 - back].second);
        EXPECT_EQ(back, expected.size());
    }
    EXPECT_EQ(file->tag("roomname")->keyExpr(), "roomname");
    EXPECT_EQ(file->tag("MAIN")->keyExpr(), "roomname");
    EXPECT_EQ(file->tag("MAIN")->forExpr(), "TRIM(UPPER(facility))==\"MAIN\"");
    EXPECT_EQ(file->tag("ROOMNAME")->forExpr(), "");
    EXPECT_EQ(file->tag("ROOMNAME")->keyLength(), 10);
}

TEST(CdxInterop, ExpcatIntegerKeys) {
    auto file = CdxFile::open(fixture("EXPCAT.CDX"), {.readOnly = true});
    ASSERT_EQ(file->tags().size(), 1u);
    CdxTag* tag = file->tag("PRIMARYKEY");
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->keyLength(), 4);
    tag->setKeyType(CdxKeyType::Number);  // binary keys: compressed with zero bytes
    auto expected = expectedKeys("EXPCAT.PRIMARYKEY.keys");
    CdxCursor c(*tag);
    std::size_t i = 0;
    for (bool ok = c.first(); ok; ok = c.next(), ++i) {
        ASSERT_LT(i, expected.size());
        // A 4-byte integer key: big-endian with the sign bit flipped.
        std::uint32_t v = 0;
        for (char ch : c.key()) v = (v << 8) | static_cast<std::uint8_t>(ch);
        EXPECT_EQ(std::to_string(static_cast<std::int32_t>(v ^ 0x80000000u)), expected[i].first);
        EXPECT_EQ(c.recno(), expected[i].second);
    }
    EXPECT_EQ(i, expected.size());
}

}  // namespace
}  // namespace velt::engine
