#include "host/data/Connection.hpp"
#include "host/erp/internal/LedgerRandom.hpp"
#include "host/erp/internal/LedgerStages.hpp"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex::Erp::Ledger {
namespace {

// Units, goods categories and price types of their own, then every unit and price type the
// documents already use, so that no code in a document lacks its card. "PSV" holds no prices
// of the generator's: it is the type the price-list cost price calculator fills, which no
// report reads.
constexpr std::string_view kUnitsAndTypes = R"sql(
INSERT INTO REFUnit (Code, Name) VALUES
    ('VNT', 'vienetai'), ('KG', 'kilogramai'), ('L', 'litrai'), ('M', 'metrai'), ('M2', 'kvadratiniai metrai'),
    ('PAK', 'pakuotės'), ('DEZ', 'dėžės'), ('VAL', 'valandos');
INSERT INTO REFUnit (Code, Name)
SELECT u.Code, u.Code
FROM (SELECT UnitCode AS Code FROM REFGoodUnit UNION SELECT UnitCode FROM THGoodSpec) u
WHERE u.Code IS NOT NULL
ON CONFLICT (Code) DO NOTHING;

INSERT INTO REFGoodCategory (Code, Name) VALUES (0, 'Prekės'), (1, 'Paslaugos');

INSERT INTO REFPriceType (Code, Name, CurrencyCode, IsVATIncluded, RoundToSign) VALUES
    ('BAZ', 'Bazinė mažmeninė kaina', 'EUR', 1, 2),
    ('DID', 'Didmeninė kaina', 'EUR', 0, 2),
    ('SAV', 'Savikaina', 'EUR', 0, 4),
    ('AKC', 'Akcijos kaina', 'EUR', 1, 2),
    ('PSV', 'Kaina pagal pirkimų savikainą', 'EUR', 0, 2);

INSERT INTO STStore (IDC, Code, Name) VALUES
    (1, 'C', 'Centrinis sandėlis'),
    (2, 'V1', 'Vilniaus parduotuvės sandėlis'),
    (3, 'K1', 'Kauno sandėlis'),
    (4, 'KL1', 'Klaipėdos sandėlis');
SELECT setval(pg_get_serial_sequence('ststore', 'idc'), 4);

INSERT INTO BookSetting (SettingName, SettingValue) VALUES ('AccSetCode', '1')
ON CONFLICT (SettingName) DO NOTHING;

INSERT INTO AdminUserSetting (UserName, ReportKey, SettingName, SettingValue)
SELECT u.Login, 'frmFinState', s.Name, s.Value
FROM "user" u
CROSS JOIN (VALUES ('BankAccount', '271'), ('CashAccount', '272'), ('DebetDocs', 'PRSF; TPPR'),
                   ('KreditDocs', 'PISF; TPPI'), ('KreditDate', '')) AS s (Name, Value)
ORDER BY u.Login, s.Name;
)sql";

// Document tables whose headers name a price type.
constexpr std::array<std::string_view, 6> kPriceTypeDocs{"PRSF", "GPG", "PRSD", "SCN", "PISF", "POSF"};

// Every day from 2020 to 2030; days off are weekends and the national holidays that fall on a
// fixed date.
constexpr std::string_view kCalendar = R"sql(
INSERT INTO REFDates (CalDate, Year, Quarter, Month, Day, WeekDay, Week, MonthBegin, MonthEnd, IsWorkDay)
SELECT d::DATE, extract(year FROM d)::INTEGER, extract(quarter FROM d)::INTEGER, extract(month FROM d)::INTEGER,
       extract(day FROM d)::INTEGER, extract(isodow FROM d)::INTEGER, extract(week FROM d)::INTEGER,
       date_trunc('month', d)::DATE, (date_trunc('month', d) + interval '1 month' - interval '1 day')::DATE,
       CASE WHEN extract(isodow FROM d) >= 6
              OR to_char(d, 'MM-DD') IN ('01-01', '02-16', '03-11', '05-01', '06-24', '07-06', '08-15',
                                         '11-01', '11-02', '12-24', '12-25', '12-26')
            THEN 0 ELSE 1 END
FROM generate_series(DATE '2020-01-01', DATE '2030-12-31', interval '1 day') AS d
)sql";

struct Town {
    std::string_view code;
    std::string_view name;
    std::string_view region;
    std::string_view postPrefix;
};

struct Region {
    std::string_view code;
    std::string_view name;
    std::string_view country;
};

