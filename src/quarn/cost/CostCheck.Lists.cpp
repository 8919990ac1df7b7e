// The cost check's selections: the documents marked cost-changed, the manufacturing documents
// of the orders whose materials changed, the cost norms in force and the return rows whose
// cost no longer follows their source row.
#include "quarn/cost/CostCheck.hpp"

#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"

namespace Quarn_DuzAde {

using Talvex::DataList;
using Talvex::Date;
using Talvex::SqlTools;
using Talvex::Value;
using Op = Talvex::SqlOperator;
using enum Talvex::FieldType;

namespace {

// The stored cost of a whole document, beside the figures recalculated for it.
constexpr const char* kDocOldFSum = "ISNULL((SELECT SUM(G.CostSumm) FROM THGoodSpec G WHERE G.DocID = Doc.IDC), 0)";

// A finished-goods row's row on its order: the order's row of the same goods.
constexpr const char* kGSMOIDC =
    "ISNULL((SELECT MIN(G.IDC) FROM THGoodSpec G WHERE G.DocID = MOL.MOIDC AND G.GoodCode = GS.GoodCode), 0)";

// What a return row should cost: its source row's cost per unit times the returned quantity.
// Rows in another unit than their source go through the accounting quantity, which both
// rows count in the goods' own unit.
constexpr const char* kRowNewCostSum =
    "ROUND(CASE WHEN sGPG.UnitCode = sPRSF.UnitCode "
    "THEN COALESCE(sPRSF.CostSumm / NULLIF(sPRSF.Amount, 0), 0) * sGPG.Amount "
    "ELSE COALESCE(sPRSF.CostSumm / NULLIF(sPRSF.AmountAccount, 0), 0) * sGPG.AmountAccount END, 2)";

// The rows of a marked document the check names: its marked rows, or its first row when the
// document alone carries the mark (finished goods, norms). A sale with one changed row among
// hundreds is finished once either way; listing its other rows would only repeat it.
constexpr const char* kChangedRow =
    "(GS.IsCostChanged = 1 OR (NOT EXISTS (SELECT 1 FROM THGoodSpec M WHERE M.DocID = Doc.IDC AND "
    "M.IsCostChanged = 1) AND GS.PosNumb = (SELECT MIN(F.PosNumb) FROM THGoodSpec F WHERE F.DocID = Doc.IDC)))";

std::shared_ptr<DataList> Unselected(const std::shared_ptr<Talvex::Book>& book, const char* table)
{
    auto list = book->CreateList(table);
    list->Fields().SelectFields({});
    return list;
}

// The document columns every list starts with.
std::shared_ptr<DataList> DocumentList(const std::shared_ptr<Talvex::Book>& book, const char* alias,
                                       std::vector<std::string> fields)
{
    auto list = book->CreateList("THDocument");
    list->SetAlias(alias);
    list->Fields().SelectFields(fields);
    return list;
}

std::string Cond(const std::string& expression, Talvex::FieldType kind, Op op, const Value& value)
{
    return SqlTools::CondByName(expression, kind, op, value);
}

// Not earlier than the host's access date and accounting start, each only when set.
std::vector<std::string> AccessConds(const std::string& alias, const CostCheckPeriod& period)
{
    std::vector<std::string> conds;
    for (const Date limit : {period.accessDate, period.startDate})
        if (limit != Date{}) conds.push_back(Cond(alias + ".DocumentDate", kDate, Op::kNotLess, Value(limit)));
    return conds;
}

// The one condition of a document the check looks at: dated in the period, posted, under the
// access dates; marked cost-changed when `marked`.
std::string DocumentCond(const std::string& alias, const CostCheckPeriod& period, bool marked)
{
    std::vector<std::string> conds{Cond(alias + ".DocumentDate", kDate, Op::kNotLess, Value(period.begDate)),
                                   Cond(alias + ".DocumentDate", kDate, Op::kNotGreater, Value(period.endDate)),
                                   alias + ".IsPosted = 1"};
    if (marked) conds.push_back(alias + ".IsCostChanged = 1");
    for (auto& c : AccessConds(alias, period))
        conds.push_back(std::move(c));
    return SqlTools::CombineConds(Talvex::CombineMode::kAnd, conds);
}

std::string AccessCond(const std::string& alias, const CostCheckPeriod& period)
{
    const auto conds = AccessConds(alias, period);
    return conds.empty() ? std::string("1 = 1") : SqlTools::CombineConds(Talvex::CombineMode::kAnd, conds);
}

// The orders whose material documents of the period carry rows marked cost-changed: issues
// and work under the order, materials of the work two levels down.
std::shared_ptr<DataList> ChangedOrders(const std::shared_ptr<Talvex::Book>& book, const CostCheckPeriod& period)
{
    auto direct = DocumentList(book, "M", {});
    direct->Fields().AddField("MOIDC", kId, "M.ParentID");
    auto directRows = Unselected(book, "THGoodSpec");
    directRows->SetFilter("MG.IsCostChanged = 1");
    direct->Join(directRows, "MG", "M.IDC = MG.DocID");
    direct->SetFilter(SqlTools::AndFilter("M.DocTypeCode IN ('MOS', 'MMW')", DocumentCond("M", period, true)));

    auto underWork = DocumentList(book, "MNM", {});
    underWork->Fields().AddField("MOIDC", kId, "MN.ParentID");
    underWork->Join(Unselected(book, "THDocument"), "MN", "MN.IDC = MNM.ParentID");
    auto workRows = Unselected(book, "THGoodSpec");
    workRows->SetFilter("MG.IsCostChanged = 1");
    underWork->Join(workRows, "MG", "MNM.IDC = MG.DocID");
    underWork->SetFilter(SqlTools::AndFilter("MNM.DocTypeCode = 'MNM'", DocumentCond("MNM", period, true)));

    direct->Union(underWork, "", true);
    return direct;
}

// Columns of a manufacturing row, order or finished goods alike.
void AddManufacturingColumns(DataList& list, const char* moidc, const char* gsmoidc)
{
    auto& f = list.Fields();
    f.AddField("gsIDC", kId, "GS.IDC");
    f.AddField("MOIDC", kId, moidc);
    f.AddField("GSMOIDC", kId, gsmoidc);
    f.AddField("AmountAccount", kQuantity, "GS.AmountAccount");
    f.AddField("DocOldFSum", kAmount, kDocOldFSum);
    f.AddField("DocNewFSum", kAmount, "0");
    f.AddField("RowNewSumm", kAmount, "0");
    f.AddField("IsDocCheck", kFlag, "0");
}

const std::vector<std::string> kDocumentFields{"IDC", "DocTypeCode", "DocumentDate", "Number", "CurrencyCode", "Summa"};

} // namespace

CostCheckPeriod CostCheck::PeriodOf(const Talvex::Book& book, Date begDate, Date endDate)
{
    auto settingDate = [&book](const char* name) {
        const Value v = book.Setting(name);
        if (v.IsDate()) return v.ToDate();
        Date d;
        if (!v.IsEmpty() && !v.IsNull() && Date::TryParse(v.ToText(), d)) return d;
        return Date{};
    };
    return {begDate, endDate, settingDate("AccessTHDate"), settingDate("StartDate")};
}

std::shared_ptr<DataList> CostCheck::CreateChangedList(std::shared_ptr<Talvex::Book> book,
                                                       const CostCheckPeriod& period)
{
    if (!book) throw Talvex::ValueError("CostCheck: no Book");
    auto fields = kDocumentFields;
    fields.push_back("IsClosed");
    auto list = DocumentList(book, "Doc", fields);
    list->Join(Unselected(book, "THGoodSpec"), "GS", "GS.DocID = Doc.IDC");
    list->Fields().AddField("gsIDC", kId, "GS.IDC");
    list->SetFilter(SqlTools::AndFilter(DocumentCond("Doc", period, true), kChangedRow));
    list->OrderBy("Doc.DocTypeCode, Doc.IDC, GS.PosNumb");
    return list;
}

std::shared_ptr<DataList> CostCheck::CreateManufacturingList(std::shared_ptr<Talvex::Book> book,
                                                             const CostCheckPeriod& period)
{
    if (!book) throw Talvex::ValueError("CostCheck: no Book");
    // The orders with changed materials are read once as a sub-select both parts name.
    const std::string changedOrders = "(" + ChangedOrders(book, period)->SqlText() + ")";

    auto orders = DocumentList(book, "Doc", kDocumentFields);
    orders->Join(Unselected(book, "THGoodSpec"), "GS", "GS.DocID = Doc.IDC");
    AddManufacturingColumns(*orders, "Doc.IDC", "GS.IDC");
    orders->SetFilter(
        SqlTools::CombineConds(Talvex::CombineMode::kAnd,
                               {"Doc.DocTypeCode = 'MO'", "Doc.IDC IN " + changedOrders, AccessCond("Doc", period)}));

    // Finished goods of orders costed by norm price keep the norm: they are not listed.
    auto finished = DocumentList(book, "Doc", kDocumentFields);
    finished->Join(Unselected(book, "THGoodSpec"), "GS", "GS.DocID = Doc.IDC");
    finished->Join(Unselected(book, "THDocumentMO"), "MOL", "MOL.DocID = Doc.IDC");
    AddManufacturingColumns(*finished, "MOL.MOIDC", kGSMOIDC);
    finished->SetFilter(SqlTools::CombineConds(Talvex::CombineMode::kAnd,
                                               {"Doc.DocTypeCode = 'MNFC'", "MOL.IsCostByNormPrice = 0",
                                                "MOL.MOIDC IN " + changedOrders, AccessCond("Doc", period)}));
    orders->Union(finished, "", true);
    return orders;
}

std::shared_ptr<DataList> CostCheck::CreateNormList(std::shared_ptr<Talvex::Book> book, const CostCheckPeriod& period)
{
    if (!book) throw Talvex::ValueError("CostCheck: no Book");
    auto list = DocumentList(book, "Doc", kDocumentFields);
    list->Fields().AddField("DocNewFSum", kAmount, "0");
    list->Fields().AddField("IsDocCheck", kFlag, "0");
    std::vector<std::string> conds{"Doc.DocTypeCode = 'NUR'", "Doc.IsPosted = 1",
                                   Cond("Doc.CommingInForceDate", kDate, Op::kNotGreater, Value(period.endDate)),
                                   Cond("Doc.TermsOfValidityDate", kDate, Op::kNotLess, Value(period.begDate))};
    for (auto& c : AccessConds("Doc", period))
        conds.push_back(std::move(c));
    list->SetFilter(SqlTools::CombineConds(Talvex::CombineMode::kAnd, conds));
    list->OrderBy("Doc.IDC");
    return list;
}

std::shared_ptr<DataList> CostCheck::CreateReturnList(std::shared_ptr<Talvex::Book> book, const CostCheckPeriod& period)
{
    if (!book) throw Talvex::ValueError("CostCheck: no Book");
    auto fields = kDocumentFields;
    fields.push_back("IsClosed");
    auto list = DocumentList(book, "dGPG", fields);
    list->Join(Unselected(book, "THGoodSpec"), "sGPG", "dGPG.IDC = sGPG.DocID");
    list->Join(Unselected(book, "THGoodContent"), "GR", "GR.SpecID = sGPG.IDC AND GR.LinkKindCode = 'GR'");
    list->Join(Unselected(book, "THGoodSpec"), "sPRSF", "sPRSF.IDC = GR.CorSpecID");
    list->Join(Unselected(book, "THDocument"), "dPRSF", "dPRSF.IDC = sPRSF.DocID");
    list->Join(Unselected(book, "REFGood"), "G", "G.Code = sGPG.GoodCode", 1);
    auto& f = list->Fields();
    f.AddField("gsIDC", kId, "sGPG.IDC");
    f.AddField("PosNumb", kPosition, "sGPG.PosNumb");
    f.AddField("GoodCode", kCode, "sGPG.GoodCode");
    f.AddField("Name", kText, "G.Name");
    f.AddField("Amount", kQuantity, "sGPG.Amount");
    f.AddField("UnitCode", kCode, "sGPG.UnitCode");
    f.AddField("IsDocCheck", kFlag, "0");
    f.AddField("RowOldCostSum", kAmount, "sGPG.CostSumm");
    f.AddField("RowNewCostSum", kAmount, kRowNewCostSum);
    list->SetFilter(SqlTools::CombineConds(Talvex::CombineMode::kAnd,
                                           {"dGPG.DocTypeCode = 'GPG'", DocumentCond("dGPG", period, false),
                                            std::string(kRowNewCostSum) + " <> sGPG.CostSumm"}));
    list->OrderBy("dGPG.IDC, sGPG.PosNumb");
    return list;
}

} // namespace Quarn_DuzAde
