// Alarm state display: status lines from the flag word, the state lamp and the frame.
#include "FP_BASEDlg.h"

#include "Handle.h"
#include "Text.h"
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

DWORD BitMask(uint16_t bit) {
    return 1u << (bit % 32);
}

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

void CFP_BASEDlg::ShowAlarmState(WORD flagItem) {
    if (!m_nDataGood)
        return;
    const FPItemInfo* info = FindItem(flagItem);
    if (!info)
        return;
    DWORD flag = 0;
    bool fromHost = false;
    if (m_bHostMode) {
        uint32_t status = 0;
        if (ReadHostStatus(status) == 1) {
            flag = status;
            fromHost = true;
            Trace("dwFlag for qbrtcore\n");
        }
    }
    if (!fromHost) {
        Trace("dwFlag enter commserver\n");
        if (!m_bconnected)
            return;
        Trace("dwFlag from commserver\n");
        flag = ReadFlagWord(*info);
    }
    Trace("dwFlag = 0x%x\n", static_cast<unsigned>(flag));
    std::string alarms = FlagToAlarm(flag);
    std::string status = StatusBitText(flag);
    SetStatusText(status.c_str(), alarms.c_str());
}

std::string CFP_BASEDlg::FlagToAlarm(DWORD flag) {
    std::string text;
    BOOL alarm = FALSE;
    if (m_pBlock && m_pBlock->bitMap.pEntries) {
        const FPBitMap& map = m_pBlock->bitMap;
        for (uint32_t i = 0; i < map.nCount; ++i) {
            const FPBitInfo* bit = map.pEntries[i].pBit;
            if (bit && bit->bAlarm && (flag & BitMask(map.pEntries[i].wBit))) {
                text += bit->pszName ? bit->pszName : "";
                text += ' ';
                alarm = TRUE;
            }
        }
    }
    if (m_pFunAlmState) {
        Trace("FlagToAlarm m_pFunAlmState\n");
        // A callback that fails without answering leaves the alarm the flag bits show.
        int indication = alarm;
        if (m_pFunAlmState(m_strTagName.c_str(), flag, &indication, &m_crAlarm) != kHostOk) {
            alarm = indication;
            Trace("FlagToAlarm m_pFunAlmState m_strTagName= %s, get %d\n", m_strTagName.c_str(),
                  indication);
        }
    }
    if (m_crAlarm != m_crPrevAlarm || alarm != m_bPrevAlarm) {
        m_crPrevAlarm = m_crAlarm;
        ::InvalidateRect(m_hWnd, &m_rcLamp, FALSE);
    }
    Trace("FlagToAlarm 1 %s,%d \n", m_strTagName.c_str(), static_cast<int>(m_crAlarm));
    m_bAlarm = alarm;
    m_bPrevAlarm = alarm;
    Trace("FlagToAlarm 2 %s,%d \n", m_strTagName.c_str(), static_cast<int>(m_crAlarm));
    if (!alarm)
        text = kTextNoAlarm;
    Trace("FlagToAlarm 2 %s,%s \n", m_strTagName.c_str(), text.c_str());
    return text;
}

std::string CFP_BASEDlg::StatusBitText(DWORD flag) {
    std::string text;
    if (!m_pBlock || !m_pBlock->bitMap.pEntries)
        return text;
    const FPBitMap& map = m_pBlock->bitMap;
    for (uint32_t i = 0; i < map.nCount; ++i) {
        const FPBitInfo* bit = map.pEntries[i].pBit;
        if (bit && !bit->bAlarm && (flag & BitMask(map.pEntries[i].wBit))) {
            text += bit->pszName ? bit->pszName : "";
            text += ' ';
        }
    }
    return text;
}

COLORREF CFP_BASEDlg::LampColour() const {
    if (!m_nDataGood)
        return kBlack;
    return m_bAlarm ? m_crAlarm : m_crNormal;
}

void CFP_BASEDlg::DrawLamp(HDC hdc, POINT centre) {
    COLORREF colour = LampColour();
    Trace(m_nDataGood ? "[FPTIME] COLOR_OTHER" : "[FPTIME] COLOR_BLACK");
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
