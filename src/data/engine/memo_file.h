// Memo files (named ".DBT" by the program, whatever their inner format).
//
// FoxPro layout (tables with version 0xF5): blocks of `blockSize` bytes (64 for the files we
// create); the header holds the next free block (bytes 0-3) and the block size (bytes 4-7), both
// big-endian. Our files have a 1024-byte header: the signature "VELTMEMO" at bytes 8-15 and, at
// 512-1023, our index of freed blocks (a big-endian entry count at 512, then up to 63 entries
// of first block and block count, big-endian), through which space of rewritten or cleared memos
// is reused. Files without our signature (written by other programs) are read and written but
// their freed space is not tracked. Each memo: type (1 = text) and length big-endian, then text.
//
// dBase III layout (version 0x83): 512-byte blocks, next free block little-endian at byte 0,
// each memo its text followed by 0x1A 0x1A.
//
// Placing a memo in a shared file holds an OFD lock on the memo file, so two stations never
// take the same free space.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/engine/dbf_file.h"
#include "data/engine/os_file.h"

namespace velt::engine {

class MemoFile {
  public:
    static constexpr std::uint32_t kFoxBlockSize = 64;
    static constexpr std::uint32_t kFoxHeaderSize = 1024;
    static constexpr std::uint32_t kDBase3BlockSize = 512;
    static constexpr const char* kSignature = "VELTMEMO";
    static constexpr int kMaxFreeExtents = 63;

    struct Extent {
        std::uint32_t first = 0;
        std::uint32_t count = 0;
    };

    // An empty memo file in `format`, replacing the file.
    static void create(const std::string& path, MemoFormat format);

    // Opens and checks the header. Failures are raised (a missing memo file included).
    void open(const std::string& path, MemoFormat format, bool shared, bool readOnly);
    void close();
    bool isOpen() const { return file_.isOpen(); }
    const std::string& path() const { return file_.path(); }

    // The memo starting at `block`; a block outside the file or a length past its end counts as
    // damage. Block 0 is the empty memo.
    std::string read(std::uint32_t block);
    // Stores `text` as the new contents of the memo that started at `oldBlock` (0 for none) and
    // returns the block where it now starts (0 for an empty text). A text that fits the old
    // blocks is written in place; otherwise the old blocks are freed and space is taken from the
    // freed-block index or at the end of the file.
    std::uint32_t write(std::uint32_t oldBlock, std::string_view text);

    void sync() { file_.sync(); }
    std::uint32_t blockSize() const { return blockSize_; }
    std::uint32_t nextFreeBlock() const { return nextFree_; }
    bool ownFormat() const { return own_; }
    const std::vector<Extent>& freeExtents() const { return free_; }

  private:
    void readHeader();
    void writeHeader();
    std::uint32_t blocksFor(std::size_t textLength) const;
    std::uint32_t storedBlocks(std::uint32_t block);  // blocks taken by the memo at `block`
    void release(std::uint32_t first, std::uint32_t count);
    std::uint32_t allocate(std::uint32_t count);
    void writeAt(std::uint32_t block, std::string_view text, std::uint32_t blocks);

    OsFile file_;
    MemoFormat format_ = MemoFormat::FoxPro;
    bool shared_ = false;
    bool readOnly_ = false;
    bool own_ = false;
    std::uint32_t blockSize_ = kFoxBlockSize;
    std::uint32_t nextFree_ = 0;
    std::vector<Extent> free_;
};

}  // namespace velt::engine
