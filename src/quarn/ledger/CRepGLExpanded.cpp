#include "quarn/ledger/CRepGLExpanded.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/CDBCommand.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ParamChecks.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/ledger/ChartChoice.hpp"
#include "quarn/ledger/frmGLExpanded.hpp"

#include <functional>
#include <set>

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

std::string CodesText(const std::set<std::string>& codes)
{
    std::string text;
    for (const std::string& code : codes) {
        if (!text.empty()) text += ",";
        text += code;
    }
    return text;
}

// Reads a list through the command service's cursor, row by row; false when it could not be
// opened (the service has reported why).
bool ReadRows(CDBCommand& command, DataList& list, const std::function<void(Recordset&)>& row)
{
    auto rs = command.DirectDataList(list, CRepGLExpanded::kCommandTimeout);
    if (!rs) return false;
    if (rs->RecordCount() == 0) return true;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
        row(*rs);
    return true;
}

Currency Money(Recordset& rs, const char* name)
{
    const Value v = rs.Fields()(name).Value();
    return v.IsNull() || v.IsEmpty() ? Currency() : v.ToCurrency();
}

std::string Text(Recordset& rs, const char* name)
{
    const Value v = rs.Fields()(name).Value();
    return v.IsNull() || v.IsEmpty() ? std::string() : v.ToText();
}

// One side of the period's posted postings on the tree's posting accounts, summed per account
// and correspondent account.
std::shared_ptr<DataList> SideList(Talvex::Book& book, const CRepGLExpanded::Parameters& p,
                                   const std::set<std::string>& postingCodes, bool debit)
{
    const std::string own = debit ? "oTable.DebetAccCode" : "oTable.CreditAccCode";
    const std::string other = debit ? "oTable.CreditAccCode" : "oTable.DebetAccCode";
    auto list = book.CreateList("GLAccountPost");
    list->Fields().SelectFields({});
    list->Fields().AddField("Code", Kind::kCode, own);
    list->Fields().AddField("CorCode", Kind::kCode, other);
    list->Fields().AddField("SumAcc", Kind::kAmount, "oTable.SumAcc").SetAggregate(Talvex::Aggregate::kSum);
    list->SetFilter(SqlTools::CombineConds(
        Talvex::CombineMode::kAnd,
        {SqlTools::CondByName("oTable.AccSetCode", Kind::kCode, Op::kEqual, Value(p.accSetCode)), "oTable.IsPosted = 1",
         SqlTools::CondByName("oTable.DatePost", Kind::kDate, Op::kNotLess, Value(p.begPeriod)),
         SqlTools::CondByName("oTable.DatePost", Kind::kDate, Op::kNotGreater, Value(p.endPeriod)),
         SqlTools::CondByName(own, Kind::kCode, Op::kInList, Value(CodesText(postingCodes)))}));
    return list;
}

} // namespace

bool CRepGLExpanded::Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams)
{
    try {
        auto book = GetBook(&inParams, false);
        if (Visual()) {
            frmGLExpanded form;
            if (!form.Run(book, outParams)) return false;
        }
        const auto given = GivenChartAndPeriod(inParams, outParams, "BegPeriod", "EndPeriod", "AccSetCode");
        const Value accounts = GivenParam(inParams, outParams, "AccountCode");
        const Parameters parameters{given.beg.ToDate(), given.end.ToDate(), given.chart.ToText(),
                                    AccountCodesOf(accounts.IsEmpty() ? std::string() : accounts.ToText())};
        if (parameters.accounts.empty()) throw Talvex::ValueError("AccountCode: no account is chosen");
        DeclareParam(outParams, "BegPeriod", Kind::kDate, given.beg);
        DeclareParam(outParams, "EndPeriod", Kind::kDate, given.end);
        DeclareParam(outParams, "AccSetCode", Kind::kCode, given.chart);
        DeclareParam(outParams, "AccountCode", Kind::kMultiSelection, accounts);

        const auto rows = Fill(book, parameters);
        if (!rows) return false;
        outParams.Add("DataList", Kind::kObject, Value(std::shared_ptr<Talvex::Object>(ResultList(*rows))));
        if (Visual() && rows->empty())
            TellInSession("The chart " + parameters.accSetCode + " has none of the chosen accounts.");
        return true;
    } catch (...) {
        ReportError();
    }
    return false;
}

