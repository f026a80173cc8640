#include "data/access.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "data/convert.h"
#include "data/disk.h"
#include "data/engine/settings.h"
#include "data/engine/work_areas.h"
#include "data/files.h"
#include "data/wait.h"
#include "util/failure.h"
#include "util/messages.h"
#include "util/neterr.h"
#include "util/prompt.h"

namespace velt {

using engine::WorkArea;
using engine::WorkAreas;

namespace {

struct PendingCondition {
    std::string text;
    engine::ConditionFunction predicate;
    bool useCurrent = false;
};

struct LayerState {
    std::string tempFolder;
    std::optional<PendingCondition> condition;
};

LayerState& state() {
    static LayerState s;
    return s;
}

// ".NTX" when the file-name part has no ".".
std::string indexFile(const std::string& cIndex) {
    std::string path = nativePath(cIndex);
    if (namePart(path).find('.') == std::string::npos) path += ".NTX";
    return path;
}

std::string removeFieldArrows(std::string text) {
    static const std::string arrow = "FIELD -> ";
    for (size_t at; (at = text.find(arrow)) != std::string::npos;) text.erase(at, arrow.size());
    return text;
}

std::string fullPath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    return currentFolder() + "/" + path;
}

// The keys of the catalogue indexes are known to the engine, so their files are kept up to date
// whoever opens them.
void registerCatalogueKeys() {
    static bool done = false;
    if (done) return;
    done = true;
    for (const auto& index : indexCatalogue())
        WorkArea::registerKey(removeFieldArrows(index.keyText), catalogueKey(index));
    WorkArea::registerCondition(kIndexCondition, notDeleted());
}

}  // namespace

engine::KeyFunction catalogueKey(const CatalogueIndex& index) {
    return [key = index.key, width = index.keyWidth](WorkArea& area) {
        std::string text = key([&](const std::string& field) { return area.get(field); });
        text.resize(static_cast<size_t>(width), ' ');
        return Value(text);
    };
}

engine::ConditionFunction notDeleted() {
    return [](WorkArea& area) { return !area.deleted(); };
}

// --- opening and closing ----------------------------------------------------------------------

void DBOPEN(bool lNewArea, const std::string& cTable, const std::string& cAlias, bool lShared,
            bool lReadOnly) {
    registerCatalogueKeys();
    std::optional<std::string> noted = CURMSG();
    if (lNewArea) WorkAreas::select(0);
    WorkArea& area = WorkAreas::current();
    engine::OpenOptions options{cAlias, lShared, lReadOnly};
    const std::string path = nativePath(cTable);
    if (area.open(path, options)) return;

    // Another station holds the table: wait for it, keeping the screen alive.
    POPMSG();
    PopMsgOptions box;
    if (!lShared) box.caption = "Attenzione";
    POPMSG(std::string(lShared ? "E' in corso un'operazione di sistema..."
                               : "Spegnere tutti i terminali..."),
           std::nullopt, box);
    while (!area.open(path, options)) {
        prompt().processEvents();
        pauseBetweenTries();
    }
    POPMSG();
    if (noted) POPMSG(*noted);
}

void closeWorkArea(int number) {
    WorkArea& area = WorkAreas::area(number);
    if (area.isOpen()) area.close();
    ::unlink(viewFileName(number).c_str());
}

void DBCLOSE(const std::string& cAlias) {
    int current = WorkAreas::currentNumber();
    int target = current;
    if (!cAlias.empty()) {
        WorkArea* area = WorkAreas::find(cAlias);
        if (!area) return;
        target = area->number();
    } else if (!WorkAreas::current().isOpen()) {
        return;
    }
    closeWorkArea(target);
    WorkAreas::select(current);
}

