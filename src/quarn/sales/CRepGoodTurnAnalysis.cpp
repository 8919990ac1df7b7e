#include "quarn/sales/CRepGoodTurnAnalysis.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/Session.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"
#include "quarn/query/CSelectByRef.hpp"
#include "quarn/sales/frmGoodTurnAnalysis.hpp"
#include "quarn/sales/frmGoodTurnList.hpp"

#include <algorithm>

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::DataList;
using Talvex::Decimal;
using Talvex::SqlTools;
using Talvex::Value;
using Kind = Talvex::FieldType;
using Op = Talvex::SqlOperator;

namespace {

constexpr long kNothingToShow = 28650;
constexpr long kSelectNode = 2;
// The fixation category of consignment stock.
constexpr const char* kConsignedCategory = "K";

// A lot's rest valued at its own unit cost, as the host values stock rests.
std::string RestValue(const std::string& rest)
{
    return "ROUND(COALESCE(oTable.CostSumm / NULLIF(oTable.AmountAccount, 0), 0) * (" + rest + "), 4)";
}

std::shared_ptr<DataList> Bare(Talvex::Book& book, const std::string& table)
{
    auto list = book.CreateList(table);
    list->Fields().SelectFields({});
    return list;
}

// What the outgoing rows took from each lot, summed per lot: those dated before the period
// ("Before") and those dated up to its end ("UpToEnd"), in one pass over the fixation log. A
// take is dated by its outgoing document, whose date the log carries (a take whose outgoing
// row or document is missing has none and counts nowhere).
std::shared_ptr<DataList> FixedPerLot(Talvex::Book& book, const CRepGoodTurnAnalysis::Params& params)
{
    auto list = book.CreateList("THGoodSpecFixLog");
    list->Fields().SelectFields({"IncomeSpecID"});
    list->Fields()
        .AddField("Before", Kind::kQuantity,
                  "CASE WHEN oTable.OutcomeDate < " + SqlTools::Literal(Kind::kDate, Value(params.dateBeg)) +
                      " THEN oTable.Amount ELSE 0 END")
        .SetAggregate(Talvex::Aggregate::kSum);
    list->Fields().AddField("UpToEnd", Kind::kQuantity, "oTable.Amount").SetAggregate(Talvex::Aggregate::kSum);
    list->SetFilter(
        SqlTools::CondByName("oTable.OutcomeDate", Kind::kDate, Op::kNotGreater, Value(params.dateEnd)));
    return list;
}

// The conditions every lot list shares: posted incoming rows of the chosen goods, without the
// consignment lots unless asked.
void FilterLots(Talvex::Book& book, const std::shared_ptr<Talvex::Book>& bookPtr, DataList& list,
                const CRepGoodTurnAnalysis::Params& params, std::vector<std::string>& conds)
{
    list.Join(Bare(book, "THGoodSpec"), "LotSpec", "LotSpec.IDC = oTable.IncomeSpecID");
    if (!params.consigned)
        conds.push_back("COALESCE(LotSpec.FixCategory, '') <> " +
                        SqlTools::Literal(Kind::kCode, Value(std::string(kConsignedCategory))));
    if (!params.goodCode.empty()) {
        CSelectByRef byRef;
        byRef.InitBook(bookPtr);
        (void)byRef.FiltrByTreeObj("REFGoodT", list, "oTable.GoodCode", params.goodCode, kSelectNode);
    }
}

std::string Text(const Talvex::Data::Recordset& rs, std::size_t row, std::size_t field)
{
    const Value& v = rs.StoredValue(row, field);
    return v.IsNull() || v.IsEmpty() ? std::string() : v.ToText();
}

Currency Money(const Talvex::Data::Recordset& rs, std::size_t row, std::size_t field)
{
    const Value& v = rs.StoredValue(row, field);
    return v.IsNull() || v.IsEmpty() ? Currency() : v.ToCurrency();
}

Decimal Quantity(const Talvex::Data::Recordset& rs, std::size_t row, std::size_t field)
{
    const Value& v = rs.StoredValue(row, field);
    return v.IsNull() || v.IsEmpty() ? Decimal() : v.ToDecimal();
}

Value Param(const Talvex::FieldList& params, const char* name)
{
    return params.ExistsField(name) ? params.Item(name).GetValue() : Value();
}

} // namespace

