// How long /install and /clean take, for several builds of the tool measured in one run: every
// round runs `/install 1031` once per build, then `/clean` once per build, the builds in an order
// that turns by one each round, so that a machine that slows down or speeds up meanwhile weighs
// on every build alike. Each run gets a fresh folder: for /install the tool beside a Languages
// folder that holds MODULE.exe as de.exe, for /clean the tool alone. A run is timed from the start
// of the tool's process to its end (for /install that includes the module's own time); after
// /clean, also the time from its end to the moment its file is gone (polled every millisecond).
// A build given a LOG runs with LANGSETUP_LOG naming that file; no build gets a standard output.
// Prints the median and the maximum of each figure per build; against the build in the row
// above, the change of each median and the median of the differences round by round (the two
// runs of a round met the same moment of the machine); and what went wrong in any run (a module
// that did not run, Languages left, a tool that stayed).
//   run_timing RUNS MODULE.exe LABEL TOOL.exe LOG [LABEL TOOL.exe LOG]...
//     LOG: the full path of the trail's file for that build, or - for none
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "app/unique_handle_win32.h"

namespace {

using langsetup::UniqueFileHandle;
using langsetup::UniqueProcessInformation;

constexpr double kGiveUpMs = 5000;
constexpr double kNone = -1;  // a figure a run did not give

// The three figures of a build, one value per round each (kNone where the run gave none).
enum Figure { kInstall, kClean, kGone, kFigures };

struct Build {
    std::wstring label;
    std::wstring tool;
    std::wstring log;  // empty: no LANGSETUP_LOG
    std::array<std::vector<double>, kFigures> ms;
    int installFaults = 0;  // runs whose module did not run, or whose Languages stayed
    int stayed = 0;         // /clean runs whose tool was still there after kGiveUpMs
};

LARGE_INTEGER Now() {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Runs `tool` with `arguments` in `folder` and waits for its end; returns how long it ran, or
// kNone when it could not start. LANGSETUP_LOG is set for the tool alone. The tool gets null
// standard handles: a trail goes only to the log.
double TimeRun(const Build& build, const std::wstring& tool, const wchar_t* arguments,
               const std::wstring& folder) {
    std::wstring line = L"\"" + tool + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    UniqueProcessInformation started;
    ::SetEnvironmentVariableW(L"LANGSETUP_LOG", build.log.empty() ? nullptr : build.log.c_str());
    const LARGE_INTEGER start = Now();
    const bool ok = ::CreateProcessW(tool.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                     folder.c_str(), &startup, started.Put()) != FALSE;
    ::SetEnvironmentVariableW(L"LANGSETUP_LOG", nullptr);
    if (!ok) {
        std::fwprintf(stderr, L"run_timing: cannot start %ls (%lu)\n", tool.c_str(),
                      ::GetLastError());
        return kNone;
    }
    ::WaitForSingleObject(started.Process(), INFINITE);
    return Milliseconds(start, Now());
}

// One /install 1031 of a fresh copy of the build's tool in `folder`, started from `from`.
void TimeOneInstall(Build& build, const std::wstring& module, const std::wstring& folder,
                    const std::wstring& from) {
    const std::wstring tool = folder + L"\\langsetup.exe";
    const std::wstring languages = folder + L"\\Languages";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ::CreateDirectoryW(languages.c_str(), nullptr);
    ::CopyFileW(build.tool.c_str(), tool.c_str(), FALSE);
    ::CopyFileW(module.c_str(), (languages + L"\\de.exe").c_str(), FALSE);
    const double ran = TimeRun(build, tool, L"/install 1031", from);
    build.ms[kInstall].push_back(ran);
    if (ran == kNone || !Exists(folder + L"\\module-record.txt") || Exists(languages)) {
        ++build.installFaults;
    }
    for (const wchar_t* left :
         {L"\\Languages\\de.exe", L"\\de.exe", L"\\module-record.txt", L"\\langsetup.exe"}) {
        ::DeleteFileW((folder + left).c_str());
    }
    ::RemoveDirectoryW(languages.c_str());
    ::RemoveDirectoryW(folder.c_str());
}

// One /clean of a fresh copy of the build's tool in `folder`.
void TimeOneClean(Build& build, const std::wstring& folder) {
    const std::wstring tool = folder + L"\\langsetup.exe";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ::CopyFileW(build.tool.c_str(), tool.c_str(), FALSE);
    const double ran = TimeRun(build, tool, L"/clean", folder);
    double gone = kNone;
    if (ran != kNone) {
        const LARGE_INTEGER ended = Now();
        while (Exists(tool) && Milliseconds(ended, Now()) < kGiveUpMs) {
            ::Sleep(1);
        }
        if (!Exists(tool)) {
            gone = Milliseconds(ended, Now());
        }
    }
    build.ms[kClean].push_back(ran);
    build.ms[kGone].push_back(gone);
    if (gone == kNone) {
        ++build.stayed;
    }
    ::DeleteFileW(tool.c_str());
    ::RemoveDirectoryW(folder.c_str());
}

double Median(std::vector<double> values) {
    std::erase(values, kNone);
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double Max(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

// The differences `values` minus `others`, round by round, where both rounds gave a figure.
std::vector<double> RoundByRound(const std::vector<double>& values,
                                 const std::vector<double>& others) {
    std::vector<double> differences;
    for (std::size_t round = 0; round < values.size() && round < others.size(); ++round) {
        if (values[round] != kNone && others[round] != kNone) {
            differences.push_back(values[round] - others[round]);
        }
    }
    return differences;
}

// Removes `folder` and what it holds: what the runs left, such as a folder that Wine could not
// remove yet right after a run.
void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    const langsetup::UniqueFindHandle search(::FindFirstFileW((folder + L"\\*").c_str(), &entry));
    while (search) {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..") {
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
                ::RemoveDirectoryW((folder + L"\\" + name).c_str());  // a link, never followed
            } else if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                RemoveTree(folder + L"\\" + name);
            } else {
                ::DeleteFileW((folder + L"\\" + name).c_str());
            }
        }
        if (!::FindNextFileW(search.Get(), &entry)) {
            break;
        }
    }
    ::RemoveDirectoryW(folder.c_str());
}

