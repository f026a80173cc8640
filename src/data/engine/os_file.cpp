#include "data/engine/os_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "data/engine/engine_failure.h"

namespace velt::engine {

OsFile::~OsFile() {
    close();
}

OsFile::OsFile(OsFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), access_(other.access_), path_(std::move(other.path_)) {}

OsFile& OsFile::operator=(OsFile&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        access_ = other.access_;
        path_ = std::move(other.path_);
    }
    return *this;
}

int OsFile::open(const std::string& path, Access access) {
    close();
    int flags = (access == Access::ReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC;
    int fd = ::open(path.c_str(), flags);
    if (fd < 0) return errno;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return EISDIR;
    }
    fd_ = fd;
    access_ = access;
    path_ = path;
    return 0;
}

int OsFile::create(const std::string& path) {
    close();
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return errno;
    fd_ = fd;
    access_ = Access::ReadWrite;
    path_ = path;
    return 0;
}

void OsFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

std::size_t OsFile::readAt(std::uint64_t offset, void* buffer, std::size_t size) const {
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::pread(fd_, out + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            raiseSystem(gen::kRead, sub::kRead, errno, path_, "lettura");
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void OsFile::readExact(std::uint64_t offset, void* buffer, std::size_t size) const {
    if (readAt(offset, buffer, size) != size) raiseDamaged(path_, "file troncato");
}

void OsFile::writeAt(std::uint64_t offset, const void* buffer, std::size_t size) {
    const auto* in = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::pwrite(fd_, in + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            raiseSystem(gen::kWrite, sub::kWrite, errno, path_, "scrittura");
        }
        done += static_cast<std::size_t>(n);
    }
}

std::uint64_t OsFile::size() const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) raiseSystem(gen::kRead, sub::kRead, errno, path_, "lettura");
    return static_cast<std::uint64_t>(st.st_size);
}

void OsFile::truncate(std::uint64_t size) {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0)
        raiseSystem(gen::kWrite, sub::kWrite, errno, path_, "scrittura");
}

void OsFile::sync() {
    if (::fsync(fd_) != 0) raiseSystem(gen::kWrite, sub::kWrite, errno, path_, "scrittura");
}

namespace {
struct flock rangeOf(short type, std::uint64_t offset, std::uint64_t length) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
    fl.l_pid = 0;  // required by OFD locks
    return fl;
}
}  // namespace

bool OsFile::lock(std::uint64_t offset, std::uint64_t length, bool exclusive, bool wait) {
    // A read-only file can only hold read locks: its exclusive locks are taken as read locks.
    short type = exclusive && writable() ? F_WRLCK : F_RDLCK;
    struct flock fl = rangeOf(type, offset, length);
    for (;;) {
        if (::fcntl(fd_, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return true;
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EACCES) return false;
        raiseSystem(gen::kLock, sub::kLock, errno, path_, "blocco");
    }
}

void OsFile::unlock(std::uint64_t offset, std::uint64_t length) {
    struct flock fl = rangeOf(F_UNLCK, offset, length);
    while (::fcntl(fd_, F_OFD_SETLK, &fl) != 0) {
        if (errno != EINTR) raiseSystem(gen::kLock, sub::kLock, errno, path_, "sblocco");
    }
}

bool OsFile::wouldConflict(std::uint64_t offset, std::uint64_t length, bool exclusive) const {
    struct flock fl = rangeOf(exclusive ? F_WRLCK : F_RDLCK, offset, length);
    if (::fcntl(fd_, F_OFD_GETLK, &fl) != 0)
        raiseSystem(gen::kLock, sub::kLock, errno, path_, "blocco");
    return fl.l_type != F_UNLCK;
}

}  // namespace velt::engine