std::vector<GoodTurnLot> CRepGoodTurnAnalysis::FetchLots(const std::shared_ptr<Talvex::Book>& bookPtr,
                                                         const Params& params)
{
    Talvex::Book& book = *bookPtr;
    auto list = book.CreateList("THDocGoodFixRest");
    list->Fields().SelectFields({"GoodCode", "DocumentDate", "AmountAccount", "CostSumm"});
    list->JoinForConditions(FixedPerLot(book, params), "Fx", "Fx.IncomeSpecID = oTable.IncomeSpecID", 1);
    {
        // The good ("Good") and its accounting unit ("GUnit"); its group is the good's parent.
        CSelectByRef byRef;
        byRef.InitBook(bookPtr);
        byRef.GoodAccUnit(*list, "oTable.GoodCode");
    }
    list->Join(Bare(book, "REFGood"), "Grp", "Grp.Code = Good.Parent", 1);
    std::vector<std::string> conds{
        SqlTools::CondByName("oTable.DocumentDate", Kind::kDate, Op::kNotGreater, Value(params.dateEnd))};
    FilterLots(book, bookPtr, *list, params, conds);
    list->SetFilter(SqlTools::CombineConds(Talvex::CombineMode::kAnd, conds));

    const std::string restAtStart = "oTable.AmountAccount - COALESCE(Fx.Before, 0)";
    const std::string restAtEnd = "oTable.AmountAccount - COALESCE(Fx.UpToEnd, 0)";
    auto& f = list->Fields();
    f.AddField("GoodName", Kind::kText, "COALESCE(Good.Name, '')");
    f.AddField("UnitCode", Kind::kCode, "COALESCE(GUnit.UnitCode, '')");
    f.AddField("GroupCode", Kind::kCode, "COALESCE(Grp.Code, '')");
    f.AddField("GroupName", Kind::kText, "COALESCE(Grp.Name, '')");
    f.AddField("RestAtStart", Kind::kQuantity, restAtStart);
    f.AddField("RestValueAtStart", Kind::kAmount, RestValue(restAtStart));
    f.AddField("RestAtEnd", Kind::kQuantity, restAtEnd);
    f.AddField("RestValueAtEnd", Kind::kAmount, RestValue(restAtEnd));
    list->Refresh();

    auto rs = list->Recordset();
    auto at = [&](const char* name) { return rs->Fields().Item(name).Index(); };
    const std::size_t good = at("GoodCode"), date = at("DocumentDate"), amount = at("AmountAccount"),
                      cost = at("CostSumm"), goodName = at("GoodName"), unit = at("UnitCode"), group = at("GroupCode"),
                      groupName = at("GroupName"), restStart = at("RestAtStart"), valueStart = at("RestValueAtStart"),
                      restEnd = at("RestAtEnd"), valueEnd = at("RestValueAtEnd");
    std::vector<GoodTurnLot> lots;
    lots.reserve(rs->ViewRows().size());
    for (const std::size_t row : rs->ViewRows()) {
        lots.push_back({Text(*rs, row, good), Text(*rs, row, goodName), Text(*rs, row, unit), Text(*rs, row, group),
                        Text(*rs, row, groupName), rs->StoredValue(row, date).ToDate(), Quantity(*rs, row, amount),
                        Money(*rs, row, cost), Quantity(*rs, row, restStart), Money(*rs, row, valueStart),
                        Quantity(*rs, row, restEnd), Money(*rs, row, valueEnd)});
    }
    return lots;
}

