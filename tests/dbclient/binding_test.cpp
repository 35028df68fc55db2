// The client binding against the installed client library and three stand-in libraries
// that export different subsets of the entry points.

#include <gtest/gtest.h>

#if defined(__x86_64__) || defined(__i386__)
#include <fpu_control.h>
#endif

#include <barrier>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

#include "classlib/core/SysUtils.h"
#include "dbclient/IB_Intf.h"
#include "tests/support/FirebirdFixture.h"

namespace ordvane {
namespace {

namespace fs = std::filesystem;

// A copy of a stand-in library under a name of its own, so that the test loads a file no
// other test of this process has loaded.
std::string CopyOfLibrary(const char* source, const std::string& name) {
  fs::path target = fs::path(test::TestTempDir()) / name;
  fs::copy_file(source, target, fs::copy_options::overwrite_existing);
  return target.string();
}

// Runs the call and returns the message of the Exception it raises.
template <class Call>
std::string MessageOf(Call call) {
  try {
    call();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "(nothing raised)";
}

std::string CantFind(const std::string& entry, const std::string& library) {
  return "Can't find procedure " + entry + " in " + library;
}

TEST(ClientBinding, InstalledClientReportsTheVersionOfItsVersionText) {
  IIBClientLibraryPtr library = GetClientLibrary(DefaultLibraryName);
  EXPECT_EQ(DefaultLibraryName, "libfbclient.so.2");
  EXPECT_EQ(library->GetLibraryName(), "libfbclient.so.2");

  char text[256] = {};
  library->isc_get_client_version(text);
  // "LI-V6.3.11.33637 Firebird 3.0": platform, "-V", major, minor, release, build.
  std::string version = text;
  std::size_t start = version.find("-V");
  ASSERT_NE(start, std::string::npos) << text;
  int major = -1, minor = -1;
  ASSERT_EQ(std::sscanf(version.c_str() + start, "-V%d.%d.", &major, &minor), 2) << text;
  EXPECT_EQ(library->GetClientMajorVersion(), major) << text;
  EXPECT_EQ(library->GetClientMinorVersion(), minor) << text;
}

TEST(ClientBinding, OneObjectPerNameAndEntryPointsThatAreNotBoundRaise) {
  IIBClientLibraryPtr library = GetClientLibrary("libfbclient.so.2");
  EXPECT_EQ(GetClientLibrary("libfbclient.so.2"), library);

  // The installed client works through the binding: a two-byte little-endian integer.
  EXPECT_EQ(library->isc_vax_integer("\x34\x12", 2), 0x1234);
  // Batches are entry points this client lacks; the descriptor look-up is never bound.
  EXPECT_EQ(MessageOf([&] {
              library->isc_dsql_batch_execute(nullptr, nullptr, nullptr, 3, nullptr, 0, nullptr, nullptr);
            }),
            CantFind("isc_dsql_batch_execute", "libfbclient.so.2"));
  EXPECT_EQ(MessageOf([&] {
              library->isc_dsql_batch_execute_immed(nullptr, nullptr, nullptr, 3, 0, nullptr, nullptr);
            }),
            CantFind("isc_dsql_batch_execute_immed", "libfbclient.so.2"));
  EXPECT_EQ(MessageOf([&] { library->isc_array_lookup_desc(nullptr, nullptr, nullptr, "T", "F", nullptr); }),
            CantFind("isc_array_lookup_desc", "libfbclient.so.2"));
}

TEST(ClientBinding, FifthGenerationClientWithoutRollbackRetaining) {
  IIBClientLibraryPtr library = GetClientLibrary(FAKE_CLIENT5);
  EXPECT_EQ(library->GetClientMajorVersion(), 5);
  EXPECT_EQ(library->GetClientMinorVersion(), 0);
  EXPECT_EQ(library->isc_vax_integer("\x01\x02\x03", 3), 0x030201);
  // The fake exports the sixth generation's entry points too; they stay unbound.
  ISC_DATE date = 0;
  EXPECT_EQ(MessageOf([&] { library->isc_encode_sql_date(nullptr, &date); }),
            CantFind("isc_encode_sql_date", FAKE_CLIENT5));
  EXPECT_EQ(MessageOf([&] { library->isc_service_detach(nullptr, nullptr); }),
            CantFind("isc_service_detach", FAKE_CLIENT5));
  EXPECT_EQ(MessageOf([&] { library->isc_rollback_retaining(nullptr, nullptr); }),
            CantFind("isc_rollback_retaining", FAKE_CLIENT5));
}

TEST(ClientBinding, SixthGenerationClientWithoutVersionEntryPoints) {
  IIBClientLibraryPtr library = GetClientLibrary(FAKE_CLIENT6);
  EXPECT_EQ(library->GetClientMajorVersion(), 6);
  EXPECT_EQ(library->GetClientMinorVersion(), 0);
  const unsigned char bytes[] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F};
  EXPECT_EQ(library->isc_portable_integer(bytes, 8), INT64_MAX);
  EXPECT_EQ(MessageOf([&] { library->isc_add_user(nullptr, nullptr); }),
            CantFind("isc_add_user", FAKE_CLIENT6));
  char text[64];
  EXPECT_EQ(MessageOf([&] { library->isc_get_client_version(text); }),
            CantFind("isc_get_client_version", FAKE_CLIENT6));
}

TEST(ClientBinding, MissingRequiredEntryPointOrFileIsNotKept) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      GetClientLibrary(FAKE_CLIENT_BROKEN);
      FAIL() << "a library without a required entry point was accepted";
    } catch (const EOSError& e) {
      EXPECT_EQ(e.Message(), CantFind("isc_prepare_transaction2", FAKE_CLIENT_BROKEN));
    }
  }
  std::string missing = test::TestTempDir() + "/no-such-client.so";
  for (int attempt = 0; attempt < 2; ++attempt)
    EXPECT_EQ(MessageOf([&] { GetClientLibrary(missing); }), "Can't load library " + missing + " ");
  EXPECT_EQ(MessageOf([] { GetClientLibrary(""); }), "Can't load library  ");
}

