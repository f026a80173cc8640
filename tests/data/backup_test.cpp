#include "data/backup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unzip.h>
#include <zip.h>

#include <cstdlib>
#include <filesystem>

#include "data/data_fixture.h"
#include "data/engine/work_areas.h"
#include "data/temp_folder.h"
#include "data/upgrade.h"

using namespace velt;
using namespace velt::test;
using engine::WorkArea;
namespace fs = std::filesystem;

namespace {

struct BackupTest : ::testing::Test {
    TempFolder dir;
    ScriptedPrompt p;
    ScopedPrompt use{p};
    TestFailureHandler handler;
    CloseAllAtEnd closeAll;
};

std::vector<std::string> entryNames(const std::string& archive) {
    std::vector<std::string> out;
    unzFile uf = unzOpen64(archive.c_str());
    if (!uf) return out;
    for (int rc = unzGoToFirstFile(uf); rc == UNZ_OK; rc = unzGoToNextFile(uf)) {
        char name[512];
        unzGetCurrentFileInfo64(uf, nullptr, name, sizeof name, nullptr, 0, nullptr, 0);
        out.push_back(name);
    }
    unzClose(uf);
    return out;
}

std::string entryContent(const std::string& archive, const std::string& entry) {
    std::string out;
    unzFile uf = unzOpen64(archive.c_str());
    if (!uf || unzLocateFile(uf, entry.c_str(), 1) != UNZ_OK) return out;
    unzOpenCurrentFile(uf);
    char buffer[4096];
    for (int n; (n = unzReadCurrentFile(uf, buffer, sizeof buffer)) > 0;) out.append(buffer, n);
    unzCloseCurrentFile(uf);
    unzClose(uf);
    return out;
}

std::vector<std::string> fileDialogs(const ScriptedPrompt& p) {
    std::vector<std::string> out;
    for (const auto& s : p.shown)
        if (s.what == "file") out.push_back(s.caption + "|" + s.text);
    return out;
}

}  // namespace

TEST(BackupName, DefaultArchiveName) {
    EXPECT_EQ(defaultArchiveName("C:\\VELT\\VELT.EXE", Date::fromYmd(2026, 12, 9)),
              "Salvataggio archivi VELT del 09122026.zip");
    EXPECT_EQ(defaultArchiveName("/opt/velt/bin/velt", Date::fromYmd(2027, 1, 2)),
              "Salvataggio archivi velt del 02012027.zip");
}

TEST_F(BackupTest, FreshDataFolderGivesTenEntries) {
    ASSERT_TRUE(AGGIORNADATABASE());
    writeFile(dir / "VELT.CFG", "[Vars]\r\n");
    writeFile(dir / "NET", "x");
    p.waitTexts.clear();
    p.files.push_back(dir / "copia.zip");
    ASSERT_TRUE(SALVA());
    auto names = entryNames(dir / "copia.zip");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names,
              (std::vector<std::string>{"ABBONAM.DBF", "ABBONAM.DBT", "CLIENTI.DBF", "CLIENTI.DBT",
                                        "MACCHINE.DBF", "MACCHINE.DBT", "PRESTAZI.DBF",
                                        "PRESTAZI.DBT", "TIPIABB.DBF", "TIPIPRE.DBF"}));
    EXPECT_EQ(entryContent(dir / "copia.zip", "CLIENTI.DBF"), readFile(dir / "CLIENTI.DBF"));
    EXPECT_EQ(p.waitTexts, std::vector<std::string>{"Compressione in corso..."});
    EXPECT_EQ(p.messages(), std::vector<std::string>{"Salvataggio completato."});
    ASSERT_EQ(fileDialogs(p).size(), 1u);
    EXPECT_EQ(fileDialogs(p)[0], "Salvataggio dati|" + dir.path() + "/" +
                                     defaultArchiveName(runningProgramPath(), Date::today()));
    EXPECT_TRUE(engine::WorkAreas::openAreas().empty());
    if (std::system("command -v unzip >/dev/null 2>&1") == 0) {
        EXPECT_EQ(std::system(("unzip -tq '" + dir / "copia.zip" + "' >/dev/null").c_str()), 0);
    }
}

TEST_F(BackupTest, ArchiveNameExtension) {
    ASSERT_TRUE(AGGIORNADATABASE());
    fs::create_directory(dir / "dischi.old");
    struct Case {
        std::string typed;
        std::string written;
    } cases[] = {
        {dir / "copia", dir / "copia.zip"},
        {dir / "copia.bak", dir / "copia.bak"},
        {dir / "dischi.old/copia", dir / "dischi.old/copia"},
    };
    for (const auto& c : cases) {
        p.files.push_back(c.typed);
        EXPECT_TRUE(SALVA()) << c.typed;
        EXPECT_EQ(entryNames(c.written).size(), 10u) << c.typed;
    }
}

