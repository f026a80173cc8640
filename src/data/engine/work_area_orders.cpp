// The index side of a work area: opening index files, building tags, navigating, seeking and
// counting in the active order, and keeping every open index up to date as rows change.
#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>

#include "data/engine/cdx_file.h"
#include "data/engine/engine_failure.h"
#include "data/engine/key_expression.h"
#include "data/engine/settings.h"
#include "data/engine/work_area.h"

namespace velt::engine {

struct WorkArea::IndexFile {
    std::unique_ptr<CdxFile> file;
};

struct WorkArea::Order {
    IndexFile* file = nullptr;
    CdxTag* tag = nullptr;
    KeyFunction key;              // empty when the key text could not be compiled
    ConditionFunction condition;  // empty: every row (or not compiled, see conditionKnown)
    bool conditionKnown = true;
    std::unique_ptr<CdxCursor> cursor;
    std::optional<std::string> low, high;
    bool synced = false;  // the cursor is on the current row
};

namespace {

struct Registered {
    std::map<std::string, KeyFunction> keys;
    std::map<std::string, ConditionFunction> conditions;
};

Registered& registered() {
    static Registered r;
    return r;
}

CdxKeyType keyTypeOf(const Value& v) {
    if (v.isNumber()) return CdxKeyType::Number;
    if (v.isDate()) return CdxKeyType::Date;
    if (v.isLogical()) return CdxKeyType::Logical;
    return CdxKeyType::Character;
}

std::string upperTagName(std::string name) {
    for (char& c : name) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return name.substr(0, static_cast<std::size_t>(kCdxMaxTagName));
}

// The smallest text greater than every text that begins with `prefix`; empty when none.
std::string successor(std::string prefix) {
    while (!prefix.empty()) {
        auto& last = reinterpret_cast<unsigned char&>(prefix.back());
        if (last != 0xFF) {
            ++last;
            return prefix;
        }
        prefix.pop_back();
    }
    return prefix;
}

}  // namespace

// Puts another row in the work area's row buffer for a key or condition to read, and gives the
// current row back afterwards.
class WorkAreaRowGuard {
  public:
    explicit WorkAreaRowGuard(WorkArea& area)
        : area_(area), row_(area.row_), recno_(area.recno_), eof_(area.eof_) {}
    ~WorkAreaRowGuard() {
        area_.row_ = std::move(row_);
        area_.recno_ = recno_;
        area_.eof_ = eof_;
    }
    void show(const char* row, std::size_t length, std::uint32_t recno) {
        area_.row_.assign(row, length);
        area_.recno_ = recno;
        area_.eof_ = false;
    }
    void showBlank() {
        area_.row_ = area_.dbf_.blankRow();
        area_.eof_ = true;
    }

