#include "ui/browse_workarea.h"

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

    long skip(long n) override {
        WorkArea& wa = area();
        if (!wa.isOpen() || wa.eof() || n == 0) return 0;
        long moved = 0;
        for (; moved < n; ++moved) {
            wa.skip(1);
            if (wa.eof()) {  // stop on the last row
                wa.goBottom();
                break;
            }
        }
        for (; moved > n; --moved) {
            wa.skip(-1);
            if (wa.bof()) break;
        }
        return moved;
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
