#include "quarn/sales/frmGoodTurnAnalysis.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/PeriodLimit.hpp"
#include "quarn/frame/Startup.hpp"

#include <optional>

namespace Quarn_DuzAde {

using Talvex::Value;
using Talvex::Ui::ControlKind;

namespace {

constexpr long kWrongDates = 27133;
constexpr long kPeriodReversed = 457;

std::optional<Talvex::Date> DateOf(const Value& value)
{
    if (value.IsDate()) return value.ToDate();
    if (value.IsNull() || value.IsEmpty()) return std::nullopt;
    Talvex::Date date;
    if (Talvex::Date::TryParse(value.ToText(), date)) return date;
    return std::nullopt;
}

std::string TextOf(const Value& value)
{
    return value.IsNull() || value.IsEmpty() ? std::string() : value.ToText();
}

bool FlagOf(const Value& value)
{
    if (value.IsNull() || value.IsEmpty()) return false;
    try {
        return value.ToBool();
    } catch (const Talvex::ValueError&) {
        return false;
    }
}

} // namespace

frmGoodTurnAnalysis::frmGoodTurnAnalysis(std::shared_ptr<Talvex::Book> book)
    : ParamForm("frmGoodTurnAnalysis", "Prekių apyvartumo analizė"), book_(std::move(book))
{
    if (!book_) throw Talvex::ValueError("frmGoodTurnAnalysis: no Book to ask for");
    Add(ControlKind::DateBox, "edDateBeg", "Nuo");
    Add(ControlKind::DateBox, "edDateEnd", "Iki");
    Add(ControlKind::ComboBox, "selGood", "Prekė ar grupė").BindLookup({"REFGood", "Code", "Name"});
    Add(ControlKind::CheckBox, "chConsigned", "Su konsignacinėmis atsargomis").SetValue(Value(0));
}

void frmGoodTurnAnalysis::BeforeShow()
{
    const Talvex::Date today = book_->Today();
    if (!DateOf(Ctl("edDateBeg").GetValue())) Ctl("edDateBeg").SetValue(Value(today.FirstOfMonth()));
    if (!DateOf(Ctl("edDateEnd").GetValue())) Ctl("edDateEnd").SetValue(Value(today));
}

bool frmGoodTurnAnalysis::Run(const Value& dateBeg, const Value& dateEnd, const Value& goodCode, const Value& consigned,
                              CRepGoodTurnAnalysis::Params& chosen)
{
    if (!dateBeg.IsEmpty() && !dateBeg.IsNull()) Ctl("edDateBeg").SetValue(dateBeg);
    if (!dateEnd.IsEmpty() && !dateEnd.IsNull()) Ctl("edDateEnd").SetValue(dateEnd);
    if (!goodCode.IsEmpty() && !goodCode.IsNull()) Ctl("selGood").SetValue(goodCode);
    if (FlagOf(consigned)) Ctl("chConsigned").SetValue(Value(1));
    if (!Execute()) return false;
    chosen.dateBeg = *DateOf(Ctl("edDateBeg").GetValue());
    chosen.dateEnd = *DateOf(Ctl("edDateEnd").GetValue());
    chosen.goodCode = TextOf(Ctl("selGood").GetValue());
    chosen.consigned = FlagOf(Ctl("chConsigned").GetValue());
    return true;
}

void frmGoodTurnAnalysis::btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl)
{
    IsOk = false;
    const auto& res = ModuleFormRes();
    const auto beg = DateOf(Ctl("edDateBeg").GetValue());
    const auto end = DateOf(Ctl("edDateEnd").GetValue());
    const std::string good = TextOf(Ctl("selGood").GetValue());
    if (!beg) {
        ErrMessage = res.GetString(kWrongDates);
        ErrControl = "edDateBeg";
    } else if (!end) {
        ErrMessage = res.GetString(kWrongDates);
        ErrControl = "edDateEnd";
    } else if (*end < *beg) {
        ErrMessage = res.GetString(kPeriodReversed);
        ErrControl = "edDateEnd";
    } else if (const std::string tooLong = PeriodTooLong("edDateEnd", *beg, *end); !tooLong.empty()) {
        ErrMessage = tooLong;
        ErrControl = "edDateEnd";
    } else if (!good.empty() && !GoodExists(good)) {
        ErrMessage = "There is no good or goods group with the code '" + good + "'";
        ErrControl = "selGood";
    } else {
        IsOk = true;
    }
}

bool frmGoodTurnAnalysis::GoodExists(const std::string& code) const
{
    auto goods = book_->CreateList("REFGood");
    goods->Fields().SelectFields({"Code"});
    goods->SetFilter(Talvex::SqlTools::CondByName("oTable.Code", Talvex::FieldType::kCode, Talvex::SqlOperator::kEqual,
                                                  Value(code)));
    goods->Refresh();
    return goods->Recordset()->RecordCount() > 0;
}

} // namespace Quarn_DuzAde
