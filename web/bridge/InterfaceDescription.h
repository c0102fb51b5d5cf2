// Interface descriptions on the wire: what the owner of an object tells the other side about its
// members, and the local table built from it, whose members can only be reached through a proxy.
#pragma once

#include "automation/TypeInfo.h"
#include "web/bridge/BridgeProtocol.h"

namespace ulka::bridge {

void DescribeInterface(const InterfaceInfo& info, DescribeInterfaceMsg::Reply& description);

// The table for a description; made once per interface name and kept for the life of the process
// (the script binding keys its classes by the table's address).
const InterfaceInfo* InterfaceFromDescription(DescribeInterfaceMsg::Reply& description);

// An interface already known in this process under `name`.
const InterfaceInfo* KnownInterface(const WideString& name);

}  // namespace ulka::bridge
