// How the type library's member tables read to an application's author: types in TypeScript's
// notation, defaults as script literals, and the form in which a script uses each member (the
// binding's conventions). The declaration and reference writers share it, so both say the same.
#pragma once

#include <string>
#include <vector>

#include "automation/TypeInfo.h"

namespace ulka::apidoc {

// The form a member takes in a script.
enum class MemberForm {
  Method,            // obj.Name(args)
  ReadOnlyProperty,  // obj.Name
  Property,          // obj.Name, obj.Name = v
  WriteOnlyProperty, // obj.Name = v
  IndexedProperty,   // obj.Name(index), put as obj.Name(index, v)
};

MemberForm FormOf(const MemberInfo& member);
const char* FormName(MemberForm form);  // "method", "read-only property", ...

// One parameter as a script passes it.
struct ScriptParam {
  std::string name;     // a valid identifier
  std::string type;     // TypeScript type
  bool optional = false;
  std::string defaultText;  // the default as a script literal; empty when none
};

// One way of calling a member (a method, an indexed get or put, a default member's call).
struct CallForm {
  std::vector<ScriptParam> params;
  std::string result;  // TypeScript type
};

// The accessor a member is read or called through (a method's, else the get accessor).
const Accessor& ReadAccessor(const MemberInfo& member);

// TypeScript type of a value the script passes, and of a value it receives.
std::string ArgumentType(VarType type);
std::string ResultType(const Accessor& accessor);
// The interface of an object result, when the table names one.
const InterfaceInfo* ResultInterface(const Accessor& accessor);

// The ways a member is called: one for a method or an indexed get, one more for an indexed put.
// Empty for plain properties.
std::vector<CallForm> CallForms(const MemberInfo& member);

std::string DefaultText(const Variant& value);
std::string ScriptIdentifier(const WideString& name);  // reserved words get a trailing "_"
// The interface's default member (dispatch id 0), or null.
const MemberInfo* DefaultMember(const InterfaceInfo& info);

}  // namespace ulka::apidoc
