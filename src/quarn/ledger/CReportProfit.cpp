#include "quarn/ledger/CReportProfit.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"
#include "quarn/ledger/ChartChoice.hpp"
#include "quarn/ledger/frmReportProfit.hpp"

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::DataList;
using Talvex::Date;
using Talvex::SqlTools;
using Talvex::Value;
using Talvex::Data::DataTypeEnum;
using Talvex::Data::Recordset;
using Kind = Talvex::FieldType;
using Op = Talvex::SqlOperator;

namespace {

constexpr long kIncomeHeading = 1361;
constexpr long kExpenseHeading = 1362;

constexpr const char* kAccountOn = "oTable.Code = Acc.Code AND oTable.AccSetCode = Acc.AccSetCode";
constexpr const char* kMoved = "(oTable.OutcomeSaldo <> 0 OR oTable.DTurn <> oTable.CTurn)";
constexpr const char* kProfitClasses = "(LEFT(oTable.Code, 1) = '5' OR LEFT(oTable.Code, 1) = '6')";

} // namespace

std::string CReportProfit::IncomeHeading()
{
    return ModuleFormRes().GetString(kIncomeHeading);
}

std::string CReportProfit::ExpenseHeading()
{
    return ModuleFormRes().GetString(kExpenseHeading);
}

bool CReportProfit::Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams)
{
    try {
        auto book = GetBook(&inParams, false);
        Date begDate;
        Date endDate;
        std::string accSetCode;
        if (Visual()) {
            frmReportProfit form;
            if (!form.Run(book, begDate, endDate, accSetCode)) return false;
        } else {
            const auto given = GivenChartAndPeriod(inParams, outParams, "BegDate", "EndDate", "AccSetCode");
            begDate = given.beg.ToDate();
            endDate = given.end.ToDate();
            accSetCode = given.chart.ToText();
        }
        const auto rows = Fill(*book, begDate, endDate, accSetCode);
        auto result = ResultList(rows);
        outParams.Add("Address", Kind::kLongText, Value(book->Setting("CompanyAddress").ToText()));
        outParams.Add("Name", Kind::kLongText, Value(book->Setting("CompanyName").ToText()));
        outParams.Add("BegDate", Kind::kDate, Value(begDate));
        outParams.Add("EndDate", Kind::kDate, Value(endDate));
        outParams.Add("DataList", Kind::kObject, Value(std::shared_ptr<Talvex::Object>(result)));
        if (Visual() && rows.empty())
            TellInSession("No income or expense account of chart " + accSetCode + " moved from " + begDate.ToIso() +
                          " to " + endDate.ToIso() + ".");
        return true;
    } catch (...) {
        ReportError();
    }
    return false;
}

std::shared_ptr<DataList> CReportProfit::StatementList(Talvex::Book& book, Date begDate, Date endDate,
                                                       const std::string& accSetCode)
{
    auto list = book.CreateList("GLAccountStatementD");
    list->Params().Item("DateFrom").SetValue(Value(begDate));
    list->Params().Item("DateTo").SetValue(Value(endDate));
    // The chart as a parameter too: the same rows, without the other charts' sums.
    list->Params().Item("AccSetCode").SetValue(Value(accSetCode));
    auto acc = book.CreateList("GLAccount");
    acc->Fields().SelectFields({});
    list->Join(acc, "Acc", kAccountOn);
    list->SetFilter(
        SqlTools::CombineConds(Talvex::CombineMode::kAnd,
                               {SqlTools::CondByName("oTable.AccSetCode", Kind::kCode, Op::kEqual, Value(accSetCode)),
                                "Acc.IsGroup = 0", kMoved, kProfitClasses}));
    list->Fields().SelectFields({"Code", "DTurn", "CTurn", "OutcomeSaldo"});
    list->Fields().AddField("AccountName", Kind::kText, "Acc.Name");
    // The sections in the order of their heading texts, as the database orders text.
    const std::string heading = "CASE WHEN LEFT(oTable.Code, 1) = '5' THEN " +
                                SqlTools::Literal(Kind::kText, Value(IncomeHeading())) + " ELSE " +
                                SqlTools::Literal(Kind::kText, Value(ExpenseHeading())) + " END";
    list->OrderBy(heading + ", oTable.Code");
    return list;
}

std::vector<ProfitRow> CReportProfit::Fill(Talvex::Book& book, Date begDate, Date endDate,
                                           const std::string& accSetCode) const
{
    auto list = StatementList(book, begDate, endDate, accSetCode);
    list->Refresh();
    auto rs = list->Recordset();
    const auto index = [&](const char* name) { return rs->Fields().Item(name).Index(); };
    const std::size_t code = index("Code"), name = index("AccountName"), dTurn = index("DTurn"), cTurn = index("CTurn"),
                      saldo = index("OutcomeSaldo");
    const auto money = [&](std::size_t row, std::size_t field) {
        const Value& v = rs->StoredValue(row, field);
        return v.IsNull() ? Currency() : v.ToCurrency();
    };
    std::vector<ProfitAccount> accounts;
    for (std::size_t row : rs->ViewRows())
        accounts.push_back({rs->StoredValue(row, code).ToText(), rs->StoredValue(row, name).ToText(), money(row, dTurn),
                            money(row, cTurn), money(row, saldo)});
    return ProfitRows(accounts, IncomeHeading(), ExpenseHeading());
}

std::shared_ptr<Recordset> CReportProfit::ResultList(const std::vector<ProfitRow>& rows)
{
    auto rs = std::make_shared<Recordset>();
    auto& f = rs->Fields();
    f.Append("AccountCode", DataTypeEnum::VarChar, 20);
    f.Append("AccountName", DataTypeEnum::VarChar, 150);
    f.Append("Amount", DataTypeEnum::Currency);
    f.Append("EndBalance", DataTypeEnum::Currency);
    f.Append("Name", DataTypeEnum::VarChar, 100);
    rs->Open();
    for (const ProfitRow& row : rows) {
        rs->AddNew();
        f.Item("AccountCode").SetValue(Value(row.accountCode));
        f.Item("AccountName").SetValue(Value(row.accountName));
        f.Item("Amount").SetValue(Value(row.amount));
        f.Item("EndBalance").SetValue(Value(row.endBalance));
        f.Item("Name").SetValue(Value(row.heading));
        rs->Update();
    }
    if (rs->RecordCount() > 0) rs->MoveFirst();
    return rs;
}

} // namespace Quarn_DuzAde
