#include "ProgramInCodePage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "../../document/FilePaths.h"

namespace {

// The code page the program under test sees while a ProgramInCodePage lives.
UINT emulatedCodePage = CP_UTF8;

template <typename Function>
Function RealFunction(const char* dll, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA(dll), name)));
}

UINT WINAPI EmulatedCodePage()
{
    return emulatedCodePage;
}

int WINAPI ToBytesInCodePage(UINT page, DWORD flags, LPCWCH wide, int length, LPSTR bytes, int size,
                             LPCCH defaultCharacter, LPBOOL usedDefault)
{
    static const auto real = RealFunction<decltype(&WideCharToMultiByte)>("kernel32.dll", "WideCharToMultiByte");
    UINT target = page == CP_ACP ? emulatedCodePage : page;
    // Refused as Windows documents, where Wine is kinder: UTF-8 takes no flag
    // but WC_ERR_INVALID_CHARS, which no other code page here takes, and no
    // default character.
    bool utf8 = target == CP_UTF8;
    if ((flags & (utf8 ? ~DWORD(WC_ERR_INVALID_CHARS) : DWORD(WC_ERR_INVALID_CHARS))) != 0) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    if (utf8 && (defaultCharacter != nullptr || usedDefault != nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return real(target, flags, wide, length, bytes, size, defaultCharacter, usedDefault);
}

int WINAPI ToWideInCodePage(UINT page, DWORD flags, LPCCH bytes, int length, LPWSTR wide, int size)
{
    static const auto real = RealFunction<decltype(&MultiByteToWideChar)>("kernel32.dll", "MultiByteToWideChar");
    return real(page == CP_ACP ? emulatedCodePage : page, flags, bytes, length, wide, size);
}

std::wstring Wide(const char* text)
{
    wchar_t wide[pathBufferSize] = L"";
    ToWideInCodePage(CP_ACP, 0, text, -1, wide, pathBufferSize);
    return wide;
}

LPSTR WINAPI NextInCodePage(LPCSTR at)
{
    return CharNextExA(static_cast<WORD>(emulatedCodePage), at, 0);
}

HANDLE WINAPI CreateFileInCodePage(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                   DWORD disposition, DWORD attributes, HANDLE model)
{
    return CreateFileW(Wide(path).c_str(), access, share, security, disposition, attributes, model);
}

DWORD WINAPI FullPathInCodePage(LPCSTR path, DWORD size, LPSTR buffer, LPSTR*)
{
    wchar_t full[MAX_PATH] = L"";
    if (GetFullPathNameW(Wide(path).c_str(), MAX_PATH, full, nullptr) >= MAX_PATH) return 0;
    int bytes = ToBytesInCodePage(CP_ACP, 0, full, -1, buffer, static_cast<int>(size), nullptr, nullptr);
    return bytes > 0 ? bytes - 1 : 0;
}

DWORD WINAPI AttributesInCodePage(LPCSTR path)
{
    return GetFileAttributesW(Wide(path).c_str());
}

BOOL WINAPI MoveFileInCodePage(LPCSTR from, LPCSTR to, DWORD flags)
{
    return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), flags);
}

BOOL WINAPI PlaySoundInCodePage(LPCSTR sound, HMODULE module, DWORD flags)
{
    return PlaySoundW(sound != nullptr ? Wide(sound).c_str() : nullptr, module, flags);
}

// The C library's fopen, which the file streams call: not a WINAPI function.
FILE* __cdecl OpenStreamInCodePage(const char* path, const char* mode)
{
    return _wfopen(Wide(path).c_str(), Wide(mode).c_str());
}
}  // namespace

ProgramInCodePage::ProgramInCodePage(UINT codePage)
    : sound("winmm.dll", "PlaySoundA", &PlaySoundA, &PlaySoundInCodePage),
      acp("kernel32.dll", "GetACP", &GetACP, &EmulatedCodePage),
      toBytes("kernel32.dll", "WideCharToMultiByte", &WideCharToMultiByte, &ToBytesInCodePage),
      toWide("kernel32.dll", "MultiByteToWideChar", &MultiByteToWideChar, &ToWideInCodePage),
      next("user32.dll", "CharNextA", &CharNextA, &NextInCodePage),
      create("kernel32.dll", "CreateFileA", &CreateFileA, &CreateFileInCodePage),
      fullPath("kernel32.dll", "GetFullPathNameA", &GetFullPathNameA, &FullPathInCodePage),
      attributes("kernel32.dll", "GetFileAttributesA", &GetFileAttributesA, &AttributesInCodePage),
      move("kernel32.dll", "MoveFileExA", &MoveFileExA, &MoveFileInCodePage),
      stream("msvcrt.dll", "fopen", &fopen, &OpenStreamInCodePage)
{
    emulatedCodePage = codePage;
}