struct Country {
    std::string_view code;
    std::string_view name;
    int weight; // of a hundred clients, how many have their seat here
};

constexpr std::array<Country, 4> kCountries{
    {{"LT", "Lietuva", 80}, {"LV", "Latvija", 10}, {"EE", "Estija", 5}, {"PL", "Lenkija", 5}}};

constexpr std::array<Region, 14> kRegions{{{"LT-VL", "Vilniaus apskritis", "LT"},
                                           {"LT-KA", "Kauno apskritis", "LT"},
                                           {"LT-KL", "Klaipėdos apskritis", "LT"},
                                           {"LT-SA", "Šiaulių apskritis", "LT"},
                                           {"LT-PN", "Panevėžio apskritis", "LT"},
                                           {"LT-AL", "Alytaus apskritis", "LT"},
                                           {"LT-MR", "Marijampolės apskritis", "LT"},
                                           {"LT-UT", "Utenos apskritis", "LT"},
                                           {"LV-RI", "Rygos regionas", "LV"},
                                           {"LV-KU", "Kuržemė", "LV"},
                                           {"EE-HA", "Harju apskritis", "EE"},
                                           {"EE-TA", "Tartu apskritis", "EE"},
                                           {"PL-PD", "Palenkės vaivadija", "PL"},
                                           {"PL-MZ", "Mazovijos vaivadija", "PL"}}};

constexpr std::array<Town, 27> kTowns{
    {{"LT-VLN", "Vilnius", "LT-VL", "LT-0"},      {"LT-TRK", "Trakai", "LT-VL", "LT-21"},
     {"LT-UKM", "Ukmergė", "LT-VL", "LT-20"},     {"LT-KNS", "Kaunas", "LT-KA", "LT-4"},
     {"LT-JNV", "Jonava", "LT-KA", "LT-55"},      {"LT-KDN", "Kėdainiai", "LT-KA", "LT-57"},
     {"LT-KLP", "Klaipėda", "LT-KL", "LT-9"},     {"LT-PLN", "Palanga", "LT-KL", "LT-00"},
     {"LT-KRT", "Kretinga", "LT-KL", "LT-97"},    {"LT-SIA", "Šiauliai", "LT-SA", "LT-7"},
     {"LT-RDV", "Radviliškis", "LT-SA", "LT-82"}, {"LT-PNV", "Panevėžys", "LT-PN", "LT-3"},
     {"LT-BRZ", "Biržai", "LT-PN", "LT-41"},      {"LT-ALT", "Alytus", "LT-AL", "LT-6"},
     {"LT-MRJ", "Marijampolė", "LT-MR", "LT-68"}, {"LT-UTN", "Utena", "LT-UT", "LT-28"},
     {"LV-RIX", "Ryga", "LV-RI", "LV-10"},        {"LV-JUR", "Jūrmala", "LV-RI", "LV-20"},
     {"LV-LPX", "Liepoja", "LV-KU", "LV-34"},     {"LV-VNT", "Ventspilis", "LV-KU", "LV-36"},
     {"EE-TLL", "Talinas", "EE-HA", "EE-1"},      {"EE-MAA", "Maardu", "EE-HA", "EE-7"},
     {"EE-TAY", "Tartu", "EE-TA", "EE-5"},        {"PL-BIA", "Balstogė", "PL-PD", "PL-15"},
     {"PL-SWK", "Suvalkai", "PL-PD", "PL-16"},    {"PL-WAW", "Varšuva", "PL-MZ", "PL-0"},
     {"PL-RAD", "Radomas", "PL-MZ", "PL-26"}}};

constexpr std::array<std::string_view, 12> kStreets{"Gedimino pr.", "Savanorių pr.", "Laisvės al.", "Taikos pr.",
                                                    "Pramonės g.",  "Vilniaus g.",   "Kauno g.",    "Liepų g.",
                                                    "Sodų g.",      "Žalgirio g.",   "Verslo g.",   "Uosto g."};

std::vector<const Town*> TownsOf(std::string_view country)
{
    std::vector<const Town*> towns;
    for (const Town& town : kTowns)
        for (const Region& region : kRegions)
            if (region.code == town.region && region.country == country) towns.push_back(&town);
    return towns;
}

std::string_view RegionOf(const Town& town)
{
    return town.region;
}

std::string_view CountryOf(const Town& town)
{
    for (const Region& region : kRegions)
        if (region.code == town.region) return region.country;
    return {};
}

