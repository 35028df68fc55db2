// The record cache against a model: a vector of record images, a logical order and the
// previous versions, driven by 10 000 seeded random operations in each mode (with and
// without the log), a fetch's appends among them. Every image the cache composes is
// compared byte for byte with the model's, so the string areas, their zero bytes and the
// bytes a read must leave alone are all checked; every operation with a number outside
// the records must raise and change nothing.

#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <cstring>
#include <map>
#include <numeric>
#include <optional>
#include <random>

#include "datasets/FIBCacheManage.h"

namespace ordvane::test {
namespace {

using Bytes = std::vector<Byte>;

// Fixed part 9 bytes, three slots (the middle one binary), tail 6 bytes.
constexpr Integer Fixed = 9;
constexpr Integer Tail = 6;
constexpr std::array<Integer, 3> SlotSizes{13, 20, 1};
constexpr int BinarySlot = 1;

struct Layout {
  std::array<Integer, SlotSizes.size()> offsets{};
  Integer tailOffset = 0;
  Integer fullSize = 0;
  constexpr Layout() {
    Integer at = Fixed;
    for (std::size_t slot = 0; slot < SlotSizes.size(); ++slot) {
      offsets[slot] = at;
      at += 4 + SlotSizes[slot];
    }
    tailOffset = at;
    fullSize = at + Tail;
  }
};
constexpr Layout layout;

struct Image {
  Bytes fixed = Bytes(Fixed, 0);
  Bytes tail = Bytes(Tail, 0);
  std::vector<std::string> strings = std::vector<std::string>(SlotSizes.size());
  bool operator==(const Image&) const = default;
};

void Compose(const Image& image, Bytes& dest) {
  std::copy(image.fixed.begin(), image.fixed.end(), dest.begin());
  for (std::size_t slot = 0; slot < SlotSizes.size(); ++slot) {
    const std::string& text = image.strings[slot];
    Byte* at = dest.data() + layout.offsets[slot];
    const auto length = static_cast<Integer>(text.size());
    std::memcpy(at, &length, 4);
    std::memcpy(at + 4, text.data(), text.size());
    if (length < SlotSizes[slot]) at[4 + length] = 0;
  }
  std::copy(image.tail.begin(), image.tail.end(), dest.begin() + layout.tailOffset);
}

Image Decompose(const Bytes& source) {
  Image image;
  std::copy_n(source.begin(), Fixed, image.fixed.begin());
  std::copy_n(source.begin() + layout.tailOffset, Tail, image.tail.begin());
  for (std::size_t slot = 0; slot < SlotSizes.size(); ++slot) {
    Integer length;
    std::memcpy(&length, source.data() + layout.offsets[slot], 4);
    length = std::clamp(length, 0, SlotSizes[slot]);
    image.strings[slot].assign(reinterpret_cast<const char*>(source.data() + layout.offsets[slot] + 4),
                               static_cast<std::size_t>(length));
  }
  return image;
}

std::string StripBlanks(std::string text, bool controlsToo) {
  while (!text.empty() && (text.back() == ' ' || (controlsToo && static_cast<Byte>(text.back()) < 33)))
    text.pop_back();
  return text;
}

class Model {
 public:
  explicit Model(bool logMode) : logMode(logMode) {}

  Integer Count() const { return static_cast<Integer>(images.size()); }
  bool ValidRecord(Integer n) const { return n >= 1 && n <= Count(); }
  Integer Physical(Integer n) const { return order[static_cast<std::size_t>(n - 1)]; }
  Image& At(Integer p) { return images[static_cast<std::size_t>(p - 1)]; }

  void GrowTo(Integer n) {
    while (Count() < n) {
      images.emplace_back();
      order.push_back(Count());
    }
  }
  const Image& OldVersion(Integer p) {
    const auto logged = log.find(p);
    return logged != log.end() ? logged->second : At(p);
  }
  void Ones() { std::fill(scratch.begin(), scratch.end(), Byte{1}); }
  void SaveOld(Integer p) {
    if (logMode) {
      log[p] = At(p);
      return;
    }
    if (p > Count())
      Ones();
    else
      Compose(At(p), scratch);
    scratchNo = p;
  }
  const Bytes& GetOld(Integer p) {
    if (p > Count()) {
      Ones();
      scratchNo = logMode ? -1 : p;
    } else if (logMode) {
      Compose(OldVersion(p), scratch);
    } else if (p != scratchNo) {
      SaveOld(p);
    }
    return scratch;
  }

