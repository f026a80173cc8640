// The table engine on a table shaped like PRESTAZI (DATA D 8, ORA C 5, CLIENTE C 40, PRESTAZIO
// C 12, MACCHINA C 15, MINUTI N 2, PREZZO N 6.2, ABBONAM L 1, NOTE M 10): build the date-and-
// time index, random seeks, a scan in index order, appends with the index kept up to date and
// a pack with 10 % of the rows deleted; the index build and the seeks also by SQLite on the same
// keys. Prints "NAME VALUE UNIT" lines and "NAME-vs-sqlite RATIO" (our time / SQLite's).
// Usage: bench_engine [ROWS] (default 1,000,000).
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "data/engine/settings.h"
#include "data/engine/work_areas.h"

using namespace velt;
using namespace velt::engine;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double cpuSeconds() {
    struct rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void figure(const char* name, double value, const char* unit) {
    std::printf("%s %.6g %s\n", name, value, unit);
}

// Resident memory now (pages given back to the system no longer count).
double currentRssMiB() {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    double kib = 0;
    while (std::fgets(line, sizeof line, f)) {
        if (std::sscanf(line, "VmRSS: %lf", &kib) == 1) break;
    }
    std::fclose(f);
    return kib / 1024.0;
}

double peakRssMiB() {
    struct rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB on Linux
}

void check(int rc, sqlite3* db, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite %s: %s\n", what, sqlite3_errmsg(db));
        std::exit(1);
    }
}

const char* kNames[] = {"ROSSI MARIA", "BIANCHI ANNA", "VERDI LUCIA",  "NERI PAOLA",
                        "BRUNO SARA",  "GALLI ELENA",  "COSTA GIULIA", "FONTANA CHIARA"};
const char* kServices[] = {"DOCCIA", "LETTINO", "VISO", "TRIFACCIALE"};
const char* kMachines[] = {"DOCCIA 1", "DOCCIA 2", "LETTINO ALTO", "VISO RAPIDO"};

// Service i: a date in 1995..2024 and a time of day; keys repeat rarely, as in a salon's year.
struct Service {
    Date date;
    std::string time;
};

Service serviceOf(std::mt19937& rng) {
    Service s;
    s.date = Date::fromYmd(1995, 1, 1) + static_cast<std::int64_t>(rng() % 10950);
    char t[8];
    std::snprintf(t, sizeof t, "%02u:%02u", static_cast<unsigned>(8 + rng() % 12),
                  static_cast<unsigned>(rng() % 60));
    s.time = t;
    return s;
}

void fillRow(WorkArea& a, const Service& s, std::mt19937& rng) {
    a.put(1, Value(s.date));
    a.put(2, Value(s.time));
    a.put(3, Value(kNames[rng() % 8]));
    a.put(4, Value(kServices[rng() % 4]));
    a.put(5, Value(kMachines[rng() % 4]));
    a.put(6, Value(static_cast<int>(5 + rng() % 20)));
    a.put(7, Value(static_cast<double>(rng() % 5000) / 100.0));
    a.put(8, Value(rng() % 3 == 0));
}

