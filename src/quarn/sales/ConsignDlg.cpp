#include "quarn/sales/ConsignDlg.hpp"

#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/erp/documents/THPaymentDocument.hpp"
#include "host/erp/documents/THPaymentDocumentDlg.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/objects/UserSettings.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/Session.hpp"
#include "host/ui/TableRowSource.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/query/CSelectByDoc.hpp"
#include "quarn/sales/CConsign.hpp"
#include "quarn/sales/ParmRestByVendor.hpp"

#include <map>

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Date;
using Talvex::FieldType;
using Talvex::SqlTools;
using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;

namespace {

constexpr const char* kMoney = "#,##0.00";
constexpr std::size_t kFixCategoryLength = 10;

// The columns of the list: the vendor figures, then the payment made from the list.
const std::vector<std::string> kColumns{"VendCode", "VendName",   "DebtSum",  "Rest",      "RestForPay",
                                        "Sale",     "SaleForPay", "Payed",    "OverPayed", "NeedPay",
                                        "PayDocID", "PayDocInfo", "PayedDocs"};

std::string TextOf(const Value& v)
{
    return v.IsNull() || v.IsEmpty() ? std::string() : v.ToText();
}

std::vector<std::string> CodesOf(const std::string& text)
{
    std::vector<std::string> codes;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = text.find(',', start);
        std::string code = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const auto first = code.find_first_not_of(' ');
        codes.push_back(first == std::string::npos ? std::string()
                                                   : code.substr(first, code.find_last_not_of(' ') - first + 1));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return codes;
}

void Refuse(Talvex::Ui::Form& form, const std::string& refusal)
{
    const std::string control = refusal.substr(0, refusal.find(':'));
    if (form.Has(control)) form.Ctl(control).SetRefusal(refusal.substr(refusal.find(':') + 2));
    Talvex::Ui::MessageBox().ShowSingle(form.Name() + "." + refusal, "Gerai", "", Talvex::Ui::MessageKind::Refusal);
}

} // namespace

ConsignDlg::ConsignDlg() : Form("ConsignDlg", "Konsignacijos tiekėjai")
{
    Add(ControlKind::DateBox, "edRepDate", "Report date");
    Add(ControlKind::TextBox, "seFixCategory", "Fixation categories");
    Add(ControlKind::Button, "btRefresh", "Refresh");
    Add(ControlKind::Button, "btPayDoc", "Payment");
    Add(ControlKind::Button, "btUsePrint", "Print");
    Add(ControlKind::Button, "btOk", "OK").SetDefault(true);
    Add(ControlKind::Button, "btCancel", "Cancel").SetCancel(true);
    auto& list = AddLocalList(kList);
    list.AddMenuItem("PMT", "Make a payment");
    list.AddMenuItem("DELPMT", "Delete the payment");
    list.AddMenuItem("VENDEDIT", "Vendor card");

    On("mBaseDlg", "BeforeLoadHandling", [this](EventArgs&) { mBaseDlg_BeforeLoadHandling(); });
    On("btRefresh", "Click", [this](EventArgs&) { btRefresh_Click(); });
    On("btPayDoc", "Click", [this](EventArgs&) { RunCommand("PMT"); });
    On("btUsePrint", "Click", [this](EventArgs&) { btUsePrint_Click(); });
    On("btOk", "Click", [this](EventArgs&) { Hide(); });
    On("btCancel", "Click", [this](EventArgs&) { Hide(); });
    On(kList, "OnRunMDICommand", [this](EventArgs& args) { RunCommand(args.key); });
    On(kList, "DblClick", [this](EventArgs&) { RunCommand("PMT"); });
    On(kList, "OnAddFields", [this](EventArgs&) {
        auto& l = ListCtl(kList);
        l.DeclareField("VendCode", "Vendor");
        l.DeclareField("VendName", "Name");
        l.DeclareField("DebtSum", "Debt", kMoney);
        l.DeclareField("Rest", "Rest", kMoney);
        l.DeclareField("RestForPay", "Rest due", kMoney);
        l.DeclareField("Sale", "Sold", kMoney);
        l.DeclareField("SaleForPay", "Sold, due", kMoney);
        l.DeclareField("Payed", "Paid", kMoney);
        l.DeclareField("OverPayed", "Overpaid", kMoney);
        l.DeclareField("NeedPay", "To pay", kMoney);
        l.DeclareField("PayDocID", "", "", false);
        l.DeclareField("PayDocInfo", "Payment");
        l.DeclareField("PayedDocs", "Documents paid");
    });
}

