// Memo files from arbitrary bytes, in both formats: reading blocks named by the input, then
// rewriting, clearing and adding memos, either work or report the file as damaged.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "data/engine/memo_file.h"
#include "util/failure.h"

using namespace velt;
using namespace velt::engine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 9) return 0;
    static const std::string path = [] {
        const char* tmp = std::getenv("TMPDIR");
        return std::string(tmp && *tmp ? tmp : "/tmp") + "/memo_fuzz_" + std::to_string(getpid()) +
               ".dbt";
    }();
    // First byte: format; next 8 bytes: two block numbers to read and rewrite.
    MemoFormat format = data[0] & 1 ? MemoFormat::DBase3 : MemoFormat::FoxPro;
    auto block = [&](std::size_t at) {
        return static_cast<std::uint32_t>(data[at]) |
               (static_cast<std::uint32_t>(data[at + 1]) << 8) |
               (static_cast<std::uint32_t>(data[at + 2]) << 16) |
               (static_cast<std::uint32_t>(data[at + 3]) << 24);
    };
    std::uint32_t first = block(1) % 4096, second = block(5);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data + 9), static_cast<std::streamsize>(size - 9));
    }
    try {
        MemoFile m;
        m.open(path, format, false, false);
        for (std::uint32_t b : {first, second, 8u, 16u, 1u}) {
            try {
                m.read(b);
            } catch (const FailureError&) {
            }
        }
        std::uint32_t a = m.write(0, std::string(100, 'a'));
        std::uint32_t b = m.write(0, std::string(500, 'b'));
        a = m.write(a, std::string(700, 'c'));
        m.write(b, "");
        m.write(a, "short");
        try {
            m.write(first, std::string(first % 300, 'd'));
        } catch (const FailureError&) {
        }
        m.close();
        m.open(path, format, false, true);
        m.read(a);
    } catch (const FailureError&) {
    }
    return 0;
}
