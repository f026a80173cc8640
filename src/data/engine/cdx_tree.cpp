// The tag's B-tree: page access with damage checks, descents, the leaf chain, and the updates
// (insert, remove) that split, unlink and free pages and keep each parent entry equal to the
// last entry of its child.
#include <algorithm>
#include <stdexcept>

#include "data/engine/cdx_internal.h"

namespace velt::engine {

using namespace cdx;

namespace {
constexpr int kMaxDepth = 32;
constexpr std::uint32_t kFirstNodePage = 1024;
}  // namespace

int comparePrefix(const std::uint8_t* key, int keyLength, std::string_view prefix) {
    std::size_t n = std::min(prefix.size(), static_cast<std::size_t>(keyLength));
    int c = n ? std::memcmp(key, prefix.data(), n) : 0;
    if (c != 0) return c < 0 ? -1 : 1;
    return prefix.size() > static_cast<std::size_t>(keyLength) ? -1 : 0;
}

int compareEntry(const std::uint8_t* a, std::uint32_t ra, const std::uint8_t* b, std::uint32_t rb,
                 int keyLength) {
    int c = std::memcmp(a, b, keyLength);
    if (c != 0) return c < 0 ? -1 : 1;
    return ra < rb ? -1 : (ra > rb ? 1 : 0);
}

// Pages.

std::size_t CdxTree::maxSteps(CdxFile& file) {
    return file.cache_->fileSize / kPageSize + 1;
}

void CdxTree::checkOffset(CdxFile& file, std::uint32_t offset) {
    if (offset % kPageSize != 0 || offset < kFirstNodePage ||
        std::uint64_t(offset) + kPageSize > file.cache_->fileSize)
        raiseDamaged(file.path_, "pagina fuori dal file o non allineata");
}

NodePtr CdxTree::node(CdxTag& tag, std::uint32_t offset) {
    CdxFile& file = *tag.file_;
    auto& nodes = file.cache_->nodes;
    if (const NodePtr* cached = nodes.find(offset)) {
        if ((*cached)->keyLength != tag.keyLength_)
            raiseDamaged(file.path_, "pagina usata da due tag");
        return *cached;
    }
    checkOffset(file, offset);
    std::uint8_t page[kPageSize];
    file.readAt(offset, page, sizeof page);
    auto n = std::make_shared<Node>();
    std::string error = decodeNode(page, offset, tag.keyLength_, padFor(tag.type_), *n);
    if (!error.empty()) raiseDamaged(file.path_, error);
    nodes.put(offset, n);
    return n;
}

std::uint32_t CdxTree::root(CdxTag& tag) {
    CdxFile& file = *tag.file_;
    auto& roots = file.cache_->roots;
    auto it = roots.find(tag.headerOffset_);
    if (it != roots.end()) return it->second;
    std::uint8_t b[4];
    file.readAt(tag.headerOffset_, b, sizeof b);
    std::uint32_t r = le32(b);
    roots[tag.headerOffset_] = r;
    return r;
}

void CdxTree::setRoot(CdxTag& tag, std::uint32_t offset) {
    std::uint8_t b[4];
    putLe32(b, offset);
    tag.file_->writeAt(tag.headerOffset_, b, sizeof b);
    tag.file_->cache_->roots[tag.headerOffset_] = offset;
}

void CdxTree::write(CdxTag& tag, const Node& n) {
    std::uint8_t page[kPageSize];
    if (!encodeNode(n, padFor(tag.type_), page))
        throw std::logic_error("compound index page overflow");
    CdxFile& file = *tag.file_;
    file.writeAt(n.offset, page, sizeof page);
    file.cache_->nodes.put(n.offset, std::make_shared<Node>(n));
}

void CdxTree::writeRaw(CdxFile& file, std::uint64_t offset, const void* data, std::size_t size) {
    file.writeAt(offset, data, size);
}

std::uint32_t CdxTree::allocPage(CdxFile& file) {
    auto& c = *file.cache_;
    if (!c.freeKnown) {
        std::uint8_t b[4];
        file.readAt(4, b, sizeof b);
        c.freeHead = le32(b);
        c.freeKnown = true;
    }
    std::uint32_t head = c.freeHead;
    if (head != 0 && head != kNoPage && head % kPageSize == 0 && head >= 2 * kFirstNodePage &&
        std::uint64_t(head) + kPageSize <= c.fileSize) {
        std::uint8_t b[4];
        file.readAt(head, b, sizeof b);
        c.freeHead = le32(b);
        std::uint8_t h[4];
        putLe32(h, c.freeHead);
        file.writeAt(4, h, sizeof h);
        c.nodes.erase(head);
        return head;
    }
    std::uint64_t end = (c.fileSize + kPageSize - 1) / kPageSize * kPageSize;
    if (end + kPageSize > 0xFFFFFE00ull) raiseLimit(file.path_, "file indice troppo grande");
    c.fileSize = end + kPageSize;
    return static_cast<std::uint32_t>(end);
}

void CdxTree::freePage(CdxFile& file, std::uint32_t offset) {
    auto& c = *file.cache_;
    if (!c.freeKnown) {
        std::uint8_t b[4];
        file.readAt(4, b, sizeof b);
        c.freeHead = le32(b);
        c.freeKnown = true;
    }
    std::uint8_t page[kPageSize] = {};
    putLe32(page, c.freeHead == kNoPage ? 0 : c.freeHead);
    file.writeAt(offset, page, sizeof page);
    std::uint8_t h[4];
    putLe32(h, offset);
    file.writeAt(4, h, sizeof h);
    c.freeHead = offset;
    c.nodes.erase(offset);
}

// Descents and the leaf chain.

template <class Below>
CdxSpot CdxTree::descend(CdxTag& tag, Below below, std::vector<CdxStep>* path) {
    std::uint32_t offset = root(tag);
    for (int depth = 0;; ++depth) {
        if (depth > kMaxDepth) raiseDamaged(tag.file_->path_, "albero dell'indice ciclico");
        NodePtr n = node(tag, offset);
        std::size_t lo = 0, hi = n->count();
        while (lo < hi) {
            std::size_t mid = (lo + hi) / 2;
            if (below(*n, mid))
                lo = mid + 1;
            else
                hi = mid;
        }
        if (n->leaf) {
            if (path) path->push_back({std::make_shared<Node>(*n), lo});
            return {n, lo};
        }
        if (n->count() == 0) raiseDamaged(tag.file_->path_, "nodo interno vuoto");
        if (lo == n->count()) lo = n->count() - 1;
        if (path) path->push_back({std::make_shared<Node>(*n), lo});
        offset = n->children[lo];
    }
}

CdxSpot CdxTree::lowerBound(CdxTag& tag, const std::uint8_t* key, std::uint32_t recno,
                            std::vector<CdxStep>* path) {
    int kl = tag.keyLength_;
    return descend(
        tag,
        [&](const Node& n, std::size_t i) {
            return compareEntry(n.key(i), n.recnos[i], key, recno, kl) < 0;
        },
        path);
}

CdxSpot CdxTree::prefixLowerBound(CdxTag& tag, std::string_view prefix) {
    int kl = tag.keyLength_;
    return descend(
        tag, [&](const Node& n, std::size_t i) { return comparePrefix(n.key(i), kl, prefix) < 0; });
}

CdxSpot CdxTree::prefixUpperBound(CdxTag& tag, std::string_view prefix) {
    int kl = tag.keyLength_;
    return descend(tag, [&](const Node& n, std::size_t i) {
        return comparePrefix(n.key(i), kl, prefix) <= 0;
    });
}

CdxSpot CdxTree::firstSpot(CdxTag& tag) {
    return descend(tag, [](const Node&, std::size_t) { return false; });
}

CdxSpot CdxTree::lastSpot(CdxTag& tag) {
    return descend(tag, [](const Node&, std::size_t) { return true; });
}

// Sibling chains are checked as they are followed: the entries must keep rising from leaf to
// leaf, which also stops a chain that loops back on itself.
bool CdxTree::settle(CdxTag& tag, CdxSpot& spot) {
    if (!spot.leaf) return false;
    std::size_t steps = 0, limit = maxSteps(*tag.file_);
    NodePtr before = spot.index > 0 ? spot.leaf : nullptr;
    while (spot.index >= spot.leaf->count()) {
        if (spot.leaf->count() > 0) before = spot.leaf;
        if (spot.leaf->right == kNoPage) return false;
        if (++steps > limit) raiseDamaged(tag.file_->path_, "catena delle foglie ciclica");
        NodePtr next = node(tag, spot.leaf->right);
        if (!next->leaf) raiseDamaged(tag.file_->path_, "catena delle foglie non valida");
        if (before && next->count() > 0 &&
            compareEntry(next->key(0), next->recnos[0], before->key(before->count() - 1),
                         before->recnos.back(), tag.keyLength_) <= 0)
            raiseDamaged(tag.file_->path_, "catena delle foglie fuori ordine");
        spot = {next, 0};
    }
    return true;
}

bool CdxTree::stepBack(CdxTag& tag, CdxSpot& spot) {
    if (!spot.leaf) return false;
    std::size_t steps = 0, limit = maxSteps(*tag.file_);
    spot.index = std::min(spot.index, spot.leaf->count());
    NodePtr after = spot.index < spot.leaf->count() ? spot.leaf : nullptr;
    while (spot.index == 0) {
        if (spot.leaf->count() > 0) after = spot.leaf;
        if (spot.leaf->left == kNoPage) return false;
        if (++steps > limit) raiseDamaged(tag.file_->path_, "catena delle foglie ciclica");
        NodePtr prev = node(tag, spot.leaf->left);
        if (!prev->leaf) raiseDamaged(tag.file_->path_, "catena delle foglie non valida");
        if (after && prev->count() > 0 &&
            compareEntry(prev->key(prev->count() - 1), prev->recnos.back(), after->key(0),
                         after->recnos[0], tag.keyLength_) >= 0)
            raiseDamaged(tag.file_->path_, "catena delle foglie fuori ordine");
        spot = {prev, prev->count()};
    }
    --spot.index;
    return true;
}

void CdxTree::leafHeader(CdxTag& tag, std::uint32_t offset, std::size_t& count,
                         std::uint32_t& right) {
    CdxFile& file = *tag.file_;
    if (const NodePtr* cached = file.cache_->nodes.find(offset)) {
        if (!(*cached)->leaf) raiseDamaged(file.path_, "catena delle foglie non valida");
        count = (*cached)->count();
        right = (*cached)->right;
        return;
    }
    checkOffset(file, offset);
    std::uint8_t h[24];
    file.readAt(offset, h, sizeof h);
    if ((le16(h) & 2) == 0) raiseDamaged(file.path_, "catena delle foglie non valida");
    count = le16(h + 2);
    if (h[23] < 1 || count * h[23] > static_cast<std::size_t>(kLeafSpace))
        raiseDamaged(file.path_, "numero di chiavi impossibile");
    right = le32(h + 8);
}

std::uint64_t CdxTree::distance(CdxTag& tag, const CdxSpot& a, const CdxSpot& b) {
    if (b.leaf && a.leaf->offset == b.leaf->offset)
        return b.index > a.index ? b.index - a.index : 0;
    std::uint64_t total = a.leaf->count() - std::min(a.index, a.leaf->count());
    std::uint32_t offset = a.leaf->right;
    std::size_t steps = 0, limit = maxSteps(*tag.file_);
    for (;;) {
        if (offset == kNoPage) {
            if (b.leaf) raiseDamaged(tag.file_->path_, "catena delle foglie interrotta");
            return total;
        }
        if (b.leaf && offset == b.leaf->offset) return total + b.index;
        if (++steps > limit) raiseDamaged(tag.file_->path_, "catena delle foglie ciclica");
        std::size_t count;
        leafHeader(tag, offset, count, offset);
        total += count;
    }
}

// Updates.

namespace {

struct Piece {
    std::vector<std::uint8_t> key;
    std::uint32_t recno;
    std::uint32_t offset;
};

Piece lastOf(const Node& n) {
    const std::uint8_t* k = n.key(n.count() - 1);
    return {std::vector<std::uint8_t>(k, k + n.keyLength), n.recnos.back(), n.offset};
}

bool fits(const Node& n, std::uint8_t pad) {
    std::uint8_t page[kPageSize];
    return encodeNode(n, pad, page);
}

// Index at which a leaf that does not fit is split so that both halves hold about the same
// number of bytes.
std::size_t leafSplitPoint(const Node& n, std::uint8_t pad) {
    LeafSizer sizer(n.keyLength, pad);
    std::vector<int> sizes;
    for (std::size_t i = 0; i < n.count(); ++i) {
        const std::uint8_t* prev = i ? n.key(i - 1) : nullptr;
        sizes.push_back(sizer.sizeWith(prev, n.key(i), n.recnos[i]));
        sizer.add(prev, n.key(i), n.recnos[i]);
    }
    std::size_t m = 1;
    while (m + 1 < n.count() && sizes[m - 1] < sizes.back() / 2) ++m;
    return m;
}

}  // namespace

struct CdxUpdate {
    CdxTag& tag;
    std::uint8_t pad;

