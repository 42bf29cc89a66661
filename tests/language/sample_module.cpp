// A stand-in for a language module. It records that it ran by appending these lines, in UTF-8,
// to module-record.txt in its current directory, then exits with 0:
//   module: <its own full path>
//   command line: <its command line, exactly as it got it>
//   current directory: <its current directory>
//   bits: <32 or 64, the kind of program it is>
// It first waits a quarter of a second, so that a caller that does not wait for it has ended
// before the record exists. When module-crash.txt stands in its current directory it then
// crashes instead of ending.
// Built as intruder.exe, it stands for someone else's program that must never run: it records
// at once, in intruder-record.txt.
#include <windows.h>

#include <string>

#include "app/unique_handle_win32.h"
#include "support/text_win32.h"

using langsetup::test::Narrow;

#ifdef LANGSETUP_INTRUDER
constexpr wchar_t kRecord[] = L"intruder-record.txt";
#else
constexpr wchar_t kRecord[] = L"module-record.txt";
#endif

int wmain() {
#ifndef LANGSETUP_INTRUDER
    ::Sleep(250);
#endif
    std::wstring own(32768, L'\0');  // room for the longest path
    own.resize(::GetModuleFileNameW(nullptr, own.data(), 32768));
    std::wstring folder(32768, L'\0');
    folder.resize(::GetCurrentDirectoryW(32768, folder.data()));
    const std::string record = "module: " + Narrow(own) + "\n" +
                               "command line: " + Narrow(::GetCommandLineW()) + "\n" +
                               "current directory: " + Narrow(folder) + "\n" +
                               "bits: " + std::to_string(sizeof(void*) * 8) + "\n";
    const langsetup::UniqueFileHandle file(::CreateFileW(kRecord, FILE_APPEND_DATA,
                                                         FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return 1;
    }
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file.Get(), record.data(), static_cast<DWORD>(record.size()),
                                &written, nullptr);
    if (::GetFileAttributesW(L"module-crash.txt") != INVALID_FILE_ATTRIBUTES) {
        ::RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    }
    return ok && written == record.size() ? 0 : 1;
}
