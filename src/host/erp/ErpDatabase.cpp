#include "host/erp/ErpDatabase.hpp"

#include "host/data/Connection.hpp"
#include "host/data/LocalServer.hpp"
#include "host/erp/DemoCompany.hpp"
#include "host/objects/Book.hpp"
#include "host/types/Errors.hpp"

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

namespace Talvex::Data::Compat {
const std::vector<std::pair<std::string_view, std::string_view>>& EmbeddedFiles();
}
namespace Talvex::Erp::Schema {
const std::vector<std::pair<std::string_view, std::string_view>>& EmbeddedFiles();
}

namespace Talvex::Erp {
namespace {

// The scripts in the order of their file names (000_..., 010_..., ...).
std::vector<std::pair<std::string_view, std::string_view>> OrderedScripts()
{
    std::vector<std::pair<std::string_view, std::string_view>> scripts = Data::Compat::EmbeddedFiles();
    auto schema = Schema::EmbeddedFiles();
    std::sort(schema.begin(), schema.end());
    scripts.insert(scripts.end(), schema.begin(), schema.end());
    return scripts;
}

constexpr std::string_view kInstallTable = R"sql(
CREATE TABLE talvex_install (
    schema_version TEXT NOT NULL,
    scale INTEGER NOT NULL,
    seed BIGINT NOT NULL,
    installed_at TIMESTAMP NOT NULL DEFAULT now()
))sql";

} // namespace

std::string CanonicalName(std::string_view lowerName)
{
    // Mixed-case spellings win over all-capital ones, and SQL words never name a column.
    static const std::map<std::string, std::string, std::less<>> spellings = [] {
        static const std::set<std::string, std::less<>> sqlWords = {
            "AND",      "AS",       "BEGIN",   "BIGINT",     "BY",       "CASE",   "CREATE",   "DATE",
            "DEFAULT",  "ELSE",     "END",     "FROM",       "FUNCTION", "GROUP",  "IN",       "INDEX",
            "INTEGER",  "IS",       "JOIN",    "KEY",        "LEFT",     "NOT",    "NULL",     "NUMERIC",
            "ON",       "OR",       "PRIMARY", "REFERENCES", "RETURNS",  "SELECT", "SMALLINT", "TABLE",
            "TEXT",     "THEN",     "VARCHAR", "VIEW",       "WHEN",     "WHERE",  "WITH",     "SUM",
            "COALESCE", "LANGUAGE", "SQL",     "STABLE",     "UNION",    "ALL"};
        std::map<std::string, std::string, std::less<>> result;
        std::map<std::string, bool, std::less<>> mixed;
        for (const auto& [name, text] : OrderedScripts()) {
            std::size_t i = 0;
            while (i < text.size()) {
                unsigned char c = static_cast<unsigned char>(text[i]);
                if (c == '-' && i + 1 < text.size() && text[i + 1] == '-') {
                    while (i < text.size() && text[i] != '\n')
                        ++i;
                    continue;
                }
                if (c == '\'') {
                    for (++i; i < text.size() && text[i] != '\''; ++i) {
                    }
                    ++i;
                    continue;
                }
                if (!std::isalpha(c) && c != '_') {
                    ++i;
                    continue;
                }
                std::size_t start = i;
                while (i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_'))
                    ++i;
                std::string word(text.substr(start, i - start));
                bool hasUpper = std::any_of(word.begin(), word.end(), [](unsigned char x) { return std::isupper(x); });
                bool hasLower = std::any_of(word.begin(), word.end(), [](unsigned char x) { return std::islower(x); });
                if (!hasUpper || (!hasLower && sqlWords.count(word))) continue;
                std::string lower = word;
                std::transform(lower.begin(), lower.end(), lower.begin(),
                               [](unsigned char x) { return static_cast<char>(std::tolower(x)); });
                auto it = result.find(lower);
                if (it == result.end() || (!mixed[lower] && hasLower)) {
                    result[lower] = word;
                    mixed[lower] = hasLower;
                }
            }
        }
        return result;
    }();
    auto it = spellings.find(lowerName);
    return it == spellings.end() ? std::string(lowerName) : it->second;
}

std::string CurrentSchemaVersion()
{
    // FNV-1a over every script and the generator's version.
    std::uint64_t hash = 1469598103934665603ULL;
    auto mix = [&](std::string_view text) {
        for (unsigned char c : text) {
            hash ^= c;
            hash *= 1099511628211ULL;
        }
    };
    for (const auto& [name, text] : OrderedScripts()) {
        mix(name);
        mix(text);
    }
    mix(std::to_string(kDemoCompanyVersion));
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(hash));
    return buf;
}

