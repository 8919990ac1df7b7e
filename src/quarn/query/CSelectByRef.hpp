#pragma once

#include <memory>
#include <string>

namespace Talvex {
class Book;
class DataList;
} // namespace Talvex

namespace Quarn_DuzAde {

// Turns a user's choice in a reference book (clients, persons, departments, goods and other
// trees) into a restriction of a report's list: a condition text for the report's Filter, or
// a join of the reference's tree view that restricts the rows by itself.
//
// Selection types, as the host selector controls give them: 1 a list of codes, 2 a node of
// the tree, 3 one code, anything else no selection. A returned text is a condition without a
// leading AND; an empty text means no condition (nothing chosen, or a join did the work).
class CSelectByRef {
public:
    // Takes the host's current Book, when there is one.
    CSelectByRef();

    void InitBook(std::shared_ptr<Talvex::Book> oBook);

    // Joins the good and its accounting unit to Source (both outer joins, no columns), so
    // that the caller's expressions may use "Good.<column>" and "GUnit.<column>".
    void GoodAccUnit(Talvex::DataList& source, const std::string& strJoinCode);

    std::string FiltrByClients(Talvex::DataList& srcList, const std::string& clntExpr, const std::string& clientList,
                               long selClntType, bool useMergeHint = false);

    // A single code goes into the SQL as it stands (callers hand it over as an SQL literal);
    // two or more codes become an in-list.
    std::string FiltrByPersonList(Talvex::DataList& srcList, const std::string& persExpr,
                                  const std::string& personList);

    // Callers pass the alias "Tree" with "REFGoodT" and "REFDepartmentT"; it is the default.
    std::string FiltrByTreeObj(const std::string& treeObjName, Talvex::DataList& srcList, const std::string& codeExpr,
                               const std::string& values, long selType, const std::string& alias = "Tree",
                               int eJoinHint = 0);

    std::string FiltrByListObj(Talvex::DataList& srcList, const std::string& codeExpr, const std::string& values);

private:
    Talvex::Book& GetBookChecked() const;
    void JoinTreeNode(const std::string& treeObjName, Talvex::DataList& srcList, const std::string& alias,
                      const std::string& codeExpr, const std::string& node, int joinHint);

    std::shared_ptr<Talvex::Book> book_;
};

} // namespace Quarn_DuzAde
