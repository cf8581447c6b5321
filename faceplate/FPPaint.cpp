// Painting of the faceplate's frame: background, etched lines, the symbol and the state lamp.
#include "FP_BASEDlg.h"

#include "Handle.h"
#include "Trace.h"

using namespace fp;
using kfw::Trace;

namespace {
constexpr int kLampRadius = 11;
constexpr int kLampHalf = 14; // lamp rectangle: centre +- 14
constexpr int kLampBelowTitle = 16;
constexpr int kSecondLineBelow = 30;
constexpr int kSymbolWidth = 32;
constexpr int kSymbolHeight = 28;
constexpr COLORREF kSymbolColour = 0xFFFF00;
constexpr COLORREF kBlack = 0x000000;

RECT ChildRect(HWND dialog, int id) {
    RECT rc{};
    if (HWND h = ::GetDlgItem(dialog, id)) {
        ::GetWindowRect(h, &rc);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rc), 2);
    }
    return rc;
}

void EtchedLine(HDC hdc, int left, int right, int y) {
    RECT rc{left, y, right, y + 2};
    ::DrawEdge(hdc, &rc, EDGE_ETCHED, BF_TOP);
}
} // namespace

COLORREF CFP_BASEDlg::LampColour() const {
    if (!m_tag.IsDataGood())
        return kBlack;
    return m_bAlarm ? m_crAlarm : m_crNormal;
}

void CFP_BASEDlg::DrawLamp(HDC hdc, POINT centre) {
    COLORREF colour = LampColour();
    Trace(m_tag.IsDataGood() ? "[FPTIME] COLOR_OTHER" : "[FPTIME] COLOR_BLACK");
    kfw::CBrush brush(::CreateSolidBrush(colour));
    kfw::CSelectObject selBrush(hdc, brush);
    kfw::CSelectObject selPen(hdc, ::GetStockObject(NULL_PEN));
    int y = centre.y + 1;
    // NULL_PEN shrinks the ellipse by one pixel on the right and bottom.
    ::Ellipse(hdc, centre.x - kLampRadius, y - kLampRadius, centre.x + kLampRadius + 1,
              y + kLampRadius + 1);
}

void CFP_BASEDlg::DrawFaceplate(HDC hdc, BOOL drawLamp) {
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    ::FillRect(hdc, &client, m_brBackground);
    RECT title = ChildRect(m_hWnd, IDC_FP_TAGNAME);
    EtchedLine(hdc, title.left, title.right, title.bottom);

    // Small cyan symbol at the title's lower left corner.
    POINT symbol[] = {{title.left + 4, title.bottom + kSymbolHeight - 6},
                      {title.left + kSymbolWidth / 2, title.bottom + 6},
                      {title.left + kSymbolWidth - 4, title.bottom + kSymbolHeight - 6}};
    {
        kfw::CBrush brush(::CreateSolidBrush(kSymbolColour));
        kfw::CSelectObject selBrush(hdc, brush);
        kfw::CSelectObject selPen(hdc, ::GetStockObject(NULL_PEN));
        ::Polygon(hdc, symbol, 3);
    }
    if (drawLamp) {
        POINT centre{(title.left + title.right) / 2 - 1, title.bottom + kLampBelowTitle};
        m_rcLamp = RECT{centre.x - kLampHalf, centre.y - kLampHalf, centre.x + kLampHalf,
                        centre.y + kLampHalf};
        DrawLamp(hdc, centre);
    }
    EtchedLine(hdc, title.left + 1, title.right - 1, title.bottom + kSecondLineBelow);
    RECT second = ChildRect(m_hWnd, IDC_FP_STATUS2);
    EtchedLine(hdc, second.left, second.right, second.bottom);
    RECT status = ChildRect(m_hWnd, IDC_FP_STATUS);
    EtchedLine(hdc, status.left, status.right, status.bottom);
    ::DrawEdge(hdc, &client, m_bActive ? EDGE_RAISED : EDGE_ETCHED, BF_RECT);
}