  bool logMode;
  std::vector<Image> images;  // by physical number - 1
  std::vector<Integer> order;  // by logical position: physical numbers
  std::map<Integer, Image> log;
  Bytes scratch = Bytes(static_cast<std::size_t>(layout.fullSize), 1);
  Integer scratchNo = -1;
};

class CacheModelRun {
 public:
  explicit CacheModelRun(bool logMode) : fModel(logMode), fCache(4, layout.fullSize, Fixed + Tail, 3) {
    for (std::size_t slot = 0; slot < SlotSizes.size(); ++slot)
      fCache.SetStringSlot(static_cast<Integer>(slot) + 1, layout.offsets[slot], SlotSizes[slot],
                           static_cast<int>(slot) == BinarySlot);
    fCache.SetLogMode(logMode);
  }

  void Run(int operations) {
    for (int step = 0; step < operations; ++step) {
      SCOPED_TRACE("step " + std::to_string(step));
      Step();
      if (step % 499 == 0) CheckAll();
      if (testing::Test::HasFailure()) return;
    }
    CheckAll();
  }

 private:
  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(fRandom); }
  // A record number or position around the valid range, sometimes far outside it.
  Integer Number(Integer low, Integer high) {
    if (Pick(0, 19) == 0) return Pick(0, 1) ? -Pick(1, 1000) : high + Pick(1, 1000);
    return Pick(low - 1, high + 1);
  }
  std::string Text(Integer size) {
    const int length = std::max(0, static_cast<int>(size) + Pick(-4, 4) - (Pick(0, 3) == 0 ? size : 0));
    std::string text(static_cast<std::size_t>(length), ' ');
    for (char& ch : text) {
      const int kind = Pick(0, 9);
      ch = kind == 0 ? ' ' : kind == 1 ? static_cast<char>(Pick(0, 32)) : static_cast<char>(Pick(33, 255));
    }
    return text;
  }
  Bytes RandomImage() {
    Bytes bytes(static_cast<std::size_t>(layout.fullSize));
    for (Byte& b : bytes) b = static_cast<Byte>(Pick(0, 255));
    for (std::size_t slot = 0; slot < SlotSizes.size(); ++slot) {
      const int choice = Pick(0, 5);
      const Integer length = choice == 0   ? -Pick(1, 1 << 30)
                             : choice == 1 ? SlotSizes[slot] + Pick(1, 1 << 30)
                                           : Pick(0, SlotSizes[slot]);
      std::memcpy(bytes.data() + layout.offsets[slot], &length, 4);
    }
    return bytes;
  }

  // The model stays as it is; the reads that follow show that the cache did too.
  template <class Operation>
  void ExpectRefused(Operation&& operation) {
    EXPECT_THROW(operation(), EMemManagerError);
    EXPECT_EQ(fCache.RecordCount(), fModel.Count());
  }

  void CheckRecord(Integer n, bool fromLog) {
    Bytes actual(static_cast<std::size_t>(layout.fullSize), 0xCC);
    Bytes expected = actual;
    fCache.ReadRecord(n, actual.data(), fromLog);
    const Integer p = fModel.Physical(n);
    Compose(fromLog ? fModel.OldVersion(p) : fModel.At(p), expected);
    ASSERT_EQ(actual, expected) << "record " << n << (fromLog ? " from the log" : "");
    EXPECT_EQ(fCache.GetPhysicalNo(n), p);
    EXPECT_EQ(fCache.GetIndexOfPhysical(p), n - 1);
  }

  void CheckAll() {
    ASSERT_EQ(fCache.RecordCount(), fModel.Count());
    for (Integer n = 1; n <= fModel.Count(); ++n) {
      CheckRecord(n, false);
      CheckRecord(n, true);
    }
  }

