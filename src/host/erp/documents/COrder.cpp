#include "host/erp/documents/COrder.hpp"

#include "host/data/Connection.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/TableObject.hpp"
#include "host/types/Decimal.hpp"
#include "host/types/Errors.hpp"

#include <string_view>

namespace Talvex::Erp {

namespace {

// What the order's posted documents carry as cost: material issues and work hang under the
// order, the materials of the work one level further down.
constexpr std::string_view kOrderFactTotal = R"sql(
SELECT ISNULL(SUM(G.CostSumm), 0)
FROM THGoodSpec G
JOIN THDocument D ON D.IDC = G.DocID
WHERE D.IsPosted = 1
  AND ((D.DocTypeCode IN ('MOS', 'MMW') AND D.ParentID = ?)
       OR (D.DocTypeCode = 'MNM' AND D.ParentID IN (SELECT W.IDC FROM THDocument W
                                                     WHERE W.DocTypeCode = 'MMW' AND W.ParentID = ?)))
)sql";

constexpr std::string_view kDocumentRows = "SELECT G.IDC, G.CostSumm, G.AmountAccount, G.GoodCode, G.Summa FROM "
                                           "THGoodSpec G WHERE G.DocID = ? ORDER BY G.PosNumb";

constexpr std::string_view kDocumentType = "SELECT D.DocTypeCode FROM THDocument D WHERE D.IDC = ?";

constexpr std::string_view kOrderOfFinishedGoods =
    "SELECT TOP 1 L.MOIDC, L.IsCostByNormPrice FROM THDocumentMO L WHERE L.DocID = ? ORDER BY L.IDC";

constexpr std::string_view kOrderRowOfGoods = "SELECT TOP 1 G.CostSumm, G.AmountAccount FROM THGoodSpec G "
                                              "WHERE G.DocID = ? AND G.GoodCode = ? ORDER BY G.PosNumb";

Currency Money(const Value& v)
{
    return v.IsNull() ? Currency() : v.ToCurrency();
}

std::string TypeOf(Book& book, std::int64_t idc)
{
    const auto rs = book.Db().Query(kDocumentType, {Value(idc)});
    return rs.rows.empty() ? std::string() : rs.rows[0][0].ToText();
}

// Saves a row's cost, sum and price when any of them differs; says whether it did.
bool WriteRowCost(TableObject& row, std::int64_t idc, Currency cost)
{
    if (!row.Load(idc)) throw ValueError("THGoodSpec: row " + std::to_string(idc) + " is gone");
    const Currency price = UnitPriceOfCost(cost, Money(row.Get("Amount")));
    if (Money(row.Get("CostSumm")) == cost && Money(row.Get("Summa")) == cost && Money(row.Get("Price")) == price)
        return false;
    row.Set("CostSumm", Value(cost));
    row.Set("Summa", Value(cost));
    row.Set("Price", Value(price));
    row.Save();
    return true;
}

void WriteHeaderSum(Book& book, std::int64_t idc, Currency total)
{
    auto header = book.CreateTableObject("THDocument");
    if (!header->Load(idc)) throw ValueError("THDocument: document " + std::to_string(idc) + " is gone");
    if (Money(header->Get("Summa")) == total) return;
    header->Set("Summa", Value(total));
    header->Save();
}

} // namespace

Currency FinishedRowCost(Currency orderRowCost, Currency orderRowAmount, Currency finishedAmount)
{
    if (orderRowAmount == Currency()) return orderRowCost;
    const Decimal share = Decimal::FromCurrency(orderRowCost) * Decimal::FromCurrency(finishedAmount) /
                          Decimal::FromCurrency(orderRowAmount);
    return share.RoundHalfAwayFromZero(2).ToCurrency();
}

Currency UnitPriceOfCost(Currency cost, Currency amount)
{
    if (amount == Currency()) return Currency();
    return cost.DivideRoundHalfAwayFromZero(amount);
}

COrder::COrder(std::shared_ptr<Book> book) : book_(std::move(book))
{
    if (!book_) throw ValueError("Quarn_Manufacture.COrder: no Book");
}

