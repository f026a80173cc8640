#include "data/upgrade.h"

#include <stdio.h>
#include <unistd.h>

#include "data/access.h"
#include "data/convert.h"
#include "data/disk.h"
#include "data/engine/settings.h"
#include "data/engine/work_areas.h"
#include "data/files.h"
#include "data/maintenance.h"
#include "util/failure.h"
#include "util/marker.h"
#include "util/messages.h"

namespace velt {

using engine::WorkArea;
using engine::WorkAreas;

namespace {

FieldSpec specOf(const engine::FieldInfo& field) {
    return {field.name, field.type, field.width, field.decimals};
}

void setWaitText(const std::string& text) {
    PopMsgOptions update;
    update.lUpdate = true;
    POPMSG(text, std::nullopt, update);
}

// Puts `from` in the place of `to` in one step: `to` is never missing, whatever happens.
bool replaceByRename(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

// Puts one converted file in place, by copy with the marker, else by rename; shows the failure.
bool putInPlace(const std::string& from, const std::string& to, const std::string& fromText,
                const std::string& toText) {
    if (conversionCopiesFiles()) {
        if (COPYFILE(from, to)) return true;
        POPMSG("Impossibile copiare il file " + fromText + " in " + toText + ".", 1);
        return false;
    }
    if (replaceByRename(from, to)) return true;
    POPMSG("Impossibile rinominare il file " + fromText + " in " + toText + ".", 1);
    return false;
}

bool hasMemo(const std::vector<FieldSpec>& fields) {
    for (const auto& f : fields)
        if (f.type == 'M') return true;
    return false;
}

std::string upperExtension() {
    return upperAscii(engine::settings().memoExtension);
}

}  // namespace

bool NEEDUPD(const std::string& cTable, const std::vector<FieldSpec>& aFields) {
    KeepWorkArea keep;
    WorkAreas::select(0);
    int area = WorkAreas::currentNumber();
    try {
        DBOPEN(false, cTable, {}, true, true);
    } catch (const Abandon&) {
        return false;
    } catch (const FailureError&) {
        return false;
    }
    WorkArea& table = WorkAreas::current();
    bool differs = false;
    for (const auto& field : aFields) {
        int pos = table.fieldPos(field.name);
        if (pos == 0) {
            differs = true;
            break;
        }
        const engine::FieldInfo& stored = table.field(pos);
        if (stored.type != field.type || stored.width != field.width ||
            stored.decimals != field.decimals) {
            differs = true;
            break;
        }
    }
    closeWorkArea(area);
    return differs;
}

bool MODITAB(const std::string& cTable, const std::vector<FieldSpec>& aFields) {
    const std::string table = nativePath(cTable);
    const std::string temp = folderPart(cTable) + "TEMPDBF_";
    const std::string tableData = engine::tablePath(table);
    const std::string tempData = engine::tablePath(nativePath(temp));
    const std::string tableMemo = engine::memoPath(tableData);
    const std::string tempMemo = engine::memoPath(tempData);
    const std::string memoExt = upperExtension();

    KeepWorkArea keep;
    WorkAreas::select(0);
    DBGEN(temp, aFields);
    {
        ScopedTable converted(temp, "NEW", false);
        ScopedTable old(cTable, "OLD", true);
        WorkArea& to = converted.table();
        WorkArea& from = old.table();

        // Each catalogue field takes the first old field whose name begins with its name.
        std::vector<int> source;
        for (const auto& field : aFields) {
            int match = 0;
            for (int pos = 1; pos <= from.fieldCount() && match == 0; ++pos)
                if (upperAscii(from.field(pos).name)
                        .compare(0, field.name.size(), upperAscii(field.name)) == 0)
                    match = pos;
            source.push_back(match);
        }

        for (from.goTop(); !from.eof(); from.skip(1)) {
            converted.select();
            DBAPP();
            for (size_t i = 0; i < aFields.size(); ++i) {
                if (source[i] == 0) continue;
                FieldSpec oldField = specOf(from.field(source[i]));
                to.put(static_cast<int>(i) + 1,
                       CONVDATO(from.get(source[i]), oldField, aFields[i]));
            }
        }
        // Closed here, so that a failure while writing stops the conversion.
        closeWorkArea(converted.area());
        closeWorkArea(old.area());
    }

    if (!putInPlace(tempData, tableData, temp + ".DBF", cTable + ".DBF")) return false;
    if (hasMemo(aFields)) {
        if (!putInPlace(tempMemo, tableMemo, temp + memoExt, cTable + memoExt)) return false;
    } else {
        ::unlink(tableMemo.c_str());
    }
    ::unlink(tempData.c_str());
    ::unlink(tempMemo.c_str());
    return true;
}

bool CREATEDB(const std::vector<std::string>& aNames,
              const std::vector<std::vector<FieldSpec>>& aFields,
              const std::vector<std::vector<std::string>>& aIndexFiles, bool lForce) {
    KeepWorkArea keep;
    bool maintenance = false;
    POPMSG(std::string("Verifica archivi in corso..."));
    try {
        for (size_t i = 0; i < aNames.size(); ++i) {
            const std::string& name = aNames[i];
            if (name.empty()) continue;
            static const std::vector<FieldSpec> none;
            const std::vector<FieldSpec>& fields = i < aFields.size() ? aFields[i] : none;
            if (!fileExists(engine::tablePath(nativePath(name)))) {
                if (fields.empty()) continue;
                setWaitText("Aggiornamento archivi in corso...");
                DBGEN(name, fields);
                maintenance = true;
            }
            if (NETUSED(name)) continue;
            if (fields.empty() || !NEEDUPD(name, fields)) continue;
            setWaitText("Aggiornamento archivi in corso...");
            if (!MODITAB(name, fields)) {
                POPMSG();
                return false;
            }
            maintenance = true;
        }
        for (const auto& indexes : aIndexFiles)
            for (const auto& index : indexes)
                if (!fileExists(engine::applyNameCase(nativePath(index) + ".NTX")))
                    maintenance = true;
    } catch (const Abandon&) {
        POPMSG();
        return false;
    } catch (const FailureError&) {
        POPMSG();
        return false;
    }
    POPMSG();
    if (maintenance || lForce) MANUTENZIONE(false);
    return true;
}

bool AGGIORNADATABASE(bool lForce) {
    std::vector<std::string> names;
    std::vector<std::vector<FieldSpec>> fields;
    std::vector<std::vector<std::string>> indexes;
    for (const auto& table : catalogue()) {
        names.push_back(table.name);
        fields.push_back(table.fields);
        indexes.push_back(table.indexes);
    }
    return CREATEDB(names, fields, indexes, lForce);
}

}  // namespace velt