  // A shuffle of positions 0 .. n - 1 for a random n; now and then one position twice, or
  // n past the records, which the cache refuses.
  void Reorder(Integer count) {
    const Integer n = Pick(0, 4) == 0 ? count + Pick(1, 3) : Pick(0, count);
    std::vector<Integer> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), fRandom);
    if (n > count) return ExpectRefused([&] { fCache.ReorderRecords(order); });
    if (n > 1 && Pick(0, 4) == 0) {
      order[0] = order[1];
      return ExpectRefused([&] { fCache.ReorderRecords(order); });
    }
    fCache.ReorderRecords(order);
    const std::vector<Integer> before = fModel.order;
    for (std::size_t i = 0; i < order.size(); ++i)
      fModel.order[i] = before[static_cast<std::size_t>(order[i])];
  }

  void Step() {
    const Integer count = fModel.Count();
    switch (Pick(0, 13)) {
      case 0: {  // reserve, a few records past the end at most (far reservations: below)
        const Integer n = std::min(Number(1, count + 3), count + 3);
        if (n < 1) return ExpectRefused([&] { fCache.ReserveRecord(n); });
        Byte* place = fCache.ReserveRecord(n);
        fModel.GrowTo(n);
        EXPECT_EQ(place, fCache.GetRecordPtr(n));
        return;
      }
      case 1:
      case 2: {  // write an image, with or without allocating
        const Integer n = Number(1, count + 2);
        const bool allocate = Pick(0, 1) == 1;
        const bool zero = Pick(0, 9) == 0;
        const Bytes source = RandomImage();
        if (n < 1 || (!allocate && n > count))
          return ExpectRefused([&] { fCache.WriteRecord(n, zero ? nullptr : source.data(), allocate); });
        fCache.WriteRecord(n, zero ? nullptr : source.data(), allocate);
        fModel.GrowTo(n);
        fModel.At(fModel.Physical(n)) = zero ? Image{} : Decompose(source);
        return;
      }
      case 3: {  // read the main or the log version
        const Integer n = Number(1, count);
        Bytes dest(static_cast<std::size_t>(layout.fullSize));
        if (!fModel.ValidRecord(n)) return ExpectRefused([&] { fCache.ReadRecord(n, dest.data(), Pick(0, 1)); });
        return CheckRecord(n, Pick(0, 1) == 1);
      }
      case 4: {  // insert
        const Integer position = Number(0, count);
        if (position < 0 || position > count) return ExpectRefused([&] { fCache.InsertRecord(position); });
        fCache.InsertRecord(position);
        // A third of the inserts are taken back, as a refused post does; only the newest
        // record at its own position can be.
        if (Pick(0, 2) == 0) {
          if (count > 0) {
            EXPECT_THROW(fCache.RemoveNewestRecord(position == 0 ? 1 : 0), EMemManagerError);
          }
          return fCache.RemoveNewestRecord(position);
        }
        fModel.images.emplace_back();
        fModel.order.insert(fModel.order.begin() + position, fModel.Count());
        return;
      }
      case 5: {  // move
        const Integer from = Number(0, count - 1), to = Number(0, count - 1);
        if (from < 0 || to < 0 || from >= count || to >= count)
          return ExpectRefused([&] { fCache.MoveRecord(from, to); });
        fCache.MoveRecord(from, to);
        const Integer moved = fModel.order[static_cast<std::size_t>(from)];
        fModel.order.erase(fModel.order.begin() + from);
        fModel.order.insert(fModel.order.begin() + to, moved);
        return;
      }
      case 6: {  // swap, or reorder the first records as a sort does
        if (Pick(0, 1) == 0) return Reorder(count);
        const Integer a = Number(0, count - 1), b = Number(0, count - 1);
        if (a < 0 || b < 0 || a >= count || b >= count) return ExpectRefused([&] { fCache.SwapRecords(a, b); });
        fCache.SwapRecords(a, b);
        std::swap(fModel.order[static_cast<std::size_t>(a)], fModel.order[static_cast<std::size_t>(b)]);
        return;
      }
      case 7: {  // keep the previous version
        const Integer p = Number(1, count + 1);
        if (p < 1 || (fModel.logMode && p > count)) return ExpectRefused([&] { fCache.SaveOldBuffer(p); });
        fCache.SaveOldBuffer(p);
        fModel.SaveOld(p);
        return;
      }
      case 8: {  // read the previous version
        const Integer p = Number(1, count + 1);
        if (p < 1) return ExpectRefused([&] { fCache.GetOldBuffer(p); });
        const Byte* old = fCache.GetOldBuffer(p);
        const Bytes& expected = fModel.GetOld(p);
        ASSERT_EQ(Bytes(old, old + layout.fullSize), expected) << "old version of " << p;
        return;
      }
      case 9: {  // revert
        const Integer n = Number(1, count);
        if (!fModel.ValidRecord(n)) return ExpectRefused([&] { fCache.RevertRecord(n); });
        fCache.RevertRecord(n);
        const Integer p = fModel.Physical(n);
        fModel.At(p) = Decompose(fModel.GetOld(p));
        return;
      }
      case 10:
        if (Pick(0, 4) != 0) return;
        fCache.ClearLog();
        fModel.log.clear();
        return;
      case 11: {  // a string value
        const Integer slot = Pick(-1, 3), index = Number(0, count - 1);
        const std::string value = Text(slot >= 0 && slot < 3 ? SlotSizes[static_cast<std::size_t>(slot)] : 5);
        if (slot < 0 || slot > 2 || index < 0 || index >= count)
          return ExpectRefused([&] { fCache.WriteStringValue(slot, index, value); });
        fCache.WriteStringValue(slot, index, value);
        const auto size = static_cast<std::size_t>(SlotSizes[static_cast<std::size_t>(slot)]);
        std::string& cell = fModel.images[static_cast<std::size_t>(index)].strings[static_cast<std::size_t>(slot)];
        cell = slot == BinarySlot ? value.substr(0, size)
               : value.size() > size ? StripBlanks(value.substr(0, size), true)
                                     : StripBlanks(value, false);
        EXPECT_EQ(fCache.GetStringValue(index, slot), cell);
        return;
      }
      case 13: {  // a fetch's append: only the record right after the last one, composed in place
        const Integer n = std::min(Number(count + 1, count + 1), count + 2);
        if (n != count + 1) return ExpectRefused([&] { fCache.AppendRecord(n); });
        Byte* stored = fCache.AppendRecord(n);
        fModel.GrowTo(n);
        Image& image = fModel.At(n);
        for (std::size_t i = 0; i < static_cast<std::size_t>(Fixed); ++i)
          stored[i] = image.fixed[i] = static_cast<Byte>(Pick(0, 255));
        for (std::size_t slot = 0; slot < SlotSizes.size(); ++slot) {
          image.strings[slot] = Text(SlotSizes[slot]).substr(0, static_cast<std::size_t>(SlotSizes[slot]));
          fCache.WriteAppendedText(static_cast<Integer>(slot), image.strings[slot]);
        }
        Bytes shown(static_cast<std::size_t>(layout.fullSize), 0xCC);
        Bytes expected = shown;
        fCache.ReadAppendedRecord(stored, shown.data());
        Compose(image, expected);
        ASSERT_EQ(shown, expected) << "appended record " << n;
        return;
      }
      default: {  // characters of a length
        const Integer slot = Pick(0, 2), index = Number(0, count - 1);
        const Integer size = SlotSizes[static_cast<std::size_t>(slot)];
        const std::string chars = Text(size) + std::string(static_cast<std::size_t>(size) + 8, 'x');
        const std::string before = chars;
        const Integer length = Pick(0, 3) == 0 ? -Pick(1, 100) : Pick(0, size + 4);
        const bool trim = Pick(0, 1) == 1;
        if (index < 0 || index >= count)
          return ExpectRefused([&] { fCache.WriteStringBuffer(slot, index, trim, length, chars.data()); });
        fCache.WriteStringBuffer(slot, index, trim, length, chars.data());
        EXPECT_EQ(chars, before);
        const auto taken = static_cast<std::size_t>(std::clamp(length < 0 ? size : length, 0, size));
        std::string value = chars.substr(0, taken);
        if (trim && slot != BinarySlot) value = StripBlanks(value, false);
        fModel.images[static_cast<std::size_t>(index)].strings[static_cast<std::size_t>(slot)] = value;
        return;
      }
    }
  }

  Model fModel;
  TRecordsCache fCache;
  std::mt19937 fRandom{20240613};
};

