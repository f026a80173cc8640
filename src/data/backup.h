// Saving all tables of the data folder into one zip archive and restoring them from one. Each
// table's data and memo file are read while that table's whole-table lock is held, so no
// half-written change of another station gets into the archive. After a restore every index is
// rebuilt by the archive maintenance.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "util/date.h"

namespace velt {

// Saves every "*.DB?" file of the current folder, then aExtra, into an archive the operator
// names. True when the archive was written.
bool SALVA(const std::vector<std::string>& aExtra = {});
// Asks for the archive name and writes it.
bool SAVE(const std::vector<std::string>& aFiles);

// Restores the tables from an archive the operator chooses, then rebuilds the indexes. True
// when the archive was extracted.
bool RICARICA();
// Asks for confirmation and the archive, and extracts it.
bool LOAD();

// "Salvataggio archivi " + the program file's base name + " del " + ddmmyyyy + ".zip".
std::string defaultArchiveName(const std::string& programPath, const Date& day);
// The full path of the running program file.
std::string runningProgramPath();

// Rebuilds the users index after a restore when the users table exists (the users
// configuration installs it; nothing until then). Answers the former one.
using UsersIndexRebuild = std::function<void()>;
UsersIndexRebuild setUsersIndexRebuild(UsersIndexRebuild rebuild);

}  // namespace velt
