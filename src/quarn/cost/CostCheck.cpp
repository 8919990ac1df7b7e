#include "quarn/cost/CostCheck.hpp"

#include "host/erp/documents/COrder.hpp"
#include "host/erp/documents/THDocumentObject.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/RecordsetRows.hpp"
#include "host/objects/TableObject.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/DocumentOpener.hpp"
#include "host/ui/FieldMap.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/ProgressRunner.hpp"
#include "host/ui/TableRowSource.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"

#include <algorithm>

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;
using Talvex::Ui::TableRowSource;

namespace {

constexpr const char* kMoneyFormat = "#,##0.00";
constexpr const char* kQuantityFormat = "#,##0.####";

constexpr long kPeriodReversed = 457;
constexpr long kWritingReturns = 1409;
constexpr long kReturnsWritten = 1410;
constexpr long kRecalculating = 1516;
constexpr long kWritingManufacturing = 1517;
constexpr long kFinishing = 1518;

const std::vector<std::string> kChDocColumns{"IDC",          "DocTypeCode", "DocumentDate", "Number",
                                             "CurrencyCode", "Summa",       "IsClosed",     "gsIDC"};
const std::vector<std::string> kMFDocColumns{"IDC",   "DocTypeCode", "DocumentDate", "Number",     "CurrencyCode",
                                             "Summa", "DocOldFSum",  "DocNewFSum",   "IsDocCheck", "gsIDC",
                                             "MOIDC", "GSMOIDC",     "RowNewSumm"};
const std::vector<std::string> kWRDocColumns{"IDC",          "DocTypeCode", "DocumentDate", "Number",
                                             "CurrencyCode", "Summa",       "DocNewFSum",   "IsDocCheck"};
const std::vector<std::string> kRetDocColumns{
    "IDC",      "DocTypeCode", "DocumentDate", "Number",   "Summa",      "IsClosed",      "gsIDC",        "PosNumb",
    "GoodCode", "Name",        "Amount",       "UnitCode", "IsDocCheck", "RowOldCostSum", "RowNewCostSum"};

// Captions of the columns the grids show; the working columns stay hidden.
struct ColumnLook {
    const char* name;
    const char* caption;
    const char* format;
};
constexpr ColumnLook kLooks[] = {
    {"gsIDC", "Row", ""},
    {"DocTypeCode", "Type", ""},
    {"DocumentDate", "Date", "yyyy-mm-dd"},
    {"Number", "Number", ""},
    {"CurrencyCode", "Currency", ""},
    {"Summa", "Sum", kMoneyFormat},
    {"IsClosed", "Closed", ""},
    {"DocOldFSum", "Stored cost", kMoneyFormat},
    {"DocNewFSum", "Recalculated cost", kMoneyFormat},
    {"IsDocCheck", "Written", ""},
    {"PosNumb", "Pos.", ""},
    {"GoodCode", "Goods", ""},
    {"Name", "Name", ""},
    {"Amount", "Quantity", kQuantityFormat},
    {"UnitCode", "Unit", ""},
    {"RowOldCostSum", "Stored row cost", kMoneyFormat},
    {"RowNewCostSum", "Row cost", kMoneyFormat},
};

std::string Text(long id)
{
    return ModuleFormRes().GetString(id);
}

Currency Money(const Value& v)
{
    return v.IsNull() || v.IsEmpty() ? Currency() : v.ToCurrency();
}

std::shared_ptr<TableRowSource> ReadRows(Talvex::DataList& list, const std::vector<std::string>& columns)
{
    long ownerHwnd = -1;
    RefreshWithWait(list, ownerHwnd);
    if (!list.IsFilled()) throw Talvex::ValueError("CostCheck: a list could not be read");
    auto rows = std::make_shared<TableRowSource>(columns);
    auto rs = list.Recordset();
    for (auto& row : Talvex::Ui::ReadRecordsetRows(*rs, columns).rows)
        rows->AddRow(std::move(row));
    return rows;
}

} // namespace

