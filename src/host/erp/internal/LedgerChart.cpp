#include "host/data/Connection.hpp"
#include "host/erp/internal/LedgerStages.hpp"

#include <string_view>

namespace Talvex::Erp::Ledger {
namespace {

// The books of a trading company after the national chart: class by the first digit, groups
// of two digits, posting accounts of three or four. Debtors, creditors and cash are kept by
// client and cash-flow kind, income and cost of sales by department.
constexpr std::string_view kChart = R"sql(
INSERT INTO GLAccSet (Code, Name, IsBudget) VALUES
    ('1', 'Finansinė apskaita', 0),
    ('B', 'Pinigų srautų biudžetas', 1);

INSERT INTO GLAnalytType (Code, Name, RefTable) VALUES
    ('CL', 'Klientai', 'REFClient'),
    ('DP', 'Padaliniai', 'REFDepartment'),
    ('CF', 'Pinigų srautų rūšys', 'REFPaymentType');

INSERT INTO GLAccount (AccSetCode, Code, Name, Parent, IsGroup) VALUES
    ('1', '1', 'Ilgalaikis turtas', NULL, 1),
    ('1', '12', 'Materialusis turtas', '1', 1),
    ('1', '120', 'Žemė ir pastatai', '12', 0),
    ('1', '123', 'Mašinos ir įrengimai', '12', 0),
    ('1', '124', 'Transporto priemonės', '12', 0),
    ('1', '129', 'Sukauptas nusidėvėjimas', '12', 0),
    ('1', '2', 'Trumpalaikis turtas', NULL, 1),
    ('1', '20', 'Atsargos', '2', 1),
    ('1', '201', 'Prekės, skirtos perparduoti', '20', 0),
    ('1', '204', 'Žaliavos ir medžiagos', '20', 0),
    ('1', '24', 'Gautinos sumos', '2', 1),
    ('1', '240', 'Pirkėjų įsiskolinimas', '24', 0),
    ('1', '244', 'Gautinas PVM', '24', 0),
    ('1', '27', 'Pinigai ir jų ekvivalentai', '2', 1),
    ('1', '271', 'Sąskaitos bankuose', '27', 0),
    ('1', '272', 'Kasa', '27', 0),
    ('1', '3', 'Nuosavas kapitalas', NULL, 1),
    ('1', '30', 'Kapitalas', '3', 1),
    ('1', '301', 'Įstatinis kapitalas', '30', 0),
    ('1', '34', 'Nepaskirstytasis pelnas', '3', 1),
    ('1', '341', 'Ankstesnių metų nepaskirstytasis pelnas', '34', 0),
    ('1', '4', 'Mokėtinos sumos ir įsipareigojimai', NULL, 1),
    ('1', '44', 'Prekybos skolos', '4', 1),
    ('1', '443', 'Skolos tiekėjams', '44', 0),
    ('1', '449', 'Mokėtinas PVM', '44', 0),
    ('1', '45', 'Kitos mokėtinos sumos', '4', 1),
    ('1', '450', 'Atsiskaitymai su tiekėjais', '45', 1),
    ('1', '4501', 'Konsignacijos tiekėjai', '450', 0),
    ('1', '4502', 'Vežėjai ir paslaugų tiekėjai', '450', 0),
    ('1', '5', 'Pajamos', NULL, 1),
    ('1', '50', 'Pardavimo pajamos', '5', 1),
    ('1', '500', 'Prekių pardavimo pajamos', '50', 0),
    ('1', '505', 'Paslaugų pardavimo pajamos', '50', 0),
    ('1', '509', 'Pardavimo grąžinimai ir nuolaidos', '50', 0),
    ('1', '52', 'Finansinės veiklos pajamos', '5', 1),
    ('1', '521', 'Teigiama valiutų kursų įtaka', '52', 0),
    ('1', '529', 'Kitos finansinės veiklos pajamos', '52', 0),
    ('1', '6', 'Sąnaudos', NULL, 1),
    ('1', '60', 'Pardavimo savikaina', '6', 1),
    ('1', '600', 'Parduotų prekių savikaina', '60', 0),
    ('1', '61', 'Veiklos sąnaudos', '6', 1),
    ('1', '610', 'Transporto sąnaudos', '61', 0),
    ('1', '612', 'Patalpų nuomos sąnaudos', '61', 0),
    ('1', '620', 'Kitos veiklos sąnaudos', '61', 0),
    ('1', '63', 'Finansinės veiklos sąnaudos', '6', 1),
    ('1', '631', 'Neigiama valiutų kursų įtaka', '63', 0),
    ('1', '639', 'Kitos finansinės veiklos sąnaudos', '63', 0),
    ('B', 'B', 'Biudžetas', NULL, 1),
    ('B', 'BSP', 'Pinigų srautų biudžetas', 'B', 0),
    ('B', 'BRZ', 'Biudžeto rezultatas', 'B', 0);

INSERT INTO GLAccountAnalytType (AccSetCode, AccCode, AnalytTypeCode, PosNumb) VALUES
    ('1', '240', 'CL', 1),
    ('1', '443', 'CL', 1),
    ('1', '4501', 'CL', 1),
    ('1', '4502', 'CL', 1),
    ('1', '271', 'CF', 1),
    ('1', '272', 'CF', 1),
    ('1', '500', 'DP', 1),
    ('1', '505', 'DP', 1),
    ('1', '509', 'DP', 1),
    ('1', '600', 'DP', 1),
    ('B', 'BSP', 'CF', 1);

INSERT INTO GLIndicator (Code, Name, AccSetCode, AccCode, AnalytTypeCode, IsClientLimit) VALUES
    ('DEBT', 'Pirkėjų skola', '1', '240', 'CL', 1),
    ('CRED', 'Skola konsignacijos tiekėjams ir vežėjams', '1', '450', 'CL', 0),
    ('CRED443', 'Skola tiekėjams', '1', '443', 'CL', 0);
)sql";

} // namespace

void CreateChartOfAccounts(Data::Connection& db)
{
    db.ExecutePostgresScript(kChart);
}

} // namespace Talvex::Erp::Ledger
