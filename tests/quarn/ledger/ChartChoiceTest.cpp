#include "quarn/ledger/ChartChoice.hpp"

#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/Form.hpp"
#include "quarn/frame/Startup.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace Talvex;
using namespace Quarn_DuzAde;

namespace {

// The boxes every ledger question has.
class ChartForm : public Ui::Form {
public:
    ChartForm() : Form("frmChart", "Chart")
    {
        Add(Ui::ControlKind::ComboBox, "cbAccSet");
        Add(Ui::ControlKind::DateBox, "edBegDate");
        Add(Ui::ControlKind::DateBox, "edEndDate");
    }
    FieldRefusal Check(const std::string& chart, const Value& beg, const Value& end)
    {
        Ctl("cbAccSet").SetValue(Value(chart));
        Ctl("edBegDate").SetValue(beg);
        Ctl("edEndDate").SetValue(end);
        return ChartAndPeriodRefusal(*this, 26565);
    }
};

std::string MessageOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const ValueError& e) {
        return e.what();
    }
    return "";
}

} // namespace

// The OK check refuses, in this order, a missing chart (with the form's own text), a missing
// first or last day, and a period ending before it starts; each at its box.
TEST(ChartChoice, ChartAndPeriodAreRefusedAtTheBoxThatIsWrong)
{
    Quarn_DuzAde::Startup();
    ChartForm form;
    const Value jan1(Date(2026, 1, 1)), jun30(Date(2026, 6, 30));
    const FieldRefusal noChart = form.Check("", Value(), Value());
    EXPECT_EQ(noChart.control, "cbAccSet");
    EXPECT_EQ(noChart.message, "Choose an account set.");
    EXPECT_EQ(form.Check("1", Value(), jun30).control, "edBegDate");
    EXPECT_EQ(form.Check("1", jan1, Value()).control, "edEndDate");
    const FieldRefusal reversed = form.Check("1", jun30, jan1);
    EXPECT_EQ(reversed.control, "edEndDate");
    EXPECT_EQ(reversed.message, "The first day of the period is after its last day.");
    EXPECT_FALSE(form.Check("1", jan1, jan1).Refused());
}

// A caller's period and chart are read output list first and each is required, the error
// naming the parameter left out.
TEST(ChartChoice, CallersPeriodAndChartAreRequiredByName)
{
    FieldList in, out;
    EXPECT_EQ(MessageOf([&] { GivenChartAndPeriod(in, out, "BegPeriod", "EndPeriod", "AccSetCode"); }),
              "BegPeriod: the first day of the period is not given");
    in.Add("BegPeriod", FieldType::kDate, Value(Date(2026, 1, 1)));
    EXPECT_EQ(MessageOf([&] { GivenChartAndPeriod(in, out, "BegPeriod", "EndPeriod", "AccSetCode"); }),
              "EndPeriod: the last day of the period is not given");
    out.Add("EndPeriod", FieldType::kDate, Value(Date(2026, 3, 31)));
    out.Add("AccSetCode", FieldType::kCode, Value());
    EXPECT_EQ(MessageOf([&] { GivenChartAndPeriod(in, out, "BegPeriod", "EndPeriod", "AccSetCode"); }),
              "AccSetCode: the account set is not given");
    in.Add("AccSetCode", FieldType::kCode, Value(std::string("1'; --")));
    const auto given = GivenChartAndPeriod(in, out, "BegPeriod", "EndPeriod", "AccSetCode");
    EXPECT_EQ(given.beg.ToDate(), Date(2026, 1, 1));
    EXPECT_EQ(given.end.ToDate(), Date(2026, 3, 31));
    EXPECT_EQ(given.chart.ToText(), "1'; --");
    EXPECT_EQ(MessageOf([&] { GivenCode(in, out, "Account", "the account"); }), "Account: the account is not given");
}

// The chart box lists every chart of the Book by code and offers the Book's own chart; a
// chart already chosen stays.
TEST(ChartChoice, TheChartBoxOffersTheBooksChartsAndKeepsAChoice)
{
    Quarn_DuzAde::Startup();
    auto book = Testing::OpenDemoBook("ledger_chart_choice");
    const auto charts = book->Db().QueryPostgres("SELECT Code FROM GLAccSet ORDER BY Code").rows;
    ASSERT_GT(charts.size(), 1u);
    ChartForm form;
    OfferCharts(*book, form, "cbAccSet");
    const auto& items = form.Ctl("cbAccSet").Items();
    ASSERT_EQ(items.size(), charts.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        EXPECT_EQ(items[i].code, charts[i][0].ToText());
    EXPECT_EQ(form.Ctl("cbAccSet").GetValue().ToText(), book->Setting("AccSetCode").ToText());

    const std::string other = charts.back()[0].ToText();
    form.Ctl("cbAccSet").SetValue(Value(other));
    OfferCharts(*book, form, "cbAccSet");
    EXPECT_EQ(form.Ctl("cbAccSet").GetValue().ToText(), other);
}
