#include "host/erp/documents/THPaymentDocumentDlg.hpp"

#include "host/data/Connection.hpp"
#include "host/erp/documents/THDocumentObject.hpp"
#include "host/erp/documents/THPaymentDocument.hpp"
#include "host/objects/Book.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/LocalList.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/Session.hpp"
#include "host/ui/TableRowSource.hpp"

#include <algorithm>
#include <map>

namespace Talvex::Erp {

namespace {

constexpr const char* kMoney = "#,##0.00";

Currency MoneyOf(const Value& v)
{
    return v.IsNull() || v.IsEmpty() ? Currency() : v.ToCurrency();
}

} // namespace

THPaymentDocumentDlg::THPaymentDocumentDlg(std::shared_ptr<Book> book)
    : Form(kFormName, "Mokėjimo dokumentas MP"), book_(std::move(book))
{
    if (!book_) throw ValueError("THPaymentDocumentDlg: no Book");
    Add(Ui::ControlKind::TextBox, "edClient", "Gavėjas").SetLocked(true);
    Add(Ui::ControlKind::TextBox, "edNumber", "Numeris").SetLocked(true);
    Add(Ui::ControlKind::NumberBox, "edSumma", "Suma").SetFormat(kMoney);
    AddLocalList(kList);
    Add(Ui::ControlKind::Button, "btSave", "Išsaugoti").SetDefault(true);
    Add(Ui::ControlKind::Button, "btCancel", "Atšaukti").SetCancel(true);
    On("btSave", "Click", [this](Ui::EventArgs&) { btSave_Click(); });
    On("btCancel", "Click", [this](Ui::EventArgs&) { Hide(); });
    On(kList, "OnAddFields", [this](Ui::EventArgs&) { grdPayedDocs_OnAddFields(); });
}

THPaymentDocumentDlg::~THPaymentDocumentDlg() = default;

std::int64_t THPaymentDocumentDlg::EditNew(const std::string& client, Currency summa,
                                           std::vector<PayableDocument> payable)
{
    if (client.empty()) throw ValueError("MP: the client paid is empty");
    return Edit(0, client, summa, std::move(payable), {});
}

std::int64_t THPaymentDocumentDlg::EditExisting(std::int64_t idc, std::vector<PayableDocument> payable)
{
    THPaymentDocument doc(book_);
    doc.Load(idc);
    std::vector<std::pair<std::int64_t, Currency>> paid;
    for (const PayLine& line : doc.Lines())
        paid.emplace_back(line.corDocId, line.summa);
    Ctl("edNumber").SetValue(doc.Document().Fields("Number"));
    return Edit(idc, doc.Client(), doc.Summa(), std::move(payable), paid);
}

std::int64_t THPaymentDocumentDlg::Edit(std::int64_t idc, const std::string& client, Currency summa,
                                        std::vector<PayableDocument> payable,
                                        const std::vector<std::pair<std::int64_t, Currency>>& paid)
{
    idc_ = idc;
    saved_ = 0;
    client_ = client;
    // What this payment pays already is open to it again: its lines are written anew.
    std::map<std::int64_t, Currency> ownLines;
    for (const auto& [doc, pay] : paid)
        ownLines[doc] += pay;
    for (auto& p : payable) {
        if (auto it = ownLines.find(p.idc); it != ownLines.end()) p.restPaySum += it->second;
    }
    for (const auto& [doc, pay] : ownLines) {
        const bool listed =
            std::any_of(payable.begin(), payable.end(), [&](const PayableDocument& p) { return p.idc == doc; });
        if (!listed) payable.push_back({doc, "#" + std::to_string(doc), pay});
    }
    payable_ = std::move(payable);

    Ctl("edClient").SetValue(Value(client));
    Ctl("edSumma").SetValue(Value(summa));
    auto rows = std::make_shared<Ui::TableRowSource>(
        std::vector<std::string>{"CorDocID", "CorDocument", "RestPaySum", "PaySum"});
    for (const auto& p : payable_) {
        const auto it = ownLines.find(p.idc);
        rows->AddRow(
            {Value(p.idc), Value(p.text), Value(p.restPaySum), Value(it == ownLines.end() ? Currency() : it->second)});
    }
    auto& list = ListCtl(kList);
    list.SetRowSource(rows);
    list.Refresh();
    Show(true);
    return saved_;
}

void THPaymentDocumentDlg::grdPayedDocs_OnAddFields()
{
    auto& list = ListCtl(kList);
    Ui::CellRule paySum = Ui::CellRule::Of(Ui::CellType::Number);
    paySum.minimum = Currency();
    paySum.check = [this](const Value& value, const Ui::Grid&, std::size_t row) -> std::string {
        if (row >= payable_.size()) return {};
        const Currency open = payable_[row].restPaySum;
        if (MoneyOf(value) > open) return "more than is open on the document (" + open.ToFixed(2) + ")";
        return {};
    };
    list.DeclareField("CorDocID", "", "", false);
    list.DeclareField("CorDocument", "Dokumentas");
    list.DeclareField("RestPaySum", "Neapmokėta", kMoney);
    list.DeclareEditableField("PaySum", "Mokama", kMoney, paySum);
}

std::string THPaymentDocumentDlg::CheckInput(Currency& summa,
                                             std::vector<std::pair<std::int64_t, Currency>>& lines) const
{
    const Value& typed = Ctl("edSumma").GetValue();
    summa = MoneyOf(typed);
    if (summa <= Currency()) return "edSumma: the sum paid must be above 0";
    const auto& list = ListCtl(kList);
    Currency linked;
    for (std::size_t row = 0; row < list.RowCount() && row < payable_.size(); ++row) {
        const Currency pay = MoneyOf(list.Cell(row, "PaySum"));
        if (pay.IsZero()) continue;
        if (pay > payable_[row].restPaySum)
            return std::string(kList) + ": " + payable_[row].text + " has " + payable_[row].restPaySum.ToFixed(2) +
                   " open, not " + pay.ToFixed(2);
        linked += pay;
        lines.emplace_back(payable_[row].idc, pay);
    }
    if (linked > summa)
        return std::string(kList) + ": the documents paid (" + linked.ToFixed(2) + ") come to more than the sum " +
               summa.ToFixed(2);
    return {};
}

void THPaymentDocumentDlg::btSave_Click()
{
    Currency summa;
    std::vector<std::pair<std::int64_t, Currency>> lines;
    const std::string refusal = CheckInput(summa, lines);
    Ctl("edSumma").SetRefusal(refusal.rfind("edSumma", 0) == 0 ? refusal : "");
    if (!refusal.empty()) {
        Ui::MessageBox().ShowSingle(Name() + "." + refusal, "Gerai", "", Ui::MessageKind::Refusal);
        return;
    }
    // A failure leaves nothing of the payment and the editor open, to try again or cancel.
    try {
        THPaymentDocument doc(book_);
        if (idc_ != 0) {
            doc.Load(idc_);
            doc.SetClient(client_);
        } else {
            doc.New(client_, summa);
        }
        doc.SetSumma(summa);
        std::vector<PayLine> payLines;
        for (const auto& [cor, pay] : lines)
            payLines.push_back({cor, pay});
        doc.SetLines(std::move(payLines));
        Data::Transaction unit(book_->Db());
        const std::int64_t idc = doc.Save();
        if (beforeCommit_) beforeCommit_();
        unit.Commit();
        saved_ = idc;
    } catch (const std::exception& e) {
        throw ValueError("Payment to \"" + client_ + "\" not written: " + e.what());
    }
    Hide();
}

} // namespace Talvex::Erp
