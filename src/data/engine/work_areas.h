// The process-wide set of numbered work areas and the current one, and the table operations
// that need no work area: creating a table and asking whether another open holds it.
// Work area 0 in select() means the lowest-numbered free one; 65534 is reserved for the
// semaphore table and is never chosen as a free work area.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "data/engine/dbf_file.h"
#include "data/engine/work_area.h"

namespace velt::engine {

class WorkAreas {
  public:
    static constexpr int kSemaphoreArea = 65534;
    static constexpr int kMaxArea = 65535;

    // The current work area (work area 1 at start).
    static WorkArea& current();
    static int currentNumber();
    // Makes work area n current (0: the lowest-numbered free one) and returns its number. An
    // impossible number is an argument failure.
    static int select(int number);
    // Makes the open work area with that alias (case ignored) current; false when none has it.
    static bool select(std::string_view alias);
    // The open work area with that alias; null when none.
    static WorkArea* find(std::string_view alias);
    // Work area n, created empty when it does not exist yet.
    static WorkArea& area(int number);
    // The lowest-numbered work area with no table open (65534 skipped).
    static int lowestFree();
    // Numbers of the work areas that have a table open, ascending.
    static std::vector<int> openAreas();
    // Closes every work area and selects work area 1.
    static void closeAll();
    // True when another open work area than `except` uses the alias.
    static bool aliasInUse(std::string_view alias, int except);
};

// Creates a table (".DBF" added when the name has no extension, name case per the settings)
// and, when it has memo fields, its memo file (memo extension of the settings), replacing files
// of those names.
void createTable(const std::string& path, const std::vector<FieldDef>& fields,
                 MemoFormat memoFormat = MemoFormat::FoxPro);

// True when the file exists and cannot be opened exclusively because some other open holds it.
bool isFileInUse(const std::string& path);

// The data-file path a table name stands for (".DBF" added, name case applied).
std::string tablePath(const std::string& name);
// The memo-file path of a data file.
std::string memoPath(const std::string& tablePath);

}  // namespace velt::engine
