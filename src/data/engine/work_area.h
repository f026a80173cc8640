// Work areas: the table engine as the rest of the program uses it.
//
// A work area holds one open table (its data file and memo file), an alias, the current row (or
// the position past the end), the index files opened for it with their tags in the order they
// were added, the active order (one tag, or none for physical order) and an optional range on
// the active order. Work areas are numbered; WorkAreas (work_areas.h) selects them.
//
// Conventions of this interface:
// - Record numbers and field positions are 1-based; position 0 / record 0 means "none".
// - Rows marked deleted are passed over by first, last, skip, seek and locate while
//   settings().deletedHidden is on; they become current only through goTo().
// - Field values are velt::Value: C text (padded to the width), N Number::ofField, D Date,
//   L bool, M text.
// - Changes to the current row are kept in the work area until it moves, flushes, unlocks or
//   closes; then the row is written and every open index is brought up to date (keys removed
//   and inserted as the stored condition says).
// - In a table opened shared, writing a row needs its row lock or the whole-table lock (a new
//   row from append() is locked); a table opened exclusively takes no locks at all.
// - Failures go to velt::raiseFailure. A sharing violation on open (system code 32) may default:
//   open() then returns false. Everything else does not return.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/engine/dbf_file.h"
#include "data/engine/memo_file.h"
#include "util/value.h"

namespace velt::engine {

class WorkArea;
class CdxFile;
class CdxTag;
class CdxCursor;

// Computes a row's index key from the work area's current row: text (its length is the key
// width), number, date or logical.
using KeyFunction = std::function<Value(WorkArea&)>;
// Decides whether a row belongs in an index (the tag's stored condition).
using ConditionFunction = std::function<bool(WorkArea&)>;
using RowPredicate = std::function<bool(WorkArea&)>;

struct OpenOptions {
    std::string alias;  // empty: the table's base name
    bool shared = true;
    bool readOnly = false;

    static OpenOptions sharedAs(std::string alias = {}) { return {std::move(alias), true, false}; }
    static OpenOptions exclusive(std::string alias = {}) {
        return {std::move(alias), false, false};
    }
};

// What create index builds.
struct IndexSpec {
    std::string file;             // index file path, used as given (name case applied)
    std::string tag;              // empty: the file is created anew with one tag named after it
    std::string keyText;          // stored key expression text
    KeyFunction key;              // computes the key
    std::string conditionText;    // stored condition text, empty for none ("!DELETED()")
    ConditionFunction condition;  // empty: every row
    bool unique = false;
    bool fromActiveOrder = false;  // walk the active order within its range, not physical order
};

class WorkArea {
  public:
    explicit WorkArea(int number);
    ~WorkArea();
    WorkArea(const WorkArea&) = delete;
    WorkArea& operator=(const WorkArea&) = delete;

    int number() const { return number_; }
    bool isOpen() const { return dbf_.isOpen(); }
    const std::string& alias() const { return alias_; }
    // Full path of the data file as opened.
    const std::string& path() const { return dbf_.path(); }
    bool shared() const { return dbf_.shared(); }
    bool readOnly() const { return dbf_.readOnly(); }
    std::uint8_t version() const { return dbf_.version(); }
    // The open data file, for tools that show its header.
    const DbfFile& table() const { return dbf_; }

    // --- opening and closing -------------------------------------------------------------
    // Opens the table (".DBF" added when the name has no extension; name case as the settings
    // say) with its memo file; positions on the first row in physical order. Returns false
    // only when the sharing violation defaulted. Closes what this work area had open first.
    bool open(const std::string& path, const OpenOptions& options = {});
    // Writes pending changes, releases every lock, closes data, memo and index files.
    void close();

    // --- navigation ------------------------------------------------------------------------
    void goTop();
    void goBottom();
    // Moves n visible rows in the active order (negative: backwards). Past the last row gives
    // the position past the end; before the first row stays on the first row with bof() true.
    void skip(long n = 1);
    // Goes to the row with that number, deleted or not; an impossible number gives the position
    // past the end.
    void goTo(std::uint32_t recno);
    // Seeks in the active order: a text key is found when a stored key begins with it; numbers
    // and dates are keyed as the index keys them. Deleted rows and rows outside the range are
    // passed over. Not found: position past the end (or, with `soft`, on the next greater key).
    bool seek(const Value& key, bool soft = false);
    // The first visible row, from the first row (`fromTop`) or from the one after the current,
    // that satisfies `predicate`; not found: past the end.
    bool locate(const RowPredicate& predicate, bool fromTop = true);

    std::uint32_t recno() const { return recno_; }
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    bool found() const { return found_; }
    // Rows in the file (deleted ones included), read again from the file when shared.
    std::uint32_t rowCount();

    // --- fields ----------------------------------------------------------------------------
    const std::vector<FieldInfo>& fields() const { return dbf_.fields(); }
    int fieldCount() const { return static_cast<int>(dbf_.fields().size()); }
    // 1-based position of the field, names compared without regard to case; 0 when absent.
    int fieldPos(std::string_view name) const;
    const FieldInfo& field(int pos) const;  // pos checked: a bad one is an argument failure

