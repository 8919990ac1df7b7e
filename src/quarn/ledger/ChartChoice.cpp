#include "quarn/ledger/ChartChoice.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/Form.hpp"
#include "quarn/frame/Startup.hpp"

namespace Quarn_DuzAde {

using Talvex::Value;

namespace {

constexpr long kPeriodReversed = 457;

} // namespace

std::vector<Talvex::Ui::ComboItem> CodeNameItems(Talvex::DataList& list)
{
    list.Refresh();
    std::vector<Talvex::Ui::ComboItem> items;
    auto rs = list.Recordset();
    if (rs->RecordCount() == 0) return items;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
        items.push_back({rs->Fields()("Code").Value().ToText(), rs->Fields()("Name").Value().ToText()});
    return items;
}

void OfferCharts(Talvex::Book& book, Talvex::Ui::Form& form, const char* chartBox)
{
    auto sets = book.CreateList("GLAccSet");
    sets->Fields().SelectFields({"Code", "Name"});
    sets->OrderBy("oTable.Code");
    auto& box = form.Ctl(chartBox);
    box.SetItems(CodeNameItems(*sets));
    if (!box.GetValue().ToText().empty()) return;
    try {
        box.SetValue(book.Setting("AccSetCode"));
    } catch (const Talvex::ValueError&) {
        box.SetValue(Value(std::string()));
    }
}

FieldRefusal ChartAndPeriodRefusal(const Talvex::Ui::Form& form, long noChartText)
{
    const Value beg = form.Ctl("edBegDate").GetValue();
    const Value end = form.Ctl("edEndDate").GetValue();
    if (form.Ctl("cbAccSet").GetValue().ToText().empty()) return {"cbAccSet", ModuleFormRes().GetString(noChartText)};
    if (!beg.IsDate()) return {"edBegDate", "Enter the first day of the period."};
    if (!end.IsDate()) return {"edEndDate", "Enter the last day of the period."};
    if (beg.ToDate() > end.ToDate()) return {"edEndDate", ModuleFormRes().GetString(kPeriodReversed)};
    return {};
}

GivenChartPeriod GivenChartAndPeriod(const Talvex::FieldList& inParams, const Talvex::FieldList& outParams,
                                     const char* begName, const char* endName, const char* chartName)
{
    GivenChartPeriod given{GivenParam(inParams, outParams, begName), GivenParam(inParams, outParams, endName), {}};
    if (!given.beg.IsDate())
        throw Talvex::ValueError(std::string(begName) + ": the first day of the period is not given");
    if (!given.end.IsDate())
        throw Talvex::ValueError(std::string(endName) + ": the last day of the period is not given");
    given.chart = GivenCode(inParams, outParams, chartName, "the account set");
    return given;
}

Value GivenCode(const Talvex::FieldList& inParams, const Talvex::FieldList& outParams, const char* name,
                const char* what)
{
    Value code = GivenParam(inParams, outParams, name);
    if (code.IsEmpty() || code.ToText().empty())
        throw Talvex::ValueError(std::string(name) + ": " + what + " is not given");
    return code;
}

} // namespace Quarn_DuzAde
