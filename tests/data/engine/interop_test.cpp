// Interoperability: files other FoxPro-format writers produced, read through work areas; and
// our own files read by independent readers (Debian's python3-dbfread and python3-dbf for
// tables and memos, index_dump of libdbd-xbase-perl for compound indexes).
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>

#include "data/engine/settings.h"
#include "data/engine/work_areas.h"
#include "engine_test_support.h"

namespace velt::engine {
namespace {

using testing::fixture;
using testing::TempDir;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        out.push_back(l);
    }
    return out;
}

std::string run(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    int status = pclose(p);
    EXPECT_EQ(status, 0) << command;
    return out;
}

// One line per row, fields separated by tabs, as both sides normalise them.
const char* kDumpScript = R"PY(
import sys, datetime
kind, path = sys.argv[1], sys.argv[2]
out = sys.stdout.buffer
def norm(v, t):
    if v is None:
        return {'N': '%.4f' % 0, 'L': 'F'}.get(t, '')
    if isinstance(v, bool): return 'T' if v else 'F'
    if isinstance(v, (int, float)): return '%.4f' % v
    if isinstance(v, datetime.date): return v.strftime('%Y%m%d')
    if isinstance(v, bytes): v = v.decode('latin-1')
    v = str(v)
    if t == 'C': v = v.rstrip(' \0')
    return v.replace('\\', '\\\\').replace('\n', '\\n').replace('\r', '\\r').replace('\t', '\\t')
if kind == 'dbfread':
    import dbfread
    t = dbfread.DBF(path, encoding='latin-1', char_decode_errors='strict')
    types = [f.type for f in t.fields]
    for rec in t:
        vals = list(rec.values())
        out.write(('\t'.join(norm(v, ty) for v, ty in zip(vals, types)) + '\n').encode('latin-1'))
else:
    import dbf
    t = dbf.Table(path, codepage='cp1252')
    t.open()
    types = [t.field_info(n)[0] for n in t.field_names]
    types = [chr(x) if isinstance(x, int) else str(x) for x in types]
    for rec in t:
        if dbf.is_deleted(rec): continue
        vals = list(rec)
        cells = []
        for v, ty in zip(vals, types):
            if isinstance(v, str): v = v.encode('cp1252').decode('latin-1')
            cells.append(norm(v, ty))
        out.write(('\t'.join(cells) + '\n').encode('latin-1'))
)PY";

std::string escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// Our reading of a table, normalised as the script normalises the independent reader's.
std::vector<std::string> ourDump(WorkArea& a) {
    std::vector<std::string> out;
    for (a.goTop(); !a.eof(); a.skip()) {
        std::string line;
        for (int i = 1; i <= a.fieldCount(); ++i) {
            if (i > 1) line += '\t';
            const FieldInfo& f = a.field(i);
            Value v = a.get(i);
            char buf[64];
            switch (f.type) {
                case 'N':
                    std::snprintf(buf, sizeof buf, "%.4f", v.num());
                    line += buf;
                    break;
                case 'D':
                    line += v.date().isEmpty() ? "" : v.date().dtos();
                    break;
                case 'L':
                    line += v.logical() ? "T" : "F";
                    break;
                case 'C': {
                    std::string s = v.text();
                    s.erase(s.find_last_not_of(std::string(" \0", 2)) + 1);
                    line += escape(s);
                    break;
                }
                default:
                    line += escape(v.text());
            }
        }
        out.push_back(line);
    }
    return out;
}

std::vector<std::string> pythonDump(const TempDir& dir, const std::string& reader,
                                    const std::string& table) {
    testing::writeFile(dir.file("dump.py"), kDumpScript);
    return lines(
        run("/usr/bin/python3 " + dir.file("dump.py") + " " + reader + " '" + table + "'"));
}

struct MemoSetting {
    std::string saved = settings().memoExtension;
    explicit MemoSetting(const std::string& ext) { settings().memoExtension = ext; }
    ~MemoSetting() { settings().memoExtension = saved; }
};

