#include "data/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "data/temp_folder.h"
#include "util/date.h"
#include "util/prompt.h"

using namespace velt;
using velt::test::readFile;
using velt::test::TempFolder;
using velt::test::writeFile;
namespace fs = std::filesystem;

TEST(FileNames, ExtensionAndBaseName) {
    struct Case {
        const char* text;
        const char* ext;
        const char* noExt;
    } cases[] = {
        {"C:\\ARCHIVI.OLD\\COPIA", "OLD\\COPIA", "COPIA"},
        {"COPIA", "", "COPIA"},
        {"  PRESTAZI.DBF  ", "DBF", "PRESTAZI"},
        {"C:\\DATI\\VELT.EXE", "EXE", "VELT"},
        {"A.B.C", "C", "A.B"},
        {"/home/salone.1/backup", "1/backup", "backup"},
        {"/home/salone/Copia.zip", "zip", "Copia"},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CFILEEXT(c.text), c.ext) << c.text;
        EXPECT_EQ(CFILENOEXT(c.text), c.noExt) << c.text;
    }
}

TEST(FileNames, UsableAsFileName) {
    struct Case {
        const char* name;
        bool ok;
    } cases[] = {
        {"MARIO ROSSI", true}, {"lpt1", false}, {"A:B", false}, {"   ", false},  {"", false},
        {" con ", false},      {"COM4", false}, {"COM5", true}, {"a\"b", false}, {"a*b", false},
        {"a/b", false},        {"a<b", false},  {"a>b", false}, {"a?b", false},  {"a\\b", false},
        {"a|b", false},        {"NULLA", true}, {"aux", false}, {"prn", false},  {"Citt\xE0", true},
    };
    for (const auto& c : cases) EXPECT_EQ(LFNFNAME(c.name), c.ok) << "[" << c.name << "]";
}

TEST(FileNames, NewUniqueNames) {
    std::string a = GETNEWFNAME();
    std::string b = GETNEWFNAME();
    EXPECT_NE(a, b);
    for (const auto& name : {a, b}) {
        ASSERT_GE(name.size(), 10u);
        EXPECT_EQ(name[0], '\x7F');
        std::string digits = name.substr(9);
        EXPECT_LE(digits.size(), 7u);
        EXPECT_EQ(digits.find_first_not_of("0123456789"), std::string::npos) << name;
        EXPECT_TRUE(digits == "0" || digits[0] != '0') << name;
    }
    // Both names carry today's date (unless the test ran across midnight).
    std::string today = Date::today().dtos();
    EXPECT_TRUE(a.substr(1, 8) == today || b.substr(1, 8) == today);
}

TEST(Folder, WildcardListing) {
    TempFolder dir;
    for (const char* name : {"PRESTAZI.DBT", "PRESTAZI.DBF", ".NASCOSTO.DBF", "CLIENTI.NTX",
                             "clienti.dbf", "VELT.CFG", "NET", "SOLA.DBF"})
        writeFile(dir / name, "x");
    ::chmod((dir / "SOLA.DBF").c_str(), 0444);
    fs::create_directory(dir / "CARTELLA.DBF");

    EXPECT_EQ(WILDEXP({"*.DB?"}),
              (std::vector<std::string>{".NASCOSTO.DBF", "clienti.dbf", "PRESTAZI.DBF",
                                        "PRESTAZI.DBT", "SOLA.DBF"}));
    // Masks are listed in turn; a folder part is searched but not returned.
    EXPECT_EQ(WILDEXP({"*.NTX", dir.path() + "/*.cfg"}),
              (std::vector<std::string>{"CLIENTI.NTX", "VELT.CFG"}));
    EXPECT_TRUE(WILDEXP({"*.XYZ", dir.path() + "/missing/*"}).empty());
}

TEST(Folder, CopyReplacesAndMoveRefuses) {
    TempFolder dir;
    writeFile(dir / "A", "primo");
    writeFile(dir / "B", "secondo");

    EXPECT_TRUE(COPYFILE("A", "B"));
    EXPECT_EQ(readFile(dir / "B"), "primo");
    EXPECT_TRUE(COPYFILE("A", "C"));
    EXPECT_EQ(readFile(dir / "C"), "primo");

    // A file copied onto itself stays whole.
    EXPECT_FALSE(COPYFILE("A", dir / "A"));
    EXPECT_EQ(readFile(dir / "A"), "primo");
    EXPECT_FALSE(COPYFILE("MANCA", "D"));
    EXPECT_FALSE(fs::exists(dir / "D"));

    // A read-only target is not replaced.
    writeFile(dir / "RO", "protetto");
    ::chmod((dir / "RO").c_str(), 0444);
    EXPECT_FALSE(COPYFILE("A", "RO"));
    EXPECT_EQ(readFile(dir / "RO"), "protetto");

    writeFile(dir / "B", "secondo");
    EXPECT_FALSE(MOVEFILE("A", "B"));
    EXPECT_EQ(readFile(dir / "A"), "primo");
    EXPECT_EQ(readFile(dir / "B"), "secondo");
    EXPECT_TRUE(MOVEFILE("A", "E"));
    EXPECT_FALSE(fs::exists(dir / "A"));
    EXPECT_EQ(readFile(dir / "E"), "primo");
    EXPECT_FALSE(MOVEFILE("A", "F"));
}

