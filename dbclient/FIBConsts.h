#pragma once
// The database library's own message texts: the loader's two texts and the numbered
// client-error table that FIBError (fib.h) raises from.

#include <array>
#include <string>

namespace ordvane {

// The version of this client library, shown by the components' About texts.
inline constexpr int DBClientVersionMajor = 1;
inline constexpr int DBClientVersionMinor = 0;
inline constexpr int DBClientVersionRelease = 0;
// The three numbers joined by ".".
inline std::string DBClientVersionText() {
  return std::to_string(DBClientVersionMajor) + "." + std::to_string(DBClientVersionMinor) + "." +
         std::to_string(DBClientVersionRelease);
}

inline constexpr const char* SCantLoadLibrary = "Can't load library %s ";
inline constexpr const char* SCantFindProcedure = "Can't find procedure %s in %s";

// The login dialog's captions.
inline constexpr const char* SDBLoginCaption = "Database login";
inline constexpr const char* SDBLoginDatabase = "Database:";
inline constexpr const char* SDBLoginUserName = "&User name";
inline constexpr const char* SDBLoginPassword = "&Password";
inline constexpr const char* SDBLoginRole = "Rol&e";
inline constexpr const char* SDBLoginOK = "&OK";
inline constexpr const char* SDBLoginCancel = "&Cancel";

inline constexpr int FIBErrorMessageCount = 79;
// Texts with the class library's Format placeholders, indexed by client-error code.
extern const std::array<const char*, FIBErrorMessageCount> FIBErrorMessages;

// The client-error codes by name: the number of each is its entry in FIBErrorMessages.
enum class TFIBClientError : int {
  Unknown = 0,
  Unsupported = 1,
  NotPermitted = 2,
  FileAccess = 3,
  ConnectionTimeout = 4,
  CannotSetDatabase = 5,
  CannotSetTransaction = 6,
  OperationCancelled = 7,
  DPBConstantNotSupported = 8,
  DPBConstantUnknown = 9,
  TPBConstantNotSupported = 10,
  TPBConstantUnknown = 11,
  DatabaseClosed = 12,
  DatabaseOpen = 13,
  DatabaseNameMissing = 14,
  NotInTransaction = 15,
  InTransaction = 16,
  TimeoutNegative = 17,
  NoDatabasesInTransaction = 18,
  UpdateWrongDatabase = 19,
  UpdateWrongTransaction = 20,
  DatabaseNotAssigned = 21,
  TransactionNotAssigned = 22,
  XSQLDAIndexOutOfRange = 23,
  XSQLDANameDoesNotExist = 24,
  EndOfFile = 25,
  BeginningOfFile = 26,
  InvalidStatementHandle = 27,
  SQLOpen = 28,
  SQLClosed = 29,
  UnknownSQLDataType = 30,
  InvalidColumnIndex = 31,
  InvalidParamColumnIndex = 32,
  InvalidDataConversion = 33,
  ColumnIsNotNullable = 34,
  BlobCannotBeRead = 35,
  BlobCannotBeWritten = 36,
  EmptyQuery = 37,
  CannotOpenNonSelect = 38,
  NoFieldAccess = 39,
  FieldReadOnly = 40,
  FieldNotFound = 41,
  NotInEditOrInsert = 42,
  NotEditing = 43,
  CannotInsert = 44,
  CannotPost = 45,
  CannotUpdate = 46,
  CannotDelete = 47,
  CannotRefresh = 48,
  BufferNotSet = 49,
  CircularReference = 50,
  SQLParseError = 51,
  UserAbort = 52,
  DataSetUniDirectional = 53,
  CannotCreateSharedResource = 54,
  SystemError = 55,
  ColumnListsDontMatch = 56,
  ColumnTypesDontMatch = 57,
  CannotEndSharedTransaction = 58,
  FieldIsNotArray = 59,
  DimensionDoesNotExist = 60,
  InvalidSQLDialect = 61,
  ClientLibraryNotFound = 62,
  InterBase6Function = 63,
  InstallLibraryNotFound = 64,
  ServiceNotAttached = 65,
  ServiceAttached = 66,
  ServerNameMissing = 67,
  QueryParamsMissing = 68,
  StartParamsMissing = 69,
  UnexpectedOutputBuffer = 70,
  UseSpecificProcedures = 71,
  SPBConstantNotSupported = 72,
  SPBConstantUnknown = 73,
  FieldSizeTooSmall = 74,
  CannotUseLimitedCache = 75,
  FieldListEmpty = 76,
  CannotUseField = 77,
  Firebird2Function = 78,
};
static_assert(static_cast<int>(TFIBClientError::Firebird2Function) == FIBErrorMessageCount - 1);

}  // namespace ordvane
