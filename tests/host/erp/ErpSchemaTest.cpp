#include "ErpTestQueries.hpp"
#include "host/erp/ErpDatabase.hpp"
#include "host/objects/Book.hpp"
#include "host/types/Errors.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace {

// The tables and data sources the module reads, with the columns it names.
const std::vector<Talvex::Testing::SourceColumns> kSources = {
    {"THDocument",
     {"IDC",
      "DocTypeCode",
      "DocumentDate",
      "Number",
      "Summa",
      "CurrencyCode",
      "IsPosted",
      "IsClosed",
      "IsPayClosed",
      "StateCode",
      "ParentID",
      "Author",
      "Department",
      "IsDirectPay",
      "IsMngBKeeping",
      "IsCostChanged",
      "CommingInForceDate",
      "TermsOfValidityDate",
      "Name",
      "Code",
      "IsKredit"}},
    {"THDocType", {"Code", "Name", "IsIncome", "Category"}},
    {"THDocumentPRSF",
     {"DocID", "PriceTypeCode", "IsNotPrInvoice", "RateDate", "Penalty", "CashRegState", "IsByAmount"}},
    {"THDocumentPISF", {"DocID", "IsPayOnSell", "VATDirection", "PriceTypeCode", "Penalty"}},
    {"THDocumentGPG", {"DocID", "PriceTypeCode"}},
    {"THDocumentPRSD", {"DocID", "PriceTypeCode", "IsByAmount"}},
    {"THDocumentPISD", {"DocID", "IsByAmount"}},
    {"THDocumentBCN", {"DocID", "IsByAmount"}},
    {"THDocumentSCN", {"DocID", "PriceTypeCode"}},
    {"THDocumentHR", {"DocID"}},
    {"THDocumentRD", {"DocID"}},
    {"THDocumentRDG", {"DocID"}},
    {"THDocumentMO", {"MOIDC", "DocID", "IsCostByNormPrice"}},
    {"THGoodSpec",
     {"IDC", "DocID", "PosNumb", "GoodCode", "UnitCode", "Amount", "AmountAccount", "Summa", "CostSumm", "Price",
      "IsCostChanged", "FixCategory"}},
    {"THGoodSpecPRSF", {"DocID", "PosNumb", "SummVAT", "AddDiscountSumm", "Discount", "DiscountSumm"}},
    {"THGoodSpecPISF", {"DocID", "PosNumb", "SummVAT"}},
    {"THGoodSpecGPG", {"DocID", "PosNumb", "SummVAT"}},
    {"THGoodSpecPGA", {"DocID", "PosNumb", "SummVAT"}},
    {"THGoodSpecPRSD", {"DocID", "PosNumb", "SummVAT"}},
    {"THGoodSpecPISD", {"DocID", "PosNumb", "SummVAT"}},
    {"THGoodSpecBCN", {"DocID", "PosNumb", "SummVAT"}},
    {"THGoodSpecSCN", {"DocID", "PosNumb", "SummVAT"}},
    {"THGoodSpecHR", {"DocID", "PosNumb", "SummVAT"}},
    {"THGoodSpecHS", {"DocID", "PosNumb", "SummVAT"}},
    {"THGoodSpecRD", {"DocID", "PosNumb", "SummVAT"}},
    {"THGoodSpecRDG", {"DocID", "PosNumb", "SummVAT"}},
    {"THGoodSpecCPAY", {"DocId", "PosNumb", "Client", "NeedPayDate", "PaymentTypeCode", "PayDocId"}},
    {"THGoodSpecITNS", {"DocID", "PosNumb", "AssetsCode", "FAObjectCode", "RetDate"}},
    {"THPartyAttribute", {"DocID", "DocTypeCode", "RolePartyCode", "PartyType", "PartyCode"}},
    {"THPaySpec", {"DocID", "CorDocID", "Summa", "SummaCur", "IsTransfered", "CorDocument"}},
    {"THGoodContent", {"IDC", "SpecID", "CorSpecID", "LinkKindCode", "IsVertical", "AmountAccount"}},
    {"THGoodSpecFixLog",
     {"IncomeSpecID", "OutcomeSpecID", "Amount", "FixCategory", "OutcomeDate", "OutcomeDocID", "OutcomeDocTypeCode",
      "OutcomeIsPosted", "OutcomeCurrencyCode", "OutcomeGoodCode", "OutcomeNetPrice", "IncomeDocID", "IncomeUnitCost"}},
    {"THDocumentPayTerm", {"IDC", "DocID", "PayTerm", "Summa"}},
    {"REFClient",
     {"Code", "Name", "Parent", "MarketGrCode", "IsSubsidiary", "IsPerson", "EnterpriseTypeCode", "DefaultLimit",
      "IsLimitSetManually", "PlantCode"}},
    {"REFPerson", {"Code", "FirstName", "LastName", "Patronymic", "UserID"}},
    {"\"user\"", {"IDC"}},
    {"REFStaffMember", {"DepCode", "EmployeeCode", "IsPrimary"}},
    {"REFClientPerson", {"ClientCode", "PersonCode", "PersonRoleCode", "IsMain"}},
    {"REFClientMarketGr", {"Code", "PayTerm"}},
    {"REFDepartment", {"Code", "Name", "GroupComment"}},
    {"REFGood", {"Code", "Name", "Parent", "Category"}},
    {"REFGoodUnit", {"GoodCode", "UnitCode", "IsAccount", "IsCommon", "Rate"}},
    {"REFCurrency", {"Code", "DefaultRateType"}},
    {"REFCurrencyRate", {"CurrencyCode", "RateTypeCode", "DateApply", "Rate"}},
    {"REFPaymentType", {"Code", "Name"}},
    {"BookSetting", {"SettingName", "SettingValue"}},
    {"REFClientT('K')", {"Code", "IsGroup"}},
    {"REFGoodT('G1')", {"Code"}},
    {"REFDepartmentT('PARD')", {"Code"}},
    {"THDocumentPayTermCur",
     {"IDC", "DocTypeCode", "Number", "CurrencyCode", "DocumentDate", "DocSumma", "Summa", "DebtSumma", "IsPosted",
      "NeedPayDate", "ParentID", "IsClosed", "PosNumb", "TermId"}},
    {"THDocumentPayTermExt('2025-12-31')",
     {"IDC", "DocTypeCode", "Number", "CurrencyCode", "DocumentDate", "DocSumma", "Summa", "DebtSumma", "IsPosted",
      "NeedPayDate", "PosNumb", "TermId"}},
    {"THDocumentPayTermDbt('2025-12-31')", {"IDC", "DocSumma", "Summa", "DebtSumma", "NeedPayDate", "PosNumb"}},
    {"THDocPayTermCurDbt", {"IDC", "DocSumma", "Summa", "DebtSumma", "NeedPayDate", "ParentID", "IsClosed", "PosNumb"}},
    {"THGoodSpecNotFixed('2025-12-31')", {"DocId", "GoodCode", "CostSumm"}},
    {"THDocGoodFixRest", {"IncomeSpecID", "DocID", "GoodCode", "RestAmountAccount", "RestCostSumm"}},
    {"THDocGoodFixLogMonth",
     {"GoodCode", "DateEnd", "IncomeAmountAccount", "IncomeCostSumm", "AmountAccount", "CostSumm", "FixedAmountAccount",
      "FixedCostSumm", "MonthDays"}},
};

} // namespace