    Value get(int pos);
    Value get(std::string_view name);
    // Stores a value: text is cut or padded to the width, a number that does not fit is stored
    // as asterisks after a data-width failure may default; a wrong kind is a data-type failure.
    void put(int pos, const Value& value);
    void put(std::string_view name, const Value& value);

    bool deleted() const;
    void markDeleted();
    void recall();

    // --- writing -----------------------------------------------------------------------------
    // Adds a blank row and makes it current, under the lock rules: takes the append lock
    // (waiting as long as needed), adds the row, gives the append lock back; without the
    // whole-table lock the new row is locked (before other stations can see it) and the other
    // row locks released. False only when the new row could not be locked and the append-lock
    // failure defaulted: nothing was added.
    bool append();
    // Writes the pending row and brings the file, memo and indexes to the disk (fsync).
    void flush();
    // Removes the rows marked deleted and rebuilds every open index. Exclusive opens only.
    void pack();

    // --- locks -------------------------------------------------------------------------------
    // One attempt each; true when held afterwards.
    bool lockRow(std::uint32_t recno);
    bool lockRow() { return lockRow(recno_); }
    bool lockTable();
    void unlockAll();
    bool tableLocked() const { return tableLocked_; }
    bool rowLocked(std::uint32_t recno) const;
    std::vector<std::uint32_t> lockedRows() const;

    // --- orders ------------------------------------------------------------------------------
    // Opens an index file (used as given; name case applied) and adds its tags after the ones
    // already open. When there was no active order, its first tag becomes active and the
    // position moves to that order's first row.
    void addIndex(const std::string& path);
    // Closes every index file; physical order becomes active.
    void clearIndexes();
    // Builds a tag by sort-then-write and opens it as the active order, on its first row.
    void createIndex(const IndexSpec& spec);

    int orderCount() const;
    // 0 = physical order. False (order unchanged) when there is no such order.
    bool setOrder(int number);
    bool setOrder(std::string_view tagName);
    int order() const { return active_; }
    std::string orderName(int number = -1) const;  // -1: the active order
    std::string orderKeyText(int number = -1) const;
    std::string orderCondition(int number = -1) const;
    std::string orderFile(int number = -1) const;     // full path of its index file
    int orderNumber(std::string_view tagName) const;  // 0 when absent

    // Range on the active order: keys compared over the bound's own length; nullopt clears that
    // bound. Changing the active order keeps each order's own range.
    void setRange(std::optional<std::string> low, std::optional<std::string> high);
    std::optional<std::string> rangeLow() const;
    std::optional<std::string> rangeHigh() const;
    // Keys within the range of the active order (physical order: the visible rows).
    std::uint64_t keyCount();
    // 1-based position of the current row within the range of the active order; 0 when it is
    // not there.
    std::uint64_t keyPosition();
    // Goes to the row at that position in the active order within its range.
    bool goToKeyPosition(std::uint64_t position);
    // The key of the current row in the active order (empty in physical order).
    std::string currentKey();

    // Registers the callbacks that compute a key expression or condition text, so that index
    // files whose tags store that text can be kept up to date when opened later. Texts that are
    // not registered are compiled from the small expression language of key_expression.h.
    static void registerKey(const std::string& text, KeyFunction key);
    static void registerCondition(const std::string& text, ConditionFunction condition);

  private:
    struct Order;
    struct IndexFile;
    friend class WorkAreaRowGuard;

    void requireOpen() const;
    void requireWritable(const char* operation);
    void loadRow(std::uint32_t recno);
    void setEof();
    bool visible();  // the current row may be shown
    void makeHot();  // first change of the current row
    void commit();   // writes a changed row and updates the indexes
    void physicalSeekFirst(std::uint32_t from, int direction);
    std::uint32_t memoBlock(const FieldInfo& field) const;

    // Index side (work_area_orders.cpp).
    Order* activeOrder() const;
    void orderGoTop();
    void orderGoBottom();
    void orderSkip(long n);
    bool orderSeek(const Value& key, bool soft);
    void checkIndexesMaintainable();
    void captureOldKeys();
    void updateIndexes();
    void rebuildIndexes();
    void closeIndexes();
    void flushIndexes();
    bool inRange(const Order& order, const std::string& key) const;
    bool syncCursor(Order& order);
    void landOnCursor(Order& order, int direction);

    int number_;
    DbfFile dbf_;
    MemoFile memo_;
    std::string alias_;
    std::string row_;  // the current row (blank past the end)
    std::uint32_t recno_ = 0;
    bool eof_ = true;
    bool bof_ = false;
    bool found_ = false;
    bool hot_ = false;       // row_ has changes not yet written
    bool newRow_ = false;    // the hot row was appended: it is in no index yet
    bool modified_ = false;  // rows written since the last flush: the header date is due
    std::vector<std::pair<bool, std::string>> oldKeys_;  // per order: was indexed, old key
    bool tableLocked_ = false;
    std::set<std::uint32_t> rowLocks_;
    std::vector<std::unique_ptr<IndexFile>> indexFiles_;
    std::vector<std::unique_ptr<Order>> orders_;
    int active_ = 0;
};

}  // namespace velt::engine