    void relink(std::uint32_t offset, bool setLeft, std::uint32_t value) {
        if (offset == kNoPage) return;
        Node n = *CdxTree::node(tag, offset);
        (setLeft ? n.left : n.right) = value;
        CdxTree::write(tag, n);
    }

    // Writes `n` (splitting it when it does not fit) and returns what now stands in its place
    // in the parent: nothing when it vanished, one piece, or several after a split.
    std::vector<Piece> store(Node& n) {
        if (n.count() == 0 && !n.root) {
            relink(n.left, false, n.right);
            relink(n.right, true, n.left);
            CdxTree::freePage(tag.file(), n.offset);
            return {};
        }
        if (n.count() == 0) {  // an empty root becomes an empty root leaf
            n.leaf = true;
            n.children.clear();
            n.left = n.right = kNoPage;
            CdxTree::write(tag, n);
            return {};
        }
        if (fits(n, pad)) {
            CdxTree::write(tag, n);
            return {lastOf(n)};
        }
        n.root = false;
        std::size_t m = n.leaf ? leafSplitPoint(n, pad) : n.count() / 2;
        // The last node of a level grows by appends in key order (new rows): it keeps all but
        // its last entry, so such appends leave full pages behind.
        if (n.right == kNoPage && n.count() > 1) {
            Node head = n;
            Node last;
            head.splitInto(n.count() - 1, last);
            if (fits(head, pad)) m = n.count() - 1;
        }
        Node tail;
        n.splitInto(m, tail);
        tail.offset = CdxTree::allocPage(tag.file());
        tail.left = n.offset;
        tail.right = n.right;
        n.right = tail.offset;
        relink(tail.right, true, tail.offset);
        std::vector<Piece> pieces = store(n);
        std::vector<Piece> more = store(tail);
        pieces.insert(pieces.end(), more.begin(), more.end());
        return pieces;
    }

