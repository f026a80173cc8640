#include "data/veltdb/veltdb_commands.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "data/engine/cdx_file.h"
#include "data/engine/field_codec.h"
#include "data/engine/settings.h"
#include "data/engine/work_areas.h"
#include "data/veltdb/csv.h"
#include "data/veltdb/folder_commands.h"
#include "util/cp1252.h"
#include "util/failure.h"

namespace velt::veltdb {
namespace {

using engine::FieldInfo;
using engine::WorkArea;

constexpr const char* kDeletedColumn = "_DELETED";

// A clear error of the tool itself (bad arguments, bad input).
struct ToolError {
    std::string message;  // UTF-8
};

const char* kUsage =
    "uso: veltdb info FILE\n"
    "     veltdb dump TABELLA [--deleted]\n"
    "     veltdb keys INDICE [TAG] [--hex]\n"
    "     veltdb import TABELLA CSV\n"
    "     veltdb check CARTELLA\n"
    "     veltdb maintain CARTELLA\n";

std::string utf8(const std::string& cp1252) {
    return cp1252ToUtf8(cp1252);
}

std::string rtrim(std::string s) {
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

std::string failureText(const Failure& f) {
    if (f.genCode == gen::kCorruption) return "Il file " + f.fileName + " risulta corrotto.";
    if (f.osCode == oscode::kSharingViolation) return "Il file " + f.fileName + " \xE8 in uso.";
    if (f.osCode == oscode::kFileNotFound) return "Impossibile aprire il file " + f.fileName + ".";
    if (f.osCode == oscode::kAccessDenied)
        return "Impossibile accedere al file " + f.fileName + ".";
    std::string text =
        f.description.empty() ? "errore " + std::to_string(f.genCode) : f.description;
    if (!f.fileName.empty())
        text += ": " + f.fileName;
    else if (!f.operation.empty())
        text += ": " + f.operation;
    return text;
}

// The memo extension of the tables the tool opens: ".DBT" as the program names them, or
// ".FPT" for a FoxPro table copied from elsewhere that has only that file.
void chooseMemoExtension(const std::string& table) {
    engine::settings().memoExtension = ".DBT";
    std::string dbt = engine::withExtension(table, ".DBT");
    std::string fpt = engine::withExtension(table, ".FPT");
    if (!std::filesystem::exists(dbt) && std::filesystem::exists(fpt))
        engine::settings().memoExtension = ".FPT";
    if (!std::filesystem::exists(dbt) && !std::filesystem::exists(fpt)) {
        std::string lower = engine::withExtension(table, ".fpt");
        if (std::filesystem::exists(lower))
            engine::settings().memoExtension = ".fpt";
        else if (std::filesystem::exists(engine::withExtension(table, ".dbt")))
            engine::settings().memoExtension = ".dbt";
    }
}

void openTable(WorkArea& area, const std::string& path, bool readOnly) {
    chooseMemoExtension(path);
    if (!std::filesystem::exists(path)) throw ToolError{"file inesistente: " + path};
    area.open(path, engine::OpenOptions{"TABELLA", true, readOnly});
}

const char* versionText(std::uint8_t v) {
    switch (v) {
        case 0x03:
            return "dBase III, senza memo";
        case 0xF5:
            return "FoxPro, memo FPT";
        case 0x83:
            return "dBase III, memo DBT";
        default:
            return "sconosciuta";
    }
}

std::string hex(const std::string& bytes) {
    std::string out;
    char buf[4];
    for (unsigned char c : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", c);
        out += buf;
    }
    return out;
}

bool isIndexFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ToolError{"impossibile aprire il file " + path};
    int first = in.get();
    if (first == EOF) throw ToolError{"file vuoto: " + path};
    return first == 0;  // an index starts with its root offset (a multiple of 512)
}

int info(const std::string& path, std::ostream& out) {
    if (isIndexFile(path)) {
        auto file = engine::CdxFile::open(path, engine::CdxOpenOptions{true, false});
        out << "Indice: " << utf8(path) << "\n";
        auto tags = file->tags();
        out << "Tag: " << tags.size() << "\n";
        for (engine::CdxTag* tag : tags) {
            out << "  " << utf8(tag->name()) << "\n"
                << "    Chiave: " << utf8(tag->keyExpr()) << "\n"
                << "    Condizione: " << utf8(tag->forExpr()) << "\n"
                << "    Lunghezza chiave: " << tag->keyLength() << "\n"
                << "    Chiavi: " << tag->keyCount() << "\n"
                << "    Univoco: " << (tag->unique() ? "s\xC3\xAC" : "no") << "\n"
                << "    Discendente: " << (tag->descending() ? "s\xC3\xAC" : "no") << "\n";
        }
        return 0;
    }
    WorkArea a(1);
    openTable(a, path, true);
    const engine::DbfFile& t = a.table();
    char version[8];
    std::snprintf(version, sizeof version, "0x%02X", t.version());
    out << "Tabella: " << utf8(path) << "\n"
        << "Versione: " << version << " (" << versionText(t.version()) << ")\n"
        << "Ultimo aggiornamento: " << t.lastUpdate().toString() << "\n"
        << "Righe: " << a.rowCount() << "\n"
        << "Lunghezza intestazione: " << t.headerLength() << "\n"
        << "Lunghezza riga: " << t.rowLength() << "\n"
        << "Campi: " << a.fieldCount() << "\n";
    for (const FieldInfo& f : a.fields()) {
        char line[64];
        std::snprintf(line, sizeof line, "  %-10s %c %4d %2d\n", f.name.c_str(), f.type, f.width,
                      f.decimals);
        out << utf8(line);
    }
    return 0;
}

std::string dumpValue(WorkArea& a, int pos) {
    const FieldInfo& f = a.field(pos);
    Value v = a.get(pos);
    switch (f.type) {
        case 'N': {
            std::string t = engine::formatNumber(v.num(), 30, f.decimals);
            return t.substr(t.find_first_not_of(' '));
        }
        case 'D':
            return v.date().isEmpty() ? std::string() : v.date().toString();
        case 'L':
            return v.logical() ? "T" : "F";
        case 'M':
            return utf8(v.text());
        default:
            return utf8(rtrim(v.text()));
    }
}

int dump(const std::string& path, bool withDeleted, std::ostream& out) {
    engine::settings().deletedHidden = !withDeleted;
    WorkArea a(1);
    openTable(a, path, true);
    std::vector<std::string> header;
    for (const FieldInfo& f : a.fields()) header.push_back(utf8(f.name));
    if (withDeleted) header.push_back(kDeletedColumn);
    out << csvLine(header) << "\r\n";
    for (a.goTop(); !a.eof(); a.skip()) {
        std::vector<std::string> row;
        for (int i = 1; i <= a.fieldCount(); ++i) row.push_back(dumpValue(a, i));
        if (withDeleted) row.push_back(a.deleted() ? "T" : "F");
        out << csvLine(row) << "\r\n";
    }
    return 0;
}

int keys(const std::string& path, const std::string& tagName, bool asHex, std::ostream& out) {
    auto file = engine::CdxFile::open(path, engine::CdxOpenOptions{true, false});
    engine::CdxTag* tag = tagName.empty() ? file->tag(std::size_t{0}) : file->tag(tagName);
    if (!tag)
        throw ToolError{tagName.empty() ? "l'indice non ha tag" : "tag inesistente: " + tagName};
    auto session = file->readSession();
    engine::CdxCursor c(*tag);
    for (bool ok = c.first(); ok; ok = c.next()) {
        const std::string& key = c.key();
        bool binary = false;
        for (unsigned char ch : key) binary = binary || ch < 0x20 || ch == 0x7F;
        out << (asHex || binary ? hex(key) : utf8(rtrim(key))) << ' ' << c.recno() << '\n';
    }
    return 0;
}

// A CSV value as the field stores it; throws ToolError naming the line and the field.
Value importValue(const FieldInfo& f, const std::string& text, int line) {
    auto fail = [&](const std::string& why) -> ToolError {
        return ToolError{"riga " + std::to_string(line) + ", campo " + f.name + ": " + why};
    };
    auto toCp1252 = [&](const std::string& s) {
        std::string bytes = utf8ToCp1252(s);
        if (cp1252ToUtf8(bytes) != s) throw fail("carattere non rappresentabile in Windows-1252");
        return bytes;
    };
    switch (f.type) {
        case 'C': {
            std::string bytes = toCp1252(text);
            if (bytes.size() > static_cast<std::size_t>(f.width))
                throw fail("testo di " + std::to_string(bytes.size()) +
                           " caratteri in un campo di " + std::to_string(f.width));
            return Value(bytes);
        }
        case 'M':
            return Value(toCp1252(text));
        case 'N': {
            std::size_t i = 0, digits = 0, decimals = 0;
            if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
            for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
                ++digits;
            if (i < text.size() && text[i] == '.') {
                for (++i; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
                    ++decimals;
            }
            if (i != text.size() || digits + decimals == 0)
                throw fail("numero non valido \"" + text + "\"");
            if (decimals > static_cast<std::size_t>(f.decimals))
                throw fail("troppi decimali in \"" + text + "\" (al massimo " +
                           std::to_string(f.decimals) + ")");
            double v = std::strtod(text.c_str(), nullptr);
            if (engine::formatNumber(v, f.width, f.decimals).empty())
                throw fail("il numero " + text + " non entra in " + std::to_string(f.width) +
                           " caratteri");
            return Value(v);
        }
        case 'D': {
            Date d = Date::parse(text);
            if (d.isEmpty()) throw fail("data non valida \"" + text + "\" (gg/mm/aaaa)");
            return Value(d);
        }
        case 'L':
            if (text == "T" || text == "t") return Value(true);
            if (text == "F" || text == "f") return Value(false);
            throw fail("valore logico non valido \"" + text + "\" (T o F)");
        default:
            throw fail("tipo di campo non gestito");
    }
}

int import(const std::string& table, const std::string& csvPath, std::ostream& out) {
    std::ifstream in(csvPath, std::ios::binary);
    if (!in) throw ToolError{"impossibile aprire il file " + csvPath};
    WorkArea a(1);
    openTable(a, table, false);
    CsvReader reader(in);
    std::string error;
    auto header = reader.next(error);
    if (!header) throw ToolError{error.empty() ? "file CSV vuoto: " + csvPath : "riga 1: " + error};
    if (!header->empty() && header->front().rfind("\xEF\xBB\xBF", 0) == 0)
        header->front().erase(0, 3);
    std::vector<int> columns;  // field position per column; -1 for the deleted mark
    for (const std::string& name : *header) {
        if (name == kDeletedColumn) {
            columns.push_back(-1);
            continue;
        }
        int pos = a.fieldPos(name);
        if (pos == 0) throw ToolError{"riga 1: la tabella non ha il campo \"" + name + "\""};
        if (std::find(columns.begin(), columns.end(), pos) != columns.end())
            throw ToolError{"riga 1: campo ripetuto \"" + name + "\""};
        columns.push_back(pos);
    }
    // Every row is checked before anything is appended.
    struct Row {
        std::vector<std::pair<int, Value>> values;
        bool deleted = false;
    };
    std::vector<Row> rows;
    while (auto record = reader.next(error)) {
        const int line = reader.line();
        if (record->size() == 1 && record->front().empty()) continue;  // empty line
        if (record->size() != columns.size())
            throw ToolError{"riga " + std::to_string(line) + ": " + std::to_string(record->size()) +
                            " valori invece di " + std::to_string(columns.size())};
        Row row;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const std::string& text = (*record)[i];
            if (columns[i] < 0) {
                if (text != "T" && text != "F" && !text.empty())
                    throw ToolError{"riga " + std::to_string(line) + ", colonna " + kDeletedColumn +
                                    ": T o F"};
                row.deleted = text == "T";
                continue;
            }
            const FieldInfo& f = a.field(columns[i]);
            if (text.empty()) continue;  // stays blank
            row.values.emplace_back(columns[i], importValue(f, text, line));
        }
        rows.push_back(std::move(row));
    }
    if (!error.empty()) throw ToolError{"riga " + std::to_string(reader.line()) + ": " + error};
    for (const Row& row : rows) {
        if (!a.append()) throw ToolError{"impossibile aggiungere righe a " + table};
        for (const auto& [pos, value] : row.values) a.put(pos, value);
        if (row.deleted) a.markDeleted();
    }
    a.flush();
    a.unlockAll();
    out << rows.size() << " righe aggiunte a " << utf8(table) << "\n";
    return 0;
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    engine::settings().upperCaseNames = false;  // the names the operator typed
    std::vector<std::string> words;
    bool withDeleted = false, asHex = false;
    for (const std::string& a : args) {
        if (a == "--deleted")
            withDeleted = true;
        else if (a == "--hex")
            asHex = true;
        else if (a.rfind("--", 0) == 0) {
            err << "veltdb: opzione sconosciuta " << a << "\n" << kUsage;
            return 2;
        } else
            words.push_back(a);
    }
    auto usage = [&] {
        err << kUsage;
        return 2;
    };
    if (words.empty()) return usage();
    const std::string& command = words[0];
    try {
        if (command == "info" && words.size() == 2) return info(words[1], out);
        if (command == "dump" && words.size() == 2) return dump(words[1], withDeleted, out);
        if (command == "keys" && (words.size() == 2 || words.size() == 3))
            return keys(words[1], words.size() == 3 ? words[2] : std::string(), asHex, out);
        if (command == "import" && words.size() == 3) return import(words[1], words[2], out);
        if (command == "check" && words.size() == 2) return checkFolder(words[1], out, err);
        if (command == "maintain" && words.size() == 2) return maintainFolder(words[1], out, err);
        return usage();
    } catch (const ToolError& e) {
        err << "veltdb: " << e.message << "\n";
    } catch (const FailureError& e) {
        err << "veltdb: " << utf8(failureText(e.failure())) << "\n";
    } catch (const std::exception& e) {
        err << "veltdb: " << e.what() << "\n";
    }
    return 1;
}

}  // namespace velt::veltdb
