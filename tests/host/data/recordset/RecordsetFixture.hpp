#pragma once

#include "host/data/Recordset.hpp"

#include <memory>
#include <vector>

namespace Talvex::Testing {

// Six documents built field by field, stored in this order (bookmarks 1 to 6):
//   IDC Client DocumentDate Summa      Note
//   1   Alfa   2014-01-15   100.10     first
//   2   beta   2014-02-01   250        (null)
//   3   ALFA   2014-02-01   0.05       it's
//   4   Gama   2014-02-28   -30        x
//   5   Alfa   2014-03-01   1000.0001  Šaltinis
//   6   Beta   2013-12-31   75.25      šaltinis
inline std::shared_ptr<Data::Recordset> MakeDocuments()
{
    using Data::DataTypeEnum;
    auto rs = std::make_shared<Data::Recordset>();
    rs->Fields().Append("IDC", DataTypeEnum::Integer);
    rs->Fields().Append("Client", DataTypeEnum::VarWChar, 50);
    rs->Fields().Append("DocumentDate", DataTypeEnum::Date);
    rs->Fields().Append("Summa", DataTypeEnum::Currency);
    rs->Fields().Append("Note", DataTypeEnum::VarWChar, 50);
    rs->Open();
    struct Doc {
        int idc;
        const char* client;
        const char* date;
        const char* summa;
        const char* note;
    };
    const Doc docs[] = {
        {1, "Alfa", "2014-01-15", "100.10", "first"},       {2, "beta", "2014-02-01", "250", nullptr},
        {3, "ALFA", "2014-02-01", "0.05", "it's"},          {4, "Gama", "2014-02-28", "-30", "x"},
        {5, "Alfa", "2014-03-01", "1000.0001", "Šaltinis"}, {6, "Beta", "2013-12-31", "75.25", "šaltinis"},
    };
    for (const Doc& d : docs) {
        rs->AddNew();
        rs->Fields()("IDC").SetValue(d.idc);
        rs->Fields()("Client").SetValue(d.client);
        rs->Fields()("DocumentDate").SetValue(Date::Parse(d.date));
        rs->Fields()("Summa").SetValue(Currency::Parse(d.summa));
        rs->Fields()("Note").SetValue(d.note ? Value(d.note) : Value(Null{}));
        rs->Update();
    }
    rs->MoveFirst();
    return rs;
}

// The IDC of every record in view, walking from the first; leaves the cursor at EOF.
inline std::vector<std::int64_t> VisibleIds(Data::Recordset& rs)
{
    std::vector<std::int64_t> ids;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
        ids.push_back(rs.Fields()("IDC").Value().ToInteger());
    return ids;
}

} // namespace Talvex::Testing
