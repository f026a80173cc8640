#include "data/engine/work_areas.h"

#include <strings.h>

#include <map>
#include <memory>

#include "data/engine/engine_failure.h"
#include "data/engine/lock_scheme.h"
#include "data/engine/memo_file.h"
#include "data/engine/os_file.h"
#include "data/engine/settings.h"

namespace velt::engine {
namespace {

struct Registry {
    std::map<int, std::unique_ptr<WorkArea>> areas;
    int current = 1;
};

Registry& registry() {
    static Registry r;
    return r;
}

bool sameAlias(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace

WorkArea& WorkAreas::area(int number) {
    if (number < 1 || number > kMaxArea) {
        raiseFatal(engineFailure(gen::kArgument, sub::kArgument, "area di lavoro non valida", {},
                                 std::to_string(number)));
    }
    auto& slot = registry().areas[number];
    if (!slot) slot = std::make_unique<WorkArea>(number);
    return *slot;
}

WorkArea& WorkAreas::current() {
    return area(registry().current);
}

int WorkAreas::currentNumber() {
    return registry().current;
}

int WorkAreas::lowestFree() {
    for (int n = 1; n <= kMaxArea; ++n) {
        if (n == kSemaphoreArea) continue;
        auto it = registry().areas.find(n);
        if (it == registry().areas.end() || !it->second->isOpen()) return n;
    }
    raiseFatal(engineFailure(gen::kLimit, sub::kArgument, "nessuna area di lavoro libera", {}, {}));
}

int WorkAreas::select(int number) {
    if (number == 0) number = lowestFree();
    area(number);
    registry().current = number;
    return number;
}

WorkArea* WorkAreas::find(std::string_view alias) {
    for (auto& [n, a] : registry().areas) {
        if (a->isOpen() && sameAlias(a->alias(), alias)) return a.get();
    }
    return nullptr;
}

bool WorkAreas::select(std::string_view alias) {
    WorkArea* a = find(alias);
    if (!a) return false;
    registry().current = a->number();
    return true;
}

std::vector<int> WorkAreas::openAreas() {
    std::vector<int> out;
    for (auto& [n, a] : registry().areas) {
        if (a->isOpen()) out.push_back(n);
    }
    return out;
}

void WorkAreas::closeAll() {
    std::exception_ptr first;
    for (auto& [n, a] : registry().areas) {
        try {
            a->close();
        } catch (...) {
            if (!first) first = std::current_exception();
        }
    }
    registry().current = 1;
    if (first) std::rethrow_exception(first);
}

bool WorkAreas::aliasInUse(std::string_view alias, int except) {
    WorkArea* a = find(alias);
    return a && a->number() != except;
}

std::string tablePath(const std::string& name) {
    return applyNameCase(withDefaultExtension(name, ".DBF"));
}

std::string memoPath(const std::string& tablePath) {
    return applyNameCase(withExtension(tablePath, settings().memoExtension));
}

void createTable(const std::string& path, const std::vector<FieldDef>& fields,
                 MemoFormat memoFormat) {
    const std::string file = tablePath(path);
    DbfFile::create(file, fields, memoFormat);
    bool hasMemo = false;
    for (const FieldDef& f : fields) hasMemo = hasMemo || f.type == 'M' || f.type == 'm';
    if (hasMemo)
        MemoFile::create(memoPath(file), memoFormat == MemoFormat::DBase3 ? MemoFormat::DBase3
                                                                          : MemoFormat::FoxPro);
}

bool isFileInUse(const std::string& path) {
    OsFile f;
    int err = f.open(path, OsFile::Access::ReadWrite);
    if (err != 0) err = f.open(path, OsFile::Access::ReadOnly);
    if (err != 0) return false;
    return f.wouldConflict(lockscheme::kShareOffset, lockscheme::kShareLength, true);
}

}  // namespace velt::engine
