// The expanded statement's self-check: the statement is run on a sample and its rows are
// held against the rules of double entry.
#include "quarn/ledger/CRepGLExpanded.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/Session.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"

#include <map>
#include <set>

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Value;

namespace {

std::string Money(Currency value)
{
    return value.ToString();
}

struct Turnover {
    Currency debit;
    Currency credit;
};

void CheckTotalRow(const GLExpandedRow& row, std::vector<std::string>& findings)
{
    const GLAccountTurnover& s = row.sums;
    const Currency opening = s.incomeDSaldo - s.incomeCSaldo;
    const Currency closing = s.outcomeDSaldo - s.outcomeCSaldo;
    if (opening + s.dTurn - s.cTurn != closing)
        findings.push_back("Account " + row.code + ": opening " + Money(opening) + " + debit " + Money(s.dTurn) +
                           " - credit " + Money(s.cTurn) + " is not the closing balance " + Money(closing));
}

void CheckSum(const std::string& what, Currency expected, Currency got, const std::string& against,
              std::vector<std::string>& findings)
{
    if (expected != got)
        findings.push_back(what + " " + Money(expected) + " differs from " + against + " " + Money(got));
}

} // namespace

std::vector<std::string> CRepGLExpanded::SelfCheck(const std::vector<GLExpandedRow>& rows, bool wholeChart)
{
    std::vector<std::string> findings;
    std::map<std::string, Turnover> byCorrespondents;
    std::map<std::string, const GLExpandedRow*> postingTotals;
    Turnover postingTurnover, correspondentTurnover;
    Currency openingNet, closingNet;
    for (const GLExpandedRow& row : rows) {
        if (row.total) {
            CheckTotalRow(row, findings);
            if (row.isGroup) continue;
            postingTotals[row.code] = &row;
            postingTurnover.debit += row.sums.dTurn;
            postingTurnover.credit += row.sums.cTurn;
            openingNet += row.sums.incomeDSaldo - row.sums.incomeCSaldo;
            closingNet += row.sums.outcomeDSaldo - row.sums.outcomeCSaldo;
        } else {
            Turnover& lines = byCorrespondents[row.code];
            lines.debit += row.sums.dTurn;
            lines.credit += row.sums.cTurn;
            correspondentTurnover.debit += row.sums.dTurn;
            correspondentTurnover.credit += row.sums.cTurn;
        }
    }
    for (const auto& [code, total] : postingTotals) {
        const auto it = byCorrespondents.find(code);
        const Turnover lines = it == byCorrespondents.end() ? Turnover{} : it->second;
        CheckSum("Account " + code + ": debit turnover", total->sums.dTurn, lines.debit, "its correspondent rows",
                 findings);
        CheckSum("Account " + code + ": credit turnover", total->sums.cTurn, lines.credit, "its correspondent rows",
                 findings);
    }
    for (const auto& [code, lines] : byCorrespondents) {
        if (!postingTotals.count(code))
            findings.push_back("Account " + code + ": correspondent rows without a total row of a posting account");
    }
    if (wholeChart) {
        CheckSum("The chart's debit turnover", postingTurnover.debit, postingTurnover.credit, "its credit turnover",
                 findings);
        CheckSum("The correspondent rows' debit turnover", correspondentTurnover.debit, correspondentTurnover.credit,
                 "their credit turnover", findings);
        if (!openingNet.IsZero())
            findings.push_back("The chart's opening balances net to " + Money(openingNet) + ", not to zero");
        if (!closingNet.IsZero())
            findings.push_back("The chart's closing balances net to " + Money(closingNet) + ", not to zero");
    }
    return findings;
}

std::vector<std::string> CRepGLExpanded::Test(const std::shared_ptr<Talvex::Book>& book,
                                              const Parameters& parameters) const
{
    if (!book) throw Talvex::ValueError("CRepGLExpanded.Test: no Book to read the ledger from");
    const auto rows = Fill(book, parameters);
    if (!rows) return {"The statement of chart " + parameters.accSetCode + " could not be read"};
    if (rows->empty()) return {"The statement of chart " + parameters.accSetCode + " has no account"};

    // The sample covers the whole chart when the chosen accounts are all its top accounts.
    auto top = book->CreateList("GLAccount");
    top->Fields().SelectFields({"Code"});
    top->SetFilter(Talvex::SqlTools::CombineConds(
        Talvex::CombineMode::kAnd,
        {Talvex::SqlTools::CondByName("oTable.AccSetCode", Talvex::FieldType::kCode, Talvex::SqlOperator::kEqual,
                                      Value(parameters.accSetCode)),
         "oTable.Parent IS NULL"}));
    top->Refresh();
    auto rs = top->Recordset();
    std::set<std::string> topCodes;
    if (rs->RecordCount() > 0)
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
            topCodes.insert(rs->Fields().Item("Code").Value().ToText());
    const bool wholeChart = topCodes == std::set<std::string>(parameters.accounts.begin(), parameters.accounts.end());
    return SelfCheck(*rows, wholeChart);
}

bool CRepGLExpanded::Test()
{
    try {
        auto book = GetBook(nullptr, false);
        auto sets = book->CreateList("GLAccSet");
        sets->Fields().SelectFields({"Code"});
        sets->OrderBy("oTable.Code");
        sets->Refresh();
        auto setRs = sets->Recordset();
        if (setRs->RecordCount() == 0) throw Talvex::ValueError("CRepGLExpanded.Test: the Book has no account set");
        setRs->MoveFirst();
        Parameters sample;
        sample.accSetCode = setRs->Fields().Item("Code").Value().ToText();
        sample.endPeriod = book->Today();
        sample.begPeriod = Talvex::Date(sample.endPeriod.Year(), 1, 1);

        auto top = book->CreateList("GLAccount");
        top->Fields().SelectFields({"Code"});
        top->SetFilter(Talvex::SqlTools::CombineConds(
            Talvex::CombineMode::kAnd,
            {Talvex::SqlTools::CondByName("oTable.AccSetCode", Talvex::FieldType::kCode, Talvex::SqlOperator::kEqual,
                                          Value(sample.accSetCode)),
             "oTable.Parent IS NULL"}));
        top->OrderBy("oTable.Code");
        top->Refresh();
        auto rs = top->Recordset();
        if (rs->RecordCount() > 0)
            for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
                sample.accounts.push_back(rs->Fields().Item("Code").Value().ToText());
        if (sample.accounts.empty())
            throw Talvex::ValueError("CRepGLExpanded.Test: the chart " + sample.accSetCode + " has no account");

        const std::vector<std::string> findings = Test(book, sample);
        if (Talvex::Ui::Session* session = Talvex::Ui::Session::TryCurrent()) {
            std::string text = "Expanded statement of chart " + sample.accSetCode + ", " + sample.begPeriod.ToIso() +
                               " to " + sample.endPeriod.ToIso() + ": ";
            if (findings.empty()) {
                text += "every check holds.";
            } else {
                text += std::to_string(findings.size()) + " finding(s).";
                for (const std::string& finding : findings)
                    text += "\n" + finding;
            }
            Talvex::Ui::MessageBox(*session).Show(text);
        }
        return findings.empty();
    } catch (...) {
        ReportError();
    }
    return false;
}

} // namespace Quarn_DuzAde
