#include "data/zip.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unzip.h>
#include <zip.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include "data/disk.h"
#include "data/engine/settings.h"
#include "data/files.h"
#include "util/messages.h"
#include "util/prompt.h"

namespace velt {
namespace {

constexpr std::uint32_t kDosBits = attr::kReadOnly | attr::kHidden | attr::kSystem | attr::kArchive;

// Stores one open file as the current entry; false when reading it failed.
bool storeFile(zipFile zf, int fd, const struct stat& st, const std::string& path,
               const std::string& entryName) {
    zip_fileinfo info{};
    std::tm local{};
    std::time_t mtime = st.st_mtime;
    ::localtime_r(&mtime, &local);
    info.tmz_date.tm_sec = static_cast<uInt>(local.tm_sec);
    info.tmz_date.tm_min = static_cast<uInt>(local.tm_min);
    info.tmz_date.tm_hour = static_cast<uInt>(local.tm_hour);
    info.tmz_date.tm_mday = static_cast<uInt>(local.tm_mday);
    info.tmz_date.tm_mon = static_cast<uInt>(local.tm_mon);
    info.tmz_date.tm_year = static_cast<uInt>(local.tm_year + 1900);
    info.external_fa = (GETFILEATTRIBUTES(path) & kDosBits) | attr::kArchive;
    bool zip64 = st.st_size >= 0xFFFFFFFFLL;
    if (zipOpenNewFileInZip64(zf, entryName.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                              Z_DEFLATED, Z_DEFAULT_COMPRESSION, zip64 ? 1 : 0) != ZIP_OK)
        return false;
    std::vector<char> buffer(1 << 16);
    bool ok = true;
    for (;;) {
        ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0) break;
        if (zipWriteInFileInZip(zf, buffer.data(), static_cast<unsigned>(n)) != ZIP_OK) {
            ok = false;
            break;
        }
        prompt().processEvents();
    }
    zipCloseFileInZip(zf);
    return ok;
}

}  // namespace

bool ZIP(const std::string& cArchive, const std::vector<std::string>& aFiles,
         const ZipHooks& hooks) {
    if (!ISREADY(currentFolder())) return false;
    std::string archive = nativePath(cArchive);
    if (fileExists(archive)) ::unlink(archive.c_str());
    for (const auto& file : aFiles) {
        if (!fileExists(file)) {
            POPMSG("Impossibile trovare il file;;" + file, 1);
            return false;
        }
    }
    zipFile zf = zipOpen64(archive.c_str(), APPEND_STATUS_CREATE);
    if (!zf) {
        POPMSG("Si \xE8 verificato un errore durante la creazione del file;;" + cArchive, 1);
        return false;
    }
    bool ok = true;
    try {
        for (const auto& file : aFiles) {
            if (hooks.beforeFile) hooks.beforeFile(file);
            std::string path = nativePath(file);
            int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) continue;  // unreadable: left out
            struct stat st;
            if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
                storeFile(zf, fd, st, path, namePart(path));
            ::close(fd);
        }
    } catch (...) {
        if (hooks.finish) hooks.finish();
        zipClose(zf, nullptr);
        throw;
    }
    if (hooks.finish) hooks.finish();
    if (zipClose(zf, nullptr) != ZIP_OK) {
        POPMSG("Si \xE8 verificato un errore durante la creazione del file;;" + cArchive, 1);
        ok = false;
    }
    return ok;
}

namespace {

// Turns the engine's upper-casing of file names off for its lifetime.
class NameCaseOff {
  public:
    NameCaseOff() : saved_(engine::settings().upperCaseNames) {
        engine::settings().upperCaseNames = false;
    }
    ~NameCaseOff() { engine::settings().upperCaseNames = saved_; }
    NameCaseOff(const NameCaseOff&) = delete;
    NameCaseOff& operator=(const NameCaseOff&) = delete;

