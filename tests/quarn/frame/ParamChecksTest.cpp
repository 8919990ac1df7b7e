#include "quarn/frame/ParamChecks.hpp"
#include "quarn/frame/ResultList.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/Form.hpp"
#include "quarn/frame/Startup.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

using namespace Talvex;
using namespace Quarn_DuzAde;

namespace {

class PeriodForm : public Ui::Form {
public:
    PeriodForm() : Form("frmPeriod", "Period")
    {
        Add(Ui::ControlKind::DateBox, "edBeg");
        Add(Ui::ControlKind::DateBox, "edEnd");
        Add(Ui::ControlKind::ComboBox, "cbDep");
    }
    FieldRefusal Period(const Value& beg, const Value& end)
    {
        Ctl("edBeg").SetValue(beg);
        Ctl("edEnd").SetValue(end);
        return PeriodRefusal(*this, "edBeg", "edEnd");
    }
};

} // namespace

TEST(ParamChecks, ControlValuesReadTypedAndPickedDatesAndBlankTexts)
{
    EXPECT_EQ(ControlDate(Value(Date(2026, 3, 1))), Date(2026, 3, 1));
    EXPECT_EQ(ControlDate(Value(std::string("2026-03-31"))), Date(2026, 3, 31));
    EXPECT_FALSE(ControlDate(Value(std::string("2026-02-30"))));
    EXPECT_FALSE(ControlDate(Value(std::string("tomorrow"))));
    EXPECT_FALSE(ControlDate(Value(Null{})));
    EXPECT_FALSE(ControlDate(Value()));
    EXPECT_EQ(ControlText(Value(Null{})), "");
    EXPECT_EQ(ControlText(Value()), "");
    EXPECT_EQ(ControlText(Value(std::string("K'1"))), "K'1");
}

TEST(ParamChecks, PeriodIsRefusedAtTheBoxThatIsWrong)
{
    Quarn_DuzAde::Startup();
    PeriodForm form;
    const Value beg(Date(2026, 3, 1));
    const Value end(Date(2026, 3, 31));
    EXPECT_FALSE(form.Period(beg, end).Refused());
    EXPECT_FALSE(form.Period(beg, beg).Refused());
    EXPECT_EQ(form.Period(Value(), end).control, "edBeg");
    EXPECT_EQ(form.Period(beg, Value()).control, "edEnd");
    const FieldRefusal reversed = form.Period(end, beg);
    EXPECT_EQ(reversed.control, "edEnd");
    EXPECT_NE(reversed.message, form.Period(beg, Value()).message);
    const FieldRefusal tooLong = form.Period(Value(Date(1, 1, 1)), Value(Date(9999, 12, 31)));
    EXPECT_EQ(tooLong.control, "edEnd");
    EXPECT_NE(tooLong.message.find("edEnd"), std::string::npos) << tooLong.message;

    // The OK answer takes the refusal; a passing check leaves the message as it was.
    bool ok = true;
    std::string message = "before", control = "before";
    AnswerOK(reversed, ok, message, control);
    EXPECT_FALSE(ok);
    EXPECT_EQ(control, "edEnd");
    EXPECT_EQ(message, reversed.message);
    message = control = "before";
    AnswerOK(FieldRefusal{}, ok, message, control);
    EXPECT_TRUE(ok);
    EXPECT_EQ(message, "before");
    EXPECT_EQ(control, "before");
}

