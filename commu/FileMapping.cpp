#include "FileMapping.h"

#include "CommProtocol.h"
#include "Trace.h"

using namespace commproto;

bool CFileMapping::Create(const char* name, SECURITY_ATTRIBUTES* security) {
    if (m_hMapping || !name)
        return false;
    kfw::Trace("Create File Mapping: %s\t", name);
    m_hMapping.reset(::CreateFileMappingA(INVALID_HANDLE_VALUE, security, PAGE_READWRITE, 0,
                                          kClientSegmentSize, name));
    return MapView(name);
}

bool CFileMapping::Open(const char* name) {
    if (m_hMapping || !name)
        return false;
    kfw::Trace("Open File Mapping: %s\n", name);
    m_hMapping.reset(::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name));
    return MapView(name);
}

bool CFileMapping::MapView(const char* name) {
    if (!m_hMapping)
        return false;
    m_view.reset(::MapViewOfFile(m_hMapping, FILE_MAP_ALL_ACCESS, 0, 0, kClientSegmentSize));
    if (!m_view) {
        m_hMapping.reset();
        return false;
    }
    m_strName = name;
    kfw::TraceText("Sccuess!\n");
    return true;
}

void CFileMapping::Close() {
    if (!m_hMapping && !m_view)
        return;
    kfw::Trace("Close File Mapping: %s\n", m_strName.c_str());
    m_view.reset();
    m_hMapping.reset();
}

BYTE* CFileMapping::GetWriteArea() const {
    return m_view ? GetView() + kWriteAreaOffset : nullptr;
}

BYTE* CFileMapping::GetSubscriptionArea() const {
    return m_view ? GetView() + kSubscriptionAreaOffset : nullptr;
}
