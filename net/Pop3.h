// A POP3 mailbox for scripts: log in, count, fetch a message as a mail message object, delete,
// log out.
//
// Members may be called from any thread; one command runs at a time per object, and the
// settings stay readable while one runs.
#pragma once

#include <mutex>

#include "automation/VekObject.h"
#include "net/Pop3Client.h"

namespace ulka {

class TPop3 : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  TPop3();

  bool Login();
  bool Logout();
  void RemoveAt(int32_t Index);
  void RemoveAll();
  WideString GetHost();
  void SetHost(const WideString& Value);
  WideString GetAccount();
  void SetAccount(const WideString& Value);
  Ref<IDispatch> GetMessage(int32_t Index);
  int32_t GetLength();
  bool GetUseSSL();
  void SetUseSSL(bool Value);
  WideString GetCAFile();
  void SetCAFile(const WideString& Value);

  // The limit on each network wait, in milliseconds (60000 unless changed here).
  void SetTimeoutMs(int timeoutMs);
  void SetMaxMessageBytes(size_t limit);

 private:
  std::mutex FStateLock;  // guards FAccount
  Pop3Account FAccount;

  std::mutex FSessionLock;  // one command at a time on FPOP3
  Pop3Client FPOP3;
};

}  // namespace ulka