std::optional<InstallInfo> ReadInstallInfo(Data::Connection& db)
{
    Data::Connection::SetNameSpelling([](std::string_view name) { return CanonicalName(name); });
    auto exists = db.QueryPostgres("SELECT to_regclass('public.talvex_install') IS NOT NULL");
    if (!exists.rows.at(0).at(0).ToBool()) return std::nullopt;
    auto rs = db.QueryPostgres("SELECT schema_version, scale, seed, installed_at::text FROM talvex_install");
    if (rs.rows.empty()) return std::nullopt;
    const auto& row = rs.rows.front();
    return InstallInfo{row[0].ToText(), static_cast<int>(row[1].ToInteger()),
                       static_cast<std::uint64_t>(row[2].ToInteger()), row[3].ToText()};
}

std::shared_ptr<Book> OpenBook(const std::string& connectString, const std::string& userName)
{
    Data::Connection connection = Data::Connection::Open(connectString);
    // Reading the install record also gives the connection layer the schema's spelling of
    // names, which the Book's descriptions of its sources use.
    if (!ReadInstallInfo(connection))
        throw DatabaseError("The database holds no ERP company; run 'talvex init-db' first");
    return Book::Open(std::move(connection), userName);
}

bool OrdersTextAsCompany(Data::Connection& db)
{
    auto rs = db.QueryPostgres("SELECT datlocprovider = 'i' AND daticulocale = $1 FROM pg_database "
                               "WHERE datname = current_database()",
                               {Value(std::string(Data::kCompanyTextLocale))});
    return !rs.rows.empty() && rs.rows[0][0].ToBool();
}

void InstallErpDatabase(Data::Connection& db, const DemoOptions& options, const ProgressFn& progress)
{
    if (options.scale < 0 || options.scale > 10) throw ValueError("scale: must be a whole number from 0 to 10");
    if (!OrdersTextAsCompany(db))
        throw DatabaseError("The database does not order text as the company's language; create it with "
                            "TEMPLATE template0 LOCALE_PROVIDER icu ICU_LOCALE '" +
                            std::string(Data::kCompanyTextLocale) + "'");
    auto report = [&](std::string_view step) {
        if (progress) progress(step);
    };
    Data::Transaction tx(db);
    auto existing = db.QueryPostgres("SELECT to_regclass('public.talvex_install') IS NOT NULL");
    if (existing.rows.at(0).at(0).ToBool())
        throw DatabaseError("The database already holds an ERP schema; use --force to replace it");
    for (const auto& [name, text] : OrderedScripts()) {
        report("Creating " + std::string(name));
        try {
            db.ExecutePostgresScript(text);
        } catch (const DatabaseError& e) {
            throw DatabaseError(std::string(name) + ": " + e.what());
        }
    }
    db.ExecutePostgresScript(kInstallTable);
    // The documents are loaded in bulk with the kept states' triggers off (the payment terms,
    // the fixation log's kept columns, the monthly stock and the sales parts); each is then
    // built in one statement, and the triggers keep it from the first later write on.
    db.ExecutePostgresScript(
        "SELECT THDocPayTermStateSuspend(); SELECT THGoodFixMonthSuspend(); SELECT THSalePartSuspend()");
    GenerateDemoCompany(db, options, progress);
    report("Building the payment-term state");
    db.ExecutePostgresScript("SELECT THDocPayTermStateRebuild()");
    report("Building the monthly stock movement");
    db.ExecutePostgresScript("SELECT THGoodFixMonthRebuild()");
    report("Building the sales parts");
    db.ExecutePostgresScript("SELECT THSalePartRebuild()");
    db.QueryPostgres(
        "INSERT INTO talvex_install (schema_version, scale, seed) VALUES ($1, $2, $3)",
        {Value(CurrentSchemaVersion()), Value(options.scale), Value(static_cast<std::int64_t>(options.seed))});
    report("Analysing tables");
    tx.Commit();
    db.ExecutePostgresScript("ANALYZE");
}

void InstallCompatibilityFunctions(Data::Connection& db)
{
    Data::Transaction tx(db);
    db.ExecutePostgresScript("DROP SCHEMA IF EXISTS tsql CASCADE");
    for (const auto& [name, text] : Data::Compat::EmbeddedFiles()) {
        try {
            db.ExecutePostgresScript(text);
        } catch (const DatabaseError& e) {
            throw DatabaseError(std::string(name) + ": " + e.what());
        }
    }
    tx.Commit();
}

void DropErpSchema(Data::Connection& db)
{
    Data::Transaction tx(db);
    db.ExecutePostgresScript("DROP SCHEMA IF EXISTS public CASCADE; DROP SCHEMA IF EXISTS tsql CASCADE; "
                             "CREATE SCHEMA public; GRANT ALL ON SCHEMA public TO PUBLIC");
    tx.Commit();
}

} // namespace Talvex::Erp
