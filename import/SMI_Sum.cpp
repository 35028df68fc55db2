#include "import/SMI_Sum.h"

#include <cmath>
#include <ctime>

#include "classlib/core/DateFormat.h"
#include "classlib/core/StrUtils.h"

namespace ordvane {

// Only a lack of memory can fail these, which nothing before main could handle either.
// NOLINTBEGIN(cert-err58-cpp)
const WideString SummaryInformationStreamName = u"\x05SummaryInformation";
const WideString DocumentSummaryInformationStreamName =
    u"\x05"
    u"DocumentSummaryInformation";
// NOLINTEND(cert-err58-cpp)

TDateTime FileTimeToDateTime(UInt64 fileTime) {
  constexpr Int64 kSecondsFrom1601To1970 = 11'644'473'600;
  const std::time_t seconds = static_cast<std::time_t>(fileTime / 10'000'000) - kSecondsFrom1601To1970;
  std::tm local{};
  if (localtime_r(&seconds, &local) == nullptr) return 0;
  const int year = local.tm_year + 1900;
  if (year < 1980 || year > 2107) return 0;
  return EncodeDate(static_cast<Word>(year), static_cast<Word>(local.tm_mon + 1),
                    static_cast<Word>(local.tm_mday)) +
         EncodeTime(static_cast<Word>(local.tm_hour), static_cast<Word>(local.tm_min),
                    static_cast<Word>(local.tm_sec - local.tm_sec % 2), 0);
}

void TSMISummaryInformation::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TSMISummaryInformation*>(source)) {
    fValues = other->fValues;
    return;
  }
  TPersistent::Assign(source);
}

TSMISummaryInformation::TSlot TSMISummaryInformation::FindSlot(Cardinal id, TSMISummaryStream stream) {
  if (stream == ssSummaryInformation) {
    switch (id) {
      case 2:
        return &TValues::Title;
      case 3:
        return &TValues::Subject;
      case 4:
        return &TValues::Author;
      case 5:
        return &TValues::Keywords;
      case 6:
        return &TValues::Comments;
      case 7:
        return &TValues::Template;
      case 8:
        return &TValues::LastAuthor;
      case 9:
        return &TValues::RevNumber;
      case 10:
        return &TValues::EditTime;
      case 11:
        return &TValues::LastPrinted;
      case 12:
        return &TValues::Created;
      case 13:
        return &TValues::LastSaved;
      case 14:
        return &TValues::PageCount;
      case 15:
        return &TValues::WordCount;
      case 16:
        return &TValues::CharCount;
      case 18:
        return &TValues::AppName;
    }
    return {};
  }
  switch (id) {
    case 2:
      return &TValues::Category;
    case 3:
      return &TValues::PresentationTarget;
    case 4:
      return &TValues::ByteCount;
    case 5:
      return &TValues::LineCount;
    case 6:
      return &TValues::ParagraphCount;
    case 7:
      return &TValues::SlideCount;
    case 8:
      return &TValues::NoteCount;
    case 9:
      return &TValues::HiddenSlideCount;
    case 10:
      return &TValues::MMClipCount;
    case 14:
      return &TValues::Manager;
    case 15:
      return &TValues::Company;
    case 17:
      return &TValues::CharCount2;
  }
  return {};
}

namespace {

// A property's value in the three forms a property can take, converted as a variant
// of the value's type would be.
AnsiString AsText(const TPropertySetValue& v) {
  if (v.Type == ptInteger) return IntToStr(v.AsInteger);
  if (v.Type == ptFileTime) return DateTimeToStr(FileTimeToDateTime(v.AsFileTime));
  return v.AsString;
}

Integer AsInteger(const TPropertySetValue& v) {
  if (v.Type == ptString) return StrToInt(v.AsString);
  if (v.Type == ptFileTime) return static_cast<Integer>(std::nearbyint(FileTimeToDateTime(v.AsFileTime)));
  return v.AsInteger;
}

TDateTime AsDateTime(const TPropertySetValue& v) {
  if (v.Type == ptString) return StrToDateTime(v.AsString);
  if (v.Type == ptInteger) return v.AsInteger;
  return FileTimeToDateTime(v.AsFileTime);
}

}  // namespace

void TSMISummaryInformation::SetProperty(Cardinal id, const TPropertySetValue& value,
                                         TSMISummaryStream stream) {
  if (value.Type != ptInteger && value.Type != ptString && value.Type != ptFileTime) return;
  std::visit(
      [&](auto slot) {
        using Slot = decltype(slot);
        if constexpr (std::is_same_v<Slot, AnsiString TValues::*>) fValues.*slot = AsText(value);
        if constexpr (std::is_same_v<Slot, Integer TValues::*>) fValues.*slot = AsInteger(value);
        if constexpr (std::is_same_v<Slot, TDateTime TValues::*>) fValues.*slot = AsDateTime(value);
      },
      FindSlot(id, stream));
}

void TSMISummaryInformation::ReadFromStorage(const TCompoundStorage& storage) {
  for (auto [name, stream] :
       {std::pair{&SummaryInformationStreamName, ssSummaryInformation},
        std::pair{&DocumentSummaryInformationStreamName, ssDocumentSummaryInformation}}) {
    std::optional<TCompoundElement> element = storage.FindElement(*name);
    if (!element || element->Type != TCompoundElementType::Stream) continue;
    for (const TPropertySetValue& v : ReadPropertySet(storage.OpenStream(*name)))
      SetProperty(v.Id, v, stream);
  }
}

}  // namespace ordvane
