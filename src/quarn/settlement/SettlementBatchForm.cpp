#include "quarn/settlement/SettlementBatchForm.hpp"

#include "host/data/Recordset.hpp"
#include "host/erp/documents/THDocumentObject.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/ProgressRunner.hpp"
#include "host/ui/TableRowSource.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"

namespace Quarn_DuzAde {

using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;

namespace {

constexpr const char* kList = "grdList";
constexpr const char* kMoneyFormat = "#,##0.00";

// Numbered texts of the command buttons, the menu and the passes.
constexpr long kTipCreate = 1544;
constexpr long kTipEdit = 1545;
constexpr long kTipDelete = 1546;
constexpr long kMenuCreate = 1547;
constexpr long kMenuEdit = 1548;
constexpr long kMenuDelete = 1549;
constexpr long kDocumentsCreated = 1555;
constexpr long kCreatingDocuments = 1556;
constexpr long kDeletingDocuments = 1557;

std::string Text(long id)
{
    return ModuleFormRes().GetString(id);
}

} // namespace

SettlementBatchForm::SettlementBatchForm(std::string name, std::string caption, Layout layout)
    : Form(std::move(name), std::move(caption)), layout_(std::move(layout))
{
    rows_ = NewRows();
}

SettlementBatchForm::~SettlementBatchForm() = default;

void SettlementBatchForm::AddListControls()
{
    Add(ControlKind::Button, "btApplay", "Pritaikyti");
    Add(ControlKind::Button, "btCreateDocList", Text(kMenuCreate)).SetToolTip(Text(kTipCreate));
    Add(ControlKind::Button, "btEditDoc", Text(kMenuEdit)).SetToolTip(Text(kTipEdit));
    Add(ControlKind::Button, "btDeleteDoc", Text(kMenuDelete)).SetToolTip(Text(kTipDelete));
    Add(ControlKind::Button, "btUsePrint", "Print").SetToolTip("Print the list");
    auto& list = AddLocalList(kList);
    list.AddMenuItem("CreateDoc", Text(kMenuCreate));
    list.AddMenuItem("EditDoc", Text(kMenuEdit));
    list.AddMenuItem("DeleteDoc", Text(kMenuDelete));
    list.SetRowSource(rows_);

    On("Form", "Load", [this](EventArgs&) { Form_Load(); });
    On("btApplay", "Click", [this](EventArgs&) { btApplay_Click(); });
    On("btCreateDocList", "Click", [this](EventArgs&) { btCreateDocList_Click(); });
    On("btEditDoc", "Click", [this](EventArgs&) { btEditDoc_Click(); });
    On("btDeleteDoc", "Click", [this](EventArgs&) { btDeleteDoc_Click(); });
    On("btUsePrint", "Click", [this](EventArgs&) { btUsePrint_Click(); });
    // The rows come from the form's own list; the host list itself brings none.
    On(kList, "OnRefresh", [](EventArgs& args) { args.filter = "oTable.IDC = 0"; });
    On(kList, "OnAddFields", [this](EventArgs&) { grdList_OnAddFields(); });
    On(kList, "OnAddColumn", [this](EventArgs& args) { grdList_OnAddColumn(args); });
    On(kList, "AfterRefresh", [this](EventArgs&) { grdList_AfterRefresh(); });
    On(kList, "OnRunMDICommand", [this](EventArgs& args) { grdList_OnRunMDICommand(args.key); });
}

void SettlementBatchForm::InitBase(Talvex::Ui::BaseDialog& a_BaseDialog, Talvex::FieldList& Param,
                                   const char* docType)
{
    baseDialog_ = &a_BaseDialog;
    book_ = GetBook(&Param, false);
    accountCurrency_ = book_->AccountCurrency();

    auto types = book_->CreateList("THDocType");
    types->Fields().SelectFields({"Name"});
    types->SetFilter(Talvex::SqlTools::CondByField(types->Fields().Item("Code"), Talvex::SqlOperator::kEqual,
                                                   Value(std::string(docType))));
    types->Refresh();
    auto rs = types->Recordset();
    docTypeName_ = rs->RecordCount() > 0 ? rs->Fields().Item("Name").Value().ToText() : std::string(docType);
}

bool SettlementBatchForm::RunInDialog(SettlementBatchForm& form, Talvex::FieldList& inParams,
                                      Talvex::FieldList& outParams)
{
    auto book = GetBook(&inParams, false);
    // The form is the caller's, so that the dialog lets go of it before it goes.
    Talvex::Ui::BaseDialog dialog;
    if (!form.Init(dialog, inParams)) return false;
    dialog.Init(form, std::make_shared<Talvex::Erp::THDocumentObject>(book), Value());
    dialog.RunForm(false, false, nullptr);
    // Closed with btUsePrint: the host prints the list.
    std::shared_ptr<Talvex::Object> printed;
    if (form.PrintRequested()) printed = form.PrintList();
    dialog.UnloadForm();
    if (!printed) return false;
    outParams.Add("DataList", Talvex::FieldType::kObject, Value(printed));
    return true;
}

std::shared_ptr<Talvex::Ui::TableRowSource> SettlementBatchForm::NewRows() const
{
    std::vector<std::string> names;
    for (const auto& column : layout_.columns)
        names.emplace_back(column.name);
    return std::make_shared<Talvex::Ui::TableRowSource>(std::move(names));
}

void SettlementBatchForm::ShowNew(std::shared_ptr<Talvex::Ui::TableRowSource> rows)
{
    rows_ = std::move(rows);
    ListCtl(kList).SetRowSource(rows_);
    ShowRows("");
}

void SettlementBatchForm::SetDocument(std::size_t row, std::int64_t idc, const std::string& code)
{
    rows_->Set(row, layout_.document, Value(code));
    rows_->Set(row, layout_.documentId, Value(idc));
}

void SettlementBatchForm::Form_Load()
{
    try {
        // The list stays empty until the user applies the form's choices.
        ShowRows("");
    } catch (...) {
        ReportError();
    }
}

void SettlementBatchForm::btApplay_Click()
{
    try {
        if (!book_) throw Talvex::ValueError(Name() + ": Init was not called");
        ReadList();
    } catch (...) {
        ReportError();
    }
}

void SettlementBatchForm::ShowRows(const std::string& currentClient)
{
    auto& list = ListCtl(kList);
    list.Refresh();
    if (currentClient.empty()) return;
    for (long gridRow = 0; gridRow < static_cast<long>(list.RowCount()); ++gridRow)
        if (list.Cell(static_cast<std::size_t>(gridRow), layout_.client).ToText() == currentClient) {
            list.SetCurrentRow(gridRow);
            break;
        }
}

std::string SettlementBatchForm::CurrentClient() const
{
    const auto& list = ListCtl(kList);
    if (list.CurrentRow() < 0 || static_cast<std::size_t>(list.CurrentRow()) >= list.RowCount()) return "";
    return list.Cell(static_cast<std::size_t>(list.CurrentRow()), layout_.client).ToText();
}

void SettlementBatchForm::grdList_OnAddFields()
{
    auto& list = ListCtl(kList);
    for (const auto& column : layout_.columns)
        list.DeclareField(column.name, Text(column.caption), column.kind == ColumnKind::Money ? kMoneyFormat : "",
                          column.kind != ColumnKind::Id);
}

void SettlementBatchForm::grdList_OnAddColumn(EventArgs& args)
{
    // Every column is read-only; money reads from the right.
    if (!args.gridColumn) return;
    for (const auto& column : layout_.columns)
        if (column.kind == ColumnKind::Money && args.gridColumn->name == column.name)
            args.gridColumn->alignment = Talvex::Ui::Alignment::Right;
}

void SettlementBatchForm::grdList_AfterRefresh()
{
    const bool hasRows = ListCtl(kList).RowCount() > 0;
    for (const char* button : {"btCreateDocList", "btEditDoc", "btDeleteDoc", "btUsePrint"})
        Ctl(button).SetEnabled(hasRows);
}

void SettlementBatchForm::grdList_OnRunMDICommand(const std::string& key)
{
    if (key == "CreateDoc")
        btCreateDocList_Click();
    else if (key == "EditDoc")
        btEditDoc_Click();
    else if (key == "DeleteDoc")
        btDeleteDoc_Click();
}

void SettlementBatchForm::btCreateDocList_Click()
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

void SettlementBatchForm::btDeleteDoc_Click()
{
    try {
        selectedGridRows_ = ListCtl(kList).SelectedRows();
        if (selectedGridRows_.empty()) return;
        RunProcess(ProcessMode::Delete);
    } catch (...) {
        ReportError();
    }
}

void SettlementBatchForm::btUsePrint_Click()
{
    if (rows_->RowCount() == 0) return;
    printRequested_ = true;
    Hide();
}

std::shared_ptr<Talvex::Data::Recordset> SettlementBatchForm::PrintList() const
{
    using Talvex::Data::DataTypeEnum;
    std::vector<const char*> printed;
    auto rs = std::make_shared<Talvex::Data::Recordset>();
    for (const auto& column : layout_.columns) {
        if (column.kind == ColumnKind::Id) continue;
        if (column.kind == ColumnKind::Money)
            rs->Fields().Append(column.name, DataTypeEnum::Currency);
        else
            rs->Fields().Append(column.name, DataTypeEnum::VarChar, column.width);
        printed.push_back(column.name);
    }
    rs->Open();
    for (std::size_t row = 0; row < rows_->RowCount(); ++row) {
        rs->AddNew();
        for (const char* column : printed)
            rs->Fields().Item(column).SetValue(rows_->Get(row, column));
        rs->Update();
    }
    if (rs->RecordCount() > 0) rs->MoveFirst();
    return rs;
}

void SettlementBatchForm::btEditDoc_Click()
{
    try {
        const long current = ListCtl(kList).CurrentRow();
        if (current < 0 || rows_->RowCount() == 0) return;
        const std::size_t row = RowOfGridRow(current);
        if (rows_->Get(row, layout_.documentId).ToInteger() == 0) WriteDocument(row);
        const std::int64_t idc = rows_->Get(row, layout_.documentId).ToInteger();
        if (idc == 0) return;

        // The window may have changed the number or deleted the document.
        if (const auto after = OpenDocument(idc))
            SetDocument(row, after->first, after->second);
        else
            SetDocument(row, 0, "");
        ShowRows(rows_->Get(row, layout_.client).ToText());
    } catch (...) {
        ReportError();
    }
}

void SettlementBatchForm::RunProcess(ProcessMode mode)
{
    const std::string current = CurrentClient();
    mode_ = mode;
    Talvex::Ui::ProgressRunner().Run(*this);
    ShowRows(current);
}

std::string SettlementBatchForm::Caption()
{
    return Text(mode_ == ProcessMode::Create ? kCreatingDocuments : kDeletingDocuments);
}

long SettlementBatchForm::CountStep()
{
    return static_cast<long>(mode_ == ProcessMode::Create ? rows_->RowCount() : selectedGridRows_.size());
}

bool SettlementBatchForm::Step(long index)
{
    return mode_ == ProcessMode::Create ? CreateStep(index) : DeleteStep(index);
}

bool SettlementBatchForm::CreateStep(long index)
{
    if (index < 1 || static_cast<std::size_t>(index) > rows_->RowCount()) return false;
    const auto row = static_cast<std::size_t>(index - 1);
    if (rows_->Get(row, layout_.documentId).ToInteger() != 0) return true;
    try {
        if (WriteDocument(row)) ++documentsWritten_;
    } catch (...) {
        // The client's unit of work is undone; the run goes on with the next client.
        ReportError();
    }
    return true;
}

bool SettlementBatchForm::DeleteStep(long index)
{
    if (index < 1 || static_cast<std::size_t>(index) > selectedGridRows_.size()) return false;
    try {
        const std::size_t row = RowOfGridRow(selectedGridRows_[static_cast<std::size_t>(index - 1)]);
        const std::int64_t idc = rows_->Get(row, layout_.documentId).ToInteger();
        if (idc == 0) return true;
        // A posted document, or one no longer there, leaves the row as it is.
        if (DeleteDocument(idc)) SetDocument(row, 0, "");
    } catch (...) {
        ReportError();
    }
    return true;
}

std::size_t SettlementBatchForm::RowOfClient(const std::string& client) const
{
    for (std::size_t row = 0; row < rows_->RowCount(); ++row)
        if (rows_->Get(row, layout_.client).ToText() == client) return row;
    throw Talvex::ValueError(Name() + ": the list has no client \"" + client + "\"");
}

std::size_t SettlementBatchForm::RowOfGridRow(long gridRow) const
{
    // The grid may have been sorted: its rows are found by their client.
    const auto& list = ListCtl(kList);
    if (gridRow < 0 || static_cast<std::size_t>(gridRow) >= list.RowCount())
        throw Talvex::ValueError(Name() + ": the list has no row " + std::to_string(gridRow + 1));
    return RowOfClient(list.Cell(static_cast<std::size_t>(gridRow), layout_.client).ToText());
}

} // namespace Quarn_DuzAde
