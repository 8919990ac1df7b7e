#include "host/erp/internal/DemoCopyBuffer.hpp"
#include "host/erp/internal/DemoWorld.hpp"

#include "host/data/Connection.hpp"
#include "host/types/Errors.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

namespace Talvex::Erp::Demo {
namespace {

constexpr std::array kFirstNames = {"Jonas",    "Petras",    "Ona",    "Rasa",    "Tomas",   "Lina",    "Darius",
                                    "Ieva",     "Mindaugas", "Asta",   "Andrius", "Greta",   "Paulius", "Rūta",
                                    "Vytautas", "Eglė",      "Marius", "Inga",    "Saulius", "Jurgita"};
constexpr std::array kLastNames = {"Kazlauskas", "Jankauskas",  "Petrauskas", "Stankevičius", "Vasiliauskas",
                                   "Žukauskas",  "Butkus",      "Paulauskas", "Urbonas",      "Kavaliauskas",
                                   "Navickas",   "Ramanauskas", "Savickas",   "Rimkus",       "Baranauskas"};
constexpr std::array kCompanyWords = {"Baltijos", "Nemuno", "Vilniaus",   "Šiaurės",  "Gintaro", "Ąžuolo",
                                      "Kauno",    "Saulės", "Aukštaičių", "Žalgirio", "Pajūrio", "Miško"};
constexpr std::array kCompanyTrades = {"prekyba", "statyba",  "logistika",  "maistas",  "technika",
                                       "baldai",  "energija", "sprendimai", "vaistinė", "agro"};
constexpr std::array kForeignWords = {"Nordic", "Hanse",  "Vistula",    "Danube", "Atlantic",
                                      "Alpine", "Baltic", "Carpathian", "Rhine",  "Oder"};

std::string Numbered(std::string_view prefix, std::size_t n, int width)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*zu", width, n);
    return std::string(prefix) + buf;
}

std::string CompanyName(DemoRandom& random, bool foreign, std::size_t n)
{
    if (foreign)
        return std::string(kForeignWords[random.Index(kForeignWords.size())]) + " Trading " + std::to_string(n) +
               (random.Percent(50) ? " GmbH" : " Sp. z o.o.");
    return std::string(kCompanyWords[random.Index(kCompanyWords.size())]) + " " +
           kCompanyTrades[random.Index(kCompanyTrades.size())] + " " + std::to_string(n);
}

struct MarketGroup {
    const char* code;
    const char* name;
    int payTerm;
};
constexpr std::array kMarketGroups = {
    MarketGroup{"LT", "Lithuanian wholesale", 14}, MarketGroup{"RET", "Retail", 7},
    MarketGroup{"EU", "European Union", 30},       MarketGroup{"EXP", "Export", 45},
    MarketGroup{"VND", "Local vendors", 21},       MarketGroup{"VEXP", "Foreign vendors", 60},
    MarketGroup{"SUB", "Subsidiaries", 60},
};

int PayTermOf(std::string_view group)
{
    for (const auto& g : kMarketGroups)
        if (group == g.code) return g.payTerm;
    return 0;
}

struct Department {
    const char* code;
    const char* name;
    const char* parent; // empty: a root
    bool isGroup;
};
constexpr std::array kDepartments = {
    Department{"IMONE", "Company", "", true},
    Department{"PARD", "Sales", "IMONE", true},
    Department{"PARD-V", "Sales Vilnius", "PARD", false},
    Department{"PARD-K", "Sales Kaunas", "PARD", false},
    Department{"PARD-E", "Export sales", "PARD", false},
    Department{"PIRK", "Purchasing", "IMONE", false},
    Department{"GAM", "Production", "IMONE", false},
    Department{"FIN", "Finance", "IMONE", false},
    Department{"REST", "Restaurant", "IMONE", false},
};
constexpr std::array kSalesDepartments = {"PARD-V", "PARD-K", "PARD-E"};

struct GoodGroup {
    const char* code;
    const char* name;
    const char* parent;
    GoodKind kind;
};
constexpr std::array kGoodGroups = {
    GoodGroup{"G1", "Food and drinks", "", GoodKind::Food},
    GoodGroup{"G11", "Drinks", "G1", GoodKind::Food},
    GoodGroup{"G12", "Snacks", "G1", GoodKind::Food},
    GoodGroup{"G2", "Household appliances", "", GoodKind::Trade},
    GoodGroup{"G21", "Kitchen appliances", "G2", GoodKind::Trade},
    GoodGroup{"G211", "Coffee machines", "G21", GoodKind::Trade},
    GoodGroup{"G22", "Cleaning appliances", "G2", GoodKind::Trade},
    GoodGroup{"G3", "Building materials", "", GoodKind::Trade},
    GoodGroup{"G31", "Paints", "G3", GoodKind::Trade},
    GoodGroup{"G32", "Tools", "G3", GoodKind::Trade},
    GoodGroup{"G4", "Production", "", GoodKind::Material},
    GoodGroup{"G41", "Raw materials", "G4", GoodKind::Material},
    GoodGroup{"G42", "Own products", "G4", GoodKind::Product},
    GoodGroup{"G5", "Low-value equipment", "", GoodKind::Equipment},
    GoodGroup{"G9", "Services", "", GoodKind::Service},
};

// Goods hang only under the groups with no group under them; services have no stock goods.
bool HoldsStockGoods(const GoodGroup& group)
{
    const bool isLeaf = std::none_of(kGoodGroups.begin(), kGoodGroups.end(),
                                     [&](const GoodGroup& g) { return std::string_view(g.parent) == group.code; });
    return isLeaf && group.kind != GoodKind::Service;
}

// How many goods a leaf group holds at the scale: a handful, more with the scale, and a
// third as many pieces of low-value equipment.
int GoodsInGroup(const GoodGroup& group, int scale)
{
    const int goodsPerGroup = scale == 0 ? 24 : 180 * scale;
    return group.kind == GoodKind::Equipment ? goodsPerGroup / 3 : goodsPerGroup;
}

// ---- building the world

// A fixed core of finance, purchasing, production and restaurant staff, and sales managers
// spread over the sales departments, more of them with the scale.
void AddEmployees(DemoWorld& world)
{
    const int employeeCount = 24 + 40 * world.scale;
    for (int i = 1; i <= employeeCount; ++i) {
        DemoEmployee e;
        e.code = Numbered("E", static_cast<std::size_t>(i), 3);
        e.userId = i;
        if (i <= 3)
            e.department = "FIN";
        else if (i <= 5)
            e.department = "PIRK";
        else if (i <= 7)
            e.department = "GAM";
        else if (i <= 9)
            e.department = "REST";
        else {
            e.department = kSalesDepartments[static_cast<std::size_t>(i) % kSalesDepartments.size()];
            e.isSalesManager = true;
        }
        world.employees.push_back(e);
    }
}

// Customers mostly at home, some in the EU (a few invoiced in zloty) and some exporting in
// dollars; then the subsidiaries, customers too.
void AddCustomers(DemoWorld& world, DemoRandom& random)
{
    const int customerCount = world.scale == 0 ? 150 : 2500 * world.scale;
    for (int i = 1; i <= customerCount; ++i) {
        DemoClient c;
        c.code = Numbered("K", static_cast<std::size_t>(i), 5);
        c.kind = ClientKind::Customer;
        const int draw = random.Between(1, 100);
        c.marketGroup = draw <= 55 ? "LT" : draw <= 70 ? "RET" : draw <= 88 ? "EU" : "EXP";
        c.currency = c.marketGroup == "EXP" ? "USD" : (c.marketGroup == "EU" && random.Percent(30)) ? "PLN" : "EUR";
        c.name = CompanyName(random, c.marketGroup == "EU" || c.marketGroup == "EXP", static_cast<std::size_t>(i));
        c.payTerm = PayTermOf(c.marketGroup);
        world.customers.push_back(c);
    }
    for (int i = 1; i <= 3; ++i) {
        DemoClient c;
        c.code = Numbered("D", static_cast<std::size_t>(i), 3);
        c.kind = ClientKind::Subsidiary;
        c.marketGroup = "SUB";
        c.currency = "EUR";
        c.name = std::string("UAB Talvex filialas ") + std::to_string(i);
        c.payTerm = PayTermOf(c.marketGroup);
        world.customers.push_back(c);
    }
}

// A quarter of the vendors are foreign; of the local ones some are private persons and
// some are paid as their goods sell.
void AddVendors(DemoWorld& world, DemoRandom& random)
{
    const int vendorCount = world.scale == 0 ? 40 : 400 * world.scale;
    for (int i = 1; i <= vendorCount; ++i) {
        DemoClient c;
        c.code = Numbered("T", static_cast<std::size_t>(i), 5);
        c.kind = ClientKind::Vendor;
        const bool foreign = random.Percent(25);
        c.isPerson = !foreign && i % 8 == 0;
        c.marketGroup = foreign ? "VEXP" : "VND";
        c.currency = foreign ? (random.Percent(50) ? "USD" : "PLN") : "EUR";
        c.payOnSell = !foreign && !c.isPerson && random.Percent(20);
        c.name = c.isPerson ? std::string(kFirstNames[random.Index(kFirstNames.size())]) + " " +
                                  kLastNames[random.Index(kLastNames.size())]
                            : CompanyName(random, foreign, static_cast<std::size_t>(i));
        c.payTerm = PayTermOf(c.marketGroup);
        world.vendors.push_back(c);
    }
}

void AddCarriersAndPersons(DemoWorld& world, DemoRandom& random)
{
    const int carrierCount = world.scale == 0 ? 5 : 20 * world.scale;
    for (int i = 1; i <= carrierCount; ++i) {
        DemoClient c;
        c.code = Numbered("V", static_cast<std::size_t>(i), 4);
        c.kind = ClientKind::Carrier;
        c.marketGroup = "VND";
        c.currency = "EUR";
        c.name = std::string(kCompanyWords[random.Index(kCompanyWords.size())]) + " transportas " + std::to_string(i);
        c.payTerm = PayTermOf(c.marketGroup);
        world.carriers.push_back(c);
    }
    const int personCount = world.scale == 0 ? 40 : 500 * world.scale;
    for (int i = 1; i <= personCount; ++i)
        world.privatePersons.push_back(Numbered("A", static_cast<std::size_t>(i), 5));
}

// Goods group by group, each with a purchase price in whole cents by its kind; then the one
// service good.
void AddGoods(DemoWorld& world, DemoRandom& random)
{
    std::size_t goodNumber = 0;
    for (const auto& group : kGoodGroups) {
        if (!HoldsStockGoods(group)) continue;
        const int count = GoodsInGroup(group, world.scale);
        for (int i = 0; i < count; ++i) {
            DemoGood g;
            g.code = Numbered("P", ++goodNumber, 6);
            g.kind = group.kind;
            g.costCents = group.kind == GoodKind::Food        ? random.Between(40, 1500)
                          : group.kind == GoodKind::Material  ? random.Between(100, 5000)
                          : group.kind == GoodKind::Product   ? random.Between(2000, 30000)
                          : group.kind == GoodKind::Equipment ? random.Between(3000, 40000)
                                                              : random.Between(200, 60000);
            g.boxRate = group.kind == GoodKind::Food ? 12 : (group.kind == GoodKind::Trade && i % 5 == 0) ? 6 : 1;
            const std::size_t index = world.goods.size();
            switch (g.kind) {
            case GoodKind::Food: world.foodGoods.push_back(index); break;
            case GoodKind::Material: world.materialGoods.push_back(index); break;
            case GoodKind::Product: world.productGoods.push_back(index); break;
            case GoodKind::Equipment: world.equipmentGoods.push_back(index); break;
            default: world.tradeGoods.push_back(index); break;
            }
            world.goods.push_back(g);
        }
    }
    DemoGood service;
    service.code = std::string(kServiceGood);
    service.kind = GoodKind::Service;
    world.goods.push_back(service);
}

// Daily rates from a month before the period to its end: a slow random walk.
void AddDailyRates(DemoWorld& world, DemoRandom& random)
{
    world.rateStart = Date(2024, 12, 1);
    world.foreignCurrencies = {"USD", "PLN"};
    const std::int64_t startRates[] = {92000000, 23100000};
    const auto days = static_cast<std::size_t>(world.rateStart.DaysUntil(world.end) + 1);
    for (std::int64_t start : startRates) {
        std::vector<std::int64_t> rates(days);
        std::int64_t rate = start;
        for (auto& r : rates) {
            rate += rate * random.Between(-40, 40) / 10000;
            r = rate;
        }
        world.dailyRatesE8.push_back(std::move(rates));
    }
}

// ---- writing the references

void WriteBookSettings(Data::Connection& db, const DemoWorld& world)
{
    DemoCopyBuffer settings("BookSetting", {"SettingName", "SettingValue"});
    const std::pair<const char*, std::string> settingValues[] = {
        {"AccountCurrency", std::string(kAccountCurrency)},
        {"StartDate", world.begin.ToIso()},
        {"AccessTHDate", "2025-12-31"},
        // The Book's "today": the company's documents run to the end of its period, so its
        // reports show the same figures on any day they are run.
        {"DemoToday", world.end.ToIso()},
        // The account set of the books the ledger reports read: it holds the bank and cash accounts.
        {"AccSetCode", "1"},
        {"BookName", "Talvex demo company"},
        {"CompanyCode", "C"},
        {"MyPlant", "C"},
        {"CompanyName", "UAB Talvex"},
        {"CompanyAddress", "Gedimino pr. 1, LT-01103 Vilnius"},
        {"CompanyEMail", "info@talvex.example"},
        {"CompanyTEL", "+370 5 200 0000"},
        {"CompanyFA", "+370 5 200 0001"},
        {"Imone", "UAB Talvex"},
        {"ImKodas", "300000001"},
        {"PVMCode", "LT100000000011"},
        {"ImAdresas", "Gedimino pr. 1, LT-01103 Vilnius"},
        {"Telefon", "+370 5 200 0000"},
        {"Fax", "+370 5 200 0001"},
        {"EMail", "info@talvex.example"},
        {"WWW", "www.talvex.example"},
        {"RegNumber", "RC-300000001"},
        {"KSVPerson", "Rasa Jankauskienė"},
        {"KSVPersonPos", "Credit controller"},
        {"AccPerson", "Ona Petrauskienė"},
        {"AccPersonPos", "Accountant"},
        {"BuhTelefon", "+370 5 200 0010"},
        {"BuhFax", "+370 5 200 0011"},
        {"Dir", "Tomas Kazlauskas"},
        {"DirPos", "Director"},
        {"Buh", "Ona Petrauskienė"},
        {"BuhPos", "Chief accountant"},
        {"BankCode", "73000"},
        {"BankName", "Bankas AB"},
        {"AccNumber", "LT127300010000000001"},
        {"OurAccount", "LT127300010000000001"},
    };
    for (const auto& [name, value] : settingValues) {
        settings.Text(name).Text(value);
        settings.EndRow();
    }
    settings.Flush(db);
}

// The rate type, the currencies and every foreign currency's rate of every day.
void WriteCurrencies(Data::Connection& db, const DemoWorld& world)
{
    DemoCopyBuffer rateTypes("REFRateType", {"Code", "Name"});
    rateTypes.Text(kRateType).Text("Central bank rate");
    rateTypes.EndRow();
    rateTypes.Flush(db);

    DemoCopyBuffer currencies("REFCurrency", {"Code", "Name", "DefaultRateType"});
    for (auto [code, name] :
         {std::pair{"EUR", "Euro"}, std::pair{"USD", "US dollar"}, std::pair{"PLN", "Polish zloty"}}) {
        currencies.Text(code).Text(name).Text(kRateType);
        currencies.EndRow();
    }
    currencies.Flush(db);

    DemoCopyBuffer rates("REFCurrencyRate", {"CurrencyCode", "RateTypeCode", "DateApply", "Rate"});
    for (std::size_t c = 0; c < world.foreignCurrencies.size(); ++c) {
        const auto& daily = world.dailyRatesE8[c];
        for (std::size_t d = 0; d < daily.size(); ++d) {
            char text[32];
            std::snprintf(text, sizeof text, "%lld.%08lld", static_cast<long long>(daily[d] / 100000000),
                          static_cast<long long>(daily[d] % 100000000));
            rates.Text(world.foreignCurrencies[c])
                .Text(kRateType)
                .Day(world.rateStart.AddDays(static_cast<std::int32_t>(d)))
                .Text(text);
            rates.EndRow();
        }
    }
    rates.Flush(db);
}

void WritePaymentTypesDepartmentsAndMarketGroups(Data::Connection& db)
{
    DemoCopyBuffer paymentTypes("REFPaymentType", {"Code", "Name"});
    for (auto [code, name] : {std::pair{"BANK", "Bank transfer"}, std::pair{"CASH", "Cash"}, std::pair{"CARD", "Card"},
                              std::pair{"BART", "Barter"}}) {
        paymentTypes.Text(code).Text(name);
        paymentTypes.EndRow();
    }
    paymentTypes.Flush(db);

    DemoCopyBuffer departments("REFDepartment", {"Code", "Name", "Parent", "IsGroup", "GroupComment"});
    for (const auto& d : kDepartments) {
        departments.Text(d.code).Text(d.name).OptionalText(d.parent).Flag(d.isGroup).Text(std::string(d.code) + ": " +
                                                                                          d.name);
        departments.EndRow();
    }
    departments.Flush(db);

    DemoCopyBuffer marketGroups("REFClientMarketGr", {"Code", "Name", "PayTerm"});
    for (const auto& g : kMarketGroups) {
        marketGroups.Text(g.code).Text(g.name).Int(g.payTerm);
        marketGroups.EndRow();
    }
    marketGroups.Flush(db);
}

// Users and persons: every employee is a user; private buyers are persons without one.
void WriteUsersPersonsAndStaff(Data::Connection& db, const DemoWorld& world, DemoRandom& random)
{
    DemoCopyBuffer users("user", {"IDC", "Login", "Name"});
    DemoCopyBuffer persons("REFPerson", {"Code", "FirstName", "LastName", "Patronymic", "PlantCode", "UserID"});
    DemoCopyBuffer staff("REFStaffMember", {"DepCode", "EmployeeCode", "IsPrimary", "Position"});
    for (const auto& e : world.employees) {
        const std::string first = kFirstNames[random.Index(kFirstNames.size())];
        const std::string last = kLastNames[random.Index(kLastNames.size())];
        users.Int(e.userId).Text(Numbered("user", static_cast<std::size_t>(e.userId), 3)).Text(first + " " + last);
        users.EndRow();
        persons.Text(e.code).Text(first).Text(last);
        if (random.Percent(30))
            persons.Text(kFirstNames[random.Index(kFirstNames.size())]);
        else
            persons.Null();
        persons.Null().Int(e.userId);
        persons.EndRow();
        staff.Text(e.department).Text(e.code).Flag(true).Text(e.isSalesManager ? "Sales manager" : "Specialist");
        staff.EndRow();
        // Some managers also help out in another department; that membership is not primary.
        if (e.isSalesManager && random.Percent(25)) {
            staff.Text("PARD").Text(e.code).Flag(false).Text("Key account support");
            staff.EndRow();
        }
    }
    for (const auto& code : world.privatePersons) {
        persons.Text(code)
            .Text(kFirstNames[random.Index(kFirstNames.size())])
            .Text(kLastNames[random.Index(kLastNames.size())])
            .Null()
            .Text(std::to_string(random.Between(std::int64_t{30000000000}, std::int64_t{69999999999})))
            .Null();
        persons.EndRow();
    }
    users.Flush(db);
    persons.Flush(db);
    staff.Flush(db);
}

void WriteClientGroup(DemoCopyBuffer& clients, const char* code, const char* name, const char* parent)
{
    clients.Text(code)
        .Text(name)
        .OptionalText(parent)
        .Flag(true)
        .Null()
        .Flag(false)
        .Flag(false)
        .Null()
        .Cents(0)
        .Flag(false)
        .Null()
        .Null()
        .Null()
        .Null()
        .Null()
        .Null();
    clients.EndRow();
}

// The group of the client tree a client hangs under.
std::string ClientParent(const DemoClient& c)
{
    switch (c.kind) {
    case ClientKind::Customer:
        return c.marketGroup == "RET" ? "K-RET" : c.marketGroup == "LT" ? "K-LT" : "K-" + c.marketGroup;
    case ClientKind::Vendor: return c.isPerson ? "T-PER" : c.marketGroup == "VEXP" ? "T-EXP" : "T-LT";
    case ClientKind::Carrier: return "V";
    case ClientKind::Subsidiary: return "D";
    }
    return {};
}

// A client with its credit limit (customers only), company and VAT codes (not for private
// persons), address and contacts.
void WriteClient(DemoCopyBuffer& clients, const DemoClient& c, DemoRandom& random)
{
    const bool local = c.currency == "EUR";
    clients.Text(c.code)
        .Text(c.name)
        .Text(ClientParent(c))
        .Flag(false)
        .Text(c.marketGroup)
        .Flag(c.kind == ClientKind::Subsidiary)
        .Flag(c.isPerson)
        .OptionalText(c.isPerson ? ""
                      : local    ? "UAB"
                                 : "LTD")
        .Cents(c.kind == ClientKind::Customer ? random.Between(std::int64_t{5}, std::int64_t{50}) * 100000 : 0)
        .Flag(random.Percent(10))
        .Text(c.isPerson ? std::to_string(random.Between(std::int64_t{30000000000}, std::int64_t{69999999999}))
                         : std::to_string(random.Between(std::int64_t{100000000}, std::int64_t{399999999})))
        .OptionalText(
            c.isPerson ? "" : "LT" + std::to_string(random.Between(std::int64_t{100000000}, std::int64_t{999999999})))
        .Text(std::string(kCompanyWords[random.Index(kCompanyWords.size())]) + " g. " +
              std::to_string(random.Between(1, 120)) + (local ? ", Vilnius" : ", Warszawa"))
        .Text("+370 " + std::to_string(random.Between(600, 699)) + " " + std::to_string(random.Between(10000, 99999)))
        .OptionalText(random.Percent(40) ? "+370 5 " + std::to_string(random.Between(2000000, 2999999)) : "")
        .Text("info@" + c.code + ".example");
    clients.EndRow();
}

// Client tree: customers under K (with a third level for retail), vendors under T,
// carriers under V, subsidiaries under D.
void WriteClients(Data::Connection& db, const DemoWorld& world, DemoRandom& random)
{
    DemoCopyBuffer clients("REFClient", {"Code", "Name", "Parent", "IsGroup", "MarketGrCode", "IsSubsidiary",
                                         "IsPerson", "EnterpriseTypeCode", "DefaultLimit", "IsLimitSetManually",
                                         "PlantCode", "VATCode", "Address", "Phone", "Fax", "EMail"});
    WriteClientGroup(clients, "K", "Customers", "");
    WriteClientGroup(clients, "K-LT", "Customers in Lithuania", "K");
    WriteClientGroup(clients, "K-RET", "Retail customers", "K-LT");
    WriteClientGroup(clients, "K-EU", "Customers in the EU", "K");
    WriteClientGroup(clients, "K-EXP", "Export customers", "K");
    WriteClientGroup(clients, "T", "Vendors", "");
    WriteClientGroup(clients, "T-LT", "Local vendors", "T");
    WriteClientGroup(clients, "T-PER", "Private persons selling to us", "T-LT");
    WriteClientGroup(clients, "T-EXP", "Foreign vendors", "T");
    WriteClientGroup(clients, "V", "Carriers", "");
    WriteClientGroup(clients, "D", "Subsidiaries", "");
    for (const auto& c : world.customers)
        WriteClient(clients, c, random);
    for (const auto& c : world.vendors)
        WriteClient(clients, c, random);
    for (const auto& c : world.carriers)
        WriteClient(clients, c, random);
    clients.Flush(db);
}

// Managers: most customers have one responsible manager ("MATS", IsMain = 1), a few a second.
void WriteClientManagers(Data::Connection& db, const DemoWorld& world, DemoRandom& random)
{
    std::vector<const DemoEmployee*> managers;
    for (const auto& e : world.employees)
        if (e.isSalesManager) managers.push_back(&e);
    DemoCopyBuffer clientPersons("REFClientPerson", {"ClientCode", "PersonCode", "PersonRoleCode", "IsMain"});
    for (const auto& c : world.customers) {
        if (random.Percent(8)) continue; // no manager: shows under the "no value" text
        const DemoEmployee* main = managers[random.Index(managers.size())];
        clientPersons.Text(c.code).Text(main->code).Text("MATS").Flag(true);
        clientPersons.EndRow();
        if (random.Percent(10)) {
            const DemoEmployee* second = managers[random.Index(managers.size())];
            if (second != main) {
                clientPersons.Text(c.code).Text(second->code).Text("MATS").Flag(false);
                clientPersons.EndRow();
            }
        }
        if (random.Percent(15)) {
            clientPersons.Text(c.code).Text(managers[random.Index(managers.size())]->code).Text("KONT").Flag(false);
            clientPersons.EndRow();
        }
    }
    clientPersons.Flush(db);
}

// Sub-categories that cut across the goods groups: the range a good is sold in.
constexpr std::pair<std::string_view, std::string_view> kGoodSubCategories[] = {
    {"STD", "Standard range"}, {"PRM", "Premium range"}, {"ECO", "Economy range"}};

// Goods tree and units: the groups, each group's goods in the order BuildWorld numbered
// them, and the service and cash-plan goods.
void WriteGoods(Data::Connection& db, const DemoWorld& world)
{
    DemoCopyBuffer subCategories("REFGoodSubCategory", {"Code", "Name"});
    for (auto [code, name] : kGoodSubCategories) {
        subCategories.Text(code).Text(name);
        subCategories.EndRow();
    }
    subCategories.Flush(db);
    DemoCopyBuffer goods("REFGood", {"Code", "Name", "Parent", "IsGroup", "Category", "SubCategoryCode"});
    DemoCopyBuffer units("REFGoodUnit", {"GoodCode", "UnitCode", "IsAccount", "IsCommon", "Rate"});
    for (const auto& g : kGoodGroups) {
        goods.Text(g.code)
            .Text(g.name)
            .OptionalText(g.parent)
            .Flag(true)
            .Int(g.kind == GoodKind::Service ? 1 : 0)
            .Null();
        goods.EndRow();
    }
    std::size_t goodIndex = 0;
    for (const auto& g : kGoodGroups) {
        if (!HoldsStockGoods(g)) continue;
        const int count = GoodsInGroup(g, world.scale);
        for (int i = 0; i < count; ++i, ++goodIndex) {
            const DemoGood& good = world.goods[goodIndex];
            goods.Text(good.code)
                .Text(std::string(g.name) + " item " + std::to_string(i + 1))
                .Text(g.code)
                .Flag(false)
                .Int(0);
            // Every fourth good of a group has no sub-category, as goods nobody sorted yet.
            if (i % 4 == 3)
                goods.Null();
            else
                goods.Text(kGoodSubCategories[static_cast<std::size_t>(i % 4)].first);
            goods.EndRow();
            units.Text(good.code).Text(kPieceUnit).Flag(true).Flag(good.boxRate == 1).Int(1);
            units.EndRow();
            if (good.boxRate > 1) {
                units.Text(good.code).Text(kBoxUnit).Flag(false).Flag(true).Int(good.boxRate);
                units.EndRow();
            }
        }
    }
    for (auto [code, name] : {std::pair{kServiceGood, "Services"}, std::pair{kCashPlanGood, "Cash plan line"}}) {
        goods.Text(code).Text(name).Text("G9").Flag(false).Int(1).Null();
        goods.EndRow();
        units.Text(code).Text(kPieceUnit).Flag(true).Flag(true).Int(1);
        units.EndRow();
    }
    goods.Flush(db);
    units.Flush(db);
}
} // namespace

