#include "quarn/query/CSelectByRef.hpp"

#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"

namespace Quarn_DuzAde {

using Talvex::DataList;
using Talvex::SqlTools;
using Talvex::Value;

namespace {

constexpr Talvex::FieldType kCodeKind = Talvex::FieldType::kCode;
constexpr long kSelectList = 1;
constexpr long kSelectNode = 2;
constexpr long kSelectOne = 3;
constexpr int kMergeJoinHint = 3;

// Several codes and one code read alike in the person and list filters.
std::string CondByCodes(const std::string& expression, const std::string& codes)
{
    if (codes.empty()) return "";
    if (codes.find(',') == std::string::npos) return expression + " = " + codes;
    return SqlTools::CondByName(expression, kCodeKind, Talvex::SqlOperator::kInList, Value(codes));
}

} // namespace

CSelectByRef::CSelectByRef()
{
    if (Talvex::ClientApp* app = Talvex::ClientApp::TryCurrent()) book_ = app->Context().GetBook();
}

void CSelectByRef::InitBook(std::shared_ptr<Talvex::Book> oBook)
{
    book_ = std::move(oBook);
}

Talvex::Book& CSelectByRef::GetBookChecked() const
{
    if (!book_) throw Talvex::ValueError("CSelectByRef: no Book (InitBook was not called)");
    return *book_;
}

void CSelectByRef::GoodAccUnit(DataList& source, const std::string& strJoinCode)
{
    auto good = GetBookChecked().CreateList("REFGood");
    good->Fields().SelectFields({});
    source.Join(good, "Good", strJoinCode + " = Good.Code", 1, 0);

    auto unit = GetBookChecked().CreateList("REFGoodUnit");
    unit->SetFilter(SqlTools::CondByField(unit->Fields().Item("IsAccount"), Talvex::SqlOperator::kEqual, Value(1)));
    unit->Fields().SelectFields({});
    source.Join(unit, "GUnit", "Good.Code = GUnit.GoodCode", 1, 0);
}

void CSelectByRef::JoinTreeNode(const std::string& treeObjName, DataList& srcList, const std::string& alias,
                                const std::string& codeExpr, const std::string& node, int joinHint)
{
    auto tree = GetBookChecked().CreateList(treeObjName);
    tree->Fields().SelectFields({});
    tree->Params().Item("Node").SetValue(Value(node));
    srcList.Join(tree, alias, alias + ".Code = " + codeExpr, 0, joinHint);
}

std::string CSelectByRef::FiltrByClients(DataList& srcList, const std::string& clntExpr, const std::string& clientList,
                                         long selClntType, bool useMergeHint)
{
    if (clientList.empty()) return "";
    switch (selClntType) {
    case kSelectList: return SqlTools::CondByName(clntExpr, kCodeKind, Talvex::SqlOperator::kInList, Value(clientList));
    case kSelectNode:
        JoinTreeNode("REFClientT", srcList, "clntT", clntExpr, clientList, useMergeHint ? kMergeJoinHint : 0);
        return "";
    case kSelectOne: return SqlTools::CondByName(clntExpr, kCodeKind, Talvex::SqlOperator::kEqual, Value(clientList));
    default: return "";
    }
}

std::string CSelectByRef::FiltrByPersonList(DataList& /*srcList*/, const std::string& persExpr,
                                            const std::string& personList)
{
    return CondByCodes(persExpr, personList);
}

std::string CSelectByRef::FiltrByTreeObj(const std::string& treeObjName, DataList& srcList, const std::string& codeExpr,
                                         const std::string& values, long selType, const std::string& alias,
                                         int eJoinHint)
{
    switch (selType) {
    case kSelectList:
        if (values.empty()) return "";
        return SqlTools::CondByName(codeExpr, kCodeKind, Talvex::SqlOperator::kInList, Value(values));
    case kSelectNode: JoinTreeNode(treeObjName, srcList, alias, codeExpr, values, eJoinHint); return "";
    // One code asks for an equality even when the code is empty: "no code" is then a
    // condition of its own, not the absence of one.
    case kSelectOne: return SqlTools::CondByName(codeExpr, kCodeKind, Talvex::SqlOperator::kEqual, Value(values));
    default: return "";
    }
}

std::string CSelectByRef::FiltrByListObj(DataList& /*srcList*/, const std::string& codeExpr, const std::string& values)
{
    return CondByCodes(codeExpr, values);
}

} // namespace Quarn_DuzAde
