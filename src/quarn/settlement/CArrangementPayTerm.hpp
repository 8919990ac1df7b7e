#pragma once

#include "host/types/Value.hpp"
#include "quarn/frame/IReportExec.hpp"

namespace Quarn_DuzAde {

// The payment terms of pay-on-sale purchase invoices: opens the arrangement over the Book of
// the parameters and returns when the user closes it.
class CArrangementPayTerm : public Talvex::Object, public IMainEntry {
public:
    void Main(Talvex::FieldList& params) override;
};

} // namespace Quarn_DuzAde
