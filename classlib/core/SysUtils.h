#pragma once
// The class library's exception hierarchy and Format.

#include <exception>
#include <initializer_list>

#include "classlib/core/System.h"

namespace ordvane {

class Exception : public std::exception {
 public:
  explicit Exception(AnsiString message, int helpContext = 0)
      : fMessage(std::move(message)), fHelpContext(helpContext) {}

  const AnsiString& Message() const { return fMessage; }
  void SetMessage(AnsiString message) { fMessage = std::move(message); }
  int HelpContext() const { return fHelpContext; }
  void SetHelpContext(int helpContext) { fHelpContext = helpContext; }

  const char* what() const noexcept override { return fMessage.c_str(); }

 private:
  AnsiString fMessage;
  int fHelpContext;
};

#define ORDVANE_DECLARE_EXCEPTION(Name, Base) \
  class Name : public Base {                  \
   public:                                    \
    using Base::Base;                         \
  }

// The silent abort: an event loop that catches it reports nothing.
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
  using Exception::Exception;
};

ORDVANE_DECLARE_EXCEPTION(EConvertError, Exception);
ORDVANE_DECLARE_EXCEPTION(EOutOfResources, Exception);
ORDVANE_DECLARE_EXCEPTION(EInvalidOperation, Exception);
ORDVANE_DECLARE_EXCEPTION(EListError, Exception);
ORDVANE_DECLARE_EXCEPTION(EStreamError, Exception);
ORDVANE_DECLARE_EXCEPTION(EFilerError, EStreamError);
ORDVANE_DECLARE_EXCEPTION(EReadError, EFilerError);
ORDVANE_DECLARE_EXCEPTION(EWriteError, EFilerError);
ORDVANE_DECLARE_EXCEPTION(EFCreateError, EStreamError);
ORDVANE_DECLARE_EXCEPTION(EFOpenError, EStreamError);
ORDVANE_DECLARE_EXCEPTION(EInvalidCast, Exception);
ORDVANE_DECLARE_EXCEPTION(EIntError, Exception);
ORDVANE_DECLARE_EXCEPTION(EIntOverflow, EIntError);
ORDVANE_DECLARE_EXCEPTION(EDivByZero, EIntError);
ORDVANE_DECLARE_EXCEPTION(ERangeError, EIntError);
ORDVANE_DECLARE_EXCEPTION(EMathError, Exception);
ORDVANE_DECLARE_EXCEPTION(EOverflow, EMathError);
ORDVANE_DECLARE_EXCEPTION(EZeroDivide, EMathError);
ORDVANE_DECLARE_EXCEPTION(EInvalidOp, EMathError);

// An operating-system failure with the system's error number.
class EOSError : public Exception {
 public:
  explicit EOSError(AnsiString message, int errorCode = 0)
      : Exception(std::move(message)), fErrorCode(errorCode) {}
  int ErrorCode() const { return fErrorCode; }

 private:
  int fErrorCode;
};

class EAssertionFailed : public Exception {
 public:
  using Exception::Exception;
};

// Runs a step of a destructor, which must not raise: the object goes whatever the step
// answered (a handler of the user, a call to a server, a call whose checks cannot fail
// there), so the step's failure is dropped.
template <class F>
void DestructorStep(F&& step) noexcept {
  try {
    step();
  } catch (...) {
  }
}

// Raises EAssertionFailed with the message, the unit and the line, as the original's
// Assert did: "<message> (<unit>, line <n>)".
void Assert(bool condition, const AnsiString& message, const char* unit, int line);
#define ORDVANE_ASSERT(condition, message) \
  ::ordvane::Assert((condition), (message), __FILE__, __LINE__)

// One argument of Format, as an element of the original's "array of const".
class TVarRec {
 public:
  enum class Kind { Integer, Int64, UInt64, Extended, String, WideString, Pointer, Char };

  TVarRec(int v) : fKind(Kind::Integer), fInt(v) {}
  TVarRec(unsigned v) : fKind(Kind::Int64), fInt(v) {}
  TVarRec(long v) : fKind(Kind::Int64), fInt(v) {}
  TVarRec(long long v) : fKind(Kind::Int64), fInt(v) {}
  TVarRec(unsigned long v) : fKind(Kind::UInt64), fUInt(v) {}
  TVarRec(unsigned long long v) : fKind(Kind::UInt64), fUInt(v) {}
  TVarRec(double v) : fKind(Kind::Extended), fFloat(v) {}
  TVarRec(long double v) : fKind(Kind::Extended), fFloat(v) {}
  TVarRec(char v) : fKind(Kind::Char), fText(1, v) {}
  TVarRec(const char* v) : fKind(Kind::String), fText(v ? v : "") {}
  TVarRec(const AnsiString& v) : fKind(Kind::String), fText(v) {}
  TVarRec(const WideString& v) : fKind(Kind::WideString), fWide(v) {}
  TVarRec(const void* v) : fKind(Kind::Pointer), fPointer(v) {}

  Kind VKind() const { return fKind; }
  Int64 AsInt64() const { return fInt; }
  UInt64 AsUInt64() const { return fUInt; }
  Extended AsExtended() const { return fFloat; }
  const AnsiString& AsString() const { return fText; }
  const WideString& AsWide() const { return fWide; }
  const void* AsPointer() const { return fPointer; }

 private:
  Kind fKind;
  Int64 fInt = 0;
  UInt64 fUInt = 0;
  Extended fFloat = 0;
  AnsiString fText;
  WideString fWide;
  const void* fPointer = nullptr;
};

struct TFormatSettings;

// The class library's Format: %[index:][-][width][.precision]type with the types
// d u x s p and * for width or precision; %% is a percent sign. The floating types take
// a floating-point argument: e (scientific, precision = significant digits, default 15),
// f (fixed), g (general, default 15 digits), n (fixed with thousand separators) and
// m (currency); for f and n the precision is the number of decimals (default 2), for m
// too (default the settings' CurrencyDecimals). A directive whose argument is missing or
// of the wrong kind raises EConvertError
// "Format '<format>' invalid or incompatible with argument".
AnsiString Format(const AnsiString& format, std::initializer_list<TVarRec> args);
AnsiString Format(const AnsiString& format, std::initializer_list<TVarRec> args,
                  const TFormatSettings& settings);

}  // namespace ordvane
