// Alarm state display: the status lines and the alarm state from the flag word.
#include "FP_BASEDlg.h"

#include "Handle.h"
#include "Text.h"
#include "Trace.h"

using namespace fp;
using kfw::Trace;

namespace {
DWORD BitMask(uint16_t bit) {
    return 1u << (bit % 32);
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
    // The callback may have closed the faceplate: no lamp to repaint then.
    if ((m_crAlarm != m_crPrevAlarm || alarm != m_bPrevAlarm) && !IsClosing()) {
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
