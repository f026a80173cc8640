#include "data/catalogue.h"

#include <algorithm>

#include "data/files.h"

namespace velt {

bool CatalogueTable::hasMemo() const {
    return std::any_of(fields.begin(), fields.end(),
                       [](const FieldSpec& f) { return f.type == 'M'; });
}

const std::vector<CatalogueTable>& catalogue() {
    static const std::vector<CatalogueTable> tables = {
        {"PRESTAZI",
         {{"DATA", 'D', 8, 0},
          {"ORA", 'C', 5, 0},
          {"CLIENTE", 'C', 40, 0},
          {"PRESTAZIO", 'C', 12, 0},
          {"MACCHINA", 'C', 15, 0},
          {"MINUTI", 'N', 2, 0},
          {"PREZZO", 'N', 6, 2},
          {"ABBONAM", 'L', 1, 0},
          {"NOTE", 'M', 10, 0}},
         {"PRESTAZI"}},
        {"CLIENTI",
         {{"CODICE", 'C', 10, 0},
          {"CLIENTE", 'C', 40, 0},
          {"INDIRIZZO", 'C', 40, 0},
          {"CITTA", 'C', 40, 0},
          {"CAP", 'C', 5, 0},
          {"PROVINCIA", 'C', 2, 0},
          {"NATOIL", 'D', 8, 0},
          {"TELEFONO", 'C', 40, 0},
          {"FOTOTIPO", 'C', 6, 0},
          {"SCONTO", 'N', 2, 0},
          {"BARRE", 'C', 13, 0},
          {"EMAIL", 'C', 40, 0},
          {"NOTE", 'M', 10, 0}},
         {"CLIENTI", "CLIENTI2"}},
        {"ABBONAM",
         {{"CLIENTE", 'C', 10, 0},
          {"DATA", 'D', 8, 0},
          {"TIPO", 'C', 20, 0},
          {"BUONI", 'N', 3, 0},
          {"RESIDUI", 'N', 3, 0},
          {"PREZZO", 'N', 6, 2},
          {"NOTE", 'M', 10, 0}},
         {"ABBONAM"}},
        {"MACCHINE",
         {{"MACCHINA", 'C', 20, 0},
          {"DURATA", 'N', 4, 0},
          {"RESIDUI", 'N', 6, 0},
          {"NOTE", 'M', 10, 0}},
         {"MACCHINE"}},
        {"TIPIPRE",
         {{"TIPO", 'C', 20, 0}, {"MINUTI", 'N', 2, 0}, {"PREZZO", 'N', 6, 2}},
         {"TIPIPRE"}},
        {"TIPIABB",
         {{"TIPO", 'C', 20, 0}, {"BUONI", 'N', 3, 0}, {"PREZZO", 'N', 6, 2}},
         {"TIPIABB"}},
    };
    return tables;
}

const CatalogueTable& usersTable() {
    static const CatalogueTable users = {
        "USERS", {{"USERID", 'C', 20, 0}, {"PASSWD", 'C', 20, 0}, {"LEVEL", 'N', 1, 0}}, {"USERS"}};
    return users;
}

const CatalogueTable& netTable() {
    static const CatalogueTable net = {"NET", {{"LOCK", 'C', 1, 0}}, {}};
    return net;
}

const CatalogueTable* findTable(const std::string& name) {
    std::string wanted = upperAscii(name);
    for (const auto& t : catalogue())
        if (t.name == wanted) return &t;
    if (wanted == usersTable().name) return &usersTable();
    if (wanted == netTable().name) return &netTable();
    return nullptr;
}

namespace {

std::string text(const FieldReader& field, const char* name) {
    return field(name).text();
}

std::string dtos(const FieldReader& field, const char* name) {
    return field(name).date().dtos();
}

}  // namespace

const std::vector<CatalogueIndex>& indexCatalogue() {
    static const std::vector<CatalogueIndex> indexes = {
        {"PRESTAZI", "PRESTAZI", "DTOS( FIELD -> data ) + FIELD -> ora", 13,
         [](const FieldReader& f) { return dtos(f, "DATA") + text(f, "ORA"); }},
        {"CLIENTI", "CLIENTI", "UPPER( FIELD -> cliente )", 40,
         [](const FieldReader& f) { return upperAscii(text(f, "CLIENTE")); }},
        {"CLIENTI2", "CLIENTI", "FIELD -> barre", 13,
         [](const FieldReader& f) { return text(f, "BARRE"); }},
        {"ABBONAM", "ABBONAM", "FIELD -> cliente + DTOS( FIELD -> data )", 18,
         [](const FieldReader& f) { return text(f, "CLIENTE") + dtos(f, "DATA"); }},
        {"MACCHINE", "MACCHINE", "UPPER( FIELD -> macchina )", 20,
         [](const FieldReader& f) { return upperAscii(text(f, "MACCHINA")); }},
        {"TIPIPRE", "TIPIPRE", "UPPER( FIELD -> tipo )", 20,
         [](const FieldReader& f) { return upperAscii(text(f, "TIPO")); }},
        {"TIPIABB", "TIPIABB", "UPPER( FIELD -> tipo )", 20,
         [](const FieldReader& f) { return upperAscii(text(f, "TIPO")); }},
        {"USERS", "USERS", "FIELD -> userid", 20,
         [](const FieldReader& f) { return text(f, "USERID"); }},
    };
    return indexes;
}

const CatalogueIndex* findIndex(const std::string& name) {
    std::string wanted = upperAscii(name);
    for (const auto& i : indexCatalogue())
        if (i.name == wanted) return &i;
    return nullptr;
}

}  // namespace velt