CostCheck::CostCheck() : Form("CostCheck", "Pakeistos savikainos apdorojimas")
{
    Add(ControlKind::DateBox, "edDateBeg", "From");
    Add(ControlKind::DateBox, "edDateEnd", "To");
    Add(ControlKind::Button, "btFillList", "Pritaikyti");
    Add(ControlKind::TabControl, "STab").SetTabs({"Changed documents", "Manufacturing", "Cost norms", "Returns"});
    int page = 0;
    for (const auto& [grid, button] : {std::pair{kChDoc, "btChDoc"}, std::pair{kMFDoc, "btMFDoc"},
                                       std::pair{kWRDoc, "btWRDoc"}, std::pair{kRetDoc, "btRetDoc"}}) {
        AddLocalList(grid).PlaceOnTab("STab", page);
        Add(ControlKind::Button, button, "Document").PlaceOnTab("STab", page);
        ++page;
        const char* g = grid;
        On(g, "OnRefresh", [this](EventArgs& args) { OnRefresh(args); });
        On(g, "OnAddFields", [this, g](EventArgs&) { OnAddFields(g); });
        On(g, "OnAddColumn", [this](EventArgs& args) { OnAddColumn(args); });
        On(button, "Click", [this, g](EventArgs&) { btDoc_Click(g); });
    }
    Add(ControlKind::Button, "btSaveMFDocSum", "&Savikainos perskaičiavimas");
    Add(ControlKind::Button, "btRecalcCostSum", "&Perskaičuoti");
    Add(ControlKind::Button, "btReCheckSourceDoc", "baigti apdorojimą")
        .SetToolTip("baigti pakeistos savikainos apdorojimą");
    Add(ControlKind::Button, "btCancel", "Close").SetCancel(true);

    chDoc_ = std::make_shared<TableRowSource>(kChDocColumns);
    mfDoc_ = std::make_shared<TableRowSource>(kMFDocColumns);
    wrDoc_ = std::make_shared<TableRowSource>(kWRDocColumns);
    retDoc_ = std::make_shared<TableRowSource>(kRetDocColumns);

    On("mBaseDlg", "BeforeLoadHandling", [this](EventArgs&) { mBaseDlg_BeforeLoadHandling(); });
    On("btFillList", "Click", [this](EventArgs&) { btFillList_Click(); });
    On("btSaveMFDocSum", "Click", [this](EventArgs&) { btSaveMFDocSum_Click(); });
    On("btRecalcCostSum", "Click", [this](EventArgs&) { btRecalcCostSum_Click(); });
    On("btReCheckSourceDoc", "Click", [this](EventArgs&) { btReCheckSourceDoc_Click(); });
    On("btCancel", "Click", [this](EventArgs&) { Hide(); });
    On("Form", "Unload", [this](EventArgs&) { Form_Unload(); });
}

CostCheck::~CostCheck() = default;

bool CostCheck::Init(Talvex::Ui::BaseDialog& a_BaseDialog, Talvex::FieldList& Param)
{
    try {
        baseDialog_ = &a_BaseDialog;
        book_ = GetBook(&Param, false);
        if (!book_) throw Talvex::ValueError("CostCheck: the parameter \"Book\" holds no Book");
        return true;
    } catch (...) {
        ReportError();
        return false;
    }
}

void CostCheck::mBaseDlg_BeforeLoadHandling()
{
    try {
        // The month of the Book's today, and nothing listed until the user applies a period.
        const Date today = book_->Today();
        Ctl("edDateBeg").SetValue(Value(today.FirstOfMonth()));
        Ctl("edDateEnd").SetValue(Value(today.LastOfMonth()));
        baseDialog_->Fields().Set("BegDate", Value(today.FirstOfMonth()));
        baseDialog_->Fields().Set("EndDate", Value(today.LastOfMonth()));
        ShowRows();
    } catch (...) {
        ReportError();
    }
}

void CostCheck::Form_Unload()
{
    goodSpec_.reset();
    document_.reset();
    order_.reset();
}

void CostCheck::OnRefresh(EventArgs& args)
{
    // The rows come from the form's own lists; the host list itself brings none.
    args.filter = "oTable.IDC = 0";
}

void CostCheck::OnAddFields(const char* grid)
{
    auto& list = ListCtl(grid);
    const TableRowSource& rows = grid == std::string(kChDoc)   ? *chDoc_
                                 : grid == std::string(kMFDoc) ? *mfDoc_
                                 : grid == std::string(kWRDoc) ? *wrDoc_
                                                               : *retDoc_;
    for (const auto& name : rows.ColumnNames()) {
        const auto look =
            std::find_if(std::begin(kLooks), std::end(kLooks), [&name](const ColumnLook& l) { return name == l.name; });
        if (look == std::end(kLooks))
            list.DeclareField(name, name, "", false);
        else
            list.DeclareField(name, look->caption, look->format);
    }
}

void CostCheck::OnAddColumn(EventArgs& args)
{
    if (args.gridColumn && args.gridColumn->format == kMoneyFormat)
        args.gridColumn->alignment = Talvex::Ui::Alignment::Right;
}

