#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "data/data_fixture.h"
#include "data/temp_folder.h"
#include "data/upgrade.h"

using namespace velt;
using namespace velt::test;
namespace fs = std::filesystem;

#ifdef VELTDB_PROGRAM

namespace {

struct Result {
    int code;
    std::string out;
};

// Runs veltdb with the arguments; standard output and error together.
Result veltdb(const std::string& args) {
    std::string command = std::string("'") + VELTDB_PROGRAM + "' " + args + " 2>&1";
    Result run{-1, {}};
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, n);
    int status = ::pclose(pipe);
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

struct FolderCommandsTest : ::testing::Test {
    TempFolder dir;
    ScriptedPrompt p;
    ScopedPrompt use{p};
    TestFailureHandler handler;
    CloseAllAtEnd closeAll;
};

}  // namespace

TEST_F(FolderCommandsTest, CheckAndMaintain) {
    ASSERT_TRUE(AGGIORNADATABASE());
    makeCatalogueTable("CLIENTI", {{{"CLIENTE", Value("Rossi")}}, {{"CLIENTE", Value("Neri")}}});
    ASSERT_TRUE(AGGIORNADATABASE(true));
    CLOSEALL();
    Result sound = veltdb("check '" + dir.path() + "'");
    EXPECT_EQ(sound.code, 0);
    EXPECT_EQ(sound.out, "");

    fs::remove(dir / "CLIENTI2.NTX");
    fs::remove(dir / "TIPIABB.DBF");
    Result broken = veltdb("check '" + dir.path() + "'");
    EXPECT_EQ(broken.code, 1);
    EXPECT_EQ(broken.out, "CLIENTI2.NTX: manca\nTIPIABB.DBF: manca\n");

    Result maintain = veltdb("maintain '" + dir.path() + "'");
    EXPECT_EQ(maintain.code, 1);
    EXPECT_EQ(maintain.out,
              "Ricostruzione degli indici in corso.\nImpossibile aprire il file TIPIABB.DBF.\n");
    makeCatalogueTable("TIPIABB", {});
    CLOSEALL();
    maintain = veltdb("maintain '" + dir.path() + "'");
    EXPECT_EQ(maintain.code, 0);
    EXPECT_EQ(maintain.out, "Ricostruzione degli indici in corso.\n");
    EXPECT_EQ(veltdb("check '" + dir.path() + "'").code, 0);

    Result missing = veltdb("check '" + dir.path() + "/manca'");
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.out.find("non esiste"), std::string::npos);
}

#endif