ConsignDlg::~ConsignDlg() = default;

void ConsignDlg::Init(Talvex::Ui::BaseDialog& a_BaseDialog, Talvex::FieldList& param)
{
    mBaseDlg = &a_BaseDialog;
    book_ = std::dynamic_pointer_cast<Talvex::Book>(param.Item("Book").GetValue().ToObject());
    if (!book_) throw Talvex::ValueError("ConsignDlg: the parameter \"Book\" holds no Book");
    repDate_ = book_->Today();
    if (param.ExistsField("RepDate")) {
        const Value v = param.Item("RepDate").GetValue();
        if (v.IsDate()) repDate_ = v.ToDate();
    }
    if (param.ExistsField("MarketGroup")) {
        marketGroup_ = TextOf(param.Item("MarketGroup").GetValue());
    } else {
        marketGroup_ = TextOf(Talvex::UserSettings(*book_).Load(ParmRestByVendor::kSettingsKey, "MarketGroup"));
    }
}

void ConsignDlg::mBaseDlg_BeforeLoadHandling()
{
    Ctl("edRepDate").SetValue(Value(repDate_));
    Ctl("seFixCategory").SetValue(Value(fixCats_));
    BindResult();
}

std::string ConsignDlg::CheckInput(Date& repDate, std::string& fixCats) const
{
    const Value& date = Ctl("edRepDate").GetValue();
    if (!date.IsDate()) return "edRepDate: enter the report date.";
    repDate = date.ToDate();
    const std::string typed = TextOf(Ctl("seFixCategory").GetValue());
    fixCats.clear();
    if (typed.find_first_not_of(' ') == std::string::npos) return {};
    for (const std::string& code : CodesOf(typed)) {
        if (code.empty()) return "seFixCategory: an empty category between commas.";
        if (code.size() > kFixCategoryLength)
            return "seFixCategory: the category '" + code + "' is longer than " + std::to_string(kFixCategoryLength) +
                   " characters.";
        fixCats += (fixCats.empty() ? "" : ",") + code;
    }
    return {};
}

void ConsignDlg::btRefresh_Click()
{
    try {
        Date repDate;
        std::string fixCats;
        if (const std::string refusal = CheckInput(repDate, fixCats); !refusal.empty()) {
            Refuse(*this, refusal);
            return;
        }
        Ctl("edRepDate").SetRefusal("");
        Ctl("seFixCategory").SetRefusal("");
        repDate_ = repDate;
        fixCats_ = fixCats;
        CConsign consign;
        consign.Init(book_);
        rows_.clear();
        for (VendorDebt& debt : consign.DebtByVendorRows(repDate_, marketGroup_, {}, fixCats_)) {
            ConsignDlgRow row;
            row.debt = std::move(debt);
            if (auto it = payments_.find(row.debt.vendCode); it != payments_.end()) {
                row.payDocId = it->second;
                ReadPayment(row);
            }
            rows_.push_back(std::move(row));
        }
        BindResult();
        if (rows_.empty())
            Talvex::Ui::MessageBox().ShowSingle("No vendor has goods taken on consignment by " + repDate_.ToIso() + ".",
                                                "Gerai");
    } catch (...) {
        ReportError();
    }
}

