#include "app/process.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include "data/engine/settings.h"
#include "util/access.h"
#include "util/failure.h"
#include "util/prompt.h"

namespace velt {
namespace {
namespace fs = std::filesystem;

class TempDir {
  public:
    TempDir() {
        std::random_device rd;
        path_ = fs::temp_directory_path() / ("velt-process-" + std::to_string(rd()));
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
        for (auto& e : fs::recursive_directory_iterator(path_, ec))
            fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

void touch(const fs::path& p) {
    std::ofstream(p) << "x";
}

const std::string kMark = "\x7F";

TEST(Leftovers, FilesOfTheCurrentFolderBeginningWith7FAreDeleted) {
    TempDir dir;
    touch(dir.path() / (kMark + "123.NTX"));
    touch(dir.path() / (kMark + "1.WMF"));
    fs::permissions(dir.path() / (kMark + "1.WMF"), fs::perms::owner_read);  // read-only too
    touch(dir.path() / "CLIENTI.DBF");
    touch(dir.path() / ("A" + kMark + ".NTX"));
    fs::create_directory(dir.path() / (kMark + "folder"));
    removeLeftoverFiles(dir.path());
    EXPECT_FALSE(fs::exists(dir.path() / (kMark + "123.NTX")));
    EXPECT_FALSE(fs::exists(dir.path() / (kMark + "1.WMF")));
    EXPECT_TRUE(fs::exists(dir.path() / "CLIENTI.DBF"));
    EXPECT_TRUE(fs::exists(dir.path() / ("A" + kMark + ".NTX")));
    EXPECT_TRUE(fs::exists(dir.path() / (kMark + "folder"))) << "folders here are not touched";
}

TEST(Leftovers, TempFoldersAreEmptiedAndRemovedPlainFilesStay) {
    TempDir temp;
    fs::path work = temp.path() / (kMark + "MARIO");
    fs::create_directory(work);
    touch(work / "a.txt");
    touch(work / ".hidden");
    touch(work / "ro.txt");
    fs::permissions(work / "ro.txt", fs::perms::owner_read);
    touch(temp.path() / (kMark + "plain"));
    fs::create_directory(temp.path() / "other");
    touch(temp.path() / "other" / "keep.txt");
    removeLeftoverFolders(temp.path());
    EXPECT_FALSE(fs::exists(work));
    EXPECT_TRUE(fs::exists(temp.path() / (kMark + "plain")));
    EXPECT_TRUE(fs::exists(temp.path() / "other" / "keep.txt"));
}

TEST(Leftovers, AFolderWithAnEntryThatCannotBeDeletedStays) {
    TempDir temp;
    // A non-empty subfolder cannot be deleted as a file; the clean-up stops at it.
    fs::path stuck = temp.path() / (kMark + "STUCK");
    fs::create_directories(stuck / "b-sub");
    touch(stuck / "b-sub" / "inner.txt");
    touch(stuck / "a.txt");
    touch(stuck / "c.txt");
    // A file in a folder without write permission cannot be deleted (for non-root users).
    fs::path locked = temp.path() / (kMark + "LOCKED");
    fs::create_directory(locked);
    touch(locked / "x.txt");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    fs::path clean = temp.path() / (kMark + "CLEAN");
    fs::create_directory(clean);
    touch(clean / "y.txt");

    removeLeftoverFolders(temp.path());

    EXPECT_TRUE(fs::exists(stuck / "b-sub" / "inner.txt"));
    EXPECT_FALSE(fs::exists(stuck / "a.txt")) << "files before the stuck entry go";
    EXPECT_TRUE(fs::exists(stuck / "c.txt")) << "the clean-up stops at the first failure";
    if (geteuid() != 0) {
        EXPECT_TRUE(fs::exists(locked / "x.txt"));
    }
    EXPECT_FALSE(fs::exists(clean)) << "other leftovers are still removed";
}

TEST(Leftovers, MissingFoldersAreSilent) {
    EXPECT_NO_THROW(removeLeftoverFiles("/nonexistent/velt/folder"));
    EXPECT_NO_THROW(removeLeftoverFolders("/nonexistent/velt/folder"));
}

TEST(Process, TempFolderComesFromTempThenTmpdir) {
    std::string savedTemp = getenv("TEMP") ? getenv("TEMP") : "";
    std::string savedTmpdir = getenv("TMPDIR") ? getenv("TMPDIR") : "";
    setenv("TEMP", "/var/one", 1);
    setenv("TMPDIR", "/var/two", 1);
    EXPECT_EQ(tempFolder(), fs::path("/var/one"));
    unsetenv("TEMP");
    EXPECT_EQ(tempFolder(), fs::path("/var/two"));
    unsetenv("TMPDIR");
    EXPECT_EQ(tempFolder(), fs::path("/tmp"));
    if (!savedTemp.empty()) setenv("TEMP", savedTemp.c_str(), 1);
    if (!savedTmpdir.empty()) setenv("TMPDIR", savedTmpdir.c_str(), 1);
}

TEST(Process, InitialisationCleansUpSetsTheUserStateAndInstallsTheHandler) {
    TempDir data, temp;
    const fs::path previous = fs::current_path();
    std::string savedTemp = getenv("TEMP") ? getenv("TEMP") : "";
    setenv("TEMP", temp.path().c_str(), 1);
    fs::current_path(data.path());
    touch(data.path() / (kMark + "42.NTX"));
    fs::path stuck = temp.path() / (kMark + "ROSSI");
    fs::create_directories(stuck / "sub");
    touch(stuck / "sub" / "keep.txt");
    access().ACS_USER = "ROSSI";
    access().ACS_LEVEL = 5;
    engine::settings().lockScheme = 0;
    engine::settings().memoExtension = ".FPT";
    engine::settings().deletedHidden = false;

    initProcess();

    EXPECT_EQ(engine::settings().lockScheme, 4);
    EXPECT_EQ(engine::settings().memoExtension, ".DBT");
    EXPECT_TRUE(engine::settings().deletedHidden);
    EXPECT_TRUE(engine::settings().upperCaseNames);
    EXPECT_EQ(engine::settings().epoch, 1980);

    EXPECT_FALSE(fs::exists(data.path() / (kMark + "42.NTX")));
    EXPECT_TRUE(fs::exists(stuck / "sub" / "keep.txt")) << "left in place, silently";
    EXPECT_EQ(access().ACS_USER, "USER");
    EXPECT_EQ(access().ACS_PASSWD, "");
    EXPECT_EQ(access().ACS_LEVEL, 1);
    EXPECT_EQ(access().ACS_TEMP, "");
    ScriptedPrompt prompt;
    ScopedPrompt scoped(prompt);
    Failure zero;
    zero.genCode = gen::kZeroDivision;
    EXPECT_EQ(raiseFailure(zero).num(), 0) << "the failure handler answers";
    EXPECT_TRUE(prompt.shown.empty());

    setFailureHandler(nullptr);
    fs::current_path(previous);
    if (savedTemp.empty())
        unsetenv("TEMP");
    else
        setenv("TEMP", savedTemp.c_str(), 1);
}

}  // namespace
}  // namespace velt
