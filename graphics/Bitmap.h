// The scriptable bitmap: load, make, transform, draw, save, and the clipboard. Every member may be
// called from any thread: the pixel work runs on the caller's thread under the object's lock, and
// the clipboard members hand their platform calls to the main thread.
#pragma once

#include <mutex>

#include "automation/VekObject.h"
#include "graphics/VekBitmap.h"

namespace ulka {

class TBitmap : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  TBitmap() : TVekObject(Info()) {}

  // The Bitmap object behind an argument declared as a bitmap; an invalid type cast otherwise.
  static TBitmap& Cast(IDispatch* value);
  // The pixels, for the parts that fill a new bitmap before handing it out (screenshots).
  TVekBitmap& Bitmap() { return FBitmap; }

  bool Open(const Variant& Source);
  void Save(const WideString& FileName, int32_t Quality);
  Ref<TBitmap> Clone(const Variant& Rect);
  void RotateLeft();
  void RotateRight();
  void FlipHorz();
  void FlipVert();
  Variant PNG();
  Variant JPEG(int32_t Quality);
  void Draw(IDispatch* SrcBitmap, IDispatch* DestRect, const Variant& SrcRect, uint8_t Alpha, uint8_t StretchFilter);
  void SetSize(const Variant& Param1, int32_t Param2);
  int32_t GetWidth();
  void SetWidth(int32_t Value);
  int32_t GetHeight();
  void SetHeight(int32_t Value);
  Ref<IDispatch> GetBounds();
  void Fill(uint32_t Color, const Variant& Rect);
  bool IsEmpty();
  uint32_t GetPixels(int32_t X, int32_t Y);
  void SetPixels(int32_t X, int32_t Y, uint32_t Value);
  bool GetCanPaste();
  bool Paste();
  void Copy();

 private:
  std::mutex FLock;
  TVekBitmap FBitmap;
};

}  // namespace ulka
