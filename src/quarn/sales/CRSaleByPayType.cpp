#include "quarn/sales/CRSaleByPayType.hpp"

#include "host/cube/CCube.hpp"
#include "host/cube/Engine.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/RateJoin.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/ProgressRunner.hpp"
#include "quarn/cube/COLAPCubeExt2.hpp"
#include "quarn/cube/OLAP.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/ResultList.hpp"
#include "quarn/frame/Startup.hpp"
#include "quarn/sales/frmRSaleByPayType.hpp"

#include <algorithm>
#include <cctype>

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Date;
using Talvex::FieldType;
using Talvex::SqlOperator;
using Talvex::SqlTools;
using Talvex::Value;
using Talvex::Data::DataTypeEnum;
using namespace Talvex::Cube;

namespace {

constexpr long kCaptionText = 15526;
constexpr long kNothingText = 15696;
constexpr long kRowsMenuText = 15538;
constexpr long kPaymentsMenuText = 15539;
constexpr long kPayDateText = 15541;
constexpr long kProcessText = 15542;
constexpr long kDateText = 15100;
constexpr long kDayText = 15103;
constexpr long kMonthText = 15104;
constexpr long kYearText = 15105;
constexpr long kQuarterText = 15106;
constexpr long kGoodText = 15530;
constexpr long kSumText = 15532;

std::string Res(long id)
{
    return ModuleFormRes().GetString(id);
}

struct Member {
    const char* name;
    long caption;
};
constexpr Member kDims[] = {
    {"Department", 15540}, {"Person", 15527}, {"Client", 15528}, {"Parent", 15529}, {"Good", 15530}};
constexpr Member kFacts[] = {{"Amount", 15531},    {"SpecSumma", 15532}, {"Cash", 15533},    {"Card", 15534},
                             {"Comission", 15535}, {"Barter", 15536},    {"NotPayed", 15537}};

Currency MoneyAt(const Talvex::Data::Recordset& rs, std::size_t row, std::size_t field)
{
    const Value& v = rs.StoredValue(row, field);
    return v.IsNull() || v.IsEmpty() ? Currency() : v.ToCurrency();
}

void JoinTo(Talvex::DataList& list, Talvex::Book& book, const std::string& table, const std::string& alias,
            const std::string& on, int outer)
{
    auto joined = book.CreateList(table);
    joined->Fields().SelectFields({});
    list.Join(joined, alias, on, outer);
}

// What the drill-down knows of the source's member columns: kind and caption, so that a
// cell's members become conditions on them.
std::shared_ptr<Talvex::FieldList> MemberAttributes()
{
    auto attrs = std::make_shared<Talvex::FieldList>();
    for (const auto& dim : kDims)
        attrs->Add(dim.name, FieldType::kLongText).SetCaption(Res(dim.caption));
    attrs->Add("DocumentDate", FieldType::kDate).SetCaption(Res(kDateText));
    return attrs;
}

} // namespace

CRSaleByPayType::CRSaleByPayType() = default;

CRSaleByPayType::~CRSaleByPayType()
{
    if (wrapper_) wrapper_->Terminate();
}

bool CRSaleByPayType::Run(Talvex::FieldList& inParams, Talvex::FieldList& /*outParams*/)
{
    try {
        if (!Visual()) return false;
        params_ = std::make_shared<Talvex::FieldList>(inParams);
        book_ = GetBook(params_.get(), false);
        auto add = [this](const char* name, FieldType kind, Value value) {
            if (!params_->ExistsField(name)) params_->Add(name, kind, std::move(value));
        };
        add("BegPeriod", FieldType::kDate, Value(Date(2001, 1, 1)));
        add("EndPeriod", FieldType::kDate, Value(Date(2003, 12, 31)));
        add("Department", FieldType::kCode, Value(std::string()));
        Talvex::OpenCubeForm(shared_from_this(), "CRSaleByPayType");
    } catch (...) {
        ReportError();
    }
    return false;
}

