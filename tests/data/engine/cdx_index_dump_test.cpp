// Files we write, read back by an independent reader: Debian's index_dump (libdbd-xbase-perl)
// must list the same keys and record numbers in the same order. Skipped where it is missing.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <sstream>

#include "data/engine/cdx_test_support.h"

namespace velt::engine {
namespace {

using testing::TempFolder;

constexpr const char* kIndexDump = "/usr/bin/index_dump";

std::vector<std::string> runLines(const std::string& command) {
    std::vector<std::string> lines;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return lines;
    std::string line;
    char buf[4096];
    while (fgets(buf, sizeof buf, p)) {
        line += buf;
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
            lines.push_back(line);
            line.clear();
        }
    }
    pclose(p);
    return lines;
}

struct DumpCase {
    const char* name;
    CdxKeyType type;
    int keyLength;
    int keys;
    int changes;
};

class CdxIndexDump : public ::testing::TestWithParam<DumpCase> {};

std::string trimRight(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

TEST_P(CdxIndexDump, IndependentReaderListsTheSameEntries) {
    if (!std::filesystem::exists(kIndexDump)) GTEST_SKIP() << "index_dump is not installed";
    const DumpCase& c = GetParam();
    TempFolder dir;
    std::mt19937 rng(99);
    auto key = [&](std::uint32_t i) {
        if (c.type == CdxKeyType::Number)
            return CdxKeys::number(static_cast<double>(static_cast<int>(rng() % 20000) - 10000) /
                                   4);
        if (c.type == CdxKeyType::Date)
            return CdxKeys::date(Date::fromYmd(1990, 1, 1) + static_cast<int>(rng() % 12000));
        std::string text =
            "CLIENTE " + std::to_string(rng() % (c.keys / 3 + 1)) + " " + std::to_string(i % 13);
        if (c.keyLength > 100) text = std::string(rng() % 200, 'Z') + text;
        return CdxKeys::character(text, c.keyLength);
    };
    {
        auto file = CdxFile::create(dir.file("PROVA.NTX"));
        auto b = file->buildTag({.name = "PROVA",
                                 .keyExpr = "KEYFIELD",
                                 .forExpr = "!DELETED()",
                                 .type = c.type,
                                 .keyLength = c.keyLength});
        std::vector<std::pair<std::string, std::uint32_t>> live;
        for (int i = 1; i <= c.keys; ++i) {
            live.emplace_back(key(static_cast<std::uint32_t>(i)), i);
            b.add(live.back().first, live.back().second);
        }
        CdxTag& tag = b.finish();
        for (int i = 0; i < c.changes; ++i) {
            if (i % 3 == 2 && !live.empty()) {
                std::size_t at = rng() % live.size();
                ASSERT_TRUE(tag.remove(live[at].first, live[at].second));
                live[at] = live.back();
                live.pop_back();
            } else {
                auto r = static_cast<std::uint32_t>(c.keys + 1 + i);
                live.emplace_back(key(r), r);
                ASSERT_TRUE(tag.insert(live.back().first, r));
            }
        }
    }
    std::filesystem::copy_file(dir.file("PROVA.NTX"), dir.file("prova.cdx"));
    auto file = CdxFile::open(dir.file("PROVA.NTX"), {.readOnly = true});
    CdxTag& tag = *file->tag("PROVA");
    tag.setKeyType(c.type);
    auto ours = testing::listForward(tag);
    bool numeric = c.type != CdxKeyType::Character;
    auto lines = runLines(std::string(kIndexDump) + (numeric ? " --type=num " : " --type=char ") +
                          dir.file("prova.cdx") + " PROVA 2>&1");
    ASSERT_EQ(lines.size(), ours.size()) << (lines.empty() ? "" : lines[0]);
    for (std::size_t i = 0; i < ours.size(); ++i) {
        auto blank = lines[i].rfind(' ');
        ASSERT_NE(blank, std::string::npos) << lines[i];
        std::string theirKey = lines[i].substr(0, blank);
        std::uint32_t theirRecno =
            static_cast<std::uint32_t>(std::stoul(lines[i].substr(blank + 1)));
        EXPECT_EQ(theirRecno, ours[i].second) << i << ": " << lines[i];
        if (numeric)
            EXPECT_DOUBLE_EQ(std::stod(theirKey), CdxKeys::decodeNumber(ours[i].first)) << i;
        else
            EXPECT_EQ(trimRight(theirKey), trimRight(ours[i].first)) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, CdxIndexDump,
                         ::testing::Values(DumpCase{"one_leaf", CdxKeyType::Character, 30, 20, 0},
                                           DumpCase{"text", CdxKeyType::Character, 40, 6000, 3000},
                                           DumpCase{"long", CdxKeyType::Character, 240, 800, 400},
                                           DumpCase{"number", CdxKeyType::Number, 8, 5000, 2000},
                                           DumpCase{"date", CdxKeyType::Date, 8, 3000, 500}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velt::engine
