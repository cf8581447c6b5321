#include "KrToolkit.h"

#include <cstring>
#include <new>

namespace {
char g_emptyText[1] = {'\0'};
}

CKrString::CKrString() : m_pszData(g_emptyText), m_nLength(0) {}

CKrString::CKrString(const char* text) : m_pszData(g_emptyText), m_nLength(0) {
    Assign(text, text ? static_cast<int>(std::strlen(text)) : 0);
}

CKrString::CKrString(const CKrString& other) : m_pszData(g_emptyText), m_nLength(0) {
    Assign(other.m_pszData, other.m_nLength);
}

CKrString& CKrString::operator=(const CKrString& other) {
    if (this != &other)
        Assign(other.m_pszData, other.m_nLength);
    return *this;
}

CKrString& CKrString::operator=(const char* text) {
    Assign(text, text ? static_cast<int>(std::strlen(text)) : 0);
    return *this;
}

CKrString::~CKrString() {
    Empty();
}

CKrString::operator const char*() const {
    return m_pszData;
}
const char* CKrString::GetString() const {
    return m_pszData;
}
int CKrString::GetLength() const {
    return m_nLength;
}
bool CKrString::IsEmpty() const {
    return m_nLength == 0;
}

void CKrString::Empty() {
    if (m_pszData != g_emptyText)
        delete[] m_pszData;
    m_pszData = g_emptyText;
    m_nLength = 0;
}

void CKrString::Assign(const char* text, int length) {
    if (!text || length <= 0) {
        Empty();
        return;
    }
    // Copy first: text may point into this object's own buffer.
    char* copy = new (std::nothrow) char[static_cast<size_t>(length) + 1];
    if (!copy) {
        Empty();
        return;
    }
    std::memcpy(copy, text, static_cast<size_t>(length));
    copy[length] = '\0';
    Empty();
    m_pszData = copy;
    m_nLength = length;
}
