// veltdb, the support and migration tool on the table engine:
//   veltdb info FILE                  a table's header and fields, or an index file's tags
//   veltdb dump TABLE [--deleted]     rows as CSV (UTF-8), header line of field names
//   veltdb keys INDEXFILE [TAG] [--hex]   one line per key in index order: key, blank, recno
//   veltdb import TABLE CSV           appends the CSV's rows, columns matched by the header
//   veltdb check FOLDER               the folder's tables and index files against the catalogue
//   veltdb maintain FOLDER            the archive maintenance, its wait texts as progress lines
// Every error is a message on `err` and a non-zero result.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace velt::veltdb {

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace velt::veltdb
