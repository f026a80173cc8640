#include "data/views.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "data/access.h"
#include "data/catalogue.h"
#include "data/engine/key_expression.h"
#include "data/engine/work_areas.h"
#include "util/failure.h"
#include "util/messages.h"

namespace velt {

namespace {

using engine::WorkArea;
using engine::WorkAreas;

// The order active before the view, per work area (index 0 unused); none = physical order.
std::array<std::optional<int>, kViewAreas + 1>& savedOrders() {
    static std::array<std::optional<int>, kViewAreas + 1> slots;
    return slots;
}

constexpr int kClearAttempts = 3;
constexpr const char* kViewPrefix = "\x7FVIEW";

bool isViewOrder(const std::string& tag) {
    return tag.rfind(kViewPrefix, 0) == 0;
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

void requireViewArea(int area) {
    if (area >= 1 && area <= kViewAreas) return;
    Failure f;
    f.genCode = gen::kLimit;
    f.subSystem = "VIEW";
    f.description = "Vista non disponibile nell'area di lavoro " + std::to_string(area);
    f.operation = "DBSETVIEW";
    raiseFailure(f);
    throw Abandon();
}

// The key of the active order as a view key: its stored text and the catalogue's callback.
ViewKey activeOrderKey(WorkArea& wa) {
    if (wa.order() == 0) {
        return {"RECNO()", [](WorkArea& w) { return Value(static_cast<double>(w.recno())); }};
    }
    const std::string text = wa.orderKeyText();
    if (const CatalogueIndex* index = findIndex(wa.orderName()))
        return {text, catalogueKey(*index)};
    if (auto key = engine::compileExpression(text, wa)) return {text, *key};
    Failure f;
    f.genCode = gen::kNoOrder;
    f.subSystem = "VIEW";
    f.description = "Chiave dell'ordine non calcolabile: " + text;
    f.operation = "DBSETVIEW";
    raiseFailure(f);
    throw Abandon();
}

// Shows the wait box for the time of a build unless quiet; closes it on every way out.
class WaitBox {
  public:
    explicit WaitBox(bool quiet) : shown_(!quiet) {
        if (shown_) POPMSG(std::string("Elaborazione in corso..."));
    }
    ~WaitBox() {
        if (shown_) POPMSG();
    }
    WaitBox(const WaitBox&) = delete;
    WaitBox& operator=(const WaitBox&) = delete;

  private:
    bool shown_;
};

void deleteFile(const std::string& path, const char* operation) {
    if (::unlink(path.c_str()) == 0 || errno == ENOENT) return;
    Failure f;
    f.genCode = gen::kClose;
    f.subSystem = "VIEW";
    f.osCode = osCodeFromErrno(errno);
    f.fileName = path;
    f.operation = operation;
    raiseFailure(f);
}

void clearOnce(bool lKeepFocus) {
    WorkArea& wa = WorkAreas::current();
    const int area = wa.number();
    const std::string viewFile = viewFileName(area);
    // 1. The active order and its range.
    const std::string activeName = wa.order() > 0 ? wa.orderName() : std::string();
    const auto low = wa.rangeLow();
    const auto high = wa.rangeHigh();
    const bool viewOpen = wa.orderNumber(viewTagName(area)) > 0;
    if (viewOpen || fileExists(viewFile)) {
        // 2. Every index file but the view's, reopened after the view file is gone.
        const std::vector<std::string> others = ORDLIST(viewFile);
        wa.clearIndexes();
        deleteFile(viewFile, "DBCLEARVIEW");
        ORDLIST(others);
        // 3. The order to make active.
        if (lKeepFocus) {
            if (!activeName.empty()) wa.setOrder(activeName);
        } else if (area >= 1 && area <= kViewAreas) {
            if (const std::optional<int> saved = savedOrders()[area]) wa.setOrder(*saved);
            savedOrders()[area].reset();
        }
        // 4. The range, on the order now active.
        if (low || high) wa.setRange(low, high);
    }
    // 5. The first row.
    wa.goTop();
}

}  // namespace

std::string viewTagName(int workArea) {
    return kViewPrefix + std::to_string(workArea);
}

bool HASVIEW() {
    WorkArea& wa = WorkAreas::current();
    return wa.isOpen() && wa.orderNumber(viewTagName(wa.number())) > 0;
}

void DBSETVIEW(engine::ConditionFunction bFilter, const std::string& cFilterText,
               std::optional<ViewKey> cKey, std::optional<bool> lQuiet, bool lUnique,
               bool lUseCurrent, bool lKeepFocus) {
    (void)cFilterText;  // the predicate is the callback; the text is kept by callers only
    const int area = WorkAreas::currentNumber();
    requireViewArea(area);
    // 1. No other view of this work area.
    DBCLEARVIEW(lKeepFocus);
    WorkArea& wa = WorkAreas::current();
    const std::string viewFile = viewFileName(area);
    // 2. The open index files and the range of the active order.
    const std::vector<std::string> others = ORDLIST(viewFile);
    const auto low = wa.rangeLow();
    const auto high = wa.rangeHigh();
    // 3. The key.
    const ViewKey key = cKey ? *cKey : activeOrderKey(wa);
    // 4. The wait box.
    WaitBox wait(lQuiet.value_or(CURMSG().has_value()));
    // 5. The order to come back to.
    if (!lKeepFocus) {
        const bool isView = wa.order() > 0 && isViewOrder(wa.orderName());
        if (!isView) {
            savedOrders()[area] = wa.order() > 0 ? std::optional<int>(wa.order()) : std::nullopt;
        }
    }
    // 6. Over the whole table in physical order, unless built along the active order.
    if (!lUseCurrent) wa.clearIndexes();
    // 7. The view index: stored condition "!DELETED()", built with the predicate.
    ORDCONDSET(
        kIndexCondition,
        [bFilter](WorkArea& w) { return !w.deleted() && (!bFilter || bFilter(w)); }, lUseCurrent);
    ORDBUILD(viewFile, "", key.cText, key.bKey, lUnique);
    // 8. The index files as they were, and the view as the active order.
    wa.clearIndexes();
    ORDLIST(others);
    ORDADD(viewFile);
    wa.setOrder(viewTagName(area));
    // 9. The range of the old order, on the view.
    if (low || high) wa.setRange(low, high);
    // 10. The first row.
    wa.goTop();
}

void DBCLEARVIEW(bool lKeepFocus) {
    for (int attempt = 1;; ++attempt) {
        try {
            clearOnce(lKeepFocus);
            return;
        } catch (const Abandon&) {
            if (attempt >= kClearAttempts) throw;
        } catch (const FailureError&) {
            if (attempt >= kClearAttempts) throw;
        }
    }
}

}  // namespace velt
