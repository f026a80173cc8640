// Helpers of the data-layer tests: a failure handler that answers as the program's does for the
// failures these tests meet, child processes that stand for other stations, and small builders
// of tables with rows.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "data/access.h"
#include "data/catalogue.h"
#include "data/engine/work_areas.h"
#include "util/failure.h"
#include "util/messages.h"
#include "util/neterr.h"
#include "util/prompt.h"

namespace velt::test {

// File failures become their plain message and an abandon; those that may default set the
// network-error flag and default; anything else is thrown as FailureError.
class TestFailureHandler {
  public:
    std::vector<Failure> seen;

    TestFailureHandler() {
        previous_ = setFailureHandler([this](const Failure& f) -> Value {
            seen.push_back(f);
            if (f.canDefault && (f.genCode == gen::kOpen || f.genCode == gen::kAppendLock ||
                                 f.genCode == gen::kDataWidth)) {
                NETERR(true);
                return Value();
            }
            std::string file = f.fileName;
            for (char& c : file)
                if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            std::string text;
            if (f.osCode == oscode::kFileNotFound)
                text = "Impossibile aprire il file " + file + ".";
            else if (f.osCode == oscode::kAccessDenied)
                text = "Impossibile accedere al file " + file + ".";
            else if (f.subCode == kSubCodeCorrupt || f.genCode == gen::kCorruption)
                text = "Il file " + file + " risulta corrotto.";
            else if (f.subCode == kSubCodeDiskFull)
                text = "Spazio sul disco " + file + " insufficiente.";
            if (text.empty()) throw FailureError(f);
            POPMSG(text, 1);
            throw Abandon();
        });
    }
    ~TestFailureHandler() { setFailureHandler(std::move(previous_)); }
    TestFailureHandler(const TestFailureHandler&) = delete;
    TestFailureHandler& operator=(const TestFailureHandler&) = delete;

  private:
    FailureHandler previous_;
};

// Closes every work area when the test ends, whatever happened.
struct CloseAllAtEnd {
    ~CloseAllAtEnd() {
        try {
            engine::WorkAreas::closeAll();
        } catch (...) {
        }
        engine::WorkAreas::select(1);
    }
};

// Another station: a child process that runs `body`, which may talk to the parent through the
// two pipes (`toParent`, `fromParent`).
class Station {
  public:
    using Body = std::function<void(int toParent, int fromParent)>;

    explicit Station(Body body) {
        int up[2], down[2];
        if (::pipe(up) != 0 || ::pipe(down) != 0) ADD_FAILURE() << "pipe";
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(up[0]);
            ::close(down[1]);
            int code = 0;
            try {
                body(up[1], down[0]);
            } catch (...) {
                code = 3;
            }
            ::_exit(code);
        }
        ::close(up[1]);
        ::close(down[0]);
        fromChild_ = up[0];
        toChild_ = down[1];
    }
    ~Station() { finish(); }
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // Waits for one byte from the child; answers it (0 when the child ended).
    char receive() {
        char c = 0;
        return ::read(fromChild_, &c, 1) == 1 ? c : 0;
    }
    void send(char c) {
        if (::write(toChild_, &c, 1) != 1) ADD_FAILURE() << "write to child";
    }
    // Waits for the child; answers its exit code.
    int finish() {
        if (pid_ <= 0) return exitCode_;
        ::close(toChild_);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        ::close(fromChild_);
        pid_ = 0;
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 99;
        return exitCode_;
    }

    static void tell(int fd, char c) {
        if (::write(fd, &c, 1) != 1) ::_exit(4);
    }
    static char hear(int fd) {
        char c = 0;
        return ::read(fd, &c, 1) == 1 ? c : 0;
    }

  private:
    pid_t pid_ = 0;
    int fromChild_ = -1;
    int toChild_ = -1;
    int exitCode_ = 0;
};

using Row = std::map<std::string, Value>;

// Creates the table with the fields and rows given; rows whose "*" entry is true are marked
// deleted.
inline void makeTable(const std::string& name, const std::vector<FieldSpec>& fields,
                      const std::vector<Row>& rows) {
    DBGEN(name, fields);
    ScopedTable table(name, {}, false);
    engine::WorkArea& area = table.table();
    for (const auto& row : rows) {
        area.append();
        for (const auto& [field, value] : row)
            if (field != "*") area.put(field, value);
        auto del = row.find("*");
        if (del != row.end() && del->second.logical()) area.markDeleted();
    }
    area.flush();
}

inline void makeCatalogueTable(const std::string& name, const std::vector<Row>& rows) {
    makeTable(name, findTable(name)->fields, rows);
}

// The values of one field over the visible rows in the active order.
inline std::vector<std::string> column(engine::WorkArea& area, const std::string& field) {
    std::vector<std::string> out;
    for (area.goTop(); !area.eof(); area.skip(1)) {
        Value v = area.get(field);
        out.push_back(v.isNumber() ? std::to_string(v.num())
                      : v.isDate() ? v.date().dtos()
                                   : v.text());
    }
    return out;
}

inline std::string trimRight(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace velt::test
