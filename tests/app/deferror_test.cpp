#include "app/deferror.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "util/failure.h"
#include "util/neterr.h"
#include "util/prompt.h"

namespace velt {
namespace {

struct QuitCalled {};

// Logs the release of the network lock and every message in one sequence, so the order shows.
class LoggingPrompt : public ScriptedPrompt {
  public:
    std::vector<std::string>* log = nullptr;
    int showMessage(int kind, const std::string& text, const std::string& caption) override {
        log->push_back("message");
        return ScriptedPrompt::showMessage(kind, text, caption);
    }
};

class DefErrorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        prompt_.log = &log_;
        previousHandler_ = setFailureHandler(DEFERROR);
        setNetworkLockRelease([this] { log_.push_back("release"); });
        setLinkOpener([this](const std::string& link) { links_.push_back(link); });
        setQuitAction([this] {
            log_.push_back("quit");
            throw QuitCalled{};
        });
        NETERR(false);
    }
    void TearDown() override {
        setFailureHandler(previousHandler_);
        setNetworkLockRelease(nullptr);
        setLinkOpener(nullptr);
        setQuitAction(nullptr);
        NETERR(false);
    }

    enum class Outcome { Abandon, Substitute, Default, Quit };
    // Runs DEFERROR on `f` and says which way it went; `answer` gets the returned value.
    Outcome run(const Failure& f, Value* answer = nullptr) {
        try {
            Value v = DEFERROR(f);
            if (answer) *answer = v;
            return v.isLogical() ? Outcome::Default : Outcome::Substitute;
        } catch (const Abandon&) {
            return Outcome::Abandon;
        } catch (const QuitCalled&) {
            return Outcome::Quit;
        }
    }

    LoggingPrompt prompt_;
    ScopedPrompt scoped_{prompt_};
    std::vector<std::string> log_;
    std::vector<std::string> links_;
    FailureHandler previousHandler_;
};

Failure failure(int gen, int os, std::optional<int> sub = std::nullopt, bool canDefault = false) {
    Failure f;
    f.genCode = gen;
    f.osCode = os;
    f.subCode = sub;
    f.canDefault = canDefault;
    f.subSystem = "DBFCDX";
    f.fileName = "dati/Clienti.dbf";
    f.description = "Open error";
    f.function = "void velt::CLIENTI()";
    f.line = 77;
    return f;
}