void CostCheck::ShowRows()
{
    ListCtl(kChDoc).SetRowSource(chDoc_);
    ListCtl(kMFDoc).SetRowSource(mfDoc_);
    ListCtl(kWRDoc).SetRowSource(wrDoc_);
    ListCtl(kRetDoc).SetRowSource(retDoc_);
    for (const char* grid : {kChDoc, kMFDoc, kWRDoc, kRetDoc})
        ListCtl(grid).Refresh();
    Ctl("btSaveMFDocSum").SetEnabled(mfDoc_->RowCount() > 0);
    Ctl("btRecalcCostSum").SetEnabled(retDoc_->RowCount() > 0);
    Ctl("btReCheckSourceDoc").SetEnabled(chDoc_->RowCount() > 0);
}

bool CostCheck::ReadPeriod(CostCheckPeriod& period)
{
    const Value beg = Ctl("edDateBeg").GetValue();
    const Value end = Ctl("edDateEnd").GetValue();
    Talvex::Ui::MessageBox box;
    Ctl("edDateBeg").SetRefusal("");
    Ctl("edDateEnd").SetRefusal("");
    // The refusal stays at the control at fault after the message is answered.
    auto refuse = [this, &box](const char* control, const std::string& text) {
        Ctl(control).SetRefusal(text);
        box.ShowSingle(text, "Gerai", "", Talvex::Ui::MessageKind::Refusal);
        return false;
    };
    if (!beg.IsDate()) return refuse("edDateBeg", "edDateBeg: enter the first day of the period.");
    if (!end.IsDate()) return refuse("edDateEnd", "edDateEnd: enter the last day of the period.");
    if (beg.ToDate() > end.ToDate()) return refuse("edDateEnd", Text(kPeriodReversed));
    baseDialog_->Fields().Set("BegDate", beg);
    baseDialog_->Fields().Set("EndDate", end);
    period = PeriodOf(*book_, beg.ToDate(), end.ToDate());
    return true;
}

void CostCheck::btFillList_Click()
{
    try {
        CostCheckPeriod period;
        if (!ReadPeriod(period)) return;
        FillLists(period);
        RunPass(Mode::RecalcManufacturing);
    } catch (...) {
        ReportError();
    }
}

void CostCheck::FillLists(const CostCheckPeriod& period)
{
    // Everything is read before anything is shown: a list that fails leaves the old ones.
    auto chDoc = ReadRows(*CreateChangedList(book_, period), kChDocColumns);
    auto wrDoc = ReadRows(*CreateNormList(book_, period), kWRDocColumns);
    auto retDoc = ReadRows(*CreateReturnList(book_, period), kRetDocColumns);
    auto mfList = CreateManufacturingList(book_, period);
    std::vector<std::string> mfColumns{"IDC",     "DocTypeCode",   "gsIDC",     "MOIDC",
                                       "GSMOIDC", "AmountAccount", "DocOldFSum"};
    auto mfSource = ReadRows(*mfList, kMFDocColumns);
    auto typed = Talvex::Ui::ReadRecordsetRows(*mfList->Recordset(), mfColumns).rows;
    std::vector<ManufacturingRow> manufacturing;
    manufacturing.reserve(typed.size());
    for (const auto& r : typed)
        manufacturing.push_back({r[0].ToInteger(), r[1].ToText() == "MNFC", r[2].ToInteger(), r[3].ToInteger(),
                                 r[4].ToInteger(), Money(r[5]), Money(r[6]), Currency(), Currency(), false});
    // The union comes in its parts' order: by document, then row.
    std::vector<std::size_t> order(manufacturing.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&manufacturing](std::size_t a, std::size_t b) {
        return std::pair(manufacturing[a].IDC, manufacturing[a].gsIDC) <
               std::pair(manufacturing[b].IDC, manufacturing[b].gsIDC);
    });
    auto sortedSource = std::make_shared<TableRowSource>(kMFDocColumns);
    std::vector<ManufacturingRow> sorted;
    for (const std::size_t i : order) {
        sorted.push_back(manufacturing[i]);
        std::vector<Value> cells;
        for (std::size_t c = 0; c < kMFDocColumns.size(); ++c)
            cells.push_back(mfSource->Cell(i, c));
        sortedSource->AddRow(std::move(cells));
    }
    chDoc_ = std::move(chDoc);
    wrDoc_ = std::move(wrDoc);
    retDoc_ = std::move(retDoc);
    mfDoc_ = std::move(sortedSource);
    manufacturing_ = std::move(sorted);
    ShowRows();
    if (chDoc_->RowCount() + mfDoc_->RowCount() + wrDoc_->RowCount() + retDoc_->RowCount() == 0)
        Talvex::Ui::MessageBox().ShowSingle("No document of the period needs its cost brought into line.", "Gerai");
}

