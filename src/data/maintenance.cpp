#include "data/maintenance.h"

#include "data/access.h"
#include "data/catalogue.h"
#include "data/engine/work_areas.h"
#include "util/failure.h"
#include "util/messages.h"

namespace velt {

using engine::WorkAreas;

void MANUTENZIONE(bool lConfirm) {
    if (lConfirm &&
        !POPMSG(
             std::string("La manutenzione potrebbe;richiedere del tempo.;Confermi l'operazione?"),
             2)
             .logical())
        return;
    const std::string text =
        lConfirm ? "Manutenzione degli archivi in corso." : "Ricostruzione degli indici in corso.";
    POPMSG(text);

    KeepWorkArea keep;
    WorkAreas::select(0);
    const int area = WorkAreas::currentNumber();
    try {
        for (const auto& table : catalogue()) {
            DBOPEN(false, table.name, {}, false);
            WorkAreas::current().pack();
            for (const auto& name : table.indexes) {
                const CatalogueIndex* index = findIndex(name);
                ORDCONDSET(kIndexCondition, notDeleted());
                ORDBUILD(index->name, {}, index->keyText, catalogueKey(*index));
            }
            closeWorkArea(area);
        }
    } catch (const Abandon&) {
        // The failure handler has shown why; the table being processed is closed.
        try {
            closeWorkArea(area);
        } catch (...) {
        }
    } catch (...) {
        try {
            closeWorkArea(area);
        } catch (...) {
        }
        POPMSG();
        throw;
    }
    POPMSG();
}

}  // namespace velt
