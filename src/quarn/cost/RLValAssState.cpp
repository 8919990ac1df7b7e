#include "quarn/cost/RLValAssState.hpp"

#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/RateJoin.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/MessageBox.hpp"
#include "quarn/cost/frmRLValAssStateParams.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/Startup.hpp"

#include <set>

namespace Quarn_DuzAde {

using Talvex::DataList;
using FieldType = Talvex::FieldType;
using Talvex::SqlTools;
using Talvex::Value;
using namespace Talvex::Cube;

namespace {

constexpr long kTitleText = 15640;
constexpr long kItemText = 15641;
constexpr long kHolderText = 15642;
constexpr long kAmountText = 15643;
constexpr long kPriceText = 15644;
constexpr long kSumText = 15645;
constexpr long kNothingText = 15646;

std::string Res(long id)
{
    return ModuleFormRes().GetString(id);
}

std::shared_ptr<DataList> NoColumns(std::shared_ptr<DataList> list)
{
    list->Fields().SelectFields({});
    return list;
}

std::string Literal(const std::string& text)
{
    return SqlTools::Literal(FieldType::kCode, Value(text));
}

std::string LevelName(std::size_t level)
{
    return "ClntCode" + std::to_string(level);
}

} // namespace

RLValAssState::RLValAssState() : CubeReport(kTitleText) {}

void RLValAssState::Main(Talvex::FieldList& params)
{
    OpenWindow("RLValAssState", [&] {
        book_ = GetBook(&params, false);
        return book_ != nullptr;
    });
}

void RLValAssState::SetChoice(int deptType, std::string deptCode, Talvex::Date stateDate)
{
    hasChoice_ = true;
    deptType_ = deptType;
    deptCode_ = std::move(deptCode);
    stateDate_ = stateDate;
}

std::size_t RLValAssState::ReadHolderTree()
{
    auto clients = book_->CreateList("REFClient");
    clients->Fields().SelectFields({"Code", "Name", "Parent"});
    clients->Refresh();
    std::map<std::string, std::string> parents;
    names_.clear();
    auto rs = clients->Recordset();
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        const std::string code = rs->Fields().Item("Code").Value().ToText();
        names_[code] = rs->Fields().Item("Name").Value().IsNull() ? "" : rs->Fields().Item("Name").Value().ToText();
        const Value parent = rs->Fields().Item("Parent").Value();
        if (!parent.IsNull() && !parent.ToText().empty()) parents[code] = parent.ToText();
    }
    // The holders of issue documents, each with its way from the root of the tree down.
    auto holders = book_->CreateList("THPartyAttribute");
    holders->Fields().SelectFields({"PartyCode"});
    holders->SetFilter("oTable.DocTypeCode = N'ITNS' AND oTable.RolePartyCode = N'PIR' AND oTable.PartyType = 1");
    holders->Refresh();
    paths_.clear();
    levels_ = 1;
    auto hrs = holders->Recordset();
    for (hrs->MoveFirst(); !hrs->Eof(); hrs->MoveNext()) {
        const std::string holder = hrs->Fields().Item("PartyCode").Value().ToText();
        if (paths_.count(holder)) continue;
        std::vector<std::string> path{holder};
        std::set<std::string> seen{holder};
        for (auto up = parents.find(holder); up != parents.end() && seen.insert(up->second).second;
             up = parents.find(up->second))
            path.insert(path.begin(), up->second);
        levels_ = std::max(levels_, path.size());
        paths_[holder] = std::move(path);
    }
    return levels_;
}