TEST_F(BackupTest, CancelledSaveShowsNothing) {
    ASSERT_TRUE(AGGIORNADATABASE());
    p.waitTexts.clear();
    EXPECT_FALSE(SALVA());
    EXPECT_TRUE(p.messages().empty());
    EXPECT_TRUE(p.waitTexts.empty());
}

TEST_F(BackupTest, ExtraFilesAreSavedToo) {
    ASSERT_TRUE(AGGIORNADATABASE());
    writeFile(dir / "VELT.CFG", "[Vars]\r\n");
    p.files.push_back(dir / "copia.zip");
    ASSERT_TRUE(SALVA({"VELT.CFG"}));
    EXPECT_EQ(entryNames(dir / "copia.zip").back(), "VELT.CFG");
}

TEST_F(BackupTest, SavingWaitsForAWriterToFinish) {
    ASSERT_TRUE(AGGIORNADATABASE());
    makeCatalogueTable("TIPIPRE", {{{"TIPO", Value("Viso")}}});
    // Another station locks TIPIPRE, changes a row and writes it only when told.
    Station other([](int up, int down) {
        TestFailureHandler quiet;
        DBOPEN(true, "TIPIPRE");
        DBLOCK(false);
        engine::WorkAreas::current().put("TIPO", Value("Corpo"));
        Station::tell(up, 'l');
        Station::hear(down);
        engine::WorkAreas::current().flush();
        engine::WorkAreas::current().unlockAll();
        Station::hear(down);
    });
    ASSERT_EQ(other.receive(), 'l');
    struct Releasing : ScriptedPrompt {
        Station* other;
        void openWaitBox(const WaitBoxSpec& spec) override {
            ScriptedPrompt::openWaitBox(spec);
            if (spec.text == "Il sistema \xE8 momentaneamente occupato...") other->send('x');
        }
    } waiting;
    waiting.other = &other;
    waiting.files.push_back(dir / "copia.zip");
    ScopedPrompt use(waiting);
    ASSERT_TRUE(SALVA());
    EXPECT_EQ(waiting.waitTexts,
              (std::vector<std::string>{"Compressione in corso...",
                                        "Il sistema \xE8 momentaneamente occupato...",
                                        "Compressione in corso..."}));
    std::string saved = entryContent(dir / "copia.zip", "TIPIPRE.DBF");
    EXPECT_EQ(saved, readFile(dir / "TIPIPRE.DBF"));
    EXPECT_NE(saved.find("Corpo"), std::string::npos);
    other.send('e');
    EXPECT_EQ(other.finish(), 0);
}

TEST_F(BackupTest, RestoreRewritesTablesAndRebuildsIndexes) {
    ASSERT_TRUE(AGGIORNADATABASE());
    makeCatalogueTable("TIPIPRE", {{{"TIPO", Value("Viso")}}, {{"TIPO", Value("Corpo")}}});
    p.files.push_back(dir / "copia.zip");
    ASSERT_TRUE(SALVA());
    makeCatalogueTable("TIPIPRE", {{{"TIPO", Value("Altro")}}});
    fs::remove(dir / "CLIENTI.DBT");
    int rebuilt = 0;
    setUsersIndexRebuild([&] { ++rebuilt; });

    ScriptedPrompt restore;
    ScopedPrompt use(restore);
    restore.files.push_back(dir / "copia");  // ".zip" added
    ASSERT_TRUE(RICARICA());
    EXPECT_EQ(restore.messages(),
              (std::vector<std::string>{"Spegnere tutti i terminali.\r\n\r\nContinuo l'operazione?",
                                        "Ripristino completato."}));
    EXPECT_EQ(restore.waitTexts,
              (std::vector<std::string>{"Decompressione in corso...",
                                        "Ricostruzione degli indici in corso."}));
    EXPECT_EQ(fileDialogs(restore),
              std::vector<std::string>{"Ripristina dati da|" + dir.path() + "/"});
    EXPECT_TRUE(fs::exists(dir / "CLIENTI.DBT"));
    EXPECT_EQ(rebuilt, 0);  // no users table
    {
        ScopedTable t("TIPIPRE");
        ORDADD("TIPIPRE");
        EXPECT_EQ(column(t.table(), "TIPO"),
                  (std::vector<std::string>{"Corpo               ", "Viso                "}));
    }
    DBGEN("USERS", usersTable().fields);
    restore.answers.clear();
    restore.files.push_back(dir / "copia.zip");
    ASSERT_TRUE(RICARICA());
    EXPECT_EQ(rebuilt, 1);
    setUsersIndexRebuild(nullptr);
}