void CRSaleByPayType::OnLoad(Talvex::CCube& cube, std::vector<std::string>& userMenuItems)
{
    try {
        cube.Parent().SetCaption(Res(kCaptionText));
        userMenuItems.push_back(Res(kRowsMenuText));
        userMenuItems.push_back(Res(kPaymentsMenuText));
    } catch (...) {
        ReportError();
    }
}

void CRSaleByPayType::DefineCube(Engine& engine)
{
    engine.SetActive(false);
    engine.Facts().Clear();
    engine.BaseFacts().Clear();
    engine.Dims().Clear();
    Dims& dims = engine.Dims();
    for (const auto& dim : kDims)
        dims.Add(dim.name, Res(dim.caption));
    dims.Add("DocumentDate", Res(kDateText));
    dims.AddCalculated("Q", "DocumentDate", PeriodLevel::Q, Res(kQuarterText));
    dims.AddCalculated("Year", "DocumentDate", PeriodLevel::Year, Res(kYearText));
    dims.AddCalculated("Month", "DocumentDate", PeriodLevel::Month, Res(kMonthText));
    dims.AddCalculated("Day", "DocumentDate", PeriodLevel::Day, Res(kDayText));
    for (const auto& fact : kFacts) {
        engine.BaseFacts().Add(fact.name);
        engine.Facts().Add(fact.name, Res(fact.caption));
    }
    for (std::size_t i = 0; i < engine.Facts().Count(); ++i)
        engine.Facts().Item(i).FactVisible = true;
    engine.PreGrouping = false;
    dims.Item("Department").MoveTo(Axis::Rows, 0);
    dims.Item("Year").MoveTo(Axis::Columns, 0);
    engine.SetDrillDownLevel(Axis::Rows, 0);
}

void CRSaleByPayType::OnOpenCube(Talvex::CCube& cube)
{
    try {
        frmRSaleByPayType form(book_);
        if (!form.Run(*params_)) return;
        DefineCube(cube.cube());
        cube.SetCaption(Res(kCaptionText) + " " + Value(DateParam("BegPeriod")).ToText() + " - " +
                        Value(DateParam("EndPeriod")).ToText());
        cube.VAxis().SetDrillDownLevel(0);
        Prepare(*params_);
        Talvex::Ui::ProgressRunner().Run(*this);
        auto list = std::make_shared<Talvex::DataList>(book_, "");
        list->SetRecordset(SourceRecordset());
        if (wrapper_) wrapper_->Terminate();
        wrapper_ = std::make_shared<COLAPCubeExt2>();
        wrapper_->Init(book_, cube);
        wrapper_->SetDirectDataList(list);
        wrapper_->SetRedTextForNegValue();
        showingPayments_ = false;
        paymentRst_.reset();
        OLAP::TellWhenEmpty(*list, kNothingText, *params_, "BegPeriod", "EndPeriod");
    } catch (...) {
        ReportError();
    }
}

Date CRSaleByPayType::DateParam(const char* name) const
{
    return params_->Item(name).GetValue().ToDate();
}

std::string CRSaleByPayType::Department() const
{
    if (!params_->ExistsField("Department")) return {};
    const Value& v = params_->Item("Department").GetValue();
    return v.IsNull() || v.IsEmpty() ? std::string() : v.ToText();
}

std::string CRSaleByPayType::InvoiceFilter(const std::string& alias) const
{
    std::vector<std::string> conds{alias + ".DocTypeCode = 'PRSF'",
                                   SqlTools::CondByName(alias + ".DocumentDate", FieldType::kDate,
                                                        SqlOperator::kBetween, Value(DateParam("BegPeriod")),
                                                        Value(DateParam("EndPeriod"))),
                                   alias + ".IsPosted = 1"};
    if (!Department().empty())
        conds.push_back(
            SqlTools::CondByName(alias + ".Department", FieldType::kCode, SqlOperator::kEqual, Value(Department())));
    return SqlTools::CombineConds(Talvex::CombineMode::kAnd, conds);
}

