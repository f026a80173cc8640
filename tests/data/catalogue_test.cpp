#include "data/catalogue.h"

#include <gtest/gtest.h>

#include <map>

using namespace velt;

namespace {

std::string layout(const CatalogueTable& t) {
    std::string out;
    for (const auto& f : t.fields)
        out += f.name + " " + f.type + " " + std::to_string(f.width) + " " +
               std::to_string(f.decimals) + ";";
    return out;
}

std::string join(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names) out += n + ";";
    return out;
}

}  // namespace

TEST(Catalogue, TablesFieldsAndIndexFilesInOrder) {
    struct Case {
        const char* table;
        const char* fields;
        const char* indexes;
        bool memo;
    } expected[] = {
        {"PRESTAZI",
         "DATA D 8 0;ORA C 5 0;CLIENTE C 40 0;PRESTAZIO C 12 0;MACCHINA C 15 0;MINUTI N 2 0;"
         "PREZZO N 6 2;ABBONAM L 1 0;NOTE M 10 0;",
         "PRESTAZI;", true},
        {"CLIENTI",
         "CODICE C 10 0;CLIENTE C 40 0;INDIRIZZO C 40 0;CITTA C 40 0;CAP C 5 0;PROVINCIA C 2 0;"
         "NATOIL D 8 0;TELEFONO C 40 0;FOTOTIPO C 6 0;SCONTO N 2 0;BARRE C 13 0;EMAIL C 40 0;"
         "NOTE M 10 0;",
         "CLIENTI;CLIENTI2;", true},
        {"ABBONAM",
         "CLIENTE C 10 0;DATA D 8 0;TIPO C 20 0;BUONI N 3 0;RESIDUI N 3 0;PREZZO N 6 2;"
         "NOTE M 10 0;",
         "ABBONAM;", true},
        {"MACCHINE", "MACCHINA C 20 0;DURATA N 4 0;RESIDUI N 6 0;NOTE M 10 0;", "MACCHINE;", true},
        {"TIPIPRE", "TIPO C 20 0;MINUTI N 2 0;PREZZO N 6 2;", "TIPIPRE;", false},
        {"TIPIABB", "TIPO C 20 0;BUONI N 3 0;PREZZO N 6 2;", "TIPIABB;", false},
    };
    const auto& tables = catalogue();
    ASSERT_EQ(tables.size(), std::size(expected));
    for (size_t i = 0; i < tables.size(); ++i) {
        EXPECT_EQ(tables[i].name, expected[i].table);
        EXPECT_EQ(layout(tables[i]), expected[i].fields) << expected[i].table;
        EXPECT_EQ(join(tables[i].indexes), expected[i].indexes) << expected[i].table;
        EXPECT_EQ(tables[i].hasMemo(), expected[i].memo) << expected[i].table;
    }
    EXPECT_EQ(layout(usersTable()), "USERID C 20 0;PASSWD C 20 0;LEVEL N 1 0;");
    EXPECT_EQ(join(usersTable().indexes), "USERS;");
    EXPECT_FALSE(usersTable().hasMemo());
    EXPECT_EQ(layout(netTable()), "LOCK C 1 0;");
    EXPECT_TRUE(netTable().indexes.empty());
    EXPECT_EQ(findTable("clienti"), &tables[1]);
    EXPECT_EQ(findTable("USERS"), &usersTable());
    EXPECT_EQ(findTable("ALTRO"), nullptr);
}

TEST(Catalogue, IndexKeysAndWidths) {
    using Row = std::map<std::string, Value>;
    Date day = Date::fromYmd(2026, 12, 9);
    struct Case {
        const char* index;
        const char* table;
        const char* keyText;
        int width;
        Row row;
        std::string key;
    } expected[] = {
        {"PRESTAZI", "PRESTAZI", "DTOS( FIELD -> data ) + FIELD -> ora", 13,
         Row{{"DATA", Value(day)}, {"ORA", Value("09:30")}}, "2026120909:30"},
        {"CLIENTI", "CLIENTI", "UPPER( FIELD -> cliente )", 40,
         Row{{"CLIENTE", Value("rossi Mario\xE8" + std::string(28, ' '))}},
         "ROSSI MARIO\xE8" + std::string(28, ' ')},
        {"CLIENTI2", "CLIENTI", "FIELD -> barre", 13, Row{{"BARRE", Value("80012345abc  ")}},
         "80012345abc  "},
        {"ABBONAM", "ABBONAM", "FIELD -> cliente + DTOS( FIELD -> data )", 18,
         Row{{"CLIENTE", Value("         7")}, {"DATA", Value(day)}}, "         720261209"},
        {"MACCHINE", "MACCHINE", "UPPER( FIELD -> macchina )", 20,
         Row{{"MACCHINA", Value("Doccia alta         ")}}, "DOCCIA ALTA         "},
        {"TIPIPRE", "TIPIPRE", "UPPER( FIELD -> tipo )", 20,
         Row{{"TIPO", Value("Viso                ")}}, "VISO                "},
        {"TIPIABB", "TIPIABB", "UPPER( FIELD -> tipo )", 20,
         Row{{"TIPO", Value("dieci lampade       ")}}, "DIECI LAMPADE       "},
        {"USERS", "USERS", "FIELD -> userid", 20, Row{{"USERID", Value("abc                 ")}},
         "abc                 "},
    };
    const auto& indexes = indexCatalogue();
    ASSERT_EQ(indexes.size(), std::size(expected));
    for (size_t i = 0; i < indexes.size(); ++i) {
        const auto& e = expected[i];
        FieldReader field = [&](const std::string& name) { return e.row.at(name); };
        EXPECT_EQ(indexes[i].name, e.index);
        EXPECT_EQ(indexes[i].table, e.table) << e.index;
        EXPECT_EQ(indexes[i].keyText, e.keyText) << e.index;
        EXPECT_EQ(indexes[i].keyWidth, e.width) << e.index;
        EXPECT_EQ(indexes[i].key(field), e.key) << e.index;
        EXPECT_EQ(static_cast<int>(e.key.size()), e.width) << e.index;
    }
    // Every catalogue table names exactly the indexes built on it.
    for (const auto& t : catalogue())
        for (const auto& name : t.indexes) {
            ASSERT_NE(findIndex(name), nullptr) << name;
            EXPECT_EQ(findIndex(name)->table, t.name);
        }
}
