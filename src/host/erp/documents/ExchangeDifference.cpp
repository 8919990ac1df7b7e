#include "host/erp/documents/ExchangeDifference.hpp"

namespace Talvex::Erp {

namespace {

Currency ToCents(Currency amount, const Decimal& rate)
{
    return (Decimal::FromCurrency(amount) * rate).RoundHalfAwayFromZero(2).ToCurrency();
}

} // namespace

ExchangeDifference RealisedDifference(const ExchangeSettlement& s)
{
    ExchangeDifference d;
    d.paySpecId = s.paySpecId;
    d.docId = s.docId;
    d.docNumber = s.docNumber;
    d.payDocId = s.payDocId;
    d.summaCur = s.summaCur;
    d.booked = ToCents(s.summaCur, s.docRate);
    d.realised = ToCents(s.summa, s.payRate);
    // What we receive for a receivable above its booked value is ours to keep; what we pay for
    // a payable above its booked value is ours to lose.
    d.difference = s.payable ? d.booked - d.realised : d.realised - d.booked;
    return d;
}

ExchangeDocumentPlan PlanExchangeDocument(const std::vector<ExchangeSettlement>& settlements)
{
    ExchangeDocumentPlan plan;
    for (const auto& settlement : settlements) {
        ExchangeDifference d = RealisedDifference(settlement);
        if (d.difference == Currency()) continue;
        plan.summa += d.difference;
        plan.links.push_back(std::move(d));
    }
    return plan;
}

} // namespace Talvex::Erp