void CRSaleByPayType::Prepare(Talvex::FieldList& params)
{
    if (&params != params_.get()) params_ = std::make_shared<Talvex::FieldList>(params);
    if (!book_) book_ = GetBook(params_.get(), false);
    FetchInvoices(FetchPayments());
    FetchGoods();
    FetchRows();
}

// The payment documents of the invoices, each line with its sum in the accounting currency,
// in invoice order.
std::vector<PayTypePayment> CRSaleByPayType::FetchPayments()
{
    Talvex::Book& b = *book_;
    auto pay = b.CreateList("THDocument");
    pay->SetAlias("PRSF");
    pay->Fields().SelectFields({"IDC", "DocumentDate", "CurrencyCode"});
    JoinTo(*pay, b, "THPaySpec", "PaySpec", "PRSF.IDC = PaySpec.CorDocId", 0);
    JoinTo(*pay, b, "THDocument", "PayDoc", "PaySpec.DocId = PayDoc.IDC", 0);
    Talvex::RateJoin payRates;
    payRates.Init(book_, "Cros", "Rate");
    payRates.JoinRates(*pay, "DocumentDate", "CurrencyCode");
    pay->Fields().AddField("PayDocId", FieldType::kId, "PayDoc.IDC");
    pay->Fields().AddField("PayDocType", FieldType::kCode, "PayDoc.DocTypeCode");
    pay->Fields().AddField("PayDocDate", FieldType::kDate, "PayDoc.DocumentDate");
    pay->Fields().AddField("PayNumber", FieldType::kText, "PayDoc.Number");
    pay->Fields().AddField("PaySumma", FieldType::kAmount, payRates.ConvertExpr("CurrencyCode", "PaySpec.SummaCur"));
    pay->SetFilter(InvoiceFilter("oTable"));
    pay->OrderBy("PRSF.IDC, PayDoc.DocumentDate, PayDoc.IDC");
    pay->Refresh();
    payments_.clear();
    std::vector<PayTypePayment> paid;
    auto rs = pay->Recordset();
    auto at = [&](const char* name) { return rs->Fields().Item(name).Index(); };
    const std::size_t idc = at("IDC"), id = at("PayDocId"), type = at("PayDocType"), date = at("PayDocDate"),
                      number = at("PayNumber"), summa = at("PaySumma");
    for (const std::size_t r : rs->ViewRows()) {
        PayTypePaymentLine line{rs->StoredValue(r, idc).ToInteger(),
                                rs->StoredValue(r, id).ToInteger(),
                                StoredText(*rs, r, type),
                                rs->StoredValue(r, date).ToDate(),
                                StoredText(*rs, r, number),
                                MoneyAt(*rs, r, summa)};
        paid.push_back({line.invoiceIdc, line.docTypeCode, line.summa});
        payments_.push_back(std::move(line));
    }
    return paid;
}

