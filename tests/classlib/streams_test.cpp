#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>

#include "classlib/core/CodePages.h"
#include "classlib/core/FileUtils.h"
#include "classlib/core/StringLists.h"
#include "tests/classlib/Support.h"

namespace ordvane {
namespace {

using test::ErrorOf;

std::string Bytes(TMemoryStream& stream) {
  return std::string(reinterpret_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
}

std::string ReadAll(const std::string& systemName) {
  std::ifstream file(systemName, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

AnsiString TempName(const std::string& name) {
  return test::TestTempDir() + "/" + name;
}

TEST(MemoryStream, ReadsAndWritesAtTheEdges) {
  TMemoryStream stream;
  char buffer[16] = {};
  EXPECT_EQ(stream.Read(buffer, 4), 0);
  EXPECT_EQ(stream.Write("abcdef", 6), 6);
  EXPECT_EQ(stream.Position(), 6);
  stream.SetPosition(4);
  EXPECT_EQ(stream.Read(buffer, 10), 2);  // only what is there
  EXPECT_EQ(std::string(buffer, 2), "ef");
  EXPECT_EQ(stream.Read(buffer, 10), 0);
  EXPECT_EQ(stream.Read(buffer, -1), 0);

  // Past the end: the gap reads as zeros.
  EXPECT_EQ(stream.Seek(2, soFromEnd), 8);
  stream.Write("Z", 1);
  EXPECT_EQ(Bytes(stream), std::string("abcdef\0\0Z", 9));
  // Before the start nothing is read or written.
  EXPECT_EQ(stream.Seek(-20, soFromCurrent), -11);
  EXPECT_EQ(stream.Write("x", 1), 0);
  EXPECT_EQ(stream.Read(buffer, 1), 0);
  EXPECT_EQ(stream.Size(), 9);

  // Shrinking pulls the position back; growing again gives zeros, not old bytes.
  stream.SetPosition(9);
  stream.SetSize(2);
  EXPECT_EQ(stream.Position(), 2);
  stream.SetSize(4);
  EXPECT_EQ(Bytes(stream), std::string("ab\0\0", 4));

  // The stream's own bytes written into itself, also when the storage has to move.
  stream.SetPosition(1);
  stream.SaveToStream(&stream);
  EXPECT_EQ(Bytes(stream), std::string("aab\0\0", 5));
  std::string big(9000, 'q');
  stream.WriteBuffer(big.data(), 9000);
  stream.SaveToStream(&stream);
  EXPECT_EQ(stream.Size(), 2 * 9005);
  EXPECT_EQ(Bytes(stream).substr(9005), std::string("aab\0\0", 5) + big);
  stream.LoadFromStream(&stream);
  EXPECT_EQ(stream.Size(), 2 * 9005);

  stream.SetSize(4);
  stream.SetPosition(3);
  EXPECT_EQ(ErrorOf<EReadError>([&] { stream.ReadBuffer(buffer, 2); }), "Stream read error");
  stream.Clear();
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(stream.Capacity(), 0);
  EXPECT_EQ(stream.Position(), 0);
}

TEST(MemoryStream, GrowsInStepsAndReportsExhaustion) {
  TMemoryStream stream;
  stream.Write("x", 1);
  EXPECT_EQ(stream.Capacity(), 8192);
  std::string block(8192, 'y');
  stream.Write(block.data(), static_cast<Int64>(block.size()));
  EXPECT_EQ(stream.Capacity(), 16384);
  stream.SetSize(0);
  EXPECT_EQ(stream.Capacity(), 0);

  EXPECT_EQ(ErrorOf<EStreamError>([&] { stream.SetSize(std::numeric_limits<Int64>::max()); }),
            "Out of memory while expanding memory stream");
  EXPECT_EQ(stream.Size(), 0);
  // A position near the limit cannot be written at; seeking saturates instead of wrapping.
  stream.Seek(std::numeric_limits<Int64>::max(), soBeginning);
  EXPECT_EQ(stream.Seek(10, soCurrent), std::numeric_limits<Int64>::max());
  EXPECT_THROW(stream.Write("x", 1), EStreamError);
}

// A stream that grows in its own steps: twice a step, rounded up.
class TSteppedStream : public TMemoryStream {
 public:
  explicit TSteppedStream(Int64 step) : fStep(step) {}

 protected:
  void Realloc(Int64& newCapacity) override {
    if (newCapacity > 0 && newCapacity != Size())
      newCapacity = (newCapacity + 2 * fStep - 1) / (2 * fStep) * (2 * fStep);
    ResizeMemory(newCapacity);
  }

 private:
  Int64 fStep;
};

TEST(MemoryStream, GrowthStepCanBeOverridden) {
  TSteppedStream stream(100);
  stream.Write("x", 1);
  EXPECT_EQ(stream.Capacity(), 200);
  std::string block(250, 'y');
  stream.Write(block.data(), 250);
  EXPECT_EQ(stream.Capacity(), 400);
  stream.SetPosition(0);
  char first;
  stream.ReadBuffer(&first, 1);
  EXPECT_EQ(first, 'x');  // the contents moved with the storage
}

TEST(Streams, CopyFromTakesAllOrExactlyCount) {
  TMemoryStream source;
  std::string data(100000, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  source.WriteBuffer(data.data(), static_cast<Int64>(data.size()));

  TMemoryStream all;
  EXPECT_EQ(all.CopyFrom(&source, 0), 100000);  // 0: the whole source from its start
  EXPECT_EQ(Bytes(all), data);

  TStringStream part;
  source.SetPosition(99990);
  EXPECT_EQ(part.CopyFrom(&source, 10), 10);
  EXPECT_EQ(part.DataString(), data.substr(99990));
  source.SetPosition(99990);
  EXPECT_THROW(part.CopyFrom(&source, 11), EReadError);
}

TEST(StringStream, WritesOverwriteWithoutLosingTheRest) {
  TStringStream stream("hello");
  EXPECT_EQ(stream.Seek(1, soFromBeginning), 1);
  stream.WriteString("XY");
  EXPECT_EQ(stream.DataString(), "hXYlo");
  stream.Seek(-1, soFromEnd);
  stream.WriteString("abc");
  EXPECT_EQ(stream.DataString(), "hXYlabc");
  EXPECT_EQ(stream.Seek(5, soFromEnd), 7);  // held inside the string
  EXPECT_EQ(stream.Seek(-50, soFromCurrent), 0);
  EXPECT_EQ(stream.ReadString(3), "hXY");
  EXPECT_EQ(stream.ReadString(100), "labc");
  EXPECT_EQ(stream.ReadString(1), "");
  EXPECT_EQ(stream.Read(nullptr, 0), 0);  // a reader with nothing left asks for no bytes
  EXPECT_EQ(stream.Read(nullptr, 5), 0);
  stream.SetSize(2);
  EXPECT_EQ(stream.Position(), 2);
  EXPECT_EQ(stream.DataString(), "hX");
}

TEST(FileStream, ModesCreateOpenAndRefuse) {
  const AnsiString name = TempName("modes.bin");
  {
    TFileStream file(name, fmCreate);
    file.WriteBuffer("0123456789", 10);
    EXPECT_EQ(file.Size(), 10);
    EXPECT_EQ(file.FileName(), name);
  }
  {
    TFileStream file(name, fmOpenRead | fmShareDenyWrite);
    char buffer[4];
    file.Seek(-4, soFromEnd);
    file.ReadBuffer(buffer, 4);
    EXPECT_EQ(std::string(buffer, 4), "6789");
    EXPECT_EQ(ErrorOf<EWriteError>([&] { file.WriteBuffer("x", 1); }), "Stream write error");
  }
  {
    TFileStream file(name, fmOpenReadWrite);
    file.Seek(2, soFromBeginning);
    file.WriteBuffer("ab", 2);
    // Past the end: the gap reads as zeros.
    file.Seek(12, soFromBeginning);
    file.WriteBuffer("Z", 1);
  }
  EXPECT_EQ(ReadAll(name), std::string("01ab456789\0\0Z", 13));
  {
    TFileStream file(name, fmOpenWrite);
    char c;
    EXPECT_EQ(file.Read(&c, 1), 0);
    file.Seek(3, soFromBeginning);
    file.SetSize(5);
    EXPECT_EQ(file.Position(), 5);
    EXPECT_EQ(file.Size(), 5);
  }
  EXPECT_EQ(ReadAll(name), "01ab4");
  { TFileStream file(name, fmCreate | fmShareExclusive); }  // an existing file is emptied
  EXPECT_EQ(ReadAll(name), "");

  const AnsiString full = ExpandFileName(name);
  EXPECT_EQ(ErrorOf<EFOpenError>([&] { TFileStream(name + ".missing", fmOpenRead); }),
            "Cannot open file \"" + full + ".missing\". No such file or directory");
  EXPECT_EQ(ErrorOf<EFOpenError>([&] { TFileStream(test::TestTempDir(), fmOpenRead); }),
            "Cannot open file \"" + ExpandFileName(test::TestTempDir()) + "\". Is a directory");
  EXPECT_EQ(ErrorOf<EFOpenError>([&] { TFileStream(name, 3); }),
            "Cannot open file \"" + full + "\". Invalid argument");
  EXPECT_EQ(ErrorOf<EFCreateError>([&] { TFileStream(TempName("no/such/dir.bin"), fmCreate); }),
            "Cannot create file \"" + ExpandFileName(TempName("no/such/dir.bin")) +
                "\". No such file or directory");
  // Relative names are shown in full.
  EXPECT_EQ(ErrorOf<EFOpenError>([&] { TFileStream("missing-relative.bin", fmOpenRead); }),
            "Cannot open file \"" + FileNameFromSystem(std::filesystem::current_path().string()) +
                "/missing-relative.bin\". No such file or directory");
}

TEST(FileStream, AnsiNamesAreUtf8OnDisk) {
  ASSERT_TRUE(ForceDirectories(Utf8ToAnsi(TempName("Звіти"))));
  // ANSI text, with a Windows-style delimiter.
  const AnsiString name = Utf8ToAnsi(test::TestTempDir() + "/Звіти\\Прізвища.txt");
  TStringList list;
  list.Add(Utf8ToAnsi("Ґудзь"));
  list.Add(Utf8ToAnsi("Мар’яна"));
  list.SaveToFile(name);
  const std::string onDisk = test::TestTempDir() + "/Звіти/Прізвища.txt";
  ASSERT_TRUE(std::filesystem::exists(onDisk));
  EXPECT_EQ(ReadAll(onDisk), Utf8ToAnsi("Ґудзь\r\nМар’яна\r\n"));  // the text itself stays ANSI

  TStringList back;
  back.LoadFromFile(name);
  EXPECT_TRUE(back.Equals(&list));

  TMemoryStream memory;
  memory.LoadFromFile(name);
  memory.SaveToFile(name + ".copy");
  EXPECT_EQ(ReadAll(onDisk + ".copy"), ReadAll(onDisk));
  EXPECT_THROW(memory.LoadFromFile(name + ".missing"), EFOpenError);
}

TEST(StringsStreaming, ReadsFromThePositionAndWritesAtIt) {
  TStringStream stream("skip|one\r\ntwo\nthree");
  stream.SetPosition(5);
  TStringList list;
  list.LoadFromStream(&stream);
  EXPECT_EQ(list.CommaText(), "one,two,three");
  TStringStream out("head:");
  out.Seek(0, soFromEnd);
  list.SaveToStream(&out);
  EXPECT_EQ(out.DataString(), "head:one\r\ntwo\r\nthree\r\n");
}

}  // namespace
}  // namespace ordvane
