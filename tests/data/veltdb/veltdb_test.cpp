// veltdb: info, dump, keys and import on real files, their error messages, and the program's
// exit codes.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "../engine/engine_test_support.h"
#include "data/engine/settings.h"
#include "data/engine/work_areas.h"
#include "data/veltdb/veltdb_commands.h"

namespace velt::veltdb {
namespace {

using engine::testing::TempDir;

struct Result {
    int code;
    std::string out, err;
};

Result veltdb(std::vector<std::string> args) {
    std::ostringstream out, err;
    int code = run(args, out, err);
    engine::settings() = engine::Settings();
    return {code, out.str(), err.str()};
}

const std::vector<engine::FieldDef> kFields = {{"CLIENTE", 'C', 12, 0},
                                               {"PREZZO", 'N', 6, 2},
                                               {"DATA", 'D', 8, 0},
                                               {"ABBONAM", 'L', 1, 0},
                                               {"NOTE", 'M', 10, 0}};

// A table PRESTAZI with three rows (the second deleted) and its index on the name.
void makeTable(const TempDir& dir) {
    engine::createTable(dir.file("PRESTAZI"), kFields);
    engine::WorkArea a(1);
    ASSERT_TRUE(a.open(dir.file("PRESTAZI"), engine::OpenOptions::exclusive()));
    a.append();
    a.put("CLIENTE", Value("Citt\xE0, Anna"));
    a.put("PREZZO", Value(12.5));
    a.put("DATA", Value(Date::fromYmd(2024, 3, 9)));
    a.put("ABBONAM", Value(true));
    a.put("NOTE", Value("riga uno\r\ncon \"virgolette\""));
    a.append();
    a.put("CLIENTE", Value("Cancellata"));
    a.markDeleted();
    a.append();
    a.put("CLIENTE", Value("  Bruno"));
    a.put("PREZZO", Value(-1));
    engine::IndexSpec s;
    s.file = dir.file("PRESTAZI.NTX");
    s.keyText = "UPPER( cliente )";
    s.key = [](engine::WorkArea& w) {
        std::string t = w.get("CLIENTE").text();
        for (char& c : t) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return Value(t);
    };
    s.conditionText = "!DELETED()";
    s.condition = [](engine::WorkArea& w) { return !w.deleted(); };
    a.createIndex(s);
}

TEST(Veltdb, InfoOfTableAndIndex) {
    TempDir dir;
    makeTable(dir);
    Result t = veltdb({"info", dir.file("PRESTAZI.DBF")});
    ASSERT_EQ(t.code, 0) << t.err;
    EXPECT_NE(t.out.find("Versione: 0xF5"), std::string::npos) << t.out;
    EXPECT_NE(t.out.find("Righe: 3\n"), std::string::npos);
    EXPECT_NE(t.out.find("Lunghezza riga: 38\n"), std::string::npos);
    EXPECT_NE(t.out.find("  PREZZO     N    6  2\n"), std::string::npos) << t.out;
    EXPECT_NE(t.out.find("Ultimo aggiornamento: " + Date::today().toString()), std::string::npos);
    Result i = veltdb({"info", dir.file("PRESTAZI.NTX")});
    ASSERT_EQ(i.code, 0) << i.err;
    EXPECT_NE(i.out.find("  PRESTAZI\n    Chiave: UPPER( cliente )\n    Condizione: !DELETED()\n"
                         "    Lunghezza chiave: 12\n    Chiavi: 2\n"),
              std::string::npos)
        << i.out;
}

TEST(Veltdb, DumpWritesCsvInUtf8) {
    TempDir dir;
    makeTable(dir);
    Result d = veltdb({"dump", dir.file("PRESTAZI.DBF")});
    ASSERT_EQ(d.code, 0) << d.err;
    EXPECT_EQ(d.out,
              "CLIENTE,PREZZO,DATA,ABBONAM,NOTE\r\n"
              "\"Citt\xC3\xA0, Anna\",12.50,09/03/2024,T,\"riga uno\r\ncon \"\"virgolette\"\"\"\r\n"
              "\"  Bruno\",-1.00,,F,\r\n");
    Result all = veltdb({"dump", dir.file("PRESTAZI.DBF"), "--deleted"});
    ASSERT_EQ(all.code, 0);
    EXPECT_NE(all.out.find("CLIENTE,PREZZO,DATA,ABBONAM,NOTE,_DELETED\r\n"), std::string::npos);
    EXPECT_NE(all.out.find("Cancellata,0.00,,F,,T\r\n"), std::string::npos) << all.out;
}

TEST(Veltdb, KeysInIndexOrder) {
    TempDir dir;
    makeTable(dir);
    Result k = veltdb({"keys", dir.file("PRESTAZI.NTX")});
    ASSERT_EQ(k.code, 0) << k.err;
    EXPECT_EQ(k.out, "  BRUNO 3\nCITT\xC3\xA0, ANNA 1\n");
    Result h = veltdb({"keys", dir.file("PRESTAZI.NTX"), "PRESTAZI", "--hex"});
    ASSERT_EQ(h.code, 0) << h.err;
    EXPECT_EQ(h.out.substr(0, 26), "20204252554E4F2020202020 3");
    Result missing = veltdb({"keys", dir.file("PRESTAZI.NTX"), "NONE"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("tag inesistente"), std::string::npos);
}

TEST(Veltdb, ImportRoundTripsADump) {
    TempDir dir;
    makeTable(dir);
    Result d = veltdb({"dump", dir.file("PRESTAZI.DBF"), "--deleted"});
    engine::testing::writeFile(dir.file("rows.csv"), d.out);
    engine::createTable(dir.file("COPIA"), kFields);
    Result i = veltdb({"import", dir.file("COPIA.DBF"), dir.file("rows.csv")});
    ASSERT_EQ(i.code, 0) << i.err;
    EXPECT_EQ(i.out, "3 righe aggiunte a " + dir.file("COPIA.DBF") + "\n");
    EXPECT_EQ(veltdb({"dump", dir.file("COPIA.DBF"), "--deleted"}).out, d.out);
    // Columns the CSV lacks stay blank; the column order is the header's.
    engine::testing::writeFile(dir.file("few.csv"), "NOTE,cliente\nmemo,Zeta\n");
    ASSERT_EQ(veltdb({"import", dir.file("COPIA.DBF"), dir.file("few.csv")}).code, 0);
    Result after = veltdb({"dump", dir.file("COPIA.DBF")});
    EXPECT_NE(after.out.find("Zeta,0.00,,F,memo\r\n"), std::string::npos) << after.out;
}

// A row that does not fit gives an error naming the line and the field, and nothing of the
// file is appended.
TEST(Veltdb, ImportRefusesRowsThatDoNotFit) {
    struct Case {
        std::string csv;
        std::string message;
    };
    const Case cases[] = {
        {"CLIENTE\nok\nun nome troppo lungo\n",
         "riga 3, campo CLIENTE: testo di 20 caratteri in un campo di 12"},
        {"PREZZO\n1.5\n1234.5\n",
         "riga 3, campo PREZZO: il numero 1234.5 non entra in 6 caratteri"},
        {"PREZZO\n1.505\n", "riga 2, campo PREZZO: troppi decimali"},
        {"PREZZO\n1;5\n", "riga 2, campo PREZZO: numero non valido \"1;5\""},
        {"DATA\n31/02/2024\n", "riga 2, campo DATA: data non valida"},
        {"ABBONAM\nS\n", "riga 2, campo ABBONAM: valore logico non valido"},
        {"CLIENTE\n\xE2\x98\x83\n", "riga 2, campo CLIENTE: carattere non rappresentabile"},
        {"NOME\nx\n", "riga 1: la tabella non ha il campo \"NOME\""},
        {"CLIENTE,PREZZO\nx\n", "riga 2: 1 valori invece di 2"},
        {"CLIENTE\n\"aperta\n", "virgolette non chiuse"},
        {"NOTE,PREZZO\n\"multi\nline\",1\nx,y\n", "riga 4, campo PREZZO: numero non valido"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        engine::createTable(dir.file("T"), kFields);
        engine::testing::writeFile(dir.file("in.csv"), c.csv);
        Result r = veltdb({"import", dir.file("T.DBF"), dir.file("in.csv")});
        EXPECT_EQ(r.code, 1) << c.csv;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        engine::WorkArea a(1);
        ASSERT_TRUE(a.open(dir.file("T.DBF")));
        EXPECT_EQ(a.rowCount(), 0u) << c.csv;
    }
}

TEST(Veltdb, ClearErrorsForBadFiles) {
    TempDir dir;
    engine::testing::writeFile(dir.file("BAD.DBF"),
                               std::string("\x30garbage that is not a table", 28));
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string message;
    };
    const Case cases[] = {
        {{}, 2, "uso: veltdb"},
        {{"frobnicate", "x"}, 2, "uso: veltdb"},
        {{"dump"}, 2, "uso: veltdb"},
        {{"dump", "x", "--strange"}, 2, "opzione sconosciuta --strange"},
        {{"info", dir.file("BAD.DBF")}, 1, "Il file " + dir.file("BAD.DBF") + " risulta corrotto."},
        {{"dump", dir.file("NONE.DBF")}, 1, "file inesistente"},
        {{"keys", dir.file("BAD.DBF")}, 1, "risulta corrotto"},
    };
    for (const Case& c : cases) {
        Result r = veltdb(c.args);
        EXPECT_EQ(r.code, c.code);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
}

TEST(Veltdb, ProgramExitCodes) {
    TempDir dir;
    makeTable(dir);
    auto exitOf = [](const std::string& command) {
        int status = std::system((command + " >/dev/null 2>&1").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(exitOf(std::string(VELTDB_PROGRAM) + " info " + dir.file("PRESTAZI.DBF")), 0);
    EXPECT_EQ(exitOf(std::string(VELTDB_PROGRAM) + " info " + dir.file("MISSING.DBF")), 1);
    EXPECT_EQ(exitOf(std::string(VELTDB_PROGRAM)), 2);
}

}  // namespace
}  // namespace velt::veltdb
