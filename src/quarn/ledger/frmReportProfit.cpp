#include "quarn/ledger/frmReportProfit.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/Startup.hpp"

namespace Quarn_DuzAde {

using Talvex::Value;
using Talvex::Ui::ControlKind;

namespace {

constexpr long kNoAccSet = 26565;
constexpr long kPeriodReversed = 457;

} // namespace

frmReportProfit::frmReportProfit() : ParamForm("frmReportProfit", "Pelno (nuostolio) ataskaita")
{
    Add(ControlKind::DateBox, "edBegDate", "Nuo");
    Add(ControlKind::DateBox, "edEndDate", "Iki");
    Add(ControlKind::ComboBox, "cbAccSet", "Sąskaitų planas");
}

bool frmReportProfit::Run(std::shared_ptr<Talvex::Book> book, Talvex::Date& BegDate, Talvex::Date& EndDate,
                          std::string& AccSetCode)
{
    if (!book) throw Talvex::ValueError("frmReportProfit: no Book to read the charts of accounts from");
    book_ = std::move(book);
    if (!Execute()) return false;
    BegDate = Ctl("edBegDate").GetValue().ToDate();
    EndDate = Ctl("edEndDate").GetValue().ToDate();
    AccSetCode = Ctl("cbAccSet").GetValue().ToText();
    return true;
}

void frmReportProfit::BeforeShow()
{
    auto sets = book_->CreateList("GLAccSet");
    sets->Fields().SelectFields({"Code", "Name"});
    sets->OrderBy("oTable.Code");
    sets->Refresh();
    std::vector<Talvex::Ui::ComboItem> items;
    auto rs = sets->Recordset();
    if (rs->RecordCount() > 0)
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
            items.push_back({rs->Fields()("Code").Value().ToText(), rs->Fields()("Name").Value().ToText()});
    Ctl("cbAccSet").SetItems(items);
    if (Ctl("cbAccSet").GetValue().ToText().empty()) {
        // A default the charts no longer hold is left out rather than refused.
        try {
            Ctl("cbAccSet").SetValue(book_->Setting("AccSetCode"));
        } catch (const Talvex::ValueError&) {
            Ctl("cbAccSet").SetValue(Value(std::string()));
        }
    }
    // With nothing chosen the period is the year so far.
    const Talvex::Date today = book_->Today();
    if (!Ctl("edBegDate").GetValue().IsDate()) Ctl("edBegDate").SetValue(Value(Talvex::Date(today.Year(), 1, 1)));
    if (!Ctl("edEndDate").GetValue().IsDate()) Ctl("edEndDate").SetValue(Value(today));
}

void frmReportProfit::btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl)
{
    IsOk = false;
    const Value beg = Ctl("edBegDate").GetValue();
    const Value end = Ctl("edEndDate").GetValue();
    if (Ctl("cbAccSet").GetValue().ToText().empty()) {
        ErrMessage = ModuleFormRes().GetString(kNoAccSet);
        ErrControl = "cbAccSet";
    } else if (!beg.IsDate()) {
        ErrMessage = "Enter the first day of the period.";
        ErrControl = "edBegDate";
    } else if (!end.IsDate()) {
        ErrMessage = "Enter the last day of the period.";
        ErrControl = "edEndDate";
    } else if (beg.ToDate() > end.ToDate()) {
        ErrMessage = ModuleFormRes().GetString(kPeriodReversed);
        ErrControl = "edEndDate";
    } else {
        IsOk = true;
    }
}

} // namespace Quarn_DuzAde
