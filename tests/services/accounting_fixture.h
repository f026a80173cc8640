// Real tables of the catalogue in a temporary data folder, rows added through the engine, a
// VELT.CFG with a chosen voucher value, and the program's answer to a division by zero.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "data/catalogue.h"
#include "data/engine/work_areas.h"
#include "data/temp_folder.h"
#include "data/upgrade.h"
#include "util/failure.h"
#include "util/value.h"

namespace velt::test {

using Row = std::vector<std::pair<std::string, Value>>;

// Appends rows to a table, keeping its index files up to date; answers their record numbers.
inline std::vector<std::uint32_t> addRows(const std::string& table, const std::vector<Row>& rows,
                                          bool deleted = false) {
    std::vector<std::uint32_t> recnos;
    const int caller = engine::WorkAreas::currentNumber();
    engine::WorkAreas::select(0);
    engine::WorkArea& area = engine::WorkAreas::current();
    area.open(table, engine::OpenOptions::sharedAs("FIXTURE"));
    for (const std::string& index : findTable(table)->indexes) area.addIndex(index + ".NTX");
    for (const Row& row : rows) {
        area.append();
        for (const auto& [field, value] : row) area.put(field, value);
        if (deleted) area.markDeleted();
        recnos.push_back(area.recno());
        area.flush();
        area.unlockAll();
    }
    area.close();
    engine::WorkAreas::select(caller);
    return recnos;
}

// A field of one row, read from a fresh open of the table.
inline Value fieldOf(const std::string& table, std::uint32_t recno, const std::string& field) {
    const int caller = engine::WorkAreas::currentNumber();
    engine::WorkAreas::select(0);
    engine::WorkArea& area = engine::WorkAreas::current();
    area.open(table, engine::OpenOptions::sharedAs("PROBE"));
    area.goTo(recno);
    Value v = area.get(field);
    area.close();
    engine::WorkAreas::select(caller);
    return v;
}

inline void writeVoucherValue(const std::string& value) {
    writeFile("VELT.CFG", "[Vars]\r\nCFG_PREZZO=N" + value + "\r\n");
}

class AccountingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previousHandler_ = setFailureHandler([](const Failure& f) -> Value {
            if (f.genCode == gen::kZeroDivision) return Value(0);
            throw FailureError(f);
        });
        // The tables of the catalogue with their index files, as the start-up check makes them.
        ASSERT_TRUE(AGGIORNADATABASE());
        writeVoucherValue("10");
    }
    void TearDown() override {
        engine::WorkAreas::closeAll();
        setFailureHandler(previousHandler_);
    }

    TempFolder folder_;
    FailureHandler previousHandler_;
};

}  // namespace velt::test
