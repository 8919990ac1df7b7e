#include "quarn/sales/CRepSalesJournal.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/MessageBox.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ParamChecks.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/ResultList.hpp"
#include "quarn/frame/Startup.hpp"
#include "quarn/sales/frmRepSalesJournal.hpp"

namespace Quarn_DuzAde {

using Talvex::FieldType;
using Talvex::SqlOperator;
using Talvex::SqlTools;
using Talvex::Value;
using Talvex::Data::DataTypeEnum;

namespace {

Talvex::Currency MoneyAt(const Talvex::Data::Recordset& rs, std::size_t row, std::size_t field)
{
    const Value& v = rs.StoredValue(row, field);
    return v.IsNull() || v.IsEmpty() ? Talvex::Currency() : v.ToCurrency();
}

Talvex::Decimal QuantityAt(const Talvex::Data::Recordset& rs, std::size_t row, std::size_t field)
{
    const Value& v = rs.StoredValue(row, field);
    return v.IsNull() || v.IsEmpty() ? Talvex::Decimal() : v.ToDecimal();
}

constexpr ResultColumn kColumns[] = {
    {"InfoBySpec", DataTypeEnum::Integer, FieldType::kInteger},
    {"IDC", DataTypeEnum::Integer, FieldType::kId},
    {"Number", DataTypeEnum::VarWChar, FieldType::kText},
    {"CurrencyCode", DataTypeEnum::VarWChar, FieldType::kCode},
    {"DocumentDate", DataTypeEnum::Date, FieldType::kDate},
    {"Comment", DataTypeEnum::VarWChar, FieldType::kText},
    {"Client", DataTypeEnum::VarWChar, FieldType::kText},
    {"GoodCode", DataTypeEnum::VarWChar, FieldType::kCode},
    {"GoodName", DataTypeEnum::VarWChar, FieldType::kText},
    {"Amount", DataTypeEnum::Numeric, FieldType::kQuantity},
    {"AlgebraicSum", DataTypeEnum::Currency, FieldType::kAmount},
    {"Summa", DataTypeEnum::Currency, FieldType::kAmount},
    {"SummVAT", DataTypeEnum::Currency, FieldType::kAmount},
    {"Discount", DataTypeEnum::Numeric, FieldType::kNumber},
    {"DiscountSum", DataTypeEnum::Currency, FieldType::kAmount},
    {"StoreCode", DataTypeEnum::VarWChar, FieldType::kCode},
    {"Price", DataTypeEnum::Currency, FieldType::kAmount},
};

template <typename T> Value Optional(const std::optional<T>& value)
{
    return value ? Value(*value) : Value(Talvex::Null{});
}

// Quantities and percents show as written, without trailing zeros: 20, 2.5.
Value Plain(const Talvex::Decimal& value)
{
    return Value(value.Normalized());
}

std::vector<Value> ValuesOf(const SalesJournalLine& line)
{
    const bool goods = line.infoBySpec == 1;
    // One value a line, in the order of kColumns.
    std::vector<Value> values;
    values.reserve(std::size(kColumns));
    values.emplace_back(line.infoBySpec);
    values.emplace_back(line.idc);
    values.emplace_back(line.number);
    values.emplace_back(line.currencyCode);
    values.emplace_back(line.documentDate);
    values.emplace_back(line.comment);
    values.emplace_back(line.client);
    values.emplace_back(line.goodCode);
    values.emplace_back(line.goodName);
    values.push_back(line.amount ? Plain(*line.amount) : Value(Talvex::Null{}));
    values.emplace_back(line.algebraicSum);
    values.push_back(Optional(line.summa));
    values.push_back(Optional(line.summVat));
    values.push_back(goods ? Plain(line.discount) : Value(Talvex::Decimal()));
    values.emplace_back(line.discountSum);
    values.push_back(Optional(line.storeCode));
    values.push_back(Optional(line.price));
    return values;
}

} // namespace

std::vector<SalesJournalInvoice> CRepSalesJournal::FetchInvoices(const std::shared_ptr<Talvex::Book>& book,
                                                                 const Params& params)
{
    auto list = book->CreateList("THDocument");
    list->Fields().SelectFields({"IDC", "Number", "CurrencyCode", "DocumentDate"});
    auto party = book->CreateList("THPartyAttribute");
    party->Fields().SelectFields({});
    list->Join(party, "Party", "oTable.IDC = Party.DocId AND Party.RolePartyCode = 'PIR'", 1);
    auto client = book->CreateList("REFClient");
    client->Fields().SelectFields({});
    list->Join(client, "Client", "Party.PartyCode = Client.Code", 1);
    list->Fields().AddField("Comment", FieldType::kText, "ISNULL(oTable.Name, '')");
    list->Fields().AddField("Client", FieldType::kText, "ISNULL(Client.Name, '')");
    list->SetFilter(DepartmentSaleInvoices(params, "oTable"));
    list->OrderBy("oTable.DocumentDate, oTable.IDC");
    list->Refresh();

    auto rs = list->Recordset();
    auto at = [&](const char* name) { return rs->Fields().Item(name).Index(); };
    const std::size_t idc = at("IDC"), number = at("Number"), currency = at("CurrencyCode"), date = at("DocumentDate"),
                      comment = at("Comment"), buyer = at("Client");
    std::vector<SalesJournalInvoice> invoices;
    invoices.reserve(rs->ViewRows().size());
    for (const std::size_t row : rs->ViewRows()) {
        SalesJournalInvoice invoice;
        invoice.idc = rs->StoredValue(row, idc).ToInteger();
        invoice.number = StoredText(*rs, row, number);
        invoice.currencyCode = StoredText(*rs, row, currency);
        invoice.documentDate = rs->StoredValue(row, date).ToDate();
        invoice.comment = StoredText(*rs, row, comment);
        invoice.client = StoredText(*rs, row, buyer);
        invoices.push_back(std::move(invoice));
    }
    return invoices;
}

std::vector<SalesJournalGoodsRow> CRepSalesJournal::FetchGoodsRows(const std::shared_ptr<Talvex::Book>& book,
                                                                   const Params& params)
{
    // The goods rows ("Spec") of the journal's invoices, one per store order.
    auto list = book->CreateList("THGoodSpec");
    list->SetAlias("Spec");
    list->Fields().SelectFields({"IDC", "DocID", "GoodCode", "Amount", "Summa"});
    auto doc = book->CreateList("THDocument");
    doc->Fields().SelectFields({});
    list->Join(doc, "Doc", "Doc.IDC = Spec.DocId");
    auto specAdd = book->CreateList("THGoodSpecPRSF");
    specAdd->Fields().SelectFields({});
    list->Join(specAdd, "SpecAdd", "Spec.DocId = SpecAdd.DocId AND Spec.PosNumb = SpecAdd.PosNumb", 1);
    auto good = book->CreateList("REFGood");
    good->Fields().SelectFields({});
    list->Join(good, "Good", "Spec.GoodCode = Good.Code", 1);
    auto orders = book->CreateList("STOrderSpec");
    orders->Fields().SelectFields({});
    list->Join(orders, "os", "Spec.IDC = os.srcDocSpecID", 1);
    auto stores = book->CreateList("STStore");
    stores->Fields().SelectFields({});
    list->Join(stores, "st", "os.StoreID = st.IDC", 1);
    list->Fields().AddField("GoodName", FieldType::kText, "ISNULL(Good.Name, '')");
    list->Fields().AddField("SummVAT", FieldType::kAmount, "ISNULL(SpecAdd.SummVAT, 0)");
    list->Fields().AddField("Discount", FieldType::kNumber, "ISNULL(SpecAdd.Discount, 0)");
    list->Fields().AddField("DiscountSumm", FieldType::kAmount, "ISNULL(SpecAdd.DiscountSumm, 0)");
    list->Fields().AddField("OrderAmount", FieldType::kQuantity, "os.Amount");
    list->Fields().AddField("StoreCode", FieldType::kCode, "ISNULL(st.Code, '')");
    list->SetFilter(DepartmentSaleInvoices(params, "Doc"));
    list->OrderBy("Doc.DocumentDate, Doc.IDC, Spec.PosNumb, os.IDC");
    list->Refresh();

    auto rs = list->Recordset();
    auto at = [&](const char* name) { return rs->Fields().Item(name).Index(); };
    const std::size_t idc = at("IDC"), docId = at("DocID"), goodCode = at("GoodCode"), amount = at("Amount"),
                      summa = at("Summa"), goodName = at("GoodName"), summVat = at("SummVAT"),
                      discount = at("Discount"), discountSumm = at("DiscountSumm"), orderAmount = at("OrderAmount"),
                      storeCode = at("StoreCode");
    std::vector<SalesJournalGoodsRow> rows;
    rows.reserve(rs->ViewRows().size());
    for (const std::size_t row : rs->ViewRows()) {
        SalesJournalGoodsRow goods;
        goods.specIdc = rs->StoredValue(row, idc).ToInteger();
        goods.docId = rs->StoredValue(row, docId).ToInteger();
        goods.goodCode = StoredText(*rs, row, goodCode);
        goods.goodName = StoredText(*rs, row, goodName);
        goods.amount = QuantityAt(*rs, row, amount);
        goods.summa = MoneyAt(*rs, row, summa);
        goods.summVat = MoneyAt(*rs, row, summVat);
        goods.discount = QuantityAt(*rs, row, discount);
        goods.discountSumm = MoneyAt(*rs, row, discountSumm);
        if (const Value& ordered = rs->StoredValue(row, orderAmount); !ordered.IsNull() && !ordered.IsEmpty())
            goods.orderAmount = ordered.ToDecimal();
        goods.storeCode = StoredText(*rs, row, storeCode);
        rows.push_back(std::move(goods));
    }
    return rows;
}

std::shared_ptr<Talvex::DataList> CRepSalesJournal::ResultList(const std::shared_ptr<Talvex::Book>& book,
                                                               const std::vector<SalesJournalLine>& lines)
{
    ResultListBuilder result(book, kColumns);
    for (const auto& line : lines)
        result.AddRow(ValuesOf(line));
    return result.Finish();
}

bool CRepSalesJournal::Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams)
{
    try {
        auto book = GetBook(&inParams, false);
        frmRepSalesJournal form(book);
        const std::optional<Params> asked = AskPeriodDepartment(form, inParams, outParams);
        if (!asked) return false;
        const Params& params = *asked;
        const std::vector<SalesJournalLine> lines =
            SalesJournalLines(FetchInvoices(book, params), FetchGoodsRows(book, params));
        if (lines.empty()) {
            SayNothingToShow();
            return false;
        }
        outParams.Add("CurrentUser", FieldType::kMultiSelection, Value(book->UserName()));
        outParams.Add("DataList", FieldType::kObject, Value(std::shared_ptr<Talvex::Object>(ResultList(book, lines))));
        return true;
    } catch (...) {
        ReportError();
    }
    return false;
}

} // namespace Quarn_DuzAde