TEST(RecordsCache, AgreesWithTheModelWithoutLog) {
  CacheModelRun(false).Run(10000);
}

TEST(RecordsCache, AgreesWithTheModelWithLog) {
  CacheModelRun(true).Run(10000);
}

// Texts far longer than the model's: some take room of their own, and every record's text
// is rewritten longer and shorter while the others must keep theirs.
TEST(RecordsCache, LongTextsRewrittenInPlaceAndMovedKeepEveryValue) {
  constexpr Integer SlotSize = 20000, FixedPart = 8, Records = 60;
  TRecordsCache cache(32, FixedPart + 4 + SlotSize, FixedPart, 1);
  cache.SetStringSlot(1, FixedPart, SlotSize);
  cache.ReserveRecord(Records);
  std::vector<std::string> expected(Records);
  const auto write = [&](Integer index, std::size_t length, char fill) {
    expected[static_cast<std::size_t>(index)] = std::string(length, fill) + "|" + std::to_string(index);
    const std::string& text = expected[static_cast<std::size_t>(index)];
    cache.WriteStringBuffer(0, index, false, static_cast<Integer>(text.size()), text.data());
  };
  const std::size_t lengths[] = {0, 7, 9000, SlotSize - 6, 300, 40000};
  for (Integer i = 0; i < Records; ++i) write(i, std::min<std::size_t>(lengths[i % 6], SlotSize - 6), 'a');
  for (Integer i = 0; i < Records; i += 3) write(i, std::min<std::size_t>(lengths[(i + 2) % 6], SlotSize - 6), 'b');
  for (Integer i = 0; i < Records; i += 2) write(i, std::min<std::size_t>(lengths[(i + 1) % 6], SlotSize - 6), 'c');
  for (Integer i = 0; i < Records; ++i) ASSERT_EQ(cache.GetStringValue(i, 0), expected[static_cast<std::size_t>(i)]) << i;
  Bytes image(FixedPart + 4 + SlotSize);
  cache.ReadRecord(4, image.data(), false);
  Integer length = 0;
  std::memcpy(&length, image.data() + FixedPart, 4);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(image.data()) + FixedPart + 4, static_cast<std::size_t>(length)),
            expected[3]);
}

