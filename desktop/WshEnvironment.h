// The shell stand-in's environment collection. This desktop has one environment, the process's:
// the "PROCESS" kind reads and writes it; "SYSTEM", "USER" and "VOLATILE" read it and refuse
// changes with "Permission denied" (nothing here would keep them).
#pragma once

#include "automation/VekObject.h"

namespace ulka {

class TWshEnvironment : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  explicit TWshEnvironment(bool writable) : TVekObject(Info()), FWritable(writable) {}

  // Empty text for a variable that is not set.
  WideString GetItem(const WideString& Name);
  void SetItem(const WideString& Name, const WideString& Value);
  int32_t GetCount();
  void Remove(const WideString& Name);
  // "NAME=value" texts.
  Variant NewEnum();

 private:
  void CheckWritable() const;
  bool FWritable;
};

}  // namespace ulka
