// Tags built, changed and walked against an in-memory model of their ordered entries: thousands
// of random keys with duplicates, long keys, number keys and unique tags, through page splits,
// emptied leaves and a tree that shrinks back to one page.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <set>

#include "data/engine/cdx_test_support.h"

namespace velt::engine {
namespace {

using testing::Entries;
using testing::TempFolder;

struct ModelCase {
    const char* name;
    CdxKeyType type;
    int keyLength;
    int buildKeys;
    int changes;
    int distinctKeys;  // small: many duplicates
    bool unique;
    bool exclusive = false;  // no locks, pages cached across operations
};

class CdxModel : public ::testing::TestWithParam<ModelCase> {};

std::string randomKey(std::mt19937& rng, const ModelCase& c) {
    std::uniform_int_distribution<int> pick(0, c.distinctKeys - 1);
    int v = pick(rng);
    if (c.type == CdxKeyType::Number) return CdxKeys::number((v - c.distinctKeys / 2) * 0.5);
    // Text of varying length with shared prefixes, so compression has work to do.
    std::string text = "K" + std::to_string(v % 7) + "-" + std::to_string(v);
    if (c.keyLength >= 200) text = std::string(static_cast<std::size_t>(v % 230), 'x') + text;
    return CdxKeys::character(text, c.keyLength);
}

Entries modelEntries(const std::set<std::pair<std::string, std::uint32_t>>& model) {
    return {model.begin(), model.end()};
}

TEST_P(CdxModel, BuildChangeAndWalkMatchTheModel) {
    const ModelCase& c = GetParam();
    TempFolder dir;
    std::mt19937 rng(1234);
    std::set<std::pair<std::string, std::uint32_t>> model;
    std::set<std::string> uniqueKeys;
    auto addToModel = [&](const std::string& key, std::uint32_t recno) {
        if (c.unique && !uniqueKeys.insert(key).second) return false;
        return model.emplace(key, recno).second;
    };

    auto file = CdxFile::create(dir.file("T.NTX"), {.readOnly = false, .exclusive = c.exclusive});
    auto builder = file->buildTag({.name = "t",
                                   .keyExpr = "KEY",
                                   .forExpr = "!DELETED()",
                                   .type = c.type,
                                   .keyLength = c.type == CdxKeyType::Number ? 0 : c.keyLength,
                                   .unique = c.unique});
    // Record numbers in a shuffled order, so the sort has to order ties by record number.
    std::vector<std::uint32_t> recnos(static_cast<std::size_t>(c.buildKeys));
    for (std::size_t i = 0; i < recnos.size(); ++i) recnos[i] = static_cast<std::uint32_t>(i + 1);
    std::shuffle(recnos.begin(), recnos.end(), rng);
    std::vector<std::pair<std::string, std::uint32_t>> built;
    for (auto r : recnos) built.emplace_back(randomKey(rng, c), r);
    // The model of a unique tag keeps the lowest record number of equal keys.
    auto sortedBuilt = built;
    std::sort(sortedBuilt.begin(), sortedBuilt.end());
    for (auto& [k, r] : sortedBuilt) addToModel(k, r);
    for (auto& [k, r] : built) builder.add(k, r);
    CdxTag& tag = builder.finish();
    EXPECT_EQ(tag.name(), "T");
    ASSERT_EQ(testing::listForward(tag), modelEntries(model));

    std::uint32_t nextRecno = static_cast<std::uint32_t>(c.buildKeys) + 1;
    std::vector<std::pair<std::string, std::uint32_t>> live(model.begin(), model.end());
    for (int step = 0; step < c.changes; ++step) {
        bool doInsert = live.empty() || (rng() % 100) < (step < c.changes / 2 ? 60u : 30u);
        if (doInsert) {
            std::string k = randomKey(rng, c);
            std::uint32_t r = nextRecno++;
            bool added = addToModel(k, r);
            ASSERT_EQ(tag.insert(k, r), added) << step;
            if (added) live.emplace_back(k, r);
        } else {
            std::size_t i = rng() % live.size();
            auto [k, r] = live[i];
            live[i] = live.back();
            live.pop_back();
            model.erase({k, r});
            uniqueKeys.erase(k);
            ASSERT_TRUE(tag.remove(k, r)) << step;
            ASSERT_FALSE(tag.remove(k, r)) << step;
        }
        if (step % 997 == 0) {
            ASSERT_EQ(testing::listForward(tag), modelEntries(model)) << step;
        }
    }
    Entries expected = modelEntries(model);
    ASSERT_EQ(testing::listForward(tag), expected);
    ASSERT_EQ(testing::listBackward(tag), expected);
    EXPECT_EQ(tag.keyCount(), expected.size());

    // Seeks, ranges and positions agree with the model.
    CdxCursor cur(tag);
    for (int probe = 0; probe < 200 && !expected.empty(); ++probe) {
        std::string k = randomKey(rng, c);
        std::string prefix = c.type == CdxKeyType::Character ? k.substr(0, 3) : k;
        auto it = std::lower_bound(expected.begin(), expected.end(), prefix,
                                   [](const auto& e, const std::string& p) {
                                       return e.first.compare(0, p.size(), p) < 0;
                                   });
        bool found = cur.seek(prefix);
        ASSERT_EQ(found, it != expected.end()) << probe;
        if (found) {
            EXPECT_EQ(cur.key(), it->first);
            EXPECT_EQ(cur.recno(), it->second);
            std::uint64_t pos = static_cast<std::uint64_t>(it - expected.begin()) + 1;
            EXPECT_EQ(cur.position(), pos);
            CdxCursor other(tag);
            ASSERT_TRUE(other.goToPosition(pos));
            EXPECT_EQ(other.recno(), cur.recno());
        }
        std::string low = std::min(prefix, randomKey(rng, c).substr(0, prefix.size()));
        std::string high = std::max(prefix, randomKey(rng, c).substr(0, prefix.size()));
        std::uint64_t inRange = 0;
        for (auto& e : expected)
            if (e.first.compare(0, low.size(), low) >= 0 &&
                e.first.compare(0, high.size(), high) <= 0)
                ++inRange;
        EXPECT_EQ(tag.keyCount(low, high), inRange) << probe;
        EXPECT_EQ(tag.keyCount(high + "\xFF", low), 0u);
        CdxCursor inside(tag);
        if (inRange > 0) {
            ASSERT_TRUE(inside.goToPosition(inRange, low, high));
            EXPECT_EQ(inside.position(low, high), inRange);
            EXPECT_FALSE(CdxCursor(tag).goToPosition(inRange + 1, low, high));
        }
    }

    // What was written reads back the same from a fresh open.
    file.reset();
    auto again = CdxFile::open(dir.file("T.NTX"));
    CdxTag* reread = again->tag("T");
    ASSERT_NE(reread, nullptr);
    reread->setKeyType(c.type);
    EXPECT_EQ(reread->keyExpr(), "KEY");
    EXPECT_EQ(reread->forExpr(), "!DELETED()");
    EXPECT_EQ(reread->unique(), c.unique);
    EXPECT_EQ(testing::listForward(*reread), expected);

    // Removing everything leaves an empty tag that takes keys again.
    for (auto& [k, r] : expected) ASSERT_TRUE(reread->remove(k, r));
    EXPECT_EQ(reread->keyCount(), 0u);
    EXPECT_FALSE(CdxCursor(*reread).first());
    EXPECT_FALSE(CdxCursor(*reread).last());
    ASSERT_TRUE(reread->insert(randomKey(rng, c), 7));
    EXPECT_EQ(reread->keyCount(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Tags, CdxModel,
    ::testing::Values(ModelCase{"text", CdxKeyType::Character, 20, 5000, 6000, 3000, false},
                      ModelCase{"duplicates", CdxKeyType::Character, 12, 4000, 5000, 40, false},
                      ModelCase{"long", CdxKeyType::Character, 240, 1500, 2500, 1000, false},
                      ModelCase{"number", CdxKeyType::Number, 8, 5000, 5000, 100000, false},
                      ModelCase{"unique", CdxKeyType::Character, 10, 4000, 4000, 2500, true},
                      ModelCase{"empty", CdxKeyType::Character, 10, 0, 3000, 500, false},
                      ModelCase{"exclusive", CdxKeyType::Character, 16, 20000, 8000, 9000, false,
                                true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velt::engine

namespace velt::engine {
namespace {

// Leaves thinned out by removals merge with their neighbours; the pages they give up are taken
// again by later inserts instead of growing the file.
TEST(CdxMerge, ThinnedLeavesMergeAndTheirPagesAreReused) {
    TempFolder dir;
    std::string path = dir.file("M.NTX");
    auto file = CdxFile::create(path);
    auto b = file->buildTag({.name = "M",
                             .keyExpr = "K",
                             .forExpr = "",
                             .type = CdxKeyType::Character,
                             .keyLength = 12,
                             .unique = false,
                             .descending = false});
    auto key = [](const char* prefix, std::uint32_t i) {
        return CdxKeys::character(prefix + std::to_string(100000 + i * 7), 12);
    };
    for (std::uint32_t i = 0; i < 20000; ++i) b.add(key("A", i), i + 1);
    CdxTag& tag = b.finish();
    auto sizeAfterBuild = std::filesystem::file_size(path);
    for (std::uint32_t i = 0; i < 20000; ++i) {
        if (i % 10 != 0) {
            ASSERT_TRUE(tag.remove(key("A", i), i + 1));
        }
    }
    EXPECT_EQ(tag.keyCount(), 2000u);
    for (std::uint32_t i = 0; i < 12000; ++i) ASSERT_TRUE(tag.insert(key("B", i), 30000 + i));
    EXPECT_EQ(std::filesystem::file_size(path), sizeAfterBuild);
    auto list = testing::listForward(tag);
    ASSERT_EQ(list.size(), 14000u);
    EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
    EXPECT_EQ(list.front().first, key("A", 0));
    EXPECT_EQ(list.back().first, key("B", 11999));
}

}  // namespace
}  // namespace velt::engine