void CLOSEALL() {
    auto deleteViewFiles = [] {
        std::string folder = nativePath(SETTEMP());
        for (const auto& name : WILDEXP({folder + "\x7FVIEW*.NTX"}))
            ::unlink((folder + name).c_str());
    };
    try {
        WorkAreas::closeAll();
    } catch (...) {
        deleteViewFiles();
        throw;
    }
    deleteViewFiles();
}

void ORDADD(const std::string& cIndex) {
    registerCatalogueKeys();
    WorkAreas::current().addIndex(indexFile(cIndex));
}

void ORDCONDSET(const std::string& cCondition, engine::ConditionFunction bCondition,
                bool lUseCurrent) {
    state().condition = PendingCondition{cCondition, std::move(bCondition), lUseCurrent};
}

void ORDBUILD(const std::string& cIndex, const std::string& cTag, const std::string& cKeyText,
              engine::KeyFunction bKey, bool lUnique) {
    registerCatalogueKeys();
    std::optional<PendingCondition> condition = std::move(state().condition);
    state().condition.reset();
    engine::IndexSpec spec;
    spec.file = indexFile(cIndex);
    spec.tag = cTag;
    spec.keyText = removeFieldArrows(cKeyText);
    spec.key = bKey;
    spec.unique = lUnique;
    if (condition) {
        spec.conditionText = condition->text;
        spec.condition = condition->predicate;
        spec.fromActiveOrder = condition->useCurrent;
    }
    WorkArea::registerKey(spec.keyText, bKey);
    WorkAreas::current().createIndex(spec);
    // The predicate only decides which rows the build takes. The engine files it under the
    // condition text, yet a view is built with its filter and stored as "!DELETED()": every
    // index file opened later must be kept by what its stored condition says.
    if (condition && condition->text == kIndexCondition)
        WorkArea::registerCondition(kIndexCondition, notDeleted());
}

std::vector<std::string> ORDLIST() {
    std::vector<std::string> out;
    WorkArea& area = WorkAreas::current();
    if (!area.isOpen()) return out;
    for (int n = 1; n <= area.orderCount(); ++n) out.push_back(fullPath(area.orderFile(n)));
    return out;
}

std::vector<std::string> ORDLIST(const std::string& cWithout) {
    std::string without = upperAscii(fullPath(engine::applyNameCase(indexFile(cWithout))));
    std::vector<std::string> out;
    for (const auto& file : ORDLIST())
        if (upperAscii(file) != without) out.push_back(file);
    return out;
}

std::vector<std::string> ORDLIST(const std::vector<std::string>& aOpen) {
    for (const auto& file : aOpen) ORDADD(file);
    return {};
}

std::string ORDBAGNAME(int nOrder) {
    WorkArea& area = WorkAreas::current();
    if (!area.isOpen() || nOrder < 1 || nOrder > area.orderCount()) return {};
    return fullPath(area.orderFile(nOrder));
}

void DBGEN(const std::string& cTable, const std::vector<FieldSpec>& aFields, double nMinFree) {
    std::string path = nativePath(cTable);
    std::string folder = folderPart(path);
    if (ISFULL(folder.empty() ? currentFolder() : folder, nMinFree)) throw Abandon();
    std::vector<engine::FieldDef> fields;
    for (const auto& f : aFields) fields.push_back({f.name, f.type, f.width, f.decimals});
    engine::createTable(path, fields);
}

std::string GETNEWALIAS() {
    char text[16];
    std::snprintf(text, sizeof text, "ALIAS%03d", WorkAreas::lowestFree());
    return text;
}

std::string SETTEMP() {
    return state().tempFolder;
}

std::string SETTEMP(const std::string& cFolder) {
    state().tempFolder = cFolder;
    return state().tempFolder;
}

std::string viewFileName(int workArea) {
    return nativePath(SETTEMP()) + "\x7FVIEW" + std::to_string(workArea) + ".NTX";
}

// --- locks, rows and counts -------------------------------------------------------------------