std::vector<CRepGoodTurnAnalysis::Movement>
CRepGoodTurnAnalysis::FetchMovements(const std::shared_ptr<Talvex::Book>& bookPtr, const Params& params,
                                     const std::string& goodCode)
{
    Talvex::Book& book = *bookPtr;
    Params one = params;
    one.goodCode.clear();
    const std::string ofGood = SqlTools::CondByName("oTable.GoodCode", Kind::kCode, Op::kEqual, Value(goodCode));
    std::vector<Movement> movements;

    // In: the good's lots dated within the period.
    auto in = book.CreateList("THDocGoodFixRest");
    in->Fields().SelectFields({"DocID", "DocTypeCode", "Number", "DocumentDate", "AmountAccount", "CostSumm"});
    std::vector<std::string> inConds{ofGood, SqlTools::CondByName("oTable.DocumentDate", Kind::kDate, Op::kBetween,
                                                                  Value(params.dateBeg), Value(params.dateEnd))};
    FilterLots(book, bookPtr, *in, one, inConds);
    in->SetFilter(SqlTools::CombineConds(Talvex::CombineMode::kAnd, inConds));
    in->Refresh();
    {
        auto rs = in->Recordset();
        auto at = [&](const char* name) { return rs->Fields().Item(name).Index(); };
        const std::size_t id = at("DocID"), type = at("DocTypeCode"), number = at("Number"), date = at("DocumentDate"),
                          amount = at("AmountAccount"), cost = at("CostSumm");
        for (const std::size_t row : rs->ViewRows())
            movements.push_back({true, rs->StoredValue(row, id).ToInteger(), Text(*rs, row, type),
                                 Text(*rs, row, number), rs->StoredValue(row, date).ToDate(),
                                 Quantity(*rs, row, amount), Money(*rs, row, cost)});
    }

    // Out: what the outgoing rows dated within the period took from the good's lots.
    auto out = book.CreateList("THDocGoodFixRest");
    out->Fields().SelectFields({});
    out->Join(Bare(book, "THGoodSpecFixLog"), "Fix", "Fix.IncomeSpecID = oTable.IncomeSpecID");
    out->Join(Bare(book, "THGoodSpec"), "OSpec", "OSpec.IDC = Fix.OutcomeSpecID");
    out->Join(Bare(book, "THDocument"), "ODoc", "ODoc.IDC = OSpec.DocID");
    std::vector<std::string> outConds{ofGood, SqlTools::CondByName("ODoc.DocumentDate", Kind::kDate, Op::kBetween,
                                                                   Value(params.dateBeg), Value(params.dateEnd))};
    FilterLots(book, bookPtr, *out, one, outConds);
    out->SetFilter(SqlTools::CombineConds(Talvex::CombineMode::kAnd, outConds));
    auto& f = out->Fields();
    f.AddField("OutDocID", Kind::kId, "ODoc.IDC");
    f.AddField("OutType", Kind::kCode, "ODoc.DocTypeCode");
    f.AddField("OutNumber", Kind::kText, "ODoc.Number");
    f.AddField("OutDate", Kind::kDate, "ODoc.DocumentDate");
    f.AddField("Taken", Kind::kQuantity, "Fix.Amount");
    f.AddField("TakenValue", Kind::kAmount, RestValue("Fix.Amount"));
    out->Refresh();
    {
        auto rs = out->Recordset();
        auto at = [&](const char* name) { return rs->Fields().Item(name).Index(); };
        const std::size_t id = at("OutDocID"), type = at("OutType"), number = at("OutNumber"), date = at("OutDate"),
                          amount = at("Taken"), value = at("TakenValue");
        for (const std::size_t row : rs->ViewRows())
            movements.push_back({false, rs->StoredValue(row, id).ToInteger(), Text(*rs, row, type),
                                 Text(*rs, row, number), rs->StoredValue(row, date).ToDate(),
                                 Quantity(*rs, row, amount), Money(*rs, row, value)});
    }
    std::stable_sort(movements.begin(), movements.end(), [](const Movement& a, const Movement& b) {
        if (a.documentDate != b.documentDate) return a.documentDate < b.documentDate;
        if (a.incoming != b.incoming) return a.incoming;
        return a.docId < b.docId;
    });
    return movements;
}

void CRepGoodTurnAnalysis::Main(Talvex::FieldList& params)
{
    try {
        auto book = GetBook(&params, false);
        frmGoodTurnAnalysis form(book);
        Params chosen;
        if (!form.Run(Param(params, "DateBeg"), Param(params, "DateEnd"), Param(params, "GoodCode"),
                      Param(params, "Consigned"), chosen))
            return;
        const std::vector<GoodTurnLine> lines = GoodTurnLines(FetchLots(book, chosen), chosen.dateBeg, chosen.dateEnd);
        if (lines.empty()) {
            if (Talvex::Ui::Session* session = Talvex::Ui::Session::TryCurrent())
                Talvex::Ui::MessageBox(*session).Show(ModuleFormRes().GetString(kNothingToShow));
            return;
        }
        frmGoodTurnList list(book, chosen, lines);
        list.Run();
    } catch (...) {
        ReportError();
    }
}

} // namespace Quarn_DuzAde