// The invoices with what each pay type paid of them, and what their rows are shown under:
// one read of the headers, so that a goods row carries no text of its own.
void CRSaleByPayType::FetchInvoices(const std::vector<PayTypePayment>& paid)
{
    Talvex::Book& b = *book_;
    auto list = b.CreateList("THDocument");
    list->SetAlias("Main");
    list->Fields().SelectFields({"IDC", "Number", "DocumentDate", "CurrencyCode"});
    JoinTo(*list, b, "THDocumentPRSF", "DocPRSF", "Main.IDC = DocPRSF.DocId", 1);
    JoinTo(*list, b, "THPartyAttribute", "Party", "Main.IDC = Party.DocId AND Party.RolePartyCode = 'PIR'", 1);
    // A sale rung up at the register is often to a private person (a person's code in the
    // party row): such a buyer shows as that person, so the sale is not lost from the split.
    JoinTo(*list, b, "REFClient", "Client", "Party.PartyType <> 2 AND Party.PartyCode = Client.Code", 1);
    JoinTo(*list, b, "REFPerson", "Buyer", "Party.PartyType = 2 AND Party.PartyCode = Buyer.Code", 1);
    JoinTo(*list, b, "User", "DocAuthor", "Main.Author = DocAuthor.IDC", 1);
    JoinTo(*list, b, "REFPerson", "Person", "DocAuthor.IDC = Person.UserId", 1);
    JoinTo(*list, b, "REFDepartment", "Dep", "Main.Department = Dep.Code", 1);
    Talvex::RateJoin rates;
    rates.Init(book_, "Cros", "Rate");
    rates.JoinRates(*list, "DocumentDate", "CurrencyCode");
    auto& f = list->Fields();
    f.AddField("Summa", FieldType::kAmount, rates.ConvertExpr("CurrencyCode", "Main.Summa"));
    f.AddField("CashRegState", FieldType::kInteger, "ISNULL(DocPRSF.CashRegState, 0)");
    f.AddField("Rate", FieldType::kAmount, rates.RateExpr("CurrencyCode"));
    f.AddField("HasBuyer", FieldType::kInteger, "CASE WHEN Party.DocId IS NULL THEN 0 ELSE 1 END");
    f.AddField("Department", FieldType::kLongText, "COALESCE(Dep.Code + ' : ' + Dep.Name, '--')");
    f.AddField("Person", FieldType::kLongText,
               "COALESCE(Person.Code + ' : ' + Person.FirstName + ' ' + Person.LastName, '--')");
    f.AddField("Client", FieldType::kLongText,
               "COALESCE(Client.Code + ' : ' +  Client.Name, Buyer.Code + ' : ' + Buyer.FirstName + ' ' + "
               "Buyer.LastName, Party.PartyCode)");
    list->SetFilter(InvoiceFilter("oTable"));
    list->OrderBy("Main.IDC");
    list->Refresh();
    auto rs = list->Recordset();
    auto at = [&](const char* name) { return rs->Fields().Item(name).Index(); };
    const std::size_t idc = at("IDC"), number = at("Number"), date = at("DocumentDate"), currency = at("CurrencyCode"),
                      summa = at("Summa"), state = at("CashRegState"), rate = at("Rate"), hasBuyer = at("HasBuyer"),
                      dep = at("Department"), person = at("Person"), client = at("Client");
    const std::string accountCurrency = b.AccountCurrency();
    invoices_.clear();
    members_.clear();
    rates_.clear();
    hasBuyer_.clear();
    std::size_t payAt = 0;
    for (const std::size_t r : rs->ViewRows()) {
        PayTypeInvoice invoice;
        invoice.idc = rs->StoredValue(r, idc).ToInteger();
        invoice.summa = MoneyAt(*rs, r, summa);
        // Both lists run in invoice order: each invoice's payments are the next ones.
        while (payAt < paid.size() && paid[payAt].idc < invoice.idc)
            ++payAt;
        std::size_t payEnd = payAt;
        while (payEnd < paid.size() && paid[payEnd].idc == invoice.idc)
            ++payEnd;
        invoice.paid = InvoicePaid(invoice.idc, invoice.summa, static_cast<long>(rs->StoredValue(r, state).ToInteger()),
                                   std::span<const PayTypePayment>(paid.data() + payAt, payEnd - payAt));
        payAt = payEnd;
        invoices_.push_back(invoice);

        InvoiceRate conversion;
        conversion.inAccountCurrency = Talvex::EqualsIgnoreCase(StoredText(*rs, r, currency), accountCurrency);
        if (const Value& v = rs->StoredValue(r, rate); !conversion.inAccountCurrency && !v.IsNull() && !v.IsEmpty())
            conversion.rate = v.ToDecimal();
        rates_.push_back(conversion);
        hasBuyer_.push_back(rs->StoredValue(r, hasBuyer).ToInteger() != 0);
        members_.push_back({StoredText(*rs, r, number), rs->StoredValue(r, date).ToDate(), StoredText(*rs, r, dep),
                            StoredText(*rs, r, person), StoredText(*rs, r, client)});
    }
}