// A text's room and length lie before it in as many bytes as the room needs: texts at each
// width's edges, rewritten to every other length (one that outgrows its room moves), keep
// their value in the table, in the composed image and in the log's copy of the first.
TEST(RecordsCache, TextsAtEveryRoomWidthRewrittenToEveryOtherLength) {
  constexpr Integer SlotSize = 20000, FixedPart = 4;
  const std::vector<std::size_t> lengths{0, 1, 127, 128, 129, 16383, 16384, SlotSize};
  const auto count = static_cast<Integer>(lengths.size());
  TRecordsCache cache(8, FixedPart + 4 + SlotSize, FixedPart, 1);
  cache.SetStringSlot(1, FixedPart, SlotSize);
  cache.SetLogMode(true);
  cache.ReserveRecord(count * count);
  const auto textOf = [](std::size_t length, Integer seed) {
    std::string text(length, ' ');
    for (std::size_t at = 0; at < length; ++at) text[at] = static_cast<char>('a' + (at * 7 + static_cast<std::size_t>(seed)) % 26);
    return text;
  };
  const auto write = [&](Integer index, const std::string& text) {
    cache.WriteStringBuffer(0, index, false, static_cast<Integer>(text.size()), text.data());
  };
  const auto composed = [&](Integer recordNo, bool fromLog) {
    Bytes image(FixedPart + 4 + SlotSize);
    cache.ReadRecord(recordNo, image.data(), fromLog);
    Integer length = 0;
    std::memcpy(&length, image.data() + FixedPart, 4);
    return std::string(reinterpret_cast<const char*>(image.data()) + FixedPart + 4, static_cast<std::size_t>(length));
  };
  for (Integer index = 0; index < count * count; ++index) {
    const std::string first = textOf(lengths[static_cast<std::size_t>(index / count)], index);
    const std::string second = textOf(lengths[static_cast<std::size_t>(index % count)], index + 1);
    write(index, first);
    cache.SaveOldBuffer(index + 1);
    write(index, second);
    ASSERT_EQ(cache.GetStringValue(index, 0), second) << index;
    ASSERT_EQ(composed(index + 1, false), second) << index;
    ASSERT_EQ(composed(index + 1, true), first) << index;
  }
  // No text moved over another's characters.
  for (Integer index = 0; index < count * count; ++index)
    ASSERT_EQ(composed(index + 1, false), textOf(lengths[static_cast<std::size_t>(index % count)], index + 1)) << index;
}

TEST(RecordsCache, BlockSizes) {
  struct Case {
    Integer chunks, full, record, blockSize, perBlock;
  };
  for (const Case& c : {Case{32, 100, 100, 3200, 32}, Case{32, 30, 10, 1050, 105}, Case{0, 1024, 1024, 2048, 2}}) {
    const TRecordsCache cache(c.chunks, c.full, c.record, 0);
    EXPECT_EQ(cache.BlockSize(), c.blockSize);
    EXPECT_EQ(cache.RecordsPerBlock(), c.perBlock);
  }
  struct Refused {
    Integer chunks, full, record;
  };
  // A block smaller than a record, a block above 2 GiB (computed in 64 bits), an image
  // smaller than its record, no record at all.
  for (const Refused& c : {Refused{0, 100, 2000}, Refused{30000, 100000, 100000}, Refused{32, 50, 100},
                           Refused{32, 0, 0}}) {
    try {
      TRecordsCache cache(c.chunks, c.full, c.record, 0);
      ADD_FAILURE() << c.chunks << "/" << c.full << "/" << c.record << " was accepted";
    } catch (const EMemManagerError& e) {
      EXPECT_STREQ(e.what(), "Incompatible Sizes");
    }
  }
}

