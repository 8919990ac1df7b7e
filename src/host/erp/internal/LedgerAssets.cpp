#include "host/data/Connection.hpp"
#include "host/erp/internal/LedgerStages.hpp"

#include <string_view>

namespace Talvex::Erp::Ledger {
namespace {

// Asset cards, and a card for any asset code the issue documents name that the list lacks.
constexpr std::string_view kAssets = R"sql(
INSERT INTO REFLValAssets (Code, Name, UnitCode, Price) VALUES
    ('MVP-001', 'Nešiojamas kompiuteris', 'VNT', 899.00),
    ('MVP-002', 'Monitorius 27"', 'VNT', 219.00),
    ('MVP-003', 'Biuro kėdė', 'VNT', 145.00),
    ('MVP-004', 'Rašomasis stalas', 'VNT', 260.00),
    ('MVP-005', 'Mobilusis telefonas', 'VNT', 399.00),
    ('MVP-006', 'Spausdintuvas', 'VNT', 189.00),
    ('MVP-007', 'Brūkšninių kodų skaitytuvas', 'VNT', 120.00),
    ('MVP-008', 'Akumuliatorinis gręžtuvas', 'VNT', 159.00),
    ('MVP-009', 'Darbo drabužių komplektas', 'VNT', 65.00),
    ('MVP-010', 'Apsauginiai batai', 'VNT', 58.00),
    ('MVP-011', 'Rankinis padėklų vežimėlis', 'VNT', 310.00),
    ('MVP-012', 'Kopėčios', 'VNT', 95.00),
    ('MVP-013', 'Planšetinis kompiuteris', 'VNT', 349.00),
    ('MVP-014', 'Kasos stalčius', 'VNT', 110.00),
    ('MVP-015', 'Lentynų sekcija', 'VNT', 175.00),
    ('MVP-016', 'Kavos aparatas', 'VNT', 240.00),
    ('MVP-017', 'Dokumentų spinta', 'VNT', 280.00),
    ('MVP-018', 'Svarstyklės', 'VNT', 135.00),
    ('MVP-019', 'Radijo stotelė', 'VNT', 85.00),
    ('MVP-020', 'Projektorius', 'VNT', 520.00);
INSERT INTO REFFixAssetsObjects (Code, Name, InventoryNumber) VALUES
    ('IT-001', 'Serveris', 'IT0001'),
    ('IT-002', 'Krautuvas', 'IT0002'),
    ('IT-003', 'Lengvasis automobilis', 'IT0003'),
    ('IT-004', 'Krovininis furgonas', 'IT0004'),
    ('IT-005', 'Šaldymo kamera', 'IT0005'),
    ('IT-006', 'Kasos sistema', 'IT0006'),
    ('IT-007', 'Sandėlio stelažai', 'IT0007'),
    ('IT-008', 'Pakavimo linija', 'IT0008'),
    ('IT-009', 'Apsaugos sistema', 'IT0009'),
    ('IT-010', 'Kondicionavimo sistema', 'IT0010');
INSERT INTO REFLValAssets (Code, Name, UnitCode)
SELECT DISTINCT AssetsCode, 'Mažavertis inventorius ' || AssetsCode, 'VNT'
FROM THGoodSpecITNS WHERE AssetsCode IS NOT NULL
ON CONFLICT (Code) DO NOTHING;
INSERT INTO REFFixAssetsObjects (Code, Name)
SELECT DISTINCT FAObjectCode, 'Ilgalaikis turtas ' || FAObjectCode
FROM THGoodSpecITNS WHERE FAObjectCode IS NOT NULL
ON CONFLICT (Code) DO NOTHING;
)sql";

} // namespace

void CreateAssets(Data::Connection& db)
{
    db.ExecutePostgresScript(kAssets);
}

} // namespace Talvex::Erp::Ledger
