// Services performed: the usage accounting rules. The vouchers of a customer's subscriptions
// and the lamp minutes of a machine, read and moved as services are recorded, changed and
// deleted, and the small lookups the service and subscription forms fill their lists from.
//
// Every operation opens the tables it needs in a work area of its own, shared, and closes them
// before it returns, coming back to the caller's work area with its record pointer untouched.
// Names are matched as the name indexes order them (see findByName in own_table.h); rows
// marked deleted take part in nothing; no match reads as an empty row (0, blank).
#pragma once

#include <string>
#include <vector>

namespace velt {

// The empty text, then every TIPO of TIPIPRE (TIPIABB) in type-name order, as stored.
std::vector<std::string> ATIPIPRE();
std::vector<std::string> ATIPIABB();

// MINUTI of a service type; BUONI and PREZZO of a subscription type; 0 for no match.
double MINUTPP(const std::string& cType);
double BUONTPA(const std::string& cType);
double PREZTPA(const std::string& cType);

// Lamp minutes left of a machine; 0 for an empty name or no match.
double RESIMACC(const std::string& cMachine);

// Vouchers left over all subscriptions of a customer (found by name); 0 when none.
double RESIABBO(const std::string& cCustomer);

// Adds the signed minutes to the machine's balance, under its row lock. The balance may fall
// below 0. An empty name or no match changes nothing.
void AGGMAC(const std::string& cMachine, double nMinutes);

// Gives back (amount >= 0) or takes (amount < 0) amount / CFG_PREZZO vouchers across the
// customer's subscriptions: taken oldest first, given back newest first, each residual kept
// between 0 and BUONI and stored whole (halves away from zero). A voucher value of 0 makes the
// division fail, the failure handler answers 0 and nothing changes.
void AGGABB(const std::string& cCustomer, double nAmount);

}  // namespace velt
