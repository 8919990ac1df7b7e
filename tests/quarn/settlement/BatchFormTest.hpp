#pragma once

#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/ui/BaseDialog.hpp"
#include "quarn/frame/Startup.hpp"
#include "support/ScriptedUser.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace Talvex::Testing {

// What the tests of a settlement batch form share: the demo company's Book on 30 June 2026
// inside a transaction rolled back at the end (a test that commits ends it itself), the
// scripted user, and the form opened in the dialog engine as its operation opens it, but
// modeless, so that the test acts for the user and looks at the form in between.
template <class BatchForm> class BatchFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Quarn_DuzAde::Startup();
        book = OpenDemoBook("tester");
        book->SetToday(Date(2026, 6, 30));
        tx = std::make_unique<Data::Transaction>(book->Db());
        params.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
    }
    void TearDown() override
    {
        if (form) form->Unload();
        dialog.reset();
        form.reset();
        tx.reset();
    }

    Data::ResultSet Sql(const std::string& sql, const std::vector<Value>& args = {})
    {
        return book->Db().QueryPostgres(sql, args);
    }
    std::int64_t Count(const std::string& sql, const std::vector<Value>& args = {})
    {
        return Sql(sql, args).rows.at(0).at(0).ToInteger();
    }

    BatchForm& Open()
    {
        dialog.reset();
        form = std::make_unique<BatchForm>();
        dialog = std::make_unique<Ui::BaseDialog>();
        EXPECT_TRUE(form->Init(*dialog, params));
        dialog->Init(*form, nullptr, Value());
        EXPECT_TRUE(dialog->RunForm(false, true, nullptr));
        return *form;
    }

    std::shared_ptr<Book> book;
    std::unique_ptr<Data::Transaction> tx;
    FieldList params;
    ScriptedUser user;
    std::unique_ptr<BatchForm> form;
    std::unique_ptr<Ui::BaseDialog> dialog;
};

} // namespace Talvex::Testing
