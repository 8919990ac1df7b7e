#include "quarn/settlement/frmSetOffDebt.hpp"

#include "host/data/Recordset.hpp"
#include "host/erp/documents/CPayedDoc.hpp"
#include "host/erp/documents/THDocumentObject.hpp"
#include "host/erp/documents/THPartyAttributeObject.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/RecordsetRows.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/DocumentOpener.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/ProgressRunner.hpp"
#include "host/ui/TableRowSource.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;

namespace {

constexpr const char* kSetOffType = "SUSM";
constexpr const char* kList = "grdList";
constexpr const char* kPayablesOption = "chIsKredit(0)";
constexpr const char* kReceivablesOption = "chIsKredit(1)";
constexpr const char* kMoneyFormat = "#,##0.00";

// Numbered texts of the form.
constexpr long kTipCreate = 1544;
constexpr long kTipEdit = 1545;
constexpr long kTipDelete = 1546;
constexpr long kMenuCreate = 1547;
constexpr long kMenuEdit = 1548;
constexpr long kMenuDelete = 1549;
constexpr long kCaptionClient = 1550;
constexpr long kCaptionName = 1551;
constexpr long kCaptionDebt = 1552;
constexpr long kCaptionDocument = 1553;
constexpr long kCaptionDocumentId = 1554;
constexpr long kDocumentsCreated = 1555;
constexpr long kCreatingDocuments = 1556;
constexpr long kDeletingDocuments = 1557;

std::string Text(long id)
{
    return ModuleFormRes().GetString(id);
}

} // namespace

frmSetOffDebt::frmSetOffDebt() : Form("frmSetOffDebt", "Debt set-off")
{
    Add(ControlKind::OptionButton, kPayablesOption, "Payables").SetGroup("chIsKredit");
    Add(ControlKind::OptionButton, kReceivablesOption, "Receivables").SetGroup("chIsKredit");
    Ctl(kReceivablesOption).SetValue(Value(true));
    Add(ControlKind::Label, "lblSum", "Debt not above");
    Add(ControlKind::NumberBox, "edSum").SetFormat(kMoneyFormat);
    Ctl("edSum").SetValue(Value(Currency()));
    Add(ControlKind::Button, "btApplay", "Pritaikyti");
    Add(ControlKind::Button, "btCreateDocList", Text(kMenuCreate)).SetToolTip(Text(kTipCreate));
    Add(ControlKind::Button, "btEditDoc", Text(kMenuEdit)).SetToolTip(Text(kTipEdit));
    Add(ControlKind::Button, "btDeleteDoc", Text(kMenuDelete)).SetToolTip(Text(kTipDelete));
    Add(ControlKind::Button, "btUsePrint", "Print").SetToolTip("Print the list");
    auto& list = AddLocalList(kList);
    list.AddMenuItem("CreateDoc", Text(kMenuCreate));
    list.AddMenuItem("EditDoc", Text(kMenuEdit));
    list.AddMenuItem("DeleteDoc", Text(kMenuDelete));

    rows_ = std::make_shared<Talvex::Ui::TableRowSource>(
        std::vector<std::string>{kClient, kName, kAccNeedPaySum, kPayDoc, kPayDocID});
    list.SetRowSource(rows_);

    On("Form", "Load", [this](EventArgs&) { Form_Load(); });
    On("btApplay", "Click", [this](EventArgs&) { btApplay_Click(); });
    On("btCreateDocList", "Click", [this](EventArgs&) { btCreateDocList_Click(); });
    On("btEditDoc", "Click", [this](EventArgs&) { btEditDoc_Click(); });
    On("btDeleteDoc", "Click", [this](EventArgs&) { btDeleteDoc_Click(); });
    On("btUsePrint", "Click", [this](EventArgs&) { btUsePrint_Click(); });
    On(kList, "OnRefresh", [this](EventArgs& args) { grdList_OnRefresh(args); });
    On(kList, "OnAddFields", [this](EventArgs&) { grdList_OnAddFields(); });
    On(kList, "OnAddColumn", [this](EventArgs& args) { grdList_OnAddColumn(args); });
    On(kList, "AfterRefresh", [this](EventArgs&) { grdList_AfterRefresh(); });
    On(kList, "OnRunMDICommand", [this](EventArgs& args) { grdList_OnRunMDICommand(args.key); });
}

