#pragma once
// What the ledger reports and their forms share: the chart of accounts and the period they
// are asked for, on the form and from a caller.
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/ui/Control.hpp"
#include "host/ui/Form.hpp"
#include "quarn/frame/ParamChecks.hpp"

#include <vector>

namespace Quarn_DuzAde {

// A code list's rows (its "Code" and "Name") as the items of a combo box, read afresh.
std::vector<Talvex::Ui::ComboItem> CodeNameItems(Talvex::DataList& list);

// The ledger forms' chart box: the Book's charts of accounts by code; with nothing chosen
// yet, the Book's own chart. A default the charts no longer hold is left out rather than
// refused.
void OfferCharts(Talvex::Book& book, Talvex::Ui::Form& form, const char* chartBox);

// The chart and period boxes (cbAccSet, edBegDate, edEndDate) checked as a ledger form's OK
// checks them: no chart chosen (told with the form's own text `noChartText`), a box without
// a date, an end before the beginning.
FieldRefusal ChartAndPeriodRefusal(const Talvex::Ui::Form& form, long noChartText);

// The period and chart a caller gave a ledger report (as GivenParam finds them), each
// required: throws ValueError naming the parameter left out.
struct GivenChartPeriod {
    Talvex::Value beg, end, chart;
};
GivenChartPeriod GivenChartAndPeriod(const Talvex::FieldList& inParams, const Talvex::FieldList& outParams,
                                     const char* begName, const char* endName, const char* chartName);

// A code the caller gave, required: throws ValueError "<name>: <what> is not given".
Talvex::Value GivenCode(const Talvex::FieldList& inParams, const Talvex::FieldList& outParams, const char* name,
                        const char* what);

} // namespace Quarn_DuzAde
