#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/TableRowSource.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"
#include "quarn/settlement/SettlementBatchForm.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace Talvex;
using Quarn_DuzAde::SettlementBatchForm;

namespace {

constexpr const char* kList = "grdList";

// A batch form over documents kept in memory, so that what the base does with the rows, the
// passes and the window can be seen apart from any document type.
class FakeBatchForm : public SettlementBatchForm {
public:
    FakeBatchForm()
        : SettlementBatchForm("frmFakeBatch", "Fake batch",
                              {{{"Client", 1550, ColumnKind::Text, 20},
                                {"Sum", 1552, ColumnKind::Money},
                                {"Doc", 1553, ColumnKind::Text, 40},
                                {"DocID", 1554, ColumnKind::Id}},
                               "Client",
                               "Doc",
                               "DocID"})
    {
        Add(Ui::ControlKind::TextBox, "edClients", "Clients");
        AddListControls();
    }

    bool Init(Ui::BaseDialog& dialog, FieldList& param) override
    {
        try {
            InitBase(dialog, param, "SUSM");
            return true;
        } catch (...) {
            Quarn_DuzAde::ReportError();
            return false;
        }
    }

    std::set<std::string> failing;              // clients whose write throws
    std::map<std::string, std::int64_t> taken;  // clients that have a document already
    std::map<std::int64_t, std::string> stored; // the documents: IDC, number
    std::set<std::int64_t> posted;
    std::vector<std::int64_t> opened;
    bool windowDeletes = false;

private:
    void ReadList() override
    {
        auto rows = NewRows();
        std::string text = Ctl("edClients").GetValue().ToText();
        for (std::size_t start = 0; start < text.size();) {
            const std::size_t comma = std::min(text.find(',', start), text.size());
            rows->AddRow({Value(text.substr(start, comma - start)), Value(Currency::FromInteger(10)),
                          Value(std::string()), Value(std::int64_t{0})});
            start = comma + 1;
        }
        ShowNew(std::move(rows));
    }
    bool WriteDocument(std::size_t row) override
    {
        const std::string client = Rows().Get(row, "Client").ToText();
        if (failing.count(client)) throw ValueError("no document for " + client);
        if (auto it = taken.find(client); it != taken.end()) {
            SetDocument(row, it->second, stored.at(it->second));
            return false;
        }
        const std::int64_t idc = next_++;
        stored[idc] = "D-" + std::to_string(idc);
        SetDocument(row, idc, stored[idc]);
        return true;
    }
    bool DeleteDocument(std::int64_t idc) override
    {
        if (posted.count(idc) || !stored.count(idc)) return false;
        stored.erase(idc);
        return true;
    }
    std::optional<std::pair<std::int64_t, std::string>> OpenDocument(std::int64_t idc) override
    {
        opened.push_back(idc);
        if (windowDeletes) {
            stored.erase(idc);
            return std::nullopt;
        }
        stored[idc] = "R-" + std::to_string(idc);
        return std::pair{idc, stored[idc]};
    }

    std::int64_t next_ = 100;
};

class SettlementBatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        Quarn_DuzAde::Startup();
        book = Testing::OpenDemoBook("tester");
        params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        ASSERT_TRUE(form.Init(dialog, params));
        dialog.Init(form, nullptr, Value());
        ASSERT_TRUE(dialog.RunForm(false, true, nullptr));
    }
    void TearDown() override { form.Unload(); }

    void Apply(const std::string& clients)
    {
        form.UserInput("edClients", Value(clients));
        form.UserClick("btApplay");
    }
    // The grid's rows as "client=number" in the grid's order.
    std::string Shown()
    {
        auto& list = form.ListCtl(kList);
        std::string text;
        for (std::size_t row = 0; row < list.RowCount(); ++row)
            text += (row ? " " : "") + list.Cell(row, "Client").ToText() + "=" + list.Cell(row, "Doc").ToText();
        return text;
    }

    std::shared_ptr<Book> book;
    FieldList params;
    Testing::ScriptedUser user;
    FakeBatchForm form;
    Ui::BaseDialog dialog;
};

} // namespace

