// Interim: index files arrive with the compound index format; until then every work area runs
// in physical order and the index operations report that they are not available.
#include "data/engine/engine_failure.h"
#include "data/engine/work_area.h"

namespace velt::engine {

struct WorkArea::Order {};
struct WorkArea::IndexFile {};

WorkArea::WorkArea(int number) : number_(number) {}

WorkArea::~WorkArea() {
    try {
        close();
    } catch (...) {
        // A failure while closing at destruction has nobody left to tell.
    }
}

namespace {
[[noreturn]] void unavailable(const std::string& file) {
    raiseFatal(engineFailure(gen::kUnsupported, sub::kNoOrder, "indici non disponibili", file, {}));
}
}  // namespace

WorkArea::Order* WorkArea::activeOrder() const {
    return nullptr;
}
void WorkArea::orderGoTop() {}
void WorkArea::orderGoBottom() {}
void WorkArea::orderSkip(long) {}
bool WorkArea::orderSeek(const Value&, bool) {
    return false;
}
void WorkArea::captureOldKeys() {}
void WorkArea::updateIndexes() {}
void WorkArea::rebuildIndexes() {}
void WorkArea::closeIndexes() {}
void WorkArea::flushIndexes() {}
void WorkArea::addIndex(const std::string& path) {
    unavailable(path);
}
void WorkArea::clearIndexes() {}
void WorkArea::createIndex(const IndexSpec& spec) {
    unavailable(spec.file);
}
int WorkArea::orderCount() const {
    return 0;
}
bool WorkArea::setOrder(int number) {
    return number == 0;
}
bool WorkArea::setOrder(std::string_view) {
    return false;
}
std::string WorkArea::orderName(int) const {
    return {};
}
std::string WorkArea::orderKeyText(int) const {
    return {};
}
std::string WorkArea::orderCondition(int) const {
    return {};
}
std::string WorkArea::orderFile(int) const {
    return {};
}
int WorkArea::orderNumber(std::string_view) const {
    return 0;
}
void WorkArea::setRange(std::optional<std::string>, std::optional<std::string>) {}
std::optional<std::string> WorkArea::rangeLow() const {
    return std::nullopt;
}
std::optional<std::string> WorkArea::rangeHigh() const {
    return std::nullopt;
}
std::uint64_t WorkArea::keyCount() {
    std::uint64_t n = 0;
    std::uint32_t keep = recno();
    for (goTop(); !eof(); skip(1)) ++n;
    goTo(keep);
    return n;
}
std::uint64_t WorkArea::keyPosition() {
    return 0;
}
bool WorkArea::goToKeyPosition(std::uint64_t) {
    return false;
}
std::string WorkArea::currentKey() {
    return {};
}
void WorkArea::registerKey(const std::string&, KeyFunction) {}
void WorkArea::registerCondition(const std::string&, ConditionFunction) {}

}  // namespace velt::engine
