// Owners for Win32 handles, keys and searches: each closes what it holds exactly once, cannot be
// copied, and can be moved.
#pragma once

#include <windows.h>

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
    void Reset(Type value = Traits::Invalid()) {
        const Type old = std::exchange(value_, value);
        if (Traits::IsValid(old)) {
            Traits::Close(old);
        }
    }
    // Gives up ownership without closing.
    [[nodiscard]] Type Release() { return std::exchange(value_, Traits::Invalid()); }
    // For out-parameters: closes what is held and hands out the slot.
    Type* Put() {
        Reset();
        return &value_;
    }

private:
    Type value_ = Traits::Invalid();
};

// Process, thread and event handles: null means none.
struct HandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::CloseHandle(h); }
};

// File handles from CreateFileW: INVALID_HANDLE_VALUE means none.
struct FileHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::CloseHandle(h); }
};

struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::FindClose(h); }
};

struct HkeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::RegCloseKey(h); }
};

using UniqueHandle = UniqueResource<HandleTraits>;
using UniqueFileHandle = UniqueResource<FileHandleTraits>;
using UniqueFindHandle = UniqueResource<FindHandleTraits>;
using UniqueHkey = UniqueResource<HkeyTraits>;

}  // namespace langsetup
