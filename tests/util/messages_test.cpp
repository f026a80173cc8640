#include "util/messages.h"

#include <gtest/gtest.h>

#include "util/prompt.h"

using namespace velt;

TEST(Popmsg, KindsAndResults) {
    struct Case {
        int kind;
        int button;
        Value expected;
        int beeps;
    } cases[] = {
        {1, button::kOk, Value(), 0},           {2, button::kOk, Value(true), 1},
        {2, button::kCancel, Value(false), 1},  {3, button::kNo, Value(button::kNo), 1},
        {4, button::kYes, Value(true), 1},      {5, button::kNo, Value(false), 1},
        {6, button::kCancel, Value(false), 1},
    };
    for (const auto& c : cases) {
        ScriptedPrompt p;
        ScopedPrompt use(p);
        p.answers.push_back(c.button);
        EXPECT_EQ(POPMSG(std::string("x"), c.kind), c.expected) << c.kind;
        EXPECT_EQ(p.beeps, c.beeps) << c.kind;
        ASSERT_EQ(p.shown.size(), 1u);
        EXPECT_EQ(p.shown[0].caption, "Attenzione");
    }
    ScriptedPrompt p;
    ScopedPrompt use(p);
    EXPECT_TRUE(POPMSG(std::string("x"), 7).isNil());
    EXPECT_TRUE(p.shown.empty());
}

TEST(Popmsg, LineBreaksAndDosLetters) {
    ScriptedPrompt p;
    ScopedPrompt use(p);
    POPMSG(std::string("uno;due"), 1);
    POPMSG(std::string("uno;;due"), 1);
    POPMSG(std::string("perch\x8A"), 1);
    EXPECT_EQ(p.messages(), (std::vector<std::string>{"uno\r\ndue", "uno\r\n\r\ndue", "perch\xE8"}));
}

TEST(Popmsg, WaitBoxKeepsTextUnlessUpdated) {
    ScriptedPrompt p;
    ScopedPrompt use(p);
    POPMSG(std::string("primo"));
    EXPECT_EQ(CURMSG(), "primo");
    POPMSG(std::string("secondo"));
    EXPECT_EQ(CURMSG(), "primo");
    EXPECT_EQ(p.waitBox->text, "primo");
    PopMsgOptions update;
    update.lUpdate = true;
    POPMSG(std::string("terzo"), std::nullopt, update);
    EXPECT_EQ(CURMSG(), "terzo");
    EXPECT_EQ(p.waitBox->caption, "Attendere");
    POPMSG(std::string("domanda"), 2);  // a modal box closes the wait box first
    EXPECT_FALSE(CURMSG().has_value());
    EXPECT_FALSE(p.waitBox.has_value());
}

TEST(Popmsg, PrintFormCountsPages) {
    ScriptedPrompt p;
    ScopedPrompt use(p);
    PopMsgOptions print;
    print.lPrint = true;
    POPMSG(std::nullopt, std::nullopt, print);
    ASSERT_TRUE(p.waitBox && p.waitBox->printForm);
    PopMsgOptions next;
    next.lNextPage = true;
    for (int i = 1; i <= 3; ++i) {
        POPMSG(std::nullopt, std::nullopt, next);
        EXPECT_EQ(p.waitPage, i);
    }
    POPMSG();
    EXPECT_FALSE(p.waitBox.has_value());
}
