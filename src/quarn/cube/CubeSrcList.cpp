#include "quarn/cube/CubeSrcList.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/Field.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/CWaitInfo.hpp"
#include "host/ui/DocumentOpener.hpp"
#include "host/ui/LocalList.hpp"
#include "host/objects/RecordsetRows.hpp"
#include "host/ui/TableRowSource.hpp"
#include "host/ui/UiError.hpp"
#include "quarn/cube/ISrcDocList.hpp"
#include "quarn/frame/ReportError.hpp"

#include <set>

namespace Quarn_DuzAde {

using Talvex::Value;

namespace {

constexpr const char* kList = "SpecGrid";
constexpr long kPrintCommand = 12;

std::string FormatOfType(Talvex::FieldType typeCode)
{
    if (typeCode == Talvex::FieldType::kAmount || typeCode == Talvex::FieldType::kQuantity) return "#,##0.00";
    if (typeCode == Talvex::FieldType::kDate) return "yyyy-mm-dd";
    return "";
}

// Runs an event handler as the host's forms do: an error is reported and the list stays.
template <class F> void Handled(F&& body)
{
    try {
        body();
    } catch (const Talvex::Ui::NoAnswerError&) {
        throw;
    } catch (...) {
        ReportError();
    }
}

} // namespace

CubeSrcList::CubeSrcList() : Talvex::Ui::Form(kFormName)
{
    AddLocalList(kList);
    Add(Talvex::Ui::ControlKind::Label, "lbFltrInfo");
    Add(Talvex::Ui::ControlKind::Button, "btOk", "OK").SetDefault(true);
    Add(Talvex::Ui::ControlKind::Button, "btUsePrint", "Print");
    Add(Talvex::Ui::ControlKind::Button, "btInvoice", "Document");
    Add(Talvex::Ui::ControlKind::Frame, "Resizer");
    ListCtl(kList).AddMenuItem(std::to_string(kPrintCommand), "Print");

    On("mBaseDlg", "BeforeLoadHandling",
       [this](Talvex::Ui::EventArgs&) { Handled([&] { mBaseDlg_BeforeLoadHandling(); }); });
    On("mBaseDlg", "AfterShow", [this](Talvex::Ui::EventArgs&) { Handled([&] { ListCtl(kList).Refresh(); }); });
    On(kList, "OnAddFields", [this](Talvex::Ui::EventArgs&) { Handled([&] { mLocalList_OnAddFields(); }); });
    On(kList, "OnAddColumn", [this](Talvex::Ui::EventArgs& args) { Handled([&] { mLocalList_OnAddColumn(args); }); });
    On(kList, "OnRefresh", [this](Talvex::Ui::EventArgs& args) { Handled([&] { mLocalList_OnRefresh(args); }); });
    On(kList, "AfterRefresh", [this](Talvex::Ui::EventArgs&) { Handled([&] { mLocalList_AfterRefresh(); }); });
    On(kList, "OnRunMDICommand",
       [this](Talvex::Ui::EventArgs& args) { Handled([&] { mLocalList_OnRunMDICommand(args); }); });
    On(kList, "DblClick", [this](Talvex::Ui::EventArgs&) { Handled([&] { OpenCurrentDocument(); }); });
    On("btInvoice", "Click", [this](Talvex::Ui::EventArgs&) { Handled([&] { OpenCurrentDocument(); }); });
    On("btUsePrint", "Click", [this](Talvex::Ui::EventArgs&) { Handled([&] { btUsePrint_Click(); }); });
    On("btOk", "Click", [this](Talvex::Ui::EventArgs&) { Hide(); });
    On("Form", "Unload", [this](Talvex::Ui::EventArgs&) { Form_Unload(); });
}

CubeSrcList::~CubeSrcList() = default;

bool CubeSrcList::Init(Talvex::Ui::BaseDialog& dialog, const Value& param)
{
    try {
        dialog_ = &dialog;
        const auto params = std::dynamic_pointer_cast<Talvex::FieldList>(param.ToObject());
        if (!params || !params->ExistsField("Parent")) return false;
        parentHolder_ = params->Item("Parent").GetValue().ToObject();
        provider_ = dynamic_cast<ISrcDocList*>(parentHolder_.get());
        if (provider_ == nullptr) return false;
        if (auto list = std::dynamic_pointer_cast<Talvex::DataList>(dialog.AtomObj())) book_ = list->BookPtr();
        docIdField_ =
            params->ExistsField("FieldNameDocID") ? params->Item("FieldNameDocID").GetValue().ToText() : "IDC";
        docTypeField_ = params->ExistsField("FieldNameDocTypeCode")
                            ? params->Item("FieldNameDocTypeCode").GetValue().ToText()
                            : "DocTypeCode";
        listIsFill_ = provider_->ListIsFill();
        sqlInitialised_ = false;
        return true;
    } catch (...) {
        ReportError();
        return false;
    }
}

void CubeSrcList::mBaseDlg_BeforeLoadHandling()
{
    Talvex::Ui::CWaitInfo wait;
    wait.Show("");
    SetCaption(provider_ != nullptr ? provider_->Caption() : std::string());
}

void CubeSrcList::mLocalList_OnAddFields()
{
    auto& list = ListCtl(kList);
    for (const auto& field : provider_->ShowFields())
        list.DeclareField(field->Name(), field->Caption(), FormatOfType(field->TypeCode()));
}

void CubeSrcList::mLocalList_OnAddColumn(Talvex::Ui::EventArgs& args)
{
    auto& column = *args.gridColumn;
    if (Talvex::EqualsIgnoreCase(column.name, docIdField_) || Talvex::EqualsIgnoreCase(column.name, "IDC") ||
        column.caption.empty())
        column.visible = false;
}

void CubeSrcList::mLocalList_OnRefresh(Talvex::Ui::EventArgs& args)
{
    auto& list = ListCtl(kList);
    std::vector<std::string> columns;
    for (const auto& field : provider_->ShowFields())
        columns.push_back(field->Name());
    if (listIsFill_) {
        // The database gives nothing; the rows come from the provider's recordset below.
        args.filter = "1=0";
        auto rst = provider_->SourceRst();
        if (!rst) throw Talvex::ValueError("CubeSrcList: the provider has no recordset");
        rst->SetFilter(provider_->Filter());
        if (AfterSetListFilter) AfterSetListFilter(*rst);
        list.SetRowSource(std::make_shared<Talvex::Ui::TableRowSource>(columns));
    } else {
        if (!sqlInitialised_) {
            auto source = provider_->SourceList();
            if (!source) throw Talvex::ValueError("CubeSrcList: the provider has no source list");
            list_ = source->GetBook().CreateList("");
            list_->SetSource(source, "oTable");
            std::vector<std::string> names;
            for (const auto& field : provider_->ShowFields()) {
                list_->Fields().AddField(field->Name(), field->TypeCode(), "oTable." + field->Name());
                names.push_back(field->Name());
            }
            list_->Fields().SelectFields(names);
            sqlInitialised_ = true;
        }
        const std::string filter = provider_->Filter();
        list_->SetFilter(filter);
        args.filter = filter;
        list_->Refresh();
        list.SetRowSource(Talvex::Ui::RecordsetRowSource(*list_->Recordset(), columns));
    }
    SetCaption(provider_->Caption());
    const std::string period = provider_->PeriodFltrInfo();
    Ctl("lbFltrInfo").SetCaption(period + (period.empty() ? "" : "; ") + provider_->FltrInfo());
}

void CubeSrcList::mLocalList_AfterRefresh()
{
    if (!listIsFill_) return;
    auto& list = ListCtl(kList);
    auto rst = provider_->SourceRst();
    if (!rst) return;
    const bool distinct = provider_->DistinctByIDC();
    std::set<std::string> taken;
    if (rst->RecordCount() > 0) {
        for (rst->MoveFirst(); !rst->Eof(); rst->MoveNext()) {
            if (distinct) {
                const Value idc = rst->Fields().Item("IDC").Value();
                if (!taken.insert(idc.IsNull() || idc.IsEmpty() ? std::string("\x01null") : idc.ToText()).second)
                    continue;
            }
            std::vector<Value> cells;
            for (const auto& column : list.Columns())
                cells.push_back(rst->Fields().Exists(column.name) ? rst->Fields().Item(column.name).Value() : Value());
            list.AddRow(std::move(cells));
        }
        rst->MoveFirst();
    }
    if (list.RowCount() > 0) list.SetCurrentRow(0);
}

void CubeSrcList::mLocalList_OnRunMDICommand(Talvex::Ui::EventArgs& args)
{
    if (args.key == std::to_string(kPrintCommand)) {
        btUsePrint_Click();
        args.cancel = true; // handled
    }
}

void CubeSrcList::btUsePrint_Click()
{
    const auto& list = ListCtl(kList);
    std::string text;
    std::string header;
    for (const auto& column : list.Columns())
        if (column.visible) header += (header.empty() ? "" : "\t") + column.caption;
    text = header + "\n";
    for (std::size_t row = 0; row < list.RowCount(); ++row) {
        std::string line;
        bool first = true;
        for (std::size_t col = 0; col < list.Columns().size(); ++col) {
            if (!list.Columns()[col].visible) continue;
            line += (first ? "" : "\t") + list.CellText(row, col);
            first = false;
        }
        text += line + "\n";
    }
    lastPrint_ = std::move(text);
}

void CubeSrcList::OpenCurrentDocument()
{
    const auto& list = ListCtl(kList);
    const long row = list.CurrentRow();
    if (row < 0) return;
    if (!list.FindColumn(docIdField_) || !list.FindColumn(docTypeField_)) return;
    const Value id = list.Cell(static_cast<std::size_t>(row), docIdField_);
    if (id.IsNull() || id.IsEmpty() || id.ToInteger() == 0) return;
    Talvex::Ui::CWaitInfo wait;
    wait.Show("");
    if (!opener_) opener_ = std::make_unique<Talvex::Ui::DocumentOpener>();
    opener_->Open(list.Cell(static_cast<std::size_t>(row), docTypeField_).ToText(), id.ToInteger());
}

void CubeSrcList::Form_Unload()
{
    provider_ = nullptr;
    parentHolder_.reset();
    book_.reset();
    list_.reset();
    opener_.reset();
    sqlInitialised_ = false;
}

} // namespace Quarn_DuzAde
