#include "FileMapping.h"

#include "CommProtocol.h"
#include "Trace.h"

using namespace commproto;

bool CFileMapping::Create(const char* name, SECURITY_ATTRIBUTES* security) {
    if (m_hMapping || !name)
        return false;
    kfw::Trace("Create File Mapping: %s\t", name);
    m_hMapping = ::CreateFileMappingA(INVALID_HANDLE_VALUE, security, PAGE_READWRITE, 0,
                                      kClientSegmentSize, name);
    return MapView(name);
}

bool CFileMapping::Open(const char* name) {
    if (m_hMapping || !name)
        return false;
    kfw::Trace("Open File Mapping: %s\n", name);
    m_hMapping = ::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name);
    return MapView(name);
}

bool CFileMapping::MapView(const char* name) {
    if (!m_hMapping)
        return false;
    m_pView = static_cast<BYTE*>(
        ::MapViewOfFile(m_hMapping, FILE_MAP_ALL_ACCESS, 0, 0, kClientSegmentSize));
    if (!m_pView) {
        ::CloseHandle(m_hMapping);
        m_hMapping = nullptr;
        return false;
    }
    m_strName = name;
    kfw::TraceText("Sccuess!\n");
    return true;
}

void CFileMapping::Close() {
    if (!m_hMapping && !m_pView)
        return;
    kfw::Trace("Close File Mapping: %s\n", m_strName.c_str());
    if (m_pView) {
        ::UnmapViewOfFile(m_pView);
        m_pView = nullptr;
    }
    if (m_hMapping) {
        ::CloseHandle(m_hMapping);
        m_hMapping = nullptr;
    }
}

BYTE* CFileMapping::GetWriteArea() const {
    return m_pView ? m_pView + kWriteAreaOffset : nullptr;
}

BYTE* CFileMapping::GetSubscriptionArea() const {
    return m_pView ? m_pView + kSubscriptionAreaOffset : nullptr;
}
