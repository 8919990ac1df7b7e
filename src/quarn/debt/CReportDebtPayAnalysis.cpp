#include "quarn/debt/CReportDebtPayAnalysis.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/MessageBox.hpp"
#include "quarn/debt/CDebtPayByDoc.hpp"
#include "quarn/debt/frmDebtPayAnalysis.hpp"
#include "quarn/debt/internal/PayReportParts.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/PeriodLimit.hpp"
#include "quarn/frame/ReportError.hpp"

#include <cstdio>

namespace Quarn_DuzAde {

using Talvex::FieldList;
using Talvex::Value;
using Kind = Talvex::FieldType;
using DT = Talvex::Data::DataTypeEnum;
namespace Parts = PayReportParts;

std::vector<DebtPayAnalysisRow> CReportDebtPayAnalysis::Analyse(const std::shared_ptr<Talvex::Book>& book,
                                                                const DebtPayAnalysisQuery& query)
{
    if (!book) throw Talvex::ValueError("CReportDebtPayAnalysis: no Book");
    // The terms come from the documents written up to the period's end (a term is never due
    // before its document); the payments are those dated up to the report date.
    DebtPayByDocQuery terms;
    terms.repDate = query.dateEnd;
    terms.direction = query.direction;
    terms.client = query.client;
    DebtPayByDocQuery paid = terms;
    paid.repDate = query.repDate;
    auto need = CDebtPayByDoc::NeedPayList(book, terms);
    need->Refresh();
    auto pay = CDebtPayByDoc::PaymentList(book, paid);
    pay->Refresh();
    DebtPayAnalysisParams params{query.dateBeg, query.dateEnd, query.repDate};
    return DebtPayAnalysisFill(CDebtPayByDoc::ReadNeedRows(*need->Recordset()),
                               CDebtPayByDoc::ReadPayments(*pay->Recordset()), params);
}

std::shared_ptr<Talvex::Data::Recordset>
CReportDebtPayAnalysis::ResultRecordset(const std::vector<DebtPayAnalysisRow>& rows)
{
    static const std::vector<Parts::Column> kColumns{
        {"REFClientCode", DT::VarWChar}, {"REFClientName", DT::VarWChar},   {"CurrencyCode", DT::VarWChar},
        {"Period", DT::VarWChar},        {"Invoices", DT::Integer},         {"DueSum", DT::Currency},
        {"PaidSum", DT::Currency},       {"PaidOnTime", DT::Currency},      {"OnTimeShare", DT::Numeric},
        {"AvgDaysLate", DT::Numeric},    {"WeightedDaysLate", DT::Numeric}, {"OpenSum", DT::Currency},
        {"OverdueSum", DT::Currency},    {"Credited", DT::Currency}};
    std::vector<std::vector<Value>> table;
    table.reserve(rows.size());
    for (const auto& r : rows) {
        std::string period = "Total";
        if (r.kind == DebtPayAnalysisKind::Month) {
            char text[32];
            std::snprintf(text, sizeof text, "%04d-%02u", r.year, r.month);
            period = text;
        }
        table.push_back({Value(r.clientCode), Value(r.clientName), Value(r.currencyCode), Value(period),
                         Value(std::int64_t{r.invoices}), Value(r.due), Value(r.paid), Value(r.paidOnTime),
                         Value(r.onTimeShare), Value(r.avgDaysLate), Value(r.weightedDaysLate), Value(r.open),
                         Value(r.overdue), Value(r.credited)});
    }
    return Parts::ResultTable(kColumns, table);
}

DebtPayAnalysisQuery CReportDebtPayAnalysis::QueryOf(const FieldList& params)
{
    const auto asked = Parts::ReadPeriodAndClient(params);
    DebtPayAnalysisQuery query{asked.dateBeg, asked.dateEnd, asked.repDate, 2, asked.client};
    const std::string direction = Parts::ParamText(params, "Direction");
    query.direction = direction.empty() ? 2 : std::stol(direction);
    if (query.direction != 1 && query.direction != 2)
        throw Talvex::ValueError("Direction: must be 1 (payables) or 2 (receivables)");
    return query;
}

bool CReportDebtPayAnalysis::Run(FieldList& inParams, FieldList& outParams)
{
    try {
        auto book = GetBook(&inParams, false);
        if (!Parts::Ask<frmDebtPayAnalysis>(Visual(), book, inParams, outParams,
                                            {"DateBeg", "DateEnd", "RepDate", "Client", "Direction"}))
            return false;
        const DebtPayAnalysisQuery query = QueryOf(outParams);
        const auto rows = Analyse(book, query);
        Parts::HandBack(outParams, ResultRecordset(rows));
        if (Visual() && rows.empty())
            Talvex::Ui::MessageBox().Show("No terms fell due from " + query.dateBeg.ToIso() + " to " +
                                          query.dateEnd.ToIso() + ".");
        return true;
    } catch (...) {
        ReportError();
    }
    return false;
}

} // namespace Quarn_DuzAde
