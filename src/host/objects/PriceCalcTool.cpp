#include "host/objects/PriceCalcTool.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/IPriceCalc.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/objects/TableObject.hpp"
#include "host/objects/frmPriceCalc.hpp"
#include "host/types/Errors.hpp"

#include <string>

namespace Talvex {

namespace {

constexpr const char* kRequired[] = {"BegDate", "EndDate", "Koeff", "PriceListCode", "PriceTypeCode", "CurrencyCode"};

const Value& Required(const FieldList& params, const char* name)
{
    if (!params.ExistsField(name)) throw ValueError(std::string(name) + ": the price calculator needs it");
    const Value& v = params.Item(name).GetValue();
    if (v.IsNull() || v.IsEmpty()) throw ValueError(std::string(name) + ": the price calculator needs it");
    return v;
}

Date DateOf(const FieldList& params, const char* name)
{
    const Value& v = Required(params, name);
    if (v.IsDate()) return v.ToDate();
    Date d;
    if (Date::TryParse(v.ToText(), d)) return d;
    throw ValueError(std::string(name) + ": not a date: " + v.ToText());
}

std::shared_ptr<Book> BookOf(const FieldList& params)
{
    auto book = std::dynamic_pointer_cast<Book>(Required(params, "Book").ToObject());
    if (!book) throw ValueError("Book: the parameter holds no Book");
    return book;
}

PriceCalcRequest RequestOf(const Book& book, const FieldList& params)
{
    PriceCalcRequest r;
    r.begDate = DateOf(params, "BegDate");
    r.endDate = DateOf(params, "EndDate");
    if (r.begDate > r.endDate) throw ValueError("EndDate: the period ends before it begins");
    r.koeff = Required(params, "Koeff").ToDecimal();
    if (r.koeff.IsNegative() || r.koeff.IsZero()) throw ValueError("Koeff: must be above zero");
    r.rate = params.ExistsField("Rate") ? params.Item("Rate").GetValue().ToCurrency() : Currency::FromInteger(1);
    r.priceListCode = Required(params, "PriceListCode").ToText();
    r.priceTypeCode = Required(params, "PriceTypeCode").ToText();
    r.currencyCode = Required(params, "CurrencyCode").ToText();
    r.dt = params.ExistsField("Dt") ? DateOf(params, "Dt") : book.Today();
    return r;
}

// Hands the request to the calculator as the host does: every argument by reference.
void Call(IPriceCalc& calculator, std::shared_ptr<Book> book, PriceCalcRequest r)
{
    double koeff = r.koeff.ToDouble();
    calculator.Calc(book, r.begDate, r.endDate, koeff, r.rate, r.priceListCode, r.priceTypeCode, r.currencyCode, r.dt);
}

int PriceDecimals(Book& book, const std::string& priceTypeCode)
{
    auto priceType = book.CreateTableObject("REFPriceType");
    if (!priceType->HasField("RoundToSign") || !priceType->LoadByKey({{"Code", Value(priceTypeCode)}})) return 4;
    const Value& sign = priceType->Get("RoundToSign");
    if (sign.IsNull() || sign.IsEmpty()) return 4;
    const std::int64_t decimals = sign.ToInteger();
    return decimals < 0 || decimals > 4 ? 4 : static_cast<int>(decimals);
}

} // namespace

void RunPriceCalc(IPriceCalc& calculator, const FieldList& params)
{
    auto book = BookOf(params);
    Call(calculator, book, RequestOf(*book, params));
}

bool HasPriceCalcParams(const FieldList& params)
{
    for (const char* name : kRequired) {
        if (!params.ExistsField(name)) return false;
        const Value& v = params.Item(name).GetValue();
        if (v.IsNull() || v.IsEmpty()) return false;
    }
    return true;
}

std::shared_ptr<DataList> RunPriceCalcTool(IPriceCalc& calculator, const FieldList& params)
{
    auto book = BookOf(params);
    PriceCalcRequest request;
    if (HasPriceCalcParams(params)) {
        request = RequestOf(*book, params);
    } else {
        frmPriceCalc form(book);
        const bool chosen = form.Run(params, request);
        form.Unload();
        if (!chosen) return nullptr;
    }
    Call(calculator, book, request);
    auto prices = CreateStoredPriceList(book, request);
    prices->Refresh();
    if (prices->Recordset()->RecordCount() == 0) return nullptr;
    return prices;
}

std::shared_ptr<DataList> CreateStoredPriceList(const std::shared_ptr<Book>& book, const PriceCalcRequest& request)
{
    using Op = SqlOperator;
    auto prices = book->CreateList("REFGoodPrice");
    prices->Fields().SelectFields({});
    auto goods = book->CreateList("REFGood");
    goods->Fields().SelectFields({});
    prices->Join(goods, "G", "G.Code = oTable.GoodCode", 1);
    const std::string decimals = std::to_string(PriceDecimals(*book, request.priceTypeCode));
    // The columns in the order a person reads a price: when, what, in which unit, how much.
    for (const char* tableColumn : {"DateApply", "GoodCode", "UnitCode", "Price"})
        prices->Fields().Remove(tableColumn);
    prices->Fields().AddField("DateApply", FieldType::kDate, "oTable.DateApply");
    prices->Fields().AddField("GoodCode", FieldType::kCode, "oTable.GoodCode");
    prices->Fields().AddField("Name", FieldType::kText, "G.Name");
    prices->Fields().AddField("UnitCode", FieldType::kCode, "oTable.UnitCode");
    prices->Fields().AddField("Price", FieldType::kNumber, "CAST(oTable.Price AS NUMERIC(19," + decimals + "))");
    const std::string inPriceList =
        "EXISTS (SELECT 1 FROM REFPriceListSpec PrLst WHERE " +
        SqlTools::CondByName("PrLst.PriceListCode", FieldType::kCode, Op::kEqual, Value(request.priceListCode)) +
        " AND UPPER(PrLst.GoodCode) = oTable.GoodCode AND UPPER(PrLst.UnitCode) = oTable.UnitCode)";
    prices->SetFilter(SqlTools::CombineConds(
        CombineMode::kAnd,
        {SqlTools::CondByName("oTable.PriceTypeCode", FieldType::kCode, Op::kEqual, Value(request.priceTypeCode)),
         SqlTools::CondByName("oTable.CurrencyCode", FieldType::kCode, Op::kEqual, Value(request.currencyCode)),
         SqlTools::CondByName("oTable.DateApply", FieldType::kDate, Op::kNotLess, Value(request.begDate)),
         SqlTools::CondByName("oTable.DateApply", FieldType::kDate, Op::kNotGreater, Value(request.endDate)),
         inPriceList}));
    prices->OrderBy("oTable.DateApply, oTable.GoodCode, oTable.UnitCode");
    return prices;
}

} // namespace Talvex
