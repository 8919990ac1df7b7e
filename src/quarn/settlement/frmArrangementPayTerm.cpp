#include "quarn/settlement/frmArrangementPayTerm.hpp"

#include "host/data/ApplicationLock.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/erp/documents/THDocumentObject.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/objects/TableObject.hpp"
#include "host/types/Decimal.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/BaseDialog.hpp"
#include "host/ui/CellRule.hpp"
#include "host/ui/DocumentOpener.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/Session.hpp"
#include "host/ui/TableRowSource.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/sales/frmSalesBySupply.hpp"
#include "quarn/settlement/frmSelectPayTerm.hpp"

#include <algorithm>

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;

namespace {

const std::vector<std::string> kColumns{"IDC",       "Code",         "Name",        "DocID",
                                        "ClntCode",  "ClntName",     "DocDate",     "DocNumber",
                                        "DocSumma",  "CurrencyCode", "SummaSell",   "SummaSellOnPeriod",
                                        "DebtSumma", "PayTerm",      "NeedPayDate", "NeedPaySumma",
                                        "PaySumma",  "PayTermState", "TermId"};

Value Money(Currency amount)
{
    return Value(amount);
}

std::string Cents(Currency amount)
{
    return Talvex::Decimal::FromCurrency(amount).ToFixed(2);
}

Currency CurrencyOf(const Value& v)
{
    return v.IsNull() || v.IsEmpty() ? Currency() : v.ToCurrency();
}

} // namespace

frmArrangementPayTerm::frmArrangementPayTerm() : Form("frmArrangementPayTerm")
{
    SetCaption("Payment terms of pay-on-sale purchases");
    Add(ControlKind::ComboBox, "cbClient", "Supplier or supplier group").BindLookup({"REFClient", "Code", "Name"});
    Add(ControlKind::DateBox, "edDate", "Date");
    auto& period = Add(ControlKind::ComboBox, "edPeriod", "Period");
    period.SetItems({{"M", "Month"}, {"Q", "Quarter"}, {"Y", "Year"}});
    auto& list = AddLocalList(kList);
    list.AddMenuItem("mkAddTerm", "New payment term");
    list.AddMenuItem("mkShowDocPISF", "Open the invoice");
    list.AddMenuItem("ShowListPRSF", "Sales of its goods");
    list.AddMenuItem("ShowListPRSFOnPeriod", "Sales of its goods in the period");
    list.AddMenuItem("mkShowClient", "Open the supplier");
    Add(ControlKind::Button, "btRefresh", "Refresh");
    Add(ControlKind::Button, "btSave", "Save");
    Add(ControlKind::Button, "btInfo", "Invoice");
    Add(ControlKind::Button, "btClose", "Close").SetCancel(true);

    auto guarded = [this](auto handler) {
        return [this, handler](EventArgs& args) {
            try {
                handler(args);
            } catch (...) {
                ReportError();
            }
        };
    };
    On("mBaseDlg", "BeforeLoadHandling", guarded([this](EventArgs&) { mBaseDlg_BeforeLoadHandling(); }));
    On(kList, "OnAddFields", guarded([this](EventArgs&) { mLocalList_OnAddFields(); }));
    On(kList, "OnRunMDICommand", guarded([this](EventArgs& args) { mLocalList_OnRunMDICommand(args.key); }));
    On(kList, "CellChange", guarded([this](EventArgs& args) { PayTermList_CellChange(args); }));
    On("btRefresh", "Click", guarded([this](EventArgs&) { btRefresh_Click(); }));
    On("btSave", "Click", guarded([this](EventArgs&) { btSave_Click(); }));
    On("btInfo", "Click", guarded([this](EventArgs&) { btInfo_Click(); }));
    On("btClose", "Click", [this](EventArgs&) { Hide(); });
}

void frmArrangementPayTerm::Init(Talvex::Ui::BaseDialog& a_BaseDialog, Talvex::FieldList& param)
{
    mBaseDlg = &a_BaseDialog;
    book_ = GetBook(&param, false);
    sales_.Init(book_);
    if (param.ExistsField("FixCategory")) {
        const Value& categories = param.Item("FixCategory").GetValue();
        fixCategory_ = categories.IsNull() || categories.IsEmpty() ? std::string() : categories.ToText();
    }
}

