#include "classlib/core/PropertySet.h"

#include <algorithm>

#include "classlib/core/ByteCursor.h"
#include "classlib/core/CompoundFile.h"

namespace ordvane {

namespace {

constexpr std::size_t kFirstSectionOffsetAt = 44;  // after the header and the section's format id

// The stream's fields, each read naming what it reads for the message when the stream
// ends before it.
class TPropertySetCursor {
 public:
  TPropertySetCursor(const Byte* data, std::size_t size)
      : fBytes(std::span(data, size), [] { Damaged("a field"); }) {}

  Cardinal CardinalAt(UInt64 offset, const char* what) const {
    Require(offset, 4, what);
    return fBytes.U32At(offset);
  }
  UInt64 UInt64At(UInt64 offset, const char* what) const {
    Require(offset, 8, what);
    return fBytes.U64At(offset);
  }
  AnsiString BytesAt(UInt64 offset, UInt64 count, const char* what) const {
    Require(offset, count, what);
    const std::span<const Byte> bytes = fBytes.SliceAt(offset, count);
    return AnsiString(bytes.begin(), std::find(bytes.begin(), bytes.end(), Byte{0}));
  }

 private:
  [[noreturn]] static void Damaged(const char* what) {
    throw EReadError(std::string("Property set stream is damaged: ") + what + " runs past the end of the stream");
  }
  void Require(UInt64 offset, UInt64 count, const char* what) const {
    if (!fBytes.Holds(offset, count)) Damaged(what);
  }
  TByteCursor fBytes;
};

}  // namespace

std::vector<TPropertySetValue> ReadPropertySet(const Byte* data, std::size_t size) {
  TPropertySetCursor cursor(data, size);
  const UInt64 section = cursor.CardinalAt(kFirstSectionOffsetAt, "the header");
  const Cardinal count = cursor.CardinalAt(section + 4, "the section header");
  // The whole property table must be there before anything is allocated for it.
  cursor.CardinalAt(section + 8 + 8 * static_cast<UInt64>(count) - 4, "the property table");
  std::vector<TPropertySetValue> values(count);
  for (Cardinal i = 0; i < count; ++i) {
    TPropertySetValue& v = values[i];
    v.Id = cursor.CardinalAt(section + 8 + 8 * UInt64{i}, "the property table");
    const UInt64 at = section + cursor.CardinalAt(section + 12 + 8 * UInt64{i}, "the property table");
    v.Type = cursor.CardinalAt(at, "a property type");
    if (v.Type == ptInteger) {
      v.AsInteger = static_cast<Integer>(cursor.CardinalAt(at + 4, "an integer property"));
    } else if (v.Type == ptString) {
      v.AsString =
          cursor.BytesAt(at + 8, cursor.CardinalAt(at + 4, "a string property"), "a string property");
    } else if (v.Type == ptFileTime) {
      v.AsFileTime = cursor.UInt64At(at + 4, "a file time property");
    }
  }
  return values;
}

std::vector<TPropertySetValue> ReadPropertySet(TCompoundStream stream) {
  std::vector<Byte> data(static_cast<std::size_t>(stream.Size()));
  stream.SetPosition(0);
  data.resize(stream.Read(data.data(), data.size()));
  return ReadPropertySet(data.data(), data.size());
}

}  // namespace ordvane
