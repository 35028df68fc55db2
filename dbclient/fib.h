#pragma once
// The error model of the database library. Server failures arrive in the calling thread's
// status vector and become EFIBInterBaseError with the server's SQL code, error code and
// texts; failures the library detects itself become EFIBClientError from the numbered
// table of FIBConsts.h.

#include <ibase.h>

#include <cstddef>
#include <initializer_list>
#include <vector>

#include "classlib/core/SysUtils.h"
#include "classlib/db/DBTypes.h"
#include "dbclient/FIBConsts.h"
#include "dbclient/IB_Intf.h"

namespace ordvane {

class TObject;

// The calling thread's status vector (ISC_STATUS_LENGTH entries), which every client call
// of that thread is given. It keeps its contents after an error is raised from it.
ISC_STATUS* StatusVector();

// What a message is composed of, beyond the raiser's own text.
enum TFIBErrorOption {
  eoIBMessage = 1,   // the server's error lines
  eoSQLMessage = 2,  // the text of the SQL code
  eoSenderName = 3,  // the sender's name in front
};
using TFIBErrorOptions = TSet<TFIBErrorOption>;
// The library always composes the full message.
inline constexpr TFIBErrorOptions ErrorOptions{eoIBMessage, eoSQLMessage, eoSenderName};
inline TFIBErrorOptions GetErrorOptions() {
  return ErrorOptions;
}

class EFIBError : public EDatabaseError {
 public:
  // sender: the object that raised the error, or nullptr; its name goes into the message
  // when it is a component. The pointer is kept as given: it is valid while the sender
  // lives.
  EFIBError(Integer code, TObject* sender, const AnsiString& message);

  // The server's SQL code for server errors, the table index for client errors, -1 for
  // client errors with a text of their own.
  Integer SQLCode() const { return fSQLCode; }
  // Entry 1 of the thread's status vector when the error was made: the server's first
  // error code (for a client error, whatever the vector held then).
  ISC_STATUS IBErrorCode() const { return fIBErrorCode; }
  const AnsiString& SenderName() const { return fSenderName; }
  const AnsiString& SQLMessage() const { return fSQLMessage; }
  const AnsiString& IBMessage() const { return fIBMessage; }
  const AnsiString& ExtraMessage() const { return fExtraMessage; }
  const AnsiString& RawMessage() const { return fRawMessage; }
  TObject* Sender() const { return fSender; }

 protected:
  EFIBError(Integer code, TObject* sender, AnsiString extraMessage, AnsiString sqlMessage,
            AnsiString ibMessage, AnsiString rawMessage);

 private:
  void ComposeMessage();

  Integer fSQLCode;
  ISC_STATUS fIBErrorCode;
  AnsiString fSenderName;
  AnsiString fSQLMessage;
  AnsiString fIBMessage;
  AnsiString fExtraMessage;
  AnsiString fRawMessage;
  TObject* fSender;
};

class EFIBInterBaseError : public EFIBError {
 public:
  EFIBInterBaseError(Integer code, TObject* sender, AnsiString extraMessage, AnsiString sqlMessage,
                     AnsiString ibMessage);
};

class EFIBClientError : public EFIBError {
 public:
  using EFIBError::EFIBError;
};

// Raises EFIBInterBaseError from the calling thread's status vector, with the texts the
// given client library makes of it. Called after a client call returned a non-zero status.
[[noreturn]] void IBError(IIBClientLibrary& library, TObject* sender);

// Raises EFIBClientError with the table text of the code formatted with the arguments.
[[noreturn]] void FIBError(TFIBClientError code, std::initializer_list<TVarRec> args = {});
// The same for a code that comes as a number: its low 7 bits; one beyond the table gives
// "Unknown error.".
[[noreturn]] void FIBError(Integer code, std::initializer_list<TVarRec> args = {});

// Raises EFIBClientError with SQLCode -1 and the caller's text formatted with the arguments.
[[noreturn]] void FIBErrorText(const AnsiString& format, std::initializer_list<TVarRec> args = {});

// True when an error-code or number argument of the calling thread's status vector equals
// one of the codes. The walk stops at the vector's end marker (or its last entry).
bool StatusVectorContains(std::initializer_list<ISC_STATUS> codes);

// Resizes a buffer to newSize; when oldSize < newSize the bytes from oldSize on are zero,
// whatever they held before.
void FIBAlloc(std::vector<char>& buffer, std::size_t oldSize, std::size_t newSize);

}  // namespace ordvane
