// The veltdb commands that work on a whole data folder with the table catalogue:
//   veltdb check FOLDER      every catalogue table against its fields and every index file
//                            against its table; prints what differs, non-zero when anything does
//   veltdb maintain FOLDER   the archive maintenance without confirmation, its wait texts
//                            printed as progress lines
#pragma once

#include <ostream>
#include <string>

namespace velt::veltdb {

int checkFolder(const std::string& folder, std::ostream& out, std::ostream& err);
int maintainFolder(const std::string& folder, std::ostream& out, std::ostream& err);

}  // namespace velt::veltdb