namespace {

// A code as the database compares it: case and trailing blanks do not count.
std::string FoldedCode(std::string code)
{
    while (!code.empty() && code.back() == ' ')
        code.pop_back();
    for (char& c : code)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return code;
}

} // namespace

// Every good with its group, read once: the rows meet them by code.
void CRSaleByPayType::FetchGoods()
{
    Talvex::Book& b = *book_;
    auto list = b.CreateList("REFGood");
    list->SetAlias("Good");
    list->Fields().SelectFields({"Code"});
    JoinTo(*list, b, "REFGood", "Parent", "Good.Parent = Parent.Code", 1);
    list->Fields().AddField("GoodText", FieldType::kLongText, "Good.Code + ' : ' + Good.Name");
    list->Fields().AddField("ParentText", FieldType::kLongText, "COALESCE(Parent.Code + ' : ' + Parent.Name, '--')");
    list->Refresh();
    auto rs = list->Recordset();
    const std::size_t code = rs->Fields().Item("Code").Index(), good = rs->Fields().Item("GoodText").Index(),
                      parent = rs->Fields().Item("ParentText").Index();
    goods_.clear();
    goodIndex_.clear();
    goods_.reserve(rs->ViewRows().size());
    for (const std::size_t r : rs->ViewRows()) {
        goodIndex_.emplace(FoldedCode(StoredText(*rs, r, code)), goods_.size());
        goods_.push_back({StoredText(*rs, r, good), StoredText(*rs, r, parent)});
    }
}

// The goods rows of the invoices, as they are stored: the invoice, its good, quantity, sum
// and VAT. Each sum is converted here by its invoice's rate, as the rate join converts it.
void CRSaleByPayType::FetchRows()
{
    Talvex::Book& b = *book_;
    auto list = b.CreateList("THDocument");
    list->SetAlias("Main");
    list->Fields().SelectFields({});
    JoinTo(*list, b, "THGoodSpec", "Spec", "Main.IDC = Spec.DocId", 0);
    JoinTo(*list, b, "THGoodSpecPRSF", "SpecPRSF", "Spec.DocId = SpecPRSF.DocId AND Spec.PosNumb = SpecPRSF.PosNumb",
           0);
    auto& f = list->Fields();
    f.AddField("DocID", FieldType::kId, "Spec.DocID");
    f.AddField("PosNumb", FieldType::kInteger, "Spec.PosNumb");
    f.AddField("GoodCode", FieldType::kCode, "Spec.GoodCode");
    f.AddField("Amount", FieldType::kQuantity, "Spec.AmountAccount");
    f.AddField("Summa", FieldType::kAmount, "Spec.Summa");
    f.AddField("SummVAT", FieldType::kAmount, "SpecPRSF.SummVAT");
    list->SetFilter(InvoiceFilter("oTable"));
    list->Refresh();

    auto rs = list->Recordset();
    auto at = [&](const char* name) { return rs->Fields().Item(name).Index(); };
    const std::size_t docId = at("DocID"), pos = at("PosNumb"), goodCode = at("GoodCode"), amount = at("Amount"),
                      summa = at("Summa"), vat = at("SummVAT");
    // Sorted here by invoice and position: the server need not sort the wide result.
    struct Stored {
        std::int64_t idc, pos;
        std::size_t row;
    };
    std::vector<Stored> order;
    order.reserve(rs->ViewRows().size());
    for (const std::size_t r : rs->ViewRows())
        order.push_back({rs->StoredValue(r, docId).ToInteger(), rs->StoredValue(r, pos).ToInteger(), r});
    std::sort(order.begin(), order.end(), [](const Stored& x, const Stored& y) {
        return x.idc != y.idc ? x.idc < y.idc : x.pos < y.pos;
    });

    auto convert = [](const InvoiceRate& conversion, Currency sum) {
        if (conversion.inAccountCurrency) return sum;
        if (!conversion.rate) return Currency();
        return (Talvex::Decimal::FromCurrency(sum) * *conversion.rate).RoundHalfAwayFromZero(2).ToCurrency();
    };
    rows_.clear();
    split_.clear();
    rowsOfInvoice_.assign(invoices_.size(), {0, 0});
    rows_.reserve(order.size());
    split_.reserve(order.size());
    std::size_t invoice = 0;
    for (const Stored& stored : order) {
        while (invoice < invoices_.size() && invoices_[invoice].idc < stored.idc)
            ++invoice;
        if (invoice == invoices_.size()) break;
        if (invoices_[invoice].idc != stored.idc || !hasBuyer_[invoice]) continue;
        const auto good = goodIndex_.find(FoldedCode(StoredText(*rs, stored.row, goodCode)));
        if (good == goodIndex_.end()) continue;
        auto& [first, end] = rowsOfInvoice_[invoice];
        if (first == end) first = end = rows_.size();
        ++end;
        rows_.push_back({stored.idc, invoice, good->second, MoneyAt(*rs, stored.row, amount)});
        PayTypeRow part;
        part.idc = stored.idc;
        part.specSumma = convert(rates_[invoice], MoneyAt(*rs, stored.row, summa));
        part.summVat = convert(rates_[invoice], MoneyAt(*rs, stored.row, vat));
        part.notPayed = part.specSumma;
        split_.push_back(part);
    }
}