    // A leaf left less than a quarter full takes in a neighbour under the same parent when both
    // fit in one page; the neighbour's page is freed and its parent entry dropped.
    void mergeLeaf(std::vector<CdxStep>& path) {
        if (path.size() < 2) return;
        Node& leaf = *path.back().node;
        Node& parent = *path[path.size() - 2].node;
        std::size_t& i = path[path.size() - 2].index;
        if (leaf.count() == 0 || usedBytes(leaf) >= kLeafSpace / 4) return;
        for (bool right : {true, false}) {
            if (right ? i + 1 >= parent.count() : i == 0) continue;
            Node other = *CdxTree::node(tag, parent.children[right ? i + 1 : i - 1]);
            if (!other.leaf) return;
            Node merged = right ? leaf : other;
            const Node& tail = right ? other : leaf;
            merged.keys.insert(merged.keys.end(), tail.keys.begin(), tail.keys.end());
            merged.recnos.insert(merged.recnos.end(), tail.recnos.begin(), tail.recnos.end());
            merged.right = tail.right;
            if (!fits(merged, pad)) continue;
            relink(tail.right, true, merged.offset);
            CdxTree::freePage(tag.file(), tail.offset);
            if (right) {
                parent.eraseAt(i + 1);
            } else {
                parent.eraseAt(i);
                --i;
            }
            *path.back().node = std::move(merged);
            return;
        }
    }

