#include "web/bridge/InterfaceDescription.h"

#include <memory>
#include <mutex>

namespace ulka::bridge {

namespace {

// Members of a described interface live in the other process; a proxy never runs them here.
void RunsElsewhere(IDispatch&, Variant*, Variant&, const void*) {
  FailCode(E_UNEXPECTED, "This member runs in the other process");
}

WireAccessor DescribeAccessor(const Accessor& a) {
  WireAccessor wire;
  wire.present = static_cast<bool>(a);
  if (!wire.present) return wire;
  wire.result = a.result;
  for (const ParamInfo& p : a.params) {
    WireParam param;
    param.name = p.name;
    param.type = p.type;
    param.optional = p.optional;
    param.hasDefault = p.defaultValue.has_value();
    if (p.defaultValue) param.defaultValue = *p.defaultValue;
    wire.params.push_back(std::move(param));
  }
  return wire;
}

Accessor AccessorFrom(WireAccessor& wire) {
  Accessor a;
  if (!wire.present) return a;
  a.thunk = &RunsElsewhere;
  a.result = static_cast<VarType>(wire.result);
  for (WireParam& w : wire.params) {
    ParamInfo p;
    p.name = std::move(w.name);
    p.type = static_cast<VarType>(w.type);
    p.optional = w.optional;
    if (w.hasDefault) p.defaultValue = std::move(w.defaultValue);
    a.params.push_back(std::move(p));
  }
  return a;
}

std::mutex tablesLock;
std::vector<std::unique_ptr<InterfaceInfo>>& Tables() {
  static std::vector<std::unique_ptr<InterfaceInfo>> tables;
  return tables;
}

}  // namespace

void DescribeInterface(const InterfaceInfo& info, DescribeInterfaceMsg::Reply& description) {
  description.found = true;
  description.name = info.Name();
  description.iid = info.Iid();
  description.help = info.Help();
  for (const MemberInfo& m : info.Members()) {
    WireMember wire;
    wire.id = m.id;
    wire.name = m.name;
    wire.kind = static_cast<uint8_t>(m.kind);
    wire.method = DescribeAccessor(m.method);
    wire.get = DescribeAccessor(m.get);
    wire.put = DescribeAccessor(m.put);
    description.members.push_back(std::move(wire));
  }
}

const InterfaceInfo* KnownInterface(const WideString& name) { return TypeLibrary::Find(name); }

const InterfaceInfo* InterfaceFromDescription(DescribeInterfaceMsg::Reply& description) {
  std::lock_guard guard(tablesLock);
  if (const InterfaceInfo* known = TypeLibrary::Find(description.name)) return known;
  std::vector<MemberInfo> members;
  for (WireMember& wire : description.members) {
    MemberInfo m;
    m.id = wire.id;
    m.name = std::move(wire.name);
    m.kind = wire.kind == static_cast<uint8_t>(MemberKind::Property) ? MemberKind::Property : MemberKind::Method;
    m.method = AccessorFrom(wire.method);
    m.get = AccessorFrom(wire.get);
    m.put = AccessorFrom(wire.put);
    if (m.put && m.put.params.empty()) continue;  // a put accessor always takes its value
    members.push_back(std::move(m));
  }
  // The constructor registers the table under its name.
  Tables().push_back(std::make_unique<InterfaceInfo>(description.name, description.iid, description.help,
                                                     std::move(members)));
  return Tables().back().get();
}

}  // namespace ulka::bridge
