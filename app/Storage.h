// The folder storage: the application's files served from a folder on disk, by name relative to
// it. The launcher gives it to the "ulka:" scheme as its handler.
#pragma once

#include <optional>
#include <string>

#include "automation/VekObject.h"

namespace ulka {

class TStorage : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  explicit TStorage(const WideString& APath);

  // The bytes of the file `Name` under the folder; Empty when there is none (or the name would
  // leave the folder).
  Variant Read(const WideString& Name);
  // Writes the bytes of a non-empty array to `Name`, creating missing folders; anything else, and
  // any failure, writes nothing.
  void Write(const WideString& Name, const Variant& Data);

  // The folder, always with a trailing "/".
  const WideString& GetPath() const { return FPath; }
  void SetPath(const WideString& Value);

 private:
  // The file for a name, or nothing for an absolute name, a ".." segment (also when
  // percent-encoded) or a NUL character.
  std::optional<WideString> FileFor(const WideString& Name) const;

  WideString FPath;
};

}  // namespace ulka
