// The backup archive: a standard zip file with its entries at the root, deflate at the default
// level, each entry carrying its file's last-write time (local time) and DOS attribute bits.
// Messages go through POPMSG; both operations answer false after showing why.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace velt {

// Called before each listed file is stored, with its name as listed; the saving uses it to
// hold the file's table locked while its files are copied. `finish` is called once at the end.
struct ZipHooks {
    std::function<void(const std::string& file)> beforeFile;
    std::function<void()> finish;
};

// Writes a new archive holding the listed files under their names without folder. A file that
// cannot be read is left out.
bool ZIP(const std::string& cArchive, const std::vector<std::string>& aFiles,
         const ZipHooks& hooks = {});

// Extracts every entry into the current folder under the last part of its name, never
// anywhere else. An entry that cannot be written is left out; a file that is there stays as it
// was until its entry has been read whole and checked.
bool UNZIP(const std::string& cArchive);

}  // namespace velt
