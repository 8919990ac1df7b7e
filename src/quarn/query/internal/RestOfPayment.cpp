#include "quarn/query/internal/RestOfPayment.hpp"

#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/SqlTools.hpp"

namespace Quarn_DuzAde::internal {

namespace {
constexpr const char* kRestPaySum =
    "(case when (oTable.Summa - Sum(IsNull(C.SummaCur,0))) < 0 then 0 else (oTable.Summa - "
    "Sum(IsNull(C.SummaCur,0))) end)";
}

void AddRestOfPayment(Talvex::Book& book, Talvex::DataList& list, Talvex::Date toDate)
{
    auto links = book.CreateList("THPaySpec");
    links->Fields().SelectFields({});
    list.Join(links, "C", "oTable.IDC = C.CorDocID", 1);
    if (toDate != Talvex::Date{}) {
        auto payDocs = book.CreateList("THDocument");
        payDocs->SetFilter(Talvex::SqlTools::CondByField(payDocs->Fields().Item("DocumentDate"),
                                                         Talvex::SqlOperator::kNotGreater, Talvex::Value(toDate)));
        payDocs->Fields().SelectFields({});
        // An outer join: it names the paying documents of the period but drops no link.
        list.Join(payDocs, "PD", "C.DocId = PD.IDC", 1);
    }
    list.Fields()
        .AddField("RestPaySum", Talvex::FieldType::kAmount, kRestPaySum)
        .SetAggregate(Talvex::Aggregate::kGroupExpression);
}

} // namespace Quarn_DuzAde::internal