void frmArrangementPayTerm::mBaseDlg_BeforeLoadHandling()
{
    Ctl("edDate").SetValue(Value(book_->Today()));
    Ctl("edPeriod").SetValue(Value("M"));
    auto& list = ListCtl(kList);
    list.DefineStyle("stInvoice", Talvex::Ui::RowStyle{true, "#000000", "#eaf1dd"});
    list.DefineStyle("stIsFullPay", Talvex::Ui::RowStyle{false, "#808080", ""});
    list.DefineStyle("stIsInsert", Talvex::Ui::RowStyle{false, "#006100", ""});
    list.DefineStyle("stIsChange", Talvex::Ui::RowStyle{false, "#0000c0", ""});
    list.DefineStyle("stIsDelete", Talvex::Ui::RowStyle{false, "#c00000", ""});
    list.DefineStyle("stIsNormal", Talvex::Ui::RowStyle{false, "#000000", ""});
}

void frmArrangementPayTerm::mLocalList_OnAddFields()
{
    auto& list = ListCtl(kList);
    Talvex::Ui::CellRule summa = Talvex::Ui::CellRule::Of(Talvex::Ui::CellType::Number);
    summa.required = true;
    summa.minimum = Currency();
    summa.check = [this](const Value&, const Talvex::Ui::Grid&, std::size_t row) -> std::string {
        if (row >= rowRefs_.size() || rowRefs_[row].term < 0) return "only a payment term's sum can be changed";
        return {};
    };
    list.DeclareField("IDC", "", "", false);
    list.DeclareField("Code", "Supplier");
    list.DeclareField("Name", "Supplier name");
    list.DeclareField("DocID", "", "", false);
    list.DeclareField("ClntCode", "", "", false);
    list.DeclareField("ClntName", "", "", false);
    list.DeclareField("DocDate", "Invoice date");
    list.DeclareField("DocNumber", "Invoice");
    list.DeclareField("DocSumma", "Invoice sum", "#,##0.00");
    list.DeclareField("CurrencyCode", "Currency");
    list.DeclareField("SummaSell", "Sold", "#,##0.00");
    list.DeclareField("SummaSellOnPeriod", "Sold in the period", "#,##0.00");
    list.DeclareField("DebtSumma", "Unpaid", "#,##0.00");
    list.DeclareField("PayTerm", "Standard term, days");
    list.DeclareField("NeedPayDate", "Due date");
    list.DeclareEditableField("NeedPaySumma", "Term sum", "#,##0.00", summa);
    list.DeclareField("PaySumma", "Paid", "#,##0.00");
    list.DeclareField("PayTermState", "", "", false);
    list.DeclareField("TermId", "", "", false);
}

std::string frmArrangementPayTerm::ReadParams()
{
    const std::string client = Ctl("cbClient").GetValue().ToText();
    if (client.empty()) return "cbClient: choose the supplier or supplier group.";
    const Value& date = Ctl("edDate").GetValue();
    if (!date.IsDate()) return "edDate: enter a day of the period.";
    const std::string period = Ctl("edPeriod").GetValue().ToText();
    const Date day = date.ToDate();
    if (period == "M") {
        begDate_ = day.FirstOfMonth();
        endDate_ = day.LastOfMonth();
    } else if (period == "Q") {
        begDate_ = Date(day.Year(), (day.Month() - 1) / 3 * 3 + 1, 1);
        endDate_ = begDate_.AddMonthsClamped(2).LastOfMonth();
    } else if (period == "Y") {
        begDate_ = Date(day.Year(), 1, 1);
        endDate_ = Date(day.Year(), 12, 31);
    } else {
        return "edPeriod: choose a month, a quarter or a year.";
    }
    client_ = client;
    return {};
}

void frmArrangementPayTerm::btRefresh_Click()
{
    if (const std::string refusal = ReadParams(); !refusal.empty()) {
        Talvex::Ui::MessageBox(*GetSession())
            .Show(refusal, Talvex::Ui::MessageButtons::Ok, "", Talvex::Ui::MessageKind::Refusal);
        return;
    }
    Fill(client_, begDate_, endDate_);
    if (invoices_.empty())
        Talvex::Ui::MessageBox().ShowSingle("No pay-on-sale purchase invoice of " + client_ +
                                                " is open or sold from in " + begDate_.ToIso() + " to " +
                                                endDate_.ToIso() + ".",
                                            "Gerai");
}

