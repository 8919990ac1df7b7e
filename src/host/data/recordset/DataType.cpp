#include "host/data/recordset/DataType.hpp"

#include "host/types/Errors.hpp"

namespace Talvex::Data {

FieldStorage StorageOf(DataTypeEnum type)
{
    switch (type) {
    case DataTypeEnum::SmallInt:
    case DataTypeEnum::Integer:
    case DataTypeEnum::TinyInt:
    case DataTypeEnum::BigInt: return FieldStorage::Integer;
    case DataTypeEnum::Currency:
    case DataTypeEnum::Decimal:
    case DataTypeEnum::Numeric: return FieldStorage::Exact;
    case DataTypeEnum::Single:
    case DataTypeEnum::Double: return FieldStorage::Double;
    case DataTypeEnum::BSTR:
    case DataTypeEnum::Char:
    case DataTypeEnum::WChar:
    case DataTypeEnum::VarChar:
    case DataTypeEnum::LongVarChar:
    case DataTypeEnum::VarWChar:
    case DataTypeEnum::LongVarWChar: return FieldStorage::Text;
    case DataTypeEnum::Date:
    case DataTypeEnum::DBDate:
    case DataTypeEnum::DBTimeStamp: return FieldStorage::Date;
    case DataTypeEnum::Boolean: return FieldStorage::Flag;
    case DataTypeEnum::Empty:
    case DataTypeEnum::Variant: return FieldStorage::Any;
    }
    return FieldStorage::Any;
}

std::string DataTypeName(DataTypeEnum type)
{
    switch (StorageOf(type)) {
    case FieldStorage::Integer: return "integer";
    case FieldStorage::Exact: return type == DataTypeEnum::Currency ? "amount" : "exact number";
    case FieldStorage::Double: return "number";
    case FieldStorage::Text: return "text";
    case FieldStorage::Date: return "date";
    case FieldStorage::Flag: return "flag";
    case FieldStorage::Any: return "variant";
    }
    return "variant";
}

DataTypeEnum DataTypeFromHostCode(int hostTypeCode)
{
    switch (hostTypeCode) {
    case 1:
    case 2:
    case 3: return DataTypeEnum::Integer;
    case 7:
    case 8:
    case 23: return DataTypeEnum::VarWChar; // 23: a selection of codes, kept as their text
    case 9: return DataTypeEnum::Date;
    case 13:
    case 20: return DataTypeEnum::Numeric;
    case 14: return DataTypeEnum::Boolean;
    case 15: return DataTypeEnum::LongVarWChar;
    case 19: return DataTypeEnum::Currency;
    case 100: return DataTypeEnum::Variant;
    default: throw ValueError("Recordset: " + std::to_string(hostTypeCode) + " is not a host field type code");
    }
}

DataTypeEnum DataTypeFromColumnKind(ColumnKind kind)
{
    switch (kind) {
    case ColumnKind::Boolean: return DataTypeEnum::Boolean;
    case ColumnKind::Integer: return DataTypeEnum::BigInt;
    case ColumnKind::Decimal: return DataTypeEnum::Numeric;
    case ColumnKind::Double: return DataTypeEnum::Double;
    case ColumnKind::Text: return DataTypeEnum::VarWChar;
    case ColumnKind::Date: return DataTypeEnum::DBDate;
    case ColumnKind::Timestamp: return DataTypeEnum::DBTimeStamp;
    case ColumnKind::Other: return DataTypeEnum::Variant;
    }
    return DataTypeEnum::Variant;
}

namespace {

// An exact column keeps integers, amounts, decimals (and a double a report put there) as
// they are, and text as the number it reads exactly.
Value ToExactNumber(const Value& value)
{
    if (value.IsNumber()) return value;
    if (value.IsText()) {
        Currency exact;
        if (Currency::ParseExact(value.ToText(), exact)) return exact;
        Decimal d;
        if (Decimal::TryParse(value.ToText(), d)) return d;
    }
    return value.ToCurrency(); // fails with the language's message
}

Value Coerce(const Value& value, DataTypeEnum type)
{
    FieldStorage storage = StorageOf(type);
    if (storage == FieldStorage::Any) return value;
    if (value.IsNull() || value.IsEmpty()) return Null{};
    switch (storage) {
    case FieldStorage::Integer: return value.ToInteger();
    case FieldStorage::Exact:
        if (type == DataTypeEnum::Currency) return value.ToCurrency();
        if (value.IsDate()) return value.ToCurrency(); // fails with the language's message
        return ToExactNumber(value);
    case FieldStorage::Double: return value.ToDouble();
    case FieldStorage::Text: return value.ToText();
    case FieldStorage::Date: return value.ToDate();
    case FieldStorage::Flag: return value.ToBool();
    case FieldStorage::Any: break;
    }
    return value;
}

} // namespace

Value CoerceToDataType(const Value& value, DataTypeEnum type, const std::string& fieldName)
{
    try {
        return Coerce(value, type);
    } catch (const ValueError& e) {
        throw ValueError("Field " + fieldName + " (" + DataTypeName(type) + "): " + e.what());
    }
}

} // namespace Talvex::Data
