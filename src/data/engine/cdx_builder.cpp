// Tag creation by sort-then-write: the pairs are sorted in memory, then the leaves are written
// left to right in consecutive pages, then each interior level above them, up to the root, which
// takes the page reserved right after the tag header.
#include <algorithm>
#include <stdexcept>

#include "data/engine/cdx_internal.h"

namespace velt::engine {

using namespace cdx;

namespace {
constexpr int kSubIndexKey = 1026, kSubIndexExpression = 1027;
constexpr std::size_t kWriteChunk = 128;  // pages per write

// One level of the tree being written: entry i is the last entry of node i of the level below.
struct Level {
    std::vector<std::uint8_t> keys;
    std::vector<std::uint32_t> recnos;
    std::vector<std::uint32_t> offsets;
};

// Collects encoded pages and writes runs of consecutive pages at once.
class PageWriter {
  public:
    explicit PageWriter(CdxFile& file, CdxTag& tag) : file_(file), tag_(tag) {}
    void put(const Node& n);
    void flush();

  private:
    CdxFile& file_;
    CdxTag& tag_;
    std::vector<std::uint8_t> buffer_;
    std::uint32_t first_ = 0;
};

}  // namespace

struct CdxTagBuilder::Impl {
    CdxFile* file;
    CdxTagSpec spec;
    std::uint8_t pad;
    std::vector<std::uint8_t> keys;
    std::vector<std::uint32_t> recnos;
};

CdxTagBuilder::CdxTagBuilder(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
CdxTagBuilder::CdxTagBuilder(CdxTagBuilder&&) noexcept = default;
CdxTagBuilder::~CdxTagBuilder() = default;

std::size_t CdxTagBuilder::size() const {
    return impl_->recnos.size();
}

void CdxTagBuilder::add(std::string_view key, std::uint32_t recno) {
    const std::size_t kl = static_cast<std::size_t>(impl_->spec.keyLength);
    if (key.size() > kl)
        raiseArgument(impl_->file->path(), kSubIndexKey,
                      "chiave pi\xF9 lunga del tag " + impl_->spec.name);
    impl_->keys.insert(impl_->keys.end(), key.begin(), key.end());
    impl_->keys.resize(impl_->keys.size() + kl - key.size(), impl_->pad);
    impl_->recnos.push_back(recno);
}

CdxTagBuilder CdxFile::buildTag(const CdxTagSpec& given) {
    checkWritable();
    CdxTagSpec spec = given;
    if (spec.name.empty() || spec.name.size() > kCdxMaxTagName ||
        spec.name.find_first_of(std::string(" \0", 2)) != std::string::npos)
        raiseArgument(path_, kSubIndexExpression, "nome del tag non valido: " + spec.name);
    for (auto& c : spec.name)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (spec.keyExpr.empty())
        raiseArgument(path_, kSubIndexExpression, "espressione della chiave mancante");
    if (spec.keyExpr.size() + spec.forExpr.size() > kCdxMaxExpressionText ||
        spec.keyExpr.find('\0') != std::string::npos ||
        spec.forExpr.find('\0') != std::string::npos)
        raiseArgument(path_, kSubIndexExpression,
                      "espressione della chiave e condizione troppo lunghe");
    int width = spec.type == CdxKeyType::Character ? spec.keyLength
                : spec.type == CdxKeyType::Logical ? 1
                                                   : 8;
    if (spec.keyLength == 0) spec.keyLength = width;
    if (spec.keyLength != width || width < 1 || width > kCdxMaxKeyLength)
        raiseArgument(path_, kSubIndexKey,
                      "lunghezza della chiave non valida: " + std::to_string(spec.keyLength));
    auto impl = std::make_unique<CdxTagBuilder::Impl>();
    impl->file = this;
    impl->spec = spec;
    impl->pad = padFor(spec.type);
    return CdxTagBuilder(std::move(impl));
}

void PageWriter::put(const Node& n) {
    if (!buffer_.empty() &&
        (n.offset != first_ + buffer_.size() || buffer_.size() >= kWriteChunk * kPageSize))
        flush();
    if (buffer_.empty()) first_ = n.offset;
    std::size_t at = buffer_.size();
    buffer_.resize(at + kPageSize);
    if (!encodeNode(n, padFor(tag_.keyType()), buffer_.data() + at))
        throw std::logic_error("compound index page overflow");
}

void PageWriter::flush() {
    if (buffer_.empty()) return;
    CdxTree::writeRaw(file_, first_, buffer_.data(), buffer_.size());
    buffer_.clear();
}

namespace {

// Every page of a tag's tree, level by level.
std::vector<std::uint32_t> treePages(CdxTag& tag) {
    std::vector<std::uint32_t> pages, level{CdxTree::root(tag)};
    std::size_t limit = CdxTree::maxSteps(tag.file());
    while (!level.empty()) {
        std::vector<std::uint32_t> below;
        for (auto offset : level) {
            NodePtr n = CdxTree::node(tag, offset);
            pages.push_back(offset);
            if (!n->leaf) below.insert(below.end(), n->children.begin(), n->children.end());
            if (pages.size() + below.size() > limit)
                raiseDamaged(tag.file().path(), "albero ciclico");
        }
        level = std::move(below);
    }
    return pages;
}

}  // namespace

CdxTag& CdxTagBuilder::finish() {
    Impl& b = *impl_;
    CdxFile& file = *b.file;
    const int kl = b.spec.keyLength;
    const std::size_t n = b.recnos.size();

    // Sort on the first 16 key bytes held as two numbers, then the rest of the key, then the
    // record number; then lay the keys out in order (keys of 16 bytes or less come back from
    // the numbers alone, so the unsorted copy can go first).
    struct Item {
        std::uint64_t hi, lo;
        std::uint32_t index, recno;
    };
    std::vector<Item> items(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t* k = b.keys.data() + i * kl;
        std::uint64_t h = 0, l = 0;
        for (int j = 0; j < 8; ++j) h = (h << 8) | (j < kl ? k[j] : 0);
        for (int j = 8; j < 16; ++j) l = (l << 8) | (j < kl ? k[j] : 0);
        items[i] = {h, l, static_cast<std::uint32_t>(i), b.recnos[i]};
    }
    std::vector<std::uint32_t>().swap(b.recnos);
    const std::uint8_t* unsorted = b.keys.data();
    std::sort(items.begin(), items.end(), [&](const Item& x, const Item& y) {
        if (x.hi != y.hi) return x.hi < y.hi;
        if (x.lo != y.lo) return x.lo < y.lo;
        if (kl > 16) {
            int c = std::memcmp(unsorted + std::size_t(x.index) * kl + 16,
                                unsorted + std::size_t(y.index) * kl + 16, kl - 16);
            if (c != 0) return c < 0;
        }
        return x.recno < y.recno;
    });
    auto sameKey = [&](const Item& x, const Item& y) {
        return x.hi == y.hi && x.lo == y.lo &&
               (kl <= 16 || std::memcmp(unsorted + std::size_t(x.index) * kl + 16,
                                        unsorted + std::size_t(y.index) * kl + 16, kl - 16) == 0);
    };
    if (b.spec.unique) items.erase(std::unique(items.begin(), items.end(), sameKey), items.end());
    if (kl <= 16) std::vector<std::uint8_t>().swap(b.keys);
    std::vector<std::uint8_t> sortedKeys(items.size() * kl);
    std::vector<std::uint32_t> sortedRecnos(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        std::uint8_t* k = sortedKeys.data() + i * kl;
        if (kl <= 16) {
            for (int j = 0; j < kl && j < 8; ++j) k[j] = std::uint8_t(items[i].hi >> (56 - 8 * j));
            for (int j = 8; j < kl; ++j) k[j] = std::uint8_t(items[i].lo >> (56 - 8 * (j - 8)));
        } else {
            std::memcpy(k, unsorted + std::size_t(items[i].index) * kl, kl);
        }
        sortedRecnos[i] = items[i].recno;
    }
    std::vector<Item>().swap(items);
    std::vector<std::uint8_t>().swap(b.keys);
    const std::uint8_t* keys = sortedKeys.data();
    const std::uint32_t* recnos = sortedRecnos.data();
    const std::size_t count = sortedRecnos.size();

    auto session = file.writeSession();
    ++file.generation_;
    CdxTag* existing = file.tag(b.spec.name);
    std::vector<std::uint32_t> oldPages;
    if (existing) {
        oldPages = treePages(*existing);
        oldPages.push_back(existing->headerOffset_);
        oldPages.push_back(existing->headerOffset_ + kPageSize);
    }

    // Header pages, the root page, then the leaves and the levels above them.
    auto& cache = *file.cache_;
    std::uint64_t start = (cache.fileSize + kPageSize - 1) / kPageSize * kPageSize;
    auto header = static_cast<std::uint32_t>(start);
    std::uint32_t rootSlot = header + 2 * kPageSize;
    std::uint64_t next = rootSlot + kPageSize;

    CdxTag staging;
    staging.file_ = &file;
    staging.keyLength_ = kl;
    staging.type_ = b.spec.type;
    PageWriter writer(file, staging);

    // Leaves: as many entries per page as fit.
    std::vector<std::size_t> starts;
    {
        LeafSizer sizer(kl, b.pad);
        const std::uint8_t* prev = nullptr;
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* k = keys + i * kl;
            if (sizer.count() == 0 || !sizer.tryAdd(prev, k, recnos[i], kLeafSpace)) {
                starts.push_back(i);
                sizer.reset();
                sizer.tryAdd(nullptr, k, recnos[i], kLeafSpace);
            }
            prev = k;
        }
    }
    auto pageAt = [&](std::size_t count, std::size_t i) {
        if (count == 1) return rootSlot;
        std::uint64_t at = next + i * kPageSize;
        if (at + kPageSize > 0xFFFFFE00ull) raiseLimit(file.path(), "file indice troppo grande");
        return static_cast<std::uint32_t>(at);
    };
    Level level;
    const std::size_t leaves = std::max<std::size_t>(1, starts.size());
    for (std::size_t l = 0; l < leaves; ++l) {
        Node leaf;
        leaf.leaf = true;
        leaf.root = leaves == 1;
        leaf.keyLength = kl;
        leaf.offset = pageAt(leaves, l);
        leaf.left = l == 0 ? kNoPage : pageAt(leaves, l - 1);
        leaf.right = l + 1 == leaves ? kNoPage : pageAt(leaves, l + 1);
        std::size_t from = starts.empty() ? 0 : starts[l];
        std::size_t to = l + 1 < starts.size() ? starts[l + 1] : count;
        leaf.keys.assign(keys + from * kl, keys + to * kl);
        leaf.recnos.assign(recnos + from, recnos + to);
        writer.put(leaf);
        if (leaf.count()) {
            level.keys.insert(level.keys.end(), leaf.keys.end() - kl, leaf.keys.end());
            level.recnos.push_back(leaf.recnos.back());
            level.offsets.push_back(leaf.offset);
        }
    }
    if (leaves > 1) next += leaves * kPageSize;

    // Interior levels: the entries spread evenly over as few nodes as hold them.
    const std::size_t capacity = static_cast<std::size_t>(interiorCapacity(kl));
    while (level.offsets.size() > 1) {
        std::size_t m = level.offsets.size();
        std::size_t nodes = (m + capacity - 1) / capacity;
        Level up;
        std::size_t from = 0;
        for (std::size_t k = 0; k < nodes; ++k) {
            std::size_t take = m / nodes + (k < m % nodes ? 1 : 0);
            Node in;
            in.leaf = false;
            in.root = nodes == 1;
            in.keyLength = kl;
            in.offset = pageAt(nodes, k);
            in.left = k == 0 ? kNoPage : pageAt(nodes, k - 1);
            in.right = k + 1 == nodes ? kNoPage : pageAt(nodes, k + 1);
            in.keys.assign(level.keys.begin() + from * kl, level.keys.begin() + (from + take) * kl);
            in.recnos.assign(level.recnos.begin() + from, level.recnos.begin() + from + take);
            in.children.assign(level.offsets.begin() + from, level.offsets.begin() + from + take);
            from += take;
            writer.put(in);
            up.keys.insert(up.keys.end(), in.keys.end() - kl, in.keys.end());
            up.recnos.push_back(in.recnos.back());
            up.offsets.push_back(in.offset);
        }
        if (nodes > 1) next += nodes * kPageSize;
        level = std::move(up);
    }
    writer.flush();
    cache.fileSize = std::max<std::uint64_t>(cache.fileSize, next);

    CdxTag* tag = existing;
    if (!tag) {
        file.tags_.push_back(std::unique_ptr<CdxTag>(new CdxTag()));
        tag = file.tags_.back().get();
        tag->file_ = &file;
    }
    tag->name_ = b.spec.name;
    tag->keyExpr_ = b.spec.keyExpr;
    tag->forExpr_ = b.spec.forExpr;
    tag->headerOffset_ = header;
    tag->keyLength_ = kl;
    tag->type_ = b.spec.type;
    tag->unique_ = b.spec.unique;
    tag->descending_ = b.spec.descending;
    file.writeTagHeader(*tag, rootSlot);
    std::sort(file.tags_.begin(), file.tags_.end(),
              [](const auto& x, const auto& y) { return x->name_ < y->name_; });
    file.writeDirectory();
    for (auto page : oldPages) CdxTree::freePage(file, page);
    file.cache_->nodes.clear();
    ++file.generation_;
    b.keys.clear();
    b.recnos.clear();
    return *tag;
}

}  // namespace velt::engine
