#pragma once
// The texts of the dataset framework's errors. Datasets and controls above it compare
// and show these texts, so they are kept byte for byte in one place.

namespace ordvane::dbconsts {

inline constexpr char SFieldNotFound[] = "Field '%s' not found";
inline constexpr char SInvalidFieldSize[] = "Invalid field size";
inline constexpr char SFieldTypeMismatch[] = "Type mismatch for field '%s', expecting: %s actual: %s";
inline constexpr char SFieldSizeMismatch[] = "Size mismatch for field '%s', expecting: %d actual: %d";
inline constexpr char SFieldAccessError[] = "Cannot access field '%s' as type %s";
inline constexpr char SFieldRangeError[] = "%d is not a valid value for field '%s'. The allowed range is %d to %d";
inline constexpr char SFieldFloatRangeError[] =
    "%g is not a valid value for field '%s'. The allowed range is %g to %g";
inline constexpr char SFieldUnknownType[] = "Field '%s' is of an unknown type";
inline constexpr char SFieldRequired[] = "Field '%s' must have a value";
inline constexpr char SFieldLookupIncomplete[] = "Lookup information for field '%s' is incomplete";
inline constexpr char SFieldNoDataSet[] = "Field '%s' has no dataset";
inline constexpr char SDuplicateFieldName[] = "Duplicate field name '%s'";
inline constexpr char SInvalidBoolValue[] = "'%s' is not a valid boolean value for field '%s'";
inline constexpr char SInvalidIntegerValue[] = "'%s' is not a valid integer value for field '%s'";
inline constexpr char SInvalidFloatValue[] = "'%s' is not a valid floating point value for field '%s'";
inline constexpr char SInvalidDateTimeValue[] = "'%s' is not a valid %s for field '%s'";
inline constexpr char STextTooLong[] = "'%s' is too long for field '%s' (at most %d characters)";

inline constexpr char SDataSetClosed[] = "Cannot perform this operation on a closed dataset";
inline constexpr char SDataSetOpen[] = "Cannot perform this operation on an open dataset";
inline constexpr char SDataSetUnidirectional[] = "Operation not allowed on a unidirectional dataset";
inline constexpr char SDataSetEmpty[] = "Cannot perform this operation on an empty dataset";
inline constexpr char SDataSetReadOnly[] = "Cannot modify a read-only dataset";
inline constexpr char SNotEditing[] = "Dataset not in edit or insert mode";
inline constexpr char SRecordNotFound[] = "Record not found";
inline constexpr char SDataSourceChange[] = "DataSource cannot be changed";
inline constexpr char SCircularDataLink[] = "Circular datalinks are not allowed";
inline constexpr char SRecordIndexOutOfRange[] = "Record index %d is outside the record buffers";
inline constexpr char SParameterNotFound[] = "Parameter '%s' not found";
inline constexpr char SProviderUnsupported[] = "This dataset cannot %s";

inline constexpr char SExprIncorrect[] = "Incorrectly formed filter expression";
inline constexpr char SExprExpected[] = "Expression expected but %s found";
inline constexpr char SExprBadField[] = "Field '%s' cannot be used in a filter expression";
inline constexpr char SExprEndOfText[] = "end of expression";
inline constexpr char SExprTooComplex[] = "Filter expression is too complex";

inline constexpr char SBooleanTrueFalse[] = "True;False";

}  // namespace ordvane::dbconsts