bool COrder::Init(std::int64_t orderIdc)
{
    orderIdc_ = 0;
    if (TypeOf(*book_, orderIdc) != "MO") return false;
    orderIdc_ = orderIdc;
    return true;
}

std::vector<FactCostRow> COrder::FactCost(Currency& total) const
{
    if (orderIdc_ == 0) throw ValueError("Quarn_Manufacture.COrder: Init was not called with an order");
    auto& db = book_->Db();
    total = Money(db.Query(kOrderFactTotal, {Value(orderIdc_), Value(orderIdc_)}).rows.at(0).at(0))
                .RoundHalfAwayFromZero(2);
    const auto rows = db.Query(kDocumentRows, {Value(orderIdc_)});
    std::vector<FactCostRow> result;
    if (rows.rows.empty()) return result;

    // Planned cost decides the shares; an order planned at nothing is shared by quantity.
    Decimal planned, quantity;
    for (const auto& r : rows.rows) {
        planned = planned + Decimal::FromCurrency(Money(r[1]));
        quantity = quantity + Decimal::FromCurrency(Money(r[2]));
    }
    const bool byQuantity = planned.IsZero();
    const Decimal whole = byQuantity ? quantity : planned;
    Currency given;
    for (std::size_t i = 0; i < rows.rows.size(); ++i) {
        const auto& r = rows.rows[i];
        Currency share;
        if (i + 1 == rows.rows.size())
            share = total - given;
        else if (!whole.IsZero())
            share = (Decimal::FromCurrency(total) * Decimal::FromCurrency(Money(r[byQuantity ? 2 : 1])) / whole)
                        .RoundHalfAwayFromZero(2)
                        .ToCurrency();
        given += share;
        result.push_back({r[0].ToInteger(), share});
    }
    return result;
}

int COrder::WriteFactCost()
{
    Data::Transaction unit(book_->Db());
    Currency total;
    const auto rows = FactCost(total);
    auto row = book_->CreateTableObject("THGoodSpec");
    int changed = 0;
    for (const auto& fact : rows)
        changed += WriteRowCost(*row, fact.IDC, fact.Summa) ? 1 : 0;
    WriteHeaderSum(*book_, orderIdc_, total);
    unit.Commit();
    return changed;
}

CFinishGood::CFinishGood(std::shared_ptr<Book> book) : book_(std::move(book))
{
    if (!book_) throw ValueError("Quarn_Manufacture.CFinishGood: no Book");
}

bool CFinishGood::Init(std::int64_t documentIdc)
{
    documentIdc_ = orderIdc_ = 0;
    byNormPrice_ = false;
    if (TypeOf(*book_, documentIdc) != "MNFC") return false;
    const auto link = book_->Db().Query(kOrderOfFinishedGoods, {Value(documentIdc)});
    if (link.rows.empty()) return false;
    documentIdc_ = documentIdc;
    orderIdc_ = link.rows[0][0].ToInteger();
    byNormPrice_ = !link.rows[0][1].IsNull() && link.rows[0][1].ToInteger() != 0;
    return true;
}

int CFinishGood::SetPriceByFact()
{
    if (documentIdc_ == 0) throw ValueError("Quarn_Manufacture.CFinishGood: Init was not called with a document");
    if (byNormPrice_) return 0;
    auto& db = book_->Db();
    Data::Transaction unit(db);
    const auto rows = db.Query(kDocumentRows, {Value(documentIdc_)});
    auto row = book_->CreateTableObject("THGoodSpec");
    int changed = 0;
    Currency total;
    for (const auto& r : rows.rows) {
        const auto orderRow = db.Query(kOrderRowOfGoods, {Value(orderIdc_), r[3]});
        if (orderRow.rows.empty()) {
            total += Money(r[4]);
            continue;
        }
        const Currency cost = FinishedRowCost(Money(orderRow.rows[0][0]), Money(orderRow.rows[0][1]), Money(r[2]));
        changed += WriteRowCost(*row, r[0].ToInteger(), cost) ? 1 : 0;
        total += cost;
    }
    if (!rows.rows.empty()) WriteHeaderSum(*book_, documentIdc_, total);
    unit.Commit();
    return changed;
}

} // namespace Talvex::Erp
