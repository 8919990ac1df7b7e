#pragma once

#include "host/types/Date.hpp"
#include "host/types/Value.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "quarn/settlement/LimitByDebt.hpp"

#include <memory>
#include <vector>

namespace Talvex {
class Book;
class DataList;
namespace Data {
class Recordset;
}
} // namespace Talvex

namespace Quarn_DuzAde {

// The clients whose ledger balance on the credit-limit indicator is above their limit there,
// on the Book's today: Code, Name, Limit, Saldo, ordered by code, handed to the host as
// OutParams("DataList") with "Plant" and "RepDate".
class CClientsOverLimit : public Talvex::Object, public ReportExecBase {
public:
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;

    // Each client's balance and limit on the indicators limits are kept on, ordered by code.
    static std::shared_ptr<Talvex::DataList> CreateBalanceList(std::shared_ptr<Talvex::Book> book,
                                                               Talvex::Date repDate);
    static std::vector<LimitBalance> ReadBalances(Talvex::DataList& list);
    static std::shared_ptr<Talvex::Data::Recordset> ToRecordset(const std::vector<LimitBalance>& rows);
};

} // namespace Quarn_DuzAde
