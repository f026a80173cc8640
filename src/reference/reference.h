// Reference data: the machines with their lamp maintenance, the service and subscription types,
// and the parameters (the value of one voucher). Each operation opens its modal dialog from its
// template and returns when it is closed; the registers open their table shared in a work area
// of their own and close it on every way out.
#pragma once

namespace velt {

// "Macchine": the machines, their lamp life and the minutes left, with the lamp maintenance.
void MACCHINE();
// "Tipi di prestazione" and "Tipi di abbonamento".
void TIPIPRE();
void TIPIABB();
// "Parametri": the value of one voucher, saved into VELT.CFG.
void PARAMETRI();

}  // namespace velt
