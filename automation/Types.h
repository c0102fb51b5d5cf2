// Basic types shared by every scriptable object: status codes, dispatch ids, text and byte buffers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ulka {

using HRESULT = int32_t;
using DISPID = int32_t;
using WideString = std::u16string;  // automation text is UTF-16
using Bytes = std::vector<uint8_t>;

constexpr HRESULT MakeStatus(uint32_t code) { return static_cast<HRESULT>(code); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = MakeStatus(0x80004001);
constexpr HRESULT E_NOINTERFACE = MakeStatus(0x80004002);
constexpr HRESULT E_POINTER = MakeStatus(0x80004003);
constexpr HRESULT E_FAIL = MakeStatus(0x80004005);
constexpr HRESULT E_UNEXPECTED = MakeStatus(0x8000FFFF);
constexpr HRESULT E_OUTOFMEMORY = MakeStatus(0x8007000E);
constexpr HRESULT E_INVALIDARG = MakeStatus(0x80070057);
constexpr HRESULT DISP_E_UNKNOWNINTERFACE = MakeStatus(0x80020001);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = MakeStatus(0x80020003);
constexpr HRESULT DISP_E_PARAMNOTFOUND = MakeStatus(0x80020004);
constexpr HRESULT DISP_E_TYPEMISMATCH = MakeStatus(0x80020005);
constexpr HRESULT DISP_E_UNKNOWNNAME = MakeStatus(0x80020006);
constexpr HRESULT DISP_E_NONAMEDARGS = MakeStatus(0x80020007);
constexpr HRESULT DISP_E_BADVARTYPE = MakeStatus(0x80020008);
constexpr HRESULT DISP_E_EXCEPTION = MakeStatus(0x80020009);
constexpr HRESULT DISP_E_OVERFLOW = MakeStatus(0x8002000A);
constexpr HRESULT DISP_E_BADINDEX = MakeStatus(0x8002000B);
constexpr HRESULT DISP_E_BADPARAMCOUNT = MakeStatus(0x8002000E);
constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = MakeStatus(0x8002000F);
constexpr HRESULT DISP_E_BADCALLEE = MakeStatus(0x80020010);
constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = MakeStatus(0x8002802B);
// An object whose other side (a page, another thread's engine) has gone, or that cannot be
// reached from the calling thread.
constexpr HRESULT RPC_E_DISCONNECTED = MakeStatus(0x80010108);
constexpr HRESULT RPC_E_WRONG_THREAD = MakeStatus(0x8001010E);

constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }
constexpr bool Failed(HRESULT hr) { return hr < 0; }

constexpr DISPID DISPID_VALUE = 0;
constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_PROPERTYPUT = -3;
constexpr DISPID DISPID_THIS = -613;
constexpr DISPID DISPID_NEWENUM = -4;  // a collection's items, for `for...of`
constexpr DISPID DISPID_EXPANDO_BASE = 6000;

// Invoke flags.
constexpr uint16_t DISPATCH_METHOD = 1;
constexpr uint16_t DISPATCH_PROPERTYGET = 2;
constexpr uint16_t DISPATCH_PROPERTYPUT = 4;
constexpr uint16_t DISPATCH_PROPERTYPUTREF = 8;

// GetDispID flags.
constexpr uint32_t fdexNameCaseSensitive = 1;
constexpr uint32_t fdexNameEnsure = 2;

}  // namespace ulka
