#include "quarn/cube/RSale.hpp"

#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/types/Errors.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "quarn/cube/OLAP.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"

namespace Quarn_DuzAde {

using Talvex::Date;
using Talvex::FieldList;
using FieldType = Talvex::FieldType;
using Talvex::Value;
using namespace Talvex::Cube;

namespace {

// Captions of the cube in the module's resources.
constexpr long kGoodText = 15001;
constexpr long kQuantityText = 15005;
constexpr long kCountryText = 15010;
constexpr long kRegionText = 15011;
constexpr long kDepartmentText = 15012;
constexpr long kPriceTypeText = 15013;
constexpr long kCostText = 15014;
constexpr long kProfitText = 15015;
constexpr long kPercentText = 15016;
constexpr long kSumText = 15023;
constexpr long kSellerText = 15028;
constexpr long kTownText = 15034;
constexpr long kGroupCaptionText = 15055;
constexpr long kGoodCaptionText = 15056;
constexpr long kFromText = 15057;
constexpr long kToText = 15058;
constexpr long kWeekText = 15101;
constexpr long kMonthText = 15104;
constexpr long kYearText = 15105;
constexpr long kQuarterText = 15106;
constexpr long kGroupText = 15120;
constexpr long kBuyerText = 15123;

// Dimensions shown through a look-up, with the reference table behind each.
struct MappedDim {
    const char* name;
    const char* table;
    long caption;
};
constexpr MappedDim kMappedDims[] = {
    {"Country", "REFTerritory", kCountryText},     {"Region", "REFTerritory", kRegionText},
    {"Town", "REFTerritory", kTownText},           {"Department", "REFDepartment", kDepartmentText},
    {"PriceType", "REFPriceType", kPriceTypeText}, {"Seller", "REFClient", kSellerText},
};

std::string Res(long id)
{
    return ModuleFormRes().GetString(id);
}

} // namespace

RSale::~RSale()
{
    if (wrapper_) wrapper_->Terminate();
    DropSalesRows();
}

bool RSale::Run(FieldList& inParams, FieldList& /*outParams*/)
{
    try {
        if (!Prepare(inParams)) return false;
        if (!Visual()) return false;
        Talvex::OpenCubeForm(shared_from_this(), FormName());
    } catch (...) {
        ReportError();
    }
    return false;
}

bool RSale::Prepare(FieldList& inParams)
{
    // The report keeps its own list of the same items, so that the host's list may go
    // while the cube window still works with the parameters.
    params_ = std::make_shared<FieldList>(inParams);
    book_.reset();
    if (params_->ExistsField("Book"))
        book_ = std::dynamic_pointer_cast<Talvex::Book>(params_->Item("Book").GetValue().ToObject());
    if (!book_) return false;
    AddDefaults();
    support_.Init(book_);
    BuildLookups();
    restaurant_ = params_->ExistsField("Restaurant");
    ReadFlags();
    return true;
}

void RSale::AddDefaults()
{
    auto add = [this](const char* name, FieldType typeCode, Value value) {
        if (!params_->ExistsField(name)) params_->Add(name, typeCode, std::move(value));
    };
    // "GoodCode", "DateBeg", "DateEnd", "IsGroup": the defaults every sales cube shares.
    OLAP::AddDefaultSaleParams(*params_);
    add("IsCheckPISD", FieldType::kFlag, Value(0));
    add("IsMngBKeeping", FieldType::kFlag, Value(0));
    add("UseFixPrice", FieldType::kFlag, Value(0));
    add("IsCommon", FieldType::kFlag, Value(0));
    add("IncludeDimWeek", FieldType::kFlag, Value(0));
}

void RSale::BuildLookups()
{
    lookups_.clear();
    std::map<std::string, RSaleLookup> byTable;
    for (const auto& dim : kMappedDims) {
        auto found = byTable.find(dim.table);
        if (found == byTable.end()) {
            RSaleLookup lookup;
            lookup.Load(*book_, dim.table);
            found = byTable.emplace(dim.table, std::move(lookup)).first;
        }
        lookups_[dim.name] = found->second;
    }
}

void RSale::ReadFlags()
{
    isMngBKeeping_ = FlagParam("IsMngBKeeping");
    isCheckPISD_ = FlagParam("IsCheckPISD");
    includeDimWeek_ = FlagParam("IncludeDimWeek");
}

Date RSale::DateParam(const char* name) const
{
    const Value& v = params_->Item(name).GetValue();
    if (!v.IsDate() && !v.IsText()) throw Talvex::ValueError(std::string(name) + ": the parameter is not a date");
    return v.ToDate();
}

std::string RSale::TextParam(const char* name) const
{
    if (!params_->ExistsField(name)) return {};
    const Value& v = params_->Item(name).GetValue();
    return v.IsNull() || v.IsEmpty() ? std::string() : v.ToText();
}

bool RSale::FlagParam(const char* name) const
{
    if (!params_->ExistsField(name)) return false;
    const Value& v = params_->Item(name).GetValue();
    if (v.IsNull() || v.IsEmpty()) return false;
    try {
        return v.ToInteger() == 1;
    } catch (const Talvex::ValueError&) {
        return false;
    }
}

std::string RSale::SignText(const std::string& docType)
{
    return docType == "PRSD" || docType == "GPG" ? "( -1 )" : "( 1 )";
}

void RSale::DefineCube(Engine& engine) const
{
    engine.SetActive(false);
    engine.Facts().Clear();
    engine.BaseFacts().Clear();
    engine.Dims().Clear();

    Dims& dims = engine.Dims();
    const bool byGroup = TextParam("GoodCode").empty();
    if (byGroup) dims.Add("GroupT", Res(kGroupText));
    dims.Add("Good", Res(kGoodText));
    for (const auto& dim : kMappedDims)
        dims.Add(dim.name, Res(dim.caption), 2);
    dims.Add("Buyer", Res(kBuyerText));
    dims.Add("DocumentDate");
    dims.AddCalculated("Q", "DocumentDate", PeriodLevel::Q, Res(kQuarterText));
    dims.AddCalculated("Year", "DocumentDate", PeriodLevel::Year, Res(kYearText));
    dims.AddCalculated("Month", "DocumentDate", PeriodLevel::Month, Res(kMonthText));
    if (includeDimWeek_) dims.AddCalculated("Week", "DocumentDate", PeriodLevel::Week, Res(kWeekText));

    for (auto [name, caption] : {std::pair{"GoodAmount", kQuantityText}, {"Summa", kSumText}, {"Cost", kCostText}}) {
        engine.BaseFacts().Add(name);
        engine.Facts().Add(name, Res(caption));
    }
    engine.Facts().AddCalculated("Profit", Res(kProfitText), std::string("Summa") + "-" + "Cost");
    engine.Facts().AddCalculated("Percent", Res(kPercentText),
                                 std::string("max( ") + "Profit" + ", 0 )" + "*100/" + "Summa");
    for (std::size_t i = 0; i < engine.Facts().Count(); ++i)
        engine.Facts().Item(i).FactVisible = true;
    engine.PreGrouping = false;

    // The first layout: goods (under their groups) down the rows, years across; the rows
    // open at their outer level.
    dims.Item(byGroup ? "GroupT" : "Good").MoveTo(Axis::Rows, 0);
    if (byGroup) dims.Item("Good").MoveTo(Axis::Rows, 1);
    dims.Item("Year").MoveTo(Axis::Columns, 0);
    engine.SetDrillDownLevel(Axis::Rows, 0);
}

std::string RSale::CubeCaption() const
{
    std::string caption = Res(TitleText());
    const std::string goodCode = TextParam("GoodCode");
    if (!goodCode.empty())
        caption += " " + Res(FlagParam("IsGroup") ? kGroupCaptionText : kGoodCaptionText) + " " + goodCode;
    caption += " " + Res(kFromText) + " " + DateParam("DateBeg").ToIso() + " " + Res(kToText) + " " +
               DateParam("DateEnd").ToIso();
    return caption;
}

bool RSale::IsMappedDim(const std::string& dimName) const
{
    for (const auto& dim : kMappedDims)
        if (dimName.find(dim.name) != std::string::npos) return true;
    return false;
}

std::string RSale::DimMappingText(const std::string& dimName, const Value& key) const
{
    const std::string text = key.IsNull() || key.IsEmpty() ? std::string() : key.ToText();
    for (const auto& [name, lookup] : lookups_) {
        if (dimName.find(name) != std::string::npos) return lookup.Text(text, ":");
    }
    return text;
}

} // namespace Quarn_DuzAde
