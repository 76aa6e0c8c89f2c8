// The working picture: one owning handle for a FreeImage bitmap, handed from
// stage to stage. The bitmap is unloaded when its last owner lets go, so no
// stage frees by hand and no early return leaks.
#pragma once

#include <FreeImage.h>

#include <cstddef>

class Bitmap {
 public:
  Bitmap() = default;
  // Takes over image (none is allowed).
  explicit Bitmap(FIBITMAP* image) : image_(image) {}
  Bitmap(Bitmap&& other) noexcept : image_(other.release()) {}
  Bitmap& operator=(Bitmap&& other) noexcept {
    reset(other.release());
    return *this;
  }
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;
  ~Bitmap() { reset(); }

  FIBITMAP* get() const { return image_; }
  explicit operator bool() const { return image_ != nullptr; }
  friend bool operator==(const Bitmap& image, std::nullptr_t) { return image.image_ == nullptr; }

  // Continues with next and unloads the bitmap it replaces; a library call
  // that hands back the same bitmap keeps it.
  void reset(FIBITMAP* next = nullptr) {
    if (next == image_) return;
    FIBITMAP* old = image_;
    image_ = next;
    if (old) FreeImage_Unload(old);
  }
  // Gives the bitmap up to a caller that unloads it itself.
  FIBITMAP* release() {
    FIBITMAP* image = image_;
    image_ = nullptr;
    return image;
  }

 private:
  FIBITMAP* image_ = nullptr;
};