void DBLOCK(bool lRow) {
    WorkArea& area = WorkAreas::current();
    if (lRow && (area.eof() || area.recno() == 0)) return;
    waitWhileBusy([&] { return lRow ? area.lockRow() : area.lockTable(); });
}

void DBAPP() {
    WorkArea& area = WorkAreas::current();
    DBLOCK(false);
    waitWhileBusy([&] {
        NETERR(false);
        area.append();
        return !NETERR();
    });
    DBLOCK(true);
}

void DBDEL(bool lCommit) {
    WorkArea& area = WorkAreas::current();
    if (area.eof() || area.recno() == 0) return;
    DBLOCK(false);
    std::uint32_t here = area.recno();
    area.skip(1);
    std::uint32_t next = area.eof() ? 0 : area.recno();
    area.goTo(here);
    area.markDeleted();
    if (lCommit) {
        area.flush();
        area.goTo(here);
    }
    area.goTo(next);
    area.unlockAll();
}

bool DELREC() {
    WorkArea& area = WorkAreas::current();
    if (area.eof() || area.recno() == 0) {
        prompt().beep(440, 55);
        return false;
    }
    if (!POPMSG(std::string("Confermi la cancellazione?"), 2).logical()) return false;
    DBDEL();
    return true;
}

std::string NEXTCODE(bool lLock) {
    WorkArea& area = WorkAreas::current();
    std::uint32_t noted = area.eof() ? 0 : area.recno();
    if (lLock) DBLOCK(false);
    int order = area.order();
    area.setOrder(0);
    area.goBottom();
    while (!area.eof() && trimBlanks(area.get("CODICE").text()).empty()) {
        area.skip(-1);
        if (area.bof()) break;
    }
    double last = area.eof() ? 0 : readNumber(area.get("CODICE").text());
    std::string code = std::to_string(static_cast<long long>(last) + 1);
    if (code.size() < 10) code.insert(0, 10 - code.size(), ' ');
    area.setOrder(order);
    area.goTo(noted);
    if (lLock)
        DBLOCK(true);
    else
        area.unlockAll();
    return code;
}

double TOTREC(bool lFirstOrder) {
    WorkArea& area = WorkAreas::current();
    std::optional<std::string> low = area.rangeLow(), high = area.rangeHigh();
    int order = area.order();
    if (lFirstOrder) area.setOrder(1);
    if (low || high) area.setRange(low, high);
    double count = static_cast<double>(area.keyCount());
    if (lFirstOrder) area.setOrder(order);
    return count;
}

bool ISDUP(const std::string& cKey, int nOrder) {
    WorkArea& area = WorkAreas::current();
    std::uint32_t noted = area.eof() ? 0 : area.recno();
    int order = area.order();
    if (!area.setOrder(nOrder)) return false;
    std::optional<std::string> low = area.rangeLow(), high = area.rangeHigh();
    area.setRange(std::nullopt, std::nullopt);
    bool found = area.seek(Value(upperAscii(cKey)));
    area.setRange(low, high);
    area.setOrder(order);
    area.goTo(noted);
    return found;
}

// --- scope guards -----------------------------------------------------------------------------

KeepWorkArea::KeepWorkArea() : saved_(WorkAreas::currentNumber()) {}
KeepWorkArea::~KeepWorkArea() {
    WorkAreas::select(saved_);
}

ScopedTable::ScopedTable(const std::string& cTable, const std::string& cAlias, bool lShared,
                         bool lReadOnly) {
    DBOPEN(true, cTable, cAlias, lShared, lReadOnly);
    area_ = WorkAreas::currentNumber();
}

ScopedTable::~ScopedTable() {
    try {
        closeWorkArea(area_);
    } catch (...) {
        // A failure while closing has been reported by the failure handler already.
    }
}

engine::WorkArea& ScopedTable::table() {
    return WorkAreas::area(area_);
}
void ScopedTable::select() {
    WorkAreas::select(area_);
}

}  // namespace velt
