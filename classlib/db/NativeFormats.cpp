#include "classlib/db/NativeFormats.h"

#include <algorithm>
#include <cstddef>
#include <cmath>
#include <cstring>
#include <string>

#include "classlib/core/FMTBcd.h"

namespace ordvane {

namespace {

template <class T>
T Load(const void* source) {
  T value;
  std::memcpy(&value, source, sizeof value);
  return value;
}

template <class T>
void Store(void* dest, T value) {
  std::memcpy(dest, &value, sizeof value);
}

}  // namespace

Integer NativeDataSize(TFieldType type, Integer size) {
  switch (type) {
    case ftString:
    case ftFixedChar:
    case ftGuid:
      return size + 1;
    case ftWideString:
      return (size + 1) * 2;
    case ftSmallint:
    case ftWord:
    case ftBoolean:
      return 2;
    case ftInteger:
    case ftAutoInc:
    case ftDate:
    case ftTime:
      return 4;
    case ftLargeint:
    case ftFloat:
    case ftCurrency:
    case ftDateTime:
      return 8;
    case ftBCD:
      return static_cast<Integer>(sizeof(TBcd));
    case ftBytes:
      return size;
    case ftVarBytes:
      return size + 2;
    default:
      return 0;
  }
}

void DateTimeToNative(TFieldType type, TDateTime value, void* native) {
  const TTimeStamp stamp = DateTimeToTimeStamp(value);
  switch (type) {
    case ftDate:
      Store<Integer>(native, stamp.Date);
      break;
    case ftTime:
      Store<Integer>(native, stamp.Time);
      break;
    default:
      Store<double>(native, static_cast<double>(TimeStampToMSecs(stamp)));
      break;
  }
}

TDateTime NativeToDateTime(TFieldType type, const void* native) {
  switch (type) {
    case ftDate:
      return TimeStampToDateTime(TTimeStamp{0, Load<Integer>(native)});
    case ftTime:
      return TimeStampToDateTime(TTimeStamp{Load<Integer>(native), DateDelta});
    default: {
      const double msecs = Load<double>(native);
      // Checked before the conversion to an integer, which would be undefined outside
      // the range.
      if (!std::isfinite(msecs) || msecs < 0 || msecs >= 9.0e18)
        throw EConvertError("'" + std::to_string(msecs) + "' is not a valid timestamp");
      return TimeStampToDateTime(MSecsToTimeStamp(static_cast<Int64>(std::llround(msecs))));
    }
  }
}

void ConvertNativeData(TFieldType type, Integer size, const void* source, void* dest, bool toNative,
                       Integer dataSize) {
  switch (type) {
    case ftDate:
    case ftTime:
    case ftDateTime:
      if (toNative)
        DateTimeToNative(type, Load<TDateTime>(source), dest);
      else
        Store<TDateTime>(dest, NativeToDateTime(type, source));
      break;
    case ftBCD:
      if (toNative) {
        TBcd bcd;
        if (!CurrToBcd(Load<Currency>(source), bcd, 32, size)) throw EBcdOverflowException("BCD overflow");
        Store<TBcd>(dest, bcd);
      } else {
        Currency value;
        if (!BcdToCurr(Load<TBcd>(source), value)) throw EBcdOverflowException("BCD overflow");
        Store<Currency>(dest, value);
      }
      break;
    case ftWideString:
      if (toNative) {
        const auto& text = *static_cast<const WideString*>(source);
        const std::size_t length = std::min(text.size(), static_cast<std::size_t>(std::max(size, 0)));
        std::memcpy(dest, text.data(), length * sizeof(char16_t));
        Store<char16_t>(static_cast<char16_t*>(dest) + length, u'\0');
      } else {
        WideString text;
        const auto* chars = static_cast<const Byte*>(source);
        for (Integer i = 0; i < size; ++i) {
          const char16_t ch = Load<char16_t>(chars + 2 * std::ptrdiff_t{i});
          if (ch == u'\0') break;
          text.push_back(ch);
        }
        *static_cast<WideString*>(dest) = std::move(text);
      }
      break;
    default:
      std::memcpy(dest, source, static_cast<std::size_t>(dataSize));
      break;
  }
}

}  // namespace ordvane
