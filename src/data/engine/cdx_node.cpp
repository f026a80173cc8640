#include "data/engine/cdx_node.h"

#include <algorithm>

namespace velt::engine::cdx {

void Node::insertAt(std::size_t i, const std::uint8_t* key, std::uint32_t recno,
                    std::uint32_t child) {
    keys.insert(keys.begin() + static_cast<std::ptrdiff_t>(i * keyLength), key, key + keyLength);
    recnos.insert(recnos.begin() + static_cast<std::ptrdiff_t>(i), recno);
    if (!leaf) children.insert(children.begin() + static_cast<std::ptrdiff_t>(i), child);
}

void Node::eraseAt(std::size_t i) {
    auto k = keys.begin() + static_cast<std::ptrdiff_t>(i * keyLength);
    keys.erase(k, k + keyLength);
    recnos.erase(recnos.begin() + static_cast<std::ptrdiff_t>(i));
    if (!leaf) children.erase(children.begin() + static_cast<std::ptrdiff_t>(i));
}

void Node::setEntry(std::size_t i, const std::uint8_t* key, std::uint32_t recno) {
    std::memcpy(keys.data() + i * keyLength, key, keyLength);
    recnos[i] = recno;
}

void Node::splitInto(std::size_t from, Node& tail) {
    tail.leaf = leaf;
    tail.keyLength = keyLength;
    auto k = keys.begin() + static_cast<std::ptrdiff_t>(from * keyLength);
    tail.keys.assign(k, keys.end());
    keys.erase(k, keys.end());
    auto r = recnos.begin() + static_cast<std::ptrdiff_t>(from);
    tail.recnos.assign(r, recnos.end());
    recnos.erase(r, recnos.end());
    tail.children.clear();
    if (!leaf) {
        auto c = children.begin() + static_cast<std::ptrdiff_t>(from);
        tail.children.assign(c, children.end());
        children.erase(c, children.end());
    }
}

int bitsFor(std::uint32_t value) {
    int bits = 1;
    while (bits < 32 && (value >> bits) != 0) ++bits;
    return bits;
}

int trailingPad(const std::uint8_t* key, int keyLength, std::uint8_t pad) {
    int n = 0;
    while (n < keyLength && key[keyLength - 1 - n] == pad) ++n;
    return n;
}

namespace {

// Common prefix of `key` and `prev` without their trailing pad.
int duplicateBytes(const std::uint8_t* prev, const std::uint8_t* key, int keyLength,
                   std::uint8_t pad) {
    int limit = std::min(keyLength - trailingPad(prev, keyLength, pad),
                         keyLength - trailingPad(key, keyLength, pad));
    int dup = 0;
    while (dup < limit && prev[dup] == key[dup]) ++dup;
    return dup;
}

struct LeafLayout {
    int recBits, dupBits, trailBits, bytes;
};

LeafLayout leafLayout(int keyLength, std::uint32_t maxRecno) {
    LeafLayout l;
    l.dupBits = l.trailBits = bitsFor(static_cast<std::uint32_t>(keyLength));
    int need = bitsFor(maxRecno) + l.dupBits + l.trailBits;
    l.bytes = std::max(3, (need + 7) / 8);
    l.recBits = std::min(32, 8 * l.bytes - l.dupBits - l.trailBits);
    l.trailBits = 8 * l.bytes - l.dupBits - l.recBits;
    return l;
}

std::uint64_t mask(int bits) {
    return bits >= 64 ? ~0ull : (1ull << bits) - 1;
}

std::string decodeLeaf(const std::uint8_t* p, int keyLength, std::uint8_t pad, Node& out) {
    std::size_t count = le16(p + 2);
    int r = p[20], d = p[21], t = p[22], b = p[23];
    if (b < 1 || b > 8 || r < 1 || r > 32 || d > 16 || t > 16 || r + d + t != 8 * b)
        return "larghezze dei campi di una foglia impossibili";
    if (count * b > static_cast<std::size_t>(kLeafSpace)) return "numero di chiavi impossibile";
    out.keys.resize(count * keyLength);
    out.recnos.resize(count);
    std::size_t entriesEnd = 24 + count * b;
    std::size_t keyEnd = kPageSize;
    const std::uint8_t* prev = nullptr;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint64_t e = 0;
        for (int k = b - 1; k >= 0; --k) e = (e << 8) | p[24 + i * b + k];
        std::uint32_t recno = static_cast<std::uint32_t>(e & mask(r));
        int dup = static_cast<int>((e >> r) & mask(d));
        int trail = static_cast<int>((e >> (r + d)) & mask(t));
        if (dup + trail > keyLength || (i == 0 && dup > 0))
            return "conteggi di una chiave impossibili";
        std::size_t fresh = static_cast<std::size_t>(keyLength - dup - trail);
        if (keyEnd < entriesEnd + fresh) return "chiavi oltre lo spazio della foglia";
        keyEnd -= fresh;
        std::uint8_t* key = out.keys.data() + i * keyLength;
        if (dup > 0) std::memcpy(key, prev, dup);
        std::memcpy(key + dup, p + keyEnd, fresh);
        std::memset(key + dup + fresh, pad, trail);
        out.recnos[i] = recno;
        prev = key;
    }
    return {};
}

bool encodeLeaf(const Node& node, std::uint8_t pad, std::uint8_t* p) {
    std::uint32_t maxRecno = 0;
    for (auto r : node.recnos) maxRecno = std::max(maxRecno, r);
    LeafLayout l = leafLayout(node.keyLength, maxRecno);
    const int kl = node.keyLength;
    std::size_t pos = 24;
    std::size_t keyEnd = kPageSize;
    for (std::size_t i = 0; i < node.count(); ++i) {
        const std::uint8_t* key = node.key(i);
        int trail = trailingPad(key, kl, pad);
        int dup = i == 0 ? 0 : duplicateBytes(node.key(i - 1), key, kl, pad);
        std::size_t fresh = static_cast<std::size_t>(kl - dup - trail);
        if (keyEnd < pos + l.bytes + fresh) return false;
        keyEnd -= fresh;
        std::memcpy(p + keyEnd, key + dup, fresh);
        std::uint64_t e = node.recnos[i] | (std::uint64_t(dup) << l.recBits) |
                          (std::uint64_t(trail) << (l.recBits + l.dupBits));
        for (int k = 0; k < l.bytes; ++k) p[pos + k] = static_cast<std::uint8_t>(e >> (8 * k));
        pos += l.bytes;
    }
    putLe16(p + 12, static_cast<std::uint32_t>(keyEnd - pos));
    putLe32(p + 14, static_cast<std::uint32_t>(mask(l.recBits)));
    p[18] = static_cast<std::uint8_t>(mask(l.dupBits));
    p[19] = static_cast<std::uint8_t>(mask(l.trailBits));
    p[20] = static_cast<std::uint8_t>(l.recBits);
    p[21] = static_cast<std::uint8_t>(l.dupBits);
    p[22] = static_cast<std::uint8_t>(l.trailBits);
    p[23] = static_cast<std::uint8_t>(l.bytes);
    return true;
}

}  // namespace

