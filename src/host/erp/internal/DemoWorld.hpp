#pragma once

#include "host/erp/ErpDatabase.hpp"
#include "host/erp/internal/DemoRandom.hpp"
#include "host/types/Date.hpp"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex::Data {
class Connection;
}

namespace Talvex::Erp::Demo {

// The demo company's references as the document generator needs them: who trades with it,
// what it trades, who works there and what the currencies are worth on each day.

inline constexpr std::string_view kAccountCurrency = "EUR";
inline constexpr std::string_view kRateType = "BNK";
inline constexpr std::string_view kServiceGood = "C1";  // service rows: no stock
inline constexpr std::string_view kCashPlanGood = "CP"; // placeholder good of cash-plan lines
inline constexpr std::string_view kPieceUnit = "VNT";
inline constexpr std::string_view kBoxUnit = "DEZ";

enum class ClientKind { Customer, Vendor, Carrier, Subsidiary };

struct DemoClient {
    std::string code;
    std::string name;
    std::string marketGroup;
    std::string currency; // the currency it is invoiced in
    ClientKind kind = ClientKind::Customer;
    bool isPerson = false;  // a private person kept as a client (vendors selling to us)
    bool payOnSell = false; // vendor paid as its goods are sold
    int payTerm = 0;        // its market group's standard term in days
};

enum class GoodKind { Trade, Food, Material, Product, Equipment, Service };

struct DemoGood {
    std::string code;
    GoodKind kind = GoodKind::Trade;
    std::int64_t costCents = 0; // purchase price of one accounting unit in EUR
    int boxRate = 1;            // accounting units in a box; 1 = sold by the piece only
};

struct DemoEmployee {
    std::string code;
    std::string department;
    int userId = 0;
    bool isSalesManager = false;
};

struct DemoWorld {
    Date begin; // first and last day of the generated period
    Date end;
    int scale = 0;
    std::vector<DemoClient> customers; // includes subsidiaries
    std::vector<DemoClient> vendors;
    std::vector<DemoClient> carriers;
    std::vector<std::string> privatePersons; // REFPerson codes of private buyers
    std::vector<DemoEmployee> employees;
    std::vector<DemoGood> goods;
    std::vector<std::size_t> tradeGoods, foodGoods, materialGoods, productGoods, equipmentGoods;
    std::vector<std::string> foreignCurrencies;          // "USD", "PLN"
    std::vector<std::vector<std::int64_t>> dailyRatesE8; // per foreign currency, per day from rateStart
    Date rateStart;

    // Value of one unit of the currency in EUR on the day, in 1e-8.
    std::int64_t RateE8(std::string_view currency, Date day) const;
    // An amount in cents of the currency converted to EUR cents on the day (half away from zero).
    std::int64_t ToAccountCents(std::int64_t cents, std::string_view currency, Date day) const;
    std::int64_t FromAccountCents(std::int64_t eurCents, std::string_view currency, Date day) const;
    const DemoEmployee& UserOf(std::string_view department, DemoRandom& random) const;
};

// Builds the references from the seed; the counts grow with the scale.
DemoWorld BuildWorld(const DemoOptions& options, DemoRandom& random);

// Writes the references, the Book's settings and the document types.
void WriteReferences(Data::Connection& db, const DemoWorld& world, DemoRandom& random);

} // namespace Talvex::Erp::Demo
