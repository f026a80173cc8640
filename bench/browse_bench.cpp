// The table browse over a service-shaped table of 1,000,000 rows in date-and-time order: opening
// the browse and painting its first page, End, Home, paging and a thumb drag; and a filtered
// view over one month of those rows. Prints one "NAME VALUE ms" line per figure.
// Usage: bench_browse [ROWS] (default 1,000,000).
#include <unistd.h>

#include <QAbstractSlider>
#include <QApplication>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "data/engine/work_areas.h"
#include "ui/browse.h"
#include "util/date.h"

#if __has_include("data/views.h")
#include "data/views.h"
#define VELT_BENCH_VIEWS 1
#endif

using namespace velt;
using namespace velt::engine;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void figure(const char* name, double ms) {
    std::printf("%s %.3f ms\n", name, ms);
}

const char* kNames[] = {"ROSSI MARIA", "BIANCHI ANNA", "VERDI LUCIA",  "NERI PAOLA",
                        "BRUNO SARA",  "GALLI ELENA",  "COSTA GIULIA", "FONTANA CHIARA"};
const char* kServices[] = {"DOCCIA", "LETTINO", "VISO", "TRIFACCIALE"};
const char* kMachines[] = {"DOCCIA 1", "DOCCIA 2", "LETTINO ALTO", "VISO RAPIDO"};

const Date kFirstDay = Date::fromYmd(1997, 1, 1);
constexpr int kDays = 10950;  // thirty years of services

KeyFunction dateTimeKey() {
    return [](WorkArea& w) { return Value(w.get(1).date().dtos() + w.get(2).text()); };
}

void makeTable(const std::string& table, std::uint32_t rows) {
    createTable(table, {{"DATA", 'D', 8, 0},
                        {"ORA", 'C', 5, 0},
                        {"CLIENTE", 'C', 40, 0},
                        {"PRESTAZIO", 'C', 12, 0},
                        {"MACCHINA", 'C', 15, 0},
                        {"MINUTI", 'N', 2, 0},
                        {"PREZZO", 'N', 6, 2},
                        {"ABBONAM", 'L', 1, 0},
                        {"NOTE", 'M', 10, 0}});
    std::mt19937 rng(4242);
    WorkArea a(900);
    OpenOptions exclusive;
    exclusive.shared = false;
    if (!a.open(table, exclusive)) std::exit(1);
    for (std::uint32_t i = 0; i < rows; ++i) {
        a.append();
        a.put(1, Value(kFirstDay + static_cast<std::int64_t>(rng() % kDays)));
        char t[8];
        std::snprintf(t, sizeof t, "%02u:%02u", static_cast<unsigned>(8 + rng() % 12),
                      static_cast<unsigned>(rng() % 60));
        a.put(2, Value(std::string(t)));
        a.put(3, Value(kNames[rng() % 8]));
        a.put(4, Value(kServices[rng() % 4]));
        a.put(5, Value(kMachines[rng() % 4]));
        a.put(6, Value(static_cast<int>(5 + rng() % 20)));
        a.put(7, Value(static_cast<double>(rng() % 5000) / 100.0));
        a.put(8, Value(rng() % 3 == 0));
    }
    IndexSpec spec;
    spec.file = table + ".NTX";
    spec.keyText = "DTOS( data ) + ora";
    spec.key = dateTimeKey();
    spec.conditionText = "!DELETED()";
    spec.condition = [](WorkArea& w) { return !w.deleted(); };
    a.createIndex(spec);
    a.close();
}

BrowseLine serviceLine(WorkArea& w) {
    return {w.get(1).date().toString(),
            w.get(2).text(),
            w.get(3).text(),
            w.get(4).text(),
            w.get(5).text(),
            w.get(6).text(),
            w.get(7).text(),
            std::string()};
}

}  // namespace

int main(int argc, char** argv) {
    const std::uint32_t rows =
        argc > 1 ? static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10)) : 1000000;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    char pattern[] = "/tmp/velt-bench-browse-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::string dir = pattern;
    const std::string table = dir + "/PRESTAZI";
    auto start = Clock::now();
    makeTable(table, rows);
    std::printf("rows %u rows\n", rows);
    figure("table-build", msSince(start));

    // The register's way: its own work area, shared, the date order, on the most recent row.
    WorkAreas::select(0);
    WorkArea& wa = WorkAreas::current();
    if (!wa.open(table)) return 1;
    wa.addIndex(table + ".NTX");
    wa.goBottom();

    // What opening costs in the engine: the key count and the key position in the order.
    auto t0 = Clock::now();
    const auto count = wa.keyCount();
    figure("engine-key-count", msSince(t0));
    t0 = Clock::now();
    const auto position = wa.keyPosition();
    figure("engine-key-position", msSince(t0));
    if (count != rows || position != count) std::fprintf(stderr, "unexpected count/position\n");

    TWindow owner;
    QWidget window;
    window.resize(480, 420);
    window.show();
    start = Clock::now();
    BrowseParams p;
    p.aHeaders = {"DATA", "ORA", "CLIENTE", "PRESTAZIONE", "MACCHINA", "MIN", "PREZZO", ""};
    p.aColSizes = {70, 40, 200, 120, 120, 30, 66, 0};
    p.bLine = [&wa] { return serviceLine(wa); };
    TWBrowse* brw = makeControl<TWBrowse>(owner, 101, std::move(p));
    brw->create(&window, QRect(10, 10, 460, 400));
    brw->DrawBrowse();
    figure("browse-open-first-page", msSince(start));

    auto timed = [](const char* name, auto&& move) {
        const auto t = Clock::now();
        move();
        figure(name, msSince(t));
    };
    timed("browse-home", [&] { brw->GoTop(); });
    timed("browse-end", [&] { brw->GoBottom(); });
    timed("browse-home-again", [&] { brw->GoTop(); });
    const int pages = 50;
    start = Clock::now();
    for (int i = 0; i < pages; ++i) brw->PageDown();
    figure("browse-page-down-each", msSince(start) / pages);
    start = Clock::now();
    for (int i = 0; i < pages; ++i) brw->PageUp();
    figure("browse-page-up-each", msSince(start) / pages);
    timed("browse-thumb-middle", [&] { brw->VScroll(QAbstractSlider::SliderMove, rows / 2); });
    start = Clock::now();
    for (int i = 0; i < 100; ++i) brw->GoDown();
    figure("browse-down-each", msSince(start) / 100);

#ifdef VELT_BENCH_VIEWS
    // The service search's view: one month of services, over the whole table in physical order.
    const std::string from = Date::fromYmd(2010, 3, 1).dtos();
    const std::string to = Date::fromYmd(2010, 3, 31).dtos();
    start = Clock::now();
    DBSETVIEW([&](WorkArea& w) {
        const std::string day = w.get(1).date().dtos();
        return day >= from && day <= to;
    });
    figure("view-month-build", msSince(start));
    std::printf("view-month-rows %llu rows\n", static_cast<unsigned long long>(wa.keyCount()));
    start = Clock::now();
    brw->Stabilize(false);
    figure("view-browse-first-page", msSince(start));
    timed("view-browse-end", [&] { brw->GoBottom(); });
    start = Clock::now();
    DBCLEARVIEW();
    figure("view-clear", msSince(start));
#endif

    wa.close();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return 0;
}
