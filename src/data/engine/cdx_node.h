// One 512-byte page of a compound index decoded into plain entries, and back: compact leaf
// nodes (bit-packed record number, duplicate and trailing counts, keys packed backwards from the
// end of the page) and interior nodes (full key, record number and child offset, big-endian).
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace velt::engine::cdx {

inline constexpr std::uint32_t kPageSize = 512;
inline constexpr std::uint32_t kNoPage = 0xFFFFFFFFu;  // "no sibling"
inline constexpr int kLeafSpace = 488;                 // bytes 24..511 of a leaf
inline constexpr int kInteriorSpace = 500;             // bytes 12..511 of an interior node

struct Node {
    std::uint32_t offset = 0;
    bool leaf = true;
    bool root = false;
    std::uint32_t left = kNoPage;
    std::uint32_t right = kNoPage;
    int keyLength = 0;
    std::vector<std::uint8_t> keys;       // count() keys of keyLength bytes, in order
    std::vector<std::uint32_t> recnos;    // one per key
    std::vector<std::uint32_t> children;  // interior nodes: one child page per key

    std::size_t count() const { return recnos.size(); }
    const std::uint8_t* key(std::size_t i) const { return keys.data() + i * keyLength; }
    void insertAt(std::size_t i, const std::uint8_t* key, std::uint32_t recno,
                  std::uint32_t child = 0);
    void eraseAt(std::size_t i);
    void setEntry(std::size_t i, const std::uint8_t* key, std::uint32_t recno);
    // Moves the entries from `from` on into `tail` (emptied first).
    void splitInto(std::size_t from, Node& tail);
};

// Decodes the page at `offset`. Returns an empty string, or what does not add up.
std::string decodeNode(const std::uint8_t* page, std::uint32_t offset, int keyLength,
                       std::uint8_t pad, Node& out);

// Encodes `node` into `page` (512 bytes). False when its entries do not fit in one page.
bool encodeNode(const Node& node, std::uint8_t pad, std::uint8_t* page);

// Entries an interior node of this key length holds.
inline int interiorCapacity(int keyLength) {
    return kInteriorSpace / (keyLength + 8);
}

// Number of bits that hold `value` (at least 1).
int bitsFor(std::uint32_t value);

// Trailing pad bytes of a key.
int trailingPad(const std::uint8_t* key, int keyLength, std::uint8_t pad);

// Incremental size of a compact leaf while entries are appended in order: lets a writer tell
// whether one more entry still fits.
class LeafSizer {
  public:
    LeafSizer(int keyLength, std::uint8_t pad) : keyLength_(keyLength), pad_(pad) {}
    void reset();
    // Bytes the leaf would use with this entry appended after the previous one (`prev` null for
    // the first entry).
    int sizeWith(const std::uint8_t* prev, const std::uint8_t* key, std::uint32_t recno) const;
    void add(const std::uint8_t* prev, const std::uint8_t* key, std::uint32_t recno);
    // Adds the entry when the leaf stays within `space` bytes; false (nothing added) otherwise.
    bool tryAdd(const std::uint8_t* prev, const std::uint8_t* key, std::uint32_t recno, int space);
    int count() const { return count_; }
    int size() const { return count_ ? count_ * entryBytes(maxRecno_) + keyBytes_ : 0; }

  private:
    int newBytes(const std::uint8_t* prev, const std::uint8_t* key) const;
    int entryBytes(std::uint32_t maxRecno) const;
    int keyLength_;
    std::uint8_t pad_;
    int count_ = 0;
    int keyBytes_ = 0;
    std::uint32_t maxRecno_ = 0;
};

inline void putLe16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void putLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void putBe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}
inline std::uint32_t le16(const std::uint8_t* p) {
    return p[0] | (std::uint32_t(p[1]) << 8);
}
inline std::uint32_t le32(const std::uint8_t* p) {
    return p[0] | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
inline std::uint32_t be32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           p[3];
}

}  // namespace velt::engine::cdx
