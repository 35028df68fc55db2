#pragma once
// Answers of the client's information calls (statement, database, transaction and blob
// information). An answer is a list of items, each a code byte, a 2-byte little-endian
// length and the value, ended by isc_info_end; one that did not fit the buffer it was
// given starts with isc_info_truncated (a list of columns may also be cut in the middle).

#include <ibase.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "classlib/core/System.h"
#include "dbclient/IB_Intf.h"

namespace ordvane {

// The client takes the length of an answer buffer as a signed 16-bit number.
inline constexpr std::size_t InfoBufferLimit = 32767;

struct TInfoAnswer {
  ISC_STATUS status = 0;  // nonzero: the call failed; its status vector tells why
  bool complete = false;  // false: still truncated in a buffer of InfoBufferLimit bytes
  std::vector<char> bytes;
};

// Makes an information call into `buffer` of `length` bytes and answers its status.
using TInfoCall = std::function<ISC_STATUS(char* buffer, short length)>;

// Asks with `size` bytes first and doubles the buffer while the answer comes back
// truncated, up to InfoBufferLimit.
TInfoAnswer AskInfo(std::size_t size, const TInfoCall& call);
// Raises the client error of an answer that is truncated even at InfoBufferLimit.
[[noreturn]] void InfoAnswerTooLong();

// A value of 1 to 8 bytes as the client's little-endian integer.
std::optional<Int64> InfoInteger(IIBClientLibrary& library, std::string_view value);

// Walks the items of an answer; every length is checked against the answer's end.
class TInfoReader {
 public:
  struct TItem {
    char code;
    std::string_view value;
  };

  TInfoReader(IIBClientLibrary& library, std::string_view answer) : fLibrary(library), fAnswer(answer) {}
  TInfoReader(IIBClientLibrary& library, const std::vector<char>& answer)
      : TInfoReader(library, std::string_view(answer.data(), answer.size())) {}

  bool Exhausted() const { return fAt >= fAnswer.size(); }
  // The code at the reading position; isc_info_end past the answer's end.
  char Code() const { return Exhausted() ? static_cast<char>(isc_info_end) : fAnswer[fAt]; }
  // Steps over a code that carries no length and no value.
  void SkipCode() { ++fAt; }
  // The item at the reading position, stepping past it; nothing (and no step) when its
  // length runs past the answer's end.
  std::optional<TItem> Next();
  std::optional<Int64> Integer(std::string_view value) const { return InfoInteger(fLibrary, value); }

 private:
  IIBClientLibrary& fLibrary;
  std::string_view fAnswer;
  std::size_t fAt = 0;
};

}  // namespace ordvane
