// KrToolkit.dll: the operator station's string database, resource switch and the safe
// formatter for database texts. Every heap allocation of these classes is made and freed
// inside KrToolkit.dll (each module links its own C++ runtime): no member is inline.
#pragma once

#include <windows.h>

#include <cstdarg>

#ifdef KRTOOLKIT_BUILD
#define KRTOOLKIT_API __declspec(dllexport)
#else
#define KRTOOLKIT_API __declspec(dllimport)
#endif

// An 8-bit text in the host's ANSI code page, owned by KrToolkit.dll.
class KRTOOLKIT_API CKrString {
public:
    CKrString();
    CKrString(const char* text);
    CKrString(const CKrString& other);
    CKrString& operator=(const CKrString& other);
    CKrString& operator=(const char* text);
    ~CKrString();

    // NUL-terminated text, valid while the object lives and is not assigned.
    operator const char*() const;
    const char* GetString() const;
    int GetLength() const;
    bool IsEmpty() const;
    void Empty();

private:
    void Assign(const char* text, int length);
    char* m_pszData;
    int m_nLength;
};

class KRTOOLKIT_API CKrStringDBWrapper {
public:
    // The key's text in the station's language, in the ANSI code page. Never fails: an
    // unknown key gives an empty text (and one trace line naming the key).
    static CKrString GetString(const char* key);
    // Language in force ("zh-CN", "en"): KR_LANGUAGE, else KrStation.ini, else "zh-CN".
    static CKrString GetLanguage();
    // Overrides the language for this process; null or "" returns to the configured one.
    static void SetLanguage(const char* language);
    // True when the key exists in the database of the language in force.
    static bool HasKey(const char* key);
};

// From construction to destruction, dialog templates, icons and bitmaps are looked up in the
// named module (this thread only; switches nest). An unknown module keeps the previous choice.
class KRTOOLKIT_API CKrRcSwitch {
public:
    CKrRcSwitch(const char* unused, const char* moduleFileName);
    ~CKrRcSwitch();
    CKrRcSwitch(const CKrRcSwitch&) = delete;
    CKrRcSwitch& operator=(const CKrRcSwitch&) = delete;

private:
    HMODULE m_hPrevious;
    HMODULE m_hLoaded; // loaded as data file by this switch, freed by its destructor
};

extern "C" {
// The module chosen by the innermost active switch of this thread; null when none is active.
KRTOOLKIT_API HMODULE KrGetResourceModule(void);

// Problems the station's readers find in the files an engineer writes (string database,
// KrStation.ini, the control information): "<file> line <n>: <what>" in the ANSI code page.
// Every problem is traced once; a program that shows its user what is wrong registers a sink,
// which gets every problem reported from then on (and none twice); it must not call back into
// KrToolkit. Null removes the sink.
typedef void(__cdecl* PFN_KrProblemSink)(const char* problem);
KRTOOLKIT_API void KrSetProblemSink(PFN_KrProblemSink sink);
KRTOOLKIT_API void KrReportProblem(const char* problem);

// Formats a database text with arguments whose kinds are described by argKinds, one letter
// per argument: 's' const char*, 'd' int, 'u' unsigned int, 'f' double. When every conversion
// of format agrees with argKinds it formats with vsnprintf; otherwise (or for a null format or
// a null string argument) it writes the format text as it stands followed by the arguments
// rendered by their real kinds, "format [arg1, arg2]". The output is always NUL-terminated
// and cut to outSize-1 bytes on a character boundary. Returns the number of bytes written.
KRTOOLKIT_API int KrFormat(char* out, int outSize, const char* format, const char* argKinds, ...);
// The same with a va_list (which it consumes, like vsnprintf).
KRTOOLKIT_API int KrFormatV(char* out, int outSize, const char* format, const char* argKinds,
                            va_list args);
}