// The manufacturing list's figures from the typed rows the passes work on.
void CostCheck::PutManufacturingRows()
{
    for (std::size_t i = 0; i < manufacturing_.size(); ++i) {
        const auto& row = manufacturing_[i];
        mfDoc_->Set(i, "RowNewSumm", Value(row.RowNewSumm));
        mfDoc_->Set(i, "DocNewFSum", Value(row.DocNewFSum));
    }
}

void CostCheck::RunPass(Mode mode)
{
    mode_ = mode;
    lastDocument_ = 0;
    passFailed_ = false;
    Talvex::Ui::ProgressRunner().Run(*this);
    ShowRows();
}

void CostCheck::btSaveMFDocSum_Click()
{
    try {
        if (manufacturing_.empty()) return;
        RunPass(Mode::WriteManufacturing);
    } catch (...) {
        ReportError();
    }
}

void CostCheck::btRecalcCostSum_Click()
{
    try {
        if (retDoc_->RowCount() == 0) return;
        RunPass(Mode::WriteReturns);
        if (!passFailed_) Talvex::Ui::MessageBox().ShowSingle(Text(kReturnsWritten), "Gerai");
    } catch (...) {
        ReportError();
    }
}

void CostCheck::btReCheckSourceDoc_Click()
{
    try {
        if (chDoc_->RowCount() == 0) return;
        RunPass(Mode::Finish);
        Talvex::Ui::MessageBox().ShowSingle(Text(kFinishing) + ": " + std::to_string(chDoc_->RowCount()), "Gerai");
        Hide();
    } catch (...) {
        ReportError();
    }
}

void CostCheck::btDoc_Click(const char* grid)
{
    try {
        auto& list = ListCtl(grid);
        const long current = list.CurrentRow();
        if (current < 0 || list.RowCount() == 0) return;
        const auto row = static_cast<std::size_t>(current);
        Talvex::Ui::DocumentOpener().Open(list.Cell(row, "DocTypeCode").ToText(), list.Cell(row, "IDC").ToInteger());
    } catch (const std::exception& e) {
        try {
            throw Talvex::ValueError(std::string("CostCheck :: btDoc_Click: ") + e.what());
        } catch (...) {
            ReportError();
        }
    } catch (...) {
        ReportError();
    }
}

std::string CostCheck::Caption()
{
    switch (mode_) {
    case Mode::RecalcManufacturing: return Text(kRecalculating);
    case Mode::WriteManufacturing: return Text(kWritingManufacturing);
    case Mode::Finish: return Text(kFinishing);
    case Mode::WriteReturns: return Text(kWritingReturns);
    }
    return {};
}

long CostCheck::CountStep()
{
    switch (mode_) {
    // The manufacturing passes end with one step of their own for the finished goods.
    case Mode::RecalcManufacturing:
    case Mode::WriteManufacturing: return manufacturing_.empty() ? 0 : static_cast<long>(manufacturing_.size()) + 1;
    case Mode::Finish: return static_cast<long>(chDoc_->RowCount());
    case Mode::WriteReturns: return static_cast<long>(retDoc_->RowCount());
    }
    return 0;
}

bool CostCheck::Step(long index)
{
    if (index < 1 || index > CountStep()) return false;
    switch (mode_) {
    case Mode::RecalcManufacturing: return RecalcStep(index);
    case Mode::WriteManufacturing: return WriteManufacturingStep(index);
    case Mode::Finish: return FinishStep(index);
    case Mode::WriteReturns: return WriteReturnStep(index);
    }
    return false;
}

Talvex::Erp::COrder& CostCheck::Order()
{
    if (!order_) order_ = std::make_unique<Talvex::Erp::COrder>(book_);
    return *order_;
}

bool CostCheck::RecalcStep(long index)
{
    if (index == CountStep()) {
        PutManufacturingRows();
        return true;
    }
    const auto& row = manufacturing_[static_cast<std::size_t>(index - 1)];
    // Finished goods get their figures with their order's.
    if (row.isFinishedGoods || row.IDC == lastDocument_) return true;
    lastDocument_ = row.IDC;
    try {
        if (!Order().Init(row.IDC)) return true;
        Currency total;
        std::vector<OrderRowFact> facts;
        for (const auto& f : Order().FactCost(total))
            facts.push_back({f.IDC, f.Summa});
        ApplyOrderFactCost(manufacturing_, row.IDC, facts, total);
    } catch (...) {
        passFailed_ = true;
        ReportError();
    }
    return true;
}

} // namespace Quarn_DuzAde