TEST(Folder, MoveAcrossFileSystems) {
    TempFolder dir;
    struct stat here, shm;
    if (::stat(".", &here) != 0 || ::stat("/dev/shm", &shm) != 0 || here.st_dev == shm.st_dev)
        GTEST_SKIP() << "no second file system";
    std::string other = "/dev/shm/velt-move-" + std::to_string(::getpid());
    writeFile(dir / "A", "dati");
    ASSERT_TRUE(MOVEFILE("A", other));
    EXPECT_FALSE(fs::exists(dir / "A"));
    EXPECT_EQ(readFile(other), "dati");
    writeFile(dir / "B", "altro");
    EXPECT_FALSE(MOVEFILE("B", other));
    EXPECT_EQ(readFile(other), "dati");
    fs::remove(other);
}

TEST(Folder, CreateRemoveAndFreeSpace) {
    TempFolder dir;
    EXPECT_TRUE(CREATEDIR("SUB"));
    EXPECT_FALSE(CREATEDIR("SUB"));
    writeFile(dir / "SUB/F", "x");
    EXPECT_FALSE(REMOVEDIR("SUB"));
    fs::remove(dir / "SUB/F");
    EXPECT_TRUE(REMOVEDIR("SUB"));
    EXPECT_FALSE(fs::exists(dir / "SUB"));

    EXPECT_GT(DISKFREESPACE(dir.path()), 0);
    EXPECT_GT(DISKFREESPACE(""), 0);
    EXPECT_LT(DISKFREESPACE(dir / "missing"), 0);
}

TEST(Folder, AttributeBits) {
    TempFolder dir;
    writeFile(dir / "F", "x");
    writeFile(dir / ".H", "x");
    fs::create_directory(dir / "D");

    EXPECT_EQ(GETFILEATTRIBUTES("F"), attr::kArchive);
    EXPECT_EQ(GETFILEATTRIBUTES(".H"), attr::kArchive | attr::kHidden);
    EXPECT_EQ(GETFILEATTRIBUTES("D"), attr::kDirectory);
    EXPECT_EQ(GETFILEATTRIBUTES("missing"), attr::kInvalid);

    EXPECT_TRUE(SETFILEATTRIBUTES("F", attr::kReadOnly | attr::kArchive));
    EXPECT_EQ(GETFILEATTRIBUTES("F"), attr::kReadOnly | attr::kArchive);
    struct stat st;
    ::stat((dir / "F").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0222, 0u);
    CLEARREADONLY("F");
    EXPECT_EQ(GETFILEATTRIBUTES("F"), attr::kArchive);
    ::stat((dir / "F").c_str(), &st);
    EXPECT_NE(st.st_mode & S_IWUSR, 0u);
    EXPECT_FALSE(SETFILEATTRIBUTES("missing", 0));
}

TEST(Folder, DelDirEmptiesButKeepsFolders) {
    TempFolder dir;
    fs::create_directories(dir / "T/SUB");
    writeFile(dir / "T/A", "x");
    writeFile(dir / "T/.B", "x");
    writeFile(dir / "T/C", "x");
    ::chmod((dir / "T/C").c_str(), 0444);
    writeFile(dir / "T/SUB/D", "x");
    DELDIR("T");
    EXPECT_TRUE(fs::exists(dir / "T/SUB/D"));
    EXPECT_FALSE(fs::exists(dir / "T/A"));
    EXPECT_FALSE(fs::exists(dir / "T/.B"));
    EXPECT_FALSE(fs::exists(dir / "T/C"));
}

TEST(Folder, DeleteDirTree) {
    TempFolder dir;
    ScriptedPrompt p;
    ScopedPrompt use(p);
    fs::create_directories(dir / "T/SUB/DEEP");
    writeFile(dir / "T/A", "x");
    writeFile(dir / "T/.H", "x");
    writeFile(dir / "T/SUB/B", "x");
    writeFile(dir / "T/SUB/DEEP/C", "x");
    ::chmod((dir / "T/SUB/DEEP/C").c_str(), 0444);
    ::chmod((dir / "T/SUB/DEEP").c_str(), 0555);

    EXPECT_TRUE(DELETEDIR("T", false));
    EXPECT_TRUE(fs::exists(dir / "T"));
    EXPECT_TRUE(fs::is_empty(dir / "T"));
    EXPECT_TRUE(DELETEDIR("T"));
    EXPECT_FALSE(fs::exists(dir / "T"));
    EXPECT_TRUE(p.messages().empty());
    EXPECT_GT(p.eventsProcessed, 0);

    EXPECT_FALSE(DELETEDIR("MANCA"));
    EXPECT_EQ(p.messages(), std::vector<std::string>{"Impossibile cancellare la cartella MANCA."});
}
