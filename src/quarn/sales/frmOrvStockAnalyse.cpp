#include "quarn/sales/frmOrvStockAnalyse.hpp"

#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/ParamChecks.hpp"


namespace Quarn_DuzAde {

using Talvex::Value;
using Talvex::Ui::ControlKind;

frmOrvStockAnalyse::frmOrvStockAnalyse() : ParamForm("frmOrvStockAnalyse", "Atsargų senumo analizė")
{
    Add(ControlKind::DateBox, "edDate", "Ataskaitos data");
}

void frmOrvStockAnalyse::BeforeShow()
{
    if (!ControlDate(Ctl("edDate").GetValue()) && book_) Ctl("edDate").SetValue(Value(book_->Today()));
}

void frmOrvStockAnalyse::btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl)
{
    IsOk = ControlDate(Ctl("edDate").GetValue()).has_value();
    if (!IsOk) {
        ErrMessage = "Enter the report date (yyyy-mm-dd).";
        ErrControl = "edDate";
    }
}

bool frmOrvStockAnalyse::mInit(std::shared_ptr<Talvex::Book> book, Talvex::Date& mDate)
{
    if (!book) throw Talvex::ValueError("frmOrvStockAnalyse: no Book to ask the report date for");
    book_ = std::move(book);
    if (!Execute()) return false;
    mDate = *ControlDate(Ctl("edDate").GetValue());
    return true;
}

bool frmOrvStockAnalyse::Init(std::shared_ptr<Talvex::Book> book, Talvex::FieldList& OutP)
{
    if (OutP.ExistsField("EndDate")) {
        if (const auto given = ControlDate(OutP.Item("EndDate").GetValue())) Ctl("edDate").SetValue(Value(*given));
    }
    Talvex::Date chosen;
    if (!mInit(std::move(book), chosen)) return false;
    OutP.Add("EndDate", Talvex::FieldType::kDate, Value(chosen));
    return true;
}

} // namespace Quarn_DuzAde
