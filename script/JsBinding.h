// The binding between JavaScriptCore values and automation Variants, shared by the host's script
// engines and by pages. Its rules are the contract applications rely on:
// member names match in any letter case; a plain property reads as its value; methods and
// properties with parameters read as callables; a property with parameters is put by one extra
// last argument; calling a host object calls its default member; byte arrays are Uint8Array;
// failures throw an Error with `message` and `number`.
#pragma once

#include <JavaScriptCore/JavaScript.h>

#include <memory>
#include <mutex>
#include <thread>
#include <unordered_set>

#include "automation/Dispatch.h"
#include "script/JsHandles.h"
#include "script/ScriptError.h"

namespace ulka {

// Why an engine's running script code was stopped: an interrupt asked for, or the memory ceiling.
// Neither is the script's own error.
struct EngineStop {
  std::atomic<bool> interrupt{false};
  std::atomic<bool> outOfMemory{false};
};

// What ties script objects of one JavaScript context back to their engine: where errors raised
// while the host calls into the script go, whether the engine still runs, why it was stopped, and
// the thread it runs on (its objects are used there only).
struct EngineLink {
  std::atomic<bool> alive{true};
  ScriptErrorHandler onError;
  std::shared_ptr<EngineStop> stop;
  std::thread::id owner = std::this_thread::get_id();
  // The script values that host objects hold (functions and objects handed over). Closing the
  // engine lets go of them all at once, so an engine is freed even while the host still holds
  // what it handed over, and a host object that holds one of its functions makes no cycle.
  std::mutex valuesLock;
  std::unordered_set<JsProtected*> values;
};

// Every context the binding serves is attached once, before values cross.
void AttachContext(JSGlobalContextRef ctx, std::shared_ptr<EngineLink> link);
void DetachContext(JSGlobalContextRef ctx);

// Values crossing: a byte array from a script is a copy, and one to a script is a fresh Uint8Array.
Variant FromJs(JSContextRef ctx, JSValueRef value);
JSValueRef ToJs(JSContextRef ctx, const Variant& value);
// An argument of a host call: a typed array is lent in place (Variant::LendBytes) for the call,
// whose ByteLoan ends when it returns. The script cannot run meanwhile unless the host calls it
// back, and the engine keeps the buffer pinned.
Variant FromJsArgument(JSContextRef ctx, JSValueRef value);
// A value the host gives up: a byte array nobody else holds becomes a Uint8Array over its own
// buffer, which the engine frees with the array; anything else is converted as above.
JSValueRef ToJs(JSContextRef ctx, Variant&& value);
// Whether byte arrays may become Uint8Arrays over buffers of their own. Such buffers lie outside
// the engine's caged heap, which web processes do not allow (the engine aborts there): the page
// extension turns this off, and byte arrays reach pages as copies.
void AllowOwnBufferArrays(bool allow);

// The JavaScript object standing for a host object: while it lives, the same one for the same
// object in the same context.
JSObjectRef WrapHostObject(JSContextRef ctx, IDispatch* object);
// The host object behind a wrapper, or null.
IDispatch* UnwrapHostObject(JSContextRef ctx, JSValueRef value);

// An Error with `message` and `number` (the status as a signed 32-bit integer).
JSValueRef MakeJsError(JSContextRef ctx, const WideString& message, HRESULT number);
// The failure of a dispatch call as a script exception.
JSValueRef MakeDispatchError(JSContextRef ctx, HRESULT hr, const ExcepInfo& excep);

// Description and zero-based position of a thrown value.
ScriptError ErrorFromException(JSContextRef ctx, JSValueRef exception);

}  // namespace ulka

namespace ulka {
// The prototype of every wrapper in a context (made once per attached context), and the one of
// collections, which adds `for...of`.
JSObjectRef PrototypeFor(JSContextRef ctx);
JSObjectRef IterablePrototypeFor(JSContextRef ctx);
JSObjectRef MakeMissingPrototype(JSContextRef ctx);
// The live wrapper of a host object in a context, if it has one; remembering one makes it that.
JSObjectRef KnownWrapper(JSContextRef ctx, IDispatch* object);
void RememberWrapper(JSContextRef ctx, IDispatch* object, JSObjectRef wrapper);
}  // namespace ulka
