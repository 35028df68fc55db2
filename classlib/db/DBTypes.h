#pragma once
// The types of the dataset framework: states, data events, record-buffer protocol
// answers, field kinds and types, option sets, and the framework's error.
//
// The numeric values of the enumerations are relied on (stored, compared, passed through
// the record buffers of the datasets), so every member keeps its place.

#include <cstdint>

#include "classlib/core/Components.h"
#include "classlib/core/SysUtils.h"
#include "classlib/core/System.h"

namespace ordvane {

using NativeInt = std::intptr_t;

enum TDataSetState {
  dsInactive,
  dsBrowse,
  dsEdit,
  dsInsert,
  dsSetKey,
  dsCalcFields,
  dsFilter,
  dsNewValue,
  dsOldValue,
  dsCurValue,
  dsBlockRead,
  dsInternalCalc,
  dsOpening
};

enum TDataEvent {
  deFieldChange,
  deRecordChange,
  deDataSetChange,
  deDataSetScroll,
  deLayoutChange,
  deUpdateRecord,
  deUpdateState,
  deCheckBrowseMode,
  dePropertyChange,
  deFieldListChange,
  deFocusControl,
  deParentScroll,
  deConnectChange,
  deReconcileError,
  deDisabledStateChange
};

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
enum TBookmarkFlag { bfCurrent = 0, bfBOF = 1, bfEOF = 2, bfInserted = 3 };

enum TResyncModeItem { rmExact, rmCenter };
using TResyncMode = TSet<TResyncModeItem>;

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };

enum TFieldType {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,
  ftParadoxOle,
  ftDBaseOle,
  ftTypedBinary,
  ftCursor,
  ftFixedChar,
  ftWideString,
  ftLargeint,
  ftADT,
  ftArray,
  ftReference,
  ftDataSet,
  ftOraBlob,
  ftOraClob,
  ftVariant,
  ftInterface,
  ftIDispatch,
  ftGuid,
  ftTimeStamp,
  ftFMTBcd
};
constexpr int FieldTypeCount = ftFMTBcd + 1;

// The type's name as messages spell it ("String", "Integer", "LargeInt").
const char* FieldTypeName(TFieldType type);
// Whether values of the type are text: ftString, ftFixedChar, ftWideString, ftMemo,
// ftFmtMemo, ftGuid.
bool IsTextFieldType(TFieldType type);

enum TLocateOption { loCaseInsensitive, loPartialKey };
using TLocateOptions = TSet<TLocateOption>;

enum TFilterOption { foCaseInsensitive, foNoPartialCompare };
using TFilterOptions = TSet<TFilterOption>;

enum TUpdateStatus { usUnmodified, usModified, usInserted, usDeleted };
enum TUpdateKind { ukModify, ukInsert, ukDelete };
enum TDataAction { daFail, daAbort, daRetry };
enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

// A record buffer belongs to the dataset that allocated it; the framework only keeps,
// moves and hands back the pointers and never looks inside.
using TRecordBuffer = Byte*;

// A bookmark is an opaque byte string of the dataset's BookmarkSize; empty means none.
using TBookmark = RawByteString;
using TBookmarkStr = RawByteString;

ORDVANE_DECLARE_EXCEPTION(EDatabaseError, Exception);

// Raise EDatabaseError with the message, prefixed by "<name>: " when a named component is
// given (the dataset or field the error is about).
[[noreturn]] void DatabaseError(const AnsiString& message, const TComponent* component = nullptr);
[[noreturn]] void DatabaseErrorFmt(const AnsiString& format, std::initializer_list<TVarRec> args,
                                   const TComponent* component = nullptr);

}  // namespace ordvane
