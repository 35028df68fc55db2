#include "import/SMXLSStrings.h"

#include <algorithm>
#include <string_view>

#include "classlib/core/CodePages.h"

namespace ordvane {

const char* const ContinueNotFoundMessage = "CONTINUE record is not found in the stream";

Cardinal CodePageFromRecord(Word value) {
  switch (value) {
    case 367:    // US-ASCII
    case 32769:  // Windows-1252 as Excel 2 to 4 named it
      return CP_WIN1252;
    case 32768:  // Mac Roman
      return 10000;
    default:
      return value;
  }
}

namespace {

// The 8-bit characters of BIFF8 text are the low bytes of UTF-16.
const TCodePageDecoder& Latin1() {
  static const TCodePageDecoder decoder(CP_LATIN1);
  return decoder;
}

}  // namespace

// ---- TBIFFTextEncoding ------------------------------------------------------------------

void TBIFFTextEncoding::SetCodePage(Cardinal codePage) {
  try {
    fDecoder.emplace(codePage);
  } catch (const EConvertError& error) {
    fUndecodable = error.Message();  // the failed emplace left no decoder
    throw;
  }
}

const TCodePageDecoder& TBIFFTextEncoding::Decoder() const {
  if (!fDecoder) throw EConvertError(fUndecodable);
  return *fDecoder;
}

// ---- TBIFFTextReader --------------------------------------------------------------------

TBIFFTextReader::TBIFFTextReader(std::span<const std::span<const Byte>> segments, AnsiString exhausted)
    : fSegments(segments), fExhausted(std::move(exhausted)) {}

void TBIFFTextReader::Exhausted() const {
  throw EXLSError(fExhausted);
}

void TBIFFTextReader::TextRunsOut() {
  if (!fCutTextAtTheEnd) Exhausted();
  fTextCut = true;
}

std::size_t TBIFFTextReader::Available() {
  while (fSegment < fSegments.size() && fOffset == fSegments[fSegment].size()) {
    ++fSegment;
    fOffset = 0;
  }
  return fSegment < fSegments.size() ? fSegments[fSegment].size() - fOffset : 0;
}

bool TBIFFTextReader::AtEnd() {
  return Available() == 0;
}

std::size_t TBIFFTextReader::Remaining() const {
  std::size_t total = 0;
  for (const auto& segment : fSegments) total += segment.size();
  return total - Consumed();
}

std::size_t TBIFFTextReader::Consumed() const {
  std::size_t total = fOffset;
  for (std::size_t i = 0; i < fSegment && i < fSegments.size(); ++i) total += fSegments[i].size();
  return total;
}

std::span<const Byte> TBIFFTextReader::Take(std::size_t count) {
  if (Available() < count) Exhausted();
  const auto bytes = fSegments[fSegment].subspan(fOffset, count);
  fOffset += count;
  return bytes;
}

Byte TBIFFTextReader::U8() {
  return Take(1)[0];
}

Word TBIFFTextReader::U16() {
  const Byte low = U8();
  return static_cast<Word>(low | U8() << 8);
}

Cardinal TBIFFTextReader::U32() {
  const Word low = U16();
  return low | static_cast<Cardinal>(U16()) << 16;
}

void TBIFFTextReader::Skip(std::size_t count) {
  while (count > 0) {
    const std::size_t step = std::min(count, Available());
    if (step == 0) Exhausted();
    fOffset += step;
    count -= step;
  }
}

WideString TBIFFTextReader::Characters(std::size_t count, bool wide, const TCodePageDecoder& decoder) {
  WideString text;
  text.reserve(count);
  // Counted in units read, not in text: a double-byte code page makes fewer characters.
  std::size_t taken = 0;
  while (taken < count) {
    if (fSegment >= fSegments.size()) {
      TextRunsOut();
      break;
    }
    const std::size_t left = fSegments[fSegment].size() - fOffset;
    if (left == 0) {
      // The characters go on in the next segment, which starts with a new option byte.
      ++fSegment;
      fOffset = 0;
      if (fSegment >= fSegments.size() || fSegments[fSegment].empty()) {
        TextRunsOut();
        break;
      }
      wide = (fSegments[fSegment][fOffset++] & 0x01) != 0;
      continue;
    }
    const std::size_t width = wide ? 2 : 1;
    const std::size_t n = std::min(count - taken, left / width);
    if (n == 0) {  // half a 16-bit character at the end of a segment
      TextRunsOut();
      break;
    }
    const auto bytes = fSegments[fSegment].subspan(fOffset, n * width);
    fOffset += n * width;
    taken += n;
    if (wide) {
      for (std::size_t i = 0; i < bytes.size(); i += 2)
        text += static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
    } else if (decoder.CodePage() == CP_LATIN1) {
      text.append(bytes.begin(), bytes.end());  // byte n is U+00nn: nothing to look up
    } else {
      text += decoder.Decode(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
  }
  return text;
}

WideString TBIFFTextReader::UnicodeString(std::size_t count, Byte options) {
  const std::size_t runs = options & 0x08 ? U16() : 0;
  const std::size_t phonetic = options & 0x04 ? U32() : 0;
  WideString text = Characters(count, (options & 0x01) != 0, Latin1());
  if (fTextCut) return text;  // the runs and phonetic text would lie beyond the end
  Skip(runs * 4);
  Skip(phonetic);
  return text;
}

WideString TBIFFTextReader::String(bool wideCount, const TBIFFTextEncoding& encoding) {
  const std::size_t count = wideCount ? U16() : U8();
  if (!encoding.Unicode()) return Characters(count, false, encoding.Decoder());
  return UnicodeString(count, U8());
}

// ---- strings in records -----------------------------------------------------------------

WideString ReadRecordString(const TBIFFData& data, std::size_t& offset, bool wideCount,
                            const TBIFFTextEncoding& encoding) {
  const std::span<const Byte> segment[] = {data.Bytes().subspan(std::min(offset, data.Size()))};
  TBIFFTextReader reader(segment, DamagedRecordMessage(data.RecordId()));
  WideString text = reader.String(wideCount, encoding);
  offset += reader.Consumed();
  return text;
}

WideString ReadRecordCharacters(const TBIFFData& data, std::size_t offset, std::size_t count,
                                const TBIFFTextEncoding& encoding) {
  const std::span<const Byte> segment[] = {data.Bytes().subspan(std::min(offset, data.Size()))};
  TBIFFTextReader reader(segment, DamagedRecordMessage(data.RecordId()));
  if (!encoding.Unicode()) return reader.Characters(count, false, encoding.Decoder());
  return reader.UnicodeString(count, reader.U8());
}

TRecordText ReadRecordTextHeld(const TBIFFData& data, std::size_t offset, bool wideCount,
                               const TBIFFTextEncoding& encoding) {
  const std::span<const Byte> segment[] = {data.Bytes().subspan(std::min(offset, data.Size()))};
  TBIFFTextReader reader(segment, DamagedRecordMessage(data.RecordId()));
  reader.CutTextAtTheEnd();
  TRecordText text{reader.String(wideCount, encoding)};
  text.Whole = !reader.TextCut();
  return text;
}

void ReadSharedStrings(TBIFFTextReader& reader, Cardinal count, const std::function<void(WideString)>& add) {
  for (Cardinal i = 0; i < count; ++i) {
    const std::size_t characters = reader.U16();
    const Byte options = reader.U8();
    if (options > 0x01 && (options & 0x0C) == 0)
      throw EXLSError(Format("String in SST (Options byte is 0x%.2x) can not be processed.", {options}));
    add(reader.UnicodeString(characters, options));
  }
}

}  // namespace ordvane
