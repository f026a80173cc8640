// Compound index files from arbitrary bytes: opening, walking every tag both ways, counting,
// seeking, moving by position and changing keys either work or report the file as damaged.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "data/engine/cdx_file.h"
#include "util/failure.h"

using namespace velt;
using namespace velt::engine;

namespace {

const std::string& scratchFile() {
    static const std::string path = [] {
        const char* tmp = std::getenv("TMPDIR");
        return std::string(tmp && *tmp ? tmp : "/tmp") + "/cdx_fuzz_" + std::to_string(getpid()) +
               ".ntx";
    }();
    return path;
}

void exercise(CdxTag& tag, bool binary) {
    if (binary) tag.setKeyType(CdxKeyType::Number);
    CdxCursor c(tag);
    int steps = 0;
    for (bool ok = c.first(); ok && steps < 3000; ok = c.next()) ++steps;
    steps = 0;
    for (bool ok = c.last(); ok && steps < 3000; ok = c.prev()) ++steps;
    tag.keyCount();
    tag.keyCount("B", "M");
    if (c.seek("C")) c.position("A", "Z");
    c.goToPosition(7);
    std::string key(static_cast<std::size_t>(tag.keyLength()), 'Q');
    tag.insert(key, 12345);
    tag.insert(key.substr(0, 1), 7);
    tag.remove(key, 12345);
    for (bool ok = c.first(); ok && steps < 6000; ok = c.next()) ++steps;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = scratchFile();
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) return 0;
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    try {
        auto file = CdxFile::open(path);
        for (CdxTag* tag : file->tags()) {
            try {
                exercise(*tag, size > 0 && (data[0] & 1));
            } catch (const FailureError&) {
            }
        }
    } catch (const FailureError&) {
    }
    ::unlink(path.c_str());
    return 0;
}