void frmArrangementPayTerm::Fill(const std::string& client, Date begDate, Date endDate)
{
    if (!book_) throw Talvex::ValueError("frmArrangementPayTerm: no Book");
    client_ = client;
    begDate_ = begDate;
    endDate_ = endDate;
    frmSalesBySupply::Supplier supplier;
    if (!frmSalesBySupply::FindSupplier(*book_, client, supplier))
        throw Talvex::ValueError("cbClient: there is no client with the code '" + client + "'");
    // Fetch: the invoices with their open parts, their stored terms as they stand in the table
    // (the term view cuts terms to the invoice's sum; the arrangement shows them as stored),
    // and the sales of their goods. Then compute and show.
    std::vector<StoredPayTermRow> rows = FetchInvoices(supplier.isGroup);
    std::vector<std::int64_t> ids;
    for (const auto& row : rows)
        if (ids.empty() || ids.back() != row.docId) ids.push_back(row.docId);
    FetchStoredTerms(ids, rows);
    const std::vector<InvoiceSaleRow> sales = FetchSales(supplier.isGroup, ids);
    invoices_ = FillArrangement(rows, sales, begDate, endDate);
    ShowInvoices();
}

std::vector<StoredPayTermRow> frmArrangementPayTerm::FetchInvoices(bool isGroup) const
{
    std::vector<StoredPayTermRow> rows;
    auto list = sales_.SupplPayOnSale(client_, isGroup, endDate_);
    list->Refresh();
    auto rs = list->Recordset();
    auto& f = rs->Fields();
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        StoredPayTermRow row;
        row.docId = f.Item("PISFIdc").Value().ToInteger();
        row.docNumber = f.Item("PISFNumber").Value().ToText();
        row.docDate = f.Item("PISFDate").Value().ToDate();
        row.docSumma = CurrencyOf(f.Item("DocSumma").Value());
        row.currencyCode = f.Item("CurrencyCode").Value().ToText();
        row.debtSumma = CurrencyOf(f.Item("DebtSumma").Value());
        row.payTerm = static_cast<long>(f.Item("PayTerm").Value().ToInteger());
        row.clntCode = f.Item("ClntCode").Value().ToText();
        row.clntName = f.Item("ClntName").Value().ToText();
        rows.push_back(std::move(row));
    }
    return rows;
}

void frmArrangementPayTerm::FetchStoredTerms(const std::vector<std::int64_t>& ids, std::vector<StoredPayTermRow>& rows)
{
    stored_.clear();
    if (ids.empty()) return;
    std::map<std::int64_t, StoredPayTermRow> headerOf;
    for (const auto& row : rows)
        headerOf.try_emplace(row.docId, row);
    auto terms = book_->CreateList("THDocumentPayTerm");
    std::string in;
    for (auto id : ids)
        in += (in.empty() ? "" : ",") + std::to_string(id);
    terms->SetFilter("oTable.DocID in (" + in + ")");
    terms->OrderBy("oTable.DocID, oTable.PayTerm, oTable.IDC");
    terms->Refresh();
    auto rs = terms->Recordset();
    auto& f = rs->Fields();
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        StoredPayTermRow row = headerOf.at(f.Item("DocID").Value().ToInteger());
        row.termId = f.Item("IDC").Value().ToInteger();
        row.termSumma = CurrencyOf(f.Item("Summa").Value());
        const std::int64_t days = f.Item("PayTerm").Value().ToInteger();
        row.needPayDate = row.docDate.AddDays(static_cast<std::int32_t>(days));
        row.debtSumma = Currency(); // the invoice's open part came with its own rows
        stored_[row.docId].push_back(StoredTerm{row.termId, days, row.termSumma});
        rows.push_back(std::move(row));
    }
}

