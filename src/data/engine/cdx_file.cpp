#include "data/engine/cdx_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>

#include "data/engine/cdx_internal.h"
#include "util/failure.h"

namespace velt::engine {

using namespace cdx;

namespace {

constexpr const char* kLayer = "VELTDB";
constexpr int kSubOpen = 1001, kSubCreate = 1004, kSubRead = 1010, kSubWrite = 1011,
              kSubLock = 1013, kSubReadOnly = 1024;

constexpr std::uint64_t kReadLockBase = 4294901760ull;  // one random byte of 65,536
constexpr std::uint64_t kReadLockSpan = 65536;
constexpr std::uint64_t kWriteLockOffset = 4294901759ull;
constexpr std::uint64_t kWriteLockLength = 65537;
constexpr std::uint32_t kHeaderSize = 1024;
constexpr std::uint32_t kDirectoryRoot = 1024;
constexpr int kDirectoryKeyLength = 10;

[[noreturn]] void raise(Failure f) {
    f.subSystem = kLayer;
    Failure copy = f;
    raiseFailure(std::move(f));
    throw FailureError(std::move(copy));
}

Failure failure(int genCode, int subCode, std::string description, const std::string& path,
                std::string operation) {
    Failure f;
    f.genCode = genCode;
    f.subCode = subCode;
    f.description = std::move(description);
    f.fileName = path;
    f.operation = std::move(operation);
    return f;
}

int subCodeFor(int genCode) {
    switch (genCode) {
        case gen::kOpen:
            return kSubOpen;
        case gen::kCreate:
            return kSubCreate;
        case gen::kRead:
            return kSubRead;
        case gen::kLock:
            return kSubLock;
        default:
            return kSubWrite;
    }
}

void lockRange(int fd, short type, std::uint64_t offset, std::uint64_t length, bool wait,
               const std::string& path) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
    while (fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) != 0) {
        if (errno == EINTR) continue;
        raiseIo(gen::kLock, errno, path, "blocco dell'indice");
    }
}

std::uint64_t randomNumber() {
    static thread_local std::mt19937_64 rng{std::random_device{}()};
    return rng();
}

std::uint64_t randomLockByte() {
    return kReadLockBase + randomNumber() % kReadLockSpan;
}

std::string poolText(const std::uint8_t* pool, std::uint32_t start, std::uint32_t length) {
    std::string text(reinterpret_cast<const char*>(pool + start), length);
    auto nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    return text;
}

std::string tagKey(std::string_view name) {
    std::string key(name.substr(0, kDirectoryKeyLength));
    for (auto& c : key)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    key.resize(kDirectoryKeyLength, ' ');
    return key;
}

}  // namespace

namespace cdx {

void raiseDamaged(const std::string& path, const std::string& detail) {
    raise(
        failure(gen::kCorruption, kSubCodeCorrupt, "file danneggiato: " + detail, path, "lettura"));
}

void raiseIo(int genCode, int err, const std::string& path, const std::string& operation) {
    Failure f = failure(genCode, err == ENOSPC ? kSubCodeDiskFull : subCodeFor(genCode),
                        std::strerror(err), path, operation);
    f.osCode = osCodeFromErrno(err);
    raise(std::move(f));
}

void raiseArgument(const std::string& path, int subCode, const std::string& detail) {
    raise(failure(gen::kArgument, subCode, detail, path, "creazione dell'indice"));
}

void raiseLimit(const std::string& path, const std::string& detail) {
    raise(failure(gen::kLimit, kSubWrite, detail, path, "scrittura"));
}

}  // namespace cdx

CdxFile::CdxFile(std::string path, int fd, Options options)
    : path_(std::move(path)), fd_(fd), options_(options), cache_(std::make_unique<Cache>()) {}

CdxFile::~CdxFile() {
    if (fd_ >= 0) ::close(fd_);
}

void CdxFile::readAt(std::uint64_t offset, void* buffer, std::size_t size) {
    auto* p = static_cast<char*>(buffer);
    while (size > 0) {
        ssize_t n = ::pread(fd_, p, size, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            raiseIo(gen::kRead, errno, path_, "lettura");
        }
        if (n == 0) raiseDamaged(path_, "pagina oltre la fine del file");
        p += n;
        offset += static_cast<std::uint64_t>(n);
        size -= static_cast<std::size_t>(n);
    }
}

