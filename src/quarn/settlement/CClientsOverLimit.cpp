#include "quarn/settlement/CClientsOverLimit.hpp"

#include "host/data/Recordset.hpp"
#include "host/erp/ClientLimitService.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"

namespace Quarn_DuzAde {

using Talvex::Value;
using enum Talvex::FieldType;

std::shared_ptr<Talvex::DataList> CClientsOverLimit::CreateBalanceList(std::shared_ptr<Talvex::Book> book,
                                                                       Talvex::Date repDate)
{
    if (!book) throw Talvex::ValueError("CClientsOverLimit: no Book");
    Talvex::Erp::ClientLimitService limits;
    limits.Init(book);
    auto list = limits.BalanceList(repDate);
    auto limit = book->CreateList("GLContLimitSpec");
    limit->Fields().SelectFields({});
    list->Join(limit, "Limit",
               "oTable.AnalytObjectCode = Limit.AnalytObjectCode AND oTable.IndicatorCode = Limit.Code");
    auto client = book->CreateList("REFClient");
    client->Fields().SelectFields({});
    list->Join(client, "Client", "oTable.AnalytObjectCode = Client.Code");
    list->Fields().SelectFields({});
    list->Fields().AddField("Code", kCode, "Client.Code");
    list->Fields().AddField("Name", kLongText, "Client.Name");
    list->Fields().AddField("Limit", kAmount, "Limit.Limit");
    list->Fields().AddField("Saldo", kAmount, "oTable.Summa");
    list->OrderBy("Client.Code");
    return list;
}

std::vector<LimitBalance> CClientsOverLimit::ReadBalances(Talvex::DataList& list)
{
    std::vector<LimitBalance> balances;
    auto rs = list.Recordset();
    if (rs->RecordCount() == 0) return balances;
    auto& f = rs->Fields();
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        const Value name = f.Item("Name").Value();
        const Value saldo = f.Item("Saldo").Value();
        balances.push_back({f.Item("Code").Value().ToText(), name.IsNull() ? std::string() : name.ToText(),
                            f.Item("Limit").Value().ToCurrency(),
                            saldo.IsNull() ? Talvex::Currency() : saldo.ToCurrency()});
    }
    return balances;
}

std::shared_ptr<Talvex::Data::Recordset> CClientsOverLimit::ToRecordset(const std::vector<LimitBalance>& rows)
{
    using Talvex::Data::DataTypeEnum;
    auto rs = std::make_shared<Talvex::Data::Recordset>();
    rs->Fields().Append("Code", DataTypeEnum::VarChar, 20);
    rs->Fields().Append("Name", DataTypeEnum::VarChar, 200);
    rs->Fields().Append("Limit", DataTypeEnum::Currency);
    rs->Fields().Append("Saldo", DataTypeEnum::Currency);
    rs->Open();
    for (const auto& row : rows) {
        rs->AddNew();
        rs->Fields().Item("Code").SetValue(Value(row.code));
        rs->Fields().Item("Name").SetValue(Value(row.name));
        rs->Fields().Item("Limit").SetValue(Value(row.limit));
        rs->Fields().Item("Saldo").SetValue(Value(row.saldo));
        rs->Update();
    }
    if (rs->RecordCount() > 0) rs->MoveFirst();
    return rs;
}

bool CClientsOverLimit::Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams)
{
    try {
        auto book = GetBook(&inParams, false);
        const Talvex::Date repDate = book->Today();
        Talvex::Erp::ClientLimitService limits;
        limits.Init(book);
        auto list = CreateBalanceList(book, repDate);
        long ownerHwnd = -1;
        RefreshWithWait(*list, ownerHwnd);
        if (!list->IsFilled()) return false;
        outParams.Add("Plant", kText, Value(limits.Plant()));
        outParams.Add("RepDate", kDate, Value(repDate));
        auto rs = ToRecordset(ClientsOverLimit(ReadBalances(*list)));
        outParams.Add("DataList", kObject, Value(std::shared_ptr<Talvex::Object>(rs)));
        return true;
    } catch (...) {
        ReportError();
    }
    return false;
}

} // namespace Quarn_DuzAde