std::vector<InvoiceSaleRow> frmArrangementPayTerm::FetchSales(bool isGroup, const std::vector<std::int64_t>& ids) const
{
    std::vector<InvoiceSaleRow> sales;
    if (ids.empty()) return sales;
    const std::vector<long> invoiceIds(ids.begin(), ids.end());
    auto list = sales_.SupplOnSale(client_, isGroup, std::nullopt, std::max(endDate_, book_->Today()), invoiceIds,
                                   fixCategory_);
    list->Refresh();
    auto rs = list->Recordset();
    auto& f = rs->Fields();
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
        sales.push_back(InvoiceSaleRow{f.Item("PISFIdc").Value().ToInteger(), f.Item("PRSFDate").Value().ToDate(),
                                       CurrencyOf(f.Item("Summa").Value())});
    return sales;
}

void frmArrangementPayTerm::ShowInvoices(long currentRow)
{
    auto source = std::make_shared<Talvex::Ui::TableRowSource>(kColumns);
    rowRefs_.clear();
    std::vector<std::string> styles;
    for (std::size_t i = 0; i < invoices_.size(); ++i) {
        const ArrangedInvoice& inv = invoices_[i];
        source->AddRow({Value(static_cast<std::int64_t>(rowRefs_.size() + 1)), Value(inv.clntCode), Value(inv.clntName),
                        Value(inv.docId), Value(inv.clntCode), Value(inv.clntName), Value(inv.docDate),
                        Value(inv.docNumber), Money(inv.docSumma), Value(inv.currencyCode), Money(inv.summaSell),
                        Money(inv.summaSellOnPeriod), Money(inv.debtSumma),
                        Value(static_cast<std::int64_t>(inv.payTerm))});
        rowRefs_.push_back(RowRef{i, -1});
        styles.emplace_back("stInvoice");
        std::vector<std::size_t> order(inv.terms.size());
        for (std::size_t t = 0; t < order.size(); ++t)
            order[t] = t;
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return inv.terms[a].needPayDate < inv.terms[b].needPayDate;
        });
        for (std::size_t t : order) {
            const ArrangedTerm& term = inv.terms[t];
            std::vector<Value> cells(kColumns.size());
            cells[0] = Value(static_cast<std::int64_t>(rowRefs_.size() + 1));
            cells[3] = Value(inv.docId);
            cells[14] = Value(term.needPayDate);
            cells[15] = Money(term.needPaySumma);
            cells[16] = Money(term.paySumma);
            cells[17] = Value(static_cast<std::int64_t>(term.state));
            cells[18] = Value(term.termId);
            source->AddRow(std::move(cells));
            rowRefs_.push_back(RowRef{i, static_cast<long>(t)});
            styles.emplace_back(PayTermStyle(term));
        }
    }
    auto& list = ListCtl(kList);
    list.SetRowSource(source);
    list.Refresh();
    for (std::size_t r = 0; r < styles.size(); ++r)
        list.SetRowStyle(r, styles[r]);
    if (list.RowCount() > 0) list.SetCurrentRow(std::clamp(currentRow, 0L, static_cast<long>(list.RowCount()) - 1));
}

const frmArrangementPayTerm::RowRef& frmArrangementPayTerm::RefOf(long row) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= rowRefs_.size())
        throw Talvex::ValueError("PayTermList: choose an invoice or one of its terms");
    return rowRefs_[static_cast<std::size_t>(row)];
}

void frmArrangementPayTerm::EditTermSumma(long row, Currency summa)
{
    const RowRef ref = RefOf(row);
    if (ref.term < 0) throw Talvex::ValueError("NeedPaySumma: only a payment term's sum can be changed");
    PayTermArrangement::EditSumma(invoices_[ref.invoice], static_cast<std::size_t>(ref.term), summa);
    ShowInvoices(row);
}

bool frmArrangementPayTerm::AddTerm(long row, Date date, Currency summa)
{
    const RowRef ref = RefOf(row);
    const bool added = PayTermArrangement::AddTerm(invoices_[ref.invoice], date, summa);
    ShowInvoices(row);
    return added;
}

void frmArrangementPayTerm::PayTermList_CellChange(EventArgs& args)
{
    if (args.column != "NeedPaySumma") return;
    try {
        EditTermSumma(args.row, CurrencyOf(args.value));
    } catch (...) {
        // The grid shows the arrangement again, not a sum it did not take.
        ShowInvoices(args.row);
        throw;
    }
}

