#include "quarn/sales/CReportBuyFromPerson.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/RateJoin.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/ResultList.hpp"
#include "quarn/query/CSelectByRef.hpp"
#include "quarn/sales/frmRepBuyFromPerson.hpp"

#include <charconv>

namespace Quarn_DuzAde {

using Talvex::FieldType;
using Talvex::SqlOperator;
using Talvex::SqlTools;
using Talvex::Value;
using Talvex::Data::DataTypeEnum;

namespace {

// Selection types of the client selector: a list of codes, a node of the client tree.
constexpr long kSelectCodes = 1;
constexpr long kSelectNode = 2;

bool Given(const Talvex::FieldList& params, const char* name)
{
    if (!params.ExistsField(name)) return false;
    const Value& v = params.Item(name).GetValue();
    return !v.IsNull() && !v.IsEmpty() && !(v.IsText() && v.ToText().empty());
}

Talvex::Date DateParam(const Talvex::FieldList& params, const char* name)
{
    if (!Given(params, name)) throw Talvex::ValueError(std::string(name) + ": the date is missing");
    const Value& v = params.Item(name).GetValue();
    if (v.IsDate()) return v.ToDate();
    Talvex::Date date;
    if (!Talvex::Date::TryParse(v.ToText(), date))
        throw Talvex::ValueError(std::string(name) + ": '" + v.ToText() + "' is not a date");
    return date;
}

std::string TextParam(const Talvex::FieldList& params, const char* name)
{
    return Given(params, name) ? params.Item(name).GetValue().ToText() : std::string();
}

// "0,1" or "'0', '1'": the goods categories as numbers.
std::vector<int> CategoriesOf(const std::string& text)
{
    std::vector<int> categories;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = text.find(',', start);
        std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        std::erase_if(item, [](char c) { return c == ' ' || c == '\''; });
        if (!item.empty()) {
            int number = 0;
            const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), number);
            if (error != std::errc() || end != item.data() + item.size() || number < 0)
                throw Talvex::ValueError("Category: '" + item + "' is not a goods category number");
            categories.push_back(number);
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return categories;
}

constexpr ResultColumn kColumns[] = {
    {"Code", DataTypeEnum::VarWChar, FieldType::kCode},
    {"Name", DataTypeEnum::VarWChar, FieldType::kText},
    {"PlantCode", DataTypeEnum::VarWChar, FieldType::kCode},
    {"CurrencyCode", DataTypeEnum::VarWChar, FieldType::kCode},
    {"Summa", DataTypeEnum::Currency, FieldType::kAmount},
    {"IsIncomeTill", DataTypeEnum::Integer, FieldType::kInteger},
};

} // namespace

CReportBuyFromPerson::Params CReportBuyFromPerson::ReadParams(const Talvex::FieldList& params)
{
    Params p;
    p.begPeriod = DateParam(params, "BegPeriod");
    p.endPeriod = DateParam(params, "EndPeriod");
    if (p.endPeriod < p.begPeriod) throw Talvex::ValueError("EndPeriod: the period ends before it starts");
    p.clientGroupCode = TextParam(params, "ClientGroupCode");
    p.clients = TextParam(params, "Client");
    p.categories = CategoriesOf(TextParam(params, "Category"));
    if (Given(params, "MinSum")) {
        const Value& v = params.Item("MinSum").GetValue();
        Talvex::Currency sum;
        if (v.IsNumber())
            sum = v.ToCurrency();
        else if (!Talvex::Currency::ParseExact(v.ToText(), sum))
            throw Talvex::ValueError("MinSum: '" + v.ToText() + "' is not an amount");
        if (sum < Talvex::Currency()) throw Talvex::ValueError("MinSum: the minimum sum cannot be negative");
        p.minSum = sum;
    }
    // Without a cut-off every purchase of the period counts as paid up to it.
    p.incomeTill = Given(params, "IncomeTill") ? DateParam(params, "IncomeTill") : p.endPeriod;
    p.accountCurrency = TextParam(params, "AccCurr");
    return p;
}

