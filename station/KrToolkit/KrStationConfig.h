// Configuration of the station libraries (KrToolkit, KrConfirm, KrLogLib).
//
// One ini file, KrStation.ini, lies next to the DLLs (the build copies it into bin/). Sections:
//   [Language]  Language=zh-CN | en        language of the string database
//   [Security]  Class<N>=0 | 1             security class N: 1 = writes need confirmation
//   [Log]       Path=<file>                operation log (relative paths: from the DLL's folder)
// Non-ASCII values need the ini in UTF-16LE with BOM (read with GetPrivateProfileStringW).
//
// Environment variables override the file (used by tests and scripted runs):
//   KR_STATION_INI   full path of another ini file to read instead of the one next to the DLL
//   KR_LANGUAGE      language (overrides [Language] Language)
//   KR_LOG_PATH      operation log file (overrides [Log] Path)
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace krcfg {

constexpr wchar_t kIniFileName[] = L"KrStation.ini";
constexpr wchar_t kEnvIniPath[] = L"KR_STATION_INI";
constexpr wchar_t kEnvLanguage[] = L"KR_LANGUAGE";
constexpr wchar_t kEnvLogPath[] = L"KR_LOG_PATH";

// The module that contains the calling code (each DLL or EXE has its own copy of this library).
HMODULE SelfModule();
// Folder of a module, with a trailing backslash.
std::wstring ModuleFolder(HMODULE module);
// The ini file in force: KR_STATION_INI, else KrStation.ini in the folder of SelfModule().
std::wstring IniPath();
// Value of an environment variable; false when it is not set.
bool GetEnv(const wchar_t* name, std::wstring& value);
// A setting of the ini file in force; `fallback` when the key is absent.
std::wstring ReadIni(const wchar_t* section, const wchar_t* key, const wchar_t* fallback);
// True when the key exists in the section.
// A path relative to the folder of SelfModule() made absolute; absolute paths stay.
std::wstring ResolvePath(const std::wstring& path);

// What is wrong in the text of an ini file, by line: lines that are neither a section, a
// key=value nor a comment; a section or a key given again (only the first one is read); values
// too long to be read whole.
struct IniProblem {
    int line = 0;
    std::string message; // ASCII
};
std::vector<IniProblem> CheckIniText(const std::wstring& text);
// The text of an ini file: UTF-16LE with BOM, else 8-bit text in the ANSI code page.
bool ReadIniText(const std::wstring& path, std::wstring& text);

} // namespace krcfg