void CdxFile::writeAt(std::uint64_t offset, const void* buffer, std::size_t size) {
    const auto* p = static_cast<const char*>(buffer);
    while (size > 0) {
        ssize_t n = ::pwrite(fd_, p, size, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            raiseIo(gen::kWrite, errno, path_, "scrittura");
        }
        p += n;
        offset += static_cast<std::uint64_t>(n);
        size -= static_cast<std::size_t>(n);
    }
    cache_->fileSize = std::max<std::uint64_t>(cache_->fileSize, offset);
}

void CdxFile::checkWritable() {
    if (options_.readOnly)
        raise(failure(gen::kReadOnly, kSubReadOnly, "indice aperto in sola lettura", path_,
                      "scrittura"));
}

std::unique_ptr<CdxFile> CdxFile::create(const std::string& path, Options options) {
    options.readOnly = false;
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) raiseIo(gen::kCreate, errno, path, "creazione");
    std::unique_ptr<CdxFile> file(new CdxFile(path, fd, options));
    auto session = file->writeSession();
    std::uint8_t header[kHeaderSize] = {};
    putLe32(header, kDirectoryRoot);
    putLe16(header + 12, kDirectoryKeyLength);
    header[14] = 0xE0;
    header[15] = 1;
    putLe32(header + 8, static_cast<std::uint32_t>(randomNumber()));
    putLe16(header + 504, 1);
    putLe16(header + 506, 1);
    putLe16(header + 510, 1);
    file->writeAt(0, header, sizeof header);
    Node directory;
    directory.root = true;
    directory.keyLength = kDirectoryKeyLength;
    std::uint8_t page[kPageSize];
    encodeNode(directory, ' ', page);
    file->writeAt(kDirectoryRoot, page, sizeof page);
    file->loadDirectory();
    return file;
}

