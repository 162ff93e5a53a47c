#include "win32/pictures.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <vector>

#include "platform/windows_text.h"

namespace kv3::win32 {

namespace {

using Microsoft::WRL::ComPtr;

// The bytes of a picture resource; empty when there is none.
std::pair<const BYTE*, DWORD> ResourceBytes(const std::string& name) {
  const std::wstring wide = platform::detail::Wide(name);
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC found = ::FindResourceW(module, wide.c_str(), RT_RCDATA);
  if (found == nullptr) return {nullptr, 0};
  HGLOBAL loaded = ::LoadResource(module, found);
  if (loaded == nullptr) return {nullptr, 0};
  return {static_cast<const BYTE*>(::LockResource(loaded)), ::SizeofResource(module, found)};
}

}  // namespace

Bitmap StoredPicture(const std::string& name, int width, int height) {
  const auto [bytes, size] = ResourceBytes(name);
  if (bytes == nullptr || size == 0 || width <= 0 || height <= 0) return {};
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICBitmapScaler> scaler;
  ComPtr<IWICFormatConverter> converter;
  UINT pictureWidth = 0;
  UINT pictureHeight = 0;
  if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(factory.GetAddressOf()))) ||
      FAILED(factory->CreateStream(stream.GetAddressOf())) ||
      FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes), size)) ||
      FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnLoad,
                                              decoder.GetAddressOf())) ||
      FAILED(decoder->GetFrame(0, frame.GetAddressOf())) ||
      FAILED(frame->GetSize(&pictureWidth, &pictureHeight)) || pictureWidth == 0 ||
      pictureHeight == 0) {
    return {};
  }
  // Fitted into the bounds, proportions kept, centred.
  const double scale = std::min(static_cast<double>(width) / pictureWidth,
                                static_cast<double>(height) / pictureHeight);
  const UINT fitWidth = std::max(1U, static_cast<UINT>(pictureWidth * scale));
  const UINT fitHeight = std::max(1U, static_cast<UINT>(pictureHeight * scale));
  if (FAILED(factory->CreateBitmapScaler(scaler.GetAddressOf())) ||
      FAILED(
          scaler->Initialize(frame.Get(), fitWidth, fitHeight, WICBitmapInterpolationModeFant)) ||
      FAILED(factory->CreateFormatConverter(converter.GetAddressOf())) ||
      FAILED(converter->Initialize(scaler.Get(), GUID_WICPixelFormat32bppPBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0,
                                   WICBitmapPaletteTypeCustom))) {
    return {};
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* pixels = nullptr;
  Bitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
  if (bitmap.get() == nullptr || pixels == nullptr) return {};
  std::vector<BYTE> fitted(static_cast<std::size_t>(fitWidth) * fitHeight * 4);
  if (FAILED(converter->CopyPixels(nullptr, fitWidth * 4, static_cast<UINT>(fitted.size()),
                                   fitted.data()))) {
    return {};
  }
  // The rest of the bitmap stays transparent (all zero).
  auto* target = static_cast<BYTE*>(pixels);
  const UINT left = (static_cast<UINT>(width) - fitWidth) / 2;
  const UINT top = (static_cast<UINT>(height) - fitHeight) / 2;
  for (UINT row = 0; row < fitHeight; ++row) {
    std::copy_n(fitted.data() + static_cast<std::size_t>(row) * fitWidth * 4, fitWidth * 4,
                target + (static_cast<std::size_t>(top + row) * width + left) * 4);
  }
  return bitmap;
}

void DrawPicture(HDC context, const RECT& area, const Bitmap& picture) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (picture.get() == nullptr) {
    const HBRUSH fill = ::CreateSolidBrush(RGB(224, 224, 224));
    ::FillRect(context, &area, fill);
    ::DeleteObject(fill);
    const HBRUSH edge = ::CreateSolidBrush(RGB(176, 176, 176));
    ::FrameRect(context, &area, edge);
    ::DeleteObject(edge);
    return;
  }
  const HDC source = ::CreateCompatibleDC(context);
  const HGDIOBJ previous = ::SelectObject(source, picture.get());
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ::AlphaBlend(context, area.left, area.top, width, height, source, 0, 0, width, height, blend);
  ::SelectObject(source, previous);
  ::DeleteDC(source);
}

}  // namespace kv3::win32
