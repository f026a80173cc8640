// One open file of the engine: positioned reads and writes, size, fsync, and the
// open-file-description byte-range locks (fcntl F_OFD_SETLK) through which stations and work
// areas exclude each other. OFD locks belong to this open file alone: two OsFile objects on the
// same file lock against each other even inside one process, and closing one never drops the
// other's locks. I/O failures are raised through the engine's failure reporting with the file's
// name.
#pragma once

#include <cstdint>
#include <string>

namespace velt::engine {

class OsFile {
  public:
    enum class Access { ReadOnly, ReadWrite };

    OsFile() = default;
    ~OsFile();
    OsFile(const OsFile&) = delete;
    OsFile& operator=(const OsFile&) = delete;
    OsFile(OsFile&& other) noexcept;
    OsFile& operator=(OsFile&& other) noexcept;

    // Opens an existing file; returns errno (0 on success) so the caller can tell a sharing
    // problem or a missing file from other failures.
    int open(const std::string& path, Access access);
    // Creates the file (replacing an existing one); returns errno.
    int create(const std::string& path);
    void close();

    bool isOpen() const { return fd_ >= 0; }
    bool writable() const { return access_ == Access::ReadWrite; }
    const std::string& path() const { return path_; }
    int fd() const { return fd_; }

    // Reads up to `size` bytes at `offset`; returns the bytes read (fewer only at the end).
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t size) const;
    // Reads exactly `size` bytes or reports the file as damaged.
    void readExact(std::uint64_t offset, void* buffer, std::size_t size) const;
    void writeAt(std::uint64_t offset, const void* buffer, std::size_t size);
    std::uint64_t size() const;
    void truncate(std::uint64_t size);
    // Data and metadata reach the disk.
    void sync();

    // Byte-range lock: returns true when obtained; false on a conflict. `wait` blocks until it
    // is obtained. Other errors are raised.
    bool lock(std::uint64_t offset, std::uint64_t length, bool exclusive, bool wait = false);
    void unlock(std::uint64_t offset, std::uint64_t length);
    // True when another open file holds a lock that conflicts with the one asked.
    bool wouldConflict(std::uint64_t offset, std::uint64_t length, bool exclusive) const;

  private:
    int fd_ = -1;
    Access access_ = Access::ReadOnly;
    std::string path_;
};

}  // namespace velt::engine
