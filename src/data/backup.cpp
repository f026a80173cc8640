#include "data/backup.h"

#include <unistd.h>

#include <memory>

#include "data/access.h"
#include "data/disk.h"
#include "data/engine/settings.h"
#include "data/engine/work_areas.h"
#include "data/files.h"
#include "data/maintenance.h"
#include "data/zip.h"
#include "util/failure.h"
#include "util/messages.h"
#include "util/prompt.h"

namespace velt {

using engine::WorkAreas;

namespace {

constexpr const char* kZipFilter = "File ZIP (*.zip)|*.zip";

UsersIndexRebuild& usersRebuild() {
    static UsersIndexRebuild rebuild;
    return rebuild;
}

// The folder the file dialogs start in, ending with a separator.
std::string startFolder() {
    return currentFolder() + "/";
}

std::string withZipExtension(const std::string& name) {
    return CFILEEXT(name).empty() ? name + ".zip" : name;
}

// Holds the whole-table lock of the table a listed file belongs to while its files are stored:
// writers lock before they write, so the stored files hold no half-written change. A file that
// is no table, or a table that does not open, is stored without a lock.
class TableHold {
  public:
    ~TableHold() { release(); }

    void before(const std::string& file) {
        std::string table = tableOf(file);
        if (table == held_) return;
        release();
        held_ = table;
        if (!table.empty()) hold(table);
    }

    void release() {
        if (area_ != 0) {
            try {
                closeWorkArea(area_);
            } catch (...) {
            }
        }
        area_ = 0;
        held_.clear();
    }

  private:
    struct NotATable {};

    // The data file of the table whose data or memo file this is; empty when there is none.
    static std::string tableOf(const std::string& file) {
        std::string ext = upperAscii(CFILEEXT(namePart(file)));
        if (ext != "DBF" && ext != "DBT") return {};
        std::string path = nativePath(file);
        std::string data = path.substr(0, path.size() - 4) + ".DBF";
        return fileExists(engine::applyNameCase(data)) ? data : std::string();
    }

    void hold(const std::string& table) {
        FailureHandler previous = setFailureHandler([](const Failure& f) -> Value {
            if (f.canDefault) return Value();
            throw NotATable();
        });
        KeepWorkArea keep;
        try {
            DBOPEN(true, table, GETNEWALIAS(), true, true);
            area_ = WorkAreas::currentNumber();
            DBLOCK(false);
        } catch (const NotATable&) {
            setFailureHandler(std::move(previous));
            if (area_ != 0) closeWorkArea(area_);
            area_ = 0;
            return;
        } catch (...) {
            setFailureHandler(std::move(previous));
            throw;
        }
        setFailureHandler(std::move(previous));
    }

    std::string held_;
    int area_ = 0;
};

}  // namespace

std::string runningProgramPath() {
    char buffer[4096];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string("velt");
}

std::string defaultArchiveName(const std::string& programPath, const Date& day) {
    std::string date = day.toString();
    std::string digits;
    for (char c : date)
        if (c != '/') digits += c;
    return "Salvataggio archivi " + CFILENOEXT(programPath) + " del " + digits + ".zip";
}

UsersIndexRebuild setUsersIndexRebuild(UsersIndexRebuild rebuild) {
    UsersIndexRebuild old = std::move(usersRebuild());
    usersRebuild() = std::move(rebuild);
    return old;
}

bool SALVA(const std::vector<std::string>& aExtra) {
    std::vector<std::string> files = WILDEXP({"*.DB?"});
    files.insert(files.end(), aExtra.begin(), aExtra.end());
    return SAVE(files);
}

bool SAVE(const std::vector<std::string>& aFiles) {
    FileRequest request;
    request.filter = kZipFilter;
    request.title = "Salvataggio dati";
    request.defaultName = startFolder() + defaultArchiveName(runningProgramPath(), Date::today());
    request.save = true;
    std::optional<std::string> chosen = prompt().chooseFile(request);
    if (!chosen) return false;
    std::string archive = withZipExtension(*chosen);

    POPMSG(std::string("Compressione in corso..."));
    bool ok;
    {
        KeepWorkArea keep;
        TableHold hold;
        ZipHooks hooks;
        hooks.beforeFile = [&](const std::string& file) { hold.before(file); };
        hooks.finish = [&] { hold.release(); };
        ok = ZIP(archive, aFiles, hooks);
    }
    POPMSG();
    if (ok) POPMSG(std::string("Salvataggio completato."), 1);
    return ok;
}

bool LOAD() {
    if (!POPMSG(std::string("Spegnere tutti i terminali.;;Continuo l'operazione?"), 2).logical())
        return false;
    FileRequest request;
    request.filter = kZipFilter;
    request.title = "Ripristina dati da";
    request.defaultName = startFolder();
    std::optional<std::string> chosen = prompt().chooseFile(request);
    if (!chosen) return false;
    std::string archive = withZipExtension(*chosen);

    POPMSG(std::string("Decompressione in corso..."));
    bool ok = UNZIP(archive);
    POPMSG();
    return ok;
}

bool RICARICA() {
    if (!LOAD()) return false;
    MANUTENZIONE(false);
    if (usersRebuild() && fileExists(engine::tablePath("USERS"))) usersRebuild()();
    POPMSG(std::string("Ripristino completato."), 1);
    return true;
}

}  // namespace velt
