// The parameters dialog: the value of one voucher.
#include <string>

#include "app/config/settings.h"
#include "reference/reference.h"
#include "reference/register_dialog.h"
#include "ui/buttons.h"
#include "ui/get.h"
#include "ui/valid.h"
#include "util/failure.h"

namespace velt {

void PARAMETRI() {
    try {
        ConfigScope settings = LoadConfig();
        double nPrezzo = CFG("CFG_PREZZO").num();
        for (;;) {
            TDialog dlg("PARAMETRI");
            TGet* value = TGet::ReDefine(101, dlg, nPrezzo, "@E 99.99");
            reference::markChanged(dlg, *value);
            TButton::ReDefine(201, dlg, [&] {
                dlg.Cargo = 1;
                dlg.End(1);
            });
            TButton::ReDefine(202, dlg, [&] {
                dlg.Cargo = 2;
                dlg.End(2);
            });
            dlg.bValid = [&] { return __VALID(dlg, true); };
            if (dlg.Activate() != 1) return;
            SETCFG("CFG_PREZZO", Value(Number{nPrezzo, 2, 2}));
            try {
                SAVEINI("CFG_*", kConfigFile);
                return;
            } catch (const Abandon&) {
                // The save was interrupted: the dialog comes back with the value as typed.
            }
        }
    } catch (const Abandon&) {
        // The configuration could not be loaded: nothing is shown.
    }
}

}  // namespace velt
