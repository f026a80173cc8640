#include "data/check.h"

#include <map>
#include <memory>

#include "data/access.h"
#include "data/catalogue.h"
#include "data/engine/cdx_file.h"
#include "data/engine/work_areas.h"
#include "data/files.h"
#include "util/failure.h"

namespace velt {

using engine::WorkArea;
using engine::WorkAreas;

namespace {

// Failures become lines of the report instead of messages.
class CollectFailures {
  public:
    struct Stop {
        std::string text;
    };
    CollectFailures() {
        previous_ = setFailureHandler([](const Failure& f) -> Value {
            std::string text =
                f.description.empty() ? "errore " + std::to_string(f.genCode) : f.description;
            if (f.osCode != 0) text += " (codice " + std::to_string(f.osCode) + ")";
            throw Stop{text};
        });
    }
    ~CollectFailures() { setFailureHandler(std::move(previous_)); }

  private:
    FailureHandler previous_;
};

std::string fieldText(char type, int width, int decimals) {
    return std::string(1, type) + " " + std::to_string(width) + " " + std::to_string(decimals);
}

std::string withoutArrows(std::string text) {
    static const std::string arrow = "FIELD -> ";
    for (size_t at; (at = text.find(arrow)) != std::string::npos;) text.erase(at, arrow.size());
    return text;
}

void checkFields(WorkArea& table, const CatalogueTable& spec, std::vector<std::string>& out) {
    const std::string name = spec.name + ".DBF";
    for (const auto& field : spec.fields) {
        int pos = table.fieldPos(field.name);
        if (pos == 0) {
            out.push_back(name + ": manca il campo " + field.name);
            continue;
        }
        const auto& stored = table.field(pos);
        if (stored.type != field.type || stored.width != field.width ||
            stored.decimals != field.decimals)
            out.push_back(name + ": il campo " + field.name + " \xE8 " +
                          fieldText(stored.type, stored.width, stored.decimals) + " invece di " +
                          fieldText(field.type, field.width, field.decimals));
    }
}

void checkIndex(const std::string& folder, WorkArea& table, const CatalogueIndex& index,
                std::vector<std::string>& out) {
    const std::string name = index.name + ".NTX";
    const std::string path = folder + name;
    if (!fileExists(path)) {
        out.push_back(name + ": manca");
        return;
    }
    auto file = engine::CdxFile::open(path, {true, false});
    auto tags = file->tags();
    if (tags.size() != 1)
        out.push_back(name + ": " + std::to_string(tags.size()) + " tag invece di 1");
    engine::CdxTag* tag = file->tag(index.name);
    if (!tag) {
        out.push_back(name + ": manca il tag " + index.name);
        return;
    }
    const std::string key = withoutArrows(index.keyText);
    if (tag->keyExpr() != key)
        out.push_back(name + ": chiave \"" + tag->keyExpr() + "\" invece di \"" + key + "\"");
    if (tag->forExpr() != kIndexCondition)
        out.push_back(name + ": condizione \"" + tag->forExpr() + "\" invece di \"" +
                      kIndexCondition + "\"");
    if (tag->keyLength() != index.keyWidth) {
        out.push_back(name + ": chiave larga " + std::to_string(tag->keyLength()) + " invece di " +
                      std::to_string(index.keyWidth));
        return;
    }

    engine::KeyFunction keyOf = catalogueKey(index);
    const std::uint32_t rows = table.rowCount();
    std::map<std::uint32_t, int> seen;
    std::string previousKey;
    std::uint32_t previousRecno = 0;
    bool first = true;
    auto session = file->readSession();
    engine::CdxCursor cursor(*tag);
    for (bool on = cursor.first(); on; on = cursor.next()) {
        const std::string& k = cursor.key();
        std::uint32_t recno = cursor.recno();
        if (!first && (k < previousKey || (k == previousKey && recno <= previousRecno)))
            out.push_back(name + ": chiave fuori ordine alla riga " + std::to_string(recno));
        first = false;
        previousKey = k;
        previousRecno = recno;
        if (recno == 0 || recno > rows) {
            out.push_back(name + ": chiave per la riga " + std::to_string(recno) +
                          " che non esiste");
            continue;
        }
        ++seen[recno];
        table.goTo(recno);
        if (table.deleted()) {
            out.push_back(name + ": chiave per la riga cancellata " + std::to_string(recno));
            continue;
        }
        if (keyOf(table).text() != k)
            out.push_back(name + ": la chiave della riga " + std::to_string(recno) +
                          " non corrisponde ai dati");
    }
    for (std::uint32_t recno = 1; recno <= rows; ++recno) {
        table.goTo(recno);
        if (table.deleted()) continue;
        auto it = seen.find(recno);
        int count = it == seen.end() ? 0 : it->second;
        if (count == 0)
            out.push_back(name + ": manca la chiave della riga " + std::to_string(recno));
        else if (count > 1)
            out.push_back(name + ": la riga " + std::to_string(recno) + " ha " +
                          std::to_string(count) + " chiavi");
    }
}

}  // namespace

std::vector<std::string> checkDataFolder(const std::string& cFolder) {
    std::string folder = nativePath(cFolder);
    if (!folder.empty() && folder.back() != '/') folder += '/';
    std::vector<std::string> out;
    CollectFailures collect;
    KeepWorkArea keep;
    for (const auto& spec : catalogue()) {
        const std::string dataFile = folder + spec.name + ".DBF";
        if (!fileExists(dataFile)) {
            out.push_back(spec.name + ".DBF: manca");
            continue;
        }
        WorkAreas::select(0);
        const int area = WorkAreas::currentNumber();
        try {
            DBOPEN(false, folder + spec.name, GETNEWALIAS(), true, true);
            WorkArea& table = WorkAreas::current();
            checkFields(table, spec, out);
            for (const auto& indexName : spec.indexes) {
                try {
                    checkIndex(folder, table, *findIndex(indexName), out);
                } catch (const CollectFailures::Stop& stop) {
                    out.push_back(indexName + ".NTX: " + stop.text);
                }
            }
        } catch (const CollectFailures::Stop& stop) {
            out.push_back(spec.name + ".DBF: " + stop.text);
        }
        try {
            closeWorkArea(area);
        } catch (const CollectFailures::Stop&) {
        }
    }
    return out;
}

}  // namespace velt
