#pragma once

#include "host/types/Date.hpp"

#include <memory>
#include <string>
#include <vector>

namespace Talvex {
class Book;
class DataList;
} // namespace Talvex

namespace Quarn_DuzAde {

class CSelectByDoc;

// The lists behind the receivables and payables reports: the open part of every posted debt
// document, per payment term, in the account currency, with its client, client group, the
// person responsible for the client and, on request, department and signing person.
//
// Directions: 0 both, 1 payables (what we owe), 2 receivables (what is owed to us). Every
// list calls the document table "Doc" and comes back unread unless stated.
class CDebtByDoc {
public:
    CDebtByDoc();
    ~CDebtByDoc();

    void Init(std::shared_ptr<Talvex::Book> book);

    // As CrSelByClient2, except that a start date equal to today means no lower bound.
    std::shared_ptr<Talvex::DataList> CrSelByClient(const std::string& client, long direction,
                                                    Talvex::Date startDate = {}, Talvex::Date endDate = {},
                                                    Talvex::Date datePayEnd = {});
    // Open terms of a client (and the clients under it) by document date, with
    // "AccNeedPaySum" in the account currency.
    std::shared_ptr<Talvex::DataList> CrSelByClient2(const std::string& client, long direction,
                                                     Talvex::Date startDate = {}, Talvex::Date endDate = {},
                                                     Talvex::Date datePayEnd = {});
    // Terms due up to DateEnd, as they stood on DateEnd.
    std::shared_ptr<Talvex::DataList> DebtByClient_NeedPayDate(long direction, Talvex::Date dateEnd,
                                                               bool addFieldAccSumm = false);
    std::shared_ptr<Talvex::DataList> DebtByClient_NeedPayDate2(long direction, Talvex::Date dateEnd,
                                                                Talvex::Date datePayEnd = {},
                                                                bool addFieldAccSumm = false);
    // Documents dated up to DateEnd with their terms as they stood on DateEnd.
    std::shared_ptr<Talvex::DataList> DebtByClient_NeedPayDate3(long direction, Talvex::Date dateEnd,
                                                                bool usePayTermDebt = false);
    // Every open term due from StartDate on, with client group, display name and the
    // client's responsible person; read when IsFill.
    std::shared_ptr<Talvex::DataList> DebtByNeedPayDate(Talvex::Date startDate, long direction,
                                                        const std::string& marketGroup, bool isFill = false,
                                                        bool includeCPAY = false, bool isGroupBranch = false,
                                                        const std::string& contractType = {}, bool cubeForVR = false);
    // Restricts a "Doc" list to documents signed by persons of a department and/or by one
    // person (empty: no restriction of that kind).
    void FilterByDepartmentAndPerson(Talvex::DataList& lst, long directioin, const std::string& department,
                                     const std::string& person);
    // The direction's documents with the person who signs them: "IDC" and "SignPerson".
    std::shared_ptr<Talvex::DataList> DocSignPerson(long direction);

    // The document types of a direction, in the order the reports know them.
    static std::vector<std::string> DocTypesByDirection(long direction);

private:
    Talvex::Book& BookChecked() const;
    void AddAccountSums(Talvex::DataList& list, long direction) const;
    static void AddClientNames(Talvex::Book& book, Talvex::DataList& list, const std::string& clientExpr,
                               bool withPersons);
    static void AddResponsiblePerson(Talvex::Book& book, Talvex::DataList& list, const std::string& clientExpr);
    static void KeepClientsAndPersons(Talvex::DataList& list, bool includeCPAY, bool withPersons);
    void AddAccountSum(Talvex::DataList& list);

    std::unique_ptr<CSelectByDoc> selDoc_;
    std::shared_ptr<Talvex::Book> book_;
};

} // namespace Quarn_DuzAde
