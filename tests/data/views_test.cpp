#include "data/views.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "data/data_fixture.h"
#include "data/temp_folder.h"

using namespace velt;
using namespace velt::test;
using engine::WorkArea;
using engine::WorkAreas;
namespace fs = std::filesystem;

namespace {

struct ViewsTest : ::testing::Test {
    TempFolder dir;
    ScriptedPrompt p;
    ScopedPrompt use{p};
    TestFailureHandler handler;
    CloseAllAtEnd closeAll;

    // Ten live services over two customers and two deleted ones, not in date order; the
    // register's table open with its date-and-time order.
    void openServices() {
        std::vector<Row> rows;
        for (int i = 0; i < 12; ++i) {
            rows.push_back({{"DATA", Value(Date::fromYmd(2026, 3, 12 - i))},
                            {"ORA", Value(std::string("10:00"))},
                            {"CLIENTE", Value(std::string(i % 2 ? "ROSSI MARIA" : "BIANCHI ANNA"))},
                            {"*", Value(i == 3 || i == 8)}});
        }
        makeCatalogueTable("PRESTAZI", rows);
        DBOPEN(true, "PRESTAZI", {}, false);
        ORDCONDSET(kIndexCondition, notDeleted());
        const CatalogueIndex& index = *findIndex("PRESTAZI");
        ORDBUILD("PRESTAZI", {}, index.keyText, catalogueKey(index));
        WorkAreas::current().goTop();
    }
    static WorkArea& area() { return WorkAreas::current(); }
    static std::string viewFile() { return viewFileName(WorkAreas::currentNumber()); }
    static engine::ConditionFunction customer(const std::string& name) {
        return [name](WorkArea& w) { return trimRight(w.get("CLIENTE").text()) == name; };
    }
    static std::vector<std::string> days() { return column(area(), "DATA"); }
};

}  // namespace

TEST_F(ViewsTest, SetThenClearComesBackToTheDateOrder) {
    openServices();
    area().goBottom();
    DBSETVIEW(customer("ROSSI MARIA"));
    EXPECT_TRUE(fs::exists(viewFile()));
    EXPECT_EQ(area().orderName(), viewTagName(WorkAreas::currentNumber()));
    EXPECT_TRUE(HASVIEW());
    EXPECT_EQ(area().keyCount(), 5u);  // i = 1, 5, 7, 9, 11 (3 is deleted)
    EXPECT_EQ(TOTREC(false), 5);
    EXPECT_EQ(TOTREC(), 10);  // the first index: every live row
    EXPECT_EQ(days(), (std::vector<std::string>{"20260301", "20260303", "20260305", "20260307",
                                                "20260311"}));
    // The key is the date order's: the first row is current.
    area().goTop();
    EXPECT_EQ(area().get("DATA").date().dtos(), "20260301");
    EXPECT_EQ(std::count(p.waitTexts.begin(), p.waitTexts.end(), "Elaborazione in corso..."), 1);
    EXPECT_FALSE(p.waitBox.has_value());

    area().skip(2);
    DBCLEARVIEW();
    EXPECT_FALSE(fs::exists(viewFile()));
    EXPECT_FALSE(HASVIEW());
    EXPECT_EQ(area().orderName(), "PRESTAZI");
    EXPECT_EQ(area().keyCount(), 10u);
    EXPECT_EQ(area().get("DATA").date().dtos(), "20260301");  // the first row again
    EXPECT_EQ(area().keyPosition(), 1u);
}

TEST_F(ViewsTest, QuietWhenAWaitBoxIsUp) {
    openServices();
    POPMSG(std::string("Ricerca in corso..."));
    DBSETVIEW(customer("BIANCHI ANNA"));
    EXPECT_EQ(std::count(p.waitTexts.begin(), p.waitTexts.end(), "Elaborazione in corso..."), 0);
    ASSERT_TRUE(p.waitBox.has_value());
    EXPECT_EQ(p.waitBox->text, "Ricerca in corso...");
    POPMSG();
    DBSETVIEW(customer("BIANCHI ANNA"), {}, std::nullopt, true);  // quiet on request
    EXPECT_EQ(std::count(p.waitTexts.begin(), p.waitTexts.end(), "Elaborazione in corso..."), 0);
}

TEST_F(ViewsTest, ChangedRowStaysInTheViewUnderItsNewKey) {
    openServices();
    DBSETVIEW(customer("ROSSI MARIA"));
    area().goTop();  // 01/03, ROSSI
    DBLOCK(true);
    area().put("CLIENTE", Value(std::string("VERDI LUCIA")));
    area().put("DATA", Value(Date::fromYmd(2026, 4, 1)));
    area().flush();
    area().unlockAll();
    EXPECT_EQ(area().keyCount(), 5u);  // kept by the stored condition, not the predicate
    EXPECT_EQ(days().back(), "20260401");
    DBAPP();  // a new row joins the view
    area().put("DATA", Value(Date::fromYmd(2026, 2, 1)));
    area().flush();
    area().unlockAll();
    EXPECT_EQ(area().keyCount(), 6u);
    EXPECT_EQ(days().front(), "20260201");
}

TEST_F(ViewsTest, TheRangeGoesOverToTheViewAndBack) {
    openServices();
    area().setRange("20260305", "20260310");
    DBSETVIEW(customer("ROSSI MARIA"));
    EXPECT_EQ(days(), (std::vector<std::string>{"20260305", "20260307"}));
    DBCLEARVIEW();
    EXPECT_EQ(area().orderName(), "PRESTAZI");
    EXPECT_EQ(area().keyCount(), 5u);  // 05, 06, 07, 10 and 08 (09 is deleted)
    EXPECT_EQ(area().rangeLow(), std::optional<std::string>("20260305"));
}

TEST_F(ViewsTest, TheSavedOrderComesBack) {
    openServices();
    ORDCONDSET(kIndexCondition, notDeleted());
    ORDBUILD("NOMI", {}, "CLIENTE", [](WorkArea& w) { return Value(w.get("CLIENTE").text()); });
    ASSERT_EQ(area().orderName(), "NOMI");
    DBCLEARVIEW();  // no view: the order stays as it is
    EXPECT_EQ(area().orderName(), "NOMI");
    DBSETVIEW(customer("BIANCHI ANNA"), {}, ViewKey{"DTOS(DATA)", [](WorkArea& w) {
                                                        return Value(w.get("DATA").date().dtos());
                                                    }});
    EXPECT_EQ(area().keyCount(), 5u);
    EXPECT_EQ(days().front(), "20260302");
    DBCLEARVIEW();
    EXPECT_EQ(area().orderName(), "NOMI");
    EXPECT_EQ(area().orderCount(), 2);
}

TEST_F(ViewsTest, ClosingTheWorkAreaDeletesTheViewFile) {
    openServices();
    DBSETVIEW(customer("ROSSI MARIA"));
    const std::string file = viewFile();
    ASSERT_TRUE(fs::exists(file));
    DBCLOSE();
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(ViewsTest, NoViewAboveWorkArea249) {
    openServices();
    DBCLOSE();
    WorkAreas::select(250);
    DBOPEN(false, "PRESTAZI");
    ORDADD("PRESTAZI");
    EXPECT_THROW(DBSETVIEW(customer("ROSSI MARIA")), FailureError);
    EXPECT_FALSE(fs::exists(viewFileName(250)));
    EXPECT_EQ(area().orderName(), "PRESTAZI");
}