TEST_F(SettlementBatch, CreateWritesEachMissingDocumentGoesOnPastAFailureAndCountsOnlyNewOnes)
{
    EXPECT_FALSE(form.Ctl("btCreateDocList").Enabled());
    form.taken["C'; --"] = 7;
    form.stored[7] = "OLD-7";
    form.failing.insert("B");
    Apply("A,B,C'; --,D");
    EXPECT_TRUE(form.Ctl("btCreateDocList").Enabled());
    user.Answer("Gerai");
    form.UserClick("btCreateDocList");

    EXPECT_EQ(Shown(), "A=D-100 B= C'; --=OLD-7 D=D-101");
    EXPECT_EQ(form.Rows().Get(3, "DocID").ToInteger(), 101);
    ASSERT_EQ(user.ErrorMessages().size(), 1u);
    EXPECT_NE(user.ErrorMessages()[0].find("no document for B"), std::string::npos) << user.ErrorsText();
    ASSERT_EQ(user.ProgressRuns().size(), 1u);
    EXPECT_EQ(user.ProgressRuns()[0].countStep, 4);
    EXPECT_EQ(user.ProgressRuns()[0].stepsDone, 4);
    EXPECT_EQ(user.MessageTexts().back(), "Documents \"Debt set-off\" created: 2.");

    // A second pass writes only what is still missing.
    form.failing.clear();
    user.Answer("Gerai");
    form.UserClick("btCreateDocList");
    EXPECT_EQ(Shown(), "A=D-100 B=D-102 C'; --=OLD-7 D=D-101");
    EXPECT_EQ(user.MessageTexts().back(), "Documents \"Debt set-off\" created: 1.");
}

TEST_F(SettlementBatch, DeleteTakesOnlyTheSelectedUnpostedDocumentsAndKeepsTheCurrentClient)
{
    Apply("A,B,C,D");
    user.Answer("Gerai");
    form.UserClick("btCreateDocList");
    form.posted.insert(101); // B's
    form.UserSelectRows(kList, {1, 2, 3});
    // The pass leaves the same client current as before it.
    const long current = form.ListCtl(kList).CurrentRow();
    ASSERT_GT(current, 0);
    form.UserClick("btDeleteDoc");
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(Shown(), "A=D-100 B=D-101 C= D=");
    EXPECT_EQ(form.Rows().Get(2, "DocID").ToInteger(), 0);
    EXPECT_EQ(form.stored.size(), 2u);
    EXPECT_EQ(form.ListCtl(kList).CurrentRow(), current);
    ASSERT_EQ(user.ProgressRuns().size(), 2u);
    EXPECT_EQ(user.ProgressRuns()[1].countStep, 3);
}

TEST_F(SettlementBatch, EditWritesTheMissingDocumentOpensItAndTakesBackWhatTheWindowLeft)
{
    Apply("A,B");
    form.UserSetCurrentCell(kList, 1, "");
    form.UserClick("btEditDoc");
    EXPECT_EQ(user.ErrorsText(), "");
    EXPECT_EQ(form.opened, std::vector<std::int64_t>{100});
    // The window renumbered the document; the row shows the new number.
    EXPECT_EQ(Shown(), "A= B=R-100");

    form.windowDeletes = true;
    form.UserClick("btEditDoc");
    EXPECT_EQ(form.opened, (std::vector<std::int64_t>{100, 100}));
    EXPECT_EQ(Shown(), "A= B=");
    EXPECT_EQ(form.Rows().Get(1, "DocID").ToInteger(), 0);
    EXPECT_EQ(form.ListCtl(kList).CurrentRow(), 1);
}

TEST_F(SettlementBatch, PrintClosesTheFormWithTheVisibleColumnsOfTheRows)
{
    EXPECT_FALSE(form.Ctl("btUsePrint").Enabled());
    Apply("A,B");
    user.Answer("Gerai");
    form.UserClick("btCreateDocList");
    form.UserClick("btUsePrint");
    EXPECT_TRUE(form.PrintRequested());
    EXPECT_FALSE(form.IsVisible());
    auto rs = form.PrintList();
    ASSERT_EQ(rs->Fields().Count(), 3u);
    EXPECT_EQ(rs->Fields().Item(std::size_t{0}).Name(), "Client");
    EXPECT_EQ(rs->Fields().Item(std::size_t{1}).Name(), "Sum");
    EXPECT_EQ(rs->Fields().Item(std::size_t{2}).Name(), "Doc");
    ASSERT_EQ(rs->RecordCount(), 2);
    EXPECT_EQ(rs->Fields().Item("Doc").Value().ToText(), "D-100");
    EXPECT_EQ(rs->Fields().Item("Sum").Value().ToCurrency(), Currency::FromInteger(10));
}