std::shared_ptr<DataList> RLValAssState::CreateList(bool forDrillDown) const
{
    Talvex::Book& book = *book_;
    auto list = book.CreateList("THGoodSpec");
    list->SetAlias("gs");
    list->Fields().SelectFields({});
    list->Join(NoColumns(book.CreateList("THDocument")), "D", "D.IDC = gs.DocID", 0, 0);
    list->Join(NoColumns(book.CreateList("THGoodSpecITNS")), "gsa", "gs.DocID = gsa.DocID AND gs.PosNumb = gsa.PosNumb",
               0, 0);
    list->Join(NoColumns(book.CreateList("REFLValAssets")), "va", "gsa.AssetsCode = va.Code", 1, 0);
    list->Join(NoColumns(book.CreateList("REFFixAssetsObjects")), "it", "gsa.FAObjectCode = it.Code", 1, 0);
    list->Join(NoColumns(book.CreateList("THPartyAttribute")), "par",
               "D.IDC = par.DocID AND par.PartyType = 1 AND par.RolePartyCode = N'PIR'", 0, 0);
    list->Join(NoColumns(book.CreateList("REFClient")), "Clnt", "par.PartyCode = Clnt.Code", 1, 0);
    if (!deptCode_.empty() && deptType_ == 1) {
        auto tree = NoColumns(book.CreateList("REFDepartmentT"));
        tree->Params().Item("Node").SetValue(Value(deptCode_));
        list->Join(tree, "DeptT", "D.Department = DeptT.Code", 0, 0);
    }
    Talvex::FieldList& f = list->Fields();
    f.AddField("RateDate", FieldType::kDate, "D.DocumentDate").SetSelected(false);
    f.AddField("CurrencyCode", FieldType::kCode, "D.CurrencyCode").SetSelected(false);
    Talvex::RateJoin rates;
    rates.Init(book_, "Cros", "Rate");
    rates.JoinRates(*list, "RateDate", "CurrencyCode");

    auto add = [&f](const std::string& name, FieldType typeCode, const std::string& expression, long caption = 0) {
        if (f.ExistsField(name)) f.Remove(name);
        Talvex::Field& field = f.AddField(name, typeCode, expression);
        if (caption) field.SetCaption(Res(caption));
    };
    add("Name", FieldType::kLongText, "ISNULL(va.Code + ':' + va.Name, '~' + it.Code + ':' + it.Name)", kItemText);
    // One column per level of the client tree, the holder's group at that depth; a holder
    // that stands higher in the tree than others fills the deeper levels with itself.
    for (std::size_t level = 1; level <= levels_; ++level) {
        std::string expression = "CASE par.PartyCode";
        for (const auto& [holder, path] : paths_)
            expression += " WHEN " + Literal(holder) + " THEN " + Literal(path[std::min(level, path.size()) - 1]);
        expression += " ELSE par.PartyCode END";
        add(LevelName(level), FieldType::kCode, expression, kHolderText);
    }
    add("Amount", FieldType::kQuantity, "gs.Amount", kAmountText);
    add("Summa", FieldType::kAmount, rates.ConvertExpr("CurrencyCode", "gs.Summa"), kSumText);
    if (forDrillDown) {
        add("Price", FieldType::kAmount, "Round(IsNull(gs.Summa / NullIf(gs.Amount,0),0),4)", kPriceText);
        add("IDC", FieldType::kId, "D.IDC");
        add("DocTypeCode", FieldType::kCode, "D.DocTypeCode");
        add("Number", FieldType::kCode, "D.Number");
        add("DocumentDate", FieldType::kDate, "D.DocumentDate");
        add("ClntCode", FieldType::kCode, "par.PartyCode");
        add("ClntName", FieldType::kText, "Clnt.Name");
    } else {
        f.Item("Amount").SetAggregate(Talvex::Aggregate::kSum);
        f.Item("Summa").SetAggregate(Talvex::Aggregate::kSum);
    }

    const std::string day = SqlTools::Literal(FieldType::kDate, Value(stateDate_));
    std::string filter = "D.DocTypeCode = N'ITNS' AND D.IsPosted = 1 AND D.DocumentDate <= " + day +
                         " AND (gsa.RetDate IS NULL OR gsa.RetDate > " + day + ")";
    if (!deptCode_.empty() && deptType_ != 1) filter += " AND D.Department = " + Literal(deptCode_);
    list->SetFilter(filter);
    return list;
}

void RLValAssState::DefineCube(Engine& engine) const
{
    ClearCube(engine);
    Dims& dims = engine.Dims();
    dims.Add("Name", Res(kItemText));
    for (std::size_t level = 1; level <= levels_; ++level)
        dims.Add(LevelName(level), Res(kHolderText) + " [" + std::to_string(level) + "]", 2);
    for (const char* name : {"Amount", "Summa"})
        engine.BaseFacts().Add(name);
    engine.Facts().Add("Amount", Res(kAmountText));
    // The value of one item in the cell: a price is not summed.
    engine.Facts().AddCalculated("Price", Res(kPriceText), "Summa / Amount");
    engine.Facts().Add("Summa", Res(kSumText));
    ShowAllFacts(engine);
    // The holders down the tree, each with the items held, everything open.
    for (std::size_t level = 1; level <= levels_; ++level)
        dims.Item(LevelName(level)).MoveTo(Axis::Rows, static_cast<int>(level - 1));
    dims.Item("Name").MoveTo(Axis::Rows, static_cast<int>(levels_));
    engine.SetDrillDownLevel(Axis::Rows, -1);
}

std::string RLValAssState::HolderText(const std::string& code) const
{
    auto found = names_.find(code);
    return found == names_.end() ? code : code + " [" + found->second + "]";
}

std::optional<std::string> RLValAssState::MemberText(const std::string& dimName, const Value& key) const
{
    if (dimName.rfind("ClntCode", 0) != 0 || key.IsNull()) return std::nullopt;
    return HolderText(key.ToText());
}

void RLValAssState::Open(Talvex::CCube& cube)
{
    int deptType = deptType_;
    std::string deptCode = deptCode_;
    Talvex::Date stateDate = hasChoice_ ? stateDate_ : book_->Today();
    if (!frmRLValAssStateParams::Run(book_, deptType, deptCode, stateDate)) return;
    SetChoice(deptType, deptCode, stateDate);
    ReadHolderTree();
    DefineCube(cube.cube());
    cube.SetCaption(Title() + " " + stateDate_.ToIso() + (deptCode_.empty() ? "" : " " + deptCode_));
    auto list = CreateList(false);
    list->Refresh();
    NewWrapper(cube).SetDirectDataList(list);
    if (list->Recordset()->RecordCount() == 0) Talvex::Ui::MessageBox().Show(Res(kNothingText));
}

void RLValAssState::OpenDrillDown(const GridCell* cell)
{
    ListDocuments(cell, [this] { return CreateList(true); }, {"ClntCode", "ClntName", "Name", "Amount", "Price", "Summa"});
}

} // namespace Quarn_DuzAde
