#include "quarn/sales/frmOrvStockAnalyse.hpp"

#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"

#include <optional>

namespace Quarn_DuzAde {

using Talvex::Value;
using Talvex::Ui::ControlKind;

namespace {

// The date the control holds, typed or picked; none when it holds no date.
std::optional<Talvex::Date> DateOf(const Value& value)
{
    if (value.IsDate()) return value.ToDate();
    if (value.IsNull() || value.IsEmpty()) return std::nullopt;
    Talvex::Date date;
    if (Talvex::Date::TryParse(value.ToText(), date)) return date;
    return std::nullopt;
}

} // namespace

frmOrvStockAnalyse::frmOrvStockAnalyse() : ParamForm("frmOrvStockAnalyse", "Atsargų senumo analizė")
{
    Add(ControlKind::DateBox, "edDate", "Ataskaitos data");
}

void frmOrvStockAnalyse::BeforeShow()
{
    if (!DateOf(Ctl("edDate").GetValue()) && book_) Ctl("edDate").SetValue(Value(book_->Today()));
}

void frmOrvStockAnalyse::btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl)
{
    IsOk = DateOf(Ctl("edDate").GetValue()).has_value();
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
    mDate = *DateOf(Ctl("edDate").GetValue());
    return true;
}

bool frmOrvStockAnalyse::Init(std::shared_ptr<Talvex::Book> book, Talvex::FieldList& OutP)
{
    if (OutP.ExistsField("EndDate")) {
        if (const auto given = DateOf(OutP.Item("EndDate").GetValue())) Ctl("edDate").SetValue(Value(*given));
    }
    Talvex::Date chosen;
    if (!mInit(std::move(book), chosen)) return false;
    OutP.Add("EndDate", Talvex::FieldType::kDate, Value(chosen));
    return true;
}

} // namespace Quarn_DuzAde