void CreateTerritories(Data::Connection& db)
{
    auto copy = db.BeginCopy("REFTerritory", {"Code", "Name", "Kind", "Parent"});
    for (const Country& country : kCountries) {
        copy.Add(country.code).Add(country.name).Add(std::int64_t{1}).AddNull();
        copy.EndRow();
    }
    for (const Region& region : kRegions) {
        copy.Add(region.code).Add(region.name).Add(std::int64_t{2}).Add(region.country);
        copy.EndRow();
    }
    for (const Town& town : kTowns) {
        copy.Add(town.code).Add(town.name).Add(std::int64_t{3}).Add(town.region);
        copy.EndRow();
    }
    copy.Finish();
}

const Town& PickTown(LedgerRandom& random)
{
    std::int64_t roll = random.Below(100);
    std::string_view country = kCountries.back().code;
    for (const Country& candidate : kCountries) {
        if (roll < candidate.weight) {
            country = candidate.code;
            break;
        }
        roll -= candidate.weight;
    }
    const auto towns = TownsOf(country);
    // The capital comes first in each country and draws half of its clients.
    return random.Percent(50) ? *towns.front() : *random.Pick(towns);
}

// Every client has its legal address ("JA"); two of five also an actual address ("FA"),
// mostly in the same town.
void CreateClientAddresses(Data::Connection& db, LedgerRandom& random)
{
    const auto clients = db.QueryPostgres("SELECT Code FROM REFClient WHERE IsGroup = 0 ORDER BY Code");
    struct Link {
        std::string client;
        std::string_view kind;
        std::int64_t addressId;
    };
    std::vector<Link> links;
    auto copy = db.BeginCopy("REFAddress", {"IDC", "CountryCode", "DistrictCode", "TownCode", "Street", "PostCode"});
    std::int64_t nextId = 1;
    auto addAddress = [&](const Town& town) {
        const std::string street = std::string(kStreets[static_cast<std::size_t>(random.Below(kStreets.size()))]) +
                                   " " + std::to_string(random.Between(1, 180));
        const std::string postCode = std::string(town.postPrefix) + std::to_string(random.Between(1000, 9999));
        copy.Add(nextId)
            .Add(CountryOf(town))
            .Add(RegionOf(town))
            .Add(town.code)
            .Add(std::string_view(street))
            .Add(std::string_view(postCode));
        copy.EndRow();
        return nextId++;
    };
    for (const auto& row : clients.rows) {
        const std::string client = row.at(0).ToText();
        const Town& legal = PickTown(random);
        links.push_back({client, "JA", addAddress(legal)});
        if (random.Percent(40)) {
            const Town& actual = random.Percent(70) ? legal : PickTown(random);
            links.push_back({client, "FA", addAddress(actual)});
        }
    }
    copy.Finish();
    db.QueryPostgres("SELECT setval(pg_get_serial_sequence('refaddress', 'idc'), $1::BIGINT)",
                     {Value(std::max<std::int64_t>(1, nextId - 1))});

    auto linkCopy = db.BeginCopy("REFClientAddress", {"ClientCode", "AddressTypeCode", "AddressID"});
    for (const Link& link : links) {
        linkCopy.Add(std::string_view(link.client)).Add(link.kind).Add(link.addressId);
        linkCopy.EndRow();
    }
    linkCopy.Finish();
}

// One client card in ten is a second card of the company before it in code order; the rest
// are their own generic client.
constexpr std::string_view kGenericClients = R"sql(
INSERT INTO REFGenericClient (ClientCode, Code, Name)
SELECT c.Code,
       CASE WHEN c.PrevCode IS NOT NULL AND pg_temp.ledger_hash(c.N, 70) % 10 = 0 THEN c.PrevCode ELSE c.Code END,
       CASE WHEN c.PrevCode IS NOT NULL AND pg_temp.ledger_hash(c.N, 70) % 10 = 0 THEN c.PrevName ELSE c.Name END
FROM (
    SELECT Code, Name, lag(Code) OVER w AS PrevCode, lag(Name) OVER w AS PrevName, row_number() OVER w AS N
    FROM REFClient
    WHERE IsGroup = 0
    WINDOW w AS (ORDER BY Code)
) c
ORDER BY c.Code
)sql";