TEST_F(DefErrorTest, EachRuleGivesItsMessageAndOutcomeInOrder) {
    const std::string FILE = "DATI/CLIENTI.DBF";
    const std::string composed =
        "Error DBFCDX/9  Open error: dati/Clienti.dbf\r\nFunction: "
        "velt::CLIENTI  Line: 77";
    struct Case {
        const char* what;
        Failure f;
        std::string message;  // empty: no message at all
        Outcome outcome;
    };
    const std::vector<Case> cases = {
        {"device not ready", failure(21, 21), "Disco " + FILE + " non pronto.", Outcome::Abandon},
        {"not ready beats damaged data", failure(32, 21, 1012), "Disco " + FILE + " non pronto.",
         Outcome::Abandon},
        {"sector not found", failure(23, 27), "Disco " + FILE + " non formattato.",
         Outcome::Abandon},
        {"device failure", failure(24, 31), "Disco " + FILE + " non formattato.", Outcome::Abandon},
        {"write protected", failure(24, 19), "Disco " + FILE + " protetto da scrittura.",
         Outcome::Abandon},
        {"directory full", failure(20, 82), "Directory " + FILE + " piena.", Outcome::Abandon},
        {"disk full", failure(24, 112, 2016), "Spazio sul disco " + FILE + " insufficiente.",
         Outcome::Abandon},
        {"disk full beats access denied", failure(24, 5, 2016),
         "Spazio sul disco " + FILE + " insufficiente.", Outcome::Abandon},
        {"access denied", failure(21, 5), "Impossibile accedere al file " + FILE + ".",
         Outcome::Abandon},
        {"path not found", failure(21, 3), "Percorso " + FILE + " non trovato.", Outcome::Abandon},
        {"file not found", failure(21, 2), "Impossibile aprire il file " + FILE + ".",
         Outcome::Abandon},
        {"file not found beats damaged data", failure(32, 2),
         "Impossibile aprire il file " + FILE + ".", Outcome::Abandon},
        {"damaged data by sub-code", failure(23, 0, 1012), "Il file " + FILE + " risulta corrotto.",
         Outcome::Abandon},
        {"damaged data by general code", failure(32, 0), "Il file " + FILE + " risulta corrotto.",
         Outcome::Abandon},
        {"message failure", failure(1001, 0, 9), composed, Outcome::Abandon},
        {"division by zero", failure(5, 0), "", Outcome::Substitute},
        {"sharing violation that may default", failure(21, 32, std::nullopt, true), "",
         Outcome::Default},
        {"append lock that may default", failure(40, 0, std::nullopt, true), "", Outcome::Default},
        {"sharing violation that may not default", failure(21, 32, 9),
         composed + "\r\n\r\nInviare rapporto di errore via email?", Outcome::Quit},
        {"append lock that may not default", failure(40, 0, 9),
         composed + "\r\n\r\nInviare rapporto di errore via email?", Outcome::Quit},
        {"anything else", failure(33, 0, 9),
         composed + "\r\n\r\nInviare rapporto di errore via email?", Outcome::Quit},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        prompt_.shown.clear();
        log_.clear();
        NETERR(false);
        Value answer;
        Outcome got = run(c.f, &answer);
        EXPECT_EQ(got, c.outcome);
        std::vector<std::string> messages = prompt_.messages();
        if (c.message.empty()) {
            EXPECT_TRUE(messages.empty());
            EXPECT_TRUE(log_.empty()) << "nothing is released for a silent outcome";
        } else {
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(messages[0], c.message);
            ASSERT_GE(log_.size(), 2u);
            EXPECT_EQ(log_[0], "release") << "the lock goes before the message";
            EXPECT_EQ(log_[1], "message");
            EXPECT_EQ(prompt_.shown.back().kind, c.outcome == Outcome::Quit ? 2 : 1);
        }
        if (c.outcome == Outcome::Substitute) {
            EXPECT_TRUE(answer.isNumber());
            EXPECT_EQ(answer.num(), 0);
        }
        EXPECT_EQ(NETERR(), c.outcome == Outcome::Default);
        if (c.outcome == Outcome::Default) {
            EXPECT_FALSE(answer.logical());
        }
    }
}

TEST_F(DefErrorTest, DivisionByZeroThroughTheHookGivesZeroSilently) {
    setFailureHandler(DEFERROR);
    Failure f;
    f.genCode = gen::kZeroDivision;
    f.subSystem = "BASE";
    Value v = raiseFailure(f);
    EXPECT_TRUE(v.isNumber());
    EXPECT_EQ(v.num(), 0);
    EXPECT_TRUE(prompt_.shown.empty());
}

TEST_F(DefErrorTest, ReportAnsweredOkOpensTheMailLinkAndQuits) {
    Failure f = failure(33, 0, 1020);
    f.description = "Tipo errato; valore & altro";
    f.fileName.clear();
    f.operation = "CLIENTI";
    prompt_.answers = {button::kOk};
    EXPECT_EQ(run(f), Outcome::Quit);
    ASSERT_EQ(links_.size(), 1u);
    const std::string expected =
        "mailto:?subject=Rapporto di errore&body=Applicazione: " + programPath() +
        "%0d%0a%0d%0aError DBFCDX/1020  Tipo errato%0d%0a valore %26 altro: CLIENTI%0d%0a"
        "Function: velt::CLIENTI  Line: 77";
    EXPECT_EQ(links_[0], expected);
    EXPECT_EQ(log_, (std::vector<std::string>{"release", "message", "quit"}));
    EXPECT_EQ(prompt_.beeps, 1) << "the report question beeps";
}

