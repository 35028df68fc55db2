#include "dbclient/FIBParamBlocks.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "classlib/core/StrUtils.h"
#include "dbclient/fib.h"

namespace ordvane {

namespace {

constexpr std::array<std::string_view, DPBConstantCount> DPBNames = {
    "cdd_pathname",       "allocation",         "journal",
    "page_size",          "num_buffers",        "buffer_length",
    "debug",              "garbage_collect",    "verify",
    "sweep",              "enable_journal",     "disable_journal",
    "dbkey_scope",        "number_of_users",    "trace",
    "no_garbage_collect", "damaged",            "license",
    "sys_user_name",      "encrypt_key",        "activate_shadow",
    "sweep_interval",     "delete_shadow",      "force_write",
    "begin_log",          "quit_log",           "no_reserve",
    "user_name",          "password",           "password_enc",
    "sys_user_name_enc",  "interp",             "online_dump",
    "old_file_size",      "old_num_files",      "old_file",
    "old_start_page",     "old_start_seqno",    "old_start_file",
    "drop_walfile",       "old_dump_id",        "wal_backup_dir",
    "wal_chkptlen",       "wal_numbufs",        "wal_bufsize",
    "wal_grp_cmt_wait",   "lc_messages",        "lc_ctype",
    "cache_manager",      "shutdown",           "online",
    "shutdown_delay",     "reserved",           "overwrite",
    "sec_attach",         "disable_wal",        "connect_timeout",
    "dummy_packet_interval", "gbak_attach",     "sql_role_name",
    "set_page_buffers",   "working_directory",  "sql_dialect",
    "set_db_readonly",    "set_db_sql_dialect", "gfix_attach",
    "gstat_attach",       "gbak_ods_version",   "gbak_ods_minor_version",
    "set_group_commit",   "gbak_validate",      "client_interbase_var",
    "admin_option",       "flush_interval",     "instance_name",
    "old_overwrite",      "archive_database",   "archive_journals",
    "archive_sweep",      "archive_dumps",      "archive_recover",
    "recover_until",      "force",
};

constexpr std::array<std::string_view, TPBConstantCount> TPBNames = {
    "consistency", "concurrency",    "shared",      "protected",        "exclusive",  "wait",
    "nowait",      "read",           "write",       "lock_read",        "lock_write", "verb_time",
    "commit_time", "ignore_limbo",   "read_committed", "autocommit",    "rec_version",
    "no_rec_version", "restart_requests", "no_auto_undo", "no_savepoint",
};

// A name table sorted once for look-up by exact name; each entry carries its code.
template <std::size_t N>
class TNameIndex {
 public:
  explicit TNameIndex(const std::array<std::string_view, N>& names) {
    for (std::size_t i = 0; i < N; ++i) fEntries[i] = {names[i], static_cast<int>(i + 1)};
    std::sort(fEntries.begin(), fEntries.end());
  }
  // The code of the name, 0 when the table lacks it.
  int CodeOf(std::string_view name) const {
    auto it = std::lower_bound(fEntries.begin(), fEntries.end(), std::pair<std::string_view, int>{name, 0});
    return it != fEntries.end() && it->first == name ? it->second : 0;
  }