// Price-list folders follow the goods groups; the retail list holds every stock good, the
// wholesale list three of five.
constexpr std::string_view kPriceLists = R"sql(
INSERT INTO REFPriceListFolder (Code, Name)
SELECT Code, Name FROM REFGood WHERE IsGroup = 1 ORDER BY Code;
UPDATE REFPriceListFolder f SET Parent = g.Parent
FROM REFGood g
WHERE g.Code = f.Code AND g.Parent IN (SELECT Code FROM REFPriceListFolder);

INSERT INTO REFPriceList (Code, Name, PriceTypeCode, CurrencyCode) VALUES
    ('MAZ', 'Mažmeninis kainoraštis', 'BAZ', 'EUR'),
    ('DID', 'Didmeninis kainoraštis', 'DID', 'EUR');

CREATE TEMP TABLE LedgerPricedGood ON COMMIT DROP AS
SELECT g.Code AS GoodCode, COALESCE(u.UnitCode, 'VNT') AS UnitCode, g.Parent,
       row_number() OVER (ORDER BY g.Code) AS N,
       COALESCE(s.UnitPrice, 1 + pg_temp.ledger_hash(row_number() OVER (ORDER BY g.Code), 80) % 200) AS BasePrice,
       s.UnitCost
FROM REFGood g
LEFT JOIN LATERAL (
    SELECT gu.UnitCode FROM REFGoodUnit gu WHERE gu.GoodCode = g.Code ORDER BY gu.IsAccount DESC, gu.UnitCode LIMIT 1
) u ON TRUE
LEFT JOIN (
    SELECT gs.GoodCode,
           round(sum(gs.Summa) / NULLIF(sum(gs.AmountAccount), 0), 2) AS UnitPrice,
           round(sum(gs.CostSumm) / NULLIF(sum(gs.AmountAccount), 0), 4) AS UnitCost
    FROM THGoodSpec gs JOIN THDocument d ON d.IDC = gs.DocID
    WHERE d.DocTypeCode = 'PRSF' AND d.IsPosted = 1
    GROUP BY gs.GoodCode
    HAVING sum(gs.AmountAccount) > 0 AND sum(gs.Summa) > 0
) s ON s.GoodCode = g.Code
WHERE g.IsGroup = 0 AND g.Category = 0 AND g.Code <> 'C1';

INSERT INTO REFPriceListSpec (PriceListCode, GoodCode, UnitCode, FolderCode)
SELECT l.Code, p.GoodCode, p.UnitCode, f.Code
FROM LedgerPricedGood p
CROSS JOIN REFPriceList l
LEFT JOIN REFPriceListFolder f ON f.Code = p.Parent
WHERE l.Code = 'MAZ' OR pg_temp.ledger_hash(p.N, 81) % 5 < 3
ORDER BY l.Code, p.GoodCode;
)sql";

// Prices change a few times over the period: every good has a price from the first day, some
// are raised in July and in January, some cut in June; one good in ten has a promotional price
// for the November sale. Wholesale is 85 % of retail; the cost price follows the sales' cost.
constexpr std::string_view kPrices = R"sql(
INSERT INTO REFGoodPrice (PriceTypeCode, CurrencyCode, GoodCode, UnitCode, DateApply, Price)
SELECT pt.Code, 'EUR', p.GoodCode, p.UnitCode, step.DateApply,
       round(CASE pt.Code WHEN 'SAV' THEN COALESCE(p.UnitCost, p.BasePrice * 0.7) * step.Factor
                          ELSE p.BasePrice * step.Factor * pt.Factor END, pt.RoundToSign)
FROM LedgerPricedGood p
CROSS JOIN (SELECT Code, RoundToSign, CASE Code WHEN 'DID' THEN 0.85 WHEN 'AKC' THEN 0.80 ELSE 1 END AS Factor
            FROM REFPriceType WHERE Code IN ('BAZ', 'DID', 'SAV', 'AKC')) pt
CROSS JOIN (VALUES (DATE '2025-01-01', 1.00, 1, 1), (DATE '2025-07-01', 1.03, 3, 82),
                   (DATE '2026-01-01', 1.05, 2, 83), (DATE '2026-06-01', 0.95, 5, 84),
                   (DATE '2025-11-20', 1.00, 10, 85)) AS step (DateApply, Factor, OneIn, Salt)
WHERE (step.OneIn = 1 OR pg_temp.ledger_hash(p.N, step.Salt) % step.OneIn = 0)
  AND (pt.Code = 'AKC') = (step.OneIn = 10)
