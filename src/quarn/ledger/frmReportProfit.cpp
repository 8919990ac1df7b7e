#include "quarn/ledger/frmReportProfit.hpp"

#include "host/objects/Book.hpp"
#include "host/types/Errors.hpp"
#include "quarn/ledger/ChartChoice.hpp"

namespace Quarn_DuzAde {

using Talvex::Value;
using Talvex::Ui::ControlKind;

namespace {

constexpr long kNoAccSet = 26565;

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
    OfferCharts(*book_, *this, "cbAccSet");
    // With nothing chosen the period is the year so far.
    const Talvex::Date today = book_->Today();
    if (!Ctl("edBegDate").GetValue().IsDate()) Ctl("edBegDate").SetValue(Value(Talvex::Date(today.Year(), 1, 1)));
    if (!Ctl("edEndDate").GetValue().IsDate()) Ctl("edEndDate").SetValue(Value(today));
}

void frmReportProfit::btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl)
{
    AnswerOK(ChartAndPeriodRefusal(*this, kNoAccSet), IsOk, ErrMessage, ErrControl);
}

} // namespace Quarn_DuzAde