TEST(Interop, ForeignTablesReadAsAnIndependentReaderReadsThem) {
    TempDir dir;
    struct Case {
        const char* table;
        const char* memoExtension;
        std::uint32_t rows;
    };
    const Case cases[] = {
        {"DBASE_F5", ".FPT", 975}, {"DBASE_83", ".DBT", 67}, {"ROOMS", ".DBT", 42}};
    for (const Case& c : cases) {
        MemoSetting memo(c.memoExtension);
        WorkArea a(1);
        ASSERT_TRUE(a.open(fixture(std::string(c.table) + ".DBF"), OpenOptions{"", true, true}));
        EXPECT_EQ(a.rowCount(), c.rows) << c.table;
        std::vector<std::string> ours = ourDump(a);
        std::vector<std::string> theirs =
            pythonDump(dir, "dbfread", fixture(std::string(c.table) + ".DBF"));
        EXPECT_EQ(ours.size(), theirs.size()) << c.table;
        for (std::size_t i = 0; i < std::min(ours.size(), theirs.size()); ++i) {
            EXPECT_EQ(ours[i], theirs[i]) << c.table << " row " << i + 1;
        }
    }
}

TEST(Interop, ForeignCompoundIndexTagsListTheirKeys) {
    WorkArea a(1);
    ASSERT_TRUE(a.open(fixture("ROOMS.DBF"), OpenOptions{"", true, true}));
    a.addIndex(fixture("ROOMS.CDX"));
    ASSERT_EQ(a.orderCount(), 5);
    for (const char* tag : {"ROOMNAME", "FACILITY", "AUDIO", "FILM", "MAIN"}) {
        ASSERT_TRUE(a.setOrder(tag)) << tag;
        std::vector<std::string> listed;
        for (a.goTop(); !a.eof(); a.skip()) {
            std::string key = a.currentKey();
            key.erase(key.find_last_not_of(' ') + 1);
            listed.push_back(key + " " + std::to_string(a.recno()));
        }
        std::vector<std::string> expected =
            lines(testing::readFile(fixture(std::string("ROOMS.") + tag + ".keys")));
        while (!expected.empty() && expected.back().empty()) expected.pop_back();
        // The files pad some keys and trim others: compare keys without trailing blanks.
        for (std::string& l : expected) {
            auto blank = l.find_last_of(' ');
            std::string key = l.substr(0, blank);
            key.erase(key.find_last_not_of(' ') + 1);
            l = key + l.substr(blank);
        }
        EXPECT_EQ(listed, expected) << tag;
        EXPECT_EQ(a.keyCount(), expected.size()) << tag;
    }
    // The FOR conditions were compiled from their stored text: the MAIN tag lists exactly the
    // rows whose facility is MAIN.
    a.setOrder("MAIN");
    a.goTop();
    EXPECT_EQ(a.orderCondition().empty(), false);
    EXPECT_TRUE(a.seek(Value("Bay  1")));
}

