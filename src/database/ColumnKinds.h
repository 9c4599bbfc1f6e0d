#pragma once

namespace vxr {

// The data-type codes a column is classified with (the classic database
// client's codes, which DataType of a field entry holds).
namespace TypeCodes {
constexpr int SmallInt = 2;
constexpr int Integer = 3;
constexpr int Single = 4;
constexpr int Double = 5;
constexpr int Currency = 6;
constexpr int Date = 7;
constexpr int Boolean = 11;
constexpr int Variant = 12;
constexpr int Decimal = 14;
constexpr int TinyInt = 16;
constexpr int UnsignedTinyInt = 17;
constexpr int BigInt = 20;
constexpr int Char = 129;
constexpr int WChar = 130;
constexpr int Numeric = 131;
constexpr int DBDate = 133;
constexpr int DBTime = 134;
constexpr int DBTimeStamp = 135;
constexpr int VarChar = 200;
constexpr int LongVarChar = 201;
constexpr int VarWChar = 202;
constexpr int LongVarWChar = 203;
} // namespace TypeCodes

// The defined size given to variant and long-text columns, whatever the
// database reports for them.
constexpr int LongTextMaxLength = 2096;

// Every kind of text column, Unicode or not.
constexpr bool isTextType(int code)
{
    switch (code) {
    case TypeCodes::Variant:
    case TypeCodes::Char:
    case TypeCodes::WChar:
    case TypeCodes::VarChar:
    case TypeCodes::LongVarChar:
    case TypeCodes::VarWChar:
    case TypeCodes::LongVarWChar:
        return true;
    default:
        return false;
    }
}

constexpr bool isDateType(int code)
{
    return code == TypeCodes::DBTimeStamp || code == TypeCodes::Date || code == TypeCodes::DBDate;
}

constexpr bool isIntegerType(int code)
{
    switch (code) {
    case TypeCodes::SmallInt:
    case TypeCodes::Integer:
    case TypeCodes::TinyInt:
    case TypeCodes::UnsignedTinyInt:
    case TypeCodes::BigInt:
        return true;
    default:
        return false;
    }
}

} // namespace vxr
