// Holder of one named file mapping with a view over the whole client segment (0x10000 bytes).
#pragma once

#include "Handle.h"

#include <windows.h>

#include <string>

class CFileMapping {
public:
    CFileMapping() = default;
    ~CFileMapping() { Close(); }
    CFileMapping(const CFileMapping&) = delete;
    CFileMapping& operator=(const CFileMapping&) = delete;

    // Operations
    // Creates a mapping backed by the paging file, read/write, of the segment size (the
    // server's side). `security` may be null for default security. Fails while one is held.
    bool Create(const char* name, SECURITY_ATTRIBUTES* security = nullptr);
    // Opens an existing mapping with full access. Fails while one is held.
    bool Open(const char* name);
    // Unmaps the view and closes the handle.
    void Close();

    // Attributes: each is null while nothing is mapped.
    BYTE* GetView() const { return static_cast<BYTE*>(m_view.get()); }
    BYTE* GetWriteArea() const;
    BYTE* GetSubscriptionArea() const;
    const std::string& GetName() const { return m_strName; }

private:
    bool MapView(const char* name);

    std::string m_strName;
    kfw::CHandle m_hMapping;
    kfw::CMappedView m_view; // declared after the handle: unmapped before it is closed
};
