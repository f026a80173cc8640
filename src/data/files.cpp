#include "data/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <ctime>

#include "util/date.h"
#include "util/messages.h"
#include "util/prompt.h"

namespace velt {

bool isPathSeparator(char c) {
    return c == '/' || c == '\\';
}

std::string folderPart(const std::string& path) {
    for (size_t i = path.size(); i > 0; --i)
        if (isPathSeparator(path[i - 1])) return path.substr(0, i);
    return {};
}

std::string namePart(const std::string& path) {
    return path.substr(folderPart(path).size());
}

std::string nativePath(const std::string& path) {
    std::string out = path;
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

bool fileExists(const std::string& path) {
    struct stat st;
    return ::stat(nativePath(path).c_str(), &st) == 0;
}

std::string upperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::string trimBlanks(const std::string& text) {
    size_t b = text.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    size_t e = text.find_last_not_of(' ');
    return text.substr(b, e - b + 1);
}

namespace {

std::string lowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool isDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Entry names of a folder, "." and ".." left out; false when it cannot be listed.
bool listFolder(const std::string& folder, std::vector<std::string>& names) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return false;
    while (dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    return true;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return isPathSeparator(folder.back()) ? folder + name : folder + "/" + name;
}

}  // namespace

std::vector<std::string> WILDEXP(const std::vector<std::string>& aMasks) {
    std::vector<std::string> out;
    for (const auto& mask : aMasks) {
        std::string native = nativePath(mask);
        std::string folder = folderPart(native);
        std::string pattern = lowerAscii(namePart(native));
        std::vector<std::string> names;
        if (!listFolder(folder, names)) continue;
        std::vector<std::string> matched;
        for (const auto& name : names) {
            if (::fnmatch(pattern.c_str(), lowerAscii(name).c_str(), 0) != 0) continue;
            if (isDirectory(joinPath(folder, name))) continue;
            matched.push_back(name);
        }
        // The Windows listing gives names in alphabetical order, letter case ignored.
        std::sort(matched.begin(), matched.end(), [](const std::string& a, const std::string& b) {
            std::string ua = upperAscii(a), ub = upperAscii(b);
            return ua != ub ? ua < ub : a < b;
        });
        out.insert(out.end(), matched.begin(), matched.end());
    }
    return out;
}

std::string CFILEEXT(const std::string& cFile) {
    std::string t = trimBlanks(cFile);
    size_t dot = t.rfind('.');
    return dot == std::string::npos ? std::string() : t.substr(dot + 1);
}

std::string CFILENOEXT(const std::string& cFile) {
    std::string name = trimBlanks(namePart(cFile));
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

namespace {

// Copies the content and the permission bits of an open file onto `to`, processing events
// between blocks.
bool copyContent(int in, const struct stat& st, const std::string& to) {
    int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 07777);
    if (out < 0) return false;
    bool ok = true;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0) break;
        for (ssize_t done = 0; done < n;) {
            ssize_t w = ::write(out, buffer.data() + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                ok = false;
                break;
            }
            done += w;
        }
        if (!ok) break;
        prompt().processEvents();
    }
    if (ok) ok = ::fsync(out) == 0;
    if (ok) ::fchmod(out, st.st_mode & 07777);
    if (ok) {
        struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(out, times);
    }
    if (::close(out) != 0) ok = false;
    return ok;
}

bool sameFile(const struct stat& a, const std::string& path) {
    struct stat b;
    return ::stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

bool COPYFILE(const std::string& cFrom, const std::string& cTo) {
    std::string from = nativePath(cFrom), to = nativePath(cTo);
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    struct stat st;
    bool ok = ::fstat(in, &st) == 0 && S_ISREG(st.st_mode);
    // Copying a file onto itself would truncate it before reading it.
    if (ok && sameFile(st, to)) ok = false;
    // A read-only target is not replaced, whoever runs the program.
    std::uint32_t target = GETFILEATTRIBUTES(to);
    if (ok && target != attr::kInvalid && (target & (attr::kReadOnly | attr::kDirectory)))
        ok = false;
    if (ok) ok = copyContent(in, st, to);
    ::close(in);
    return ok;
}

bool MOVEFILE(const std::string& cFrom, const std::string& cTo) {
    std::string from = nativePath(cFrom), to = nativePath(cTo);
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        prompt().processEvents();
        return true;
    }
    if (errno == EINVAL || errno == ENOSYS) {
        // A file system without no-replace renames: check, then rename.
        struct stat st;
        if (::lstat(to.c_str(), &st) == 0) return false;
        return ::rename(from.c_str(), to.c_str()) == 0;
    }
    if (errno != EXDEV) return false;
    // Across file systems: copy, then delete the original.
    struct stat st;
    if (::lstat(to.c_str(), &st) == 0) return false;
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    bool ok = ::fstat(in, &st) == 0 && S_ISREG(st.st_mode) && copyContent(in, st, to);
    ::close(in);
    if (!ok) {
        ::unlink(to.c_str());
        return false;
    }
    return ::unlink(from.c_str()) == 0;
}

bool CREATEDIR(const std::string& cFolder) {
    return ::mkdir(nativePath(cFolder).c_str(), 0777) == 0;
}

bool REMOVEDIR(const std::string& cFolder) {
    return ::rmdir(nativePath(cFolder).c_str()) == 0;
}

double DISKFREESPACE(const std::string& cDrive) {
    std::string path = nativePath(cDrive);
    struct statvfs vfs;
    if (::statvfs(path.empty() ? "." : path.c_str(), &vfs) != 0) return -1;
    return static_cast<double>(vfs.f_bavail) * static_cast<double>(vfs.f_frsize);
}

std::uint32_t GETFILEATTRIBUTES(const std::string& cFile) {
    std::string path = nativePath(cFile);
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return attr::kInvalid;
    std::uint32_t bits = 0;
    if (!(st.st_mode & S_IWUSR)) bits |= attr::kReadOnly;
    std::string name = namePart(path);
    if (name.size() > 1 && name[0] == '.' && name != "..") bits |= attr::kHidden;
    if (S_ISDIR(st.st_mode))
        bits |= attr::kDirectory;
    else
        bits |= attr::kArchive;
    return bits;
}

bool SETFILEATTRIBUTES(const std::string& cFile, std::uint32_t nAttributes) {
    std::string path = nativePath(cFile);
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    mode_t mode = st.st_mode & 07777;
    if (nAttributes & attr::kReadOnly) {
        mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    } else if (!(mode & S_IWUSR)) {
        // Writable again for the owner, and for those who may read it, within the umask.
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode_t write = S_IWUSR;
        if (mode & S_IRGRP) write |= S_IWGRP;
        if (mode & S_IROTH) write |= S_IWOTH;
        mode |= write & ~mask;
        mode |= S_IWUSR;
    }
    return ::chmod(path.c_str(), mode) == 0;
}

void CLEARREADONLY(const std::string& cFile) {
    std::uint32_t bits = GETFILEATTRIBUTES(cFile);
    if (bits != attr::kInvalid && (bits & attr::kReadOnly))
        SETFILEATTRIBUTES(cFile, bits & ~attr::kReadOnly);
}

void CLEARHIDDEN(const std::string& cFile) {
    std::uint32_t bits = GETFILEATTRIBUTES(cFile);
    if (bits != attr::kInvalid && (bits & attr::kHidden))
        SETFILEATTRIBUTES(cFile, bits & ~attr::kHidden);
}

void DELDIR(const std::string& cFolder) {
    std::string folder = nativePath(cFolder);
    std::vector<std::string> names;
    if (!listFolder(folder, names)) return;
    for (const auto& name : names) {
        std::string path = joinPath(folder, name);
        if (isDirectory(path)) continue;
        if (::unlink(path.c_str()) != 0) return;
    }
}

bool DELETEDIR(const std::string& cFolder, bool lRemoveSelf) {
    std::string folder = nativePath(cFolder);
    // A folder without write permission keeps its entries on Linux; Windows deletes them.
    CLEARREADONLY(folder);
    std::vector<std::string> names;
    listFolder(folder, names);
    for (const auto& name : names) {
        std::string path = joinPath(folder, name);
        struct stat st;
        if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            if (!DELETEDIR(path, true)) return false;
            continue;
        }
        CLEARREADONLY(path);
        CLEARHIDDEN(path);
        if (::unlink(path.c_str()) != 0) {
            POPMSG("Impossibile cancellare il file " + path + ".", 1);
            return false;
        }
        prompt().processEvents();
    }
    if (lRemoveSelf) {
        CLEARREADONLY(folder);
        CLEARHIDDEN(folder);
        if (::rmdir(folder.c_str()) != 0) {
            POPMSG("Impossibile cancellare la cartella " + folder + ".", 1);
            return false;
        }
    }
    return true;
}

bool LFNFNAME(const std::string& cName) {
    if (cName.empty()) return false;
    std::string name = upperAscii(trimBlanks(cName));
    if (name.empty()) return false;
    if (name.find_first_of("\"*/:<>?\\|") != std::string::npos) return false;
    static const char* const kDevices[] = {"NUL",  "CON",  "PRN",  "AUX",  "LPT1", "LPT2",
                                           "LPT3", "COM1", "COM2", "COM3", "COM4"};
    for (const char* device : kDevices)
        if (name == device) return false;
    return true;
}

namespace {
std::string uniqueNameNow() {
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t t = system_clock::to_time_t(now);
    std::tm local{};
    ::localtime_r(&t, &local);
    auto micro = duration_cast<microseconds>(now.time_since_epoch()).count() % 1000000;
    double seconds = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + micro / 1e6;
    long hundredths = std::lround(seconds * 100);
    Date today = Date::fromYmd(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    return std::string("\x7F") + today.dtos() + std::to_string(hundredths);
}
}  // namespace

std::string GETNEWFNAME() {
    std::string name = uniqueNameNow();
    while (uniqueNameNow() == name) {
    }
    return name;
}

}  // namespace velt
