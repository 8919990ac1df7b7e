#include "quarn/cube/OLAP.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/types/Date.hpp"
#include "host/ui/MessageBox.hpp"
#include "quarn/frame/Startup.hpp"

namespace Quarn_DuzAde::OLAP {

using Talvex::Date;
using Talvex::Value;

std::string ResString(long id)
{
    return ModuleFormRes().GetString(id);
}

void AddDefaultSaleParams(Talvex::FieldList& params)
{
    if (!params.ExistsField("GoodCode")) params.Add("GoodCode", Talvex::FieldType::kCode, Value(std::string()));
    if (!params.ExistsField("DateBeg")) params.Add("DateBeg", Talvex::FieldType::kDate, Value(Date(2002, 1, 1)));
    if (!params.ExistsField("DateEnd")) params.Add("DateEnd", Talvex::FieldType::kDate, Value(Date(2002, 12, 31)));
    if (!params.ExistsField("IsGroup")) params.Add("IsGroup", Talvex::FieldType::kFlag, Value(0));
}

namespace {

std::string DateText(const Value& value)
{
    if (value.IsNull() || value.IsEmpty()) return {};
    return value.ToDate().ToIso();
}

bool IsSet(const Talvex::FieldList& params, const char* name)
{
    if (!params.ExistsField(name)) return false;
    const Value& v = params.Item(name).GetValue();
    return !v.IsNull() && !v.IsEmpty() && v.ToInteger() == 1;
}

} // namespace

std::string SaleCaption(const Talvex::FieldList& params)
{
    std::string caption;
    const std::string goodCode = params.ExistsField("GoodCode") ? params.Item("GoodCode").GetValue().ToText() : "";
    if (!goodCode.empty()) caption = ResString(IsSet(params, "IsGroup") ? 15156 : 15157) + " " + goodCode + " ";
    caption += ResString(15057) + " ";
    caption += (params.ExistsField("DateBeg") ? DateText(params.Item("DateBeg").GetValue()) : std::string()) + " ";
    caption += ResString(15058) + " ";
    caption += params.ExistsField("DateEnd") ? DateText(params.Item("DateEnd").GetValue()) : std::string();
    return caption;
}

bool TellWhenEmpty(Talvex::DataList& list, long textId, const Talvex::FieldList& params, const char* begName,
                   const char* endName)
{
    return TellWhenEmpty(*list.Recordset(), textId, params, begName, endName);
}

bool TellWhenEmpty(const Talvex::Data::Recordset& rows, long textId, const Talvex::FieldList& params,
                   const char* begName, const char* endName)
{
    if (rows.RecordCount() != 0) return false;
    std::string text = ResString(textId);
    const std::string beg = params.ExistsField(begName) ? DateText(params.Item(begName).GetValue()) : "";
    const std::string end = params.ExistsField(endName) ? DateText(params.Item(endName).GetValue()) : "";
    if (!beg.empty() || !end.empty()) text += " " + beg + " - " + end;
    Talvex::Ui::MessageBox().Show(text);
    return true;
}

} // namespace Quarn_DuzAde::OLAP