TEST(ParamChecks, DepartmentMustBeOneTheBookHasAndParametersPassOn)
{
    Quarn_DuzAde::Startup();
    auto book = Testing::OpenDemoBook("tester");
    const auto known = book->Db().QueryPostgres("SELECT Code, Name FROM REFDepartment ORDER BY Code LIMIT 1").rows;
    ASSERT_EQ(known.size(), 1u);
    const std::string code = known[0][0].ToText();
    PeriodForm form;

    EXPECT_EQ(DepartmentRefusal(*book, form, "cbDep", true).control, "cbDep");
    EXPECT_FALSE(DepartmentRefusal(*book, form, "cbDep", false).Refused());
    form.Ctl("cbDep").SetValue(Value(std::string("X'; --")));
    const FieldRefusal unknown = DepartmentRefusal(*book, form, "cbDep", false);
    EXPECT_EQ(unknown.control, "cbDep");
    EXPECT_EQ(unknown.message, "There is no department with the code 'X'; --'");
    EXPECT_FALSE(DepartmentName(*book, "X'; --"));
    form.Ctl("cbDep").SetValue(Value(code));
    EXPECT_FALSE(DepartmentRefusal(*book, form, "cbDep", true).Refused());
    const std::string name = known[0][1].IsNull() ? std::string() : known[0][1].ToText();
    EXPECT_EQ(DepartmentName(*book, code), name.empty() ? code : name);

    // Empty boxes get the month so far; boxes with a date keep it.
    book->SetToday(Date(2026, 5, 17));
    form.Ctl("edBeg").SetValue(Value());
    form.Ctl("edEnd").SetValue(Value(Date(2026, 6, 1)));
    OfferMonthToDate(form, *book, "edBeg", "edEnd");
    EXPECT_EQ(form.Ctl("edBeg").GetValue().ToDate(), Date(2026, 5, 1));
    EXPECT_EQ(form.Ctl("edEnd").GetValue().ToDate(), Date(2026, 6, 1));

    FieldList in, out;
    in.Add("BegPeriod", FieldType::kDate, Value(Date(2026, 1, 1)));
    in.Add("Department", FieldType::kCode, Value(code));
    CopyParams(in, out, {"BegPeriod", "EndPeriod", "Department"});
    EXPECT_FALSE(out.ExistsField("EndPeriod"));
    EXPECT_EQ(out.Item("BegPeriod").TypeCode(), FieldType::kDate);
    EXPECT_EQ(out.Item("Department").GetValue().ToText(), code);
    LoadControls(form, out, {{"BegPeriod", "edBeg"}, {"EndPeriod", "edEnd"}});
    EXPECT_EQ(form.Ctl("edBeg").GetValue().ToDate(), Date(2026, 1, 1));
    EXPECT_EQ(form.Ctl("edEnd").GetValue().ToDate(), Date(2026, 6, 1));
}

TEST(ResultList, RowsStandInTheColumnsGivenAndARowOfAnotherLengthIsRefused)
{
    auto book = Testing::OpenDemoBook("tester");
    constexpr ResultColumn columns[] = {{"Code", Data::DataTypeEnum::VarWChar, FieldType::kCode},
                                        {"Summa", Data::DataTypeEnum::Currency, FieldType::kAmount}};
    ResultListBuilder empty(book, columns);
    auto none = empty.Finish();
    EXPECT_EQ(none->Recordset()->RecordCount(), 0);
    EXPECT_EQ(none->Fields().Count(), 2u);

    ResultListBuilder builder(book, columns);
    builder.AddRow(std::vector<Value>{Value(std::string("A")), Value(Currency::Parse("1.25"))});
    builder.AddRow(std::vector<Value>{Value(std::string("B")), Value(Null{})});
    EXPECT_THROW(builder.AddRow(std::vector<Value>{Value(std::string("C"))}), ValueError);
    auto list = builder.Finish();
    EXPECT_EQ(list->Fields().Item("Summa").TypeCode(), FieldType::kAmount);
    auto rs = list->Recordset();
    ASSERT_EQ(rs->RecordCount(), 2);
    // The list stands at its first row.
    EXPECT_EQ(rs->Fields().Item("Code").Value().ToText(), "A");
    EXPECT_EQ(rs->Fields().Item("Summa").Value().ToCurrency(), Currency::Parse("1.25"));
    EXPECT_EQ(StoredText(*rs, rs->ViewRows()[1], 0), "B");
    EXPECT_EQ(StoredText(*rs, rs->ViewRows()[1], 1), "");
}

// A caller's value is read from the output list first; an empty one there falls back to the
// input list. Declaring a contract parameter never overwrites what the caller gave.
TEST(ParamChecks, CallersValueComesFromTheOutputListFirstAndDeclaringKeepsIt)
{
    FieldList in, out;
    in.Add("EndDate", FieldType::kDate, Value(Date(2026, 1, 31)));
    in.Add("AccSet", FieldType::kCode, Value(std::string("1")));
    out.Add("EndDate", FieldType::kDate, Value(Date(2026, 6, 30)));
    out.Add("AccSet", FieldType::kCode, Value());
    EXPECT_EQ(GivenParam(in, out, "EndDate").ToDate(), Date(2026, 6, 30));
    EXPECT_EQ(GivenParam(in, out, "AccSet").ToText(), "1");
    EXPECT_TRUE(GivenParam(in, out, "Account").IsEmpty());

    DeclareParam(out, "EndDate", FieldType::kDate, Value(Date(2020, 1, 1)));
    EXPECT_EQ(out.Item("EndDate").GetValue().ToDate(), Date(2026, 6, 30));
    DeclareParam(out, "Account", FieldType::kCode, Value(std::string("240")));
    EXPECT_EQ(out.Item("Account").TypeCode(), FieldType::kCode);
    EXPECT_EQ(out.Item("Account").GetValue().ToText(), "240");
}
