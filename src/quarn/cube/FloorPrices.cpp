#include "quarn/cube/FloorPrices.hpp"

#include "host/objects/SqlTools.hpp"

namespace Quarn_DuzAde {

void FloorPrices::Read(const std::shared_ptr<Talvex::Book>& book, const std::string& priceTypeCode)
{
    const std::string type = Talvex::SqlTools::Literal(Talvex::FieldType::kCode, Talvex::Value(priceTypeCode));
    // The next price of the same good, unit and currency ends a price's span: one look-up per
    // price of the type, a few thousand at most, where the lines are hundreds of thousands.
    table_.Fill(book, "FloorPrices", [&](const std::string& table) {
        return "SELECT u.GoodCode, gp.CurrencyCode, gp.DateApply, gp.Price,"
               " (SELECT MIN(nx.DateApply) FROM REFGoodPrice nx WHERE nx.PriceTypeCode = gp.PriceTypeCode"
               " AND nx.GoodCode = gp.GoodCode AND nx.UnitCode = gp.UnitCode AND nx.CurrencyCode = gp.CurrencyCode"
               " AND nx.DateApply > gp.DateApply) AS DateNext"
               " INTO " +
               table +
               " FROM REFGoodPrice gp JOIN REFGoodUnit u ON u.GoodCode = gp.GoodCode AND u.UnitCode = gp.UnitCode"
               " AND u.IsAccount = 1 WHERE gp.PriceTypeCode = " +
               type;
    });
}

std::string FloorPrices::InEffect(const std::string& alias, const std::string& goodCode,
                                  const std::string& currencyCode, const std::string& date) const
{
    return alias + ".GoodCode = " + goodCode + " AND " + alias + ".CurrencyCode = " + currencyCode + " AND " + alias +
           ".DateApply <= " + date + " AND (" + alias + ".DateNext IS NULL OR " + date + " < " + alias + ".DateNext)";
}

} // namespace Quarn_DuzAde