std::unique_ptr<CdxFile> CdxFile::open(const std::string& path, Options options) {
    int fd = ::open(path.c_str(), (options.readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
    if (fd < 0) raiseIo(gen::kOpen, errno, path, "apertura");
    std::unique_ptr<CdxFile> file(new CdxFile(path, fd, options));
    auto session = file->readSession();
    file->loadDirectory();
    return file;
}

void CdxFile::loadDirectory() {
    if (cache_->fileSize <= kHeaderSize) raiseDamaged(path_, "file di 1024 byte o meno");
    std::uint8_t header[kHeaderSize];
    readAt(0, header, sizeof header);
    int keyLength = static_cast<int>(le16(header + 12));
    if (keyLength < 1 || keyLength > kCdxMaxKeyLength)
        raiseDamaged(path_, "lunghezza della chiave dell'elenco dei tag impossibile");
    directory_.reset(new CdxTag());
    directory_->file_ = this;
    directory_->headerOffset_ = 0;
    directory_->keyLength_ = keyLength;
    directory_->name_ = "";

    std::vector<std::unique_ptr<CdxTag>> tags;
    CdxSpot spot = CdxTree::firstSpot(*directory_);
    std::size_t steps = 0, limit = CdxTree::maxSteps(*this) * 64;
    while (CdxTree::settle(*directory_, spot)) {
        if (++steps > limit) raiseDamaged(path_, "elenco dei tag ciclico");
        const std::uint8_t* key = spot.leaf->key(spot.index);
        std::uint32_t offset = spot.leaf->recnos[spot.index];
        ++spot.index;
        std::string name(reinterpret_cast<const char*>(key), keyLength);
        while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.pop_back();
        if (offset % kPageSize != 0 || offset < kHeaderSize ||
            std::uint64_t(offset) + kHeaderSize > cache_->fileSize)
            raiseDamaged(path_, "intestazione del tag " + name + " fuori dal file");
        std::uint8_t h[kHeaderSize];
        readAt(offset, h, sizeof h);
        auto tag = std::unique_ptr<CdxTag>(new CdxTag());
        tag->file_ = this;
        tag->name_ = name;
        tag->headerOffset_ = offset;
        tag->keyLength_ = static_cast<int>(le16(h + 12));
        if (tag->keyLength_ < 1 || tag->keyLength_ > kCdxMaxKeyLength)
            raiseDamaged(path_, "lunghezza della chiave del tag " + name + " impossibile");
        tag->unique_ = (h[14] & 0x01) != 0;
        tag->descending_ = le16(h + 502) != 0;
        std::uint32_t forStart = le16(h + 504), forLength = le16(h + 506);
        std::uint32_t keyStart = le16(h + 508), keyTextLength = le16(h + 510);
        if (forStart + forLength > 512 || keyStart + keyTextLength > 512)
            raiseDamaged(path_, "espressioni del tag " + name + " fuori dall'intestazione");
        tag->keyExpr_ = poolText(h + 512, keyStart, keyTextLength);
        tag->forExpr_ = (h[14] & 0x08) || forLength > 1 ? poolText(h + 512, forStart, forLength)
                                                        : std::string();
        // Keep a type the caller declared on an earlier read of the same tag.
        for (auto& old : tags_)
            if (old->name_ == tag->name_ && old->keyLength_ == tag->keyLength_)
                tag->type_ = old->type_;
        tags.push_back(std::move(tag));
    }
    tags_ = std::move(tags);
}

void CdxFile::writeTagHeader(const CdxTag& tag, std::uint32_t root) {
    std::uint8_t h[kHeaderSize] = {};
    putLe32(h, root);
    putLe16(h + 12, static_cast<std::uint32_t>(tag.keyLength_));
    h[14] = static_cast<std::uint8_t>(0x60 | (tag.forExpr_.empty() ? 0 : 0x08) |
                                      (tag.unique_ ? 0x01 : 0));
    h[15] = 1;
    auto keyText = static_cast<std::uint32_t>(tag.keyExpr_.size() + 1);
    auto forText = static_cast<std::uint32_t>(tag.forExpr_.size() + 1);
    putLe16(h + 502, tag.descending_ ? 1 : 0);
    putLe16(h + 504, keyText);
    putLe16(h + 506, forText);
    putLe16(h + 508, 0);
    putLe16(h + 510, keyText);
    std::memcpy(h + 512, tag.keyExpr_.data(), tag.keyExpr_.size());
    std::memcpy(h + 512 + keyText, tag.forExpr_.data(), tag.forExpr_.size());
    writeAt(tag.headerOffset_, h, sizeof h);
    cache_->roots[tag.headerOffset_] = root;
}

void CdxFile::writeDirectory() {
    Node dir;
    dir.leaf = true;
    dir.root = true;
    dir.keyLength = directory_->keyLength_;
    std::vector<std::pair<std::string, std::uint32_t>> entries;
    for (auto& t : tags_) entries.emplace_back(tagKey(t->name_), t->headerOffset_);
    std::sort(entries.begin(), entries.end());
    for (auto& [name, offset] : entries) {
        std::string key = name;
        key.resize(dir.keyLength, ' ');
        dir.insertAt(dir.count(), reinterpret_cast<const std::uint8_t*>(key.data()), offset);
    }
    std::uint8_t header[16];
    readAt(0, header, sizeof header);
    dir.offset = le32(header);
    if (dir.offset % kPageSize != 0 || dir.offset < kHeaderSize) dir.offset = kDirectoryRoot;
    std::uint8_t page[kPageSize];
    if (!encodeNode(dir, ' ', page)) raiseLimit(path_, "troppi tag nel file indice");
    writeAt(dir.offset, page, sizeof page);
    cache_->nodes.erase(dir.offset);
    ++generation_;
}

std::vector<CdxTag*> CdxFile::tags() {
    std::vector<CdxTag*> out;
    for (auto& t : tags_) out.push_back(t.get());
    return out;
}

CdxTag* CdxFile::tag(std::string_view name) {
    std::string wanted = tagKey(name);
    for (auto& t : tags_)
        if (tagKey(t->name_) == wanted) return t.get();
    return nullptr;
}

CdxTag* CdxFile::tag(std::size_t index) {
    return index < tags_.size() ? tags_[index].get() : nullptr;
}

void CdxFile::flush() {
    if (!options_.readOnly && ::fsync(fd_) != 0) raiseIo(gen::kWrite, errno, path_, "scrittura");
}

// Locks and sessions.

CdxFile::Session::Session(CdxFile* file, bool write) : file_(file), write_(write) {
    if (write_)
        file_->beginWrite();
    else
        file_->beginRead();
}

CdxFile::Session::Session(Session&& other) noexcept : file_(other.file_), write_(other.write_) {
    other.file_ = nullptr;
}

CdxFile::Session::~Session() {
    if (!file_) return;
    try {
        if (write_)
            file_->endWrite();
        else
            file_->endRead();
    } catch (...) {
        // An unlock that fails leaves the lock to the close of the file.
    }
}

CdxFile::Session CdxFile::readSession() {
    return Session(this, false);
}
CdxFile::Session CdxFile::writeSession() {
    return Session(this, true);
}

namespace {
std::uint64_t currentSize(int fd, const std::string& path) {
    struct stat st {};
    if (fstat(fd, &st) != 0) raiseIo(gen::kRead, errno, path, "lettura");
    return static_cast<std::uint64_t>(st.st_size);
}
}  // namespace

// Under a fresh lock: the cached pages stay only when the change counter (compound header bytes
// 8-11, bumped by every write session, started at a random value by create) shows that nobody
// wrote since; otherwise they go, and the file size is read again.
void CdxFile::revalidate(bool writing) {
    std::uint8_t b[4];
    ssize_t n;
    while ((n = ::pread(fd_, b, sizeof b, 8)) < 0 && errno == EINTR) {
    }
    if (n < 0) raiseIo(gen::kRead, errno, path_, "lettura");
    bool known = n == static_cast<ssize_t>(sizeof b);
    std::uint32_t counter = known ? le32(b) : 0;
    auto& c = *cache_;
    if (!known || !c.stampKnown || counter != c.stamp) {
        c.clear();
        ++generation_;
        c.fileSize = currentSize(fd_, path_);
        c.stamp = counter;
        c.stampKnown = known;
    }
    if (writing && known) {
        putLe32(b, ++c.stamp);
        writeAt(8, b, sizeof b);
    }
}

void CdxFile::beginRead() {
    if (readDepth_++ > 0 || writeDepth_ > 0) return;
    try {
        if (!options_.exclusive) {
            lockByte_ = randomLockByte();
            lockRange(fd_, F_RDLCK, lockByte_, 1, true, path_);
            revalidate(false);
        } else if (cache_->fileSize == 0) {
            cache_->fileSize = currentSize(fd_, path_);
        }
    } catch (...) {
        --readDepth_;
        throw;
    }
}

void CdxFile::endRead() {
    if (--readDepth_ > 0 || writeDepth_ > 0) return;
    if (!options_.exclusive) lockRange(fd_, F_UNLCK, lockByte_, 1, false, path_);
}

void CdxFile::beginWrite() {
    checkWritable();
    if (writeDepth_++ > 0) return;
    try {
        if (!options_.exclusive) {
            if (readDepth_ > 0) lockRange(fd_, F_UNLCK, lockByte_, 1, false, path_);
            lockRange(fd_, F_WRLCK, kWriteLockOffset, kWriteLockLength, true, path_);
            revalidate(true);
        } else if (cache_->fileSize == 0) {
            cache_->fileSize = currentSize(fd_, path_);
        }
    } catch (...) {
        --writeDepth_;
        throw;
    }
}

void CdxFile::endWrite() {
    if (--writeDepth_ > 0) return;
    if (options_.exclusive) return;
    if (readDepth_ > 0) {
        // Back to the read lock without a gap: the byte turns shared, the rest is released.
        lockRange(fd_, F_RDLCK, lockByte_, 1, false, path_);
        lockRange(fd_, F_UNLCK, kWriteLockOffset, lockByte_ - kWriteLockOffset, false, path_);
        std::uint64_t after = lockByte_ + 1;
        std::uint64_t end = kWriteLockOffset + kWriteLockLength;
        if (after < end) lockRange(fd_, F_UNLCK, after, end - after, false, path_);
    } else {
        lockRange(fd_, F_UNLCK, kWriteLockOffset, kWriteLockLength, false, path_);
    }
}

}  // namespace velt::engine