TEST_F(DefErrorTest, ReportCancelledQuitsWithoutMail) {
    prompt_.answers = {button::kCancel};
    EXPECT_EQ(run(failure(33, 0, 1)), Outcome::Quit);
    EXPECT_TRUE(links_.empty());
    EXPECT_EQ(log_.back(), "quit");
}

TEST(ErrorMessage, ComposesItsParts) {
    struct Case {
        const char* what;
        Failure f;
        std::string text;
    };
    Failure full;
    full.genCode = 21;
    full.subSystem = "DBFCDX";
    full.subCode = 1001;
    full.description = "Open error";
    full.fileName = "CLIENTI.DBF";
    full.operation = "ignored when there is a file";
    full.function = "velt::Value velt::DBOPEN(const std::string&, bool)";
    full.line = 120;

    Failure warning = full;
    warning.severity = Failure::Severity::Warning;

    Failure bare;  // nothing known at all
    bare.genCode = 33;

    Failure operation = full;
    operation.fileName.clear();
    operation.operation = "NSTR";

    Failure lambda = full;
    lambda.function = "velt::PRESTAZIONI()::<lambda(int)>";
    lambda.description.clear();

    const std::vector<Case> cases = {
        {"full", full,
         "Error DBFCDX/1001  Open error: CLIENTI.DBF;Function: velt::DBOPEN  Line: 120"},
        {"warning", warning,
         "Warning DBFCDX/1001  Open error: CLIENTI.DBF;Function: velt::DBOPEN  Line: 120"},
        {"nothing known", bare,
         "Error ???"
         "/???;Function:   Line: 0"},
        {"operation", operation,
         "Error DBFCDX/1001  Open error: NSTR;Function: velt::DBOPEN  Line: 120"},
        {"inside a lambda", lambda,
         "Error DBFCDX/1001: CLIENTI.DBF;Function: velt::PRESTAZIONI  Line: 120"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ERRORMESSAGE(c.f), c.text);
    }
}

TEST(ErrorMessage, NamesTheFunctionThatRaisedTheFailure) {
    Failure seen;
    FailureHandler previous = setFailureHandler([&](const Failure& f) {
        seen = f;
        return Value();
    });
    Failure f;
    f.genCode = 33;
    const int line = __LINE__ + 1;
    raiseFailure(f);
    setFailureHandler(previous);
    std::string text = ERRORMESSAGE(seen);
    EXPECT_NE(text.find(";Function: "), std::string::npos);
    EXPECT_NE(text.find("NamesTheFunctionThatRaisedTheFailure"), std::string::npos) << text;
    EXPECT_NE(text.find("  Line: " + std::to_string(line)), std::string::npos) << text;
}

TEST(ErrorMessage, ShortFunctionNames) {
    EXPECT_EQ(shortFunctionName("void velt::MKCFG()"), "velt::MKCFG");
    EXPECT_EQ(shortFunctionName("int main(int, char**)"), "main");
    EXPECT_EQ(shortFunctionName("std::vector<int, std::allocator<int> > velt::f(int)"), "velt::f");
    EXPECT_EQ(shortFunctionName("bool velt::operator<(const A&, const A&)"), "velt::operator<");
    EXPECT_EQ(shortFunctionName("PRESTAZIONI"), "PRESTAZIONI");
}

TEST(ErrorReportLink, EscapesAmpersandsAndLineBreaksOfTheTextOnly) {
    EXPECT_EQ(errorReportLink("/opt/velt/velt", "a&b;c"),
              "mailto:?subject=Rapporto di errore&body=Applicazione: /opt/velt/velt"
              "%0d%0a%0d%0aa%26b%0d%0ac");
}

}  // namespace
}  // namespace velt
