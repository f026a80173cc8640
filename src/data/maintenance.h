// The archive maintenance: packs the six catalogue tables, removing the rows marked deleted for
// good, and rebuilds their seven index files from scratch. Run from the menu (with its
// question), by the start-up check and after a restore (without).
#pragma once

namespace velt {

// lConfirm asks first; Cancel leaves everything untouched. A failure (shown by the failure
// handler) stops at the table being processed; the tables before it keep their new state.
void MANUTENZIONE(bool lConfirm = true);

}  // namespace velt
