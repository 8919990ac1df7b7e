// The talvex command: sets up the ERP database and runs statements and reports on it.

#include "cli/BackupCommand.hpp"
#include "cli/ResultPrinter.hpp"
#include "cli/RunCommand.hpp"
#include "cli/UserCommand.hpp"
#include "host/data/Connection.hpp"
#include "host/data/LocalServer.hpp"
#include "host/data/tsql/TSql.hpp"
#include "host/erp/ErpDatabase.hpp"
#include "host/types/Errors.hpp"
#include "web/WebServer.hpp"

#include <CLI/CLI.hpp>

#include <cstdlib>
#include <iostream>

namespace {

using namespace Talvex;

constexpr const char* kLocalDatabase = "talvex";

struct DatabaseChoice {
    std::string connect;
    bool local = false;
};

// --db, else $TALVEX_DB, else the local server (started, and its database created, on demand).
DatabaseChoice ChooseDatabase(const std::string& dbOption)
{
    if (!dbOption.empty()) return {dbOption, false};
    if (const char* env = std::getenv("TALVEX_DB"); env && *env) return {env, false};
    Data::LocalServer server; // the company's own cluster: durable, every commit on disk
    server.EnsureRunning([](std::string_view note) { std::cerr << note << "\n"; });
    server.EnsureDatabase(kLocalDatabase);
    return {server.ConnectString(kLocalDatabase), true};
}

void ShowProgress(std::string_view step)
{
    std::cerr << step << "\n";
}

int InitDb(const std::string& dbOption, int scale, std::uint64_t seed, bool force)
{
    DatabaseChoice choice = ChooseDatabase(dbOption);
    if (choice.local && force) {
        // A company made before text sorted by the company's language needs a new database.
        bool remake = false;
        {
            Data::Connection old = Data::Connection::Open(choice.connect);
            remake = !Erp::OrdersTextAsCompany(old);
        }
        if (remake) {
            Data::LocalServer server;
            server.DropDatabase(kLocalDatabase);
            server.EnsureDatabase(kLocalDatabase);
        }
    }
    Data::Connection db = Data::Connection::Open(choice.connect);
    if (auto info = Erp::ReadInstallInfo(db)) {
        if (!force)
            throw DatabaseError("The database already holds a company (scale " + std::to_string(info->scale) +
                                ", seed " + std::to_string(info->seed) + ", installed " + info->installedAt +
                                "); use --force to replace it");
        Erp::DropErpSchema(db);
    } else {
        auto tables = db.QueryPostgres("SELECT count(*) FROM pg_tables WHERE schemaname = 'public'");
        if (tables.rows[0][0].ToInteger() > 0 && !force)
            throw DatabaseError("The database holds tables of another application; use --force to replace them");
        if (force) Erp::DropErpSchema(db);
    }
    Erp::InstallErpDatabase(db, Erp::DemoOptions{scale, seed}, ShowProgress);
    auto count = db.Query("SELECT COUNT(*) AS n FROM THDocument");
    std::cout << "The demo company is ready: " << count.rows[0][0].ToText() << " documents.\n";
    return 0;
}

// The local database is set up on first use; another server must have been set up with init-db.
Data::Connection OpenCompany(const std::string& dbOption)
{
    DatabaseChoice choice = ChooseDatabase(dbOption);
    Data::Connection db = Data::Connection::Open(choice.connect);
    auto info = Erp::ReadInstallInfo(db);
    if (info && choice.local && info->schemaVersion != Erp::CurrentSchemaVersion())
        throw DatabaseError("The local company was made by another version of talvex; rebuild it with "
                            "'scripts/run.sh init-db --force'");
    if (!info) {
        if (!choice.local)
            throw DatabaseError("The database holds no ERP company; run 'talvex init-db --db ...' first");
        std::cerr << "Setting up the local demo company (first use)\n";
        Erp::InstallErpDatabase(db, Erp::DemoOptions{}, ShowProgress);
    }
    return db;
}

int Sql(const std::string& dbOption, const std::string& formatText, const std::string& statement)
{
    Cli::OutputFormat format = Cli::ParseOutputFormat(formatText);
    Data::TSql::Translate(statement); // a statement that does not parse never reaches a server
    Data::Connection db = OpenCompany(dbOption);
    Data::ResultSet rs = db.Query(statement);
    if (rs.columns.empty()) {
        std::cout << rs.affectedRows << " rows affected\n";
        return 0;
    }
    Cli::Print(Cli::ListingOf(rs), format, std::cout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Talvex Enterprise with the Quarn_DuzAde financial module"};
    app.require_subcommand(1);

    std::string db;
    int scale = 0;
    std::uint64_t seed = Erp::DemoOptions{}.seed;
    bool force = false;
    auto* initDb = app.add_subcommand("init-db", "Create the ERP schema and the demo company");
    initDb->add_option("--db", db, "PostgreSQL connection string (default: the local server)");
    initDb->add_option("--scale", scale, "0: a few thousand documents; 1: about 100,000")->check(CLI::Range(0, 10));
    initDb->add_option("--seed", seed, "Seed of the generator: the same seed gives the same company");
    initDb->add_flag("--force", force, "Replace an existing company");

    std::string format = "table";
    std::string statement;
    auto* sql = app.add_subcommand("sql", "Run one T-SQL statement and print its rows");
    sql->add_option("--db", db, "PostgreSQL connection string (default: the local server)");
    sql->add_option("--format", format, "csv, table or json");
    sql->add_option("statement", statement, "The T-SQL statement")->required();

    Cli::RunOptions run;
    std::string runFormat = "table";
    auto* runCmd = app.add_subcommand("run", "Run a class of the module by name and print the list it returns");
    runCmd->add_option("class", run.className, "Quarn_DuzAde.<ClassName>")->required();
    runCmd->add_option("--db", db, "PostgreSQL connection string (default: the local server)");
    runCmd->add_option("--param", run.params,
                       "A parameter Name=Value, or Name:Kind=Value with a host field type number (repeatable)");
    runCmd->add_option("--answers", run.answersFile, "A file of answers to the forms, by control name");
    runCmd->add_option("--format", runFormat, "table, csv or json");
    runCmd->add_option("--out", run.outFile, "Write the list to this file");
    runCmd->add_option("--user", run.userName, "The user whose settings the reports use");
    runCmd->add_option("--print-dir", run.printDir,
                       "Where reports printed by their code are written as HTML (default: the current folder)");

    std::string catalogueFormat = "table";
    auto* catalogue = app.add_subcommand("catalogue", "List the public classes of the module");
    catalogue->add_option("--format", catalogueFormat, "table, csv or json");

    std::string backupFile;
    auto* backup = app.add_subcommand("backup", "Write the company's database to a file (pg_dump, custom format)");
    backup->add_option("file", backupFile, "The backup file to write")->required();
    backup->add_option("--db", db, "PostgreSQL connection string (default: the local server)");

    auto* restore = app.add_subcommand("restore", "Restore the company from a file written by backup");
    restore->add_option("file", backupFile, "The backup file to read")->required();
    restore->add_option("--db", db, "PostgreSQL connection string (default: the local server)");
    restore->add_flag("--force", force, "Replace the company the database holds");

    Web::ServerOptions web;
    int webPort = web.port;
    auto* webCmd = app.add_subcommand("web", "Serve the Talvex client to browsers (HTTP and WebSocket)");
    webCmd->add_option("--db", db, "PostgreSQL connection string (default: the local server)");
    webCmd->add_option("--listen", web.listen, "Address to listen on (default: 127.0.0.1, this machine only)");
    webCmd->add_option("--port", webPort, "Port to listen on; 0 picks a free one")->check(CLI::Range(0, 65535));
    webCmd->add_option("--user", web.defaultUser,
                       "Every request is this user's, no password asked (a single-user install; loopback only)");
    webCmd->add_option("--static", web.staticDir, "Folder of the built front end (default: web/dist)");
    webCmd->add_option("--max-sessions", web.limits.maxSessions, "Tabs open at once, all users together (default: 500)")
        ->check(CLI::PositiveNumber);
    webCmd->add_option("--max-sessions-per-user", web.limits.maxSessionsPerUser, "Tabs one user may hold (default: 20)")
        ->check(CLI::PositiveNumber);
    webCmd
        ->add_option("--max-db-connections", web.limits.maxConnections,
                     "Database connections the tabs hold at once (default: half the server's max_connections "
                     "less its reserved ones)")
        ->check(CLI::PositiveNumber);
    webCmd->add_option("--export-threads", web.exportThreads, "Threads that write exports and prints (default: 2)")
        ->check(CLI::Range(1, 64));
    webCmd->add_option("--allow-host", web.allowedHosts,
                       "A host name browsers use for the server besides the listen address and localhost (repeatable)");
    webCmd->add_flag("--behind-proxy", web.behindProxy,
                     "A TLS proxy in front serves browsers over HTTPS (required to listen beyond loopback)");
    int idleMinutes = static_cast<int>(web.idleLimit.count() / 60);
    webCmd->add_option("--idle-minutes", idleMinutes, "A sign-in unused this long ends (default 30)")
        ->check(CLI::Range(1, 24 * 60));

    std::string userAction;
    std::string userName;
    auto* userCmd = app.add_subcommand("user", "Add a user of the web client, change a password, remove a user");
    userCmd->add_option("action", userAction, "add, passwd or remove")
        ->required()
        ->check(CLI::IsMember({"add", "passwd", "remove"}));
    userCmd->add_option("name", userName, "The user's name")->required();
    userCmd->add_option("--db", db, "PostgreSQL connection string (default: the local server)");

    CLI11_PARSE(app, argc, argv);
    try {
        if (initDb->parsed()) return InitDb(db, scale, seed, force);
        if (sql->parsed()) return Sql(db, format, statement);
        if (backup->parsed()) {
            Cli::BackupCompany(ChooseDatabase(db).connect, backupFile, std::cout);
            return 0;
        }
        if (restore->parsed()) {
            Cli::RestoreCompany(ChooseDatabase(db).connect, backupFile, force, std::cout);
            return 0;
        }
        if (catalogue->parsed()) {
            Cli::PrintCatalogue(Cli::ParseOutputFormat(catalogueFormat), std::cout);
            return 0;
        }
        if (webCmd->parsed()) {
            Data::Connection check = OpenCompany(db); // sets up the local company on first use
            web.connectString = check.ConnectString();
            web.port = static_cast<unsigned short>(webPort);
            web.idleLimit = std::chrono::minutes(idleMinutes);
            web.handleSignals = true;
            Web::WebServer server(web);
            // Scripts and tests read the address from this line.
            std::cout << "Talvex web client: http://" << web.listen << ":" << server.Port() << "/" << std::endl;
            server.Run();
            return 0;
        }
        if (userCmd->parsed()) {
            const Cli::UserAction action = userAction == "add"      ? Cli::UserAction::Add
                                           : userAction == "passwd" ? Cli::UserAction::ChangePassword
                                                                    : Cli::UserAction::Remove;
            Data::Connection check = OpenCompany(db); // sets up the local company on first use
            Cli::RunUserCommand(check.ConnectString(), action, userName, std::cin, std::cout);
            return 0;
        }
        if (runCmd->parsed()) {
            run.format = Cli::ParseOutputFormat(runFormat);
            Data::Connection check = OpenCompany(db); // sets up the local company on first use
            return Cli::RunClass(check.ConnectString(), run, std::cout, std::cerr);
        }
    } catch (const Data::TSql::SqlSyntaxError& e) {
        std::cerr << "talvex: " << e.what() << "\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "talvex: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