  private:
    bool saved_;
};

// The name an entry is written under: the part after the last "/" or "\", or empty when the
// entry names a folder or a name that is no file of this folder.
std::string extractName(const std::string& entryName) {
    std::string name = namePart(entryName);
    if (name == "." || name == "..") return {};
    return name;
}

// The name of the file of the folder that the entry replaces: names compare without regard to
// letter case, as the file system of the stations that wrote the archive does; a new file keeps
// the entry's own name.
std::string existingName(const std::string& name) {
    if (fileExists(name)) return name;
    std::string wanted = upperAscii(name);
    DIR* dir = ::opendir(".");
    if (!dir) return name;
    std::string found = name;
    while (dirent* e = ::readdir(dir)) {
        if (upperAscii(e->d_name) == wanted) {
            found = e->d_name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

std::time_t localTimeOf(const tm_unz& t) {
    std::tm local{};
    local.tm_sec = static_cast<int>(t.tm_sec);
    local.tm_min = static_cast<int>(t.tm_min);
    local.tm_hour = static_cast<int>(t.tm_hour);
    local.tm_mday = static_cast<int>(t.tm_mday);
    local.tm_mon = static_cast<int>(t.tm_mon);
    local.tm_year = static_cast<int>(t.tm_year) - 1900;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

// Writes the current entry to a temporary file of the folder and, once it has been read whole
// with a good checksum, puts it in place of `name`.
void extractEntry(unzFile uf, const std::string& name, const unz_file_info64& info) {
    struct stat st;
    if (::lstat(name.c_str(), &st) == 0) {
        // Only a plain file that may be written is replaced.
        if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) return;
        if (GETFILEATTRIBUTES(name) & attr::kReadOnly) return;
        if (fileHeldOpen(name)) return;
    }
    if (unzOpenCurrentFile(uf) != UNZ_OK) return;
    std::string temp = std::string("\x7F") + "UNZIP" + std::to_string(::getpid()) + ".TMP";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        unzCloseCurrentFile(uf);
        return;
    }
    bool ok = true;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        int n = unzReadCurrentFile(uf, buffer.data(), static_cast<unsigned>(buffer.size()));
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0) break;
        for (int done = 0; done < n;) {
            ssize_t w = ::write(fd, buffer.data() + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                ok = false;
                break;
            }
            done += static_cast<int>(w);
        }
        if (!ok) break;
        prompt().processEvents();
    }
    if (unzCloseCurrentFile(uf) != UNZ_OK) ok = false;  // a bad checksum among others
    if (ok) ok = ::fsync(fd) == 0;
    if (::close(fd) != 0) ok = false;
    if (ok) ok = ::rename(temp.c_str(), name.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return;
    }
    std::time_t when = localTimeOf(info.tmu_date);
    struct timespec times[2] = {{when, 0}, {when, 0}};
    ::utimensat(AT_FDCWD, name.c_str(), times, 0);
    if (info.external_fa & attr::kReadOnly) SETFILEATTRIBUTES(name, attr::kReadOnly);
}

}  // namespace

bool UNZIP(const std::string& cArchive) {
    if (!ISREADY(currentFolder())) return false;
    std::string archive = nativePath(cArchive);
    if (!fileExists(archive)) {
        POPMSG("Impossibile trovare il file;;" + cArchive, 1);
        return false;
    }
    unzFile uf = unzOpen64(archive.c_str());
    if (!uf) {
        POPMSG("Si \xE8 verificato un errore durante la decompressione del file;;" + cArchive, 1);
        return false;
    }
    // The extracted names keep the letter case stored in the archive.
    NameCaseOff keepCase;
    for (int rc = unzGoToFirstFile(uf); rc == UNZ_OK; rc = unzGoToNextFile(uf)) {
        unz_file_info64 info{};
        char rawName[1024];
        if (unzGetCurrentFileInfo64(uf, &info, rawName, sizeof rawName, nullptr, 0, nullptr, 0) !=
            UNZ_OK)
            continue;
        std::string name = extractName(std::string(rawName, strnlen(rawName, sizeof rawName)));
        if (name.empty()) continue;
        extractEntry(uf, existingName(name), info);
    }
    unzClose(uf);
    return true;
}

}  // namespace velt
