#include "registry/reg_text_lines_win32.h"

#include <cstdint>

#include "registry/reg_text_lines.h"

namespace langsetup {
namespace {

class FileSink final : public RegTextSink {
public:
    explicit FileSink(HANDLE file) : file_(file) {}

    void Write(std::u16string_view piece) override {
        DWORD written = 0;
        // The result is ignored on purpose: the next piece is written regardless.
        ::WriteFile(file_, piece.data(), static_cast<DWORD>(piece.size() * sizeof(char16_t)),
                    &written, nullptr);
    }

private:
    HANDLE file_;
};

// The 32-bit value of a predefined root key, or 0 for any other key. Predefined keys are
// sign-extended 32-bit values on Win64, so the whole handle is compared, not only its low half.
std::uint32_t RootValue(HKEY root) {
    for (HKEY predefined : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                            HKEY_CURRENT_CONFIG}) {
        if (root == predefined) {
            return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(predefined));
        }
    }
    return 0;
}

}  // namespace

void WriteKeyHeader(HKEY root, std::u16string_view subkey, HANDLE file) {
    FileSink sink(file);
    WriteKeyHeader(RootValue(root), subkey, sink);
}

void WriteStringLine(std::u16string_view name, std::u16string_view data, HANDLE file) {
    FileSink sink(file);
    WriteStringLine(name, data, sink);
}

void WriteDwordLine(std::u16string_view name, const std::uint8_t* data, HANDLE file) {
    FileSink sink(file);
    WriteDwordLine(name, data, sink);
}

void WriteHexLine(std::u16string_view name, const std::uint8_t* data, std::uint32_t length,
                  HANDLE file) {
    FileSink sink(file);
    WriteHexLine(name, data, length, sink);
}

}  // namespace langsetup
