#include "data/engine/work_area.h"

#include <strings.h>

#include <algorithm>

#include "data/engine/engine_failure.h"
#include "data/engine/field_codec.h"
#include "data/engine/lock_scheme.h"
#include "data/engine/settings.h"
#include "data/engine/work_areas.h"

namespace velt::engine {

void WorkArea::requireOpen() const {
    if (!isOpen()) {
        raiseFatal(engineFailure(gen::kNoTable, sub::kArgument, "nessuna tabella aperta", {},
                                 "area " + std::to_string(number_)));
    }
}

void WorkArea::requireWritable(const char* operation) {
    requireOpen();
    if (dbf_.readOnly()) {
        raiseFatal(engineFailure(gen::kReadOnly, sub::kReadOnly, "tabella in sola lettura",
                                 dbf_.path(), operation));
    }
}

bool WorkArea::open(const std::string& path, const OpenOptions& options) {
    close();
    const std::string file = tablePath(path);
    std::string alias = options.alias.empty() ? baseName(file) : options.alias;
    if (WorkAreas::aliasInUse(alias, number_)) {
        raiseFatal(
            engineFailure(gen::kArgument, sub::kArgument, "alias gi\xE0 in uso", file, alias));
    }
    if (dbf_.open(file, options.shared, options.readOnly) == DbfFile::OpenResult::InUse)
        return false;
    if (dbf_.memoFormat() != MemoFormat::None) {
        try {
            memo_.open(memoPath(file), dbf_.memoFormat(), options.shared, options.readOnly);
        } catch (...) {
            dbf_.close();
            throw;
        }
    }
    alias_ = alias;
    active_ = 0;
    goTop();
    return true;
}

void WorkArea::close() {
    if (!isOpen()) return;
    try {
        commit();
        if (modified_) dbf_.touchDate();
        unlockAll();
    } catch (...) {
        closeIndexes();
        memo_.close();
        dbf_.close();
        alias_.clear();
        throw;
    }
    closeIndexes();
    memo_.close();
    dbf_.close();
    alias_.clear();
    rowLocks_.clear();
    tableLocked_ = false;
    hot_ = newRow_ = false;
    recno_ = 0;
    eof_ = true;
    bof_ = found_ = modified_ = false;
    active_ = 0;
}

std::uint32_t WorkArea::rowCount() {
    requireOpen();
    return dbf_.shared() ? dbf_.refreshRowCount() : dbf_.rowCount();
}

void WorkArea::setEof() {
    recno_ = dbf_.rowCount() + 1;
    row_ = dbf_.blankRow();
    eof_ = true;
}

void WorkArea::loadRow(std::uint32_t recno) {
    if (recno > dbf_.rowCount() && dbf_.shared()) dbf_.refreshRowCount();
    if (recno >= 1 && dbf_.readRow(recno, row_)) {
        recno_ = recno;
        eof_ = false;
    } else {
        setEof();
    }
}

bool WorkArea::visible() {
    if (eof_) return false;
    return !(settings().deletedHidden && row_[0] == '*');
}

void WorkArea::physicalSeekFirst(std::uint32_t from, int direction) {
    std::uint32_t count = dbf_.rowCount();
    for (std::int64_t r = from; r >= 1 && r <= count; r += direction) {
        loadRow(static_cast<std::uint32_t>(r));
        if (visible()) return;
    }
    setEof();
}

void WorkArea::goTop() {
    requireOpen();
    commit();
    if (dbf_.shared()) dbf_.refreshRowCount();
    found_ = false;
    if (activeOrder()) {
        orderGoTop();
    } else {
        physicalSeekFirst(1, +1);
    }
    bof_ = eof_;
}

void WorkArea::goBottom() {
    requireOpen();
    commit();
    if (dbf_.shared()) dbf_.refreshRowCount();
    found_ = false;
    if (activeOrder()) {
        orderGoBottom();
    } else {
        physicalSeekFirst(dbf_.rowCount(), -1);
    }
    bof_ = eof_;
}

void WorkArea::skip(long n) {
    requireOpen();
    commit();
    found_ = false;
    bof_ = false;
    if (activeOrder()) {
        orderSkip(n);
        return;
    }
    if (n == 0) {
        loadRow(recno_);
        return;
    }
    if (dbf_.shared()) dbf_.refreshRowCount();
    if (n > 0) {
        for (long i = 0; i < n && !eof_; ++i) physicalSeekFirst(recno_ + 1, +1);
        return;
    }
    for (long i = 0; i < -n; ++i) {
        std::uint32_t from = eof_ ? dbf_.rowCount() : recno_ - 1;
        std::uint32_t before = recno_;
        bool wasEof = eof_;
        physicalSeekFirst(from, -1);
        if (eof_) {
            // Nothing before: stay on the first visible row and report the start of the table.
            if (wasEof) {
                setEof();
            } else {
                loadRow(before);
            }
            bof_ = true;
            return;
        }
    }
}

void WorkArea::goTo(std::uint32_t recno) {
    requireOpen();
    commit();
    found_ = false;
    bof_ = false;
    loadRow(recno);
}

bool WorkArea::seek(const Value& key, bool soft) {
    requireOpen();
    commit();
    bof_ = false;
    if (!activeOrder()) {
        raiseFatal(engineFailure(gen::kNoOrder, sub::kNoOrder, "nessun indice attivo", dbf_.path(),
                                 "ricerca"));
    }
    found_ = orderSeek(key, soft);
    return found_;
}

bool WorkArea::locate(const RowPredicate& predicate, bool fromTop) {
    requireOpen();
    if (fromTop) {
        goTop();
    } else {
        skip(1);
    }
    while (!eof_) {
        if (predicate(*this)) {
            found_ = true;
            return true;
        }
        skip(1);
    }
    found_ = false;
    return false;
}

int WorkArea::fieldPos(std::string_view name) const {
    const auto& fs = dbf_.fields();
    for (std::size_t i = 0; i < fs.size(); ++i) {
        if (fs[i].name.size() == name.size() &&
            strncasecmp(fs[i].name.c_str(), name.data(), name.size()) == 0)
            return static_cast<int>(i + 1);
    }
    return 0;
}

const FieldInfo& WorkArea::field(int pos) const {
    requireOpen();
    if (pos < 1 || pos > fieldCount()) {
        raiseFatal(engineFailure(gen::kBound, sub::kArgument, "campo inesistente", dbf_.path(),
                                 "campo " + std::to_string(pos)));
    }
    return dbf_.fields()[static_cast<std::size_t>(pos - 1)];
}

namespace {
int namedPos(const WorkArea& area, std::string_view name) {
    int pos = area.fieldPos(name);
    if (pos == 0) {
        raiseFatal(engineFailure(gen::kArgument, sub::kArgument, "campo inesistente", area.path(),
                                 std::string(name)));
    }
    return pos;
}
}  // namespace

std::uint32_t WorkArea::memoBlock(const FieldInfo& f) const {
    return memoBlockOf(std::string_view(row_).substr(static_cast<std::size_t>(f.offset),
                                                     static_cast<std::size_t>(f.width)));
}

Value WorkArea::get(int pos) {
    const FieldInfo& f = field(pos);
    if (f.type == 'M') return Value(memo_.read(memoBlock(f)));
    return decodeField(f, std::string_view(row_).substr(static_cast<std::size_t>(f.offset),
                                                        static_cast<std::size_t>(f.width)));
}

Value WorkArea::get(std::string_view name) {
    requireOpen();
    return get(namedPos(*this, name));
}

void WorkArea::makeHot() {
    if (eof_) {
        raiseFatal(engineFailure(gen::kBound, sub::kArgument, "nessuna riga corrente", dbf_.path(),
                                 "scrittura"));
    }
    if (dbf_.shared() && !tableLocked_ && rowLocks_.count(recno_) == 0) {
        raiseFatal(engineFailure(gen::kUnlocked, sub::kUnlocked, "riga non bloccata", dbf_.path(),
                                 "scrittura"));
    }
    if (!hot_) {
        if (!newRow_) captureOldKeys();
        hot_ = true;
    }
}

void WorkArea::put(int pos, const Value& value) {
    requireWritable("scrittura");
    const FieldInfo& f = field(pos);
    std::string bytes;
    if (f.type == 'M') {
        if (!value.isText()) {
            raiseFatal(engineFailure(gen::kDataType, sub::kDataType, "tipo di dato errato",
                                     dbf_.path(), f.name));
        }
        makeHot();
        std::uint32_t block = memo_.write(memoBlock(f), value.text());
        bytes = memoBlockText(block);
    } else {
        EncodeResult r = encodeField(f, value, bytes);
        if (r == EncodeResult::WrongType) {
            raiseFatal(engineFailure(gen::kDataType, sub::kDataType, "tipo di dato errato",
                                     dbf_.path(), f.name));
        }
        makeHot();
    }
    row_.replace(static_cast<std::size_t>(f.offset), static_cast<std::size_t>(f.width), bytes);
}

void WorkArea::put(std::string_view name, const Value& value) {
    requireOpen();
    put(namedPos(*this, name), value);
}

bool WorkArea::deleted() const {
    return isOpen() && !eof_ && row_[0] == '*';
}

void WorkArea::markDeleted() {
    requireWritable("cancellazione");
    if (row_[0] == '*' && !eof_) return;
    makeHot();
    row_[0] = '*';
}

void WorkArea::recall() {
    requireWritable("ripristino");
    if (eof_ || row_[0] != '*') return;
    makeHot();
    row_[0] = ' ';
}

void WorkArea::commit() {
    if (!hot_) return;
    dbf_.writeRow(recno_, row_);
    modified_ = true;
    hot_ = false;
    updateIndexes();
    newRow_ = false;
}

bool WorkArea::append() {
    requireWritable("aggiunta");
    commit();
    checkIndexesMaintainable();
    const bool locking = dbf_.shared();
    std::uint32_t recno = 0;
    if (locking) dbf_.file().lock(lockscheme::kAppendOffset, lockscheme::kAppendLength, true, true);
    try {
        if (locking) dbf_.refreshRowCount();
        recno = dbf_.rowCount() + 1;
        if (locking && !tableLocked_) {
            // The new row is locked before any other station can count it, so nobody changes
            // it before its first write.
            for (std::uint32_t r : rowLocks_) dbf_.file().unlock(lockscheme::rowOffset(r), 1);
            rowLocks_.clear();
            if (!dbf_.file().lock(lockscheme::rowOffset(recno), lockscheme::kRowLength, true)) {
                dbf_.file().unlock(lockscheme::kAppendOffset, lockscheme::kAppendLength);
                raiseDefaultable(engineFailure(gen::kAppendLock, sub::kAppendLock,
                                               "riga aggiunta non bloccabile", dbf_.path(),
                                               "aggiunta"));
                return false;
            }
            rowLocks_.insert(recno);
        }
        recno = dbf_.appendRow(dbf_.blankRow());
    } catch (...) {
        if (locking) dbf_.file().unlock(lockscheme::kAppendOffset, lockscheme::kAppendLength);
        throw;
    }
    if (locking) dbf_.file().unlock(lockscheme::kAppendOffset, lockscheme::kAppendLength);
    recno_ = recno;
    row_ = dbf_.blankRow();
    eof_ = bof_ = found_ = false;
    // The blank row enters the indexes when the row is written.
    hot_ = true;
    newRow_ = true;
    return true;
}

void WorkArea::flush() {
    requireOpen();
    commit();
    if (dbf_.readOnly()) return;
    if (modified_) dbf_.touchDate();
    modified_ = false;
    dbf_.file().sync();
    if (memo_.isOpen()) memo_.sync();
    flushIndexes();
}

void WorkArea::pack() {
    requireWritable("compattazione");
    if (dbf_.shared()) {
        raiseFatal(engineFailure(gen::kShared, sub::kExclusive, "uso esclusivo richiesto",
                                 dbf_.path(), "compattazione"));
    }
    commit();
    dbf_.pack();
    dbf_.file().sync();
    rebuildIndexes();
    goTop();
}

bool WorkArea::rowLocked(std::uint32_t recno) const {
    if (!isOpen()) return false;
    if (!dbf_.shared()) return true;
    return tableLocked_ || rowLocks_.count(recno) != 0;
}

std::vector<std::uint32_t> WorkArea::lockedRows() const {
    return {rowLocks_.begin(), rowLocks_.end()};
}

bool WorkArea::lockRow(std::uint32_t recno) {
    requireOpen();
    if (!dbf_.shared()) return true;
    if (tableLocked_) return true;
    commit();
    if (recno == 0) return false;
    for (auto it = rowLocks_.begin(); it != rowLocks_.end();) {
        if (*it != recno) {
            dbf_.file().unlock(lockscheme::rowOffset(*it), lockscheme::kRowLength);
            it = rowLocks_.erase(it);
        } else {
            ++it;
        }
    }
    if (rowLocks_.count(recno)) return true;
    if (!dbf_.file().lock(lockscheme::rowOffset(recno), lockscheme::kRowLength, true)) return false;
    rowLocks_.insert(recno);
    return true;
}

bool WorkArea::lockTable() {
    requireOpen();
    if (!dbf_.shared()) return true;
    if (tableLocked_) return true;
    commit();
    for (std::uint32_t r : rowLocks_)
        dbf_.file().unlock(lockscheme::rowOffset(r), lockscheme::kRowLength);
    rowLocks_.clear();
    if (!dbf_.file().lock(lockscheme::kTableOffset, lockscheme::kTableLength, true)) return false;
    tableLocked_ = true;
    return true;
}

void WorkArea::unlockAll() {
    requireOpen();
    commit();
    if (!dbf_.shared()) return;
    if (tableLocked_) dbf_.file().unlock(lockscheme::kTableOffset, lockscheme::kTableLength);
    for (std::uint32_t r : rowLocks_)
        dbf_.file().unlock(lockscheme::rowOffset(r), lockscheme::kRowLength);
    tableLocked_ = false;
    rowLocks_.clear();
}

}  // namespace velt::engine
