// The consistency check of a data folder against the catalogue: every catalogue table against
// its fields, and every index file against its table (tag, key and condition texts, keys in
// order, each live row's key present once and right, no key for a deleted or missing row).
#pragma once

#include <string>
#include <vector>

namespace velt {

// The differences found in the folder, one line each; empty when everything matches.
std::vector<std::string> checkDataFolder(const std::string& folder);

}  // namespace velt