TEST(ClientBinding, NamesThatDifferOnlyInLetterCaseAreTwoLibraries) {
  std::string lower = CopyOfLibrary(FAKE_CLIENT6, "fakeclient.so");
  std::string upper = CopyOfLibrary(FAKE_CLIENT6, "FAKECLIENT.so");
  IIBClientLibraryPtr first = GetClientLibrary(lower);
  IIBClientLibraryPtr second = GetClientLibrary(upper);
  EXPECT_NE(first, second);
  EXPECT_EQ(first->GetLibraryName(), lower);
  EXPECT_EQ(second->GetLibraryName(), upper);
  EXPECT_EQ(GetClientLibrary(upper), second);
}

TEST(ClientBinding, FreeingTwiceReleasesTheLibraryOnce) {
  // The listed object and this one hold the same loaded file; a second release by this
  // one would unload the file under the listed object.
  IIBClientLibraryPtr listed = GetClientLibrary(FAKE_CLIENT6);
  TIBClientLibrary own(FAKE_CLIENT6);
  own.FreeIBLibrary();
  own.FreeIBLibrary();
  EXPECT_EQ(MessageOf([&] { own.isc_vax_integer("\x01", 1); }), CantFind("isc_vax_integer", FAKE_CLIENT6));
  EXPECT_EQ(listed->isc_vax_integer("\x05", 1), 5);
}

TEST(ClientBinding, ConcurrentFirstRequestsLoadOneObject) {
  std::string name = CopyOfLibrary(FAKE_CLIENT5, "concurrent-client.so");
  constexpr int threadCount = 8;
  std::vector<IIBClientLibraryPtr> results(threadCount);
  std::barrier start(threadCount);
  {
    std::vector<std::jthread> threads;
    for (int i = 0; i < threadCount; ++i)
      threads.emplace_back([&, i] {
        start.arrive_and_wait();
        results[i] = GetClientLibrary(name);
      });
  }
  for (const auto& result : results) EXPECT_EQ(result, results[0]);
}

TEST(ClientBinding, EventBlockPassesTheNamesItIsGiven) {
  IIBClientLibraryPtr library = GetClientLibrary(DefaultLibraryName);
  TEventNames names{"A", "BC"};
  ISC_UCHAR* events = nullptr;
  ISC_UCHAR* results = nullptr;
  // One version byte, then per name its length byte, the name and a 4-byte count.
  EXPECT_EQ(library->isc_event_block(&events, &results, 2, names), 1 + (1 + 1 + 4) + (1 + 2 + 4));
  ASSERT_NE(events, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(events) + 2, 1), "A");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(events) + 8, 2), "BC");
  library->isc_free(reinterpret_cast<ISC_SCHAR*>(events));
  library->isc_free(reinterpret_cast<ISC_SCHAR*>(results));

  EXPECT_THROW(library->isc_event_block(&events, &results, MaxEventNames + 1, names), ERangeError);
}

#if defined(__x86_64__) || defined(__i386__)
TEST(ClientBinding, LoadingRestoresExtendedPrecisionAndKeepsTheOtherControlBits) {
  fpu_control_t original;
  _FPU_GETCW(original);
  fpu_control_t lowered = static_cast<fpu_control_t>((original & ~0x300) | _FPU_DOUBLE | _FPU_RC_DOWN);
  _FPU_SETCW(lowered);
  TIBClientLibrary library(FAKE_CLIENT5);
  fpu_control_t after;
  _FPU_GETCW(after);
  _FPU_SETCW(original);
  EXPECT_EQ(after & 0x300, _FPU_EXTENDED);
  EXPECT_EQ(after & ~0x300, lowered & ~0x300);
}
#endif

}  // namespace
}  // namespace ordvane
