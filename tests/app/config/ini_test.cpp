#include "app/config/ini.h"

#include <filesystem>

#include "app/config/config_test_support.h"

namespace velt {
namespace {

using Ini = testing::InTempFolder;

const std::string kFile = "VELT.CFG";

TEST_F(Ini, FirstWriteCreatesFileAndSection) {
    ASSERT_TRUE(WRITEPPROSTRING("Vars", "CFG_PREZZO", "N0", kFile));
    EXPECT_EQ(readFile(kFile), "[Vars]\r\nCFG_PREZZO=N0\r\n");
    EXPECT_EQ(listing(), std::vector<std::string>{kFile});  // no temporary file left behind
}

TEST_F(Ini, ReplacementInPlaceKeepsEveryOtherLine) {
    const std::string before =
        "; written by hand\r\n"
        "[Altro]\r\n"
        "CFG_PREZZO=N9\r\n"
        "\r\n"
        "[Vars]\r\n"
        "NOTE=Cfree text\r\n"
        "cfg_prezzo = N1.50\r\n"
        "CFG_SCONTO=N10\r\n"
        "\r\n"
        "[Fine]\r\n"
        "X=1\r\n";
    writeFile(kFile, before);
    ASSERT_TRUE(WRITEPPROSTRING("VARS", "CFG_PREZZO", "N2.50", kFile));
    std::string expected = before;
    expected.replace(expected.find("cfg_prezzo = N1.50"), 18, "cfg_prezzo=N2.50");
    EXPECT_EQ(readFile(kFile), expected);
    EXPECT_EQ(GETPVPROFSTRING("Vars", "Cfg_Prezzo", "", kFile), "N2.50");
    EXPECT_EQ(GETPVPROFSTRING("Altro", "CFG_PREZZO", "", kFile), "N9");
}

TEST_F(Ini, NewKeyGoesAtTheEndOfItsSection) {
    writeFile(kFile, "[Vars]\r\nA=1\r\nB=2\r\n\r\n[Altro]\r\nC=3\r\n");
    ASSERT_TRUE(WRITEPPROSTRING("Vars", "D", "4", kFile));
    EXPECT_EQ(readFile(kFile), "[Vars]\r\nA=1\r\nB=2\r\nD=4\r\n\r\n[Altro]\r\nC=3\r\n");
    ASSERT_TRUE(WRITEPPROSTRING("Altro", "E", "5", kFile));
    EXPECT_EQ(readFile(kFile), "[Vars]\r\nA=1\r\nB=2\r\nD=4\r\n\r\n[Altro]\r\nC=3\r\nE=5\r\n");
    ASSERT_TRUE(WRITEPPROSTRING("Nuova", "F", "6", kFile));
    EXPECT_EQ(readFile(kFile),
              "[Vars]\r\nA=1\r\nB=2\r\nD=4\r\n\r\n[Altro]\r\nC=3\r\nE=5\r\n\r\n[Nuova]\r\nF=6\r\n");
}

TEST_F(Ini, EmptySectionGetsItsFirstKeyUnderTheHeader) {
    writeFile(kFile, "[Vars]\r\n[Altro]\r\nC=3\r\n");
    ASSERT_TRUE(WRITEPPROSTRING("Vars", "A", "1", kFile));
    EXPECT_EQ(readFile(kFile), "[Vars]\r\nA=1\r\n[Altro]\r\nC=3\r\n");
}

TEST_F(Ini, LineFeedOnlyFileIsReadAndRewrittenWithCrLf) {
    writeFile(kFile, "[Vars]\nA=1\nB=2");
    EXPECT_EQ(GETPVPROFSTRING("Vars", "B", "", kFile), "2");
    ASSERT_TRUE(WRITEPPROSTRING("Vars", "A", "9", kFile));
    EXPECT_EQ(readFile(kFile), "[Vars]\r\nA=9\r\nB=2\r\n");
}

TEST_F(Ini, KeyNamesInFileOrder) {
    writeFile(kFile,
              "[Vars]\r\n"
              "CFG_B   =NB\r\n"
              "; CFG_COMMENT=N1\r\n"
              "a line without an equals sign\r\n"
              "cfg_a=NA\r\n"
              "\r\n"
              "[Altro]\r\n"
              "CFG_C=NC\r\n");
    EXPECT_EQ(GETPVPROFSECTION("Vars", kFile), (std::vector<std::string>{"CFG_B", "cfg_a"}));
    EXPECT_EQ(GETPVPROFSECTION("vars", kFile), (std::vector<std::string>{"CFG_B", "cfg_a"}));
    EXPECT_EQ(GETPVPROFSTRING("Vars", std::nullopt, "", kFile), std::string("CFG_B\0cfg_a\0", 12));
    EXPECT_TRUE(GETPVPROFSECTION("Manca", kFile).empty());
    EXPECT_TRUE(GETPVPROFSECTION("Vars", "MANCA.CFG").empty());
}

TEST_F(Ini, DefaultWhenAbsent) {
    writeFile(kFile, "[Vars]\r\nA=1\r\nVUOTA=\r\n");
    EXPECT_EQ(GETPVPROFSTRING("Vars", "B", "def", kFile), "def");
    EXPECT_EQ(GETPVPROFSTRING("Altro", "A", "def", kFile), "def");
    EXPECT_EQ(GETPVPROFSTRING("Vars", "A", "def", "MANCA.CFG"), "def");
    EXPECT_EQ(GETPVPROFSTRING("Vars", "VUOTA", "def", kFile), "");
}

TEST_F(Ini, BufferLimits) {
    writeFile(kFile, "[Vars]\r\nLUNGO=" + std::string(20000, 'x') + "\r\n");
    EXPECT_EQ(GETPVPROFSTRING("Vars", "LUNGO", "", kFile).size(), kProfileBufferSize - 1);

    // 2000 names of 9 characters: 20000 bytes with their NULs, more than one buffer holds.
    std::string many = "[Vars]\r\n";
    for (int i = 0; i < 2000; ++i) many += "CFG_" + std::to_string(10000 + i) + "=N1\r\n";
    writeFile(kFile, many);
    std::string names = GETPVPROFSTRING("Vars", std::nullopt, "", kFile);
    EXPECT_EQ(names.size(), kProfileBufferSize - 1);
    EXPECT_EQ(names.back(), '\0');
    auto keys = GETPVPROFSECTION("Vars", kFile);
    ASSERT_EQ(keys.size(), 1639u);  // 1638 whole names and the cut one
    EXPECT_EQ(keys.front(), "CFG_10000");
    EXPECT_EQ(keys[1637], "CFG_11637");
    EXPECT_EQ(keys.back(), "CF");
}

TEST_F(Ini, RefusedWritesLeaveTheFileAsItWas) {
    const std::string before = "[Vars]\r\nA=1\r\n";
    writeFile(kFile, before);
    EXPECT_FALSE(WRITEPPROSTRING("Vars", "A", "2\r\n[Altro]", kFile));
    EXPECT_FALSE(WRITEPPROSTRING("Vars", "B=C", "2", kFile));
    EXPECT_FALSE(WRITEPPROSTRING("Vars", "", "2", kFile));
    EXPECT_FALSE(WRITEPPROSTRING("Va]rs", "B", "2", kFile));
    EXPECT_FALSE(WRITEPPROSTRING("Vars", "B", "2", ""));
    EXPECT_EQ(readFile(kFile), before);
    EXPECT_FALSE(WRITEPPROSTRING("Vars", "B", "2", "manca/VELT.CFG"));
    EXPECT_FALSE(std::filesystem::exists("manca"));
}

TEST_F(Ini, FailedReplaceLeavesNoTemporaryFile) {
    // A folder where the file should be: it cannot be read, and the write must not touch it.
    std::filesystem::create_directory(kFile);
    writeFile(kFile + "/inside", "x");
    EXPECT_FALSE(WRITEPPROSTRING("Vars", "A", "1", kFile));
    EXPECT_EQ(listing(), std::vector<std::string>{kFile});
    EXPECT_EQ(readFile(kFile + "/inside"), "x");
}

TEST_F(Ini, RewriteKeepsThePermissionsOfTheFile) {
    namespace fs = std::filesystem;
    writeFile(kFile, "[Vars]\r\nA=1\r\n");
    fs::permissions(kFile, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(WRITEPPROSTRING("Vars", "A", "2", kFile));
    EXPECT_EQ(fs::status(kFile).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(Ini, FullName) {
    std::string here = std::filesystem::current_path().string();
    EXPECT_EQ(FULLNAME("VELT.CFG"), here + "/VELT.CFG");
    EXPECT_EQ(FULLNAME("sub/../VELT.CFG"), here + "/VELT.CFG");
    EXPECT_EQ(FULLNAME("/etc/velt/VELT.CFG"), "/etc/velt/VELT.CFG");
    EXPECT_EQ(FULLNAME("/" + std::string(259, 'a')).size(), 260u);
    EXPECT_EQ(FULLNAME("/" + std::string(260, 'a')), "");
    EXPECT_EQ(FULLNAME(""), "");
}

}  // namespace
}  // namespace velt
