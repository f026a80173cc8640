// The table access layer: every register, lookup and update opens, locks, appends, deletes,
// counts and closes rows through these operations, which work on the current work area of the
// engine (data/engine/work_areas.h). Sharing conflicts are never errors here: opening, locking
// and appending wait, with their wait-box texts, until they succeed, processing window events
// through the prompt seam meanwhile. Other failures go to velt::raiseFailure, whose handler shows
// the message and abandons to the caller's recovery point.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/catalogue.h"
#include "data/engine/work_area.h"

namespace velt {

// --- opening, closing, index files ------------------------------------------------------------

// Opens cTable (".DBF" assumed) in a new work area (lNewArea) or the current one, under cAlias
// (empty: the table's base name), shared or exclusive, optionally read-only; on the first row.
// While another station holds the table in a conflicting way it shows "E' in corso
// un'operazione di sistema..." (shared open) or "Spegnere tutti i terminali..." (exclusive open)
// and tries again until it succeeds; the wait text showing before comes back afterwards.
void DBOPEN(bool lNewArea, const std::string& cTable, const std::string& cAlias = {},
            bool lShared = true, bool lReadOnly = false);

// Closes the work area of that alias (empty: the current one) with its view index file, then
// makes the work area that was current current again. Nothing when the alias is not open.
void DBCLOSE(const std::string& cAlias = {});

// Closes every work area, selects work area 1 and deletes every view index file of the
// temporary folder.
void CLOSEALL();

// Adds ".NTX" when the file-name part has no "."; opens the index file for the current work
// area. When there was no active order, its tag becomes active, on its first row.
void ORDADD(const std::string& cIndex);

// States the condition of the next ORDBUILD (text and predicate), and whether that build walks
// the active order within its range instead of the whole table.
void ORDCONDSET(const std::string& cCondition, engine::ConditionFunction bCondition,
                bool lUseCurrent = false);

// Builds an index file (".NTX" added as ORDADD does) on bKey with the condition stated just
// before, storing cKeyText without its "FIELD -> " parts. With cTag empty the file is created
// anew holding one tag named after the file. The new tag becomes the active order.
void ORDBUILD(const std::string& cIndex, const std::string& cTag, const std::string& cKeyText,
              engine::KeyFunction bKey, bool lUnique = false);

// Full paths of the index files of every order of the current work area, in order.
std::vector<std::string> ORDLIST();
// The same list without that file (".NTX" assumed; full paths compared, letter case ignored).
std::vector<std::string> ORDLIST(const std::string& cWithout);
// Opens each file with ORDADD; answers an empty list.
std::vector<std::string> ORDLIST(const std::vector<std::string>& aOpen);

// Full path of the index file holding order nOrder; empty past the last order.
std::string ORDBAGNAME(int nOrder);

// Creates the table (and its memo file when it has memo fields), replacing files of those
// names, after checking the free space of its folder with ISFULL; abandons when that fails.
void DBGEN(const std::string& cTable, const std::vector<FieldSpec>& aFields,
           double nMinFree = 8192);

// "ALIAS" and the number of the lowest free work area in three digits; nothing is selected.
std::string GETNEWALIAS();

// The temporary folder of this layer (ends with "/" or is empty for the current folder).
std::string SETTEMP();
std::string SETTEMP(const std::string& cFolder);

// The view index file of a work area, in the temporary folder.
std::string viewFileName(int workArea);

// --- locks, rows and counts -------------------------------------------------------------------

// Locks the current row (lRow) or the whole table, waiting until it has the lock: 3 seconds of
// tries, then "Il sistema \xE8 momentaneamente occupato..." until it is obtained, the earlier
// wait text shown again afterwards. With no current row there is no row to lock.
void DBLOCK(bool lRow);

// Appends a blank row under the whole-table lock, waiting out conflicts as DBLOCK does, and
// leaves it current and locked. The whole-table lock stays held until the caller unlocks.
void DBAPP();

// Marks the current row deleted and moves to the row that followed it in the active order
// (past the end when none); with lCommit the change is flushed to disk. Releases the locks.
void DBDEL(bool lCommit = true);

// With no current row: a short beep and false. Otherwise asks "Confermi la cancellazione?" and
// deletes the row with DBDEL on OK.
bool DELREC();

// The next customer code: the code of the last row in physical order that has one, plus 1,
// right-aligned in 10 characters. With lLock the whole table stays locked for the caller.
std::string NEXTCODE(bool lLock = true);

// Rows counted in the first index of the work area (lFirstOrder) or the active one, within the
// range of the active order.
double TOTREC(bool lFirstOrder = true);

// Whether cKey, upper-cased, is found in order nOrder ignoring its range; the position and the
// active order stay as they were. Give the key at its full width to find exact matches.
bool ISDUP(const std::string& cKey, int nOrder = 1);

// --- scope guards -----------------------------------------------------------------------------

// Remembers the current work area and makes it current again on every way out.
class KeepWorkArea {
  public:
    KeepWorkArea();
    ~KeepWorkArea();
    KeepWorkArea(const KeepWorkArea&) = delete;
    KeepWorkArea& operator=(const KeepWorkArea&) = delete;
    int saved() const { return saved_; }

  private:
    int saved_;
};

// Opens a table in a work area of its own (DBOPEN with lNewArea) and, on every way out, closes
// it with its view index file and makes the caller's work area current again.
class ScopedTable {
  public:
    ScopedTable(const std::string& cTable, const std::string& cAlias = {}, bool lShared = true,
                bool lReadOnly = false);
    ~ScopedTable();
    ScopedTable(const ScopedTable&) = delete;
    ScopedTable& operator=(const ScopedTable&) = delete;

    int area() const { return area_; }
    engine::WorkArea& table();
    // Makes this table's work area current.
    void select();

  private:
    KeepWorkArea keep_;
    int area_ = 0;
};

// Closes a work area by number with its view index file (the current work area is unchanged).
void closeWorkArea(int area);

// The engine's key callback for a catalogue index: the key text cut or padded to its width.
engine::KeyFunction catalogueKey(const CatalogueIndex& index);
// The condition every catalogue index is built with: the row is not marked deleted.
engine::ConditionFunction notDeleted();

}  // namespace velt