TEST(RecordsCache, MessagesAndReservation) {
  TRecordsCache cache(2, 30, 10, 1);
  cache.SetStringSlot(1, 6, 16);
  auto message = [](auto&& operation) {
    try {
      operation();
    } catch (const EMemManagerError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  Bytes image(30, 0);
  EXPECT_EQ(message([&] { cache.GetRecordPtr(1); }), "Can't read Buffer.Incorrect RecordNo");
  EXPECT_EQ(message([&] { cache.ReadRecord(1, image.data(), false); }), "Can't read Buffer.Incorrect RecordNo");
  EXPECT_EQ(message([&] { cache.WriteRecord(1, image.data(), false); }), "Can't write to Buffer.Incorrect RecordNo");
  EXPECT_EQ(message([&] { cache.GetStringValue(0, 0); }), "Can't read FieldData .Incorrect RecordNo");
  // Record 250 lies in the third block (105 per block): the two before it come too.
  Byte* place = cache.ReserveRecord(250);
  EXPECT_EQ(cache.BlockCount(), 3);
  EXPECT_EQ(place, cache.GetRecordPtr(250));
  EXPECT_EQ(cache.GetRecordPtr(1) + std::ptrdiff_t{104} * 10, cache.GetRecordPtr(105));
  EXPECT_EQ(message([&] { cache.GetRecordPtr(251); }), "Can't read Buffer.Incorrect RecordNo");
  Byte* record = nullptr;
  EXPECT_EQ(message([&] { cache.GetFieldDataPtr(1, 10, record); }), "Can't read FieldData .Incorrect RecordNo");
  // Beyond the records, the previous version is bytes of value 1.
  const Byte* old = cache.GetOldBuffer(251);
  EXPECT_EQ(Bytes(old, old + 30), Bytes(30, 1));
  // A slot whose area does not end where the tail begins is refused at the first read.
  TRecordsCache gap(2, 30, 10, 1);
  gap.SetStringSlot(1, 6, 15);
  gap.ReserveRecord(1);
  EXPECT_EQ(message([&] { gap.ReadRecord(1, image.data(), false); }), "Incompatible Sizes");
}

// Records, cells and texts share their chunks: across a few hundred chunks, with texts of
// every length (some above a shared chunk's share, which take their own) between the
// records' blocks, each record keeps its own value and text.
TEST(RecordsCache, ManyChunksOfRecordsAndTextsKeepEveryValue) {
  constexpr Integer SlotSize = 9000, FixedPart = 8, Records = 50000;
  TRecordsCache cache(32, FixedPart + 4 + SlotSize, FixedPart, 1);
  cache.SetStringSlot(1, FixedPart, SlotSize);
  // Written from a buffer of its own, so the check allocates nothing per record.
  std::array<char, SlotSize> text{};
  const auto textOf = [&text](Integer record) {
    const auto length = static_cast<std::size_t>(record % 97 == 0 ? SlotSize - record % 5 : record % 300 + 9);
    std::fill_n(text.data(), length, static_cast<char>('a' + record % 26));
    std::to_chars(text.data(), text.data() + 8, 10000000 + record);
    return std::string_view(text.data(), length);
  };
  for (Integer i = 1; i <= Records; ++i) {
    std::memcpy(cache.ReserveRecord(i), &i, sizeof i);
    const std::string_view value = textOf(i);
    cache.WriteStringBuffer(0, i - 1, false, static_cast<Integer>(value.size()), value.data());
  }
  for (Integer i = 1; i <= Records; ++i) {
    Integer stored = 0;
    std::memcpy(&stored, cache.GetRecordPtr(i), sizeof stored);
    ASSERT_EQ(stored, i);
    ASSERT_EQ(cache.GetStringValue(i - 1, 0), textOf(i)) << i;
  }
}

}  // namespace
}  // namespace ordvane::test