std::int64_t DemoWorld::RateE8(std::string_view currency, Date day) const
{
    if (currency == kAccountCurrency) return 100000000;
    for (std::size_t i = 0; i < foreignCurrencies.size(); ++i) {
        if (foreignCurrencies[i] != currency) continue;
        const auto& rates = dailyRatesE8[i];
        auto index = rateStart.DaysUntil(day);
        if (index < 0) index = 0;
        if (static_cast<std::size_t>(index) >= rates.size()) index = static_cast<std::int32_t>(rates.size() - 1);
        return rates[static_cast<std::size_t>(index)];
    }
    throw ValueError("currency: no rates for " + std::string(currency));
}

std::int64_t DemoWorld::ToAccountCents(std::int64_t cents, std::string_view currency, Date day) const
{
    const std::int64_t rate = RateE8(currency, day);
    const __int128 product = static_cast<__int128>(cents) * rate;
    const __int128 half = 50000000;
    return static_cast<std::int64_t>(product >= 0 ? (product + half) / 100000000 : (product - half) / 100000000);
}

std::int64_t DemoWorld::FromAccountCents(std::int64_t eurCents, std::string_view currency, Date day) const
{
    const std::int64_t rate = RateE8(currency, day);
    const __int128 scaled = static_cast<__int128>(eurCents) * 100000000;
    return static_cast<std::int64_t>((scaled + rate / 2) / rate);
}

