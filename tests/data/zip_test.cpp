#include "data/zip.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unzip.h>
#include <zip.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "data/engine/lock_scheme.h"
#include "data/engine/os_file.h"
#include "data/engine/settings.h"
#include "data/files.h"
#include "data/temp_folder.h"
#include "util/prompt.h"

using namespace velt;
using velt::test::readFile;
using velt::test::TempFolder;
using velt::test::writeFile;
namespace fs = std::filesystem;

namespace {

struct Entry {
    std::string name;
    std::string content;
    unsigned long externalAttributes = 0;
    tm_unz time{};
};

std::vector<Entry> readArchive(const std::string& path) {
    std::vector<Entry> out;
    unzFile uf = unzOpen64(path.c_str());
    if (!uf) return out;
    for (int rc = unzGoToFirstFile(uf); rc == UNZ_OK; rc = unzGoToNextFile(uf)) {
        unz_file_info64 info{};
        char name[512];
        unzGetCurrentFileInfo64(uf, &info, name, sizeof name, nullptr, 0, nullptr, 0);
        Entry e{name, {}, info.external_fa, info.tmu_date};
        unzOpenCurrentFile(uf);
        char buffer[4096];
        for (int n; (n = unzReadCurrentFile(uf, buffer, sizeof buffer)) > 0;)
            e.content.append(buffer, n);
        unzCloseCurrentFile(uf);
        out.push_back(e);
    }
    unzClose(uf);
    return out;
}

// Writes an archive with entries named exactly as given, as another tool might.
void writeArchive(const std::string& path, const std::vector<Entry>& entries) {
    zipFile zf = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(zf, nullptr);
    for (const auto& e : entries) {
        zip_fileinfo info{};
        info.tmz_date = {0, 30, 10, 9, 11, 2026};
        info.external_fa = e.externalAttributes;
        zipOpenNewFileInZip(zf, e.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                            Z_DEFAULT_COMPRESSION);
        zipWriteInFileInZip(zf, e.content.data(), static_cast<unsigned>(e.content.size()));
        zipCloseFileInZip(zf);
    }
    zipClose(zf, nullptr);
}

std::vector<std::string> names(const std::vector<Entry>& entries) {
    std::vector<std::string> out;
    for (const auto& e : entries) out.push_back(e.name);
    return out;
}

std::vector<std::string> folderListing(const std::string& folder) {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        out.push_back(fs::relative(e.path(), folder).string());
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

TEST(Zip, StoresFilesAtTheRootWithTimeAndAttributes) {
    TempFolder dir;
    ScriptedPrompt p;
    ScopedPrompt use(p);
    fs::create_directory(dir / "SUB");
    writeFile(dir / "PRESTAZI.DBF", std::string(5000, 'a'));
    writeFile(dir / "SUB/CLIENTI.DBT", "memo");
    writeFile(dir / "SOLA.DBF", "sola lettura");
    ::chmod((dir / "SOLA.DBF").c_str(), 0444);
    struct stat st;
    ::stat((dir / "PRESTAZI.DBF").c_str(), &st);

    ASSERT_TRUE(ZIP("copia.zip", {"PRESTAZI.DBF", dir / "SUB/CLIENTI.DBT", "SOLA.DBF"}));
    EXPECT_TRUE(p.messages().empty());
    auto entries = readArchive(dir / "copia.zip");
    ASSERT_EQ(names(entries),
              (std::vector<std::string>{"PRESTAZI.DBF", "CLIENTI.DBT", "SOLA.DBF"}));
    EXPECT_EQ(entries[0].content, std::string(5000, 'a'));
    EXPECT_EQ(entries[1].content, "memo");
    EXPECT_EQ(entries[0].externalAttributes, attr::kArchive);
    EXPECT_EQ(entries[2].externalAttributes, attr::kArchive | attr::kReadOnly);
    std::tm local{};
    ::localtime_r(&st.st_mtime, &local);
    EXPECT_EQ(entries[0].time.tm_year, static_cast<unsigned>(local.tm_year + 1900));
    EXPECT_EQ(entries[0].time.tm_mon, static_cast<unsigned>(local.tm_mon));
    EXPECT_EQ(entries[0].time.tm_mday, static_cast<unsigned>(local.tm_mday));
    EXPECT_EQ(entries[0].time.tm_hour, static_cast<unsigned>(local.tm_hour));
    EXPECT_EQ(entries[0].time.tm_min, static_cast<unsigned>(local.tm_min));
    if (std::system("command -v unzip >/dev/null 2>&1") == 0) {
        EXPECT_EQ(std::system(("unzip -tq '" + dir / "copia.zip" + "' >/dev/null").c_str()), 0);
    }
}

TEST(Zip, MissingFileLeavesNoArchive) {
    TempFolder dir;
    ScriptedPrompt p;
    ScopedPrompt use(p);
    writeFile(dir / "A.DBF", "a");
    writeFile(dir / "copia.zip", "vecchio");
    EXPECT_FALSE(ZIP("copia.zip", {"A.DBF", "MANCA.DBF"}));
    EXPECT_EQ(p.messages(),
              std::vector<std::string>{"Impossibile trovare il file\r\n\r\nMANCA.DBF"});
    EXPECT_FALSE(fs::exists(dir / "copia.zip"));
}

TEST(Zip, ArchiveThatCannotBeCreated) {
    TempFolder dir;
    ScriptedPrompt p;
    ScopedPrompt use(p);
    writeFile(dir / "A.DBF", "a");
    EXPECT_FALSE(ZIP("manca/copia.zip", {"A.DBF"}));
    EXPECT_EQ(
        p.messages(),
        std::vector<std::string>{
            "Si \xE8 verificato un errore durante la creazione del file\r\n\r\nmanca/copia.zip"});
}

TEST(Zip, UnreadableFileIsLeftOut) {
    TempFolder dir;
    ScriptedPrompt p;
    ScopedPrompt use(p);
    writeFile(dir / "A.DBF", "a");
    fs::create_directory(dir / "B.DBF");
    ASSERT_TRUE(ZIP("copia.zip", {"A.DBF", "B.DBF"}));
    EXPECT_EQ(names(readArchive(dir / "copia.zip")), std::vector<std::string>{"A.DBF"});
    EXPECT_TRUE(p.messages().empty());
}

TEST(Unzip, RoundTripKeepsContentTimeAndReadOnly) {
    TempFolder dir;
    ScriptedPrompt p;
    ScopedPrompt use(p);
    writeFile(dir / "A.DBF", "tabella");
    writeFile(dir / "B.DBT", "memo");
    ::chmod((dir / "B.DBT").c_str(), 0444);
    struct timespec old[2] = {{1700000000, 0}, {1700000000, 0}};
    ::utimensat(AT_FDCWD, (dir / "A.DBF").c_str(), old, 0);
    ASSERT_TRUE(ZIP("copia.zip", {"A.DBF", "B.DBT"}));
    fs::remove(dir / "B.DBT");
    writeFile(dir / "A.DBF", "cambiato");

    ASSERT_TRUE(UNZIP("copia.zip"));
    EXPECT_EQ(readFile(dir / "A.DBF"), "tabella");
    EXPECT_EQ(readFile(dir / "B.DBT"), "memo");
    struct stat st;
    ::stat((dir / "A.DBF").c_str(), &st);
    EXPECT_EQ(st.st_mtime / 2, 1700000000 / 2);  // zip times have a two-second grain
    EXPECT_EQ(GETFILEATTRIBUTES("B.DBT") & attr::kReadOnly, attr::kReadOnly);
    EXPECT_EQ(GETFILEATTRIBUTES("A.DBF") & attr::kReadOnly, 0u);
    EXPECT_TRUE(p.messages().empty());
    // No temporary file is left behind.
    EXPECT_EQ(folderListing(dir.path()), (std::vector<std::string>{"A.DBF", "B.DBT", "copia.zip"}));
}

TEST(Unzip, HostileNamesNeverLeaveTheFolder) {
    TempFolder outer;
    fs::create_directories(outer / "dati");
    fs::create_directories(outer / "abs");
    ScriptedPrompt p;
    ScopedPrompt use(p);
    writeArchive(outer / "ostile.zip", {
                                           {"../x", "x"},
                                           {outer / "abs/y", "y"},
                                           {"a\\b\\c", "c"},
                                           {"cartella/", ""},
                                           {"cartella/z", "z"},
                                           {"..", "dotdot"},
                                           {"cartella/..", "dotdot"},
                                           {".", "dot"},
                                           {"Minuscole.dbf", "m"},
                                       });
    fs::current_path(outer / "dati");
    ASSERT_TRUE(UNZIP(outer / "ostile.zip"));
    EXPECT_EQ(folderListing(outer / "dati"),
              (std::vector<std::string>{"Minuscole.dbf", "c", "x", "y", "z"}));
    EXPECT_EQ(folderListing(outer.path()),
              (std::vector<std::string>{"abs", "dati", "dati/Minuscole.dbf", "dati/c", "dati/x",
                                        "dati/y", "dati/z", "ostile.zip"}));
    EXPECT_EQ(readFile(outer / "dati/c"), "c");
    EXPECT_TRUE(engine::settings().upperCaseNames);
    EXPECT_TRUE(p.messages().empty());
}

TEST(Unzip, ReadOnlyOrHeldFilesAreSkipped) {
    TempFolder dir;
    ScriptedPrompt p;
    ScopedPrompt use(p);
    writeArchive("copia.zip",
                 {{"SOLA.DBF", "nuovo"}, {"APERTA.DBF", "nuovo"}, {"LIBERA.DBF", "nuovo"}});
    writeFile(dir / "SOLA.DBF", "vecchio");
    ::chmod((dir / "SOLA.DBF").c_str(), 0444);
    writeFile(dir / "APERTA.DBF", "vecchio");
    writeFile(dir / "LIBERA.DBF", "vecchio");
    // Another station has APERTA.DBF open (shared).
    engine::OsFile other;
    ASSERT_EQ(other.open(dir / "APERTA.DBF", engine::OsFile::Access::ReadOnly), 0);
    ASSERT_TRUE(
        other.lock(engine::lockscheme::kShareOffset, engine::lockscheme::kShareLength, false));

    ASSERT_TRUE(UNZIP("copia.zip"));
    EXPECT_EQ(readFile(dir / "SOLA.DBF"), "vecchio");
    EXPECT_EQ(readFile(dir / "APERTA.DBF"), "vecchio");
    EXPECT_EQ(readFile(dir / "LIBERA.DBF"), "nuovo");
    EXPECT_TRUE(p.messages().empty());
}

TEST(Unzip, DamagedEntryLeavesTheFileAsItWas) {
    TempFolder dir;
    ScriptedPrompt p;
    ScopedPrompt use(p);
    std::string content;
    for (int i = 0; i < 2000; ++i) content += std::to_string(i * 7919 % 1000) + ",";
    writeArchive("copia.zip", {{"A.DBF", content}, {"B.DBF", "b"}});
    std::string bytes = readFile(dir / "copia.zip");
    bytes[30 + 5 + 100] ^= 0x55;  // inside the compressed data of the first entry
    writeFile(dir / "copia.zip", bytes);
    writeFile(dir / "A.DBF", "vecchio");

    ASSERT_TRUE(UNZIP("copia.zip"));
    EXPECT_EQ(readFile(dir / "A.DBF"), "vecchio");
    EXPECT_EQ(readFile(dir / "B.DBF"), "b");
    EXPECT_EQ(folderListing(dir.path()), (std::vector<std::string>{"A.DBF", "B.DBF", "copia.zip"}));
}

TEST(Unzip, MissingOrBrokenArchive) {
    TempFolder dir;
    ScriptedPrompt p;
    ScopedPrompt use(p);
    EXPECT_FALSE(UNZIP("manca.zip"));
    writeFile(dir / "rotto.zip", "non sono un archivio");
    EXPECT_FALSE(UNZIP("rotto.zip"));
    EXPECT_EQ(
        p.messages(),
        (std::vector<std::string>{
            "Impossibile trovare il file\r\n\r\nmanca.zip",
            "Si \xE8 verificato un errore durante la decompressione del file\r\n\r\nrotto.zip"}));
}

TEST(Unzip, ReplacesAFileWhoseNameDiffersOnlyInCase) {
    TempFolder dir;
    ScriptedPrompt p;
    ScopedPrompt use(p);
    writeFile(dir / "CLIENTI.DBF", "vecchio");
    writeArchive("copia.zip", {{"clienti.dbf", "nuovo"}, {"Nuovo.dbt", "n"}});
    ASSERT_TRUE(UNZIP("copia.zip"));
    EXPECT_EQ(readFile(dir / "CLIENTI.DBF"), "nuovo");
    EXPECT_EQ(folderListing(dir.path()),
              (std::vector<std::string>{"CLIENTI.DBF", "Nuovo.dbt", "copia.zip"}));
}
