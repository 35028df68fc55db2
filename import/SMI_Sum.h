#pragma once
// The document properties of a workbook (title, author, dates, counts), read from the two
// property-set streams of a compound workbook.

#include <variant>

#include "classlib/core/CompoundFile.h"
#include "classlib/core/DateTime.h"
#include "classlib/core/Objects.h"
#include "classlib/core/PropertySet.h"

namespace ordvane {

// Which of the two property-set streams a property comes from.
enum TSMISummaryStream { ssSummaryInformation, ssDocumentSummaryInformation };

// The names of the two streams: the character of code 5 followed by the set's name.
extern const WideString SummaryInformationStreamName;
extern const WideString DocumentSummaryInformationStreamName;

// A file time (100-ns intervals since 1 January 1601, UTC) as local time in the process's
// time zone (TZ), with that date's daylight-saving rule, cut to the two-second steps of a
// DOS time; 0 when the local time lies outside the DOS range (1980 to 2107).
TDateTime FileTimeToDateTime(UInt64 fileTime);

class TSMISummaryInformation : public TPersistent {
  ORDVANE_CLASS(TSMISummaryInformation, TPersistent)

 public:
#define ORDVANE_SMI_PROPERTY(Type, Name) \
  Type Name() const {                    \
    return fValues.Name;                 \
  }                                      \
  void Set##Name(Type value) {           \
    fValues.Name = std::move(value);     \
  }
  ORDVANE_SMI_PROPERTY(AnsiString, AppName)
  ORDVANE_SMI_PROPERTY(AnsiString, Author)
  ORDVANE_SMI_PROPERTY(Integer, CharCount)
  ORDVANE_SMI_PROPERTY(AnsiString, Comments)
  ORDVANE_SMI_PROPERTY(TDateTime, Created)
  ORDVANE_SMI_PROPERTY(Integer, EditTime)
  ORDVANE_SMI_PROPERTY(AnsiString, Keywords)
  ORDVANE_SMI_PROPERTY(AnsiString, LastAuthor)
  ORDVANE_SMI_PROPERTY(TDateTime, LastPrinted)
  ORDVANE_SMI_PROPERTY(TDateTime, LastSaved)
  ORDVANE_SMI_PROPERTY(Integer, PageCount)
  ORDVANE_SMI_PROPERTY(AnsiString, RevNumber)
  ORDVANE_SMI_PROPERTY(AnsiString, Subject)
  ORDVANE_SMI_PROPERTY(AnsiString, Template)
  ORDVANE_SMI_PROPERTY(AnsiString, Title)
  ORDVANE_SMI_PROPERTY(Integer, WordCount)
  ORDVANE_SMI_PROPERTY(AnsiString, Category)
  ORDVANE_SMI_PROPERTY(AnsiString, PresentationTarget)
  ORDVANE_SMI_PROPERTY(Integer, ByteCount)
  ORDVANE_SMI_PROPERTY(Integer, LineCount)
  ORDVANE_SMI_PROPERTY(Integer, ParagraphCount)
  ORDVANE_SMI_PROPERTY(Integer, SlideCount)
  ORDVANE_SMI_PROPERTY(Integer, NoteCount)
  ORDVANE_SMI_PROPERTY(Integer, HiddenSlideCount)
  ORDVANE_SMI_PROPERTY(Integer, MMClipCount)
  ORDVANE_SMI_PROPERTY(AnsiString, Manager)
  ORDVANE_SMI_PROPERTY(AnsiString, Company)
  ORDVANE_SMI_PROPERTY(Integer, CharCount2)
#undef ORDVANE_SMI_PROPERTY

  void Assign(const TPersistent* source) override;
  // Every string empty, every number and date 0.
  void Clear() {
    fValues = {};
  }

  // Sets the property that the identifier names in that stream; other identifiers are
  // ignored. A string property takes the value's text, a number its integer, a date its
  // date-time; a text that is no number or date raises EConvertError.
  void SetProperty(Cardinal id, const TPropertySetValue& value, TSMISummaryStream stream);

  // Reads both property-set streams of a compound workbook's root storage, where present.
  // A damaged stream raises EReadError (or ECompoundFileError); the properties read before
  // it are kept.
  void ReadFromStorage(const TCompoundStorage& storage);

 private:
  struct TValues {
    AnsiString AppName, Author, Comments, Keywords, LastAuthor, RevNumber, Subject, Template, Title, Category,
        PresentationTarget, Manager, Company;
    Integer CharCount = 0, EditTime = 0, PageCount = 0, WordCount = 0, ByteCount = 0, LineCount = 0,
            ParagraphCount = 0, SlideCount = 0, NoteCount = 0, HiddenSlideCount = 0, MMClipCount = 0,
            CharCount2 = 0;
    TDateTime Created = 0, LastPrinted = 0, LastSaved = 0;
  };
  using TSlot = std::variant<std::monostate, AnsiString TValues::*, Integer TValues::*, TDateTime TValues::*>;
  // The property that an identifier of a stream names, or none.
  static TSlot FindSlot(Cardinal id, TSMISummaryStream stream);

  TValues fValues;
};

}  // namespace ordvane
