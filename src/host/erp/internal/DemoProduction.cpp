#include "host/erp/internal/DemoDocumentGenerator.hpp"

#include "host/data/Connection.hpp"

#include <algorithm>
#include <string_view>
#include <vector>

namespace Talvex::Erp::Demo {

// Manufacturing orders with their materials, work and finished goods, and cost norms.

// An order "MO" for a product: materials issued to it ("MOS"), its work ("MMW") with the
// materials of that work ("MNM", two levels under the order) and the finished goods
// ("MNFC", linked to the order in THDocumentMO) costed at what went in.
void DocumentGenerator::Manufacturing(Date date)
{
    const std::size_t product = random_.Pick(world_.productGoods);
    const std::int64_t quantity = random_.Between(5, 50);
    Header order = NewHeader("MO", date, "GAM");
    order.closed = date < Date(2026, 10, 1);
    std::vector<Line> materials;
    for (int i = random_.Between(2, 4); i > 0; --i) {
        Line m = NewLine(random_.Pick(world_.materialGoods), quantity * random_.Between(1, 5), false);
        materials.push_back(std::move(m));
    }
    const std::int64_t workCost = quantity * random_.Between(200, 1500);
    std::int64_t planned = workCost;
    for (const auto& m : materials)
        planned += m.amountAccount * world_.goods[m.good].costCents;
    Line ordered = NewLine(product, quantity, false);
    ordered.priceCents = RoundDiv(planned, quantity);
    ordered.netCents = planned;
    ordered.costCents = planned;
    ordered.fixCategory.clear();
    std::vector<Line> orderLines{ordered};
    Write(order, orderLines);

    Header issue = NewHeader("MOS", date, "GAM");
    issue.parent = order.idc;
    std::int64_t materialCost = 0;
    for (auto& m : materials) {
        m.costCents = TakeStock(m);
        m.netCents = m.costCents;
        m.priceCents = RoundDiv(m.costCents, m.amountAccount);
        materialCost += m.costCents;
    }
    Write(issue, materials);

    Header work = NewHeader("MMW", date, "GAM");
    work.parent = order.idc;
    Line w = NewLine(world_.goods.size() - 1, 1, false);
    w.priceCents = workCost;
    w.netCents = workCost;
    w.costCents = workCost;
    w.fixCategory.clear();
    std::vector<Line> workLines{w};
    Write(work, workLines);

    Header workMaterials = NewHeader("MNM", date, "GAM");
    workMaterials.parent = work.idc;
    Line wm = NewLine(random_.Pick(world_.materialGoods), random_.Between(1, 10), false);
    wm.costCents = TakeStock(wm);
    wm.netCents = wm.costCents;
    wm.priceCents = RoundDiv(wm.costCents, wm.amountAccount);
    materialCost += wm.costCents;
    std::vector<Line> workMaterialLines{wm};
    Write(workMaterials, workMaterialLines);

    Header finished = NewHeader("MNFC", date, "GAM");
    finished.parent = order.idc;
    finished.isCostChanged = random_.Percent(5);
    Line f = NewLine(product, quantity, false);
    f.costCents = materialCost + workCost;
    f.netCents = f.costCents;
    f.priceCents = RoundDiv(f.costCents, quantity);
    std::vector<Line> finishedLines{f};
    Write(finished, finishedLines);
    AddLot(f);
    orderLinks_.Int(order.idc).Int(finished.idc).Flag(random_.Percent(20));
    orderLinks_.EndRow();
}

// Cost norms of goods, in force for a while.
void DocumentGenerator::CostNorm(Date date)
{
    Header h = NewHeader("NUR", date, "GAM");
    h.inForce = date;
    h.validity = std::min(world_.end, date.AddDays(random_.Between(90, 365)));
    std::vector<Line> lines;
    for (int i = random_.Between(1, 4); i > 0; --i) {
        const std::size_t good = random_.Pick(world_.productGoods);
        Line l = NewLine(good, random_.Between(1, 10), false);
        l.priceCents = world_.goods[good].costCents;
        l.netCents = l.priceCents * l.amountAccount;
        l.costCents = l.netCents;
        l.fixCategory.clear();
        lines.push_back(std::move(l));
    }
    h.isCostChanged = random_.Percent(10);
    Write(h, lines);
}

} // namespace Talvex::Erp::Demo

namespace Talvex::Erp::Demo {
namespace {

// A fifth of the material issues learn a higher cost after they were written (a late invoice of
// the lots they took): their rows are marked and carry the new cost beside the old sum, which a
// cost recalculation brings together. The finished goods made of those issues are marked too:
// their cost follows the order's.
constexpr std::string_view kFinishProduction = R"sql(
UPDATE THGoodSpec g SET IsCostChanged = 1, CostSumm = round(g.CostSumm * 103 / 100, 2)
FROM THDocument d
WHERE d.IDC = g.DocID AND d.DocTypeCode IN ('MOS', 'MNM') AND d.IDC % 5 = 1;
UPDATE THDocument d SET IsCostChanged = 1
WHERE d.DocTypeCode IN ('MOS', 'MNM') AND d.IDC % 5 = 1;
UPDATE THDocument f SET IsCostChanged = 1
FROM THDocumentMO l
WHERE l.DocID = f.IDC AND f.DocTypeCode = 'MNFC'
  AND l.MOIDC IN (SELECT m.ParentID FROM THDocument m WHERE m.DocTypeCode = 'MOS' AND m.IDC % 5 = 1);
)sql";

} // namespace

void FinishProduction(Data::Connection& db)
{
    db.ExecutePostgresScript(kFinishProduction);
}

} // namespace Talvex::Erp::Demo
