#include "quarn/sales/frmGoodTurnAnalysis.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/ParamChecks.hpp"

namespace Quarn_DuzAde {

using Talvex::Value;
using Talvex::Ui::ControlKind;

namespace {

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
    OfferMonthToDate(*this, *book_, "edDateBeg", "edDateEnd");
}

bool frmGoodTurnAnalysis::Run(const Value& dateBeg, const Value& dateEnd, const Value& goodCode, const Value& consigned,
                              CRepGoodTurnAnalysis::Params& chosen)
{
    if (!dateBeg.IsEmpty() && !dateBeg.IsNull()) Ctl("edDateBeg").SetValue(dateBeg);
    if (!dateEnd.IsEmpty() && !dateEnd.IsNull()) Ctl("edDateEnd").SetValue(dateEnd);
    if (!goodCode.IsEmpty() && !goodCode.IsNull()) Ctl("selGood").SetValue(goodCode);
    if (FlagOf(consigned)) Ctl("chConsigned").SetValue(Value(1));
    if (!Execute()) return false;
    chosen.dateBeg = *ControlDate(Ctl("edDateBeg").GetValue());
    chosen.dateEnd = *ControlDate(Ctl("edDateEnd").GetValue());
    chosen.goodCode = ControlText(Ctl("selGood").GetValue());
    chosen.consigned = FlagOf(Ctl("chConsigned").GetValue());
    return true;
}

void frmGoodTurnAnalysis::btOKClick(bool& IsOk, std::string& ErrMessage, std::string& ErrControl)
{
    FieldRefusal refusal = PeriodRefusal(*this, "edDateBeg", "edDateEnd");
    const std::string good = ControlText(Ctl("selGood").GetValue());
    if (!refusal.Refused() && !good.empty() && !GoodExists(good))
        refusal = {"selGood", "There is no good or goods group with the code '" + good + "'"};
    AnswerOK(refusal, IsOk, ErrMessage, ErrControl);
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