void frmArrangementPayTerm::AddTermAsked()
{
    const long row = ListCtl(kList).CurrentRow();
    const RowRef ref = RefOf(row);
    const ArrangedInvoice& invoice = invoices_[ref.invoice];
    Date date = PayTermArrangement::DefaultDueDate(invoice);
    Currency summa = invoice.debtSumma;
    frmSelectPayTerm ask;
    const std::string info = invoice.docNumber + " of " + invoice.docDate.ToIso() + ", " + invoice.clntName + ": " +
                             Cents(invoice.docSumma) + " " + invoice.currencyCode;
    if (!ask.Run(info, date, summa, 1, invoice)) return;
    (void)AddTerm(row, date, summa);
}

void frmArrangementPayTerm::mLocalList_OnRunMDICommand(const std::string& key)
{
    if (key == "mkAddTerm") {
        AddTermAsked();
        return;
    }
    if (key == "ShowListPRSF" || key == "ShowListPRSFOnPeriod") {
        ShowSales(key == "ShowListPRSFOnPeriod");
        return;
    }
    const RowRef ref = RefOf(ListCtl(kList).CurrentRow());
    const ArrangedInvoice& invoice = invoices_[ref.invoice];
    if (key == "mkShowDocPISF") {
        Talvex::Erp::THDocumentObject document(book_);
        document.Load(invoice.docId);
        Talvex::Ui::DocumentOpener opener(*GetSession());
        document.OpenInWindow(opener);
    }
    if (key == "mkShowClient") GetSession()->OpenCard("REFClient", Value(invoice.clntCode));
}

void frmArrangementPayTerm::ShowSales(bool onPeriod)
{
    const RowRef ref = RefOf(ListCtl(kList).CurrentRow());
    const ArrangedInvoice& invoice = invoices_[ref.invoice];
    frmSalesBySupply::Supplier supplier;
    frmSalesBySupply::FindSupplier(*book_, client_, supplier);
    auto source = std::make_shared<SalesOfInvoice>();
    source->list = sales_.SupplOnSale(client_, supplier.isGroup, std::nullopt, std::max(endDate_, book_->Today()),
                                      {static_cast<long>(invoice.docId)}, fixCategory_);
    using Kind = Talvex::FieldType;
    auto& show = source->fields;
    show.Add("PRSFIdc", Kind::kId);
    show.Add("DocTypeCode", Kind::kCode).SetCaption("Type");
    show.Add("PRSFNumber", Kind::kText).SetCaption("Sale invoice");
    show.Add("PRSFDate", Kind::kDate).SetCaption("Sale date");
    show.Add("GoodCode", Kind::kCode).SetCaption("Good");
    show.Add("AmountAccount", Kind::kQuantity).SetCaption("Sold quantity");
    show.Add("Summa", Kind::kAmount).SetCaption("At purchase price");
    show.Add("NeedPayDate", Kind::kDate).SetCaption("Due date");
    if (onPeriod) {
        source->filter = "oTable.PRSFDate >= " + Talvex::SqlTools::Literal(Kind::kDate, Value(begDate_)) +
                         " AND oTable.PRSFDate <= " + Talvex::SqlTools::Literal(Kind::kDate, Value(endDate_));
        source->periodInfo = begDate_.ToIso() + " - " + endDate_.ToIso();
    }
    source->info = invoice.clntCode + " " + invoice.clntName;
    source->caption = "Sales of the goods of " + invoice.docNumber + " of " + invoice.docDate.ToIso();
    salesSource_ = source;

    salesForm_ = std::make_shared<CubeSrcList>();
    auto params = std::make_shared<Talvex::FieldList>();
    params->Add("Parent", Kind::kObject, Value(std::shared_ptr<Talvex::Object>(salesSource_)));
    params->Add("FieldNameDocID", Kind::kCode, Value("PRSFIdc"));
    params->Add("FieldNameDocTypeCode", Kind::kCode, Value("DocTypeCode"));
    salesDialog_ = std::make_unique<Talvex::Ui::BaseDialog>();
    const Value param{std::shared_ptr<Talvex::Object>(params)};
    salesDialog_->Init(*salesForm_, book_->CreateDocList("THDocument"), param);
    if (!salesForm_->Init(*salesDialog_, param))
        throw Talvex::ValueError("ShowListPRSF: the list form did not take its parameters");
    salesDialog_->RunForm(false, false);
}

