#include "data/engine/dbf_file.h"

#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "data/engine/engine_failure.h"
#include "data/engine/lock_scheme.h"

namespace velt::engine {
namespace {

constexpr int kHeaderSize = 32;
constexpr int kDescriptorSize = 32;
constexpr std::uint32_t kMaxRowLength = 65535;

std::uint16_t getU16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t getU32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void putU16(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
void putU32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// Today's date as the header stores it; the local-time conversion is made once a minute, not
// for every appended row.
void putToday(unsigned char* p) {
    thread_local std::time_t minute = -1;
    thread_local unsigned char today[3];
    std::time_t now = std::time(nullptr);
    if (now / 60 != minute) {
        std::tm tm{};
        localtime_r(&now, &tm);
        today[0] = static_cast<unsigned char>(tm.tm_year);  // years since 1900
        today[1] = static_cast<unsigned char>(tm.tm_mon + 1);
        today[2] = static_cast<unsigned char>(tm.tm_mday);
        minute = now / 60;
    }
    std::memcpy(p, today, 3);
}

bool isNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

std::string checkFieldDef(const FieldDef& f) {
    if (f.name.empty() || f.name.size() > 10) return "nome del campo di 1-10 caratteri";
    for (char c : f.name) {
        if (!isNameChar(c)) return "carattere non valido nel nome del campo " + f.name;
    }
    if (f.decimals < 0 || f.width <= 0) return "ampiezza non valida del campo " + f.name;
    switch (upper(f.type)) {
        case 'C':
            if (f.width > 254 || f.decimals != 0) return "ampiezza non valida del campo " + f.name;
            break;
        case 'N':
            if (f.width > 20 || (f.decimals > 0 && f.decimals > f.width - 2) || f.decimals > 15)
                return "ampiezza non valida del campo " + f.name;
            break;
        case 'D':
            if (f.width != 8 || f.decimals != 0) return "ampiezza non valida del campo " + f.name;
            break;
        case 'L':
            if (f.width != 1 || f.decimals != 0) return "ampiezza non valida del campo " + f.name;
            break;
        case 'M':
            if (f.width != 10 || f.decimals != 0) return "ampiezza non valida del campo " + f.name;
            break;
        default:
            return std::string("tipo sconosciuto del campo ") + f.name;
    }
    return {};
}

void DbfFile::create(const std::string& path, const std::vector<FieldDef>& fields,
                     MemoFormat memoFormat) {
    if (fields.empty() || fields.size() > 2046) {
        raiseFatal(engineFailure(gen::kArgument, sub::kArgument, "elenco dei campi non valido",
                                 path, "creazione"));
    }
    bool hasMemo = false;
    std::uint32_t rowLength = 1;
    for (const FieldDef& f : fields) {
        std::string problem = checkFieldDef(f);
        if (!problem.empty()) {
            raiseFatal(engineFailure(gen::kArgument, sub::kArgument, problem, path, "creazione"));
        }
        for (const FieldDef& g : fields) {
            if (&g == &f) break;
            if (strcasecmp(g.name.c_str(), f.name.c_str()) == 0)
                raiseFatal(engineFailure(gen::kArgument, sub::kArgument, "campo ripetuto " + f.name,
                                         path, "creazione"));
        }
        hasMemo = hasMemo || upper(f.type) == 'M';
        rowLength += static_cast<std::uint32_t>(f.width);
    }
    if (rowLength > kMaxRowLength) {
        raiseFatal(
            engineFailure(gen::kArgument, sub::kArgument, "riga troppo lunga", path, "creazione"));
    }
    const std::size_t headerLength = kHeaderSize + kDescriptorSize * fields.size() + 1;
    std::string bytes(headerLength + 1, '\0');
    auto* h = reinterpret_cast<unsigned char*>(bytes.data());
    h[0] = !hasMemo ? kVersionPlain
                    : (memoFormat == MemoFormat::DBase3 ? kVersionDBase3Memo : kVersionFoxMemo);
    putToday(h + 1);
    putU32(h + 4, 0);
    putU16(h + 8, static_cast<std::uint32_t>(headerLength));
    putU16(h + 10, rowLength);
    h[29] = 0x03;  // code page: Windows-1252
    std::uint32_t offset = 1;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        unsigned char* d = h + kHeaderSize + kDescriptorSize * i;
        const FieldDef& f = fields[i];
        for (std::size_t k = 0; k < f.name.size(); ++k)
            d[k] = static_cast<unsigned char>(upper(f.name[k]));
        d[11] = static_cast<unsigned char>(upper(f.type));
        putU32(d + 12, offset);
        d[16] = static_cast<unsigned char>(f.width);
        d[17] = static_cast<unsigned char>(f.decimals);
        offset += static_cast<std::uint32_t>(f.width);
    }
    h[headerLength - 1] = 0x0D;
    h[headerLength] = 0x1A;
    OsFile out;
    int err = out.create(path);
    if (err != 0) raiseSystem(gen::kCreate, sub::kCreate, err, path, "creazione");
    out.writeAt(0, bytes.data(), bytes.size());
    out.sync();
}

DbfFile::OpenResult DbfFile::open(const std::string& path, bool shared, bool readOnly) {
    close();
    // Read-write when the file allows it even for read-only opens: an exclusive share lock and
    // the row locks need a file open for writing.
    int err = file_.open(path, OsFile::Access::ReadWrite);
    if (err != 0 && readOnly && (err == EACCES || err == EROFS || err == EPERM))
        err = file_.open(path, OsFile::Access::ReadOnly);
    if (err != 0) raiseSystem(gen::kOpen, sub::kOpen, err, path, "apertura");
    if (!file_.lock(lockscheme::kShareOffset, lockscheme::kShareLength, !shared)) {
        file_.close();
        Failure f = engineFailure(gen::kOpen, sub::kOpen, "file in uso", path, "apertura");
        f.osCode = oscode::kSharingViolation;
        raiseDefaultable(std::move(f));
        return OpenResult::InUse;
    }
    shared_ = shared;
    readOnly_ = readOnly;
    try {
        readHeader();
    } catch (...) {
        file_.close();
        throw;
    }
    return OpenResult::Ok;
}

void DbfFile::close() {
    file_.close();
    fields_.clear();
    rowCount_ = 0;
}

MemoFormat DbfFile::memoFormat() const {
    if (version_ == kVersionFoxMemo) return MemoFormat::FoxPro;
    if (version_ == kVersionDBase3Memo) return MemoFormat::DBase3;
    return MemoFormat::None;
}

void DbfFile::readHeader() {
    const std::string& name = file_.path();
    const std::uint64_t size = file_.size();
    unsigned char h[kHeaderSize];
    if (size < kHeaderSize) raiseDamaged(name, "intestazione troncata");
    file_.readExact(0, h, kHeaderSize);
    version_ = h[0];
    if (version_ != kVersionPlain && version_ != kVersionFoxMemo && version_ != kVersionDBase3Memo)
        raiseDamaged(name, "versione sconosciuta");
    const int year = h[1] + 1900 < 1980 ? h[1] + 2000 : h[1] + 1900;
    lastUpdate_ = Date::fromYmd(year, h[2], h[3]);
    rowCount_ = getU32(h + 4);
    headerLength_ = getU16(h + 8);
    rowLength_ = getU16(h + 10);
    if (headerLength_ < kHeaderSize + kDescriptorSize + 1 ||
        static_cast<std::uint64_t>(headerLength_) > size)
        raiseDamaged(name, "lunghezza dell'intestazione non valida");
    std::string descriptors(static_cast<std::size_t>(headerLength_ - kHeaderSize), '\0');
    file_.readExact(kHeaderSize, descriptors.data(), descriptors.size());
    fields_.clear();
    int offset = 1;
    bool terminated = false;
    bool hasMemo = false;
    for (std::size_t pos = 0; pos < descriptors.size(); pos += kDescriptorSize) {
        auto* d = reinterpret_cast<const unsigned char*>(descriptors.data() + pos);
        if (d[0] == 0x0D || d[0] == 0x0A) {
            terminated = true;
            break;
        }
        if (pos + kDescriptorSize > descriptors.size()) break;
        FieldInfo f;
        std::size_t len = 0;
        while (len < 11 && d[len] != 0) ++len;
        f.name.assign(reinterpret_cast<const char*>(d), len);
        f.type = upper(static_cast<char>(d[11]));
        f.width = d[16];
        f.decimals = d[17];
        if (f.type == 'F') f.type = 'N';  // FoxPro float: stored as numeric text
        std::string problem = checkFieldDef(f);
        if (!problem.empty() && !(f.type == 'N' && f.width > 0 && f.decimals < f.width))
            raiseDamaged(name, problem);
        f.offset = offset;
        offset += f.width;
        hasMemo = hasMemo || f.type == 'M';
        fields_.push_back(std::move(f));
    }
    if (!terminated || fields_.empty()) raiseDamaged(name, "descrittori dei campi senza fine");
    if (offset != rowLength_) raiseDamaged(name, "lunghezza della riga non valida");
    if (hasMemo && version_ == kVersionPlain) raiseDamaged(name, "campo memo senza file memo");
    const std::uint64_t needed = static_cast<std::uint64_t>(headerLength_) +
                                 static_cast<std::uint64_t>(rowCount_) * rowLength_;
    if (size < needed) raiseDamaged(name, "file pi\xF9 corto delle righe dichiarate");
}

std::uint32_t DbfFile::refreshRowCount() {
    unsigned char c[4];
    file_.readExact(4, c, 4);
    std::uint32_t count = getU32(c);
    const std::uint64_t needed =
        static_cast<std::uint64_t>(headerLength_) + static_cast<std::uint64_t>(count) * rowLength_;
    if (count != rowCount_ && file_.size() < needed)
        raiseDamaged(file_.path(), "file pi\xF9 corto delle righe dichiarate");
    rowCount_ = count;
    return rowCount_;
}

bool DbfFile::readRow(std::uint32_t recno, std::string& row) {
    if (recno == 0 || recno > rowCount_) return false;
    row.resize(static_cast<std::size_t>(rowLength_));
    std::uint64_t offset = static_cast<std::uint64_t>(headerLength_) +
                           static_cast<std::uint64_t>(recno - 1) * rowLength_;
    file_.readExact(offset, row.data(), row.size());
    return true;
}

void DbfFile::readRows(std::uint32_t recno, std::uint32_t count, std::string& rows) {
    rows.resize(static_cast<std::size_t>(count) * rowLength_);
    std::uint64_t offset = static_cast<std::uint64_t>(headerLength_) +
                           static_cast<std::uint64_t>(recno - 1) * rowLength_;
    file_.readExact(offset, rows.data(), rows.size());
}

void DbfFile::writeRow(std::uint32_t recno, const std::string& row) {
    std::uint64_t offset = static_cast<std::uint64_t>(headerLength_) +
                           static_cast<std::uint64_t>(recno - 1) * rowLength_;
    file_.writeAt(offset, row.data(), row.size());
}

std::uint32_t DbfFile::appendRow(const std::string& row) {
    if (rowCount_ == 0xFFFFFFFEu) {
        raiseFatal(
            engineFailure(gen::kLimit, sub::kWrite, "troppe righe", file_.path(), "aggiunta"));
    }
    std::uint32_t recno = rowCount_ + 1;
    std::string bytes = row;
    bytes.push_back('\x1A');
    writeRow(recno, bytes);
    rowCount_ = recno;
    writeHeader();
    return recno;
}

void DbfFile::writeHeader() {
    unsigned char h[8];
    h[0] = version_;
    putToday(h + 1);
    putU32(h + 4, rowCount_);
    file_.writeAt(0, h, sizeof h);
}

void DbfFile::touchDate() {
    unsigned char d[3];
    putToday(d);
    file_.writeAt(1, d, sizeof d);
}

std::uint32_t DbfFile::pack() {
    constexpr std::uint32_t kChunkRows = 4096;
    std::string chunk;
    std::string out;
    std::uint32_t kept = 0;
    const std::uint32_t total = rowCount_;
    for (std::uint32_t first = 1; first <= total; first += kChunkRows) {
        std::uint32_t n = std::min(kChunkRows, total - first + 1);
        readRows(first, n, chunk);
        out.clear();
        for (std::uint32_t i = 0; i < n; ++i) {
            const char* r = chunk.data() + static_cast<std::size_t>(i) * rowLength_;
            if (r[0] != '*') out.append(r, static_cast<std::size_t>(rowLength_));
        }
        if (!out.empty()) {
            std::uint32_t rows = static_cast<std::uint32_t>(out.size() / rowLength_);
            if (kept + 1 != first || rows != n) writeRow(kept + 1, out);
            kept += rows;
        }
    }
    std::uint64_t end =
        static_cast<std::uint64_t>(headerLength_) + static_cast<std::uint64_t>(kept) * rowLength_;
    char eof = 0x1A;
    file_.writeAt(end, &eof, 1);
    file_.truncate(end + 1);
    rowCount_ = kept;
    writeHeader();
    return kept;
}

}  // namespace velt::engine
