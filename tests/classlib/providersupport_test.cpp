// Parameters as a provider hands them over, and what a dataset that is not SQL based
// answers a provider: nothing it cannot do is answered as done.

#include <gtest/gtest.h>

#include <functional>

#include "classlib/db/DB.h"
#include "tests/support/MemDataSet.h"

namespace ordvane::test {
namespace {

TEST(ParamsTest, ParametersKeepTheirOrderAndAreFoundInAnyCase) {
  TParams params;
  TParam& id = params.CreateParam(ftInteger, "ID");
  params.CreateParam(ftString, "Surname").SetValue("Franko");
  EXPECT_TRUE(id.IsNull());
  id.SetValue(7);
  EXPECT_FALSE(id.IsNull());
  id.SetValue(Variant());
  EXPECT_TRUE(id.IsNull()) << "an unassigned value is no value";

  ASSERT_EQ(params.Count(), 2);
  EXPECT_EQ(&params[0], &id);
  EXPECT_EQ(params[1].DataType(), ftString);
  EXPECT_EQ(params.FindParam("surname"), &params[1]);
  EXPECT_EQ(params.ParamByName("SURNAME").Value().AsString(), "Franko");
  params[1].Clear();
  EXPECT_TRUE(params[1].IsNull());

  EXPECT_EQ(params.FindParam("born"), nullptr);
  try {
    params.ParamByName("born");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Parameter 'born' not found");
  }
  EXPECT_THROW(params[2], EListError);
  EXPECT_THROW(params[-1], EListError);
  params.Clear();
  EXPECT_EQ(params.Count(), 0);
}

TEST(ProviderSupportTest, DataSetThatIsNotSQLBasedRefusesWhatItCannotDo) {
  TMemDataSet dataSet(nullptr);
  dataSet.SetName("Memory");
  IProviderSupport& support = dataSet;
  EXPECT_FALSE(support.PSUpdateRecord(ukModify, dataSet)) << "the change is left to the provider";

  TParams params;
  support.PSSetParams(params);
  support.PSSetCommandText("");
  params.CreateParam(ftInteger, "ID");
  const auto refused = [](const std::function<void()>& call, const char* message) {
    try {
      call();
      ADD_FAILURE() << message;
    } catch (const EDatabaseError& e) {
      EXPECT_EQ(e.Message(), std::string("Memory: ") + message);
    }
  };
  refused([&] { support.PSExecuteStatement("delete from t", params); }, "This dataset cannot execute a statement");
  refused([&] { support.PSExecute(); }, "This dataset cannot execute its command");
  refused([&] { support.PSSetCommandText("select 1"); }, "This dataset cannot take a command text");
  refused([&] { support.PSSetParams(params); }, "This dataset cannot take parameters");

  const EUpdateError error = support.PSGetUpdateException(EConvertError("bad date"), nullptr);
  EXPECT_EQ(error.Message(), "bad date");
  EXPECT_EQ(error.ErrorCode(), 0);
  EXPECT_FALSE(error.PreviousError());
}

}  // namespace
}  // namespace ordvane::test