void frmArrangementPayTerm::btInfo_Click()
{
    const RowRef ref = RefOf(ListCtl(kList).CurrentRow());
    const ArrangedInvoice& inv = invoices_[ref.invoice];
    Currency planned;
    for (const auto& t : inv.terms)
        if (t.state != PayTermState::kDeleted) planned += t.needPaySumma;
    Talvex::Ui::MessageBox().ShowSingle(inv.docNumber + " of " + inv.docDate.ToIso() + ": sum " + Cents(inv.docSumma) +
                                            ", sold " + Cents(inv.summaSell) + " (in the period " +
                                            Cents(inv.summaSellOnPeriod) + "), unpaid " + Cents(inv.debtSumma) +
                                            ", in terms " + Cents(planned) + " " + inv.currencyCode + ".",
                                        "Gerai");
}

void frmArrangementPayTerm::btSave_Click()
{
    const int written = Save();
    Talvex::Ui::MessageBox().ShowSingle("Payment terms of " + std::to_string(written) + " invoice(s) saved.", "Gerai");
}

int frmArrangementPayTerm::Save()
{
    std::map<std::int64_t, ArrangedInvoice> kept;
    int written = 0;
    for (const auto& invoice : invoices_) {
        const bool changed = std::any_of(invoice.terms.begin(), invoice.terms.end(),
                                         [](const ArrangedTerm& t) { return t.state != PayTermState::kUnchanged; });
        if (!changed) continue;
        try {
            SaveInvoice(invoice);
            ++written;
        } catch (const std::exception& e) {
            kept.emplace(invoice.docId, invoice);
            try {
                throw Talvex::ValueError("Payment terms of invoice " + invoice.docNumber + " not saved: " + e.what());
            } catch (...) {
                ReportError();
            }
        }
    }
    Fill(client_, begDate_, endDate_);
    // What could not be written stays as the user arranged it, to be saved again.
    if (!kept.empty()) {
        for (auto& invoice : invoices_)
            if (auto it = kept.find(invoice.docId); it != kept.end()) invoice = it->second;
        ShowInvoices();
    }
    return written;
}

void frmArrangementPayTerm::SaveInvoice(const ArrangedInvoice& invoice)
{
    auto& db = book_->Db();
    Talvex::Data::Transaction tx(db);
    // Two users saving one invoice's terms take turns; the second finds the first one's terms.
    Talvex::Data::LockForTransaction(db, "Quarn_DuzAde.PayTerm." + std::to_string(invoice.docId));
    std::vector<StoredTerm> now;
    auto rs = db.Query("SELECT IDC, PayTerm, Summa FROM THDocumentPayTerm WHERE DocID = ? ORDER BY PayTerm, IDC",
                       {Value(invoice.docId)});
    for (const auto& r : rs.rows)
        now.push_back(StoredTerm{r.at(0).ToInteger(), r.at(1).ToInteger(), r.at(2).ToCurrency()});
    const auto it = stored_.find(invoice.docId);
    if (now != (it == stored_.end() ? std::vector<StoredTerm>{} : it->second))
        throw Talvex::ValueError("another user changed them since they were read; refresh and arrange them again");

    for (const auto& term : invoice.terms) {
        if (term.state == PayTermState::kUnchanged) continue;
        Talvex::TableObject row(book_, "THDocumentPayTerm");
        if (term.state == PayTermState::kInserted) {
            row.AddNew();
            row.Set("DocID", Value(invoice.docId));
        } else if (!row.Load(term.termId)) {
            throw Talvex::ValueError("its term " + std::to_string(term.termId) + " is no longer stored");
        }
        if (term.state == PayTermState::kDeleted) {
            row.Delete();
            continue;
        }
        row.Set("PayTerm", Value(static_cast<std::int64_t>(invoice.docDate.DaysUntil(term.needPayDate))));
        row.Set("Summa", Value(term.needPaySumma));
        row.Save();
    }
    tx.Commit();
}

} // namespace Quarn_DuzAde