TEST(ErpSchema, EveryTableAndDataSourceHasTheColumnsTheModuleNames)
{
    auto db = Talvex::Testing::OpenDemoDatabase();
    Talvex::Testing::ExpectSourcesHaveColumns(db, kSources);
}

TEST(ErpSchema, NamesFoldToLowerCaseAndTheBookSettingsAreThere)
{
    auto db = Talvex::Testing::OpenDemoDatabase();
    // Unquoted names: the front end folds identifiers, so no object may need quoting by case.
    EXPECT_EQ(Talvex::Testing::QueryCount(db, "SELECT count(*) FROM information_schema.columns "
                                              "WHERE table_schema = 'public' AND (table_name <> lower(table_name) "
                                              "OR column_name <> lower(column_name))"),
              0);
    for (const char* setting : {"AccountCurrency", "StartDate", "AccessTHDate", "AccSetCode", "CompanyCode",
                                "CompanyName", "CompanyAddress", "CompanyEMail", "CompanyTEL", "CompanyFA"})
        EXPECT_NE(Talvex::Testing::QueryText(
                      db, std::string("SELECT SettingValue FROM BookSetting WHERE SettingName = '") + setting + "'"),
                  "")
            << setting;
    EXPECT_EQ(
        Talvex::Testing::QueryText(db, "SELECT SettingValue FROM BookSetting WHERE SettingName = 'AccountCurrency'"),
        "EUR");
}

TEST(ErpSchema, ABookOpensOnlyOverADatabaseHoldingACompany)
{
    auto book = Talvex::Erp::OpenBook(Talvex::Testing::DemoDatabaseConnectString(), "tester");
    EXPECT_EQ(book->AccountCurrency(), "EUR");
    // Names come back as the schema spells them, not as the server folded them.
    const auto info = book->Describe("thdocumentpaytermext");
    EXPECT_EQ(info.name, "THDocumentPayTermExt");
    ASSERT_EQ(info.params.size(), 1u);
    EXPECT_EQ(info.params[0].name, "PayToDate");

    // The scratch database has the compatibility functions and no company.
    const std::string scratch = Talvex::Testing::OpenScratchDatabase().ConnectString();
    try {
        Talvex::Erp::OpenBook(scratch, "tester");
        ADD_FAILURE() << "a database without a company opened";
    } catch (const Talvex::DatabaseError& refusal) {
        EXPECT_STREQ(refusal.what(), "The database holds no ERP company; run 'talvex init-db' first");
    }
}

TEST(ErpSchema, IdsContinueAfterTheLoadedRows)
{
    auto db = Talvex::Testing::OpenDemoDatabase();
    Talvex::Data::Transaction tx(db);
    const auto before = Talvex::Testing::QueryCount(db, "SELECT max(IDC) FROM THDocument");
    const auto inserted = Talvex::Testing::QueryCount(
        db, "INSERT INTO THDocument (DocTypeCode, DocumentDate) VALUES ('SUSM', '2026-12-31') RETURNING IDC");
    EXPECT_GT(inserted, before);
    const auto lastRow = Talvex::Testing::QueryCount(db, "SELECT max(IDC) FROM THGoodSpec");
    EXPECT_GT(Talvex::Testing::QueryCount(db, "INSERT INTO THGoodSpec (DocID, PosNumb, GoodCode, UnitCode) "
                                              "VALUES (1, 999, 'C1', 'VNT') RETURNING IDC"),
              lastRow);
}
