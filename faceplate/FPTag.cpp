// The tag model: copy of the host's record, the tag's status from the host, and the copy of
// each delivery.
#include "FPTag.h"

#include "CommProtocol.h"
#include "KrConfirm.h"

#include <algorithm>
#include <cstring>

using namespace fp;

namespace {
// Copies a fixed text field of the host's record, never reading past the field.
template <size_t N> std::string FieldText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}
} // namespace

void CFPTag::CopyRecord(const tagFPOpenPara* para) {
    if (para) {
        m_strTagName = FieldText(para->szTagName);
        m_strTagDesc = FieldText(para->szTagDesc);
        m_strModuleFile = FieldText(para->szModuleFile);
        m_strKeep = FieldText(para->szKeep);
        m_strUserName = FieldText(para->szUserName);
        m_pBlock = para->pBlock;
        m_nBaseAddress = para->nBaseAddress;
        m_pUnitMap = para->pUnitMap;
        m_nConfirmHold = para->nConfirmHold;
        m_pfnOpenItem = para->pfnOpenItem;
        m_pfnReadStatus = para->pfnReadStatus;
        m_pfnHostCall = para->pfnHostCall;
        m_pfnGetVariant = para->pfnGetVariant;
        m_bySecurityClass = para->bySecurityClass;
        m_bConfirm = para->bConfirm;
    }
    // Tag security: without a valid answer every write of the tag needs confirmation.
    if (m_bConfirm) {
        int answer = 0;
        if (!GetTagSecurity(m_bySecurityClass, 1, &answer))
            m_bTagSecurityConfirm = TRUE;
        else
            m_bTagSecurityConfirm = answer != 0;
    } else {
        m_bTagSecurityConfirm = FALSE;
    }
}

void CFPTag::DetermineHostMode() {
    m_bHostMode = m_pfnOpenItem && m_pfnReadStatus && m_pfnHostCall && m_pfnGetVariant;
}

int CFPTag::OpenHostItem(const char* name, int64_t& handle) {
    handle = 0;
    int result = m_pfnOpenItem(1, name, &handle, 0);
    if (result == kHostOk && handle > 0)
        m_nHandle = handle;
    return result;
}

int CFPTag::ReadHostStatus(uint32_t& status) {
    char name[kTagBufferSize] = {};
    strncpy(name, m_strTagName.c_str(), kTagBufferSize - 1);
    int64_t handle = 0;
    if (OpenHostItem(name, handle) != kHostOk)
        return 0;
    if (handle <= 0)
        return -1;
    uint32_t key = static_cast<uint32_t>(static_cast<uint64_t>(handle) >> 32);
    FPTagStatus result{};
    result.dwStatus = kTagStatusBad;
    if (m_pfnReadStatus(1, &key, &result, 0) != kHostOk)
        return -1;
    status = result.dwStatus;
    return 1;
}

void CFPTag::TakeDelivery(const BYTE* area) {
    m_bconnected = TRUE;
    // The server rewrites its area at every refresh while the faceplate reads: the copy is
    // taken while the server waits for the data-ready notification, and only the copy is shown
    // and patched.
    size_t length = commproto::kDataHeaderSize + static_cast<size_t>(std::max(m_nReadLength, 0));
    length = std::min(length, commproto::kDataAreaSize);
    m_dataCopy.assign(area, area + length);
    m_pDataBlock = m_dataCopy.data();
    m_nHeldLength = static_cast<int>(length - commproto::kDataHeaderSize);
    CheckWrites();
}

bool CFPTag::IsDelivered(const FPItemInfo& info, int width) const {
    return m_pDataBlock && static_cast<int>(info.wOffset) + width <= m_nHeldLength;
}

void CFPTag::ShowBlock() {
    if (m_pOwner)
        m_pOwner->ShowData(m_pDataBlock);
    // A copy shorter than the subscription (the detail view just opened) filled only some
    // controls: the others show no state of the block yet.
    m_bStatesShown = m_nDataGood && HasGoodData() && m_nHeldLength >= m_nReadLength;
}
