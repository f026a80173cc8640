#include "data/engine/memo_file.h"

#include <algorithm>
#include <cstring>

#include "data/engine/engine_failure.h"
#include "data/engine/lock_scheme.h"

namespace velt::engine {
namespace {

std::uint32_t getBE(const unsigned char* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}
void putBE(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}
std::uint32_t getLE(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void putLE(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

constexpr std::uint32_t kFreeIndexOffset = 512;
constexpr std::uint32_t kMemoHeader = 8;
constexpr std::uint32_t kMaxMemoLength = 64u * 1024 * 1024;  // no memo of ours is near this

// Holds the memo allocation lock of a shared file for one placement.
class AllocationLock {
  public:
    AllocationLock(OsFile& file, bool active) : file_(file), active_(active) {
        if (active_)
            file_.lock(lockscheme::kMemoAllocOffset, lockscheme::kMemoAllocLength, true, true);
    }
    ~AllocationLock() {
        if (active_) {
            try {
                file_.unlock(lockscheme::kMemoAllocOffset, lockscheme::kMemoAllocLength);
            } catch (...) {
            }
        }
    }

  private:
    OsFile& file_;
    bool active_;
};

}  // namespace

void MemoFile::create(const std::string& path, MemoFormat format) {
    OsFile out;
    int err = out.create(path);
    if (err != 0) raiseSystem(gen::kCreate, sub::kCreate, err, path, "creazione");
    if (format == MemoFormat::DBase3) {
        std::string header(kDBase3BlockSize, '\0');
        putLE(reinterpret_cast<unsigned char*>(header.data()), 1);
        out.writeAt(0, header.data(), header.size());
    } else {
        std::string header(kFoxHeaderSize, '\0');
        auto* h = reinterpret_cast<unsigned char*>(header.data());
        putBE(h, kFoxHeaderSize / kFoxBlockSize);
        putBE(h + 4, kFoxBlockSize);
        std::memcpy(h + 8, kSignature, 8);
        out.writeAt(0, header.data(), header.size());
    }
    out.sync();
}

void MemoFile::open(const std::string& path, MemoFormat format, bool shared, bool readOnly) {
    close();
    int err = file_.open(path, readOnly ? OsFile::Access::ReadOnly : OsFile::Access::ReadWrite);
    if (err != 0) raiseSystem(gen::kOpen, sub::kOpen, err, path, "apertura");
    format_ = format;
    shared_ = shared;
    readOnly_ = readOnly;
    try {
        readHeader();
    } catch (...) {
        file_.close();
        throw;
    }
}

void MemoFile::close() {
    file_.close();
    free_.clear();
}

void MemoFile::readHeader() {
    const std::uint64_t size = file_.size();
    if (format_ == MemoFormat::DBase3) {
        unsigned char h[4];
        if (size < 4) raiseDamaged(file_.path(), "intestazione del memo troncata");
        file_.readExact(0, h, 4);
        blockSize_ = kDBase3BlockSize;
        nextFree_ = getLE(h);
        own_ = false;
        return;
    }
    unsigned char h[kFoxHeaderSize];
    if (size < 512) raiseDamaged(file_.path(), "intestazione del memo troncata");
    std::size_t got = file_.readAt(0, h, sizeof h);
    nextFree_ = getBE(h);
    blockSize_ = getBE(h + 4);
    if (blockSize_ == 0 || blockSize_ > 65536) raiseDamaged(file_.path(), "dimensione del blocco");
    own_ = got == kFoxHeaderSize && std::memcmp(h + 8, kSignature, 8) == 0;
    free_.clear();
    if (own_) {
        std::uint32_t n = getBE(h + kFreeIndexOffset);
        if (n > kMaxFreeExtents) raiseDamaged(file_.path(), "indice dei blocchi liberi");
        for (std::uint32_t i = 0; i < n; ++i) {
            const unsigned char* e = h + kFreeIndexOffset + 4 + 8 * i;
            Extent x{getBE(e), getBE(e + 4)};
            if (x.first < kFoxHeaderSize / blockSize_ || x.count == 0 ||
                static_cast<std::uint64_t>(x.first) + x.count > nextFree_)
                raiseDamaged(file_.path(), "indice dei blocchi liberi");
            free_.push_back(x);
        }
    }
}

void MemoFile::writeHeader() {
    if (format_ == MemoFormat::DBase3) {
        unsigned char h[4];
        putLE(h, nextFree_);
        file_.writeAt(0, h, 4);
        return;
    }
    unsigned char h[4];
    putBE(h, nextFree_);
    file_.writeAt(0, h, 4);
    if (!own_) return;
    unsigned char idx[kFoxHeaderSize - kFreeIndexOffset] = {};
    putBE(idx, static_cast<std::uint32_t>(free_.size()));
    for (std::size_t i = 0; i < free_.size(); ++i) {
        putBE(idx + 4 + 8 * i, free_[i].first);
        putBE(idx + 8 + 8 * i, free_[i].count);
    }
    file_.writeAt(kFreeIndexOffset, idx, sizeof idx);
}

std::uint32_t MemoFile::blocksFor(std::size_t textLength) const {
    std::uint64_t bytes = format_ == MemoFormat::DBase3 ? textLength + 2 : textLength + kMemoHeader;
    return static_cast<std::uint32_t>((bytes + blockSize_ - 1) / blockSize_);
}

std::string MemoFile::read(std::uint32_t block) {
    if (block == 0) return {};
    const std::uint64_t size = file_.size();
    const std::uint64_t offset = static_cast<std::uint64_t>(block) * blockSize_;
    const std::uint64_t headerBytes = format_ == MemoFormat::DBase3 ? kDBase3BlockSize : 512;
    if (offset < headerBytes || offset >= size)
        raiseDamaged(file_.path(), "blocco memo fuori dal file");
    if (format_ == MemoFormat::DBase3) {
        std::string text;
        char buf[kDBase3BlockSize];
        std::uint64_t pos = offset;
        while (pos < size) {
            std::size_t n = file_.readAt(pos, buf, sizeof buf);
            if (n == 0) break;
            const char* end = static_cast<const char*>(std::memchr(buf, 0x1A, n));
            if (end) {
                text.append(buf, static_cast<std::size_t>(end - buf));
                return text;
            }
            text.append(buf, n);
            pos += n;
            if (text.size() > kMaxMemoLength) break;
        }
        raiseDamaged(file_.path(), "memo senza terminatore");
    }
    unsigned char h[kMemoHeader];
    if (offset + kMemoHeader > size) raiseDamaged(file_.path(), "blocco memo fuori dal file");
    file_.readExact(offset, h, kMemoHeader);
    std::uint32_t length = getBE(h + 4);
    if (offset + kMemoHeader + length > size)
        raiseDamaged(file_.path(), "memo oltre la fine del file");
    std::string text(length, '\0');
    file_.readExact(offset + kMemoHeader, text.data(), length);
    return text;
}

std::uint32_t MemoFile::storedBlocks(std::uint32_t block) {
    if (format_ == MemoFormat::DBase3) return blocksFor(read(block).size());
    const std::uint64_t offset = static_cast<std::uint64_t>(block) * blockSize_;
    if (offset < 512 || offset + kMemoHeader > file_.size())
        raiseDamaged(file_.path(), "blocco memo fuori dal file");
    unsigned char h[kMemoHeader];
    file_.readExact(offset, h, kMemoHeader);
    std::uint32_t length = getBE(h + 4);
    if (offset + kMemoHeader + length > file_.size())
        raiseDamaged(file_.path(), "memo oltre la fine del file");
    return blocksFor(length);
}

void MemoFile::release(std::uint32_t first, std::uint32_t count) {
    if (!own_ || count == 0) return;
    if (static_cast<std::uint64_t>(first) + count > nextFree_) return;
    free_.push_back({first, count});
    std::sort(free_.begin(), free_.end(),
              [](const Extent& a, const Extent& b) { return a.first < b.first; });
    std::vector<Extent> merged;
    for (const Extent& e : free_) {
        if (!merged.empty() && merged.back().first + merged.back().count >= e.first) {
            std::uint32_t end =
                std::max(merged.back().first + merged.back().count, e.first + e.count);
            merged.back().count = end - merged.back().first;
        } else {
            merged.push_back(e);
        }
    }
    // Space freed at the end of the file gives the end back.
    if (!merged.empty() && merged.back().first + merged.back().count == nextFree_) {
        nextFree_ = merged.back().first;
        merged.pop_back();
    }
    // A full index forgets its smallest extent: that space is lost, never double-used.
    while (merged.size() > static_cast<std::size_t>(kMaxFreeExtents)) {
        auto smallest =
            std::min_element(merged.begin(), merged.end(),
                             [](const Extent& a, const Extent& b) { return a.count < b.count; });
        merged.erase(smallest);
    }
    free_ = std::move(merged);
}

std::uint32_t MemoFile::allocate(std::uint32_t count) {
    for (std::size_t i = 0; i < free_.size(); ++i) {
        if (free_[i].count >= count) {
            std::uint32_t first = free_[i].first;
            free_[i].first += count;
            free_[i].count -= count;
            if (free_[i].count == 0) free_.erase(free_.begin() + static_cast<std::ptrdiff_t>(i));
            return first;
        }
    }
    std::uint32_t first = nextFree_;
    // Never place a memo over the header, whatever another writer left in it.
    std::uint32_t headerBlocks =
        format_ == MemoFormat::DBase3 ? 1 : (own_ ? kFoxHeaderSize : 512) / blockSize_;
    if (format_ != MemoFormat::DBase3 && (own_ ? kFoxHeaderSize : 512u) % blockSize_ != 0)
        ++headerBlocks;
    first = std::max(first, headerBlocks);
    // Data past the next free block (another writer's unpadded last memo) is not overwritten,
    // and a next free block past the end of the file (a damaged header) leaves no hole.
    std::uint64_t fileBlocks = (file_.size() + blockSize_ - 1) / blockSize_;
    if (fileBlocks > first && !own_) first = static_cast<std::uint32_t>(fileBlocks);
    if (first > fileBlocks && fileBlocks <= 0xFFFFFFFFull)
        first = std::max(static_cast<std::uint32_t>(fileBlocks), headerBlocks);
    if (static_cast<std::uint64_t>(first) + count > 0xFFFFFFFFull)
        raiseFatal(
            engineFailure(gen::kLimit, sub::kWrite, "file memo pieno", file_.path(), "scrittura"));
    nextFree_ = first + count;
    return first;
}

void MemoFile::writeAt(std::uint32_t block, std::string_view text, std::uint32_t blocks) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(blocks) * blockSize_);
    if (format_ == MemoFormat::DBase3) {
        bytes.append(text);
        bytes.append("\x1A\x1A", 2);
    } else {
        unsigned char h[kMemoHeader];
        putBE(h, 1);
        putBE(h + 4, static_cast<std::uint32_t>(text.size()));
        bytes.append(reinterpret_cast<const char*>(h), kMemoHeader);
        bytes.append(text);
    }
    bytes.resize(static_cast<std::size_t>(blocks) * blockSize_, '\0');
    file_.writeAt(static_cast<std::uint64_t>(block) * blockSize_, bytes.data(), bytes.size());
}

std::uint32_t MemoFile::write(std::uint32_t oldBlock, std::string_view text) {
    if (readOnly_) {
        raiseFatal(engineFailure(gen::kReadOnly, sub::kReadOnly, "file in sola lettura",
                                 file_.path(), "scrittura"));
    }
    if (text.size() > kMaxMemoLength) {
        raiseFatal(engineFailure(gen::kDataWidth, sub::kDataWidth, "memo troppo lungo",
                                 file_.path(), "scrittura"));
    }
    AllocationLock guard(file_, shared_);
    if (shared_) readHeader();
    const std::uint32_t need = text.empty() ? 0 : blocksFor(text.size());
    std::uint32_t result = 0;
    if (oldBlock != 0) {
        std::uint32_t had = storedBlocks(oldBlock);
        if (need != 0 && need <= had) {
            writeAt(oldBlock, text, need);
            release(oldBlock + need, had - need);
            writeHeader();
            return oldBlock;
        }
        release(oldBlock, had);
    }
    if (need != 0) {
        result = allocate(need);
        writeAt(result, text, need);
    }
    writeHeader();
    return result;
}

}  // namespace velt::engine
