#include "quarn/cube/PendingFlowRows.hpp"

#include "host/data/Recordset.hpp"
#include "quarn/query/CDebtByDoc.hpp"

#include <algorithm>
#include <tuple>

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Date;
using Talvex::Value;
using Talvex::Data::DataTypeEnum;

PendingFlowRows::PendingFlowRows(std::vector<PendingTerm> terms, PendingFlowTexts texts)
    : terms_(std::move(terms)), texts_(std::move(texts))
{
    rows_.reserve(terms_.size());
    for (std::size_t i = 0; i < terms_.size(); ++i) {
        const PendingTerm& term = terms_[i];
        // A term paid in full expects nothing more: it is no flow.
        if (term.rest == Currency() && term.accRest == Currency()) continue;
        Row row;
        row.term = i;
        row.incoming = IsIncoming(term.docTypeCode);
        row.accNeedPaySum = row.incoming ? term.accRest : -term.accRest;
        row.restPaySum = row.incoming ? term.rest : -term.rest;
        (row.incoming ? totals_.in : totals_.out) += row.accNeedPaySum;
        rows_.push_back(row);
    }
}

bool PendingFlowRows::IsIncoming(const std::string& docTypeCode)
{
    static const std::vector<std::string> incoming = CDebtByDoc::DocTypesByDirection(2);
    return std::find(incoming.begin(), incoming.end(), docTypeCode) != incoming.end();
}

std::map<Date, Currency> PendingFlowRows::NetByMonth() const
{
    std::map<Date, Currency> net;
    for (const auto& row : rows_) {
        net[terms_[row.term].dueDate.FirstOfMonth()] += row.accNeedPaySum;
    }
    return net;
}

std::shared_ptr<Talvex::Data::Recordset> PendingFlowRows::ToRecordset() const
{
    auto rs = std::make_shared<Talvex::Data::Recordset>();
    auto& fields = rs->Fields();
    for (auto [name, type, size] : {std::tuple{"Direction", DataTypeEnum::VarChar, 60},
                                    {"ResponsPerson", DataTypeEnum::VarChar, 120},
                                    {"ClientGroup", DataTypeEnum::VarChar, 60},
                                    {"Client", DataTypeEnum::VarChar, 200},
                                    {"DocumentDate", DataTypeEnum::Date, 0},
                                    {"AccNeedPaySum", DataTypeEnum::Currency, 0},
                                    {"RestPaySum", DataTypeEnum::Currency, 0},
                                    {"IDC", DataTypeEnum::BigInt, 0},
                                    {"DocTypeCode", DataTypeEnum::VarChar, 20},
                                    {"Number", DataTypeEnum::VarChar, 60},
                                    {"CurrencyCode", DataTypeEnum::VarChar, 10}})
        fields.Append(name, type, size);
    rs->Open();
    for (const auto& row : rows_) {
        const PendingTerm& t = terms_[row.term];
        const Value values[] = {Value(row.incoming ? texts_.moneyIn : texts_.moneyOut),
                                Value(t.person),
                                Value(t.clientGroup.empty() ? texts_.noGroup : t.clientGroup),
                                Value(t.client.empty() ? texts_.noClient : t.client),
                                Value(t.dueDate),
                                Value(row.accNeedPaySum),
                                Value(row.restPaySum),
                                Value(t.idc),
                                Value(t.docTypeCode),
                                Value(t.number),
                                Value(t.currencyCode)};
        rs->AddNew();
        for (std::size_t f = 0; f < std::size(values); ++f)
            rs->Fields().Item(f).SetValue(values[f]);
        rs->Update();
    }
    if (rs->RecordCount() > 0) rs->MoveFirst();
    return rs;
}

} // namespace Quarn_DuzAde