std::string decodeNode(const std::uint8_t* page, std::uint32_t offset, int keyLength,
                       std::uint8_t pad, Node& out) {
    std::uint32_t attr = le16(page);
    out.offset = offset;
    out.leaf = (attr & 2) != 0;
    out.root = (attr & 1) != 0;
    out.left = le32(page + 4);
    out.right = le32(page + 8);
    out.keyLength = keyLength;
    out.children.clear();
    if (out.leaf) return decodeLeaf(page, keyLength, pad, out);
    std::size_t count = le16(page + 2);
    if (count > static_cast<std::size_t>(interiorCapacity(keyLength)))
        return "numero di chiavi di un nodo interno impossibile";
    out.keys.resize(count * keyLength);
    out.recnos.resize(count);
    out.children.resize(count);
    const std::uint8_t* e = page + 12;
    for (std::size_t i = 0; i < count; ++i, e += keyLength + 8) {
        std::memcpy(out.keys.data() + i * keyLength, e, keyLength);
        out.recnos[i] = be32(e + keyLength);
        out.children[i] = be32(e + keyLength + 4);
    }
    return {};
}

bool encodeNode(const Node& node, std::uint8_t pad, std::uint8_t* page) {
    std::memset(page, 0, kPageSize);
    putLe16(page, (node.leaf ? 2u : 0u) | (node.root ? 1u : 0u));
    putLe16(page + 2, static_cast<std::uint32_t>(node.count()));
    putLe32(page + 4, node.left);
    putLe32(page + 8, node.right);
    if (node.leaf) return encodeLeaf(node, pad, page);
    if (node.count() > static_cast<std::size_t>(interiorCapacity(node.keyLength))) return false;
    std::uint8_t* e = page + 12;
    for (std::size_t i = 0; i < node.count(); ++i, e += node.keyLength + 8) {
        std::memcpy(e, node.key(i), node.keyLength);
        putBe32(e + node.keyLength, node.recnos[i]);
        putBe32(e + node.keyLength + 4, node.children[i]);
    }
    return true;
}

void LeafSizer::reset() {
    count_ = 0;
    keyBytes_ = 0;
    maxRecno_ = 0;
}

int LeafSizer::newBytes(const std::uint8_t* prev, const std::uint8_t* key) const {
    int trail = trailingPad(key, keyLength_, pad_);
    int dup = prev ? duplicateBytes(prev, key, keyLength_, pad_) : 0;
    return keyLength_ - dup - trail;
}

int LeafSizer::entryBytes(std::uint32_t maxRecno) const {
    return leafLayout(keyLength_, maxRecno).bytes;
}

int LeafSizer::sizeWith(const std::uint8_t* prev, const std::uint8_t* key,
                        std::uint32_t recno) const {
    return (count_ + 1) * entryBytes(std::max(maxRecno_, recno)) + keyBytes_ + newBytes(prev, key);
}

bool LeafSizer::tryAdd(const std::uint8_t* prev, const std::uint8_t* key, std::uint32_t recno,
                       int space) {
    int fresh = newBytes(prev, key);
    std::uint32_t maxRecno = std::max(maxRecno_, recno);
    if ((count_ + 1) * entryBytes(maxRecno) + keyBytes_ + fresh > space) return false;
    keyBytes_ += fresh;
    maxRecno_ = maxRecno;
    ++count_;
    return true;
}

void LeafSizer::add(const std::uint8_t* prev, const std::uint8_t* key, std::uint32_t recno) {
    keyBytes_ += newBytes(prev, key);
    maxRecno_ = std::max(maxRecno_, recno);
    ++count_;
}

}  // namespace velt::engine::cdx
