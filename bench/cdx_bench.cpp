// Compound index figures against SQLite on the same keys: building an index over N rows of
// date-and-time keys (13 characters, as the service table's order) and random seeks, with the
// index file shared (a lock per seek) and opened exclusively. Prints "NAME VALUE UNIT" lines and
// "NAME-vs-sqlite RATIO" (our time / SQLite's). Usage: bench_cdx [ROWS] [SEEKS] [FOLDER]
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

#include "data/engine/cdx_file.h"

using namespace velt;
using namespace velt::engine;
using Clock = std::chrono::steady_clock;

namespace {

// Processor time of this process (user + system): steadier than wall time on a shared machine.
double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Timer {
    Clock::time_point wall = Clock::now();
    double cpu = cpuSeconds();
};

struct Span {
    double wall, cpu;
};

Span since(const Timer& t) {
    return {std::chrono::duration<double>(Clock::now() - t.wall).count(), cpuSeconds() - t.cpu};
}

// A time as two figures: wall clock and processor time.
void timeFigure(const std::string& name, Span s, double scale, const char* unit) {
    std::printf("%s %.6g %s\n", name.c_str(), s.wall * scale, unit);
    std::printf("%s-cpu %.6g %s\n", name.c_str(), s.cpu * scale, unit);
}

void figure(const char* name, double value, const char* unit) {
    std::printf("%s %.6g %s\n", name, value, unit);
}

void check(int rc, sqlite3* db, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite %s: %s\n", what, sqlite3_errmsg(db));
        std::exit(1);
    }
}

long peakRssKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t rows = argc > 1 ? std::stoul(argv[1]) : 1000000;
    const std::size_t seeks = argc > 2 ? std::stoul(argv[2]) : 100000;
    std::filesystem::path dir = argc > 3 ? argv[3] : std::filesystem::temp_directory_path();
    dir /= "bench_cdx_" + std::to_string(getpid());
    std::filesystem::create_directories(dir);

    // Keys: a date in ten years and a time of day, as "yyyymmddhh:mm", in random row order.
    std::mt19937_64 rng(42);
    std::vector<std::string> keys(rows);
    for (auto& k : keys) {
        Date d = Date::fromYmd(2016, 1, 1) + static_cast<int>(rng() % 3650);
        unsigned minute = static_cast<unsigned>(rng() % (14 * 60)) + 8 * 60;
        char time[8];
        std::snprintf(time, sizeof time, "%02u:%02u", minute / 60, minute % 60);
        k = d.dtos() + time;
    }
    std::vector<std::string> probes(seeks);
    for (auto& p : probes) p = keys[rng() % rows];
    figure("rows", static_cast<double>(rows), "rows");

    // Ours: sort-then-write build.
    std::string ntx = (dir / "PRESTAZI.NTX").string();
    Timer t0;
    {
        auto file = CdxFile::create(ntx);
        CdxTagSpec spec{.name = "PRESTAZI",
                        .keyExpr = "DTOS( data ) + ora",
                        .forExpr = "!DELETED()",
                        .type = CdxKeyType::Character,
                        .keyLength = 13,
                        .unique = false,
                        .descending = false};
        auto b = file->buildTag(spec);
        for (std::size_t i = 0; i < rows; ++i) b.add(keys[i], static_cast<std::uint32_t>(i + 1));
        b.finish();
    }
    Span ourBuild = since(t0);
    timeFigure("cdx-build", ourBuild, 1, "s");
    figure("cdx-file-size", static_cast<double>(std::filesystem::file_size(ntx)) / 1048576, "MiB");

    auto seekAll = [&](CdxFile& file) {
        CdxTag& tag = *file.tag("PRESTAZI");
        CdxCursor c(tag);
        std::uint64_t sum = 0;
        Timer t;
        for (auto& p : probes) {
            if (c.seek(p)) sum += c.recno();
        }
        Span s = since(t);
        if (sum == 0) std::fprintf(stderr, "no seek found anything\n");
        return s;
    };
    Span ourSeekShared, ourSeekExclusive;
    {
        auto file = CdxFile::open(ntx, {.readOnly = false, .exclusive = false});
        ourSeekShared = seekAll(*file);
    }
    {
        auto file = CdxFile::open(ntx, {.readOnly = false, .exclusive = true});
        ourSeekExclusive = seekAll(*file);
    }
    const double perSeek = 1e6 / static_cast<double>(seeks);
    timeFigure("cdx-seek-shared", ourSeekShared, perSeek, "us/seek");
    timeFigure("cdx-seek-exclusive", ourSeekExclusive, perSeek, "us/seek");
    {
        auto file = CdxFile::open(ntx, {.readOnly = true, .exclusive = false});
        Timer t;
        std::uint64_t n = file->tag("PRESTAZI")->keyCount();
        timeFigure("cdx-count-all", since(t), 1e3, "ms");
        if (n != rows) std::fprintf(stderr, "count %llu != %zu\n", (unsigned long long)n, rows);
    }
    figure("peak-rss", static_cast<double>(peakRssKb()) / 1024, "MiB");

    // SQLite: the same keys in a table, then CREATE INDEX and indexed lookups.
    sqlite3* db = nullptr;
    std::string dbPath = (dir / "bench.sqlite").string();
    check(sqlite3_open(dbPath.c_str(), &db), db, "open");
    check(sqlite3_exec(db, "PRAGMA synchronous=OFF; PRAGMA journal_mode=OFF;", nullptr, nullptr,
                       nullptr),
          db, "pragma");
    check(sqlite3_exec(db, "CREATE TABLE p(k TEXT, r INTEGER); BEGIN;", nullptr, nullptr, nullptr),
          db, "create");
    sqlite3_stmt* ins = nullptr;
    check(sqlite3_prepare_v2(db, "INSERT INTO p VALUES(?1, ?2)", -1, &ins, nullptr), db, "prep");
    for (std::size_t i = 0; i < rows; ++i) {
        sqlite3_bind_text(ins, 1, keys[i].data(), 13, SQLITE_STATIC);
        sqlite3_bind_int64(ins, 2, static_cast<sqlite3_int64>(i + 1));
        check(sqlite3_step(ins), db, "insert");
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    check(sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr), db, "commit");
    t0 = Timer();
    check(sqlite3_exec(db, "CREATE INDEX pk ON p(k, r);", nullptr, nullptr, nullptr), db, "index");
    Span sqlBuild = since(t0);
    timeFigure("sqlite-build", sqlBuild, 1, "s");
    sqlite3_stmt* sel = nullptr;
    check(sqlite3_prepare_v2(db, "SELECT r FROM p WHERE k >= ?1 ORDER BY k, r LIMIT 1", -1, &sel,
                             nullptr),
          db, "prep");
    std::uint64_t sum = 0;
    t0 = Timer();
    for (auto& p : probes) {
        sqlite3_bind_text(sel, 1, p.data(), 13, SQLITE_STATIC);
        if (sqlite3_step(sel) == SQLITE_ROW)
            sum += static_cast<std::uint64_t>(sqlite3_column_int64(sel, 0));
        sqlite3_reset(sel);
    }
    Span sqlSeek = since(t0);
    sqlite3_finalize(sel);
    sqlite3_close(db);
    if (sum == 0) std::fprintf(stderr, "sqlite found nothing\n");
    timeFigure("sqlite-seek", sqlSeek, perSeek, "us/seek");
    // Ratios of processor time: wall time on a loaded machine measures the other programs too.
    std::printf("cdx-build-vs-sqlite %.3f\n", ourBuild.cpu / sqlBuild.cpu);
    std::printf("cdx-seek-shared-vs-sqlite %.3f\n", ourSeekShared.cpu / sqlSeek.cpu);
    std::printf("cdx-seek-exclusive-vs-sqlite %.3f\n", ourSeekExclusive.cpu / sqlSeek.cpu);
    std::filesystem::remove_all(dir);
    return 0;
}
