// Data files from arbitrary bytes: opening, walking the rows both ways, reading every field,
// writing a row, appending and packing either work or report the file as damaged.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "data/engine/settings.h"
#include "data/engine/work_area.h"
#include "util/failure.h"

using namespace velt;
using namespace velt::engine;

namespace {

std::string scratch(const char* ext) {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/DBF_FUZZ_" + std::to_string(getpid()) + ext;
}

void writeBytes(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string dbf = scratch(".DBF");
    static const std::string memo = scratch(".DBT");
    writeBytes(dbf, data, size);
    // A small memo file beside it, so memo fields have something to point into.
    static const std::uint8_t memoBytes[1024 + 64] = {0, 0, 0, 17, 0, 0, 0, 64};
    writeBytes(memo, memoBytes, sizeof memoBytes);
    settings().upperCaseNames = false;
    try {
        WorkArea a(1);
        if (!a.open(dbf, OpenOptions::exclusive())) return 0;
        int steps = 0;
        for (a.goTop(); !a.eof() && steps < 2000; a.skip(), ++steps) {
            for (int i = 1; i <= a.fieldCount(); ++i) a.get(i);
            a.deleted();
        }
        steps = 0;
        for (a.goBottom(); !a.eof() && !a.bof() && steps < 2000; a.skip(-1), ++steps) a.get(1);
        a.goTo(1);
        if (!a.eof()) {
            a.put(1, a.get(1));
            a.markDeleted();
        }
        a.append();
        for (int i = 1; i <= a.fieldCount(); ++i) a.put(i, a.get(i));
        a.pack();
        a.keyCount();
    } catch (const FailureError&) {
        // Damaged input reported as a failure: what we want.
    }
    return 0;
}
