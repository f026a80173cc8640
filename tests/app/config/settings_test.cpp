#include "app/config/settings.h"

#include <stdexcept>

#include "app/config/config_test_support.h"
#include "app/config/ini.h"

namespace velt {
namespace {

using Settings = testing::InTempFolder;

TEST_F(Settings, MkcfgWritesExactlyTheDefaultFile) {
    MKCFG();
    EXPECT_EQ(readFile("VELT.CFG"), "[Vars]\r\nCFG_PREZZO=N0\r\n");
    EXPECT_EQ(listing(), std::vector<std::string>{"VELT.CFG"});
    // An existing file is left alone.
    writeFile("VELT.CFG", "[Vars]\r\nCFG_PREZZO=N2.50\r\n");
    MKCFG();
    EXPECT_EQ(readFile("VELT.CFG"), "[Vars]\r\nCFG_PREZZO=N2.50\r\n");
}

TEST_F(Settings, MkcfgIgnoresSettingsOfAnOperationAround) {
    ConfigScope outer;
    SETCFG("CFG_PREZZO", 7);
    MKCFG();
    EXPECT_EQ(readFile("VELT.CFG"), "[Vars]\r\nCFG_PREZZO=N0\r\n");
    EXPECT_EQ(CFG("CFG_PREZZO"), Value(7));
}

TEST_F(Settings, KindsReadBack) {
    writeFile("VELT.CFG",
              "[Vars]\r\n"
              "CFG_PREZZO=N2.50\r\n"
              "CFG_TESTO=CSalone Bella  \r\n"
              "CFG_DATA=D25/12/2024\r\n"
              "CFG_NODATA=D  /  /\r\n"
              "CFG_BADDATA=D31/02/2024\r\n"
              "CFG_SI=L.T.\r\n"
              "CFG_NO=L.F.\r\n"
              "CFG_ALTRO=Lsi\r\n"
              "CFG_ZERO=N\r\n"
              "CFG_LEAD=N12abc\r\n"
              "CFG_NEG=N-3.5\r\n"
              "CFG_IGNOTO=X12\r\n"
              "CFG_VUOTO=\r\n");
    ConfigScope cfg = LoadConfig();
    struct Case {
        const char* name;
        Value value;
    } cases[] = {
        {"CFG_PREZZO", Value(2.5)},
        {"CFG_TESTO", Value("Salone Bella")},
        {"CFG_DATA", Value(Date::fromYmd(2024, 12, 25))},
        {"CFG_NODATA", Value(Date())},
        {"CFG_BADDATA", Value(Date())},
        {"CFG_SI", Value(true)},
        {"CFG_NO", Value(false)},
        {"CFG_ALTRO", Value(false)},
        {"CFG_ZERO", Value(0)},
        {"CFG_LEAD", Value(12)},
        {"CFG_NEG", Value(-3.5)},
        {"cfg_si", Value(true)},
    };
    for (const auto& c : cases) EXPECT_EQ(CFG(c.name), c.value) << c.name;
    // A kind letter the file does not know: the setting exists, without a value.
    EXPECT_TRUE(CFGEXISTS("CFG_IGNOTO"));
    EXPECT_TRUE(CFG("CFG_IGNOTO").isNil());
    EXPECT_TRUE(CFGEXISTS("CFG_VUOTO"));
    EXPECT_TRUE(CFG("CFG_VUOTO").isNil());
    EXPECT_FALSE(CFGEXISTS("CFG_MANCA"));
    EXPECT_EQ(CFG("CFG_PREZZO").number().decimals, 2);
}

TEST_F(Settings, EveryKindSurvivesSaveAndLoad) {
    const Value values[] = {Value("testo"),   Value(Number{2.5, 10, 2}),
                            Value(-1234.125), Value(Date::fromYmd(2025, 4, 21)),
                            Value(Date()),    Value(true),
                            Value(false),     Value(0)};
    {
        ConfigScope op;
        for (size_t i = 0; i < std::size(values); ++i)
            SETCFG("CFG_V" + std::to_string(i), values[i]);
        SAVEINI("CFG_*", "VELT.CFG");
    }
    EXPECT_EQ(GETPVPROFSTRING("Vars", "CFG_V1", "", "VELT.CFG"), "N2.50");
    EXPECT_EQ(GETPVPROFSTRING("Vars", "CFG_V4", "", "VELT.CFG"), "D  /  /");
    ConfigScope cfg = LoadConfig();
    for (size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(CFG("CFG_V" + std::to_string(i)), values[i]) << i;
}

TEST_F(Settings, SavingRewritesOnlyTheChangedLine) {
    const std::string before =
        "[Vars]\r\n"
        "CFG_SCONTO=N10\r\n"
        "NOTE=Cnon toccare\r\n"
        "cfg_prezzo=N1.50\r\n"
        "CFG_IGNOTO=X12\r\n"
        "\r\n"
        "[Altro]\r\n"
        "CFG_PREZZO=N9\r\n";
    writeFile("VELT.CFG", before);
    {
        ConfigScope cfg = LoadConfig();
        EXPECT_EQ(CFG("CFG_PREZZO"), Value(1.5));
        SETCFG("CFG_PREZZO", Number{2.5, 2, 2});
        SETCFG("ALTRO_NOME", 5);  // not a CFG_ name: never written
        SAVEINI("CFG_*", "VELT.CFG");
    }
    std::string expected = before;
    expected.replace(expected.find("cfg_prezzo=N1.50"), 16, "cfg_prezzo=N2.50");
    EXPECT_EQ(readFile("VELT.CFG"), expected);
}

TEST_F(Settings, MissingVoucherValueIsZero) {
    struct Case {
        const char* file;
        bool exists;
    } cases[] = {
        {"", false},                            // no file at all
        {"[Vars]\r\nCFG_ALTRO=N5\r\n", true},   // edited by hand
        {"[Vars]\r\nCFG_PREZZO=X5\r\n", true},  // not a number
        {"[Vars]\r\nCFG_PREZZO=Ccinque\r\n", true},
    };
    for (const auto& c : cases) {
        if (c.exists)
            writeFile("VELT.CFG", c.file);
        else
            std::filesystem::remove("VELT.CFG");
        ConfigScope cfg = LoadConfig();
        EXPECT_EQ(CFG("CFG_PREZZO"), Value(0)) << c.file;
        EXPECT_TRUE(CFG("CFG_PREZZO").isNumber()) << c.file;
    }
    EXPECT_FALSE(CFGEXISTS("CFG_PREZZO"));
}

// An operation that loads its own settings, changes one and either returns or is abandoned.
void innerOperation(bool abandon, Value* seen) {
    ConfigScope cfg = LoadConfig();
    *seen = CFG("CFG_PREZZO");
    SETCFG("CFG_PREZZO", 99);
    SETCFG("CFG_NUOVO", 1);
    if (abandon) throw std::runtime_error("abandoned");
}

TEST_F(Settings, InnerOperationHidesOuterSetUntilItEnds) {
    writeFile("VELT.CFG", "[Vars]\r\nCFG_PREZZO=N1\r\n");
    ConfigScope outer = LoadConfig();
    EXPECT_EQ(CFG("CFG_PREZZO"), Value(1));
    // Another station saves a new value: the next operation sees it, the running one does not.
    writeFile("VELT.CFG", "[Vars]\r\nCFG_PREZZO=N2\r\n");
    for (bool abandon : {false, true}) {
        Value seen;
        if (abandon)
            EXPECT_THROW(innerOperation(true, &seen), std::runtime_error);
        else
            innerOperation(false, &seen);
        EXPECT_EQ(seen, Value(2)) << abandon;
        EXPECT_EQ(CFG("CFG_PREZZO"), Value(1)) << abandon;
        EXPECT_FALSE(CFGEXISTS("CFG_NUOVO")) << abandon;
    }
}

TEST_F(Settings, OuterNamesStayVisibleWhereTheInnerSetHasNone) {
    ConfigScope outer;
    SETCFG("CFG_EXTRA", "fuori");
    {
        ConfigScope inner;
        inner.declare("CFG_PROPRIO");
        SETCFG("CFG_PROPRIO", 3);
        EXPECT_EQ(CFG("CFG_EXTRA"), Value("fuori"));
        SETCFG("CFG_EXTRA", "cambiato");  // assigns the visible, outer setting
        SAVEINI("CFG_*", "VELT.CFG");
    }
    EXPECT_EQ(CFG("CFG_EXTRA"), Value("cambiato"));
    EXPECT_FALSE(CFGEXISTS("CFG_PROPRIO"));
    EXPECT_EQ(readFile("VELT.CFG"), "[Vars]\r\nCFG_EXTRA=Ccambiato\r\nCFG_PROPRIO=N3\r\n");
}

TEST_F(Settings, RestoreAssignsOnlyExistingSettings) {
    writeFile("VELT.CFG", "[Vars]\r\nCFG_A=N1\r\nCFG_B=N2\r\nCFG_C=X\r\n");
    ConfigScope op;
    op.declare("CFG_A");
    SETCFG("CFG_C", 7);
    RESTOREINI("VELT.CFG");
    EXPECT_EQ(CFG("CFG_A"), Value(1));
    EXPECT_FALSE(CFGEXISTS("CFG_B"));
    EXPECT_EQ(CFG("CFG_C"), Value(7));  // an unknown kind letter assigns nothing
}

}  // namespace
}  // namespace velt