frmSetOffDebt::~frmSetOffDebt() = default;

bool frmSetOffDebt::Init(Talvex::Ui::BaseDialog& a_BaseDialog, Talvex::FieldList& Param)
{
    try {
        baseDialog_ = &a_BaseDialog;
        book_ = GetBook(&Param, false);
        // The linker of the sibling payable-document library.
        payedDoc_ = std::make_unique<Talvex::Erp::CPayedDoc>();
        document_ = std::make_unique<Talvex::Erp::THDocumentObject>(book_);
        document_->New(kSetOffType);
        party_ = std::make_unique<Talvex::Erp::THPartyAttributeObject>(book_);
        accountCurrency_ = book_->AccountCurrency();

        auto types = book_->CreateList("THDocType");
        types->Fields().SelectFields({"Name"});
        types->SetFilter(Talvex::SqlTools::CondByField(types->Fields().Item("Code"), Talvex::SqlOperator::kEqual,
                                                       Value(kSetOffType)));
        types->Refresh();
        auto rs = types->Recordset();
        docTypeName_ = rs->RecordCount() > 0 ? rs->Fields().Item("Name").Value().ToText() : std::string(kSetOffType);
        return true;
    } catch (...) {
        ReportError();
        return false;
    }
}

void frmSetOffDebt::Form_Load()
{
    try {
        // The list stays empty until the user applies a side and a sum.
        ShowRows();
    } catch (...) {
        ReportError();
    }
}

bool frmSetOffDebt::IsPayables() const
{
    return Ctl(kPayablesOption).GetValue().ToBool();
}

Currency frmSetOffDebt::ThresholdSum() const
{
    const Value& value = Ctl("edSum").GetValue();
    if (value.IsEmpty() || value.IsNull())
        throw Talvex::ValueError("edSum: enter the largest summed debt a client may have to be listed");
    const Currency sum = value.ToCurrency();
    if (sum < Currency()) throw Talvex::ValueError("edSum: must not be negative, not " + sum.ToString());
    return sum;
}

void frmSetOffDebt::btApplay_Click()
{
    try {
        ReadList();
    } catch (...) {
        ReportError();
    }
}

void frmSetOffDebt::ReadList()
{
    if (!book_) throw Talvex::ValueError("frmSetOffDebt: Init was not called");
    // Checked before anything is read, so that a refused sum leaves the list as it was.
    const Currency maxSum = ThresholdSum();
    const bool payables = IsPayables();
    auto list = CreateDebtList(book_, payables, maxSum);
    long ownerHwnd = -1;
    RefreshWithWait(*list, ownerHwnd);
    // A list that could not be read has been reported; the rows shown stay.
    if (!list->IsFilled()) return;
    auto rs = list->Recordset();

    auto rows = std::make_shared<Talvex::Ui::TableRowSource>(
        std::vector<std::string>{kClient, kName, kAccNeedPaySum, kPayDoc, kPayDocID});
    for (const auto& listed : Talvex::Ui::ReadRecordsetRows(*rs, {kClient, kName, kAccNeedPaySum}).rows)
        rows->AddRow({Value(listed[0].ToText()), Value(listed[1].ToText()), Value(listed[2].ToCurrency()),
                      Value(std::string()), Value(std::int64_t{0})});
    // A client that already has an unposted set-off document of today on this side shows it,
    // so that a second run neither writes another nor loses sight of the first.
    if (rows->RowCount() > 0) {
        const auto existing = OpenSetOffDocuments(payables, "");
        for (std::size_t row = 0; row < rows->RowCount(); ++row) {
            auto it = existing.find(rows->Get(row, kClient).ToText());
            if (it == existing.end()) continue;
            rows->Set(row, kPayDoc, Value(it->second.second));
            rows->Set(row, kPayDocID, Value(it->second.first));
        }
    }
    rows_ = std::move(rows);
    rowsPayables_ = payables;
    ListCtl(kList).SetRowSource(rows_);
    ShowRows();
}

