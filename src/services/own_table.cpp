#include "services/own_table.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>

#include "data/engine/work_areas.h"
#include "util/messages.h"
#include "util/prompt.h"

namespace velt::services {

namespace {

constexpr auto kQuietTries = std::chrono::seconds(3);

// Repeats `attempt` until it succeeds: for 3 seconds without pause, then with `waitText` in the
// wait box while window events go on; the wait text showing before comes back afterwards.
void waitFor(const std::function<bool()>& attempt, const char* waitText) {
    const auto until = std::chrono::steady_clock::now() + kQuietTries;
    while (std::chrono::steady_clock::now() < until) {
        if (attempt()) return;
    }
    const std::optional<std::string> noted = CURMSG();
    POPMSG();
    POPMSG(std::string(waitText));
    while (!attempt()) prompt().processEvents();
    POPMSG();
    if (noted) POPMSG(*noted);
}

std::string aliasOf(int area) {
    char alias[16];
    std::snprintf(alias, sizeof alias, "ALIAS%03d", area % 1000);
    return alias;
}

}  // namespace

OwnTable::OwnTable(const std::string& table) : callerArea_(engine::WorkAreas::currentNumber()) {
    const int number = engine::WorkAreas::select(0);
    area_ = &engine::WorkAreas::current();
    try {
        // A table another station holds exclusively is waited for, never given up on.
        const auto options = engine::OpenOptions::sharedAs(aliasOf(number));
        if (!area_->open(table, options)) {
            waitFor([&] { return area_->open(table, options); },
                    "E' in corso un'operazione di sistema...");
        }
    } catch (...) {
        engine::WorkAreas::select(callerArea_);
        throw;
    }
}

OwnTable::~OwnTable() {
    try {
        area_->close();
    } catch (...) {
        // A failure while closing has been reported by the failure handler already.
    }
    engine::WorkAreas::select(callerArea_);
}

std::string upperKey(std::string_view text) {
    std::string key(text);
    for (char& c : key) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return key;
}

bool blankName(std::string_view name) {
    return std::all_of(name.begin(), name.end(), [](char c) { return c == ' '; });
}

std::uint32_t findByName(engine::WorkArea& area, std::string_view field, std::string_view name) {
    const int pos = area.fieldPos(field);
    std::string wanted = upperKey(name);
    if (wanted.size() > static_cast<std::size_t>(area.field(pos).width)) {
        wanted.resize(static_cast<std::size_t>(area.field(pos).width));
    }
    std::uint32_t best = 0;
    std::string bestKey;
    for (area.goTop(); !area.eof(); area.skip(1)) {
        const std::string key = upperKey(area.get(pos).text());
        if (key.compare(0, wanted.size(), wanted) != 0) continue;
        // Physical order visits ties in record order, so only a smaller key replaces the match.
        if (best == 0 || key < bestKey) {
            best = area.recno();
            bestKey = key;
        }
    }
    if (best != 0) area.goTo(best);
    return best;
}

void lockAndReload(engine::WorkArea& area, std::uint32_t recno) {
    if (!area.lockRow(recno)) {
        waitFor([&] { return area.lockRow(recno); }, "Il sistema \xE8 momentaneamente occupato...");
    }
    area.goTo(recno);
}

void lockTableWaiting(engine::WorkArea& area) {
    if (!area.lockTable()) {
        waitFor([&] { return area.lockTable(); }, "Il sistema \xE8 momentaneamente occupato...");
    }
}

}  // namespace velt::services
