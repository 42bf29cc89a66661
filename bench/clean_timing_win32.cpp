// How soon /clean's work is done: the tool is copied into a fresh folder and run with /clean, N
// times; for each run it measures how long /clean itself ran, and the time from the end of its
// process to the moment its file is gone (polled every millisecond). Prints the median and the
// maximum of each, and how many runs left the file in place for 5 s.
//   clean_timing TOOL.exe [RUNS]     (RUNS: 30)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr DWORD kGiveUpMs = 5000;

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now() {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now;
}

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

struct Run {
    double cleanMs = 0;  // /clean from its start to its end
    double goneMs = -1;  // its end to its file gone; -1: still there after kGiveUpMs
};

// One /clean of a fresh copy of `tool` in `folder`.
Run TimeOneClean(const std::wstring& tool, const std::wstring& folder) {
    const std::wstring copy = folder + L"\\langsetup.exe";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ::CopyFileW(tool.c_str(), copy.c_str(), FALSE);
    std::wstring line = L"\"" + copy + L"\" /clean";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    Run run;
    const LARGE_INTEGER start = Now();
    if (!::CreateProcessW(copy.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, &started)) {
        std::fwprintf(stderr, L"clean_timing: cannot start %ls (%lu)\n", copy.c_str(),
                      ::GetLastError());
        return run;
    }
    ::WaitForSingleObject(started.hProcess, INFINITE);
    const LARGE_INTEGER ended = Now();
    run.cleanMs = Milliseconds(start, ended);
    while (Exists(copy) && Milliseconds(ended, Now()) < kGiveUpMs) {
        ::Sleep(1);
    }
    if (!Exists(copy)) {
        run.goneMs = Milliseconds(ended, Now());
    }
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
    ::DeleteFileW(copy.c_str());
    ::RemoveDirectoryW(folder.c_str());
    return run;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fwprintf(stderr, L"usage: clean_timing TOOL.exe [RUNS]\n");
        return 2;
    }
    const std::wstring tool = argv[1];
    const int runs = argc > 2 ? std::max(1, _wtoi(argv[2])) : 30;
    wchar_t temp[MAX_PATH + 1];
    ::GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring base =
        std::wstring(temp) + L"clean-timing-" + std::to_wstring(::GetCurrentProcessId());

    std::vector<double> clean;
    std::vector<double> gone;
    int stayed = 0;
    for (int index = 0; index < runs; ++index) {
        const Run run = TimeOneClean(tool, base + L"-" + std::to_wstring(index));
        clean.push_back(run.cleanMs);
        if (run.goneMs < 0) {
            ++stayed;
        } else {
            gone.push_back(run.goneMs);
        }
    }
    std::wprintf(L"%ls, %d runs\n", tool.c_str(), runs);
    std::wprintf(L"  /clean ran                  median %7.1f ms, max %7.1f ms\n", Median(clean),
                 *std::max_element(clean.begin(), clean.end()));
    if (!gone.empty()) {
        std::wprintf(L"  its end to its file gone    median %7.1f ms, max %7.1f ms\n", Median(gone),
                     *std::max_element(gone.begin(), gone.end()));
    }
    std::wprintf(L"  file still there after 5 s  %d of %d runs\n", stayed, runs);
    return 0;
}
