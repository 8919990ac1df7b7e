#include "quarn/settlement/frmSetOffDebt.hpp"

#include "host/data/Recordset.hpp"
#include "host/erp/documents/CPayedDoc.hpp"
#include "host/erp/documents/THDocumentObject.hpp"
#include "host/erp/documents/THPartyAttributeObject.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/RecordsetRows.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/DocumentOpener.hpp"
#include "host/ui/TableRowSource.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Value;
using Talvex::Ui::ControlKind;

namespace {

constexpr const char* kSetOffType = "SUSM";
constexpr const char* kPayablesOption = "chIsKredit(0)";
constexpr const char* kReceivablesOption = "chIsKredit(1)";
constexpr const char* kMoneyFormat = "#,##0.00";

// Numbered captions of the list's columns.
constexpr long kCaptionClient = 1550;
constexpr long kCaptionName = 1551;
constexpr long kCaptionDebt = 1552;
constexpr long kCaptionDocument = 1553;
constexpr long kCaptionDocumentId = 1554;

SettlementBatchForm::Layout SetOffLayout()
{
    using enum SettlementBatchForm::ColumnKind;
    return {{{frmSetOffDebt::kClient, kCaptionClient, Text, 20},
             {frmSetOffDebt::kName, kCaptionName, Text, 200},
             {frmSetOffDebt::kAccNeedPaySum, kCaptionDebt, Money},
             {frmSetOffDebt::kPayDoc, kCaptionDocument, Text, 40},
             {frmSetOffDebt::kPayDocID, kCaptionDocumentId, Id}},
            frmSetOffDebt::kClient,
            frmSetOffDebt::kPayDoc,
            frmSetOffDebt::kPayDocID};
}

} // namespace

frmSetOffDebt::frmSetOffDebt() : SettlementBatchForm("frmSetOffDebt", "Debt set-off", SetOffLayout())
{
    Add(ControlKind::OptionButton, kPayablesOption, "Payables").SetGroup("chIsKredit");
    Add(ControlKind::OptionButton, kReceivablesOption, "Receivables").SetGroup("chIsKredit");
    Ctl(kReceivablesOption).SetValue(Value(true));
    Add(ControlKind::Label, "lblSum", "Debt not above");
    Add(ControlKind::NumberBox, "edSum").SetFormat(kMoneyFormat);
    Ctl("edSum").SetValue(Value(Currency()));
    AddListControls();
}

frmSetOffDebt::~frmSetOffDebt() = default;

bool frmSetOffDebt::Init(Talvex::Ui::BaseDialog& a_BaseDialog, Talvex::FieldList& Param)
{
    try {
        InitBase(a_BaseDialog, Param, kSetOffType);
        // The linker of the sibling payable-document library.
        payedDoc_ = std::make_unique<Talvex::Erp::CPayedDoc>();
        document_ = std::make_unique<Talvex::Erp::THDocumentObject>(book_);
        document_->New(kSetOffType);
        party_ = std::make_unique<Talvex::Erp::THPartyAttributeObject>(book_);
        return true;
    } catch (...) {
        ReportError();
        return false;
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

void frmSetOffDebt::ReadList()
{
    // Checked before anything is read, so that a refused sum leaves the list as it was.
    const Currency maxSum = ThresholdSum();
    const bool payables = IsPayables();
    auto list = CreateDebtList(book_, payables, maxSum);
    long ownerHwnd = -1;
    RefreshWithWait(*list, ownerHwnd);
    // A list that could not be read has been reported; the rows shown stay.
    if (!list->IsFilled()) return;
    auto rs = list->Recordset();

    auto rows = NewRows();
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
    rowsPayables_ = payables;
    ShowNew(std::move(rows));
}

std::optional<std::pair<std::int64_t, std::string>> frmSetOffDebt::OpenDocument(std::int64_t idc)
{
    document_->Load(idc);
    Talvex::Ui::DocumentOpener opener;
    document_->OpenInWindow(opener);
    try {
        document_->Load(idc);
    } catch (const Talvex::ValueError&) {
        return std::nullopt;
    }
    const Value code = document_->Fields("Code");
    return std::pair{document_->IDC(), code.IsNull() ? std::string() : code.ToText()};
}

bool frmSetOffDebt::DeleteDocument(std::int64_t idc)
{
    document_->Load(idc);
    // A posted document stays, with its links.
    if (document_->IsPosted()) return false;
    document_->Delete();
    return true;
}

} // namespace Quarn_DuzAde
