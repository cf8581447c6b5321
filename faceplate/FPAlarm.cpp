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
    if (!m_tag.IsDataGood())
        return;
    const FPItemInfo* info = m_tag.FindItem(flagItem);
    if (!info)
        return;
    DWORD flag = 0;
    bool fromHost = false;
    if (m_tag.IsHostCallbackMode()) {
        uint32_t status = 0;
        if (m_tag.ReadHostStatus(status) == 1) {
            flag = status;
            fromHost = true;
            Trace("dwFlag for qbrtcore\n");
        }
    }
    if (!fromHost) {
        Trace("dwFlag enter commserver\n");
        if (!m_tag.IsConnected())
            return;
        Trace("dwFlag from commserver\n");
        flag = m_tag.ReadFlagWord(*info);
    }
    Trace("dwFlag = 0x%x\n", static_cast<unsigned>(flag));
    std::string alarms = FlagToAlarm(flag);
    std::string status = StatusBitText(flag);
    SetStatusText(status.c_str(), alarms.c_str());
}

std::string CFP_BASEDlg::FlagToAlarm(DWORD flag) {
    std::string text;
    BOOL alarm = FALSE;
    const FPBlockInfo* block = m_tag.BlockInfo();
    const char* tag = m_tag.TagName().c_str();
    if (block && block->bitMap.pEntries) {
        const FPBitMap& map = block->bitMap;
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
        if (m_pFunAlmState(tag, flag, &indication, &m_crAlarm) != kHostOk) {
            alarm = indication;
            Trace("FlagToAlarm m_pFunAlmState m_strTagName= %s, get %d\n", tag, indication);
        }
    }
    // The callback may have closed the faceplate: no lamp to repaint then.
    if ((m_crAlarm != m_crPrevAlarm || alarm != m_bPrevAlarm) && !IsClosing()) {
        m_crPrevAlarm = m_crAlarm;
        ::InvalidateRect(m_hWnd, &m_rcLamp, FALSE);
    }
    Trace("FlagToAlarm 1 %s,%d \n", tag, static_cast<int>(m_crAlarm));
    m_bAlarm = alarm;
    m_bPrevAlarm = alarm;
    Trace("FlagToAlarm 2 %s,%d \n", tag, static_cast<int>(m_crAlarm));
    if (!alarm)
        text = kTextNoAlarm;
    Trace("FlagToAlarm 2 %s,%s \n", tag, text.c_str());
    return text;
}

std::string CFP_BASEDlg::StatusBitText(DWORD flag) {
    std::string text;
    const FPBlockInfo* block = m_tag.BlockInfo();
    if (!block || !block->bitMap.pEntries)
        return text;
    const FPBitMap& map = block->bitMap;
    for (uint32_t i = 0; i < map.nCount; ++i) {
        const FPBitInfo* bit = map.pEntries[i].pBit;
        if (bit && !bit->bAlarm && (flag & BitMask(map.pEntries[i].wBit))) {
            text += bit->pszName ? bit->pszName : "";
            text += ' ';
        }
    }
    return text;
}
