#include "ui/browse_workarea.h"

#include <cstdint>

#include "data/engine/settings.h"
#include "data/engine/work_areas.h"

namespace velt {

namespace {

using engine::WorkArea;
using engine::WorkAreas;

// Counts and positions come from the active order's key count and key position, so a browse
// over a large table reads only the rows it shows. A work area with no table open shows as an
// empty list.
class WorkAreaSource : public BrowseSource {
  public:
    explicit WorkAreaSource(int number) : number_(number) {}

    long logicLen() override {
        WorkArea& wa = area();
        return wa.isOpen() ? static_cast<long>(wa.keyCount()) : 0;
    }

    void goTop() override {
        if (area().isOpen()) area().goTop();
    }

    void goBottom() override {
        if (area().isOpen()) area().goBottom();
    }

    // One move of the engine; only when it runs past either end are the rows counted.
    long skip(long n) override {
        WorkArea& wa = area();
        if (!wa.isOpen() || wa.eof() || n == 0) return 0;
        const std::uint32_t from = wa.recno();
        wa.skip(n);
        if (n > 0) {
            if (!wa.eof()) return n;
            wa.goBottom();  // stopped on the last row: how far is it from where we were?
            const long moved = stepsBack(wa, from, n);
            wa.goBottom();
            return moved;
        }
        if (!wa.bof()) return n;
        wa.goTop();  // stopped on the first row
        const long moved = stepsForward(wa, from, -n);
        wa.goTop();
        return -moved;
    }

    bool onRow() override {
        WorkArea& wa = area();
        return wa.isOpen() && !wa.eof();
    }

    long keyNo() override {
        WorkArea& wa = area();
        return !wa.isOpen() || wa.eof() ? 0 : static_cast<long>(wa.keyPosition());
    }

    void keyGoto(long n) override {
        WorkArea& wa = area();
        if (!wa.isOpen()) return;
        if (n < 1 || !wa.goToKeyPosition(static_cast<std::uint64_t>(n)) || wa.eof()) {
            if (n < 1) {
                wa.goTop();
            } else {
                wa.goBottom();
            }
        }
    }

    void resync() override {
        WorkArea& wa = area();
        if (!wa.isOpen()) return;
        if (!wa.eof() && engine::settings().deletedHidden && wa.deleted()) wa.skip(1);
        if (wa.eof()) wa.goBottom();
    }

  private:
    WorkArea& area() const { return WorkAreas::area(number_); }
    // Rows between the current row and `target`, walking back (or forward), at most `limit`.
    static long stepsBack(WorkArea& wa, std::uint32_t target, long limit) {
        long steps = 0;
        while (wa.recno() != target && steps < limit) {
            wa.skip(-1);
            if (wa.bof()) break;
            ++steps;
        }
        return steps;
    }
    static long stepsForward(WorkArea& wa, std::uint32_t target, long limit) {
        long steps = 0;
        while (wa.recno() != target && steps < limit) {
            wa.skip(1);
            if (wa.eof()) break;
            ++steps;
        }
        return steps;
    }
    int number_;
};

}  // namespace

std::shared_ptr<BrowseSource> workAreaSource(const std::string& cAlias) {
    int number = WorkAreas::currentNumber();
    if (!cAlias.empty()) {
        if (WorkArea* wa = WorkAreas::find(cAlias)) number = wa->number();
    }
    return std::make_shared<WorkAreaSource>(number);
}

}  // namespace velt