TEST_F(BackupTest, RestoreSkipsAReadOnlyTable) {
    ASSERT_TRUE(AGGIORNADATABASE());
    makeCatalogueTable("TIPIPRE", {{{"TIPO", Value("Viso")}}});
    makeCatalogueTable("TIPIABB", {{{"TIPO", Value("Dieci")}}});
    p.files.push_back(dir / "copia.zip");
    ASSERT_TRUE(SALVA());
    makeCatalogueTable("TIPIPRE", {});
    makeCatalogueTable("TIPIABB", {});
    ::chmod((dir / "TIPIPRE.DBF").c_str(), 0444);
    std::string readOnly = readFile(dir / "TIPIPRE.DBF");

    p.files.push_back(dir / "copia.zip");
    p.shown.clear();
    ASSERT_TRUE(RICARICA());
    EXPECT_EQ(readFile(dir / "TIPIPRE.DBF"), readOnly);
    ScopedTable t("TIPIABB");
    EXPECT_EQ(t.table().rowCount(), 1u);
    EXPECT_EQ(p.messages().back(), "Ripristino completato.");
}

TEST_F(BackupTest, RestoreOfAHostileArchiveStaysInTheDataFolder) {
    fs::create_directory(dir / "dati");
    fs::current_path(dir / "dati");
    ASSERT_TRUE(AGGIORNADATABASE());
    zipFile zf = zipOpen64((dir / "ostile.zip").c_str(), APPEND_STATUS_CREATE);
    const std::pair<std::string, std::string> entries[] = {
        {"../TIPIPRE.DBF", "TIPIPRE.DBF"},      {dir / "TIPIABB.DBF", "TIPIABB.DBF"},
        {"x\\y\\MACCHINE.DBF", "MACCHINE.DBF"}, {"sotto/", ""},
        {"sotto/CLIENTI.DBF", "CLIENTI.DBF"},
    };
    for (const auto& [name, source] : entries) {
        std::string content = source.empty() ? std::string() : readFile(dir / ("dati/" + source));
        zip_fileinfo info{};
        zipOpenNewFileInZip(zf, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                            Z_DEFAULT_COMPRESSION);
        zipWriteInFileInZip(zf, content.data(), static_cast<unsigned>(content.size()));
        zipCloseFileInZip(zf);
    }
    zipClose(zf, nullptr);
    for (const char* name : {"TIPIPRE.DBF", "TIPIABB.DBF", "MACCHINE.DBF", "CLIENTI.DBF"})
        fs::remove(dir / ("dati/" + std::string(name)));

    p.files.push_back(dir / "ostile.zip");
    ASSERT_TRUE(RICARICA());
    std::vector<std::string> outside;
    for (const auto& e : fs::directory_iterator(dir.path())) outside.push_back(e.path().filename());
    std::sort(outside.begin(), outside.end());
    EXPECT_EQ(outside, (std::vector<std::string>{"dati", "ostile.zip"}));
    EXPECT_FALSE(fs::exists(dir / "dati/sotto"));
    EXPECT_FALSE(fs::exists(dir / "dati/x"));
    for (const char* name : {"TIPIPRE.DBF", "TIPIABB.DBF", "MACCHINE.DBF", "CLIENTI.DBF"})
        EXPECT_TRUE(fs::exists(dir / ("dati/" + std::string(name)))) << name;
    EXPECT_EQ(p.messages().back(), "Ripristino completato.");
}

TEST_F(BackupTest, RestoreCancelled) {
    ASSERT_TRUE(AGGIORNADATABASE());
    p.answers.push_back(button::kCancel);
    EXPECT_FALSE(RICARICA());
    EXPECT_TRUE(fileDialogs(p).empty());
    EXPECT_FALSE(RICARICA());  // the file dialog cancelled
    EXPECT_EQ(fileDialogs(p).size(), 1u);
    EXPECT_EQ(p.messages().size(), 2u);  // the two questions
    p.files.push_back(dir / "manca.zip");
    EXPECT_FALSE(RICARICA());
    EXPECT_EQ(p.messages().back(), "Impossibile trovare il file\r\n\r\n" + dir / "manca.zip");
}
