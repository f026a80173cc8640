// Helpers shared by the compound index tests: a temporary folder and the full listing of a tag.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "data/engine/cdx_file.h"

namespace velt::engine::testing {

class TempFolder {
  public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "cdxtestXXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

using Entries = std::vector<std::pair<std::string, std::uint32_t>>;

inline Entries listForward(CdxTag& tag) {
    Entries out;
    CdxCursor c(tag);
    for (bool ok = c.first(); ok; ok = c.next()) out.emplace_back(c.key(), c.recno());
    return out;
}

inline Entries listBackward(CdxTag& tag) {
    Entries out;
    CdxCursor c(tag);
    for (bool ok = c.last(); ok; ok = c.prev()) out.emplace_back(c.key(), c.recno());
    return {out.rbegin(), out.rend()};
}

}  // namespace velt::engine::testing
