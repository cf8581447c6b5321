// Off-screen drawing surface for one paint: drawing goes into a memory bitmap the size of the
// target's clip box, which is copied to the target when the object goes away. The target's
// own selected objects, colours and origin are left as they were.
#pragma once

#include "Handle.h"

#include <windows.h>

#include <optional>

class CMemDC {
public:
    explicit CMemDC(HDC target);
    ~CMemDC();
    CMemDC(const CMemDC&) = delete;
    CMemDC& operator=(const CMemDC&) = delete;

    // The context to draw into (the memory context, or the target itself for a printer).
    operator HDC() const { return m_hdc; }
    HDC GetSafeHdc() const { return m_hdc; }
    bool IsOffScreen() const { return m_bMemDC; }
    // The target's clip box, in its logical coordinates.
    const RECT& GetClipRect() const { return m_rect; }

private:
    HDC m_target = nullptr;
    HDC m_hdc = nullptr;
    RECT m_rect{};
    bool m_bMemDC = false;
    kfw::CMemoryDC m_memDC;
    kfw::CBitmap m_bitmap;
    std::optional<kfw::CSelectObject> m_oldBitmap; // puts the previous bitmap back first
};
