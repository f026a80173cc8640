#include "ui/listsearch.h"

#include <cstdint>

#include "data/engine/work_areas.h"
#include "ui/browse.h"

namespace velt {

namespace {

using engine::WorkArea;
using engine::WorkAreas;

struct SearchState {
    std::string typed;
    std::uint32_t endedAt = 0;  // record where the last search ended
};

SearchState& state() {
    static SearchState s;
    return s;
}

char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string upperAscii(std::string s) {
    for (char& c : s) c = upperAscii(c);
    return s;
}

bool printable(int nKey) {
    return nKey >= 32 && nKey <= 126;
}

bool beginsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

long position(WorkArea& wa) {
    return wa.eof() ? 0 : static_cast<long>(wa.keyPosition());
}

// The list's navigation keys start a new typed text.
void listenToNavigation() {
    if (!TWBrowse::bNavigated) TWBrowse::bNavigated = [](TWBrowse&) { KEYSEARCH(); };
}

// Shows the list around its current row after the row moved from `fromPos`.
void showMoved(TWBrowse& oList, WorkArea& wa, long fromPos) {
    oList.ShowMoved(position(wa) - fromPos);
}

}  // namespace

void KEYSEARCH() {
    state().typed.clear();
}

const std::string& keySearchText() {
    return state().typed;
}

void KEYSEARCH(TWBrowse& oList, int nKey, const std::string& cPrefix) {
    listenToNavigation();
    SearchState& s = state();
    WorkArea& wa = WorkAreas::current();
    if (!wa.isOpen()) return;
    if (wa.eof() || wa.recno() != s.endedAt) s.typed.clear();
    if (!printable(nKey) && nKey != 8) return;
    const std::uint32_t noted = wa.recno();
    const bool notedEof = wa.eof();
    const long notedPos = position(wa);
    if (nKey == 8) {
        if (!s.typed.empty()) s.typed.pop_back();
    } else {
        s.typed += upperAscii(static_cast<char>(nKey));
    }
    if (!wa.seek(Value(cPrefix + s.typed))) {
        if (!s.typed.empty()) s.typed.pop_back();
        if (notedEof) {
            wa.goBottom();
            wa.skip(1);
        } else {
            wa.goTo(noted);
        }
    }
    if (wa.recno() != noted || wa.eof() != notedEof) showMoved(oList, wa, notedPos);
    s.endedAt = wa.recno();
}

void KEYSEEK(TWBrowse& oList, int nKey, const std::string& cPrefix) {
    if (!printable(nKey)) return;
    WorkArea& wa = WorkAreas::current();
    if (!wa.isOpen() || wa.eof()) return;
    const std::string target = cPrefix + upperAscii(static_cast<char>(nKey));
    const std::uint32_t start = wa.recno();
    const long startPos = position(wa);
    if (beginsWith(upperAscii(wa.currentKey()), target)) {
        wa.skip(1);
        if (!wa.eof() && beginsWith(upperAscii(wa.currentKey()), target)) {
            wa.skip(-1);
            oList.GoDown();  // the next row of the same letter, one line lower
            return;
        }
    }
    const char typed = static_cast<char>(nKey);
    const std::string lower =
        cPrefix + (typed >= 'A' && typed <= 'Z' ? static_cast<char>(typed - 'A' + 'a') : typed);
    if (!wa.seek(Value(target)) && !wa.seek(Value(lower))) {
        wa.goTo(start);
        if (position(wa) != startPos) showMoved(oList, wa, startPos);
        return;
    }
    if (wa.recno() != start) {
        oList.nRowPos = 1;  // the row found on the first line
        oList.ShowMoved(0);
    }
}

void KEYLOCATE(TWBrowse& oList, int nKey,
               const std::function<std::string(engine::WorkArea&)>& cExpr) {
    if (!printable(nKey) || !cExpr) return;
    WorkArea& wa = WorkAreas::current();
    if (!wa.isOpen() || wa.eof()) return;
    const std::string target(1, upperAscii(static_cast<char>(nKey)));
    const std::uint32_t start = wa.recno();
    const long startPos = position(wa);
    auto matches = [&](WorkArea& w) { return beginsWith(upperAscii(cExpr(w)), target); };
    if (!wa.locate(matches, false) && !wa.locate(matches, true)) wa.goTo(start);
    if (wa.recno() != start) showMoved(oList, wa, startPos);
}

}  // namespace velt