void frmSetOffDebt::ShowRows()
{
    ListCtl(kList).Refresh();
}

void frmSetOffDebt::grdList_OnRefresh(EventArgs& args)
{
    // The rows come from the form's own list; the host list itself brings none.
    args.filter = "oTable.IDC = 0";
}

void frmSetOffDebt::grdList_OnAddFields()
{
    auto& list = ListCtl(kList);
    list.DeclareField(kClient, Text(kCaptionClient));
    list.DeclareField(kName, Text(kCaptionName));
    list.DeclareField(kAccNeedPaySum, Text(kCaptionDebt), kMoneyFormat);
    list.DeclareField(kPayDoc, Text(kCaptionDocument));
    list.DeclareField(kPayDocID, Text(kCaptionDocumentId), "", false);
}

void frmSetOffDebt::grdList_OnAddColumn(EventArgs& args)
{
    // Every column is read-only; the money column reads from the right.
    if (args.gridColumn && args.gridColumn->name == kAccNeedPaySum)
        args.gridColumn->alignment = Talvex::Ui::Alignment::Right;
}

void frmSetOffDebt::grdList_AfterRefresh()
{
    const bool hasRows = ListCtl(kList).RowCount() > 0;
    for (const char* button : {"btCreateDocList", "btEditDoc", "btDeleteDoc", "btUsePrint"})
        Ctl(button).SetEnabled(hasRows);
}

void frmSetOffDebt::grdList_OnRunMDICommand(const std::string& key)
{
    if (key == "CreateDoc")
        btCreateDocList_Click();
    else if (key == "EditDoc")
        btEditDoc_Click();
    else if (key == "DeleteDoc")
        btDeleteDoc_Click();
}

void frmSetOffDebt::btCreateDocList_Click()
{
    try {
        if (rows_->RowCount() == 0) return;
        documentsWritten_ = 0;
        RunProcess(ProcessMode::Create);
        Talvex::Ui::MessageBox().ShowSingle(
            FormatMsg(Text(kDocumentsCreated), {Value(docTypeName_), Value(std::int64_t{documentsWritten_})}), "Gerai");
    } catch (...) {
        ReportError();
    }
}

void frmSetOffDebt::btDeleteDoc_Click()
{
    try {
        selectedGridRows_ = ListCtl(kList).SelectedRows();
        if (selectedGridRows_.empty()) return;
        RunProcess(ProcessMode::Delete);
    } catch (...) {
        ReportError();
    }
}

void frmSetOffDebt::btUsePrint_Click()
{
    if (rows_->RowCount() == 0) return;
    printRequested_ = true;
    Hide();
}

std::shared_ptr<Talvex::Data::Recordset> frmSetOffDebt::PrintList() const
{
    using Talvex::Data::DataTypeEnum;
    auto rs = std::make_shared<Talvex::Data::Recordset>();
    rs->Fields().Append(kClient, DataTypeEnum::VarChar, 20);
    rs->Fields().Append(kName, DataTypeEnum::VarChar, 200);
    rs->Fields().Append(kAccNeedPaySum, DataTypeEnum::Currency);
    rs->Fields().Append(kPayDoc, DataTypeEnum::VarChar, 40);
    rs->Open();
    for (std::size_t row = 0; row < rows_->RowCount(); ++row) {
        rs->AddNew();
        for (const char* column : {kClient, kName, kAccNeedPaySum, kPayDoc})
            rs->Fields().Item(column).SetValue(rows_->Get(row, column));
        rs->Update();
    }
    if (rs->RecordCount() > 0) rs->MoveFirst();
    return rs;
}