std::string CRSaleByPayType::Caption()
{
    return Res(kProcessText);
}

long CRSaleByPayType::CountStep()
{
    return static_cast<long>(invoices_.size());
}

bool CRSaleByPayType::Step(long index)
{
    const auto i = static_cast<std::size_t>(index - 1);
    if (i >= invoices_.size()) return false;
    const auto [first, end] = rowsOfInvoice_[i];
    SplitInvoicePayments(invoices_[i], std::span<PayTypeRow>(split_.data() + first, end - first));
    return true;
}

std::shared_ptr<Talvex::Data::Recordset> CRSaleByPayType::SourceRecordset() const
{
    auto rs = std::make_shared<Talvex::Data::Recordset>();
    auto& f = rs->Fields();
    f.Append("IDC", DataTypeEnum::Integer);
    f.Append("Number", DataTypeEnum::VarWChar);
    f.Append("DocumentDate", DataTypeEnum::Date);
    for (const auto& dim : kDims)
        f.Append(dim.name, DataTypeEnum::VarWChar);
    f.Append("Amount", DataTypeEnum::Currency);
    for (const char* name : {"SpecSumma", "SummVAT", "Cash", "Card", "Comission", "Barter", "NotPayed"})
        f.Append(name, DataTypeEnum::Currency);
    rs->Open();
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const PayTypeCubeRow& row = rows_[i];
        const PayTypeInvoiceMembers& invoice = members_[row.invoice];
        const PayTypeGoodMembers& good = goods_[row.good];
        const PayTypeRow& part = split_[i];
        const Value values[] = {
            Value(row.idc),      Value(invoice.number),   Value(invoice.documentDate), Value(invoice.department),
            Value(invoice.person), Value(invoice.client), Value(good.parent),          Value(good.good),
            Value(row.amount),   Value(part.specSumma),   Value(part.summVat),         Value(part.paid[0]),
            Value(part.paid[1]), Value(part.paid[2]),     Value(part.paid[3]),         Value(part.notPayed)};
        rs->AddNew();
        for (std::size_t c = 0; c < std::size(values); ++c)
            rs->Fields().Item(c).SetValue(values[c]);
        rs->Update();
    }
    if (rs->RecordCount() > 0) rs->MoveFirst();
    return rs;
}

void CRSaleByPayType::OnFactCellDblClick(Talvex::CCube& /*cube*/, const Talvex::Cube::GridCell& cell)
{
    try {
        ShowInvoiceRows(&cell);
    } catch (...) {
        ReportError();
    }
}

void CRSaleByPayType::OnUserMenu(int index)
{
    try {
        if (index == 1) ShowInvoiceRows();
        if (index == 2) ShowPaymentDocuments();
    } catch (...) {
        ReportError();
    }
}

