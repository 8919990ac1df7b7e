#include "quarn/sales/frmGoodTurnList.hpp"

#include "host/erp/documents/THDocumentObject.hpp"
#include "host/objects/Book.hpp"
#include "host/ui/DocumentOpener.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/Session.hpp"
#include "host/ui/TableRowSource.hpp"
#include "quarn/frame/ReportError.hpp"

namespace Quarn_DuzAde {

using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;

namespace {

constexpr const char* kList = "grdTurn";
constexpr const char* kDocList = "grdDocs";
constexpr const char* kMoney = "#,##0.00";
constexpr const char* kQuantity = "#,##0.####";

Value Quantity(const StockFigure& figure)
{
    return figure.quantity ? Value(figure.quantity->Normalized()) : Value();
}

template <typename T> Value Optional(const std::optional<T>& value)
{
    return value ? Value(*value) : Value();
}

// Turnover days are rounded to one decimal; a printed or exported list carries its decimal
// figures with two, so the days go out as 24.70.
Value DaysValue(const std::optional<Talvex::Decimal>& days)
{
    return days ? Value(days->WithScale(2)) : Value();
}

// The group column: the group's code and name on its goods and subtotal; the total says so.
std::string GroupText(const GoodTurnLine& line)
{
    if (line.kind == GoodTurnLineKind::kTotal) return "Total";
    const std::string group = line.groupCode.empty() ? "(no group)" : line.groupCode + ": " + line.groupName;
    return line.kind == GoodTurnLineKind::kGroup ? group + " total" : group;
}

const std::vector<std::string> kColumns = {
    "Kind",    "GoodGroup", "GoodCode", "GoodName",      "UnitCode",     "OpeningAmount", "OpeningValue", "InAmount",
    "InValue", "OutAmount", "OutValue", "ClosingAmount", "ClosingValue", "TurnoverDays",  "TurnoverRate"};

} // namespace

frmGoodTurnList::frmGoodTurnList(std::shared_ptr<Talvex::Book> book, CRepGoodTurnAnalysis::Params params,
                                 std::vector<GoodTurnLine> lines)
    : Form("frmGoodTurnList", "Prekių apyvartumas"), book_(std::move(book)), params_(std::move(params)),
      lines_(std::move(lines))
{
    Add(ControlKind::Label, "lblPeriod", params_.dateBeg.ToIso() + " - " + params_.dateEnd.ToIso());
    AddLocalList(kList).AddMenuItem("Documents", "Documents");
    Add(ControlKind::Button, "btClose", "Close").SetCancel(true);
    On(kList, "OnAddFields", [this](EventArgs&) { mLocalList_OnAddFields(); });
    On(kList, "DblClick", [this](EventArgs&) { grdTurn_DblClick(); });
    On(kList, "OnRunMDICommand", [this](EventArgs& args) {
        if (args.key == "Documents") grdTurn_DblClick();
    });
    On("btClose", "Click", [this](EventArgs&) { Hide(); });

    auto table = std::make_shared<Talvex::Ui::TableRowSource>(kColumns);
    for (const GoodTurnLine& line : lines_) {
        table->AddRow({Value(static_cast<std::int64_t>(line.kind)), Value(GroupText(line)), Value(line.goodCode),
                       Value(line.goodName), Value(line.unitCode), Quantity(line.opening), Value(line.opening.value),
                       Quantity(line.in), Value(line.in.value), Quantity(line.out), Value(line.out.value),
                       Quantity(line.closing), Value(line.closing.value), DaysValue(line.turnoverDays),
                       Optional(line.turnoverRate)});
    }
    auto& list = ListCtl(kList);
    list.SetRowSource(table);
    list.Refresh();
}

void frmGoodTurnList::Run()
{
    Show(true);
}

void frmGoodTurnList::mLocalList_OnAddFields()
{
    auto& list = ListCtl(kList);
    list.DeclareField("Kind", "", "", false);
    list.DeclareField("GoodGroup", "Group");
    list.DeclareField("GoodCode", "Good");
    list.DeclareField("GoodName", "Name");
    list.DeclareField("UnitCode", "Unit");
    list.DeclareField("OpeningAmount", "Opening quantity", kQuantity);
    list.DeclareField("OpeningValue", "Opening stock", kMoney);
    list.DeclareField("InAmount", "In quantity", kQuantity);
    list.DeclareField("InValue", "In", kMoney);
    list.DeclareField("OutAmount", "Out quantity", kQuantity);
    list.DeclareField("OutValue", "Out", kMoney);
    list.DeclareField("ClosingAmount", "Closing quantity", kQuantity);
    list.DeclareField("ClosingValue", "Closing stock", kMoney);
    list.DeclareField("TurnoverDays", "Turnover days", "#,##0.00");
    list.DeclareField("TurnoverRate", "Turnover rate", "0.00");
}

void frmGoodTurnList::grdTurn_DblClick()
{
    try {
        auto& list = ListCtl(kList);
        if (list.CurrentRow() < 0) return;
        const auto row = static_cast<std::size_t>(list.CurrentRow());
        if (row >= lines_.size() || lines_[row].kind != GoodTurnLineKind::kGood) return;
        ShowMovements(lines_[row].goodCode, lines_[row].goodName);
    } catch (...) {
        ReportError();
    }
}

void frmGoodTurnList::ShowMovements(const std::string& goodCode, const std::string& goodName)
{
    const auto movements = CRepGoodTurnAnalysis::FetchMovements(book_, params_, goodCode);
    auto table = std::make_shared<Talvex::Ui::TableRowSource>(
        std::vector<std::string>{"IDC", "Direction", "DocTypeCode", "Number", "DocumentDate", "Amount", "Value"});
    for (const auto& m : movements)
        table->AddRow({Value(m.docId), Value(std::string(m.incoming ? "In" : "Out")), Value(m.docTypeCode),
                       Value(m.number), Value(m.documentDate), Value(m.amount.Normalized()), Value(m.value)});

    Talvex::Ui::Form docs("frmGoodTurnDocs", "Documents: " + goodCode + " " + goodName);
    auto& list = docs.AddLocalList(kDocList);
    docs.Add(ControlKind::Button, "btClose", "Close").SetCancel(true);
    docs.On(kDocList, "OnAddFields", [&list](EventArgs&) {
        list.DeclareField("IDC", "", "", false);
        list.DeclareField("Direction", "Movement");
        list.DeclareField("DocTypeCode", "Type");
        list.DeclareField("Number", "Number");
        list.DeclareField("DocumentDate", "Date", "yyyy-mm-dd");
        list.DeclareField("Amount", "Quantity", kQuantity);
        list.DeclareField("Value", "Value", kMoney);
    });
    docs.On(kDocList, "DblClick", [this, &list](EventArgs&) {
        try {
            if (list.CurrentRow() < 0) return;
            const Value& id = list.Cell(static_cast<std::size_t>(list.CurrentRow()), "IDC");
            if (id.IsNull() || id.IsEmpty()) return;
            Talvex::Erp::THDocumentObject document(book_);
            document.Load(id.ToInteger());
            Talvex::Ui::DocumentOpener opener(*GetSession());
            document.OpenInWindow(opener);
        } catch (...) {
            ReportError();
        }
    });
    docs.On("btClose", "Click", [&docs](EventArgs&) { docs.Hide(); });
    if (Talvex::Ui::Session* session = GetSession()) docs.Attach(*session);
    list.SetRowSource(table);
    list.Refresh();
    docs.Show(true);
}

} // namespace Quarn_DuzAde
