// Scope guards for drawing objects: an object made for one painting is deleted when the scope
// ends, and an object selected into a device context is swapped out again first (declare the
// owned object before its selection, so the selection ends first).
#pragma once

#include "platform/win32.h"

namespace ui {

template <class Handle>
class OwnedGdiObject {
  public:
    explicit OwnedGdiObject(Handle handle) : handle_(handle) {}
    ~OwnedGdiObject() {
        if (handle_) DeleteObject(handle_);
    }
    OwnedGdiObject(const OwnedGdiObject&) = delete;
    OwnedGdiObject& operator=(const OwnedGdiObject&) = delete;
    Handle Get() const { return handle_; }

  private:
    Handle handle_;
};

// Selects object into dc (when it is not null) and puts the previous object back at the end.
class Selection {
  public:
    Selection(HDC dc, HGDIOBJ object)
        : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
    ~Selection() {
        if (previous_) SelectObject(dc_, previous_);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace ui