// The rows of the focused cell: the invoice and its good with the row's sum.
void CRSaleByPayType::ShowInvoiceRows(const Talvex::Cube::GridCell* cell)
{
    if (!wrapper_) return;
    if (showingPayments_ || !wrapper_->SourceRst()) {
        wrapper_->ReInitListDlg(true);
        wrapper_->SetSourceRst(SourceRecordset());
        wrapper_->SetRstFieldsAttr(MemberAttributes());
        wrapper_->SetListIsFill(true);
        auto& shown = wrapper_->ShowFields();
        shown = Talvex::FieldList();
        shown.Add("IDC", FieldType::kId);
        shown.Add("Number", FieldType::kText);
        shown.Add("DocumentDate", FieldType::kDate);
        shown.Add("Good", FieldType::kLongText).SetCaption(Res(kGoodText));
        shown.Add("SpecSumma", FieldType::kAmount).SetCaption(Res(kSumText));
        showingPayments_ = false;
    }
    wrapper_->ListByCell(cell);
}

// The payment documents of the focused cell's invoices: each payment line beside each row of
// its invoice, so that the cell's members choose them as they choose the rows.
void CRSaleByPayType::ShowPaymentDocuments()
{
    if (!wrapper_) return;
    if (!paymentRst_) {
        auto rs = std::make_shared<Talvex::Data::Recordset>();
        auto& f = rs->Fields();
        f.Append("IDC", DataTypeEnum::Integer);
        f.Append("DocumentDate", DataTypeEnum::Date);
        for (const auto& dim : kDims)
            f.Append(dim.name, DataTypeEnum::VarWChar);
        f.Append("PayDocId", DataTypeEnum::Integer);
        f.Append("DocTypeCode", DataTypeEnum::VarWChar);
        f.Append("PayDocDate", DataTypeEnum::Date);
        f.Append("Number", DataTypeEnum::VarWChar);
        f.Append("Summa", DataTypeEnum::Currency);
        rs->Open();
        std::size_t at = 0;
        for (const auto& payment : payments_) {
            while (at < rows_.size() && rows_[at].idc < payment.invoiceIdc)
                ++at;
            for (std::size_t r = at; r < rows_.size() && rows_[r].idc == payment.invoiceIdc; ++r) {
                const PayTypeCubeRow& row = rows_[r];
                const PayTypeInvoiceMembers& invoice = members_[row.invoice];
                const PayTypeGoodMembers& good = goods_[row.good];
                const Value values[] = {Value(row.idc),
                                        Value(invoice.documentDate),
                                        Value(invoice.department),
                                        Value(invoice.person),
                                        Value(invoice.client),
                                        Value(good.parent),
                                        Value(good.good),
                                        Value(payment.payDocId),
                                        Value(payment.docTypeCode),
                                        Value(payment.payDocDate),
                                        Value(payment.number),
                                        Value(payment.summa)};
                rs->AddNew();
                for (std::size_t c = 0; c < std::size(values); ++c)
                    rs->Fields().Item(c).SetValue(values[c]);
                rs->Update();
            }
        }
        if (rs->RecordCount() > 0) rs->MoveFirst();
        paymentRst_ = rs;
    }
    if (!showingPayments_) {
        wrapper_->ReInitListDlg(true);
        wrapper_->SetSourceRst(paymentRst_);
        wrapper_->SetRstFieldsAttr(MemberAttributes());
        wrapper_->SetListIsFill(true);
        wrapper_->SetFieldNameToGetDocID("PayDocId");
        auto& shown = wrapper_->ShowFields();
        shown = Talvex::FieldList();
        shown.Add("PayDocDate", FieldType::kDate).SetCaption(Res(kPayDateText));
        shown.Add("Good", FieldType::kLongText).SetCaption(Res(kGoodText));
        shown.Add("Summa", FieldType::kAmount).SetCaption(Res(kSumText));
        showingPayments_ = true;
    }
    wrapper_->ListByCell();
}

} // namespace Quarn_DuzAde
