#include "quarn/cost/CPriceListCostPrice.hpp"

#include "host/data/ApplicationLock.hpp"
#include "host/data/Connection.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/RecordsetRows.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/objects/StatusLine.hpp"
#include "host/objects/TableObject.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/MessageBox.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"

#include <map>
#include <tuple>

namespace Quarn_DuzAde {

using Talvex::DataList;
using Talvex::Date;
using Talvex::SqlTools;
using Talvex::Value;
using Op = Talvex::SqlOperator;
using enum Talvex::FieldType;

namespace {

constexpr long kNotAccountCurrency = 26290;
constexpr long kCalculatingRow = 26291;
constexpr long kPricesCalculated = 26292;
// Sessions filling prices at once take turns on this session lock, so that the second finds
// the first one's prices instead of adding the same keys again.
constexpr const char* kWritingLock = "Quarn_DuzAde.PriceListCostPrice";

std::string Text(long id)
{
    return ModuleFormRes().GetString(id);
}

} // namespace

Talvex::Currency RoundedCostPrice(const Talvex::Decimal& price, int decimals)
{
    return price.RoundHalfToEven(decimals).ToCurrency();
}

std::shared_ptr<DataList> CPriceListCostPrice::CreateCostList(std::shared_ptr<Talvex::Book> book, Date begDate,
                                                              Date endDate, double koeff,
                                                              const std::string& priceListCode)
{
    if (!book) throw Talvex::ValueError("CPriceListCostPrice: no Book");
    // Purchases of the price list's goods and units in the period.
    auto d = book->CreateList("THDocument");
    d->SetAlias("D");
    d->Fields().SelectFields({});
    auto gs = book->CreateList("THGoodSpec");
    gs->Fields().SelectFields({});
    d->Join(gs, "gs", "D.IDC = gs.DocID");
    auto prLst = book->CreateList("REFPriceListSpec");
    prLst->Fields().SelectFields({});
    d->Join(prLst, "PrLst", "PrLst.GoodCode = gs.GoodCode AND PrLst.UnitCode = gs.UnitCode");
    d->Fields().AddField("DocumentDate", kDate, "D.DocumentDate");
    d->Fields().AddField("GoodCode", kCode, "UPPER(gs.GoodCode)");
    d->Fields().AddField("UnitCode", kCode, "UPPER(gs.UnitCode)");
    d->SetFilter(
        SqlTools::CombineConds(Talvex::CombineMode::kAnd,
                               {SqlTools::CondByName("PrLst.PriceListCode", kCode, Op::kEqual, Value(priceListCode)),
                                "gs.AmountAccount <> 0", "gs.CostSumm <> 0", "D.DocTypeCode = 'PISF'", "D.IsPosted = 1",
                                SqlTools::CondByName("D.DocumentDate", kDate, Op::kNotLess, Value(begDate)),
                                SqlTools::CondByName("D.DocumentDate", kDate, Op::kNotGreater, Value(endDate))}));
    // Each purchase row's own unit cost times the coefficient; Calc gives every row of a day,
    // goods and unit the price of the first of them, the row entered first, so that the same
    // purchases always give the same price. A sub-select per row for "one row of that day"
    // gave the same prices at thirty times the cost.
    d->Fields().AddField("Price", kNumber, "gs.CostSumm / gs.Amount * " + SqlTools::Literal(kNumber, Value(koeff)));
    d->OrderBy("D.DocumentDate, gs.IDC");
    return d;
}

int CPriceListCostPrice::PriceDecimals(const std::shared_ptr<Talvex::Book>& book, const std::string& priceTypeCode)
{
    auto priceType = book->CreateTableObject("REFPriceType");
    if (!priceType->HasField("RoundToSign")) return 4;
    if (!priceType->LoadByKey({{"Code", Value(priceTypeCode)}}))
        throw Talvex::ValueError("PriceTypeCode: no price type \"" + priceTypeCode + "\"");
    const Value& sign = priceType->Get("RoundToSign");
    return sign.IsNull() || sign.IsEmpty() ? 4 : static_cast<int>(sign.ToInteger());
}

void CPriceListCostPrice::Calc(std::shared_ptr<Talvex::Book>& Book, Date& BegDate, Date& EndDate, double& Koeff,
                               Talvex::Currency& /*Rate*/, std::string& PriceListCode, std::string& PriceTypeCode,
                               std::string& CurrencyCode, Date& /*Dt*/)
{
    added_ = changed_ = 0;
    try {
        if (!Book) throw Talvex::ValueError("CPriceListCostPrice: no Book");
        const std::string accountCurrency = Book->AccountCurrency();
        // Prices are made in the accounting currency only, each from its own purchase date.
        if (CurrencyCode != accountCurrency) {
            Talvex::Ui::MessageBox().ShowSingle(FormatMsg(Text(kNotAccountCurrency), {Value(accountCurrency)}), "Gerai",
                                                "", Talvex::Ui::MessageKind::Refusal);
            return;
        }
        const int decimals = PriceDecimals(Book, PriceTypeCode);
        auto list = CreateCostList(Book, BegDate, EndDate, Koeff, PriceListCode);
        list->Refresh();
        const auto rows =
            Talvex::Ui::ReadRecordsetRows(*list->Recordset(), {"DocumentDate", "GoodCode", "UnitCode", "Price"}).rows;
        Talvex::StatusLine status;
        auto price = Book->CreateTableObject("REFGoodPrice");
        // The day's first purchase row of a goods and unit gives the price of all of them.
        std::map<std::tuple<std::int32_t, std::string, std::string>, Talvex::Decimal> dayPrice;
        // Sessions filling prices take turns, a whole calculation each.
        Talvex::Data::SessionLock lock(Book->Db(), kWritingLock);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const auto& r = rows[i];
            status.ShowStatus(FormatMsg(Text(kCalculatingRow), {Value(static_cast<std::int64_t>(i + 1)),
                                                                Value(static_cast<std::int64_t>(rows.size()))}));
            const Talvex::Decimal unrounded = dayPrice
                                                  .try_emplace({r[0].ToDate().Serial(), r[1].ToText(), r[2].ToText()},
                                                               r[3].IsNull() ? Talvex::Decimal() : r[3].ToDecimal())
                                                  .first->second;
            const Talvex::Currency rounded = RoundedCostPrice(unrounded, decimals);
            // Each price is its own unit of work: a failure keeps the prices written before it.
            Talvex::Data::Transaction unit(Book->Db());
            const std::vector<std::pair<std::string, Value>> key{{"PriceTypeCode", Value(PriceTypeCode)},
                                                                 {"CurrencyCode", Value(CurrencyCode)},
                                                                 {"GoodCode", r[1]},
                                                                 {"UnitCode", r[2]},
                                                                 {"DateApply", r[0]}};
            if (price->LoadByKey(key)) {
                if (price->Get("Price").ToCurrency() != rounded) {
                    price->Set("Price", Value(rounded));
                    price->Save();
                    ++changed_;
                }
            } else {
                price->AddNew();
                for (const auto& [name, value] : key)
                    price->Set(name, value);
                price->Set("Price", Value(rounded));
                price->Save();
                ++added_;
            }
            unit.Commit();
        }
        status.ShowStatus("");
        Talvex::Ui::MessageBox().ShowSingle(Text(kPricesCalculated), "Gerai");
    } catch (...) {
        Talvex::StatusLine().ShowStatus("");
        ReportError();
    }
}

} // namespace Quarn_DuzAde