void frmSetOffDebt::btEditDoc_Click()
{
    try {
        auto& list = ListCtl(kList);
        const long current = list.CurrentRow();
        if (current < 0 || rows_->RowCount() == 0) return;
        const std::size_t row = RowOfGridRow(current);
        if (rows_->Get(row, kPayDocID).ToInteger() == 0) WriteDocument(row);
        const std::int64_t idc = rows_->Get(row, kPayDocID).ToInteger();
        if (idc == 0) return;

        document_->Load(idc);
        Talvex::Ui::DocumentOpener opener;
        document_->OpenInWindow(opener);
        // The window may have changed the number or deleted the document.
        try {
            document_->Load(idc);
            rows_->Set(row, kPayDoc, document_->Fields("Code"));
            rows_->Set(row, kPayDocID, Value(document_->IDC()));
        } catch (const Talvex::ValueError&) {
            rows_->Set(row, kPayDoc, Value(std::string()));
            rows_->Set(row, kPayDocID, Value(std::int64_t{0}));
        }
        const std::string client = rows_->Get(row, kClient).ToText();
        ShowRows();
        for (long gridRow = 0; gridRow < static_cast<long>(list.RowCount()); ++gridRow)
            if (list.Cell(static_cast<std::size_t>(gridRow), kClient).ToText() == client) list.SetCurrentRow(gridRow);
    } catch (...) {
        ReportError();
    }
}

void frmSetOffDebt::RunProcess(ProcessMode mode)
{
    auto& list = ListCtl(kList);
    std::string currentClient;
    if (list.CurrentRow() >= 0)
        currentClient = list.Cell(static_cast<std::size_t>(list.CurrentRow()), kClient).ToText();

    mode_ = mode;
    Talvex::Ui::ProgressRunner().Run(*this);

    ShowRows();
    for (long gridRow = 0; gridRow < static_cast<long>(list.RowCount()); ++gridRow)
        if (list.Cell(static_cast<std::size_t>(gridRow), kClient).ToText() == currentClient) {
            list.SetCurrentRow(gridRow);
            break;
        }
}

std::string frmSetOffDebt::Caption()
{
    return Text(mode_ == ProcessMode::Create ? kCreatingDocuments : kDeletingDocuments);
}

long frmSetOffDebt::CountStep()
{
    return static_cast<long>(mode_ == ProcessMode::Create ? rows_->RowCount() : selectedGridRows_.size());
}

bool frmSetOffDebt::Step(long index)
{
    return mode_ == ProcessMode::Create ? CreateStep(index) : DeleteStep(index);
}

bool frmSetOffDebt::CreateStep(long index)
{
    if (index < 1 || static_cast<std::size_t>(index) > rows_->RowCount()) return false;
    const auto row = static_cast<std::size_t>(index - 1);
    if (rows_->Get(row, kPayDocID).ToInteger() != 0) return true;
    try {
        WriteDocument(row);
    } catch (...) {
        // The client's unit of work is undone; the run goes on with the next client.
        ReportError();
    }
    return true;
}

bool frmSetOffDebt::DeleteStep(long index)
{
    if (index < 1 || static_cast<std::size_t>(index) > selectedGridRows_.size()) return false;
    try {
        const std::size_t row = RowOfGridRow(selectedGridRows_[static_cast<std::size_t>(index - 1)]);
        const std::int64_t idc = rows_->Get(row, kPayDocID).ToInteger();
        if (idc == 0) return true;
        document_->Load(idc);
        // A posted document stays, with its links.
        if (document_->IsPosted()) return true;
        document_->Delete();
        rows_->Set(row, kPayDoc, Value(std::string()));
        rows_->Set(row, kPayDocID, Value(std::int64_t{0}));
    } catch (...) {
        ReportError();
    }
    return true;
}

std::size_t frmSetOffDebt::RowOfClient(const std::string& client) const
{
    for (std::size_t row = 0; row < rows_->RowCount(); ++row)
        if (rows_->Get(row, kClient).ToText() == client) return row;
    throw Talvex::ValueError("frmSetOffDebt: the list has no client \"" + client + "\"");
}

std::size_t frmSetOffDebt::RowOfGridRow(long gridRow) const
{
    // The grid may have been sorted: its rows are found by their client.
    const auto& list = ListCtl(kList);
    if (gridRow < 0 || static_cast<std::size_t>(gridRow) >= list.RowCount())
        throw Talvex::ValueError("frmSetOffDebt: the list has no row " + std::to_string(gridRow + 1));
    return RowOfClient(list.Cell(static_cast<std::size_t>(gridRow), kClient).ToText());
}

} // namespace Quarn_DuzAde
