#pragma once

#include <windows.h>

#include <string>

namespace kv3::win32 {

// Sole owner of a GDI bitmap.
class Bitmap {
 public:
  Bitmap() = default;
  explicit Bitmap(HBITMAP handle) : handle_(handle) {}
  ~Bitmap() {
    if (handle_ != nullptr) ::DeleteObject(handle_);
  }
  Bitmap(Bitmap&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  Bitmap& operator=(Bitmap&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;
  HBITMAP get() const { return handle_; }

 private:
  HBITMAP handle_ = nullptr;
};

// A picture stored with the program (a PNG resource of that name), scaled to fit width x height
// with its proportions kept and centred, as premultiplied 32-bit pixels; an empty bitmap when the
// program has no such picture or it cannot be read.
Bitmap StoredPicture(const std::string& name, int width, int height);

// Draws a bitmap of StoredPicture into the rectangle, blending its transparent parts; a neutral
// placeholder when there is none.
void DrawPicture(HDC context, const RECT& area, const Bitmap& picture);

}  // namespace kv3::win32
