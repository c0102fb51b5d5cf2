#include "automation/VarRules.h"

namespace ulka {

int64_t VarByteLength(const Variant& value) {
  if (value.IsArray()) {
    const auto& array = value.Array();
    return array ? static_cast<int64_t>(array->FirstDimensionCount()) : 0;
  }
  switch (value.Type()) {
    case VT_I1:
    case VT_UI1:
      return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_UI4:
    case VT_R4:
      return 4;
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_I8:
    case VT_UI8:
      return 8;
    case VT_BSTR: {
      const WideString& text = value.Text();
      size_t length = text.find(u'\0');
      return 2 * static_cast<int64_t>(length == WideString::npos ? text.size() : length);
    }
    default:
      return 0;
  }
}

bool VarIsEmptyValue(const Variant& value) {
  if (value.IsArray()) {
    const auto& array = value.Array();
    return !array || array->FirstDimensionCount() == 0;
  }
  switch (value.Type()) {
    case VT_EMPTY:
    case VT_NULL:
      return true;
    case VT_ERROR:
      return value.IsMissing();
    case VT_BOOL:
      return !value.Bool();
    case VT_BSTR:
      return value.Text().empty();
    case VT_R4:
      return value.Float() == 0;
    case VT_R8:
      return value.Double() == 0;
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_CY:
      return value.Int() == 0;
    default:
      return false;
  }
}

}  // namespace ulka
