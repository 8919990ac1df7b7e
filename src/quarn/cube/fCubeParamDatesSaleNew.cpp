#include "quarn/cube/fCubeParamDatesSaleNew.hpp"

#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/Startup.hpp"

#include <algorithm>

namespace Quarn_DuzAde {

using Talvex::FieldList;
using FieldType = Talvex::FieldType;
using Talvex::Value;
using Talvex::Ui::ControlKind;

namespace {

constexpr long kTrendsText = 15151;
constexpr long kColourText = 15152;

// The form's texts of the facts a trend may follow.
constexpr std::pair<const char*, long> kFactTexts[] = {
    {"GoodAmount", 15005}, {"Summa", 15023}, {"Cost", 15014}, {"Profit", 15015}, {"Percent", 15016}};

bool Flag(const FieldList& params, const char* name)
{
    if (!params.ExistsField(name)) return false;
    const Value& v = params.Item(name).GetValue();
    if (v.IsNull() || v.IsEmpty()) return false;
    try {
        return v.ToInteger() == 1;
    } catch (const Talvex::ValueError&) {
        return false;
    }
}

} // namespace

fCubeParamDateSaleTrend::fCubeParamDateSaleTrend() : fCubeParamDatesSale("fCubeParamDateSaleTrend")
{
    const auto& res = ModuleFormRes();
    Add(ControlKind::CheckBox, "chTrends", res.GetString(kTrendsText));
    for (const auto& [fact, text] : kFactTexts)
        Add(ControlKind::CheckBox, FactControl(fact), res.GetString(text));
    Add(ControlKind::CheckBox, "chColourTrend", res.GetString(kColourText));
    Add(ControlKind::NumberBox, "edColourTrendValue", res.GetString(kColourText));
}

void fCubeParamDateSaleTrend::LoadFromParams(const FieldList& params)
{
    fCubeParamDatesSale::LoadFromParams(params);
    Ctl("chTrends").SetValue(Value(!params.ExistsField("Trends") || Flag(params, "Trends") ? 1 : 0));
    std::string chosen = params.ExistsField("TrendFacts") && !params.Item("TrendFacts").GetValue().IsNull()
                             ? params.Item("TrendFacts").GetValue().ToText()
                             : std::string("Summa");
    chosen = "," + chosen + ",";
    chosen.erase(std::remove(chosen.begin(), chosen.end(), ' '), chosen.end());
    for (const auto& [fact, text] : kFactTexts)
        Ctl(FactControl(fact)).SetValue(Value(chosen.find("," + std::string(fact) + ",") != std::string::npos ? 1 : 0));
    Ctl("chColourTrend").SetValue(Value(Flag(params, "ColourTrend") ? 1 : 0));
    Ctl("edColourTrendValue")
        .SetValue(params.ExistsField("ColourTrendValue") ? params.Item("ColourTrendValue").GetValue() : Value(10));
}

void fCubeParamDateSaleTrend::CheckInput() const
{
    fCubeParamDatesSale::CheckInput();
    if (Ctl("chTrends").GetValue().ToBool()) {
        const bool any = std::any_of(std::begin(kFactTexts), std::end(kFactTexts), [this](const auto& fact) {
            return Ctl(FactControl(fact.first)).GetValue().ToBool();
        });
        if (!any) throw Talvex::ValueError("chTrendSumma: choose at least one fact whose change the cube shows");
    }
    if (Ctl("chColourTrend").GetValue().ToBool()) {
        const Value& value = Ctl("edColourTrendValue").GetValue();
        double threshold = 0;
        try {
            threshold = value.IsNull() || value.IsEmpty() ? 0 : value.ToDouble();
        } catch (const Talvex::ValueError&) {
            throw Talvex::ValueError("edColourTrendValue: the threshold is a percentage, such as 10");
        }
        if (!(threshold > 0) || threshold > 1000000)
            throw Talvex::ValueError("edColourTrendValue: the threshold must be a percentage above 0");
    }
}

void fCubeParamDateSaleTrend::WriteToParams(FieldList& params) const
{
    fCubeParamDatesSale::WriteToParams(params);
    std::string facts;
    for (const auto& [fact, text] : kFactTexts)
        if (Ctl(FactControl(fact)).GetValue().ToBool()) facts += (facts.empty() ? "" : ",") + std::string(fact);
    params.Add("Trends", FieldType::kFlag, Value(Ctl("chTrends").GetValue().ToBool() ? 1 : 0));
    params.Add("TrendFacts", FieldType::kLongText, Value(facts));
    const bool colour = Ctl("chColourTrend").GetValue().ToBool();
    params.Add("ColourTrend", FieldType::kFlag, Value(colour ? 1 : 0));
    if (colour)
        params.Add("ColourTrendValue", FieldType::kQuantity, Value(Ctl("edColourTrendValue").GetValue().ToDouble()));
}

} // namespace Quarn_DuzAde