std::vector<BuyFromPersonPurchase> CReportBuyFromPerson::FetchPurchases(const std::shared_ptr<Talvex::Book>& book,
                                                                        const Params& params)
{
    auto list = book->CreateList("REFClient");
    list->Fields().SelectFields({"Code", "Name", "PlantCode"});
    auto party = book->CreateList("THPartyAttribute");
    party->Fields().SelectFields({});
    list->Join(party, "Party", "oTable.Code = Party.PartyCode AND Party.PartyType = 1");
    auto doc = book->CreateList("THDocument");
    doc->Fields().SelectFields({});
    list->Join(doc, "Doc", "Party.DocId = Doc.IDC AND Party.RolePartyCode = 'PAR'");
    auto attributes = book->CreateList("THDocumentPISF");
    attributes->Fields().SelectFields({});
    list->Join(attributes, "Da", "Doc.IDC = Da.DocID", 1);

    auto& f = list->Fields();
    f.AddField("DocID", FieldType::kId, "Doc.IDC");
    f.AddField("DocumentDate", FieldType::kDate, "Doc.DocumentDate");
    f.AddField("DocCurrency", FieldType::kCode, "Doc.CurrencyCode");
    Talvex::RateJoin rates;
    rates.Init(book, "Cros", "Rate");
    rates.JoinRates(*list, "DocumentDate", "DocCurrency");

    std::vector<std::string> conditions{"oTable.IsPerson = 1", "Doc.DocTypeCode = 'PISF'", "Doc.IsPosted = 1",
                                        SqlTools::CondByName("Doc.DocumentDate", FieldType::kDate,
                                                             SqlOperator::kBetween, Value(params.begPeriod),
                                                             Value(params.endPeriod)),
                                        "Da.VATDirection IN ('00', '99')"};
    if (params.categories.empty()) {
        // The whole purchase, converted once at its day's rate.
        f.AddField("Summa", FieldType::kAmount, rates.ConvertExpr("DocCurrency", "Doc.Summa"));
    } else {
        // Only the rows of the chosen categories, each converted, summed per purchase.
        auto lines = book->CreateList("THGoodSpec");
        lines->Fields().SelectFields({});
        list->Join(lines, "Line", "Doc.IDC = Line.DocId");
        auto good = book->CreateList("REFGood");
        good->Fields().SelectFields({});
        list->Join(good, "Good", "Line.GoodCode = Good.Code");
        f.AddField("Summa", FieldType::kAmount, rates.ConvertExpr("DocCurrency", "Line.Summa"))
            .SetAggregate(Talvex::Aggregate::kSum);
        std::string inList;
        for (int category : params.categories)
            inList += (inList.empty() ? "" : ", ") + std::to_string(category);
        conditions.push_back("Good.Category IN (" + inList + ")");
    }

    CSelectByRef byRef;
    byRef.InitBook(book);
    if (!params.clients.empty())
        conditions.push_back(
            byRef.FiltrByClients(*list, "oTable.Code", SqlTools::QuoteCodes(params.clients), kSelectCodes));
    else if (!params.clientGroupCode.empty())
        conditions.push_back(byRef.FiltrByClients(*list, "oTable.Code", params.clientGroupCode, kSelectNode));
    list->SetFilter(SqlTools::CombineConds(Talvex::CombineMode::kAnd, conditions));
    list->Refresh();

    auto rs = list->Recordset();
    auto at = [&](const char* name) { return rs->Fields().Item(name).Index(); };
    const std::size_t code = at("Code"), name = at("Name"), plantCode = at("PlantCode"), docId = at("DocID"),
                      date = at("DocumentDate"), summa = at("Summa");
    std::vector<BuyFromPersonPurchase> purchases;
    purchases.reserve(rs->ViewRows().size());
    for (const std::size_t row : rs->ViewRows()) {
        BuyFromPersonPurchase purchase;
        purchase.code = StoredText(*rs, row, code);
        purchase.name = StoredText(*rs, row, name);
        purchase.plantCode = StoredText(*rs, row, plantCode);
        purchase.docId = rs->StoredValue(row, docId).ToInteger();
        purchase.documentDate = rs->StoredValue(row, date).ToDate();
        const Value& sum = rs->StoredValue(row, summa);
        // A purchase in a currency without a rate of its day has no sum to declare.
        if (sum.IsNull() || sum.IsEmpty())
            throw Talvex::ValueError("Summa: the purchase " + std::to_string(purchase.docId) +
                                     " has no currency rate on " + purchase.documentDate.ToIso());
        purchase.summa = sum.ToCurrency();
        purchases.push_back(std::move(purchase));
    }
    return purchases;
}

std::shared_ptr<Talvex::DataList> CReportBuyFromPerson::ResultList(const std::shared_ptr<Talvex::Book>& book,
                                                                   const std::vector<BuyFromPersonTotal>& totals)
{
    ResultListBuilder result(book, kColumns);
    for (const auto& total : totals)
        result.AddRow(std::vector<Value>{Value(total.code), Value(total.name), Value(total.plantCode),
                                         Value(total.currencyCode), Value(total.summa), Value(total.isIncomeTill)});
    return result.Finish();
}

std::vector<BuyFromPersonTotal> CReportBuyFromPerson::TotalsOf(Talvex::DataList& list)
{
    auto rs = list.Recordset();
    std::vector<BuyFromPersonTotal> totals;
    if (!rs) return totals;
    auto at = [&](const char* name) { return rs->Fields().Item(name).Index(); };
    const std::size_t code = at("Code"), name = at("Name"), plantCode = at("PlantCode"), currency = at("CurrencyCode"),
                      summa = at("Summa"), incomeTill = at("IsIncomeTill");
    for (const std::size_t row : rs->ViewRows()) {
        BuyFromPersonTotal total;
        total.code = StoredText(*rs, row, code);
        total.name = StoredText(*rs, row, name);
        total.plantCode = StoredText(*rs, row, plantCode);
        total.currencyCode = StoredText(*rs, row, currency);
        total.summa = rs->StoredValue(row, summa).ToCurrency();
        total.isIncomeTill = static_cast<int>(rs->StoredValue(row, incomeTill).ToInteger());
        totals.push_back(std::move(total));
    }
    return totals;
}

std::shared_ptr<Talvex::DataList> CReportBuyFromPerson::GetList(const std::shared_ptr<Talvex::Book>& book,
                                                                const Talvex::FieldList& params, bool /*importToXml*/)
{
    Params p = ReadParams(params);
    if (p.accountCurrency.empty()) p.accountCurrency = book->AccountCurrency();
    const BuyFromPersonRules rules{p.accountCurrency, p.minSum, p.incomeTill};
    return ResultList(book, BuyFromPersonTotals(FetchPurchases(book, p), rules));
}

void CReportBuyFromPerson::Main(Talvex::FieldList& params)
{
    try {
        auto book = GetBook(&params, false);
        frmRepBuyFromPerson form;
        form.Run(book, nullptr);
    } catch (...) {
        ReportError();
    }
}

} // namespace Quarn_DuzAde
