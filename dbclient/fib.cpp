#include "dbclient/fib.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "classlib/core/Components.h"
#include "dbclient/FIBConsts.h"

namespace ordvane {

namespace {

thread_local ISC_STATUS_ARRAY ThreadStatusVector{};

// Sizes of the buffers the client writes its texts into.
constexpr short SQLMessageSize = 1024;
constexpr unsigned ServerLineSize = 20480;

// The sender's name when it is a component, else empty.
AnsiString SenderNameOf(TObject* sender) {
  auto* component = dynamic_cast<TComponent*>(sender);
  return component ? component->Name() : AnsiString();
}

void UpcaseFirstLetter(AnsiString& text) {
  if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
}

// The client's text for an SQL code: literal "\n" pairs removed, the first letter upper
// case, and "." with a line break after a text that does not already end with ".".
AnsiString SQLCodeText(IIBClientLibrary& library, ISC_LONG sqlCode) {
  std::array<char, SQLMessageSize> buffer{};
  library.isc_sql_interprete(static_cast<short>(sqlCode), buffer.data(), SQLMessageSize);
  AnsiString text(buffer.data(), strnlen(buffer.data(), buffer.size()));
  for (std::size_t at = text.find("\\n"); at != AnsiString::npos; at = text.find("\\n", at))
    text.erase(at, 2);
  if (text.empty()) return text;
  UpcaseFirstLetter(text);
  if (text.back() != '.') text += ".\r\n";
  return text;
}

// The client's lines for the status vector, each ending with "." and a line break.
AnsiString ServerLines(IIBClientLibrary& library, const ISC_STATUS* vector) {
  std::vector<char> line(ServerLineSize);
  AnsiString message;
  const ISC_STATUS* cursor = vector;
  while (library.fb_interpret(line.data(), ServerLineSize, &cursor) > 0) {
    AnsiString text(line.data(), strnlen(line.data(), line.size()));
    UpcaseFirstLetter(text);
    message += text;
    if (message.empty() || message.back() != '.') message += '.';
    message += "\r\n";
  }
  return message;
}

}  // namespace

ISC_STATUS* StatusVector() {
  return ThreadStatusVector;
}

EFIBError::EFIBError(Integer code, TObject* sender, const AnsiString& message)
    : EFIBError(code, sender, AnsiString(), AnsiString(), AnsiString(), message) {}

EFIBError::EFIBError(Integer code, TObject* sender, AnsiString extraMessage, AnsiString sqlMessage,
                     AnsiString ibMessage, AnsiString rawMessage)
    : EDatabaseError(AnsiString()),
      fSQLCode(code),
      fIBErrorCode(StatusVector()[1]),
      fSenderName(SenderNameOf(sender)),
      fSQLMessage(std::move(sqlMessage)),
      fIBMessage(std::move(ibMessage)),
      fExtraMessage(std::move(extraMessage)),
      fRawMessage(std::move(rawMessage)),
      fSender(sender) {
  ComposeMessage();
}

void EFIBError::ComposeMessage() {
  TFIBErrorOptions options = GetErrorOptions();
  AnsiString text;
  if (options.Contains(eoSenderName) && fSenderName.size() > 1) text += fSenderName + ":\r\n";
  if (options.Contains(eoSQLMessage)) text += fSQLMessage;
  if (options.Contains(eoIBMessage)) text += fIBMessage;
  text += fExtraMessage;
  text += fRawMessage;
  SetMessage(std::move(text));
}

EFIBInterBaseError::EFIBInterBaseError(Integer code, TObject* sender, AnsiString extraMessage,
                                       AnsiString sqlMessage, AnsiString ibMessage)
    : EFIBError(code, sender, std::move(extraMessage), std::move(sqlMessage), std::move(ibMessage),
                AnsiString()) {}

void IBError(IIBClientLibrary& library, TObject* sender) {
  const ISC_STATUS* vector = StatusVector();
  TFIBErrorOptions options = GetErrorOptions();
  ISC_LONG sqlCode = library.isc_sqlcode(vector);
  AnsiString sqlMessage = options.Contains(eoSQLMessage) ? SQLCodeText(library, sqlCode) : AnsiString();
  AnsiString serverMessage = options.Contains(eoIBMessage) ? ServerLines(library, vector) : AnsiString();
  throw EFIBInterBaseError(sqlCode, sender, AnsiString(), std::move(sqlMessage), std::move(serverMessage));
}

void FIBError(TFIBClientError code, std::initializer_list<TVarRec> args) {
  FIBError(static_cast<Integer>(code), args);
}

void FIBError(Integer code, std::initializer_list<TVarRec> args) {
  Integer index = code & 0x7F;
  const char* text = FIBErrorMessages[index < FIBErrorMessageCount ? index : 0];
  throw EFIBClientError(index, nullptr, Format(text, args));
}

void FIBErrorText(const AnsiString& format, std::initializer_list<TVarRec> args) {
  throw EFIBClientError(-1, nullptr, Format(format, args));
}

bool StatusVectorContains(std::initializer_list<ISC_STATUS> codes) {
  const ISC_STATUS* vector = StatusVector();
  std::size_t at = 0;
  while (at + 1 < ISC_STATUS_LENGTH && vector[at] != isc_arg_end) {
    ISC_STATUS kind = vector[at];
    if (kind == isc_arg_gds || kind == isc_arg_number) {
      if (std::find(codes.begin(), codes.end(), vector[at + 1]) != codes.end()) return true;
      at += 2;
    } else {
      at += kind == isc_arg_cstring ? 3 : 2;
    }
  }
  return false;
}

void FIBAlloc(std::vector<char>& buffer, std::size_t oldSize, std::size_t newSize) {
  buffer.resize(newSize);
  if (oldSize < newSize) std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(oldSize), buffer.end(), '\0');
}

}  // namespace ordvane
