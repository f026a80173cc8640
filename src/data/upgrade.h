// The structure check that runs once at every start-up: each catalogue table that is missing is
// created, each whose fields differ from the catalogue is converted in place with its rows
// carried over, and when anything was created or converted, or an index file is missing, the
// archive maintenance packs all tables and rebuilds all indexes.
#pragma once

#include <string>
#include <vector>

#include "data/catalogue.h"

namespace velt {

// Runs CREATEDB with the catalogue. Answers its result: on false the caller (the main window's
// first start-up task) ends the program at once.
bool AGGIORNADATABASE(bool lForce = false);

// The check over the given tables: an empty name skips the entry, an empty field list skips
// its comparison. lForce runs the maintenance even when nothing needs it. False when a creation
// or conversion failed (the check is then abandoned).
bool CREATEDB(const std::vector<std::string>& aNames,
              const std::vector<std::vector<FieldSpec>>& aFields,
              const std::vector<std::vector<std::string>>& aIndexFiles, bool lForce = false);

// True when a field of aFields is missing from the table or differs in type, width or decimals.
// Extra fields and their order do not count; a table that cannot be opened counts as equal.
bool NEEDUPD(const std::string& cTable, const std::vector<FieldSpec>& aFields);

// Converts the table to aFields through the temporary table TEMPDBF_ of its folder; live rows
// are carried over with CONVDATO, deleted rows are dropped. True on success.
bool MODITAB(const std::string& cTable, const std::vector<FieldSpec>& aFields);

}  // namespace velt
