#include "quarn/cube/fCubeParamPayQ.hpp"

#include "host/objects/Book.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/types/Errors.hpp"
#include "quarn/cube/CubeParamInput.hpp"
#include "quarn/frame/Startup.hpp"

namespace Quarn_DuzAde {

using Talvex::FieldList;
using FieldType = Talvex::FieldType;
using Talvex::Value;
using Talvex::Ui::ControlKind;
namespace In = CubeParamInput;

namespace {
constexpr long kDueFromText = 15839;
constexpr long kDirectionText = 15831;
constexpr long kMoneyInText = 15832;
constexpr long kMoneyOutText = 15833;
constexpr long kBothText = 15845;
constexpr long kMarketGroupText = 15840;
constexpr long kPlansText = 15841;
constexpr long kBranchesText = 15842;
constexpr long kContractText = 15843;
constexpr long kWeeksText = 15844;

long DirectionOf(const Value& v)
{
    if (v.IsNull() || v.IsEmpty()) return 0;
    try {
        return static_cast<long>(v.ToInteger());
    } catch (const Talvex::ValueError&) {
        return -1;
    }
}
} // namespace

fCubeParamPayQ::fCubeParamPayQ() : CubeParamForm("fCubeParamPayQ")
{
    const auto& res = ModuleFormRes();
    Add(ControlKind::DateBox, "edDateBeg", res.GetString(kDueFromText));
    Add(ControlKind::ComboBox, "cbDirection", res.GetString(kDirectionText))
        .SetItems({{"0", res.GetString(kBothText)}, {"1", res.GetString(kMoneyOutText)},
                   {"2", res.GetString(kMoneyInText)}});
    Add(ControlKind::ComboBox, "cbMarketGroup", res.GetString(kMarketGroupText))
        .BindLookup({"REFClientMarketGr", "Code", "Name"});
    Add(ControlKind::CheckBox, "chIncludeCPAY", res.GetString(kPlansText));
    Add(ControlKind::CheckBox, "chCenterBranch", res.GetString(kBranchesText));
    Add(ControlKind::TextBox, "edContractType", res.GetString(kContractText));
    Add(ControlKind::CheckBox, "chIncludeDimWeek", res.GetString(kWeeksText));
    AddButtons();
}

void fCubeParamPayQ::LoadFromParams(const FieldList& params)
{
    if (params.ExistsField("DateBeg")) Ctl("edDateBeg").SetValue(params.Item("DateBeg").GetValue());
    const long direction = params.ExistsField("Direction") ? DirectionOf(params.Item("Direction").GetValue()) : 0;
    Ctl("cbDirection").SetValue(Value(std::to_string(direction < 0 ? 0 : direction)));
    Ctl("cbMarketGroup").SetValue(Value(In::Text(params, "MarketGroup")));
    Ctl("chIncludeCPAY").SetValue(Value(In::Flag(params, "IncludeCPAY") ? 1 : 0));
    Ctl("chCenterBranch").SetValue(Value(In::Flag(params, "CenterBranch") ? 1 : 0));
    Ctl("edContractType").SetValue(Value(In::Text(params, "ContractType")));
    Ctl("chIncludeDimWeek").SetValue(Value(In::Flag(params, "IncludeDimWeek") ? 1 : 0));
}

void fCubeParamPayQ::WriteToParams(FieldList& params) const
{
    const Value day = Ctl("edDateBeg").GetValue();
    if (day.IsNull() || day.IsEmpty()) throw Talvex::ValueError("edDateBeg: give the day the terms are due from");
    try {
        (void)day.ToDate();
    } catch (const Talvex::ValueError&) {
        throw Talvex::ValueError("edDateBeg: '" + day.ToText() + "' is not a date");
    }
    const Value directionValue = Ctl("cbDirection").GetValue();
    const long direction = DirectionOf(directionValue);
    if (direction < 0 || direction > 2)
        throw Talvex::ValueError("cbDirection: choose both directions (0), money out (1) or money in (2), not '" +
                                 directionValue.ToText() + "'");
    const std::string group = CtlText("cbMarketGroup");
    if (auto book = In::BookOf(params); book && !group.empty())
        In::CheckCodesExist(*book, "REFClientMarketGr", {group}, "cbMarketGroup", "market group");

    params.Add("DateBeg", FieldType::kDate, Value(day.ToDate()));
    params.Add("Direction", FieldType::kInteger, Value(std::int64_t{direction}));
    params.Add("MarketGroup", FieldType::kCode, Value(group));
    params.Add("MarketGroupSelType", FieldType::kInteger, Value(std::int64_t{group.empty() ? 0 : 1}));
    params.Add("IncludeCPAY", FieldType::kFlag, Value(CtlFlag("chIncludeCPAY")));
    params.Add("CenterBranch", FieldType::kFlag, Value(CtlFlag("chCenterBranch")));
    params.Add("ContractType", FieldType::kCode, Value(CtlText("edContractType")));
    params.Add("IncludeDimWeek", FieldType::kFlag, Value(CtlFlag("chIncludeDimWeek")));
}

} // namespace Quarn_DuzAde