 private:
  std::array<std::pair<std::string_view, int>, N> fEntries{};
};

const TNameIndex<DPBConstantCount>& DPBNameList() {
  static const TNameIndex<DPBConstantCount> index(DPBNames);
  return index;
}

const TNameIndex<TPBConstantCount>& TPBNameList() {
  static const TNameIndex<TPBConstantCount> index(TPBNames);
  return index;
}

// One parameter line taken apart.
struct TParamLine {
  AnsiString name;  // lower-cased, without the block's prefix
  AnsiString value;
};

// Trims line `index` in the caller's list and splits it; false for an empty line.
bool ReadParamLine(TStrings& params, int index, std::string_view prefix, TParamLine& line) {
  const AnsiString original = params.Strings(index);
  const AnsiString text = Trim(original);
  if (text != original) params.SetStrings(index, text);
  if (text.empty()) return false;
  const std::size_t eq = text.find('=');
  line.name = LowerCase(text.substr(0, eq));
  line.value = eq == AnsiString::npos ? AnsiString() : text.substr(eq + 1);
  if (line.name.compare(0, prefix.size(), prefix) == 0) line.name.erase(0, prefix.size());
  return true;
}

void AppendByte(AnsiString& block, int value) {
  block += static_cast<char>(static_cast<Byte>(value));
}

void AppendInt32(AnsiString& block, Integer value) {
  const auto bits = static_cast<Cardinal>(value);
  for (int shift = 0; shift < 32; shift += 8) AppendByte(block, static_cast<int>((bits >> shift) & 0xFF));
}

// A number as one byte when it fits, else as four bytes with their length.
void AppendNumber(AnsiString& block, int code, const AnsiString& value) {
  const Integer number = StrToInt(value);
  AppendByte(block, code);
  if (number >= 0 && number <= 255) {
    AppendByte(block, 1);
    AppendByte(block, number);
  } else {
    AppendByte(block, 4);
    AppendInt32(block, number);
  }
}

void AppendText(AnsiString& block, int code, const AnsiString& value, const char* constantFormat,
                std::string_view name) {
  if (value.size() > 255)
    FIBErrorText(AnsiString(constantFormat) + " has a value longer than 255 bytes.", {AnsiString(name)});
  AppendByte(block, code);
  AppendByte(block, static_cast<int>(value.size()));
  block += value;
}

SmallInt CheckedLength(const AnsiString& block) {
  if (block.size() > static_cast<std::size_t>(MaxParamBlockLength))
    FIBErrorText("Parameter block of %d bytes is longer than the client library accepts (%d).",
                 {static_cast<int>(block.size()), MaxParamBlockLength});
  return static_cast<SmallInt>(block.size());
}

// Appends the entry of every non-empty line to block, then hands the block out; nothing
// is handed out when a line fails.
template <class AppendEntry>
void BuildBlock(TStrings& params, std::string_view prefix, AnsiString block, AnsiString& out, SmallInt& outLength,
                AppendEntry appendEntry) {
  TParamLine line;
  for (int i = 0; i < params.Count(); ++i)
    if (ReadParamLine(params, i, prefix, line)) appendEntry(block, line);
  const SmallInt length = CheckedLength(block);
  out = std::move(block);
  outLength = length;
}

enum class TDPBEncoding { Unsupported, Number, Flag, Sweep, Int32, Text };

TDPBEncoding DPBEncodingOf(int code) {
  switch (code) {
    case isc_dpb_num_buffers:
    case isc_dpb_verify:
    case isc_dpb_dbkey_scope:
    case isc_dpb_damaged:
    case isc_dpb_force_write:
    case isc_dpb_no_reserve:
    case isc_dpb_online_dump:
    case isc_dpb_old_file_size:
    case isc_dpb_overwrite:
    case isc_dpb_connect_timeout:
    case isc_dpb_dummy_packet_interval:
    case isc_dpb_sql_dialect:
      return TDPBEncoding::Number;
    case isc_dpb_garbage_collect:
    case isc_dpb_no_garbage_collect:
    case isc_dpb_activate_shadow:
    case isc_dpb_delete_shadow:
    case isc_dpb_begin_log:
    case isc_dpb_quit_log:
      return TDPBEncoding::Flag;
    case isc_dpb_sweep:
      return TDPBEncoding::Sweep;
    case isc_dpb_sweep_interval:
      return TDPBEncoding::Int32;
    case isc_dpb_license:
    case isc_dpb_sys_user_name:
    case isc_dpb_encrypt_key:
    case isc_dpb_user_name:
    case isc_dpb_password:
    case isc_dpb_password_enc:
    case isc_dpb_old_file:
    case isc_dpb_lc_messages:
    case isc_dpb_lc_ctype:
    case isc_dpb_sql_role_name:
      return TDPBEncoding::Text;
    default:
      return TDPBEncoding::Unsupported;
  }
}

enum class TTPBEncoding { Unsupported, Flag, TableName };

TTPBEncoding TPBEncodingOf(int code) {
  switch (code) {
    case isc_tpb_lock_read:
    case isc_tpb_lock_write:
      return TTPBEncoding::TableName;
    case isc_tpb_verb_time:
    case isc_tpb_commit_time:
    case isc_tpb_autocommit:
    case isc_tpb_restart_requests:
      return TTPBEncoding::Unsupported;
    default:
      return TTPBEncoding::Flag;
  }
}

}  // namespace

AnsiString DPBConstantName(int code) {
  return code >= 1 && code <= DPBConstantCount ? AnsiString(DPBNames[code - 1]) : AnsiString();
}

AnsiString TPBConstantName(int code) {
  return code >= 1 && code <= TPBConstantCount ? AnsiString(TPBNames[code - 1]) : AnsiString();
}

void GenerateDPB(TStrings& params, AnsiString& dpb, SmallInt& dpbLength) {
  AnsiString block(1, static_cast<char>(isc_dpb_version1));
  BuildBlock(params, "isc_dpb_", block, dpb, dpbLength, [](AnsiString& out, const TParamLine& line) {
    const int code = DPBNameList().CodeOf(line.name);
    if (code == 0) FIBError(TFIBClientError::DPBConstantUnknown, {line.name});
    switch (DPBEncodingOf(code)) {
      case TDPBEncoding::Number:
        AppendNumber(out, code, line.value);
        break;
      case TDPBEncoding::Flag:
      case TDPBEncoding::Sweep:
        AppendByte(out, code);
        AppendByte(out, 1);
        AppendByte(out, code == isc_dpb_sweep ? isc_dpb_records : 0);
        break;
      case TDPBEncoding::Int32:
        AppendByte(out, code);
        AppendByte(out, 4);
        AppendInt32(out, StrToInt(line.value));
        break;
      case TDPBEncoding::Text:
        AppendText(out, code, line.value, "DPB Constant (isc_dpb_%s)", DPBNames[code - 1]);
        break;
      case TDPBEncoding::Unsupported:
        FIBError(TFIBClientError::DPBConstantNotSupported, {DPBConstantName(code)});
    }
  });
}

void GenerateTPB(TStrings& params, AnsiString& tpb, SmallInt& tpbLength) {
  AnsiString block;
  if (params.Count() > 0) AppendByte(block, isc_tpb_version3);
  BuildBlock(params, "isc_tpb_", block, tpb, tpbLength, [](AnsiString& out, const TParamLine& line) {
    const int code = TPBNameList().CodeOf(line.name);
    if (code == 0) FIBError(TFIBClientError::TPBConstantUnknown, {line.name});
    switch (TPBEncodingOf(code)) {
      case TTPBEncoding::Flag:
        AppendByte(out, code);
        break;
      case TTPBEncoding::TableName:
        AppendText(out, code, line.value, "TPB Constant (isc_tpb_%s)", TPBNames[code - 1]);
        break;
      case TTPBEncoding::Unsupported:
        FIBError(TFIBClientError::TPBConstantNotSupported, {TPBConstantName(code)});
    }
  });
}

}  // namespace ordvane