void ConsignDlg::BindResult()
{
    auto table = std::make_shared<Talvex::Ui::TableRowSource>(kColumns);
    for (const auto& row : rows_) {
        const VendorDebt& d = row.debt;
        table->AddRow({Value(d.vendCode), Value(d.vendName), Value(d.debtSum), Value(d.rest), Value(d.restForPay),
                       Value(d.sale), Value(d.saleForPay), Value(d.payed), Value(d.overPayed), Value(d.needPay),
                       row.payDocId ? Value(row.payDocId) : Value(Talvex::Null{}), Value(row.payDocInfo),
                       Value(row.payedDocs)});
    }
    auto& list = ListCtl(kList);
    const long current = list.CurrentRow();
    list.SetRowSource(table);
    list.Refresh();
    if (current >= 0 && static_cast<std::size_t>(current) < rows_.size()) list.SetCurrentRow(current);
}

long ConsignDlg::CurrentRow() const
{
    const long row = ListCtl(kList).CurrentRow();
    return row >= 0 && static_cast<std::size_t>(row) < rows_.size() ? row : -1;
}

void ConsignDlg::RunCommand(const std::string& key)
{
    try {
        const long row = CurrentRow();
        if (row < 0) return;
        const auto at = static_cast<std::size_t>(row);
        if (key == "PMT")
            MakePayment(at);
        else if (key == "DELPMT")
            DeletePayment(at);
        else if (key == "VENDEDIT")
            OpenVendor(at);
    } catch (...) {
        ReportError();
    }
}

std::vector<Talvex::Erp::PayableDocument> ConsignDlg::PayedDocList(const std::shared_ptr<Talvex::Book>& book,
                                                                   const std::string& vendCode)
{
    CSelectByDoc byDoc;
    byDoc.Init(book);
    auto list = byDoc.NeedPayedDocList({"PGA", "PISF"}, {}, {}, {}, vendCode, "", true);
    list->Refresh();
    auto rs = list->Recordset();
    auto& f = rs->Fields();
    const std::size_t idc = f.Item("IDC").Index(), type = f.Item("DocTypeCode").Index(),
                      number = f.Item("Number").Index(), date = f.Item("DocumentDate").Index(),
                      rest = f.Item("RestPaySum").Index();
    // One line per document: its terms' open parts together.
    std::map<std::int64_t, Talvex::Erp::PayableDocument> byDocument;
    // Oldest first, as a buyer pays them.
    std::map<std::pair<std::int32_t, std::int64_t>, std::int64_t> order;
    for (const std::size_t r : rs->ViewRows()) {
        const std::int64_t id = rs->StoredValue(r, idc).ToInteger();
        auto [it, added] = byDocument.try_emplace(id);
        if (added) {
            const Value& d = rs->StoredValue(r, date);
            order[{d.IsDate() ? d.ToDate().Serial() : 0, id}] = id;
            it->second.idc = id;
            it->second.text = TextOf(rs->StoredValue(r, type)) + " #" + TextOf(rs->StoredValue(r, number)) +
                              (d.IsDate() ? " " + d.ToDate().ToIso() : std::string());
        }
        const Value& open = rs->StoredValue(r, rest);
        if (!open.IsNull() && !open.IsEmpty()) it->second.restPaySum += open.ToCurrency();
    }
    std::vector<Talvex::Erp::PayableDocument> payable;
    for (const auto& [key, id] : order)
        if (byDocument[id].restPaySum > Currency()) payable.push_back(byDocument[id]);
    return payable;
}

void ConsignDlg::MakePayment(std::size_t at)
{
    ConsignDlgRow& row = rows_[at];
    Talvex::Erp::THPaymentDocumentDlg editor(book_);
    if (editorHook_) editorHook_(editor);
    const auto payable = PayedDocList(book_, row.debt.vendCode);
    std::int64_t saved = 0;
    try {
        saved = row.payDocId ? editor.EditExisting(row.payDocId, payable)
                             : editor.EditNew(row.debt.vendCode, row.debt.needPay, payable);
    } catch (const std::exception& e) {
        editor.Unload();
        throw Talvex::ValueError("Payment to vendor \"" + row.debt.vendCode + "\" not written: " + e.what());
    }
    editor.Unload();
    if (saved == 0) return;
    row.payDocId = saved;
    payments_[row.debt.vendCode] = saved;
    ReadPayment(row);
    BindResult();
}

