// The messages of the page bridge, declared once: each message's request and reply shapes side by
// side. The host and the web process extension both speak this table over one Unix socket per
// page. A message with `kOneWay` has no reply. Object ids name entries of the table of the side
// that owns the object (`object` fields always name the receiver's table).
//
// Frame: uint32 body size, uint8 frame kind, uint16 message, uint64 call id, uint32 block count,
// then the body (the request's or the reply's fields in order, see WireFormat.h), then for each
// block its size as a uint64, then the blocks' bytes.
#pragma once

#include <tuple>

#include "web/bridge/WireFormat.h"

namespace ulka::bridge {

enum class Message : uint16_t {
  Hello = 1,
  NewDocument,
  GetDocument,
  SetExternal,
  GetIDsOfNames,
  GetDispID,
  Invoke,
  DescribeInterface,
  Release,
  FrameDocument,
  UserActivation,
  MemberNames,
};

enum class FrameKind : uint8_t { Request = 1, Reply = 2, OneWay = 3 };

struct NoFields {
  auto Fields() { return std::tie(); }
};

struct WireNamedArg {
  int32_t id = 0;
  Variant value;
  auto Fields() { return std::tie(id, value); }
};

struct WireExcepInfo {
  WideString description;
  WideString source;
  int32_t scode = 0;
  uint32_t helpContext = 0;
  auto Fields() { return std::tie(description, source, scode, helpContext); }
};

struct WireParam {
  WideString name;
  uint16_t type = VT_VARIANT;
  bool optional = false;
  bool hasDefault = false;
  Variant defaultValue;
  auto Fields() { return std::tie(name, type, optional, hasDefault, defaultValue); }
};

struct WireAccessor {
  bool present = false;
  uint16_t result = VT_EMPTY;
  std::vector<WireParam> params;
  auto Fields() { return std::tie(present, result, params); }
};

struct WireMember {
  int32_t id = 0;
  WideString name;
  uint8_t kind = 0;  // MemberKind
  WireAccessor method, get, put;
  auto Fields() { return std::tie(id, name, kind, method, get, put); }
};

// ---- page messages ------------------------------------------------------------------------

// Changes whenever a message's shape changes: an extension from another build is refused.
constexpr uint32_t kProtocolVersion = 5;

// Web process -> host, once per page connection: the protocol it speaks, which page this is, and
// the secret the host handed the extension at start-up (other local processes cannot speak to
// the host).
struct HelloMsg {
  static constexpr Message kId = Message::Hello;
  static constexpr bool kOneWay = true;
  struct Request {
    uint32_t version = kProtocolVersion; uint64_t pageId = 0; WideString secret;
    auto Fields() { return std::tie(version, pageId, secret); }
  };
  using Reply = NoFields;
};

// Web process -> host: the main frame has a new document. The host drops what the previous
// document held and answers whether the document may have `window.external` (pages of trusted
// schemes only) and, if so, the object (Empty: none yet).
struct NewDocumentMsg {
  static constexpr Message kId = Message::NewDocument;
  static constexpr bool kOneWay = false;
  struct Request { WideString url; uint64_t frameId = 0; auto Fields() { return std::tie(url, frameId); } };
  struct Reply { bool trusted = false; Variant external; auto Fields() { return std::tie(trusted, external); } };
};

// Web process -> host: a frame inside the page has a new document, of `origin` (as the document
// itself reads it). The host answers whether it is one of the application's own. A page that
// holds documents from elsewhere has its requests to open something on the desktop judged by the
// frame the user last acted in.
struct FrameDocumentMsg {
  static constexpr Message kId = Message::FrameDocument;
  static constexpr bool kOneWay = false;
  struct Request {
    uint64_t frameId = 0; WideString origin; WideString url;
    auto Fields() { return std::tie(frameId, origin, url); }
  };
  struct Reply { bool trusted = false; auto Fields() { return std::tie(trusted); } };
};

// Web process -> host: the user acted (a key, a click, a touch) in the frame, and the frame is not
// of the same trust as the one acted in before. Answered, so that the host knows it before the
// engine asks for a window the action may open.
struct UserActivationMsg {
  static constexpr Message kId = Message::UserActivation;
  static constexpr bool kOneWay = false;
  struct Request { uint64_t frameId = 0; auto Fields() { return std::tie(frameId); } };
  using Reply = NoFields;
};

// Host -> web process: the page's `document` (Empty when there is none).
struct GetDocumentMsg {
  static constexpr Message kId = Message::GetDocument;
  static constexpr bool kOneWay = false;
  using Request = NoFields;
  struct Reply { Variant document; auto Fields() { return std::tie(document); } };
};

// Host -> web process: the view's external object changed (Empty or Null: none).
struct SetExternalMsg {
  static constexpr Message kId = Message::SetExternal;
  static constexpr bool kOneWay = true;
  struct Request { Variant external; auto Fields() { return std::tie(external); } };
  using Reply = NoFields;
};

// ---- object messages, either direction ----------------------------------------------------

struct GetIDsOfNamesMsg {
  static constexpr Message kId = Message::GetIDsOfNames;
  static constexpr bool kOneWay = false;
  struct Request { uint64_t object = 0; std::vector<WideString> names; auto Fields() { return std::tie(object, names); } };
  struct Reply { int32_t hr = 0; std::vector<int32_t> ids; auto Fields() { return std::tie(hr, ids); } };
};

// With `prefetch`, the owner may answer the member's value along with its id when reading it
// has no effect (an expando member); the caller's property get that follows then costs nothing.
struct GetDispIDMsg {
  static constexpr Message kId = Message::GetDispID;
  static constexpr bool kOneWay = false;
  struct Request {
    uint64_t object = 0; WideString name; uint32_t flags = 0; bool prefetch = false;
    auto Fields() { return std::tie(object, name, flags, prefetch); }
  };
  struct Reply {
    int32_t hr = 0; int32_t id = 0; bool fetched = false; Variant value;
    auto Fields() { return std::tie(hr, id, fetched, value); }
  };
};

struct InvokeMsg {
  static constexpr Message kId = Message::Invoke;
  static constexpr bool kOneWay = false;
  struct Request {
    uint64_t object = 0; int32_t id = 0; uint16_t flags = 0;
    bool viaEx = false;      // InvokeEx rather than Invoke
    bool wantResult = false; // the caller gave a result place
    std::vector<Variant> args;  // positional, in call order
    std::vector<WireNamedArg> named;
    auto Fields() { return std::tie(object, id, flags, viaEx, wantResult, args, named); }
  };
  struct Reply {
    int32_t hr = 0; Variant result; WireExcepInfo excep;
    auto Fields() { return std::tie(hr, result, excep); }
  };
};

// The interface description of an object, asked once per interface name.
struct DescribeInterfaceMsg {
  static constexpr Message kId = Message::DescribeInterface;
  static constexpr bool kOneWay = false;
  struct Request { uint64_t object = 0; auto Fields() { return std::tie(object); } };
  struct Reply {
    bool found = false; WideString name, iid, help; std::vector<WireMember> members;
    auto Fields() { return std::tie(found, name, iid, help, members); }
  };
};

// The names of an object's own (expando) members, for a script that lists its keys.
struct MemberNamesMsg {
  static constexpr Message kId = Message::MemberNames;
  static constexpr bool kOneWay = false;
  struct Request { uint64_t object = 0; auto Fields() { return std::tie(object); } };
  struct Reply { int32_t hr = 0; std::vector<WideString> names; auto Fields() { return std::tie(hr, names); } };
};

// The importer gives back `count` references it received to the object; the owner drops its
// entry when every reference it sent has come back. Unknown ids are ignored.
struct ReleaseMsg {
  static constexpr Message kId = Message::Release;
  static constexpr bool kOneWay = true;
  struct Request { uint64_t object = 0; uint32_t count = 0; auto Fields() { return std::tie(object, count); } };
  using Reply = NoFields;
};

// Limits that keep a broken peer from exhausting the other side.
constexpr uint32_t kMaxFrameBody = 512u << 20;
constexpr uint64_t kMaxFrameBlocks = 1u << 16;
constexpr uint64_t kMaxFrameBlocksSize = uint64_t{1} << 30;  // all blocks of one frame together
constexpr size_t kFrameHeaderSize = 4 + 1 + 2 + 8 + 4;

}  // namespace ulka::bridge