IndexSpec dateTimeIndex(const std::string& file) {
    IndexSpec s;
    s.file = file;
    s.keyText = "DTOS( data ) + ora";
    s.key = [](WorkArea& w) { return Value(w.get(1).date().dtos() + w.get(2).text()); };
    s.conditionText = "!DELETED()";
    s.condition = [](WorkArea& w) { return !w.deleted(); };
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    const std::uint32_t rows =
        argc > 1 ? static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10)) : 1000000;
    const int seeks = 100000;
    const int appends = 100000;
    char pattern[] = "/tmp/velt-bench-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::string dir = pattern;
    const std::string table = dir + "/PRESTAZI";
    figure("rows", rows, "rows");

    createTable(table, {{"DATA", 'D', 8, 0},
                        {"ORA", 'C', 5, 0},
                        {"CLIENTE", 'C', 40, 0},
                        {"PRESTAZIO", 'C', 12, 0},
                        {"MACCHINA", 'C', 15, 0},
                        {"MINUTI", 'N', 2, 0},
                        {"PREZZO", 'N', 6, 2},
                        {"ABBONAM", 'L', 1, 0},
                        {"NOTE", 'M', 10, 0}});
    std::mt19937 rng(12345);
    // The 13-byte date-and-time key of every row, packed, for the seeks.
    std::string keyBytes;
    keyBytes.reserve(static_cast<std::size_t>(rows) * 13);
    auto keyOf = [&](std::uint32_t i) {
        return keyBytes.substr(static_cast<std::size_t>(i) * 13, 13);
    };
    auto keyPtr = [&](std::uint32_t i) {
        return keyBytes.data() + static_cast<std::size_t>(i) * 13;
    };
    WorkArea a(1);
    if (!a.open(table, OpenOptions::exclusive())) return 1;
    auto start = Clock::now();
    for (std::uint32_t i = 0; i < rows; ++i) {
        a.append();
        Service s = serviceOf(rng);
        fillRow(a, s, rng);
        keyBytes += s.date.dtos() + s.time;
    }
    a.flush();
    figure("table-fill", secondsSince(start), "s");
    figure("peak-rss-after-fill", peakRssMiB(), "MiB");

    // SQLite: the same rows and keys, in a file beside ours.
    sqlite3* db = nullptr;
    check(sqlite3_open((dir + "/bench.sqlite").c_str(), &db), db, "open");
    check(sqlite3_exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;", nullptr, nullptr,
                       nullptr),
          db, "pragma");
    check(sqlite3_exec(db,
                       "CREATE TABLE prestazi(data TEXT, ora TEXT, cliente TEXT, prestazio TEXT, "
                       "macchina TEXT, minuti INTEGER, prezzo REAL, abbonam INTEGER)",
                       nullptr, nullptr, nullptr),
          db, "create");
    {
        check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
        sqlite3_stmt* ins = nullptr;
        check(sqlite3_prepare_v2(db, "INSERT INTO prestazi VALUES(?,?,?,?,?,?,?,?)", -1, &ins,
                                 nullptr),
              db, "prepare");
        std::mt19937 again(999);
        for (std::uint32_t i = 0; i < rows; ++i) {
            sqlite3_bind_text(ins, 1, keyPtr(i), 8, SQLITE_STATIC);
            sqlite3_bind_text(ins, 2, keyPtr(i) + 8, 5, SQLITE_STATIC);
            sqlite3_bind_text(ins, 3, kNames[again() % 8], -1, SQLITE_STATIC);
            sqlite3_bind_text(ins, 4, kServices[again() % 4], -1, SQLITE_STATIC);
            sqlite3_bind_text(ins, 5, kMachines[again() % 4], -1, SQLITE_STATIC);
            sqlite3_bind_int(ins, 6, static_cast<int>(5 + again() % 20));
            sqlite3_bind_double(ins, 7, static_cast<double>(again() % 5000) / 100.0);
            sqlite3_bind_int(ins, 8, again() % 3 == 0);
            check(sqlite3_step(ins), db, "insert");
            sqlite3_reset(ins);
        }
        sqlite3_finalize(ins);
        check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
    }

    // Index build.
    const double rssBeforeBuild = currentRssMiB();
    figure("rss-before-build", rssBeforeBuild, "MiB");
    start = Clock::now();
    double cpu = cpuSeconds();
    a.createIndex(dateTimeIndex(dir + "/PRESTAZI.NTX"));
    a.flush();
    const double build = secondsSince(start);
    const double buildCpu = cpuSeconds() - cpu;
    figure("index-build", build, "s");
    figure("index-build-cpu", buildCpu, "s");
    const double peakAfterBuild = peakRssMiB();
    figure("peak-rss-after-build", peakAfterBuild, "MiB");
    // What the build held beyond what was resident before it: its sort buffer.
    const double sortBuffer = peakAfterBuild - rssBeforeBuild;
    figure("sort-buffer", sortBuffer, "MiB");
    start = Clock::now();
    cpu = cpuSeconds();
    check(sqlite3_exec(db, "CREATE INDEX prestazi_dt ON prestazi(data, ora)", nullptr, nullptr,
                       nullptr),
          db, "index");
    const double sqliteBuild = secondsSince(start);
    const double sqliteBuildCpu = cpuSeconds() - cpu;
    figure("sqlite-index-build", sqliteBuild, "s");
    figure("sqlite-index-build-cpu", sqliteBuildCpu, "s");
    std::printf("index-build-vs-sqlite %.3f\n", build / sqliteBuild);
    std::printf("index-build-cpu-vs-sqlite %.3f\n", buildCpu / sqliteBuildCpu);

    // Random seeks of existing keys, reading the customer of the row found.
    std::vector<std::uint32_t> picks(seeks);
    for (auto& p : picks) p = static_cast<std::uint32_t>(rng() % rows);
    std::size_t hits = 0, bytes = 0;
    start = Clock::now();
    cpu = cpuSeconds();
    for (std::uint32_t p : picks) {
        if (a.seek(Value(keyOf(p)))) {
            ++hits;
            bytes += a.get(3).text().size();
        }
    }
    const double seekTime = secondsSince(start);
    const double seekCpu = cpuSeconds() - cpu;
    figure("seeks", seeks, "seeks");
    figure("seek-found", static_cast<double>(hits), "seeks");
    figure("seek-time", seekTime, "s");
    figure("seek-rate", seeks / seekTime, "seeks/s");
    sqlite3_stmt* sel = nullptr;
    check(sqlite3_prepare_v2(
              db, "SELECT cliente FROM prestazi WHERE data=? AND ora=? ORDER BY rowid LIMIT 1", -1,
              &sel, nullptr),
          db, "prepare");
    std::size_t sqliteHits = 0;
    // One read transaction around the lookups, as our table is opened exclusively: SQLite then
    // takes its file locks once, not per lookup.
    check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
    start = Clock::now();
    cpu = cpuSeconds();
    for (std::uint32_t p : picks) {
        sqlite3_bind_text(sel, 1, keyPtr(p), 8, SQLITE_STATIC);
        sqlite3_bind_text(sel, 2, keyPtr(p) + 8, 5, SQLITE_STATIC);
        if (sqlite3_step(sel) == SQLITE_ROW) {
            ++sqliteHits;
            bytes += static_cast<std::size_t>(sqlite3_column_bytes(sel, 0));
        }
        sqlite3_reset(sel);
    }
    const double sqliteSeek = secondsSince(start);
    const double sqliteSeekCpu = cpuSeconds() - cpu;
    check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
    sqlite3_finalize(sel);
    figure("sqlite-seek-time", sqliteSeek, "s");
    figure("sqlite-seek-found", static_cast<double>(sqliteHits), "seeks");
    figure("seek-time-cpu", seekCpu, "s");
    figure("sqlite-seek-time-cpu", sqliteSeekCpu, "s");
    std::printf("seek-vs-sqlite %.3f\n", seekTime / sqliteSeek);
    std::printf("seek-cpu-vs-sqlite %.3f\n", seekCpu / sqliteSeekCpu);

    // Full scan in index order.
    start = Clock::now();
    std::uint64_t scanned = 0;
    for (a.goTop(); !a.eof(); a.skip()) {
        bytes += a.get(3).text().size();
        ++scanned;
    }
    figure("scan-rows", static_cast<double>(scanned), "rows");
    figure("scan-time", secondsSince(start), "s");
    figure("peak-rss-after-scan", peakRssMiB(), "MiB");

    // Appends with the index kept up to date.
    start = Clock::now();
    cpu = cpuSeconds();
    for (int i = 0; i < appends; ++i) {
        a.append();
        fillRow(a, serviceOf(rng), rng);
    }
    a.flush();
    const double appendTime = secondsSince(start);
    figure("appends", appends, "rows");
    figure("append-time", appendTime, "s");
    figure("append-time-cpu", cpuSeconds() - cpu, "s");
    figure("append-rate", appends / appendTime, "rows/s");
    figure("key-count", static_cast<double>(a.keyCount()), "keys");

    // Pack with 10 % of the rows deleted (the index is rebuilt with it).
    a.setOrder(0);
    const std::uint32_t total = a.rowCount();
    for (std::uint32_t r = 1; r <= total; r += 10) {
        a.goTo(r);
        a.markDeleted();
    }
    a.flush();
    start = Clock::now();
    a.pack();
    figure("pack-time", secondsSince(start), "s");
    figure("rows-after-pack", a.rowCount(), "rows");
    a.setOrder(1);
    figure("key-count-after-pack", static_cast<double>(a.keyCount()), "keys");
    figure("peak-rss", peakRssMiB(), "MiB");
    figure("peak-rss-beyond-sort-buffer", peakRssMiB() - sortBuffer, "MiB");
    figure("bench-key-list", static_cast<double>(keyBytes.capacity()) / (1024.0 * 1024.0), "MiB");
    if (bytes == 0) std::printf("checksum 0\n");
    a.close();
    sqlite3_close(db);
    std::filesystem::remove_all(dir);
    return 0;
}
