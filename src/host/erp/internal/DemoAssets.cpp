#include "host/erp/internal/DemoDocumentGenerator.hpp"

#include "host/data/Connection.hpp"

#include <cstdio>
#include <string_view>
#include <vector>

namespace Talvex::Erp::Demo {

// Low-value assets handed to their holders.

// Low-value assets handed to a holder; some come back.
void DocumentGenerator::AssetIssue(Date date)
{
    Header h = NewHeader("ITNS", date, "FIN");
    std::vector<Line> lines;
    for (int i = random_.Between(1, 3); i > 0; --i) {
        const std::size_t good = random_.Pick(world_.equipmentGoods);
        Line l = NewLine(good, 1, false);
        l.priceCents = world_.goods[good].costCents;
        l.netCents = l.priceCents;
        l.costCents = l.priceCents;
        l.fixCategory.clear();
        lines.push_back(std::move(l));
    }
    Write(h, lines);
    const DemoClient& holder = random_.Percent(40) ? world_.customers.back() : random_.Pick(world_.customers);
    Party(h, "PIR", holder.code);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ++assetNumber_;
        char asset[16];
        char object[16];
        std::snprintf(asset, sizeof asset, "MVP%04d", assetNumber_ % 60 + 1);
        std::snprintf(object, sizeof object, "IT%03d", assetNumber_ % 25 + 1);
        assetLines_.Int(h.idc).Int(static_cast<std::int64_t>(i + 1)).Text(asset).Text(object);
        const Date back = date.AddDays(random_.Between(30, 400));
        if (random_.Percent(30) && back <= world_.end)
            assetLines_.Day(back);
        else
            assetLines_.Null();
        assetLines_.EndRow();
    }
}

} // namespace Talvex::Erp::Demo

namespace Talvex::Erp::Demo {
namespace {

// Every fourth issued line is a fixed-asset object alone, without a low-value asset card; two
// of three issues are made by the departments that use the items rather than by finance.
constexpr std::string_view kFinishAssets = R"sql(
UPDATE THGoodSpecITNS SET AssetsCode = NULL WHERE (DocID + PosNumb) % 4 = 0;
UPDATE THDocument SET Department = (ARRAY['GAM', 'PIRK', 'PARD-V', 'REST'])[1 + IDC % 4]
WHERE DocTypeCode = 'ITNS' AND IDC % 3 <> 0;
)sql";

} // namespace

void FinishAssets(Data::Connection& db)
{
    db.ExecutePostgresScript(kFinishAssets);
}

} // namespace Talvex::Erp::Demo
