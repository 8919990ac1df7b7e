#include "quarn/cube/RSaleNew.hpp"

#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "quarn/cube/fCubeParamDatesSaleNew.hpp"
#include "quarn/frame/Startup.hpp"

#include <algorithm>
#include <atomic>
#include <map>

namespace Quarn_DuzAde {

using Talvex::DataList;
using FieldType = Talvex::FieldType;
using Talvex::Value;
using namespace Talvex::Cube;

namespace {

// The restaurant's and hotel's bills belong to a session (the day's).
bool IsSessionType(const std::string& docType)
{
    return docType == "HR" || docType == "RD" || docType == "RDG";
}

constexpr long kMissingText = 15000;
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
constexpr long kWeekText = 15101;
constexpr long kMonthText = 15104;
constexpr long kYearText = 15105;
constexpr long kQuarterText = 15106;
constexpr long kBuyerText = 15123;
constexpr long kVatDirectionText = 15140;
constexpr long kSubCategoryText = 15141;
constexpr long kManagerText = 15142;
constexpr long kCardText = 15143;
constexpr long kSessionText = 15144;
constexpr long kWeekDayText = 15145;
constexpr long kFolderText = 15146;
constexpr long kChangeText = 15147;
constexpr long kSessionsFrameText = 15148;
constexpr long kTrendFrameText = 15149;
constexpr long kHotelFrameText = 15150;

// Colours of the trend's highlights, as the host's RGB(): 0x00BBGGRR.
constexpr std::uint32_t kBlue = 0xC00000u;
constexpr std::uint32_t kRed = 0x0000C0u;

std::string Res(long id)
{
    return ModuleFormRes().GetString(id);
}

std::string TextLiteral(const std::string& text)
{
    return Talvex::SqlTools::Literal(FieldType::kText, Value(text));
}

std::shared_ptr<DataList> NoColumns(std::shared_ptr<DataList> list)
{
    list->Fields().SelectFields({});
    return list;
}

struct FactCaption {
    const char* name;
    long caption;
};
constexpr FactCaption kBaseFacts[] = {{"GoodAmount", kQuantityText}, {"Summa", kSumText}, {"Cost", kCostText}};

// Dimensions shown through a look-up, with their reference tables.
struct MappedDim {
    const char* name;
    const char* table;
    long caption;
};
constexpr MappedDim kMappedDims[] = {
    {"GoodSubCategory", "REFGoodSubCategory", kSubCategoryText},
    {"Country", "REFTerritory", kCountryText},
    {"Region", "REFTerritory", kRegionText},
    {"Town", "REFTerritory", kTownText},
    {"Department", "REFDepartment", kDepartmentText},
    {"PriceType", "REFPriceType", kPriceTypeText},
    {"Seller", "REFClient", kSellerText},
};

} // namespace

const std::vector<std::string>& RSaleNew::TrendableFacts()
{
    static const std::vector<std::string> facts{"GoodAmount", "Summa", "Cost", "Profit", "Percent"};
    return facts;
}

long RSaleNew::FrameCaptionText() const
{
    if (IsTrend()) return kTrendFrameText;
    if (IsRestaurant()) return kHotelFrameText;
    return kSessionsFrameText;
}

std::vector<std::string> RSaleNew::TrendFacts() const
{
    std::vector<std::string> chosen;
    const std::string list = Params().ExistsField("TrendFacts") && !Params().Item("TrendFacts").GetValue().IsNull()
                                 ? Params().Item("TrendFacts").GetValue().ToText()
                                 : std::string();
    std::size_t start = 0;
    while (start <= list.size()) {
        const auto comma = list.find(',', start);
        std::string name = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        name.erase(0, name.find_first_not_of(' '));
        name.erase(name.find_last_not_of(' ') + 1);
        if (!name.empty()) {
            const auto& known = TrendableFacts();
            if (std::find(known.begin(), known.end(), name) == known.end())
                throw Talvex::ValueError("TrendFacts: \"" + name + "\" is no fact of the sales cube");
            if (std::find(chosen.begin(), chosen.end(), name) == chosen.end()) chosen.push_back(name);
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (chosen.empty()) return TrendableFacts();
    return chosen;
}

void RSaleNew::AddDefaults()
{
    RSale::AddDefaults();
    if (!IsTrend()) return;
    auto add = [this](const char* name, FieldType typeCode, Value value) {
        if (!Params().ExistsField(name)) Params().Add(name, typeCode, std::move(value));
    };
    add("Trends", FieldType::kFlag, Value(1));
    add("TrendFacts", FieldType::kLongText, Value(std::string("Summa")));
    add("ColourTrend", FieldType::kFlag, Value(0));
    add("ColourTrendValue", FieldType::kQuantity, Value(10));
}

bool RSaleNew::AskParams(Talvex::CCube& cube)
{
    if (IsTrend()) {
        fCubeParamDateSaleTrend form;
        return form.Browse(&cube.Parent(), Params(), Res(FrameCaptionText()));
    }
    fCubeParamDatesSaleNew form;
    return form.Browse(&cube.Parent(), Params(), Res(FrameCaptionText()));
}

RSaleNew::~RSaleNew()
{
    DropManagers();
}

void RSaleNew::BuildLookups()
{
    RSale::BuildLookups();
    RSaleLookup subCategories;
    subCategories.Load(BookObj(), "REFGoodSubCategory");
    Lookups()["GoodSubCategory"] = std::move(subCategories);
    folders_.Read(BookRef(), Res(kMissingText));

    // The buyers' responsible managers, one row per client, read once into a table of the
    // session: a look-up per sales line costs seconds at a year of sales.
    DropManagers();
    static std::atomic<long> tables{0};
    const std::string table = "#BuyerManagers" + std::to_string(++tables);
    BookObj().Db().Execute("SELECT cp.ClientCode, COALESCE(MIN(CASE WHEN cp.IsMain = 1 THEN rp.Code + ':' + "
                           "rp.LastName END), MIN(rp.Code + ':' + rp.LastName)) AS Manager INTO " +
                           table +
                           " FROM REFClientPerson cp JOIN REFPerson rp ON rp.Code = cp.PersonCode"
                           " WHERE cp.PersonRoleCode = 'MATS' GROUP BY cp.ClientCode");
    managersTable_ = table;
}

void RSaleNew::DropManagers() noexcept
{
    if (managersTable_.empty()) return;
    try {
        BookObj().Db().Execute("DROP TABLE IF EXISTS " + managersTable_);
    } catch (...) {
        // The table goes with the session in any case.
    }
    managersTable_.clear();
}

// The buyer's responsible manager, by the buyer of the document.
void RSaleNew::JoinDocumentSources(DataList& documents, const std::string& docType, Talvex::RateJoin& rates)
{
    RSale::JoinDocumentSources(documents, docType, rates);
    documents.Join(NoColumns(BookObj().CreateList(managersTable_)), "rbm", "rbm.ClientCode = Cl.Code", 1, 0);
}

// As the sales lines' source has them: a private buyer's discount card "DK" + the person's
// code.
void RSaleNew::AddDocumentFields(DataList& documents, const std::string& docType, const Talvex::RateJoin& rates) const
{
    RSale::AddDocumentFields(documents, docType, rates);
    const std::string missing = TextLiteral(Res(kMissingText));
    documents.Fields().AddField("RespBuyerManager", FieldType::kLongText, "ISNULL(rbm.Manager," + missing + ")");
    documents.Fields().AddField("DiscountCardNumber", FieldType::kCode,
                                "CASE WHEN p.PartyType = 2 THEN 'DK' + p.PartyCode ELSE " + missing + " END");
}

void RSaleNew::JoinTypeListSources(DataList& list, const std::string& docType)
{
    RSale::JoinTypeListSources(list, docType);
    // The sessions come from the sales lines' source; it is read for the restaurant's bills
    // only, the few lines that have one.
    if (IsSessionType(docType))
        list.Join(NoColumns(BookObj().CreateList("THSpecForOLAPSale")), "ofs", "oTable.SpecID = ofs.SpecID", 1, 0);
    // The folders by the good rather than by each line: the server then meets a thousand goods
    // with their folders before the lines, instead of comparing every line's code twice.
    if (!folders_.Table().empty())
        list.Join(NoColumns(BookObj().CreateList(folders_.Table())), "plf", "g.Code = plf.GoodCode", 1, 0);
}

void RSaleNew::AddTypeListFields(DataList& list, const std::string& docType, bool forDrillDown) const
{
    RSale::AddTypeListFields(list, docType, forDrillDown);
    const std::string missing = TextLiteral(Res(kMissingText));
    Talvex::FieldList& f = list.Fields();
    auto add = [&f](const std::string& name, FieldType typeCode, const std::string& expression, long caption) {
        f.AddField(name, typeCode, expression).SetCaption(Res(caption));
    };
    for (const auto& level : folders_.Levels())
        add(level, FieldType::kLongText, "ISNULL(plf." + level + "," + missing + ")", kFolderText);
    // As the sales lines' source has them: taxed ("21") unless the line carries no VAT.
    add("VATDirection", FieldType::kCode, "CASE WHEN ISNULL(oTable.SummVAT,0) = 0 THEN '00' ELSE '21' END",
        kVatDirectionText);
    add("GoodSubCategory", FieldType::kCode, "UPPER(ISNULL(g.SubCategoryCode," + missing + "))", kSubCategoryText);
    add("RespBuyerManager", FieldType::kLongText, "D.RespBuyerManager", kManagerText);
    add("DiscountCardNumber", FieldType::kCode, "D.DiscountCardNumber", kCardText);
    add("SessionNumb", FieldType::kCode, IsSessionType(docType) ? "ISNULL(ofs.SessionNumb," + missing + ")" : missing,
        kSessionText);
}

bool RSaleNew::IsMappedDim(const std::string& dimName) const
{
    for (const auto& dim : kMappedDims)
        if (dimName.find(dim.name) != std::string::npos) return true;
    return false;
}

void RSaleNew::DefineCube(Engine& engine) const
{
    engine.SetActive(false);
    engine.Facts().Clear();
    engine.BaseFacts().Clear();
    engine.Dims().Clear();
    engine.UserFunctions().Clear();

    Dims& dims = engine.Dims();
    for (std::size_t k = 0; k < folders_.Levels().size(); ++k)
        dims.Add(folders_.Levels()[k], Res(kFolderText) + " [" + std::to_string(k + 1) + "]");
    dims.Add("Good", Res(kGoodText));
    dims.Add("VATDirection", Res(kVatDirectionText));
    for (const auto& dim : kMappedDims)
        dims.Add(dim.name, Res(dim.caption), 2);
    dims.Add("Buyer", Res(kBuyerText));
    dims.Add("RespBuyerManager", Res(kManagerText));
    dims.Add("DiscountCardNumber", Res(kCardText));
    dims.Add("DocumentDate");
    dims.AddCalculated("Q", "DocumentDate", PeriodLevel::Q, Res(kQuarterText));
    dims.AddCalculated("Year", "DocumentDate", PeriodLevel::Year, Res(kYearText));
    dims.AddCalculated("Month", "DocumentDate", PeriodLevel::Month, Res(kMonthText));
    dims.AddCalculated("WeekDay", "DocumentDate", PeriodLevel::WeekDay, Res(kWeekDayText));
    dims.Add("SessionNumb", Res(kSessionText));
    dims.AddCalculated("Week", "DocumentDate", PeriodLevel::Week, Res(kWeekText));

    std::map<std::string, std::string> captions;
    for (const auto& fact : kBaseFacts) {
        engine.BaseFacts().Add(fact.name);
        engine.Facts().Add(fact.name, Res(fact.caption));
        captions[fact.name] = Res(fact.caption);
    }
    engine.Facts().AddCalculated("Profit", Res(kProfitText), std::string("Summa") + " - " + "Cost");
    engine.Facts().AddCalculated("Percent", Res(kPercentText),
                                 std::string("max( ") + "Profit" + ", 0 )" + "*100/" + "Summa");
    captions["Profit"] = Res(kProfitText);
    captions["Percent"] = Res(kPercentText);

    const bool trends = IsTrend() && FlagParam("Trends");
    if (trends) {
        // Each chosen fact's change in percent against the position before it; a total
        // compares nothing and shows 0.
        engine.UserFunctions().Add("Delta(Val1, Val2)=100*(Val2-Val1)/Val1");
        const bool colour = FlagParam("ColourTrend");
        double threshold = 0;
        if (colour) {
            threshold = Params().Item("ColourTrendValue").GetValue().ToDouble();
            for (auto [name, color] : {std::pair{"BlueHighlight", kBlue}, {"RedHighlight", kRed}})
                if (!engine.Styles().Exists(name)) engine.Styles().Add(name).TextColor = color;
        }
        for (const auto& name : TrendFacts()) {
            auto& fact = engine.Facts().AddCalculated("D" + name, captions[name] + " " + Res(kChangeText),
                                                      "if(IsTotal(),0,Delta(" + name + "[$pos-1]," + name + "))");
            if (!colour) continue;
            fact.OwnConditions = true;
            fact.Conditions().AddCompareCondition("BlueHighlight", threshold, Condition::Greater);
            fact.Conditions().AddCompareCondition("RedHighlight", -threshold, Condition::Less);
        }
    }
    for (std::size_t i = 0; i < engine.Facts().Count(); ++i)
        engine.Facts().Item(i).FactVisible = true;
    engine.PreGrouping = false;

    // The first layout: the outermost folder (or the goods) down the rows; years across, and
    // the months under them when the trends compare month with month.
    dims.Item(folders_.Levels().empty() ? "Good" : folders_.Levels().front()).MoveTo(Axis::Rows, 0);
    dims.Item("Year").MoveTo(Axis::Columns, 0);
    if (trends) dims.Item("Month").MoveTo(Axis::Columns, 1);
    engine.SetDrillDownLevel(Axis::Rows, 0);
}

} // namespace Quarn_DuzAde
