// Owners for Win32 handles, keys and searches: each closes what it holds exactly once, cannot be
// copied, and can be moved.
#pragma once

#include <windows.h>

#include <cstdint>
#include <utility>

namespace langsetup {

template <typename Traits>
class UniqueResource {
public:
    using Type = typename Traits::Type;

    UniqueResource() = default;
    explicit UniqueResource(Type value) : value_(value) {}
    ~UniqueResource() { Reset(); }

    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : value_(other.Release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }

    Type Get() const { return value_; }
    bool IsValid() const { return Traits::IsValid(value_); }
    explicit operator bool() const { return IsValid(); }

    // Closes the held value (if any) and takes `value`.
    void Reset(Type value = Traits::None()) {
        const Type old = std::exchange(value_, value);
        if (Traits::IsValid(old)) {
            Traits::Close(old);
        }
    }
    // Gives up ownership without closing.
    [[nodiscard]] Type Release() { return std::exchange(value_, Traits::None()); }
    // For out-parameters: closes what is held and hands out the slot.
    Type* Put() {
        Reset();
        return &value_;
    }

private:
    Type value_ = Traits::None();
};

// A HANDLE closed by `CloseFunction`, with `NoneBits` as the value of an owner that holds none.
// Neither null nor INVALID_HANDLE_VALUE is ever closed, whichever a platform call returns on
// failure.
template <auto CloseFunction, std::intptr_t NoneBits>
struct HandleTraits {
    using Type = HANDLE;
    // A handle value, not an address.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    static Type None() { return reinterpret_cast<HANDLE>(NoneBits); }
    static bool IsValid(Type handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void Close(Type handle) { CloseFunction(handle); }
};

struct HkeyTraits {
    using Type = HKEY;
    static Type None() { return nullptr; }
    static bool IsValid(Type key) { return key != nullptr; }
    static void Close(Type key) { ::RegCloseKey(key); }
};

struct MappedViewTraits {
    using Type = void*;
    static Type None() { return nullptr; }
    static bool IsValid(Type view) { return view != nullptr; }
    static void Close(Type view) { ::UnmapViewOfFile(view); }
};

// Process, thread, event, mutex and file-mapping handles (none: null).
using UniqueHandle = UniqueResource<HandleTraits<::CloseHandle, 0>>;
// File handles from CreateFileW (none: INVALID_HANDLE_VALUE).
using UniqueFileHandle = UniqueResource<HandleTraits<::CloseHandle, -1>>;
// Directory searches from FindFirstFileW (none: INVALID_HANDLE_VALUE).
using UniqueFindHandle = UniqueResource<HandleTraits<::FindClose, -1>>;
using UniqueHkey = UniqueResource<HkeyTraits>;
// Views from MapViewOfFile.
using UniqueMappedView = UniqueResource<MappedViewTraits>;

// The process and thread handles that CreateProcessW hands back, closed together.
class UniqueProcessInformation {
public:
    UniqueProcessInformation() = default;
    ~UniqueProcessInformation() { Reset(); }

    UniqueProcessInformation(const UniqueProcessInformation&) = delete;
    UniqueProcessInformation& operator=(const UniqueProcessInformation&) = delete;
    UniqueProcessInformation(UniqueProcessInformation&& other) noexcept
        : info_(std::exchange(other.info_, {})) {}
    UniqueProcessInformation& operator=(UniqueProcessInformation&& other) noexcept {
        if (this != &other) {
            Reset();
            info_ = std::exchange(other.info_, {});
        }
        return *this;
    }

    HANDLE Process() const { return info_.hProcess; }
    HANDLE Thread() const { return info_.hThread; }
    bool IsValid() const { return Traits::IsValid(info_.hProcess); }
    explicit operator bool() const { return IsValid(); }

    // Closes both handles.
    void Reset() {
        const PROCESS_INFORMATION old = std::exchange(info_, {});
        for (HANDLE handle : {old.hThread, old.hProcess}) {
            if (Traits::IsValid(handle)) {
                Traits::Close(handle);
            }
        }
    }
    // For CreateProcessW: closes what is held and hands out the record.
    PROCESS_INFORMATION* Put() {
        Reset();
        return &info_;
    }

private:
    using Traits = HandleTraits<::CloseHandle, 0>;
    PROCESS_INFORMATION info_{};
};

}  // namespace langsetup
