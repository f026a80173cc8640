// What the compound index classes share inside the engine: failure reporting, the per-session
// page cache and the tree walks (descent, sibling chains) with their damage checks.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "data/engine/cdx_file.h"
#include "data/engine/cdx_node.h"

namespace velt::engine {

namespace cdx {
[[noreturn]] void raiseDamaged(const std::string& path, const std::string& detail);
[[noreturn]] void raiseIo(int genCode, int err, const std::string& path,
                          const std::string& operation);
[[noreturn]] void raiseArgument(const std::string& path, int subCode, const std::string& detail);
[[noreturn]] void raiseLimit(const std::string& path, const std::string& detail);
inline std::uint8_t padFor(CdxKeyType type) {
    return type == CdxKeyType::Character ? 0x20 : 0;
}
}  // namespace cdx

using NodePtr = std::shared_ptr<const cdx::Node>;

// Decoded pages by offset, within a budget of memory: when it is full the leaves go first, since
// the interior nodes are what every descent needs.
class CdxPageCache {
  public:
    static constexpr std::size_t kBudget = std::size_t(16) << 20;  // bytes of decoded pages

    const NodePtr* find(std::uint32_t offset) const {
        auto it = nodes_.find(offset);
        return it == nodes_.end() ? nullptr : &it->second;
    }
    void put(std::uint32_t offset, NodePtr node) {
        erase(offset);
        std::size_t size = footprint(*node);
        makeRoom(size);
        bytes_ += size;
        nodes_.emplace(offset, std::move(node));
    }
    void erase(std::uint32_t offset) {
        auto it = nodes_.find(offset);
        if (it == nodes_.end()) return;
        bytes_ -= footprint(*it->second);
        nodes_.erase(it);
    }
    void clear() {
        nodes_.clear();
        bytes_ = 0;
    }
    std::size_t bytes() const { return bytes_; }

  private:
    // What one decoded page holds in memory, with the map's and the allocator's share.
    static std::size_t footprint(const cdx::Node& n) {
        return sizeof(cdx::Node) + 96 + n.keys.capacity() +
               sizeof(std::uint32_t) * (n.recnos.capacity() + n.children.capacity());
    }
    // Gives up leaves (in the map's order, which is no order of the file) until a quarter of the
    // budget is free; when the interior nodes alone leave less than that, everything goes.
    void makeRoom(std::size_t incoming) {
        if (bytes_ + incoming <= kBudget) return;
        const std::size_t keep = kBudget / 4 * 3;
        for (auto it = nodes_.begin(); it != nodes_.end() && bytes_ + incoming > keep;) {
            if (it->second->leaf) {
                bytes_ -= footprint(*it->second);
                it = nodes_.erase(it);
            } else {
                ++it;
            }
        }
        if (bytes_ + incoming > keep) clear();
    }

    std::unordered_map<std::uint32_t, NodePtr> nodes_;
    std::size_t bytes_ = 0;
};

struct CdxFile::Cache {
    CdxPageCache nodes;
    std::unordered_map<std::uint32_t, std::uint32_t> roots;  // tag header -> root page
    std::uint64_t fileSize = 0;
    std::uint32_t freeHead = 0;  // first free page, 0 when none
    bool freeKnown = false;
    // The last key count asked for, valid while the generation stays the same (a browse asks
    // again and again for the same range).
    struct CountMemo {
        std::uint64_t generation = 0;
        std::uint32_t tagHeader = 0;
        std::string low, high;
        std::uint64_t count = 0;
    } lastCount;
    // What the file looked like when the cached pages were last known good.
    std::uint32_t stamp = 0;
    bool stampKnown = false;
    void clear() {
        nodes.clear();
        roots.clear();
        freeKnown = false;
    }
};

// A place in a tag's leaf chain: entry `index` of leaf `leaf` (index == count: after its last).
struct CdxSpot {
    NodePtr leaf;
    std::size_t index = 0;
};

// One step of a root-to-leaf path: the node and the child (or entry) taken in it.
struct CdxStep {
    std::shared_ptr<cdx::Node> node;
    std::size_t index = 0;
};

struct CdxTree {
    // Pages, checked: aligned, inside the file, decodable.
    static NodePtr node(CdxTag& tag, std::uint32_t offset);
    static std::uint32_t root(CdxTag& tag);
    static void setRoot(CdxTag& tag, std::uint32_t offset);
    static void write(CdxTag& tag, const cdx::Node& node);
    static std::uint32_t allocPage(CdxFile& file);
    static void writeRaw(CdxFile& file, std::uint64_t offset, const void* data, std::size_t size);
    static void freePage(CdxFile& file, std::uint32_t offset);
    static void checkOffset(CdxFile& file, std::uint32_t offset);
    static std::size_t maxSteps(CdxFile& file);

    // Descents. `below(node, i)` says whether entry i lies before the target.
    template <class Below>
    static CdxSpot descend(CdxTag& tag, Below below, std::vector<CdxStep>* path = nullptr);
    static CdxSpot lowerBound(CdxTag& tag, const std::uint8_t* key, std::uint32_t recno,
                              std::vector<CdxStep>* path = nullptr);
    static CdxSpot prefixLowerBound(CdxTag& tag, std::string_view prefix);
    static CdxSpot prefixUpperBound(CdxTag& tag, std::string_view prefix);
    static CdxSpot firstSpot(CdxTag& tag);
    static CdxSpot lastSpot(CdxTag& tag);  // on the last entry, or an empty root leaf
    // Moves a spot whose index is past its leaf onto the next leaf's first entry; false at the
    // end of the chain.
    static bool settle(CdxTag& tag, CdxSpot& spot);
    static bool stepBack(CdxTag& tag, CdxSpot& spot);
    // Entries from `a` up to (not including) `b`; b.leaf null means the end of the chain.
    static std::uint64_t distance(CdxTag& tag, const CdxSpot& a, const CdxSpot& b);
    // Header of a leaf (count and right sibling) without decoding its keys.
    static void leafHeader(CdxTag& tag, std::uint32_t offset, std::size_t& count,
                           std::uint32_t& right);
};

int comparePrefix(const std::uint8_t* key, int keyLength, std::string_view prefix);
int compareEntry(const std::uint8_t* a, std::uint32_t ra, const std::uint8_t* b, std::uint32_t rb,
                 int keyLength);

}  // namespace velt::engine