// The lines of a trail file (0 when there is none).
long CountLines(const std::wstring& path) {
    const UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, 0, nullptr));
    long lines = 0;
    char buffer[4096];
    DWORD got = 0;
    while (file && ::ReadFile(file.Get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        lines += static_cast<long>(std::count(buffer, buffer + got, '\n'));
    }
    return lines;
}

void Report(int runs, const std::vector<Build>& builds) {
    std::wprintf(
        L"%d rounds; in each, /install 1031 once per build, then /clean once per build,"
        L" the order turning every round. Milliseconds.\n",
        runs);
    std::wprintf(L"%-27ls %-20ls %-20ls %ls\n", L"", L"   /install 1031", L"   /clean",
                 L"   /clean's end to file gone");
    std::wprintf(L"%-27ls %-20ls %-20ls %ls\n", L"", L" median     max", L" median     max",
                 L" median     max");
    for (const Build& build : builds) {
        std::wprintf(L"%-27ls", build.label.c_str());
        for (const std::vector<double>& values : build.ms) {
            std::wprintf(L"%ls %7.1f %7.1f", &values == build.ms.data() ? L"" : L"    ",
                         Median(values), Max(values));
        }
        std::wprintf(L"\n");
    }
    std::wprintf(
        L"Against the row above: the change of the median / the median of the"
        L" differences round by round\n");
    for (std::size_t index = 1; index < builds.size(); ++index) {
        std::wprintf(L"%-27ls", builds[index].label.c_str());
        for (int figure = 0; figure < kFigures; ++figure) {
            const std::vector<double>& values = builds[index].ms[figure];
            const std::vector<double>& above = builds[index - 1].ms[figure];
            std::wprintf(L"%ls %+7.1f / %+6.1f", figure == 0 ? L"" : L"   ",
                         Median(values) - Median(above), Median(RoundByRound(values, above)));
        }
        std::wprintf(L"\n");
    }
    for (const Build& build : builds) {
        std::wprintf(L"%ls: %ls\n", build.label.c_str(), build.tool.c_str());
        if (!build.log.empty()) {
            std::wprintf(L"  LANGSETUP_LOG %ls: %ld lines\n", build.log.c_str(),
                         CountLines(build.log));
        }
        if (build.installFaults > 0 || build.stayed > 0) {
            std::wprintf(
                L"  /install runs whose module did not run or whose Languages stayed: %d;"
                L" /clean runs whose tool stayed 5 s: %d\n",
                build.installFaults, build.stayed);
        }
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 6 || (argc - 3) % 3 != 0) {
        std::fwprintf(
            stderr,
            L"usage: run_timing RUNS MODULE.exe LABEL TOOL.exe LOG [LABEL TOOL.exe LOG]..."
            L"\n  LOG: the trail's file for that build, or - for none\n");
        return 2;
    }
    const int runs = std::max(1, _wtoi(argv[1]));
    const std::wstring module = argv[2];
    std::vector<Build> builds;
    for (int index = 3; index + 2 < argc; index += 3) {
        Build& build = builds.emplace_back();
        build.label = argv[index];
        build.tool = argv[index + 1];
        if (std::wstring(argv[index + 2]) != L"-") {
            build.log = argv[index + 2];
            ::DeleteFileW(build.log.c_str());
        }
    }
    wchar_t temp[MAX_PATH + 1];
    ::GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring base =
        std::wstring(temp) + L"run-timing-" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(base.c_str(), nullptr);

    const std::size_t count = builds.size();
    for (int round = 0; round < runs; ++round) {
        const std::wstring name = base + L"\\" + std::to_wstring(round) + L"-";
        for (std::size_t turn = 0; turn < count; ++turn) {
            const std::size_t index = (turn + static_cast<std::size_t>(round)) % count;
            TimeOneInstall(builds[index], module, name + L"install-" + std::to_wstring(index),
                           base);
        }
        for (std::size_t turn = 0; turn < count; ++turn) {
            const std::size_t index = (turn + static_cast<std::size_t>(round)) % count;
            TimeOneClean(builds[index], name + L"clean-" + std::to_wstring(index));
        }
    }
    RemoveTree(base);
    Report(runs, builds);
    return 0;
}
