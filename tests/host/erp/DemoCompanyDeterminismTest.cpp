#include "ErpTestQueries.hpp"
#include "support/TestDatabase.hpp"

#include "host/data/LocalServer.hpp"
#include "host/erp/ErpDatabase.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// A few aggregates over every generated table: equal fingerprints mean the same company.
std::string Fingerprint(Talvex::Data::Connection& db)
{
    return Talvex::Testing::QueryText(
        db,
        "SELECT concat_ws('/', "
        "(SELECT md5(string_agg(concat_ws(',', IDC, DocTypeCode, DocumentDate, Number, Summa, CurrencyCode, IsPosted, "
        "ParentID), ';' ORDER BY IDC)) FROM THDocument), "
        "(SELECT md5(string_agg(concat_ws(',', IDC, DocID, GoodCode, Amount, Summa, CostSumm), ';' ORDER BY IDC)) "
        "FROM THGoodSpec), "
        "(SELECT md5(string_agg(concat_ws(',', DocID, CorDocID, Summa, SummaCur), ';' ORDER BY IDC)) FROM THPaySpec), "
        "(SELECT md5(string_agg(concat_ws(',', DocID, RolePartyCode, PartyCode), ';' ORDER BY IDC)) "
        "FROM THPartyAttribute), "
        "(SELECT md5(string_agg(concat_ws(',', Code, Name, Parent), ';' ORDER BY Code)) FROM REFClient), "
        "(SELECT md5(string_agg(concat_ws(',', CurrencyCode, DateApply, Rate), ';' ORDER BY IDC)) "
        "FROM REFCurrencyRate), "
        "(SELECT count(*) FROM THGoodSpecFixLog), (SELECT sum(Summa) FROM THDocumentPayTerm))");
}

} // namespace

TEST(DemoCompanyGeneration, TheSameSeedGivesTheSameCompanyAndAnotherSeedAnother)
{
    if (const char* env = std::getenv("TALVEX_TEST_DB"); env && *env)
        GTEST_SKIP() << "needs the local server for a scratch database";
    auto demo = Talvex::Testing::OpenDemoDatabase();
    const std::string expected = Fingerprint(demo);

    Talvex::Data::LocalServer server = Talvex::Testing::TestServer();
    server.EnsureRunning();
    const std::string name = "talvex_erp_scratch";
    server.EnsureDatabase(name);
    {
        auto scratch = Talvex::Data::Connection::Open(server.ConnectString(name));
        Talvex::Erp::DropErpSchema(scratch);
        Talvex::Erp::InstallErpDatabase(scratch, Talvex::Erp::DemoOptions{0, Talvex::Testing::kTestSeed});
        EXPECT_EQ(Fingerprint(scratch), expected);

        Talvex::Erp::DropErpSchema(scratch);
        Talvex::Erp::InstallErpDatabase(scratch, Talvex::Erp::DemoOptions{0, Talvex::Testing::kTestSeed + 1});
        const std::string other = Fingerprint(scratch);
        EXPECT_NE(other, expected);
        // Every part of the company depends on the seed, not only some.
        for (std::size_t part = 0, at = 0; part < 6; ++part) {
            const auto end = other.find('/', at);
            EXPECT_NE(other.substr(at, end - at), expected.substr(at, end - at)) << "part " << part;
            at = end + 1;
        }
    }
    server.DropDatabase(name);
}
