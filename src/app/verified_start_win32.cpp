#include "app/verified_start_win32.h"

#include <winternl.h>

#include "app/pe_image.h"
#include "app/process_attributes_win32.h"
#include "app/system_function_win32.h"
#include "app/trail_win32.h"
#include "app/wide_win32.h"

namespace langsetup {
namespace {

constexpr bool kTool64Bit = sizeof(void*) == 8;
// Where a process's environment block holds its image's base: 64-bit blocks (which the system
// keeps for 32-bit processes too) and 32-bit ones.
constexpr std::uint64_t kImageBaseIn64BitBlock = 0x10;
constexpr std::uint64_t kImageBaseIn32BitBlock = 0x08;
// The exit code of a process ended before it ran.
constexpr UINT kEndedUnrun = 1;

// The 64-bit record and calls a 32-bit program uses for a 64-bit process.
struct BasicInformation64 {
    std::uint64_t exitStatus;
    std::uint64_t environmentBlock;
    std::uint64_t rest[4];
};
using QueryInformation64 = NTSTATUS NTAPI(HANDLE, ULONG, PVOID, ULONG, PULONG);
using ReadMemory64 = NTSTATUS NTAPI(HANDLE, ULONG64, PVOID, ULONG64, PULONG64);

bool IsWow64(HANDLE process) {
    BOOL wow64 = FALSE;
    return ::IsWow64Process(process, &wow64) && wow64;
}

// A suspended process's memory, as this process reaches it.
struct ProcessMemory {
    HANDLE process = nullptr;
    ReadMemory64* read64 = nullptr;  // for a 32-bit tool and a 64-bit process
};

bool ReadProcessBytes(const void* context, std::uint64_t address, std::uint8_t* into,
                      std::uint32_t size) {
    const auto& memory = *static_cast<const ProcessMemory*>(context);
    if (memory.read64 != nullptr) {
        ULONG64 done = 0;
        return memory.read64(memory.process, address, into, size, &done) == 0 && done == size;
    }
    SIZE_T done = 0;
    // An address in the other process, not one of this process's pointers.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    const auto where = reinterpret_cast<const void*>(static_cast<std::uintptr_t>(address));
    return ::ReadProcessMemory(memory.process, where, into, size, &done) && done == size;
}

// Whether the suspended `process` was given the image of `image`, byte for byte.
bool ImageIsTheProgram(HANDLE process, PeImage& image) {
    const bool process32Bit = IsWow64(process) || (!kTool64Bit && !IsWow64(::GetCurrentProcess()));
    if (image.Is64Bit() == process32Bit) {
        return false;  // a program of the other kind
    }
    ProcessMemory memory{process};
    std::uint64_t block = 0;  // where the process's environment block lies
    std::uint32_t baseWidth = sizeof(void*);
    if (kTool64Bit || process32Bit) {
        PROCESS_BASIC_INFORMATION basic{};
        if (::NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof(basic),
                                        nullptr) != 0) {
            return false;
        }
        block = reinterpret_cast<std::uintptr_t>(basic.PebBaseAddress);
    } else {
        // A 32-bit tool and a 64-bit process: through the system's 64-bit calls. Where the
        // system cannot tell where the process's block lies (Wine), nothing can say where its
        // image lies, and it is never guessed: another program could hold the one meant there.
        memory.read64 = FindSystemFunction<ReadMemory64>(L"ntdll.dll", "NtWow64ReadVirtualMemory64");
        const auto query64 = FindSystemFunction<QueryInformation64>(
            L"ntdll.dll", "NtWow64QueryInformationProcess64");
        BasicInformation64 basic{};
        if (memory.read64 == nullptr || query64 == nullptr ||
            query64(process, ProcessBasicInformation, &basic, sizeof(basic), nullptr) != 0) {
            return false;
        }
        block = basic.environmentBlock;
        baseWidth = 8;
    }
    std::uint64_t base = 0;
    const std::uint64_t baseField =
        block + (baseWidth == 8 ? kImageBaseIn64BitBlock : kImageBaseIn32BitBlock);
    return ReadProcessBytes(&memory, baseField, reinterpret_cast<std::uint8_t*>(&base),
                            baseWidth) &&
           image.MatchesMemory(base, ReadProcessBytes, &memory);
}

}  // namespace

void TellStart(const std::u16string& program, const StartedProgram& started) {
    // In the order of StartOutcome.
    static constexpr const char* kTold[] = {"started % (process %)", "% not started: %",
                                            "% is not the copy made: ended before it ran"};
    Trail::Line(kTold[static_cast<int>(started.outcome)],
                {program, started.outcome == StartOutcome::kStarted
                              ? TrailPart(::GetProcessId(started.process.Process()))
                              : TrailPart::Error(started.error)});
}

StartedProgram StartHeldProgram(const ProgramStart& start, PeImage& image) {
    StartedProgram started;
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof(startup);
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;  // all three null: none of the caller's
    // With the DLL policy, and where the system refuses it, as before; outside the tool's job, and
    // where the job refuses that, inside it.
    for (const bool preferSystemDlls : {true, false}) {
        const ProcessAttributes attributes(start.inherited, preferSystemDlls);
        startup.lpAttributeList = attributes.Get();
        started.error = attributes ? 0 : ::GetLastError();
        for (const DWORD job : {start.leaveJob ? DWORD{CREATE_BREAKAWAY_FROM_JOB} : 0, DWORD{0}}) {
            if (!attributes) {
                break;
            }
            if (::CreateProcessW(AsWide(start.program), AsWide(start.commandLine.data()), nullptr,
                                 nullptr, !start.inherited.empty(),
                                 start.flags | job | CREATE_SUSPENDED |
                                     EXTENDED_STARTUPINFO_PRESENT,
                                 nullptr, AsWide(start.folder), &startup.StartupInfo,
                                 started.process.Put())) {
                started.error = 0;
                if (ImageIsTheProgram(started.process.Process(), image) &&
                    ::ResumeThread(started.process.Thread()) != static_cast<DWORD>(-1)) {
                    started.outcome = StartOutcome::kStarted;
                    return started;
                }
                ::TerminateProcess(started.process.Process(), kEndedUnrun);
                ::WaitForSingleObject(started.process.Process(), INFINITE);
                started.process.Reset();
                started.outcome = StartOutcome::kNotTheProgram;
                return started;
            }
            started.error = ::GetLastError();
            if (job == 0 || started.error != ERROR_ACCESS_DENIED) {
                break;
            }
        }
        if (started.error != ERROR_INVALID_PARAMETER) {
            break;
        }
    }
    return started;
}

}  // namespace langsetup
