// The grid library's support routines: bookmark comparison, the data source behind a
// published property, collation and casing, text drawing with counts, the coarse-stepped
// memory stream, array redimensioning and the interceptor registry.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "classlib/core/CodePages.h"
#include "classlib/core/PublishedProps.h"
#include "classlib/ui/RecordingDC.h"
#include "gridbase/PropFilerEh.h"
#include "gridbase/SupportEh.h"
#include "tests/support/MemDataSet.h"
#include "tests/ui/RasterTestSupport.h"

namespace ordvane {
namespace {

using test::TMemDataSet;

class TLinkedControl : public TComponent {
  ORDVANE_CLASS(TLinkedControl, TComponent)

 public:
  TLinkedControl() : TComponent(nullptr) {}
  TObject* source = nullptr;
};

// Only a lack of memory can fail the registration, which nothing before main could handle
// either.
// NOLINTNEXTLINE(cert-err58-cpp)
const bool registered =
    (RegisterObjectProperty<TLinkedControl>("DataSource", [](const TLinkedControl& c) { return c.source; }), true);

TEST(Bookmarks, CompareByRecordOrderNotByWhenTheRecordsWereAdded) {
  TMemDataSet data(nullptr);
  data.FieldDefs().Add("NAME", ftString, 10);
  data.Open();
  data.AppendRecord({Variant(AnsiString("A"))});
  data.AppendRecord({Variant(AnsiString("C"))});
  data.Last();
  data.Insert();  // before "C": the third record added is the second in order
  data.FieldByName("NAME")->SetAsString("B");
  data.Post();
  std::vector<TBookmark> marks;
  for (data.First(); !data.Eof(); data.Next()) marks.push_back(data.Bookmark());
  ASSERT_EQ(marks.size(), 3u);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      const int sign = (i > j) - (i < j);
      const int answer = DataSetCompareBookmarksEh(&data, marks[i], marks[j]);
      EXPECT_EQ((answer > 0) - (answer < 0), sign) << i << " against " << j;
    }
}

TEST(ObjectProperties, ADataSourcePropertyGivesItsDataSetAndAnythingElseNil) {
  TMemDataSet data(nullptr);
  TDataSource source(nullptr);
  TLinkedControl control;
  EXPECT_EQ(GetObjectPropDataSourceEh(&control, "DataSource"), nullptr);  // empty property
  control.source = &source;
  EXPECT_EQ(GetObjectPropDataSourceEh(&control, "DataSource"), nullptr);  // a source without a dataset
  source.SetDataSet(&data);
  EXPECT_EQ(GetObjectPropDataSourceEh(&control, "datasource"), &data);
  EXPECT_EQ(GetObjectPropDataSourceEh(&control, "MasterSource"), nullptr);  // missing
  control.source = &data;
  EXPECT_EQ(GetObjectPropDataSourceEh(&control, "DataSource"), nullptr);  // not a data source
  EXPECT_EQ(GetObjectPropDataSourceEh(nullptr, "DataSource"), nullptr);
}

TEST(Collation, UkrainianSurnamesFollowTheAlphabetAndAnswersAreSigns) {
  std::vector<AnsiString> alphabetical;
  for (const char* name : {"Гаврилюк", "Ґалаган", "Дорош", "Ерделі", "Єременко", "Ищенко", "Іваненко",
                           "Їжакевич", "Йосипенко", "Лисенко", "Лісовий", "Ляшко"})
    alphabetical.push_back(Utf8ToAnsi(name));
  std::vector<AnsiString> sorted(alphabetical.rbegin(), alphabetical.rend());
  std::shuffle(sorted.begin(), sorted.end(), std::mt19937(43));
  std::sort(sorted.begin(), sorted.end(),
            [](const AnsiString& a, const AnsiString& b) { return AnsiCompareTextEh(a, b) < 0; });
  EXPECT_EQ(sorted, alphabetical);

  const AnsiString lower = Utf8ToAnsi("ґудзь");
  const AnsiString upper = Utf8ToAnsi("Ґудзь");
  EXPECT_EQ(AnsiCompareTextEh(lower, upper), 0);
  EXPECT_EQ(AnsiCompareStrEh(lower, upper), -1);
  EXPECT_EQ(AnsiCompareStrEh(upper, lower), 1);
  EXPECT_EQ(AnsiCompareStrEh(upper, upper), 0);
  for (const AnsiString& a : alphabetical)
    for (const AnsiString& b : {lower, upper, alphabetical.front(), alphabetical.back()}) {
      EXPECT_TRUE(std::abs(AnsiCompareTextEh(a, b)) <= 1);
      EXPECT_TRUE(std::abs(AnsiCompareStrEh(a, b)) <= 1);
    }
  EXPECT_EQ(AnsiUpperCaseEh(Utf8ToAnsi("ґїєі")), Utf8ToAnsi("ҐЇЄІ"));
  EXPECT_EQ(AnsiLowerCaseEh(Utf8ToAnsi("ҐЇЄІ Ab")), Utf8ToAnsi("ґїєі ab"));
}

// One drawing of text on a fresh surface: the calls logged and the pixels.
struct Drawn {
  Drawn() : raster(120, 30), target(raster), dc(target) {
    raster.Fill(0xFFFFFF);
    TLogFont font;
    font.lfFaceName = "Courier New";
    font.lfHeight = -13;
    dc.SelectFont(font);
    dc.SetBkMode(TRANSPARENT);
    dc.ClearCalls();
  }
  TRaster raster;
  TRasterDC target;
  TRecordingDC dc;
};

TEST(Text, ACountDrawsThatManyCharactersAndOneBeyondTheTextDrawsItWhole) {
  const AnsiString text = "Hello";
  struct Case {
    int count;
    AnsiString drawn;
  };
  for (const Case& c : {Case{-1, "Hello"}, Case{3, "Hel"}, Case{5000, "Hello"}, Case{0, ""}}) {
    Drawn counted, plain;
    TRect r1 = Rect(2, 2, 118, 28);
    TRect r2 = r1;
    DrawTextEh(&counted.dc, text, c.count, r1, DT_LEFT | DT_SINGLELINE);
    DrawText(&plain.dc, c.drawn, r2, DT_LEFT | DT_SINGLELINE);
    EXPECT_EQ(counted.dc.Calls(), plain.dc.Calls()) << c.count;
    EXPECT_TRUE(counted.raster == plain.raster) << c.count;
    EXPECT_EQ(test::InkBox(counted.raster, 0xFFFFFF) == TRect{}, c.drawn.empty()) << c.count;
  }
}

TEST(Text, MarginsMoveTheTextAndTheLengthDrawnFollowsTheCount) {
  const AnsiString text = "Hello";
  for (int count : {-1, 3, 99}) {
    const unsigned expectedLength = count == 3 ? 3u : 5u;
    for (unsigned align : {DT_LEFT, DT_RIGHT}) {
      Drawn withMargins, shifted;
      DRAWTEXTPARAMS params;
      params.iLeftMargin = 5;
      params.iRightMargin = 7;
      TRect r1 = Rect(10, 2, 110, 28);
      TRect r2 = align == DT_LEFT ? Rect(15, 2, 110, 28) : Rect(10, 2, 103, 28);
      DrawTextExEh(&withMargins.dc, text, count, r1, align | DT_SINGLELINE, &params);
      DrawTextExSimpleEh(&shifted.dc, text, count, r2, align | DT_SINGLELINE);
      EXPECT_NE(test::InkBox(withMargins.raster, 0xFFFFFF), TRect{});
      EXPECT_TRUE(withMargins.raster == shifted.raster) << count << " " << align;
      EXPECT_EQ(params.uiLengthDrawn, expectedLength) << count;
    }
  }
}

TEST(MemoryStreamEh, GrowsInStepsOfTwiceTheGrowthStep) {
  for (auto [request, capacity] : {std::pair<Int64, Int64>{1, 8192}, {8192, 8192}, {8193, 16384}, {20000, 24576}}) {
    TMemoryStreamEh stream;
    stream.SetSize(request);
    EXPECT_EQ(stream.Capacity(), capacity) << request;
  }
}

TEST(MemoryStreamEh, RandomWritesSeeksAndReadsAgreeWithAByteString) {
  TMemoryStreamEh stream;
  std::string mirror;
  std::mt19937 random(7);
  constexpr std::size_t kTotal = 1 << 20;
  while (mirror.size() < kTotal) {
    std::string chunk(std::uniform_int_distribution<std::size_t>(1, 9000)(random), '\0');
    for (char& ch : chunk) ch = static_cast<char>(random());
    // Mostly over the end, so that the stream grows; now and then far back into it.
    const std::size_t back = random() % 8 == 0 ? mirror.size() : std::min<std::size_t>(mirror.size(), 4000);
    const auto at = std::uniform_int_distribution<std::size_t>(mirror.size() - back, mirror.size())(random);
    stream.Seek(static_cast<Int64>(at), soBeginning);
    stream.WriteBuffer(chunk.data(), static_cast<Int64>(chunk.size()));
    mirror.replace(at, std::min(chunk.size(), mirror.size() - at), chunk);
    ASSERT_EQ(stream.Size(), static_cast<Int64>(mirror.size()));
    EXPECT_EQ(stream.Capacity() % 8192, 0);
  }
  std::string back(mirror.size(), '\0');
  stream.Seek(0, soBeginning);
  stream.ReadBuffer(back.data(), static_cast<Int64>(back.size()));
  EXPECT_TRUE(back == mirror);
  const Int64 middle = static_cast<Int64>(mirror.size() / 2);
  std::string tail(100, '\0');
  stream.Seek(-static_cast<Int64>(mirror.size()) + middle, soEnd);
  stream.ReadBuffer(tail.data(), 100);
  EXPECT_EQ(tail, mirror.substr(static_cast<std::size_t>(middle), 100));
}

TEST(Variants, RedimKeepsTheElementsThatRemain) {
  Variant array = VarArrayCreate({0, 2}, varInteger);
  for (int i = 0; i <= 2; ++i) VarArrayPut(array, Variant(Integer(10 + i)), {i});
  VarArrayRedimEh(array, 5);
  EXPECT_EQ(VarArrayHighBound(array, 1), 5);
  for (int i = 0; i <= 2; ++i) EXPECT_EQ(VarArrayGet(array, {i}), Variant(Integer(10 + i)));
  VarArrayRedimEh(array, 1);
  EXPECT_EQ(VarArrayHighBound(array, 1), 1);
  EXPECT_EQ(VarArrayGet(array, {0}), Variant(Integer(10)));
  EXPECT_EQ(VarArrayGet(array, {1}), Variant(Integer(11)));
}

class TGridStub : public TComponent {
  ORDVANE_CLASS(TGridStub, TComponent)
};
class TColumnStub : public TComponent {
  ORDVANE_CLASS(TColumnStub, TComponent)
};
class TColumnInterceptorStub : public TStoragePropertyInterceptor {
  ORDVANE_CLASS(TColumnInterceptorStub, TStoragePropertyInterceptor)
};

TEST(Interceptors, ASecondTargetReplacesThePairAndOnlyEqualPairsAreRemoved) {
  EXPECT_EQ(GetPropertyInterceptorClassEh(TForm::StaticClass()), TFormStoragePropertyInterceptor::StaticClass());
  const TClass interceptor = TColumnInterceptorStub::StaticClass();
  RegisterPropertyInterceptorEh(TGridStub::StaticClass(), interceptor);
  EXPECT_EQ(GetPropertyInterceptorClassEh(TGridStub::StaticClass()), interceptor);
  RegisterPropertyInterceptorEh(TColumnStub::StaticClass(), interceptor);
  EXPECT_EQ(GetPropertyInterceptorClassEh(TGridStub::StaticClass()), nullptr);
  EXPECT_EQ(GetPropertyInterceptorClassEh(TColumnStub::StaticClass()), interceptor);

  UnregisterPropertyInterceptorEh(TGridStub::StaticClass(), interceptor);  // not a registered pair
  UnregisterPropertyInterceptorEh(TColumnStub::StaticClass(), TFormStoragePropertyInterceptor::StaticClass());
  EXPECT_EQ(GetPropertyInterceptorClassEh(TColumnStub::StaticClass()), interceptor);
  UnregisterPropertyInterceptorEh(TColumnStub::StaticClass(), interceptor);
  EXPECT_EQ(GetPropertyInterceptorClassEh(TColumnStub::StaticClass()), nullptr);
  EXPECT_EQ(GetPropertyInterceptorClassEh(TCustomForm::StaticClass()), TFormStoragePropertyInterceptor::StaticClass());
}

}  // namespace
}  // namespace ordvane