  private:
    WorkArea& area_;
    std::string row_;
    std::uint32_t recno_;
    bool eof_;
};

WorkArea::WorkArea(int number) : number_(number) {}

WorkArea::~WorkArea() {
    try {
        close();
    } catch (...) {
        // A failure while closing at destruction has nobody left to tell.
    }
}

void WorkArea::registerKey(const std::string& text, KeyFunction key) {
    registered().keys[text] = std::move(key);
}

void WorkArea::registerCondition(const std::string& text, ConditionFunction condition) {
    registered().conditions[text] = std::move(condition);
}

WorkArea::Order* WorkArea::activeOrder() const {
    if (active_ < 1 || active_ > static_cast<int>(orders_.size())) return nullptr;
    return orders_[static_cast<std::size_t>(active_ - 1)].get();
}

int WorkArea::orderCount() const {
    return static_cast<int>(orders_.size());
}

namespace {
std::optional<std::string> keyOfRow(WorkArea& area, const KeyFunction& key, const CdxTag& tag) {
    if (!key) return std::nullopt;
    return CdxKeys::encode(key(area), tag.keyType(), tag.keyLength());
}
}  // namespace

bool WorkArea::inRange(const Order& order, const std::string& key) const {
    if (order.low && key.compare(0, order.low->size(), *order.low) < 0) return false;
    if (order.high && key.compare(0, order.high->size(), *order.high) > 0) return false;
    return true;
}

// Positions the order's cursor on the current row; false when the row is not in the index
// (the cursor then stands on the entry that would follow it, or off the end).
bool WorkArea::syncCursor(Order& order) {
    if (order.synced && order.cursor->valid() && order.cursor->recno() == recno_) return true;
    order.synced = false;
    if (eof_) return false;
    std::optional<std::string> key = keyOfRow(*this, order.key, *order.tag);
    if (key) {
        if (order.cursor->find(*key, recno_)) {
            order.synced = true;
            return true;
        }
        order.cursor->seek(*key);
        return false;
    }
    // A key this process cannot compute: look for the row in the order.
    for (bool ok = order.cursor->first(); ok; ok = order.cursor->next()) {
        if (order.cursor->recno() == recno_) {
            order.synced = true;
            return true;
        }
    }
    return false;
}

// From the cursor's entry, moving in `direction`, lands on the first visible row inside the
// range; false (position unchanged) when there is none.
void WorkArea::landOnCursor(Order& order, int direction) {
    for (;;) {
        if (!order.cursor->valid() || !inRange(order, order.cursor->key())) {
            order.synced = false;
            setEof();
            return;
        }
        loadRow(order.cursor->recno());
        if (visible()) {
            order.synced = true;
            return;
        }
        if (direction > 0) {
            order.cursor->next();
        } else {
            order.cursor->prev();
        }
    }
}

void WorkArea::orderGoTop() {
    Order& o = *activeOrder();
    auto session = o.file->file->readSession();
    if (o.low) {
        o.cursor->seek(*o.low);
    } else {
        o.cursor->first();
    }
    landOnCursor(o, +1);
}

void WorkArea::orderGoBottom() {
    Order& o = *activeOrder();
    auto session = o.file->file->readSession();
    std::string after = o.high ? successor(*o.high) : std::string();
    if (!after.empty() && o.cursor->seek(after)) {
        o.cursor->prev();
    } else {
        o.cursor->last();
    }
    landOnCursor(o, -1);
}

void WorkArea::orderSkip(long n) {
    Order& o = *activeOrder();
    auto session = o.file->file->readSession();
    if (n == 0) {
        loadRow(recno_);
        return;
    }
    if (eof_) {
        if (n > 0) return;
        orderGoBottom();
        if (eof_) {
            bof_ = true;
            return;
        }
        ++n;
    }
    for (long i = 0; i < (n > 0 ? n : -n); ++i) {
        bool onRow = syncCursor(o);
        if (n > 0) {
            if (onRow) o.cursor->next();
            landOnCursor(o, +1);
            if (eof_) return;
        } else {
            const std::uint32_t here = recno_;
            if (onRow) {
                o.cursor->prev();
            } else if (o.cursor->valid()) {
                o.cursor->prev();
            } else {
                o.cursor->last();
            }
            landOnCursor(o, -1);
            if (eof_) {
                // Nothing before: stay on the first row and report the start of the table.
                loadRow(here);
                o.synced = false;
                bof_ = true;
                return;
            }
        }
    }
}

bool WorkArea::orderSeek(const Value& key, bool soft) {
    Order& o = *activeOrder();
    auto session = o.file->file->readSession();
    std::string prefix =
        key.isText() ? key.text() : CdxKeys::encode(key, o.tag->keyType(), o.tag->keyLength());
    if (prefix.size() > static_cast<std::size_t>(o.tag->keyLength()))
        prefix.resize(static_cast<std::size_t>(o.tag->keyLength()));
    std::string start = prefix;
    if (o.low && start.compare(0, o.low->size(), *o.low) < 0) start = *o.low;
    o.cursor->seek(start);
    landOnCursor(o, +1);
    if (eof_) return false;
    bool found = o.cursor->key().compare(0, prefix.size(), prefix) == 0;
    if (!found && !soft) {
        o.synced = false;
        setEof();
    }
    return found;
}

void WorkArea::checkIndexesMaintainable() {
    for (auto& o : orders_) {
        if (!o->key || !o->conditionKnown) {
            raiseFatal(engineFailure(gen::kUnsupported, sub::kIndexExpression,
                                     "espressione dell'indice non gestita: " + o->tag->keyExpr(),
                                     o->file->file->path(), "aggiornamento indice"));
        }
    }
}

void WorkArea::captureOldKeys() {
    checkIndexesMaintainable();
    oldKeys_.assign(orders_.size(), {false, std::string()});
    for (std::size_t i = 0; i < orders_.size(); ++i) {
        Order& o = *orders_[i];
        bool included = !o.condition || o.condition(*this);
        oldKeys_[i] = {included, included ? *keyOfRow(*this, o.key, *o.tag) : std::string()};
    }
}

void WorkArea::updateIndexes() {
    if (orders_.empty()) return;
    if (newRow_) oldKeys_.assign(orders_.size(), {false, std::string()});
    for (std::size_t i = 0; i < orders_.size(); ++i) {
        Order& o = *orders_[i];
        bool included = !o.condition || o.condition(*this);
        std::string key = included ? *keyOfRow(*this, o.key, *o.tag) : std::string();
        const auto& [wasIncluded, oldKey] = oldKeys_[i];
        if (wasIncluded == included && oldKey == key) continue;
        auto session = o.file->file->writeSession();
        if (wasIncluded) o.tag->remove(oldKey, recno_);
        if (included) o.tag->insert(key, recno_);
        for (auto& other : orders_) other->synced = false;
    }
    oldKeys_.clear();
}

void WorkArea::closeIndexes() {
    orders_.clear();
    indexFiles_.clear();
    active_ = 0;
}

void WorkArea::flushIndexes() {
    for (auto& f : indexFiles_) f->file->flush();
}

void WorkArea::clearIndexes() {
    requireOpen();
    commit();
    closeIndexes();
}

namespace {
// Key and condition callbacks for stored texts: registered ones first, else compiled.
std::optional<KeyFunction> keyFor(const std::string& text, const WorkArea& area) {
    auto it = registered().keys.find(text);
    if (it != registered().keys.end()) return it->second;
    return compileExpression(text, area);
}

std::optional<ConditionFunction> conditionFor(const std::string& text, const WorkArea& area) {
    auto it = registered().conditions.find(text);
    if (it != registered().conditions.end()) return it->second;
    auto e = compileExpression(text, area);
    if (!e) return std::nullopt;
    return ConditionFunction([fn = *e](WorkArea& a) { return fn(a).logical(); });
}
}  // namespace

void WorkArea::addIndex(const std::string& path) {
    requireOpen();
    commit();
    const std::string file = applyNameCase(path);
    for (auto& f : indexFiles_) {
        if (f->file->path() == file) return;  // already open here
    }
    auto index = std::make_unique<IndexFile>();
    index->file = CdxFile::open(file, CdxOpenOptions{dbf_.readOnly(), !dbf_.shared()});
    const bool hadOrder = active_ != 0;
    const int firstNew = orderCount() + 1;
    for (CdxTag* tag : index->file->tags()) {
        auto order = std::make_unique<Order>();
        order->file = index.get();
        order->tag = tag;
        if (auto key = keyFor(tag->keyExpr(), *this)) order->key = *key;
        if (!tag->forExpr().empty()) {
            auto cond = conditionFor(tag->forExpr(), *this);
            order->conditionKnown = cond.has_value();
            if (cond) order->condition = *cond;
        }
        if (order->key) {
            WorkAreaRowGuard guard(*this);
            guard.showBlank();
            tag->setKeyType(keyTypeOf(order->key(*this)));
        }
        order->cursor = std::make_unique<CdxCursor>(*tag);
        orders_.push_back(std::move(order));
    }
    indexFiles_.push_back(std::move(index));
    if (!hadOrder && orderCount() >= firstNew) {
        active_ = firstNew;
        goTop();
    }
}

void WorkArea::createIndex(const IndexSpec& spec) {
    requireWritable("creazione indice");
    if (!spec.key) {
        raiseFatal(engineFailure(gen::kArgument, sub::kIndexKey, "chiave dell'indice mancante",
                                 spec.file, "creazione indice"));
    }
    commit();
    const std::string path = applyNameCase(spec.file);
    const std::string tagName = upperTagName(spec.tag.empty() ? baseName(path) : spec.tag);

    // The key's type and width, from a blank row.
    CdxTagSpec tagSpec;
    {
        WorkAreaRowGuard guard(*this);
        guard.showBlank();
        Value sample = spec.key(*this);
        tagSpec.type = keyTypeOf(sample);
        tagSpec.keyLength =
            tagSpec.type == CdxKeyType::Character ? static_cast<int>(sample.text().size()) : 0;
    }
    if (tagSpec.type == CdxKeyType::Character &&
        (tagSpec.keyLength < 1 || tagSpec.keyLength > kCdxMaxKeyLength)) {
        raiseFatal(engineFailure(gen::kArgument, sub::kIndexKey,
                                 "lunghezza della chiave non valida", path, "creazione indice"));
    }
    if (spec.keyText.size() + spec.conditionText.size() >= 511) {
        raiseFatal(engineFailure(gen::kArgument, sub::kIndexExpression, "espressioni troppo lunghe",
                                 path, "creazione indice"));
    }
    tagSpec.name = tagName;
    tagSpec.keyExpr = spec.keyText;
    tagSpec.forExpr = spec.conditionText;
    tagSpec.unique = spec.unique;

    // The walk over the rows, handing each key that the condition admits to `sink`.
    auto walk = [&](const std::function<void(const std::string&, std::uint32_t)>& sink) {
        auto keep = [&](WorkArea& a) {
            if (spec.condition && !spec.condition(a)) return;
            sink(CdxKeys::encode(spec.key(a), tagSpec.type, tagSpec.keyLength), a.recno());
        };
        if (spec.fromActiveOrder && activeOrder()) {
            const std::uint32_t here = recno_;
            for (goTop(); !eof_; skip(1)) keep(*this);
            goTo(here);
            return;
        }
        if (dbf_.shared()) dbf_.refreshRowCount();
        const std::uint32_t total = dbf_.rowCount();
        constexpr std::uint32_t kChunk = 2048;
        std::string rows;
        WorkAreaRowGuard guard(*this);
        for (std::uint32_t first = 1; first <= total; first += kChunk) {
            std::uint32_t n = std::min(kChunk, total - first + 1);
            dbf_.readRows(first, n, rows);
            for (std::uint32_t i = 0; i < n; ++i) {
                guard.show(rows.data() + static_cast<std::size_t>(i) * dbf_.rowLength(),
                           static_cast<std::size_t>(dbf_.rowLength()), first + i);
                keep(*this);
            }
        }
    };

    // Walking the active order into its own file, which is about to be replaced: collect the
    // keys first. Otherwise they go straight to the builder (its sort buffer is the only copy).
    std::vector<std::pair<std::string, std::uint32_t>> early;
    const bool collectFirst =
        spec.fromActiveOrder && activeOrder() && activeOrder()->file->file->path() == path;
    if (collectFirst)
        walk([&](const std::string& k, std::uint32_t r) { early.emplace_back(k, r); });

    // The file: created anew, or the one holding the tag (open here, on disk, or new).
    IndexFile* target = nullptr;
    for (auto& f : indexFiles_) {
        if (f->file->path() == path) target = f.get();
    }
    const CdxOpenOptions options{false, !dbf_.shared()};
    if (spec.tag.empty() || !target) {
        if (target) {
            // Replaced: drop the orders of the old file first; the active order keeps its place.
            const Order* wasActive = activeOrder();
            orders_.erase(std::remove_if(orders_.begin(), orders_.end(),
                                         [&](const auto& o) { return o->file == target; }),
                          orders_.end());
            indexFiles_.erase(std::remove_if(indexFiles_.begin(), indexFiles_.end(),
                                             [&](const auto& f) { return f.get() == target; }),
                              indexFiles_.end());
            target = nullptr;
            active_ = 0;
            for (std::size_t i = 0; i < orders_.size(); ++i) {
                if (orders_[i].get() == wasActive) active_ = static_cast<int>(i + 1);
            }
        }
        auto index = std::make_unique<IndexFile>();
        index->file = (spec.tag.empty() || !std::filesystem::exists(path))
                          ? CdxFile::create(path, options)
                          : CdxFile::open(path, options);
        target = index.get();
        indexFiles_.push_back(std::move(index));
    }
    CdxTagBuilder builder = target->file->buildTag(tagSpec);
    if (collectFirst) {
        for (const auto& [key, recno] : early) builder.add(key, recno);
        early.clear();
        early.shrink_to_fit();
    } else {
        walk([&](const std::string& k, std::uint32_t r) { builder.add(k, r); });
    }
    CdxTag& tag = builder.finish();
    registerKey(spec.keyText, spec.key);
    if (!spec.conditionText.empty() && spec.condition)
        registerCondition(spec.conditionText, spec.condition);

    // The tag's order: replaced in place, or added after the others; it becomes active.
    auto order = std::make_unique<Order>();
    order->file = target;
    order->tag = &tag;
    order->key = spec.key;
    order->condition = spec.condition;
    order->conditionKnown = spec.conditionText.empty() || static_cast<bool>(spec.condition);
    order->cursor = std::make_unique<CdxCursor>(tag);
    int number = 0;
    for (std::size_t i = 0; i < orders_.size(); ++i) {
        if (orders_[i]->file == target && orders_[i]->tag->name() == tag.name())
            number = static_cast<int>(i + 1);
    }
    if (number) {
        orders_[static_cast<std::size_t>(number - 1)] = std::move(order);
    } else {
        orders_.push_back(std::move(order));
        number = orderCount();
    }
    // Other tags of the file may have moved in the directory: point their orders at them again.
    for (auto& o : orders_) {
        if (o->file == target && o->tag != &tag) {
            CdxTag* again = target->file->tag(o->tag->name());
            if (again && again != o->tag) {
                o->tag = again;
                o->cursor = std::make_unique<CdxCursor>(*again);
            }
        }
    }
    active_ = number;
    goTop();
}

void WorkArea::rebuildIndexes() {
    checkIndexesMaintainable();
    const std::uint32_t total = dbf_.rowCount();
    for (auto& o : orders_) {
        CdxTagSpec spec;
        spec.name = o->tag->name();
        spec.keyExpr = o->tag->keyExpr();
        spec.forExpr = o->tag->forExpr();
        spec.type = o->tag->keyType();
        spec.keyLength = o->tag->keyLength();
        spec.unique = o->tag->unique();
        spec.descending = o->tag->descending();
        CdxTagBuilder builder = o->file->file->buildTag(spec);
        {
            constexpr std::uint32_t kChunk = 2048;
            std::string rows;
            WorkAreaRowGuard guard(*this);
            for (std::uint32_t first = 1; first <= total; first += kChunk) {
                std::uint32_t n = std::min(kChunk, total - first + 1);
                dbf_.readRows(first, n, rows);
                for (std::uint32_t i = 0; i < n; ++i) {
                    guard.show(rows.data() + static_cast<std::size_t>(i) * dbf_.rowLength(),
                               static_cast<std::size_t>(dbf_.rowLength()), first + i);
                    if (o->condition && !o->condition(*this)) continue;
                    builder.add(*keyOfRow(*this, o->key, *o->tag), first + i);
                }
            }
        }
        CdxTag& tag = builder.finish();
        o->tag = &tag;
        o->cursor = std::make_unique<CdxCursor>(tag);
        o->synced = false;
        // Tags of the same file rebuilt before this one may have moved.
        for (auto& other : orders_) {
            if (other.get() != o.get() && other->file == o->file) {
                CdxTag* again = o->file->file->tag(other->tag->name());
                if (again && again != other->tag) {
                    other->tag = again;
                    other->cursor = std::make_unique<CdxCursor>(*again);
                }
            }
        }
    }
}

bool WorkArea::setOrder(int number) {
    requireOpen();
    if (number < 0 || number > orderCount()) return false;
    commit();
    active_ = number;
    if (Order* o = activeOrder()) o->synced = false;
    return true;
}

bool WorkArea::setOrder(std::string_view tagName) {
    int n = orderNumber(tagName);
    if (n == 0) return tagName.empty() ? setOrder(0) : false;
    return setOrder(n);
}

int WorkArea::orderNumber(std::string_view tagName) const {
    for (std::size_t i = 0; i < orders_.size(); ++i) {
        const std::string& name = orders_[i]->tag->name();
        if (name.size() == tagName.size() &&
            std::equal(name.begin(), name.end(), tagName.begin(), [](char a, char b) {
                return std::toupper(static_cast<unsigned char>(a)) ==
                       std::toupper(static_cast<unsigned char>(b));
            }))
            return static_cast<int>(i + 1);
    }
    return 0;
}

std::string WorkArea::orderName(int number) const {
    int n = number < 0 ? active_ : number;
    if (n < 1 || n > orderCount()) return {};
    return orders_[static_cast<std::size_t>(n - 1)]->tag->name();
}

std::string WorkArea::orderKeyText(int number) const {
    int n = number < 0 ? active_ : number;
    if (n < 1 || n > orderCount()) return {};
    return orders_[static_cast<std::size_t>(n - 1)]->tag->keyExpr();
}

std::string WorkArea::orderCondition(int number) const {
    int n = number < 0 ? active_ : number;
    if (n < 1 || n > orderCount()) return {};
    return orders_[static_cast<std::size_t>(n - 1)]->tag->forExpr();
}

std::string WorkArea::orderFile(int number) const {
    int n = number < 0 ? active_ : number;
    if (n < 1 || n > orderCount()) return {};
    return std::filesystem::absolute(orders_[static_cast<std::size_t>(n - 1)]->file->file->path())
        .string();
}

void WorkArea::setRange(std::optional<std::string> low, std::optional<std::string> high) {
    requireOpen();
    Order* o = activeOrder();
    if (!o) return;
    o->low = std::move(low);
    o->high = std::move(high);
    o->synced = false;
}

std::optional<std::string> WorkArea::rangeLow() const {
    Order* o = activeOrder();
    return o ? o->low : std::nullopt;
}

std::optional<std::string> WorkArea::rangeHigh() const {
    Order* o = activeOrder();
    return o ? o->high : std::nullopt;
}

std::uint64_t WorkArea::keyCount() {
    requireOpen();
    commit();
    Order* o = activeOrder();
    if (!o) {
        // Physical order: the visible rows.
        std::uint64_t n = 0;
        const std::uint32_t total = rowCount();
        std::string row;
        for (std::uint32_t r = 1; r <= total; ++r) {
            dbf_.readRow(r, row);
            if (!(settings().deletedHidden && row[0] == '*')) ++n;
        }
        return n;
    }
    return o->tag->keyCount(o->low.value_or(std::string()), o->high.value_or(std::string()));
}

std::uint64_t WorkArea::keyPosition() {
    requireOpen();
    commit();
    Order* o = activeOrder();
    if (!o) return eof_ ? 0 : recno_;
    auto session = o->file->file->readSession();
    if (!syncCursor(*o)) return 0;
    return o->cursor->position(o->low.value_or(std::string()), o->high.value_or(std::string()));
}

bool WorkArea::goToKeyPosition(std::uint64_t position) {
    requireOpen();
    commit();
    Order* o = activeOrder();
    if (!o) {
        goTo(static_cast<std::uint32_t>(position));
        return !eof_;
    }
    auto session = o->file->file->readSession();
    if (!o->cursor->goToPosition(position, o->low.value_or(std::string()),
                                 o->high.value_or(std::string()))) {
        setEof();
        return false;
    }
    loadRow(o->cursor->recno());
    o->synced = true;
    bof_ = found_ = false;
    return !eof_;
}

std::string WorkArea::currentKey() {
    requireOpen();
    Order* o = activeOrder();
    if (!o || eof_) return {};
    if (auto key = keyOfRow(*this, o->key, *o->tag)) return *key;
    auto session = o->file->file->readSession();
    return syncCursor(*o) ? o->cursor->key() : std::string();
}

}  // namespace velt::engine
