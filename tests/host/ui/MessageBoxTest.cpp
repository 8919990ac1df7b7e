#include "host/ui/MessageBox.hpp"
#include "host/ui/CWaitInfo.hpp"
#include "host/ui/Session.hpp"
#include "host/ui/UiError.hpp"
#include "support/ScriptedUser.hpp"

#include <gtest/gtest.h>

using namespace Talvex::Ui;
using Talvex::Testing::ScriptedUser;

TEST(MessageBox, AnswersComeThroughTheQueueByCaptionOrResult)
{
    ScriptedUser user(R"(
message Gerai
message no
message Cancel
)");
    MessageBox box(user.Session());
    EXPECT_EQ(box.ShowSingle("3 documents SUSM were created", "Gerai"), MessageResult::Ok);
    EXPECT_EQ(box.Show("Delete the documents?", MessageButtons::YesNo, "Set-off"), MessageResult::No);
    // An answer the box does not offer is refused; the box then waits for the next one.
    user.Session().Post(AnswerMessageAction{"Maybe"});
    EXPECT_EQ(box.Show("Save?", MessageButtons::YesNoCancel), MessageResult::Cancel);
    // With no answers left the box is accepted with its first button.
    EXPECT_EQ(box.Show("Go on?", MessageButtons::OkCancel), MessageResult::Ok);

    EXPECT_EQ(user.MessageTexts(),
              (std::vector<std::string>{"3 documents SUSM were created", "Delete the documents?", "Save?", "Go on?"}));
    EXPECT_EQ(user.MessageAnswers(), (std::vector<std::string>{"Gerai", "No", "Cancel", "OK"}));
    EXPECT_EQ(user.Session().Messages()[1].caption, "Set-off");
    EXPECT_EQ(user.Session().Messages()[0].buttons, std::vector<std::string>{"Gerai"});
    EXPECT_EQ(user.ErrorMessages(), std::vector<std::string>{"The message box has no button 'Maybe'"});
    EXPECT_TRUE(user.Session().Windows().empty());
}

TEST(MessageBox, ARefusalIsRecordedAsOneApartFromNews)
{
    ScriptedUser user;
    MessageBox box(user.Session());
    box.ShowSingle("3 documents created", "Gerai");
    box.Show("The period ends before it begins", MessageButtons::Ok, "", MessageKind::Refusal);
    box.ShowSingle("The date is missing", "Gerai", "", MessageKind::Refusal);
    ASSERT_EQ(user.Session().Messages().size(), 3u);
    EXPECT_EQ(user.Session().Messages()[0].kind, MessageKind::Information);
    EXPECT_EQ(user.Session().Messages()[1].kind, MessageKind::Refusal);
    EXPECT_EQ(user.Session().Messages()[2].kind, MessageKind::Refusal);
}

TEST(MessageBox, WithoutAFrontEndFailsNamingTheMessage)
{
    Session session;
    try {
        MessageBox(session).ShowSingle("Done", "Gerai");
        FAIL() << "an unanswered message box must not return";
    } catch (const NoAnswerError& error) {
        EXPECT_STREQ(error.what(), "The message box 'Done' waits for an answer and nobody can give one");
    }
    ASSERT_EQ(session.Messages().size(), 1u);
    EXPECT_EQ(session.Messages()[0].answer, "");
}

TEST(WaitAndStatus, TheWaitWindowClosesWithItsObjectAndAnEmptyStatusClears)
{
    ScriptedUser user;
    Session& session = user.Session();
    {
        CWaitInfo outer;
        outer.Show("Reading documents", 42);
        {
            CWaitInfo inner(session);
            inner.Show("Reading clients");
            EXPECT_EQ(session.WaitText(), "Reading clients");
        }
        EXPECT_EQ(session.WaitText(), "Reading documents");
        outer.Show("Reading payments");
        EXPECT_EQ(session.WaitText(), "Reading payments");
    }
    EXPECT_EQ(session.WaitText(), "");

    session.ShowStatus("Computing debt...");
    session.ShowStatus("");
    EXPECT_EQ(session.StatusText(), "");
    EXPECT_EQ(user.StatusHistory(), std::vector<std::string>{"Computing debt..."});
    EXPECT_EQ(user.Transcript(), std::vector<std::string>{"status: Computing debt..."});
}