void ConsignDlg::ReadPayment(ConsignDlgRow& row) const
{
    Talvex::Book& book = *book_;
    auto header = book.CreateList("THDocument");
    header->Fields().SelectFields({"DocTypeCode", "Number", "Summa", "CurrencyCode"});
    header->SetFilter(
        SqlTools::CondByName("oTable.IDC", FieldType::kId, Talvex::SqlOperator::kEqual, Value(row.payDocId)));
    header->Refresh();
    auto rs = header->Recordset();
    if (rs->RecordCount() == 0) {
        // Deleted elsewhere since: the row has no payment any more.
        row.payDocId = 0;
        row.payDocInfo.clear();
        row.payedDocs.clear();
        return;
    }
    rs->MoveFirst();
    auto& f = rs->Fields();
    row.payDocInfo = TextOf(f.Item("DocTypeCode").Value()) + " #" + TextOf(f.Item("Number").Value()) + "    " +
                     f.Item("Summa").Value().ToCurrency().ToFixed(2) + " " + TextOf(f.Item("CurrencyCode").Value());
    auto lines = book.CreateList("THPaySpec");
    lines->Fields().SelectFields({"CorDocument", "Summa"});
    lines->SetFilter(
        SqlTools::CondByName("oTable.DocID", FieldType::kId, Talvex::SqlOperator::kEqual, Value(row.payDocId)));
    lines->OrderBy("oTable.IDC");
    lines->Refresh();
    std::vector<std::pair<std::string, Currency>> paid;
    auto ls = lines->Recordset();
    const std::size_t cor = ls->Fields().Item("CorDocument").Index(), sum = ls->Fields().Item("Summa").Index();
    for (const std::size_t r : ls->ViewRows())
        paid.emplace_back(TextOf(ls->StoredValue(r, cor)), ls->StoredValue(r, sum).ToCurrency());
    row.payedDocs = PayedDocsText(paid);
}

void ConsignDlg::DeletePayment(std::size_t at)
{
    ConsignDlgRow& row = rows_[at];
    if (row.payDocId == 0) return;
    try {
        Talvex::Data::Transaction unit(book_->Db());
        Talvex::Erp::THPaymentDocument doc(book_);
        doc.Load(row.payDocId);
        doc.Delete();
        unit.Commit();
    } catch (const std::exception& e) {
        throw Talvex::ValueError("Payment to vendor \"" + row.debt.vendCode + "\" not deleted: " + e.what());
    }
    payments_.erase(row.debt.vendCode);
    row.payDocId = 0;
    row.payDocInfo.clear();
    row.payedDocs.clear();
    BindResult();
}

void ConsignDlg::OpenVendor(std::size_t at)
{
    if (auto* session = GetSession()) session->OpenCard("REFClient", Value(rows_[at].debt.vendCode));
}

void ConsignDlg::btUsePrint_Click()
{
    try {
        if (rows_.empty()) {
            Talvex::Ui::MessageBox().ShowSingle("The list is empty: refresh it first.", "Gerai");
            return;
        }
        CConsign consign;
        consign.Init(book_);
        auto list = consign.DebtByVendor(repDate_, marketGroup_, {}, false);
        auto& f = list->Fields();
        for (const auto& row : rows_) {
            const VendorDebt& d = row.debt;
            list->AddNew();
            f.Item("VendCode").SetValue(Value(d.vendCode));
            f.Item("VendName").SetValue(Value(d.vendName));
            const Currency money[] = {d.debtSum,    d.rest,  d.restForPay, d.sale,
                                      d.saleForPay, d.payed, d.overPayed,  d.needPay};
            const char* names[] = {"DebtSum",    "Rest",  "RestForPay", "Sale",
                                   "SaleForPay", "Payed", "OverPayed",  "NeedPay"};
            for (std::size_t i = 0; i < std::size(names); ++i)
                f.Item(names[i]).SetValue(Value(money[i]));
            list->Update();
        }
        consign.PrintDebtByVendor(*list, repDate_);
    } catch (...) {
        ReportError();
    }
}

} // namespace Quarn_DuzAde
