#pragma once

#include "host/data/Connection.hpp"
#include "host/types/Value.hpp"

#include <cstdint>
#include <string>

namespace Talvex::Data {

// The kind of a recordset column, numbered as ADO numbers its data types, so that a report
// that builds a recordset by hand (`Append "TotalSumm", adCurrency`) reads the same here.
enum class DataTypeEnum : int {
    Empty = 0,          // adEmpty: no type given; holds any value, like Variant
    SmallInt = 2,       // adSmallInt
    Integer = 3,        // adInteger
    Single = 4,         // adSingle
    Double = 5,         // adDouble
    Currency = 6,       // adCurrency: exact money, four decimals
    Date = 7,           // adDate
    BSTR = 8,           // adBSTR
    Boolean = 11,       // adBoolean
    Variant = 12,       // adVariant
    Decimal = 14,       // adDecimal
    TinyInt = 16,       // adTinyInt
    BigInt = 20,        // adBigInt
    Char = 129,         // adChar
    WChar = 130,        // adWChar
    Numeric = 131,      // adNumeric: exact quantity or rate
    DBDate = 133,       // adDBDate
    DBTimeStamp = 135,  // adDBTimeStamp (the time of day is not kept: dates here are days)
    VarChar = 200,      // adVarChar
    LongVarChar = 201,  // adLongVarChar
    VarWChar = 202,     // adVarWChar
    LongVarWChar = 203, // adLongVarWChar
};

// How a field keeps its values; every type above falls into one of these.
enum class FieldStorage { Integer, Exact, Double, Text, Date, Flag, Any };

FieldStorage StorageOf(DataTypeEnum type);
std::string DataTypeName(DataTypeEnum type);

// The host's field type codes as lists and parameters use them: 1 integer, 2 and 3 integer
// ids and positions, 7 and 8 text codes and texts, 9 date, 13 number, 14 flag, 15 long text,
// 19 amount, 20 quantity, 23 a selection of codes, 100 object. Throws ValueError for any
// other code.
DataTypeEnum DataTypeFromHostCode(int hostTypeCode);

// The field type a statement's column arrives as.
DataTypeEnum DataTypeFromColumnKind(ColumnKind kind);

// A value as a field of that type keeps it: integers rounded as the language's CLng, money
// to four decimals, text as text. Null and Empty become Null, except in a field that holds
// any value. Throws ValueError naming the field when the value cannot be read as its type.
Value CoerceToDataType(const Value& value, DataTypeEnum type, const std::string& fieldName);

} // namespace Talvex::Data
