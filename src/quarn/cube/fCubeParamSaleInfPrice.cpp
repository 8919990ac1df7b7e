#include "quarn/cube/fCubeParamSaleInfPrice.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/PeriodLimit.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"

namespace Quarn_DuzAde {

using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;

namespace {
constexpr long kPeriodText = 15100;
constexpr long kFloorTypeText = 15194;
} // namespace

fCubeParamSaleInfPrice::fCubeParamSaleInfPrice() : Form("fCubeParamSaleInfPrice")
{
    Add(ControlKind::Label, "lblPeriod", ModuleFormRes().GetString(kPeriodText));
    Add(ControlKind::DateBox, "edBegDate");
    Add(ControlKind::DateBox, "edEndDate");
    Add(ControlKind::ComboBox, "cbPriceType", ModuleFormRes().GetString(kFloorTypeText))
        .BindLookup({"REFPriceType", "Code", "Name"});
    Add(ControlKind::Button, "btOk", "OK").SetDefault(true);
    Add(ControlKind::Button, "btCancel", "Cancel").SetCancel(true);
    On("btOk", "Click", [this](EventArgs&) { btOk_Click(); });
    On("btCancel", "Click", [this](EventArgs&) {
        confirmed_ = false;
        Hide();
    });
}

bool fCubeParamSaleInfPrice::Browse(Talvex::Ui::Form* /*owner*/, Talvex::FieldList& repParams, const std::string& title)
{
    params_ = &repParams;
    if (!title.empty()) SetCaption(title);
    if (repParams.ExistsField("DateBeg")) Ctl("edBegDate").SetValue(repParams.Item("DateBeg").GetValue());
    if (repParams.ExistsField("DateEnd")) Ctl("edEndDate").SetValue(repParams.Item("DateEnd").GetValue());
    if (repParams.ExistsField("PriceTypeCode")) Ctl("cbPriceType").SetValue(repParams.Item("PriceTypeCode").GetValue());
    confirmed_ = false;
    Show(true);
    params_ = nullptr;
    return confirmed_;
}

void fCubeParamSaleInfPrice::btOk_Click()
{
    try {
        const Value& beg = Ctl("edBegDate").GetValue();
        const Value& end = Ctl("edEndDate").GetValue();
        if (!beg.IsDate()) throw Talvex::ValueError("edBegDate: the period needs a start date");
        if (!end.IsDate()) throw Talvex::ValueError("edEndDate: the period needs an end date");
        if (end.ToDate() < beg.ToDate())
            throw Talvex::ValueError("edEndDate: the period ends (" + end.ToDate().ToIso() + ") before it starts (" +
                                     beg.ToDate().ToIso() + ")");
        if (const std::string tooLong = PeriodTooLong("edEndDate", beg.ToDate(), end.ToDate()); !tooLong.empty())
            throw Talvex::ValueError(tooLong);
        const Value& type = Ctl("cbPriceType").GetValue();
        const std::string code = type.IsNull() || type.IsEmpty() ? std::string() : type.ToText();
        if (code.empty()) throw Talvex::ValueError("cbPriceType: choose the price type of the lowest price");
        if (params_ && params_->ExistsField("Book")) {
            auto book = std::dynamic_pointer_cast<Talvex::Book>(params_->Item("Book").GetValue().ToObject());
            if (book) {
                auto types = book->CreateList("REFPriceType");
                types->Fields().SelectFields({"Code"});
                types->SetFilter(Talvex::SqlTools::CondByField(types->Fields().Item("Code"),
                                                               Talvex::SqlOperator::kEqual, Value(code)));
                types->Refresh();
                if (types->Recordset()->RecordCount() == 0)
                    throw Talvex::ValueError("cbPriceType: there is no price type with the code '" + code + "'");
            }
        }
        if (params_) {
            params_->Add("DateBeg", Talvex::FieldType::kDate, beg);
            params_->Add("DateEnd", Talvex::FieldType::kDate, end);
            params_->Add("PriceTypeCode", Talvex::FieldType::kCode, Value(code));
        }
        confirmed_ = true;
        Hide();
    } catch (...) {
        ReportError();
    }
}

} // namespace Quarn_DuzAde