// A table with every field type and memos, as we write it, read by both Python readers.
TEST(Interop, OurTablesReadByIndependentReaders) {
    for (MemoFormat format : {MemoFormat::FoxPro, MemoFormat::DBase3}) {
        TempDir dir;
        createTable(dir.file("OURS"),
                    {{"NOME", 'C', 20, 0},
                     {"PREZZO", 'N', 6, 2},
                     {"MINUTI", 'N', 2, 0},
                     {"DATA", 'D', 8, 0},
                     {"ABBONAM", 'L', 1, 0},
                     {"NOTE", 'M', 10, 0}},
                    format);
        {
            WorkArea a(1);
            ASSERT_TRUE(a.open(dir.file("OURS"), OpenOptions::exclusive()));
            struct Row {
                const char* nome;
                double prezzo;
                int minuti;
                Date data;
                bool abbonam;
                std::string note;
                bool deleted;
            };
            const Row rows[] = {
                {"Rossi Mario", 12.5, 10, Date::fromYmd(2024, 2, 29), true, "prima nota", false},
                {"Citt\xE0 \xE8 bella", -3.25, 0, Date(), false, "", false},
                {"", 0, 99, Date::fromYmd(1980, 1, 1), false, std::string(300, 'x') + "\r\nfine",
                 false},
                {"cancellato", 1, 1, Date::fromYmd(2000, 12, 31), true, "via", true},
                {"\x80uro \x93virgolette\x94", 999.99, 5, Date::fromYmd(2079, 12, 31), true,
                 "\xE0\xE8\xEC\xF2\xF9", false},
            };
            for (const Row& r : rows) {
                a.append();
                a.put("NOME", Value(r.nome));
                a.put("PREZZO", Value(r.prezzo));
                a.put("MINUTI", Value(r.minuti));
                a.put("DATA", Value(r.data));
                a.put("ABBONAM", Value(r.abbonam));
                a.put("NOTE", Value(r.note));
                if (r.deleted) a.markDeleted();
            }
            a.goTo(1);
            a.put("NOTE",
                  Value("prima nota, riscritta pi\xF9 lunga di prima per cambiare blocchi"));
        }
        // The readers find a FoxPro memo by the .FPT name; the bytes are the same file.
        std::string memoName = format == MemoFormat::FoxPro ? "OURS.FPT" : "OURS.DBT";
        TempDir copy;
        std::filesystem::copy_file(dir.file("OURS.DBF"), copy.file("OURS.DBF"));
        std::filesystem::copy_file(dir.file("OURS.DBT"), copy.file(memoName));
        WorkArea a(1);
        ASSERT_TRUE(a.open(dir.file("OURS"), OpenOptions{"", true, true}));
        std::vector<std::string> ours = ourDump(a);
        ASSERT_EQ(ours.size(), 4u);
        EXPECT_EQ(ours[0],
                  "Rossi Mario\t12.5000\t10.0000\t20240229\tT\tprima nota, riscritta pi\xF9 lunga "
                  "di prima per cambiare blocchi");
        EXPECT_EQ(pythonDump(copy, "dbfread", copy.file("OURS.DBF")), ours);
        EXPECT_EQ(pythonDump(copy, "dbf", copy.file("OURS.DBF")), ours);
    }
}

// An index we build is read by index_dump: the same keys and record numbers in the same order.
TEST(Interop, OurIndexReadByIndexDump) {
    TempDir dir;
    createTable(dir.file("PRESTAZI"), {{"DATA", 'D', 8, 0}, {"ORA", 'C', 5, 0}});
    WorkArea a(1);
    ASSERT_TRUE(a.open(dir.file("PRESTAZI"), OpenOptions::exclusive()));
    const char* times[] = {"09:30", "18:00", "09:15", "", "12:00", "09:30"};
    int day = 0;
    for (const char* t : times) {
        a.append();
        a.put("DATA", Value(Date::fromYmd(2024, 5, 1 + (day++ % 3))));
        a.put("ORA", Value(t));
    }
    IndexSpec s;
    s.file = dir.file("PRESTAZI.NTX");
    s.keyText = "DTOS( data ) + ora";
    s.key = [](WorkArea& w) { return Value(w.get("DATA").date().dtos() + w.get("ORA").text()); };
    s.conditionText = "!DELETED()";
    s.condition = [](WorkArea& w) { return !w.deleted(); };
    a.createIndex(s);
    std::vector<std::string> ours;
    for (a.goTop(); !a.eof(); a.skip()) {
        std::string k = a.currentKey();
        k.erase(k.find_last_not_of(' ') + 1);
        ours.push_back(k + " " + std::to_string(a.recno()));
    }
    a.close();
    std::filesystem::copy_file(dir.file("PRESTAZI.NTX"), dir.file("prestazi.cdx"));
    std::vector<std::string> theirs;
    for (std::string l :
         lines(run("index_dump --type=char " + dir.file("prestazi.cdx") + " PRESTAZI"))) {
        // index_dump pads the key; compare with trailing blanks of the key removed.
        auto blank = l.find_last_of(' ');
        if (blank == std::string::npos) continue;
        std::string key = l.substr(0, blank);
        key.erase(key.find_last_not_of(' ') + 1);
        theirs.push_back(key + l.substr(blank));
    }
    EXPECT_EQ(theirs, ours);
    EXPECT_EQ(ours.front(), "20240501 4");  // the blank time first
    EXPECT_EQ(ours.back(), "2024050309:30 6");
}

}  // namespace
}  // namespace velt::engine
