#include "MemDC.h"

#include "Trace.h"

CMemDC::CMemDC(HDC target) : m_target(target), m_hdc(target) {
    if (!target) {
        kfw::Trace("[CTRL] CMemDC without a target context\n");
        return;
    }
    // A printer gets the drawing directly.
    if (::GetDeviceCaps(target, TECHNOLOGY) == DT_RASPRINTER)
        return;
    ::GetClipBox(target, &m_rect);
    const int width = m_rect.right - m_rect.left;
    const int height = m_rect.bottom - m_rect.top;
    if (width <= 0 || height <= 0)
        return;
    m_memDC.reset(::CreateCompatibleDC(target));
    m_bitmap.reset(::CreateCompatibleBitmap(target, width, height));
    if (!m_memDC || !m_bitmap) {
        kfw::Trace("[CTRL] CMemDC: no off-screen surface %dx%d, drawing directly\n", width, height);
        m_memDC.reset();
        m_bitmap.reset();
        return;
    }
    m_oldBitmap.emplace(m_memDC.get(), m_bitmap.get());
    ::SetWindowOrgEx(m_memDC, m_rect.left, m_rect.top, nullptr);
    // Start from the target's background colour.
    kfw::CBrush back(::CreateSolidBrush(::GetBkColor(target)));
    ::FillRect(m_memDC, &m_rect, back);
    m_hdc = m_memDC;
    m_bMemDC = true;
}

CMemDC::~CMemDC() {
    if (!m_bMemDC)
        return;
    ::BitBlt(m_target, m_rect.left, m_rect.top, m_rect.right - m_rect.left,
             m_rect.bottom - m_rect.top, m_memDC, m_rect.left, m_rect.top, SRCCOPY);
    m_oldBitmap.reset();
}
