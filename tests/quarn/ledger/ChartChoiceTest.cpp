#include "quarn/ledger/ChartChoice.hpp"

#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/Form.hpp"
#include "quarn/frame/Startup.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace Talvex;
using namespace Quarn_DuzAde;

namespace {

// A ledger question's boxes on a plain form: the chart and the two days of the period.
std::unique_ptr<Ui::Form> ChartForm()
{
    auto form = std::make_unique<Ui::Form>("frmChart", "Chart");
    form->Add(Ui::ControlKind::ComboBox, "cbAccSet");
    form->Add(Ui::ControlKind::DateBox, "edBegDate");
    form->Add(Ui::ControlKind::DateBox, "edEndDate");
    return form;
}

// The OK check of the boxes filled so; its text of a missing chart is the profit report's.
FieldRefusal Checked(Ui::Form& form, const std::string& chart, const Value& beg, const Value& end)
{
    form.Ctl("cbAccSet").SetValue(Value(chart));
    form.Ctl("edBegDate").SetValue(beg);
    form.Ctl("edEndDate").SetValue(end);
    return ChartAndPeriodRefusal(form, 26565);
}

// What GivenChartAndPeriod says of a caller's lists: nothing when it takes them, else its
// error.
std::string Verdict(const FieldList& in, const FieldList& out)
{
    std::string error;
    try {
        GivenChartAndPeriod(in, out, "BegPeriod", "EndPeriod", "AccSetCode");
    } catch (const ValueError& e) {
        error = e.what();
    }
    return error;
}

} // namespace

// The OK check refuses, in this order, a missing chart (with the form's own text), a missing
// first or last day, and a period ending before it starts; each at its box.
TEST(ChartChoice, ChartAndPeriodAreRefusedAtTheBoxThatIsWrong)
{
    Quarn_DuzAde::Startup();
    auto form = ChartForm();
    const Value jan1(Date(2026, 1, 1)), jun30(Date(2026, 6, 30));
    const FieldRefusal noChart = Checked(*form, "", Value(), Value());
    EXPECT_EQ(noChart.control, "cbAccSet");
    EXPECT_EQ(noChart.message, "Choose an account set.");
    EXPECT_EQ(Checked(*form, "1", Value(), jun30).control, "edBegDate");
    EXPECT_EQ(Checked(*form, "1", jan1, Value()).control, "edEndDate");
    const FieldRefusal reversed = Checked(*form, "1", jun30, jan1);
    EXPECT_EQ(reversed.control, "edEndDate");
    EXPECT_EQ(reversed.message, "The first day of the period is after its last day.");
    EXPECT_FALSE(Checked(*form, "1", jan1, jan1).Refused());
}

// A caller's period and chart are read output list first and each is required, the error
// naming the parameter left out.
TEST(ChartChoice, CallersPeriodAndChartAreRequiredByName)
{
    FieldList in, out;
    EXPECT_EQ(Verdict(in, out), "BegPeriod: the first day of the period is not given");
    in.Add("BegPeriod", FieldType::kDate, Value(Date(2026, 1, 1)));
    EXPECT_EQ(Verdict(in, out), "EndPeriod: the last day of the period is not given");
    out.Add("EndPeriod", FieldType::kDate, Value(Date(2026, 3, 31)));
    out.Add("AccSetCode", FieldType::kCode, Value());
    EXPECT_EQ(Verdict(in, out), "AccSetCode: the account set is not given");
    in.Add("AccSetCode", FieldType::kCode, Value(std::string("1'; --")));
    EXPECT_EQ(Verdict(in, out), "");
    const auto given = GivenChartAndPeriod(in, out, "BegPeriod", "EndPeriod", "AccSetCode");
    EXPECT_EQ(given.beg.ToDate(), Date(2026, 1, 1));
    EXPECT_EQ(given.end.ToDate(), Date(2026, 3, 31));
    EXPECT_EQ(given.chart.ToText(), "1'; --");
    EXPECT_THROW(GivenCode(in, out, "Account", "the account"), ValueError);
    EXPECT_EQ(GivenCode(in, out, "AccSetCode", "the account set").ToText(), "1'; --");
}

// The chart box lists every chart of the Book by code and offers the Book's own chart; a
// chart already chosen stays.
TEST(ChartChoice, TheChartBoxOffersTheBooksChartsAndKeepsAChoice)
{
    Quarn_DuzAde::Startup();
    auto book = Testing::OpenDemoBook("ledger_chart_choice");
    const auto charts = book->Db().QueryPostgres("SELECT Code FROM GLAccSet ORDER BY Code").rows;
    ASSERT_GT(charts.size(), 1u);
    auto form = ChartForm();
    OfferCharts(*book, *form, "cbAccSet");
    const auto& items = form->Ctl("cbAccSet").Items();
    ASSERT_EQ(items.size(), charts.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        EXPECT_EQ(items[i].code, charts[i][0].ToText());
    EXPECT_EQ(form->Ctl("cbAccSet").GetValue().ToText(), book->Setting("AccSetCode").ToText());

    const std::string other = charts.back()[0].ToText();
    form->Ctl("cbAccSet").SetValue(Value(other));
    OfferCharts(*book, *form, "cbAccSet");
    EXPECT_EQ(form->Ctl("cbAccSet").GetValue().ToText(), other);
}