std::optional<std::vector<GLExpandedRow>> CRepGLExpanded::Fill(const std::shared_ptr<Talvex::Book>& book,
                                                               const Parameters& p) const
{
    if (!book) throw Talvex::ValueError("CRepGLExpanded: no Book to read the ledger from");
    CDBCommand command;
    command.Init(book);

    // The tree: each chosen account with everything under it. One chosen account is read as
    // the host's account tree; several at once from the chart's pairs of account and group,
    // which give the same rows for every node in one statement.
    std::vector<GLTreeAccount> tree;
    std::set<std::string> treeCodes;
    std::set<std::string> postingCodes;
    std::shared_ptr<DataList> accT;
    if (p.accounts.size() == 1) {
        accT = book->CreateList("GLAccountT");
        accT->Params().Item("AccSetCode").SetValue(Value(p.accSetCode));
        accT->Params().Item("Node").SetValue(Value(p.accounts.front()));
        accT->Fields().SelectFields({"Code", "Name", "IsGroup", "Level"});
    } else {
        accT = book->CreateList("GLAccountParent");
        accT->Fields().SelectFields({"Code"});
        auto acc = book->CreateList("GLAccount");
        acc->Fields().SelectFields({});
        accT->Join(acc, "Acc", "Acc.AccSetCode = oTable.AccSetCode AND Acc.Code = oTable.Code");
        accT->Fields().AddField("Name", Kind::kText, "Acc.Name");
        accT->Fields().AddField("IsGroup", Kind::kFlag, "Acc.IsGroup");
        accT->Fields().AddField("Level", Kind::kInteger, "oTable.Distance");
        accT->SetFilter(SqlTools::CombineConds(
            Talvex::CombineMode::kAnd,
            {SqlTools::CondByName("oTable.AccSetCode", Kind::kCode, Op::kEqual, Value(p.accSetCode)),
             SqlTools::CondByName("oTable.Parent", Kind::kCode, Op::kInList,
                                  Value(CodesText({p.accounts.begin(), p.accounts.end()})))}));
    }
    accT->SetAlias("AccT");
    if (!ReadRows(command, *accT, [&](Recordset& rs) {
            GLTreeAccount account{Text(rs, "Code"), Text(rs, "Name"), rs.Fields()("IsGroup").Value().ToInteger() != 0,
                                  static_cast<long>(rs.Fields()("Level").Value().ToInteger())};
            if (!treeCodes.insert(account.code).second) return;
            if (!account.isGroup) postingCodes.insert(account.code);
            tree.push_back(std::move(account));
        }))
        return std::nullopt;
    if (tree.empty()) return std::vector<GLExpandedRow>{};

    // Total rows: the statement of the tree's accounts.
    std::map<std::string, GLAccountTurnover> turnovers;
    auto statement = book->CreateList("GLAccountStatementD");
    statement->Params().Item("DateFrom").SetValue(Value(p.begPeriod));
    statement->Params().Item("DateTo").SetValue(Value(p.endPeriod));
    statement->Params().Item("AccSetCode").SetValue(Value(p.accSetCode));
    statement->Fields().SelectFields(
        {"Code", "IncomeDSaldo", "IncomeCSaldo", "DTurn", "CTurn", "OutcomeDSaldo", "OutcomeCSaldo"});
    statement->SetFilter(SqlTools::CondByName("oTable.Code", Kind::kCode, Op::kInList, Value(CodesText(treeCodes))));
    if (!ReadRows(command, *statement, [&](Recordset& rs) {
            turnovers[Text(rs, "Code")] = {Money(rs, "IncomeDSaldo"),  Money(rs, "IncomeCSaldo"),
                                           Money(rs, "DTurn"),         Money(rs, "CTurn"),
                                           Money(rs, "OutcomeDSaldo"), Money(rs, "OutcomeCSaldo")};
        }))
        return std::nullopt;

    // Correspondent rows: each posting's debit side under its debit account, its credit side
    // under its credit account.
    std::vector<GLCorrespondence> lines;
    if (!postingCodes.empty()) {
        for (const bool debit : {true, false}) {
            auto side = SideList(*book, p, postingCodes, debit);
            if (!ReadRows(command, *side, [&](Recordset& rs) {
                    const Currency sum = Money(rs, "SumAcc");
                    lines.push_back(
                        {Text(rs, "Code"), Text(rs, "CorCode"), debit ? sum : Currency(), debit ? Currency() : sum});
                }))
                return std::nullopt;
        }
    }

    // The correspondents' names from the chart.
    std::map<std::string, std::string> names;
    auto chart = book->CreateList("GLAccount");
    chart->Fields().SelectFields({"Code", "Name"});
    chart->SetFilter(SqlTools::CondByName("oTable.AccSetCode", Kind::kCode, Op::kEqual, Value(p.accSetCode)));
    if (!ReadRows(command, *chart, [&](Recordset& rs) { names[Text(rs, "Code")] = Text(rs, "Name"); }))
        return std::nullopt;
    command.CloseConnection();
    return ExpandedStatement(tree, turnovers, lines, names);
}

std::shared_ptr<Recordset> CRepGLExpanded::ResultList(const std::vector<GLExpandedRow>& rows)
{
    auto rs = std::make_shared<Recordset>();
    auto& f = rs->Fields();
    f.Append("Code", DataTypeEnum::VarChar, 20);
    f.Append("CorCode", DataTypeEnum::VarChar, 20);
    for (const char* money : {"IncomeDSaldo", "IncomeCSaldo", "DTurn", "CTurn", "OutcomeDSaldo", "OutcomeCSaldo"})
        f.Append(money, DataTypeEnum::Currency);
    f.Append("Total", DataTypeEnum::Integer);
    f.Append("IsGroup", DataTypeEnum::Integer);
    f.Append("Level", DataTypeEnum::Integer);
    f.Append("Name", DataTypeEnum::VarChar, 150);
    rs->Open();
    for (const GLExpandedRow& row : rows) {
        rs->AddNew();
        f.Item("Code").SetValue(Value(row.code));
        f.Item("CorCode").SetValue(Value(row.corCode));
        f.Item("IncomeDSaldo").SetValue(Value(row.sums.incomeDSaldo));
        f.Item("IncomeCSaldo").SetValue(Value(row.sums.incomeCSaldo));
        f.Item("DTurn").SetValue(Value(row.sums.dTurn));
        f.Item("CTurn").SetValue(Value(row.sums.cTurn));
        f.Item("OutcomeDSaldo").SetValue(Value(row.sums.outcomeDSaldo));
        f.Item("OutcomeCSaldo").SetValue(Value(row.sums.outcomeCSaldo));
        f.Item("Total").SetValue(Value(static_cast<std::int64_t>(row.total ? 1 : 0)));
        f.Item("IsGroup").SetValue(Value(static_cast<std::int64_t>(row.isGroup ? 1 : 0)));
        f.Item("Level").SetValue(Value(static_cast<std::int64_t>(row.level)));
        f.Item("Name").SetValue(Value(row.name));
        rs->Update();
    }
    if (rs->RecordCount() > 0) rs->MoveFirst();
    return rs;
}

} // namespace Quarn_DuzAde
