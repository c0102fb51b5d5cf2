// The base of scriptable objects that scripts may extend with members of their own
// (expando members), and the bare expando object behind `Rtl.Object()`.
#pragma once

#include "automation/MemberList.h"
#include "automation/VekObject.h"

namespace ulka {

class TVekObjectEx : public TVekObject, public IDispatchEx {
 public:
  explicit TVekObjectEx(const InterfaceInfo& info) : TVekObject(info) {}

  IDispatchEx* DispatchEx() override { return this; }
  HRESULT GetDispID(const WideString& name, uint32_t flags, DISPID& id) override;
  HRESULT InvokeEx(DISPID id, uint16_t flags, DispParams& params, Variant* result,
                   ExcepInfo* excep, IDispatch* caller) override;
  HRESULT GetMemberNames(std::vector<WideString>& names) override;

  // The member operations; derived classes may override them (a dictionary does).
  virtual int GetMemberId(std::u16string_view name) { return members_.GetMemberId(name); }
  virtual int AddMember(const WideString& name, const Variant& value) {
    return members_.AddMember(name, value);
  }
  virtual Variant GetMember(int id) { return members_.GetMember(id); }
  virtual void SetMember(int id, const Variant& value) { members_.SetMember(id, value); }
  virtual void DeleteMember(int id) { members_.DeleteMember(id); }

  TMemberList& Members() { return members_; }

 private:
  TMemberList members_;
};

// IObject: every member is an expando member.
class TRtlObject : public TVekObjectEx {
 public:
  static const InterfaceInfo& Info();
  TRtlObject() : TVekObjectEx(Info()) {}

 protected:
  explicit TRtlObject(const InterfaceInfo& info) : TVekObjectEx(info) {}
};

// The pages' `window.external` and the start-up script's `external`: an expando object that
// scripts read as they read their own objects: a member nobody added is undefined, and the
// members that were added are listed by `Object.keys` and for-in.
class TExternalObject : public TRtlObject {
 public:
  static constexpr char16_t kInterfaceName[] = u"IExternal";
  static const InterfaceInfo& Info();
  TExternalObject() : TRtlObject(Info()) {}
};

}  // namespace ulka
