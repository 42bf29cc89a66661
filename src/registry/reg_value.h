// A named registry value of type string, binary or DWORD, built from raw registry data or read
// from one value line of registry text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace langsetup {

// Registry type codes the value can hold (the platform's numbers).
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

class CRegValue {
public:
    CRegValue() = default;
    virtual ~CRegValue() = default;

    CRegValue(const CRegValue&) = default;
    CRegValue& operator=(const CRegValue&) = default;
    CRegValue(CRegValue&&) = default;
    CRegValue& operator=(CRegValue&&) = default;

    // Drops the data (type 0, size 0); the name stays.
    void Clear();
    // Clear, then take `name`. Always true.
    bool SetName(std::u16string_view name);
    // Takes raw registry data of type 1, 3 or 4; false (and nothing changed) for any other type.
    // Meant for a value without data (new, or just after SetName or Clear).
    // Type 1: the characters up to the first zero character within size / 2 characters.
    // Type 3: `size` bytes. Type 4: the first four bytes, little-endian; fewer than four bytes
    // leave the high bytes zero. A null `data` counts as no bytes.
    bool SetData(const std::uint8_t* data, std::uint32_t size, std::uint32_t type);
    // Reads one value line of registry text (without its line end), for example
    //   "name"="text"    @=dword:0000001f    "name"=hex:01,ab,ff
    // The line ends at its first zero character, like the C string it stands for. The first "="
    // of the line is replaced by a zero character, which stays; the string's length does not
    // change. On failure the value has no data, but the name that the line gave is kept.
    bool ParseLine(std::u16string& line);

    const std::u16string& GetName() const { return valueName; }
    std::uint32_t GetType() const { return valueType; }
    std::uint32_t GetSize() const { return dataSize; }
    // The bytes that the type selects (the string's characters, zero-terminated; the binary
    // bytes; the DWORD in little-endian order), or null for type 0.
    const std::uint8_t* GetData() const;

private:
    bool ParseHex(std::u16string_view text);
    bool ParseDword(std::u16string_view text);
    static std::uint8_t HexPairValue(char16_t high, char16_t low);

    std::u16string valueName;
    std::u16string stringData;
    std::vector<std::uint8_t> binaryData;
    std::uint32_t dwordData = 0;
    std::uint32_t valueType = kRegNone;
    std::uint32_t dataSize = 0;
};

}  // namespace langsetup