ORDER BY p.GoodCode, pt.Code, step.DateApply
)sql";

// Four competitors; three of ten goods have an article at each, half of them analogues rather
// than the same goods, priced within 15 % of our retail price at three dates.
constexpr std::string_view kCompetitors = R"sql(
INSERT INTO REFCompetitor (Code, Name, TerritoryCode) VALUES
    ('K01', 'UAB "Prekių pasaulis"', 'LT-VL'),
    ('K02', 'UAB "Kainų centras"', 'LT-KA'),
    ('K03', 'SIA "Baltic Trade"', 'LV-RI'),
    ('K04', 'UAB "Pajūrio prekyba"', 'LT-KL');
INSERT INTO REFCompPriceType (Code, Name, CompetitorCode, PriceTypeCode) VALUES
    ('K01-MAZ', 'Mažmeninė', 'K01', 'BAZ'),
    ('K01-DID', 'Didmeninė', 'K01', 'DID'),
    ('K02-MAZ', 'Mažmeninė', 'K02', 'BAZ'),
    ('K03-MAZ', 'Mažmeninė', 'K03', 'BAZ'),
    ('K04-MAZ', 'Mažmeninė', 'K04', 'BAZ'),
    ('K04-AKC', 'Akcijos', 'K04', 'AKC');

INSERT INTO REFCompGood (CompetitorCode, Code, Name, GoodCode, UnitCode, IsAnalogue)
SELECT c.Code, c.Code || '-' || lpad(p.N::TEXT, 6, '0'),
       g.Name || CASE WHEN pg_temp.ledger_hash(p.N * 10 + c.N, 91) % 2 = 0 THEN ' (analogas)' ELSE '' END,
       p.GoodCode, p.UnitCode,
       CASE WHEN pg_temp.ledger_hash(p.N * 10 + c.N, 91) % 2 = 0 THEN 1 ELSE 0 END
FROM LedgerPricedGood p
JOIN REFGood g ON g.Code = p.GoodCode
CROSS JOIN (SELECT Code, row_number() OVER (ORDER BY Code) AS N FROM REFCompetitor) c
WHERE pg_temp.ledger_hash(p.N * 10 + c.N, 90) % 10 < 3
ORDER BY c.Code, p.GoodCode;

INSERT INTO REFCompPrice (CompetitorCode, CompGoodCode, CompPriceTypeCode, CurrencyCode, DateApply, Price)
SELECT cg.CompetitorCode, cg.Code, pt.Code, 'EUR', step.DateApply,
       round(p.BasePrice * CASE pt.PriceTypeCode WHEN 'DID' THEN 0.85 WHEN 'AKC' THEN 0.80 ELSE 1 END
             * (85 + pg_temp.ledger_hash(cg.IDC * 10 + step.N, 92) % 31) / 100, 2)
FROM REFCompGood cg
JOIN LedgerPricedGood p ON p.GoodCode = cg.GoodCode
JOIN REFCompPriceType pt ON pt.CompetitorCode = cg.CompetitorCode
CROSS JOIN (VALUES (1, DATE '2025-02-01'), (2, DATE '2025-09-01'), (3, DATE '2026-03-01')) AS step (N, DateApply)
ORDER BY cg.IDC, pt.Code, step.N;
)sql";

} // namespace

void CreateReferences(Data::Connection& db, LedgerRandom& random)
{
    db.ExecutePostgresScript(kUnitsAndTypes);
    for (std::string_view type : kPriceTypeDocs) {
        const std::string table = "thdocument" + std::string(type);
        auto exists = db.QueryPostgres("SELECT to_regclass($1) IS NOT NULL", {Value(table)});
        if (!exists.rows.at(0).at(0).ToBool()) continue;
        db.ExecutePostgresScript(
            "INSERT INTO REFPriceType (Code, Name) SELECT DISTINCT PriceTypeCode, PriceTypeCode FROM " + table +
            " WHERE PriceTypeCode IS NOT NULL ON CONFLICT (Code) DO NOTHING");
    }
    db.ExecutePostgresScript(kCalendar);
    CreateTerritories(db);
    CreateClientAddresses(db, random);

    db.ExecutePostgresScript(kGenericClients);
    CreateAssets(db);
    db.ExecutePostgresScript(kPriceLists);
    db.ExecutePostgresScript(kPrices);
    db.ExecutePostgresScript(kCompetitors);
}

} // namespace Talvex::Erp::Ledger