const DemoEmployee& DemoWorld::UserOf(std::string_view department, DemoRandom& random) const
{
    std::vector<std::size_t> candidates;
    for (std::size_t i = 0; i < employees.size(); ++i)
        if (employees[i].department == department) candidates.push_back(i);
    if (candidates.empty()) return employees[random.Index(employees.size())];
    return employees[random.Pick(candidates)];
}

DemoWorld BuildWorld(const DemoOptions& options, DemoRandom& random)
{
    DemoWorld world;
    world.begin = Date(2025, 1, 1);
    world.end = Date(2026, 12, 31);
    world.scale = options.scale;
    AddEmployees(world);
    AddCustomers(world, random);
    AddVendors(world, random);
    AddCarriersAndPersons(world, random);
    AddGoods(world, random);
    AddDailyRates(world, random);
    return world;
}

void WriteReferences(Data::Connection& db, const DemoWorld& world, DemoRandom& random)
{
    WriteBookSettings(db, world);
    WriteCurrencies(db, world);
    WritePaymentTypesDepartmentsAndMarketGroups(db);
    WriteUsersPersonsAndStaff(db, world, random);
    WriteClients(db, world, random);
    WriteClientManagers(db, world, random);
    WriteGoods(db, world);
}

} // namespace Talvex::Erp::Demo
