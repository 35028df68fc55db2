// A client library that is the real client except for isc_dsql_sql_info, whose answers
// the tests bend: it links the real client, so every other entry point found through
// this library's handle is the real one. Set by the tests through fake_info_*:
//   fake_info_answer_size(n)  a statement's rows-affected or plan answer takes n bytes:
//                             a smaller buffer gets isc_info_truncated
//   fake_info_statement_type(t)  the statement type reported is t (0: the real one)
//   fake_info_longest_buffer()   the longest buffer length asked for, negative when
//                                a negative length was passed

#include <dlfcn.h>
#include <ibase.h>

#include <algorithm>
#include <cstring>

namespace {

using SqlInfo = ISC_STATUS (*)(ISC_STATUS*, isc_stmt_handle*, short, const ISC_SCHAR*, short, ISC_SCHAR*);

int answerSize = 0;
int statementType = 0;
int longestBuffer = 0;

SqlInfo RealSqlInfo() {
  static const auto real = reinterpret_cast<SqlInfo>(
      dlsym(dlopen("libfbclient.so.2", RTLD_NOW | RTLD_NOLOAD), "isc_dsql_sql_info"));
  return real;
}

void PutInt(ISC_SCHAR* at, int value, int length) {
  for (int i = 0; i < length; ++i) at[i] = static_cast<ISC_SCHAR>((value >> (8 * i)) & 0xFF);
}

}  // namespace

extern "C" void fake_info_answer_size(int size) { answerSize = size; }
extern "C" void fake_info_statement_type(int type) { statementType = type; }
extern "C" int fake_info_longest_buffer() { return longestBuffer; }

extern "C" ISC_STATUS isc_dsql_sql_info(ISC_STATUS* status, isc_stmt_handle* statement, short itemLength,
                                        const ISC_SCHAR* items, short bufferLength, ISC_SCHAR* buffer) {
  if (bufferLength < 0 || longestBuffer < 0)
    longestBuffer = -1;
  else
    longestBuffer = std::max<int>(longestBuffer, bufferLength);
  const bool bent = itemLength == 1 && (items[0] == isc_info_sql_records || items[0] == isc_info_sql_get_plan);
  if (bent && answerSize > 0 && bufferLength < answerSize) {
    if (bufferLength > 0) {
      std::memset(buffer, 0, static_cast<std::size_t>(bufferLength));
      buffer[0] = isc_info_truncated;
    }
    status[0] = 1;
    status[1] = 0;
    status[2] = isc_arg_end;
    return 0;
  }
  const ISC_STATUS result = RealSqlInfo()(status, statement, itemLength, items, bufferLength, buffer);
  if (result == 0 && statementType != 0 && itemLength == 1 && items[0] == isc_info_sql_stmt_type &&
      buffer[0] == isc_info_sql_stmt_type)
    PutInt(buffer + 3, statementType, 4);
  return result;
}