    int usedBytes(const Node& n) const {
        LeafSizer sizer(n.keyLength, pad);
        for (std::size_t k = 0; k < n.count(); ++k)
            sizer.add(k ? n.key(k - 1) : nullptr, n.key(k), n.recnos[k]);
        return sizer.size();
    }

    void apply(std::vector<CdxStep>& path) {
        std::vector<Piece> pieces = store(*path.back().node);
        bool rootReplaced = true;
        for (std::size_t level = path.size() - 1; level-- > 0;) {
            Node& p = *path[level].node;
            std::size_t i = path[level].index;
            if (pieces.size() == 1 && pieces[0].offset == p.children[i] &&
                pieces[0].recno == p.recnos[i] &&
                std::memcmp(pieces[0].key.data(), p.key(i), p.keyLength) == 0) {
                rootReplaced = false;
                break;
            }
            p.eraseAt(i);
            for (std::size_t k = 0; k < pieces.size(); ++k)
                p.insertAt(i + k, pieces[k].key.data(), pieces[k].recno, pieces[k].offset);
            pieces = store(p);
        }
        if (rootReplaced && pieces.size() > 1) {
            Node r;
            r.leaf = false;
            r.root = true;
            r.keyLength = tag.keyLength();
            r.offset = CdxTree::allocPage(tag.file());
            for (auto& piece : pieces)
                r.insertAt(r.count(), piece.key.data(), piece.recno, piece.offset);
            CdxTree::write(tag, r);
            CdxTree::setRoot(tag, r.offset);
        }
        collapseRoot();
    }

