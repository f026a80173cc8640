#include "services/accounting.h"

#include <cmath>
#include <cstdint>
#include <optional>

#include "app/config/settings.h"
#include "services/own_table.h"
#include "util/failure.h"
#include "util/value.h"

namespace velt {

using services::blankName;
using services::findByName;
using services::lockAndReload;
using services::OwnTable;
using services::upperKey;

namespace {

// The TIPO of every live row of a type table, in the order of its name index.
std::vector<std::string> typeNames(const std::string& table) {
    OwnTable t(table, table);
    std::vector<std::string> names{std::string()};
    const int pos = t->fieldPos("TIPO");
    for (t->goTop(); !t->eof(); t->skip(1)) names.push_back(t->get(pos).text());
    return names;
}

// A number field of the row that `name` matches in `table` (indexed by a name index of the same
// name); 0 for an empty name or no match.
double numberByName(const std::string& table, const char* keyField, const std::string& name,
                    const char* valueField) {
    if (blankName(name)) return 0;
    OwnTable t(table, table);
    if (findByName(t.area(), keyField, name) == 0) return 0;
    return t->get(valueField).num();
}

// CODICE of the customer that `name` matches; nothing when none does.
std::optional<std::string> customerCode(const std::string& name) {
    if (blankName(name)) return std::nullopt;
    OwnTable t("CLIENTI", "CLIENTI");
    if (findByName(t.area(), "CLIENTE", name) == 0) return std::nullopt;
    return t->get("CODICE").text();
}

// Record numbers of the customer's subscriptions in the ABBONAM order: oldest purchase first.
std::vector<std::uint32_t> subscriptionsOf(OwnTable& table, const std::string& code) {
    std::vector<std::uint32_t> recnos;
    table->setRange(code, code);
    for (table->goTop(); !table->eof(); table->skip(1)) recnos.push_back(table->recno());
    table->setRange(std::nullopt, std::nullopt);
    return recnos;
}

// Vouchers as an exact fraction of money units: prices and the voucher value are decimal
// amounts, so counting in millionths keeps 15 / 10 exactly 1.5 and rounds halves reliably.
constexpr double kScale = 1e6;

struct Vouchers {
    std::int64_t num = 0;  // in units of 1/den voucher
    std::int64_t den = 1;  // > 0
};

// a / b rounded to the nearest whole number, halves away from zero (b > 0).
std::int64_t roundedQuotient(std::int64_t a, std::int64_t b) {
    const std::int64_t magnitude = (2 * (a < 0 ? -a : a) + b) / (2 * b);
    return a < 0 ? -magnitude : magnitude;
}

// amount / V. V = 0 is a division by zero: the failure handler answers it (0 in this program).
Vouchers voucherCount(double amount, double value) {
    const std::int64_t den = std::llround(value * kScale);
    if (den == 0) {
        Failure f;
        f.genCode = gen::kZeroDivision;
        f.subSystem = "BASE";
        f.subCode = 1340;
        f.description = "Zero divisor";
        f.operation = "/";
        f.canDefault = false;
        const double answer = raiseFailure(f).num();
        return {std::llround(answer * kScale), std::llround(kScale)};
    }
    Vouchers n{std::llround(amount * kScale), den};
    if (n.den < 0) {
        n.num = -n.num;
        n.den = -n.den;
    }
    return n;
}

// Stores `residual` + num/den vouchers, rounded, in the locked current row.
void storeResidual(engine::WorkArea& area, std::int64_t residual, std::int64_t num,
                   std::int64_t den) {
    const std::int64_t stored = roundedQuotient(residual * den + num, den);
    area.put("RESIDUI", Value(static_cast<double>(stored)));
    area.flush();
}

// Gives n vouchers back, newest subscription first; what finds no room is dropped.
void giveBack(OwnTable& table, const std::vector<std::uint32_t>& recnos, Vouchers n) {
    engine::WorkArea& area = table.area();
    for (auto it = recnos.rbegin(); it != recnos.rend() && n.num > 0; ++it) {
        lockAndReload(table, *it);
        const auto bought = static_cast<std::int64_t>(std::llround(area.get("BUONI").num()));
        const auto left = static_cast<std::int64_t>(std::llround(area.get("RESIDUI").num()));
        if (left >= bought) continue;
        const std::int64_t room = bought - left;
        if (room * n.den >= n.num) {
            storeResidual(area, left, n.num, n.den);
            return;
        }
        n.num -= room * n.den;
        storeResidual(area, bought, 0, 1);
    }
}

// Takes m vouchers, oldest subscription first; what finds nothing left is dropped.
void take(OwnTable& table, const std::vector<std::uint32_t>& recnos, Vouchers m) {
    engine::WorkArea& area = table.area();
    for (auto it = recnos.begin(); it != recnos.end() && m.num > 0; ++it) {
        lockAndReload(table, *it);
        const auto left = static_cast<std::int64_t>(std::llround(area.get("RESIDUI").num()));
        if (left <= 0) continue;
        if (left * m.den >= m.num) {
            storeResidual(area, left, -m.num, m.den);
            return;
        }
        m.num -= left * m.den;
        storeResidual(area, 0, 0, 1);
    }
}

}  // namespace

std::vector<std::string> ATIPIPRE() {
    return typeNames("TIPIPRE");
}
std::vector<std::string> ATIPIABB() {
    return typeNames("TIPIABB");
}

double MINUTPP(const std::string& cType) {
    return numberByName("TIPIPRE", "TIPO", cType, "MINUTI");
}
double BUONTPA(const std::string& cType) {
    return numberByName("TIPIABB", "TIPO", cType, "BUONI");
}
double PREZTPA(const std::string& cType) {
    return numberByName("TIPIABB", "TIPO", cType, "PREZZO");
}

double RESIMACC(const std::string& cMachine) {
    return numberByName("MACCHINE", "MACCHINA", cMachine, "RESIDUI");
}

double RESIABBO(const std::string& cCustomer) {
    const std::optional<std::string> code = customerCode(cCustomer);
    if (!code) return 0;
    OwnTable t("ABBONAM", "ABBONAM");
    double total = 0;
    for (std::uint32_t recno : subscriptionsOf(t, *code)) {
        t->goTo(recno);
        total += t->get("RESIDUI").num();
    }
    return total;
}

void AGGMAC(const std::string& cMachine, double nMinutes) {
    if (blankName(cMachine)) return;
    OwnTable t("MACCHINE", "MACCHINE");
    const std::uint32_t recno = findByName(t.area(), "MACCHINA", cMachine);
    if (recno == 0) return;
    // The balance is read again under the lock: another station may have moved it meanwhile.
    lockAndReload(t, recno);
    const double balance = t->get("RESIDUI").num() + std::round(nMinutes);
    t->put("RESIDUI", Value(balance));
    t->flush();
    t->unlockAll();
}

void AGGABB(const std::string& cCustomer, double nAmount) {
    if (blankName(cCustomer)) return;
    double value = 0;
    try {
        ConfigScope settings = LoadConfig();
        value = CFG("CFG_PREZZO").num();
    } catch (const Abandon&) {
        return;
    }
    const Vouchers n = voucherCount(nAmount, value);
    if (n.num == 0) return;
    const std::optional<std::string> code = customerCode(cCustomer);
    if (!code) return;
    OwnTable t("ABBONAM", "ABBONAM");
    const std::vector<std::uint32_t> recnos = subscriptionsOf(t, *code);
    if (n.num > 0) {
        giveBack(t, recnos, n);
    } else {
        take(t, recnos, {-n.num, n.den});
    }
    t->unlockAll();
}

}  // namespace velt
