#pragma once

#include "quarn/debt/CDebtPayByDoc.hpp"

namespace Quarn_DuzAde {

// Debt payment by document in another mode: the short form: per document its open part as of the report date, with the
// payments not linked to any document.
class CDebtPayByDocShort : public CDebtPayByDoc {
public:
    bool Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams) override;
};

} // namespace Quarn_DuzAde
