// The desktop stand-ins' inner parts where scripts cannot reach the fault: command splitting,
// and the key store written from several threads at once.
#include <gtest/gtest.h>
#include <glib.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "automation/Unicode.h"
#include "automation/VekError.h"
#include "desktop/ChildProcess.h"
#include "desktop/Environment.h"
#include "desktop/KeyStore.h"

namespace ulka {
namespace {

std::string Joined(const std::vector<std::string>& arguments) {
  std::string out;
  for (const std::string& a : arguments) out += "[" + a + "]";
  return out;
}

TEST(Commands, SplitAsALauncherDoes) {
  SetVariable(u"ULKA_SPLIT", u"v w");
  struct Case {
    const char16_t* command;
    const char* arguments;
  } cases[] = {
      {u"prog a b", "[prog][a][b]"},
      {u"prog 'a b' \"c d\" e\\ f", "[prog][a b][c d][e f]"},
      {u"prog a;b|c&&d", "[prog][a;b|c&&d]"},
      {u"prog $(rm -rf /) `x` $HOME", "[prog][$(rm][-rf][/)][`x`][$HOME]"},
      {u"prog %ULKA_SPLIT% '%ULKA_SPLIT%'", "[prog][v w][v w]"},  // one argument each: expanded after splitting
      {u"prog %NOT_SET_ULKA%", "[prog][%NOT_SET_ULKA%]"},
      {u"  prog   spaced  ", "[prog][spaced]"},
  };
  for (const Case& c : cases) EXPECT_EQ(Joined(SplitCommand(c.command)), c.arguments) << Utf8(c.command);
  const std::vector<WideString> bad = {u"", u"   ", u"prog 'open", u"prog \"open", WideString(u"a\0b", 3)};
  for (const WideString& command : bad) EXPECT_THROW(SplitCommand(command), EVekError) << Utf8(command);
}

TEST(KeyStore, WritesFromSeveralThreadsAllLand) {
  const std::filesystem::path config = std::filesystem::temp_directory_path() / ("ulka-keystore-" + std::to_string(::getpid()));
  g_setenv("XDG_CONFIG_HOME", config.c_str(), TRUE);  // before anything asks GLib for it
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t) {
    writers.emplace_back([t] {
      for (int i = 0; i < 25; ++i) {
        const WideString name = Wide("HKCU\\Software\\UlkaThreads\\T" + std::to_string(t) + "\\V" + std::to_string(i));
        RegistryWrite(name, Variant(int32_t{t * 100 + i}), u"REG_DWORD");
      }
    });
  }
  for (std::thread& w : writers) w.join();
  int found = 0;
  for (int t = 0; t < 4; ++t) {
    for (int i = 0; i < 25; ++i) {
      Variant value = RegistryRead(Wide("HKCU\\Software\\UlkaThreads\\T" + std::to_string(t) + "\\V" + std::to_string(i)));
      found += value.Type() == VT_I4 && value.Int() == t * 100 + i;
    }
  }
  EXPECT_EQ(found, 100);
  EXPECT_TRUE(std::filesystem::exists(config / "ulka" / "registry.conf"));
  std::error_code error;
  std::filesystem::remove_all(config, error);
}

}  // namespace
}  // namespace ulka
