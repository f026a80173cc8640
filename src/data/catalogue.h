// The one place where the layout of every table is given: the six tables of the catalogue in
// the order they are checked, the users table and the semaphore table, every field with its
// type letter, width and decimals, and every index with its file, key and condition.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "util/value.h"

namespace velt {

struct FieldSpec {
    std::string name;
    char type = 'C';  // C N D L M
    int width = 0;
    int decimals = 0;
    friend bool operator==(const FieldSpec&, const FieldSpec&) = default;
};

// Reads a field of the current row by name.
using FieldReader = std::function<Value(const std::string& field)>;

struct CatalogueIndex {
    std::string name;  // file (with ".NTX") and tag
    std::string table;
    std::string keyText;  // as the program states it; "FIELD -> " is removed when stored
    int keyWidth = 0;
    std::function<std::string(const FieldReader&)> key;
};

struct CatalogueTable {
    std::string name;
    std::vector<FieldSpec> fields;
    std::vector<std::string> indexes;  // index file names without extension

    bool hasMemo() const;
};

// The condition every index is built with.
inline constexpr const char* kIndexCondition = "!DELETED()";

// PRESTAZI, CLIENTI, ABBONAM, MACCHINE, TIPIPRE, TIPIABB, in this order.
const std::vector<CatalogueTable>& catalogue();
// The users table and the semaphore table, outside the catalogue.
const CatalogueTable& usersTable();
const CatalogueTable& netTable();
// The table of the catalogue (or USERS, NET) of that name; nullptr when there is none.
const CatalogueTable* findTable(const std::string& name);

// The seven indexes of the catalogue tables in table order, then USERS.
const std::vector<CatalogueIndex>& indexCatalogue();
const CatalogueIndex* findIndex(const std::string& name);

}  // namespace velt
