#pragma once

#include "host/types/Value.hpp"
#include "quarn/frame/IReportExec.hpp"

namespace Quarn_DuzAde {

// Client debt by department, manager and month: opens the client-debt form over the Book
// of the parameters and returns when the user closes it.
class CDebtOfClients : public Talvex::Object, public IMainEntry {
public:
    void Main(Talvex::FieldList& params) override;
};

} // namespace Quarn_DuzAde