    // A root interior node with a single child hands the root over to that child.
    void collapseRoot() {
        for (int depth = 0; depth < kMaxDepth; ++depth) {
            std::uint32_t rootOffset = CdxTree::root(tag);
            NodePtr r = CdxTree::node(tag, rootOffset);
            if (r->leaf || r->count() != 1) return;
            Node child = *CdxTree::node(tag, r->children[0]);
            child.root = true;
            child.left = child.right = kNoPage;
            CdxTree::write(tag, child);
            CdxTree::setRoot(tag, child.offset);
            CdxTree::freePage(tag.file(), rootOffset);
        }
    }
};

// The tag's operations.

namespace {
std::string padded(CdxTag& tag, std::string_view key, CdxKeyType type) {
    if (key.size() > static_cast<std::size_t>(tag.keyLength()))
        raiseArgument(tag.file().path(), 1026, "chiave pi\xF9 lunga del tag " + tag.name());
    std::string k(key);
    k.resize(tag.keyLength(), static_cast<char>(padFor(type)));
    return k;
}
const std::uint8_t* bytes(const std::string& s) {
    return reinterpret_cast<const std::uint8_t*>(s.data());
}
}  // namespace

void CdxTag::setKeyType(CdxKeyType type) {
    if (type == type_) return;
    type_ = type;
    file_->cache_->nodes.clear();
    ++file_->generation_;
}

bool CdxTag::insert(std::string_view key, std::uint32_t recno) {
    std::string k = padded(*this, key, type_);
    auto session = file_->writeSession();
    ++file_->generation_;
    if (unique_) {
        CdxSpot u = CdxTree::lowerBound(*this, bytes(k), 0);
        if (CdxTree::settle(*this, u) &&
            std::memcmp(u.leaf->key(u.index), k.data(), keyLength_) == 0)
            return false;
    }
    std::vector<CdxStep> path;
    CdxTree::lowerBound(*this, bytes(k), recno, &path);
    Node& leaf = *path.back().node;
    std::size_t i = path.back().index;
    if (i < leaf.count() &&
        compareEntry(leaf.key(i), leaf.recnos[i], bytes(k), recno, keyLength_) == 0)
        return false;
    leaf.insertAt(i, bytes(k), recno);
    CdxUpdate{*this, padFor(type_)}.apply(path);
    return true;
}

bool CdxTag::remove(std::string_view key, std::uint32_t recno) {
    std::string k = padded(*this, key, type_);
    auto session = file_->writeSession();
    ++file_->generation_;
    std::vector<CdxStep> path;
    CdxTree::lowerBound(*this, bytes(k), recno, &path);
    Node& leaf = *path.back().node;
    std::size_t i = path.back().index;
    if (i >= leaf.count() ||
        compareEntry(leaf.key(i), leaf.recnos[i], bytes(k), recno, keyLength_) != 0)
        return false;
    leaf.eraseAt(i);
    CdxUpdate update{*this, padFor(type_)};
    update.mergeLeaf(path);
    update.apply(path);
    return true;
}

std::uint64_t CdxTag::keyCount(std::string_view low, std::string_view high) {
    auto session = file_->readSession();
    auto& memo = file_->cache_->lastCount;
    if (memo.generation == file_->generation_ && memo.tagHeader == headerOffset_ &&
        memo.low == low && memo.high == high)
        return memo.count;
    std::uint64_t count = 0;
    CdxSpot a = low.empty() ? CdxTree::firstSpot(*this) : CdxTree::prefixLowerBound(*this, low);
    if (CdxTree::settle(*this, a) &&
        (high.empty() || comparePrefix(a.leaf->key(a.index), keyLength_, high) <= 0)) {
        CdxSpot b = high.empty() ? CdxSpot{} : CdxTree::prefixUpperBound(*this, high);
        count = CdxTree::distance(*this, a, b);
    }
    memo = {file_->generation_, headerOffset_, std::string(low), std::string(high), count};
    return count;
}

// Cursor.

CdxCursor::CdxCursor(CdxTag& tag) : tag_(&tag) {}

bool CdxCursor::land(CdxSpot spot) {
    generation_ = tag_->file_->generation_;
    ahead_ = false;
    if (!CdxTree::settle(*tag_, spot)) return valid_ = false;
    leaf_ = spot.leaf->offset;
    index_ = static_cast<int>(spot.index);
    key_.assign(reinterpret_cast<const char*>(spot.leaf->key(spot.index)), tag_->keyLength_);
    recno_ = spot.leaf->recnos[spot.index];
    return valid_ = true;
}

void CdxCursor::reposition() {
    if (generation_ == tag_->file_->generation_) return;
    CdxSpot spot = CdxTree::lowerBound(*tag_, bytes(key_), recno_);
    generation_ = tag_->file_->generation_;
    if (CdxTree::settle(*tag_, spot)) {
        leaf_ = spot.leaf->offset;
        index_ = static_cast<int>(spot.index);
        ahead_ = compareEntry(spot.leaf->key(spot.index), spot.leaf->recnos[spot.index],
                              bytes(key_), recno_, tag_->keyLength_) != 0;
    } else {
        leaf_ = kNoPage;
        ahead_ = true;
    }
}

bool CdxCursor::seek(std::string_view prefix) {
    auto session = tag_->file_->readSession();
    return land(CdxTree::prefixLowerBound(*tag_, prefix));
}

bool CdxCursor::find(std::string_view key, std::uint32_t recno) {
    std::string k = padded(*tag_, key, tag_->type_);
    auto session = tag_->file_->readSession();
    CdxSpot spot = CdxTree::lowerBound(*tag_, bytes(k), recno);
    if (!land(spot)) return false;
    if (recno_ != recno || key_ != k) valid_ = false;
    return valid_;
}

bool CdxCursor::first() {
    auto session = tag_->file_->readSession();
    return land(CdxTree::firstSpot(*tag_));
}

bool CdxCursor::last() {
    auto session = tag_->file_->readSession();
    CdxSpot spot = CdxTree::lastSpot(*tag_);
    if (!CdxTree::stepBack(*tag_, spot)) return valid_ = false;
    return land(spot);
}

bool CdxCursor::next() {
    if (!valid_) return false;
    auto session = tag_->file_->readSession();
    reposition();
    if (leaf_ == kNoPage) return valid_ = false;
    CdxSpot spot{CdxTree::node(*tag_, leaf_), std::size_t(index_) + (ahead_ ? 0 : 1)};
    return land(spot);
}

bool CdxCursor::prev() {
    if (!valid_) return false;
    auto session = tag_->file_->readSession();
    reposition();
    CdxSpot spot = leaf_ == kNoPage ? CdxTree::lastSpot(*tag_)
                                    : CdxSpot{CdxTree::node(*tag_, leaf_), std::size_t(index_)};
    if (!CdxTree::stepBack(*tag_, spot)) return valid_ = false;
    return land(spot);
}

std::uint64_t CdxCursor::position(std::string_view low, std::string_view high) {
    if (!valid_) return 0;
    auto session = tag_->file_->readSession();
    reposition();
    if (ahead_ || leaf_ == kNoPage) return 0;
    const auto* k = bytes(key_);
    int kl = tag_->keyLength_;
    if (!low.empty() && comparePrefix(k, kl, low) < 0) return 0;
    if (!high.empty() && comparePrefix(k, kl, high) > 0) return 0;
    CdxSpot a = low.empty() ? CdxTree::firstSpot(*tag_) : CdxTree::prefixLowerBound(*tag_, low);
    CdxTree::settle(*tag_, a);
    CdxSpot here{CdxTree::node(*tag_, leaf_), std::size_t(index_)};
    return CdxTree::distance(*tag_, a, here) + 1;
}

bool CdxCursor::goToPosition(std::uint64_t position, std::string_view low, std::string_view high) {
    auto session = tag_->file_->readSession();
    valid_ = false;
    if (position == 0) return false;
    CdxSpot a = low.empty() ? CdxTree::firstSpot(*tag_) : CdxTree::prefixLowerBound(*tag_, low);
    if (!CdxTree::settle(*tag_, a)) return false;
    std::uint64_t remaining = position - 1;
    std::uint64_t available = a.leaf->count() - a.index;
    if (remaining < available) {
        a.index += static_cast<std::size_t>(remaining);
    } else {
        remaining -= available;
        std::uint32_t offset = a.leaf->right;
        std::size_t steps = 0, limit = CdxTree::maxSteps(*tag_->file_);
        for (;;) {
            if (offset == kNoPage) return false;
            if (++steps > limit) raiseDamaged(tag_->file_->path_, "catena delle foglie ciclica");
            std::size_t count;
            std::uint32_t right;
            CdxTree::leafHeader(*tag_, offset, count, right);
            if (remaining < count) break;
            remaining -= count;
            offset = right;
        }
        a = {CdxTree::node(*tag_, offset), static_cast<std::size_t>(remaining)};
        if (a.index >= a.leaf->count()) raiseDamaged(tag_->file_->path_, "foglia incoerente");
    }
    if (!land(a)) return false;
    if (!high.empty() && comparePrefix(bytes(key_), tag_->keyLength_, high) > 0) valid_ = false;
    return valid_;
}

}  // namespace velt::engine
