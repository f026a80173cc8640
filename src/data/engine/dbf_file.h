// A dBase III data file (".DBF"): the 32-byte header, one 32-byte descriptor per field, the
// 0x0D terminator, fixed-length rows (deleted mark first) and the 0x1A end byte. Version 0x03
// is a table without memo, 0xF5 one with a FoxPro memo file, 0x83 one with a dBase III memo
// file. Opening checks that the header adds up; anything else counts as a damaged file.
// The share mode of an open is an OFD lock on the share range: read lock for shared opens,
// write lock for exclusive ones, so opens exclude each other across processes and work areas.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/engine/os_file.h"
#include "util/date.h"

namespace velt::engine {

// A field as a caller describes it: name (up to 10 characters), type letter C N D L M, width and
// decimals.
struct FieldDef {
    std::string name;
    char type = 'C';
    int width = 0;
    int decimals = 0;
};

// A field as stored: its definition and where it sits in the row (the deleted mark is byte 0).
struct FieldInfo : FieldDef {
    int offset = 0;
};

enum class MemoFormat { None, FoxPro, DBase3 };

class DbfFile {
  public:
    static constexpr std::uint8_t kVersionPlain = 0x03;
    static constexpr std::uint8_t kVersionFoxMemo = 0xF5;
    static constexpr std::uint8_t kVersionDBase3Memo = 0x83;

    enum class OpenResult { Ok, InUse };

    // Writes an empty table (replacing the file). Field definitions are checked first: names of
    // 1-10 letters, digits and '_', known types, widths that fit the type. A table with memo
    // fields gets version 0xF5 (or 0x83 when `memoFormat` asks for dBase III).
    static void create(const std::string& path, const std::vector<FieldDef>& fields,
                       MemoFormat memoFormat = MemoFormat::FoxPro);

    // Opens and checks the file. A conflicting share mode reports the sharing violation
    // (system code 32, may default) and returns InUse; other failures are raised.
    OpenResult open(const std::string& path, bool shared, bool readOnly);
    void close();
    bool isOpen() const { return file_.isOpen(); }

    const std::string& path() const { return file_.path(); }
    OsFile& file() { return file_; }
    std::uint8_t version() const { return version_; }
    MemoFormat memoFormat() const;
    const std::vector<FieldInfo>& fields() const { return fields_; }
    int rowLength() const { return rowLength_; }
    int headerLength() const { return headerLength_; }
    bool shared() const { return shared_; }
    bool readOnly() const { return readOnly_; }

    // Date of last update from the header (years stored as year - 1900 or as year mod 100).
    Date lastUpdate() const { return lastUpdate_; }

    // Row count as last read from the header (or set by this open).
    std::uint32_t rowCount() const { return rowCount_; }
    // Reads the row count from the file again (another station may have appended).
    std::uint32_t refreshRowCount();

    // Reads row `recno` (1-based) into `row` (rowLength bytes); false past the last row.
    bool readRow(std::uint32_t recno, std::string& row);
    // Reads `count` rows starting at `recno` into `rows` (count * rowLength bytes).
    void readRows(std::uint32_t recno, std::uint32_t count, std::string& rows);
    void writeRow(std::uint32_t recno, const std::string& row);
    // Writes `row` after the last counted row and the header that counts it; returns its
    // number. The caller holds the append lock (or the table exclusively) and has refreshed
    // the row count.
    std::uint32_t appendRow(const std::string& row);
    // Header date (today) and row count written. Only under the append lock (or exclusive use):
    // another station may have counted more rows.
    void writeHeader();
    // Header date set to today, row count untouched.
    void touchDate();

    // Removes rows whose deleted mark is set, keeping the order of the others. Exclusive only.
    // Returns the new row count.
    std::uint32_t pack();

    std::string blankRow() const { return std::string(static_cast<std::size_t>(rowLength_), ' '); }

  private:
    void readHeader();

    OsFile file_;
    std::uint8_t version_ = 0;
    Date lastUpdate_;
    std::uint32_t rowCount_ = 0;
    int headerLength_ = 0;
    int rowLength_ = 0;
    bool shared_ = false;
    bool readOnly_ = false;
    std::vector<FieldInfo> fields_;
};

// Checks one field definition against the rules of create(); empty text when it is sound, else
// what is wrong.
std::string checkFieldDef(const FieldDef& field);

}  // namespace velt::engine
