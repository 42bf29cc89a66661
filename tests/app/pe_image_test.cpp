// The image the tool predicts for a program file, and its comparison with a started process's
// memory, on small programs made here: one code section with two absolute addresses in it, and
// the relocations that name them.
#include "app/pe_image.h"

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace langsetup::test {
namespace {

constexpr std::uint32_t kCodeRva = 0x1000;
constexpr std::uint32_t kCodeSize = 0x180;  // of 0x200 raw bytes: the rest is never mapped
constexpr std::uint32_t kPreferred32 = 0x400000;
constexpr std::uint64_t kPreferred64 = 0x140000000;

struct ProgramFile {
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(0x600);
    std::uint32_t optional = 0x68;  // the optional header
    std::uint32_t sections = 0;     // the first section header

    template <typename T>
    void Put(std::uint32_t offset, T value) {
        std::memcpy(bytes.data() + offset, &value, sizeof(value));
    }
    template <typename T>
    T Get(std::uint32_t offset) const {
        T value{};
        std::memcpy(&value, bytes.data() + offset, sizeof(value));
        return value;
    }
};

// Headers in 0x200 bytes, code at file offset 0x200 (mapped at 0x1000), relocations at 0x400
// (mapped at 0x2000) for the addresses at code offsets 0x10 (32 bits) and 0x20 (the program's own
// width).
ProgramFile MakeProgram(bool is64Bit) {
    ProgramFile file;
    file.Put<std::uint16_t>(0, 0x5A4D);
    file.Put<std::uint32_t>(0x3C, 0x50);
    file.Put<std::uint32_t>(0x50, 0x4550);
    file.Put<std::uint16_t>(0x56, 2);                    // sections
    file.Put<std::uint16_t>(0x64, is64Bit ? 240 : 224);  // optional header size
    file.Put<std::uint16_t>(file.optional, is64Bit ? 0x20B : 0x10B);
    if (is64Bit) {
        file.Put<std::uint64_t>(file.optional + 24, kPreferred64);
    } else {
        file.Put<std::uint32_t>(file.optional + 28, kPreferred32);
    }
    file.Put<std::uint32_t>(file.optional + 32, 0x1000);  // section alignment
    file.Put<std::uint32_t>(file.optional + 36, 0x200);   // file alignment
    file.Put<std::uint32_t>(file.optional + 56, 0x3000);  // image size
    file.Put<std::uint32_t>(file.optional + 60, 0x200);   // header size
    const std::uint32_t directories = file.optional + (is64Bit ? 112 : 96);
    file.Put<std::uint32_t>(directories - 4, 16);
    file.Put<std::uint32_t>(directories + 40, 0x2000);  // relocations
    file.Put<std::uint32_t>(directories + 44, 12);
    file.sections = file.optional + (is64Bit ? 240 : 224);
    const std::uint32_t code = file.sections;
    const std::uint32_t relocations = code + 40;
    for (const auto& [header, rva, size, offset] : {std::tuple{code, kCodeRva, kCodeSize, 0x200U},
                                                    std::tuple{relocations, 0x2000U, 12U, 0x400U}}) {
        file.Put<std::uint32_t>(header + 8, size);
        file.Put<std::uint32_t>(header + 12, rva);
        file.Put<std::uint32_t>(header + 16, 0x200);
        file.Put<std::uint32_t>(header + 20, offset);
    }
    for (std::uint32_t i = 0; i < 0x200; ++i) {
        file.bytes[0x200 + i] = static_cast<std::uint8_t>(i * 7 + 1);
    }
    const std::uint64_t base = is64Bit ? kPreferred64 : kPreferred32;
    file.Put<std::uint32_t>(0x210, static_cast<std::uint32_t>(base + 0x1040));
    if (is64Bit) {
        file.Put<std::uint64_t>(0x220, base + 0x1080);
    } else {
        file.Put<std::uint32_t>(0x220, static_cast<std::uint32_t>(base + 0x1080));
    }
    file.Put<std::uint32_t>(0x400, kCodeRva);
    file.Put<std::uint32_t>(0x404, 12);
    file.Put<std::uint16_t>(0x408, 0x3010);
    file.Put<std::uint16_t>(0x40A, static_cast<std::uint16_t>((is64Bit ? 0xA000 : 0x3000) | 0x20));
    return file;
}

// The program as the system maps it at `base`, built here from the layout above: the headers,
// the code (the section's size of it) and the relocations at their places, the two addresses in
// the code moved with the image unless `relocate` is false.
std::vector<std::uint8_t> MappedProgram(const ProgramFile& file, bool is64Bit, std::uint64_t base,
                                        bool relocate = true) {
    std::vector<std::uint8_t> image(0x3000);
    std::copy_n(file.bytes.begin(), 0x200, image.begin());
    std::copy_n(file.bytes.begin() + 0x200, kCodeSize, image.begin() + kCodeRva);
    std::copy_n(file.bytes.begin() + 0x400, 12, image.begin() + 0x2000);
    const std::uint64_t delta = relocate ? base - (is64Bit ? kPreferred64 : kPreferred32) : 0;
    for (const auto& [offset, width] : {std::pair{0x10U, 4U}, {0x20U, is64Bit ? 8U : 4U}}) {
        std::uint64_t value = 0;
        std::memcpy(&value, image.data() + kCodeRva + offset, width);
        value += delta;
        std::memcpy(image.data() + kCodeRva + offset, &value, width);
    }
    return image;
}

// A started process whose memory holds `image` at `base`.
struct FakeProcess {
    std::uint64_t base;
    std::vector<std::uint8_t> image;

    static bool Read(const void* context, std::uint64_t address, std::uint8_t* into,
                     std::uint32_t size) {
        const auto& process = *static_cast<const FakeProcess*>(context);
        if (address < process.base || address - process.base + size > process.image.size()) {
            return false;
        }
        std::memcpy(into, process.image.data() + (address - process.base), size);
        return true;
    }
};

// Whether `image` matches a process that holds `memory` at `base`.
bool Matches(PeImage& image, std::uint64_t base, std::vector<std::uint8_t> memory) {
    const FakeProcess process{base, std::move(memory)};
    return image.MatchesMemory(base, FakeProcess::Read, &process);
}

// The image matches where the system would map the program, relocated, and nowhere else.
TEST(PeImage, MatchesTheProgramMappedAtAnyBaseWithItsRelocationsApplied) {
    for (const bool is64Bit : {false, true}) {
        SCOPED_TRACE(is64Bit ? "64-bit" : "32-bit");
        const ProgramFile file = MakeProgram(is64Bit);
        PeImage image;
        ASSERT_TRUE(image.Read(file.bytes));
        EXPECT_EQ(image.Is64Bit(), is64Bit);
        const std::uint64_t preferred = is64Bit ? kPreferred64 : kPreferred32;
        EXPECT_EQ(image.PreferredBase(), preferred);
        const std::uint64_t moved = preferred + 0x7F0000;
        EXPECT_TRUE(Matches(image, preferred, MappedProgram(file, is64Bit, preferred)));
        EXPECT_TRUE(Matches(image, moved, MappedProgram(file, is64Bit, moved)));
        EXPECT_FALSE(Matches(image, moved, MappedProgram(file, is64Bit, moved, false)));
        EXPECT_FALSE(Matches(image, moved, MappedProgram(file, is64Bit, preferred)));
    }
}

// Every byte the file fills is compared, but for the header's image base field (a system may
// write the actual base there); memory that cannot be read does not match.
TEST(PeImage, EveryMappedByteButTheImageBaseFieldCounts) {
    const ProgramFile file = MakeProgram(false);
    PeImage image;
    ASSERT_TRUE(image.Read(file.bytes));
    const std::uint64_t base = kPreferred32 + 0x10000;
    const struct {
        const char* what;
        std::uint32_t offset;  // in the image; none: unchanged
        bool matches;
    } cases[] = {
        {"the header naming the actual base", file.optional + 28 + 2, true},
        {"past a section's size", kCodeRva + kCodeSize, true},
        {"a byte of code", kCodeRva + 0x33, false},
        {"a relocated address", kCodeRva + 0x10, false},
        {"a header byte", 0x60, false},
        {"a relocation", 0x2004, false},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> memory = MappedProgram(file, false, base);
        memory[c.offset] ^= 0x01;
        EXPECT_EQ(Matches(image, base, std::move(memory)), c.matches) << c.what;
    }
    const FakeProcess elsewhere{base + 0x1000, MappedProgram(file, false, base)};
    EXPECT_FALSE(image.MatchesMemory(base, FakeProcess::Read, &elsewhere)) << "unreadable";
}

TEST(PeImage, RefusesFilesWhoseImageCannotBePredicted) {
    const std::vector<std::pair<const char*, std::function<void(ProgramFile&)>>> damages = {
        {"no MZ", [](ProgramFile& f) { f.bytes[0] = 'X'; }},
        {"no PE signature", [](ProgramFile& f) { f.bytes[0x51] = 'X'; }},
        {"new header past the end", [](ProgramFile& f) { f.Put<std::uint32_t>(0x3C, 0x7FFFFFF0); }},
        {"unknown magic", [](ProgramFile& f) { f.Put<std::uint16_t>(f.optional, 0x107); }},
        {"cut inside the section table", [](ProgramFile& f) { f.bytes.resize(f.sections + 50); }},
        {"section data past the end", [](ProgramFile& f) { f.Put<std::uint32_t>(f.sections + 20, 0x800); }},
        {"section past the image", [](ProgramFile& f) { f.Put<std::uint32_t>(f.sections + 12, 0x2F00); }},
        {"overlapping sections", [](ProgramFile& f) { f.Put<std::uint32_t>(f.sections + 52, 0x1100); }},
        {"headers past the image", [](ProgramFile& f) { f.Put<std::uint32_t>(f.optional + 60, 0x4000); }},
        {"an image over 1 GiB", [](ProgramFile& f) { f.Put<std::uint32_t>(f.optional + 56, 0x40001000); }},
        {"too many sections", [](ProgramFile& f) { f.Put<std::uint16_t>(0x56, 97); }},
    };
    for (const auto& [what, damage] : damages) {
        ProgramFile file = MakeProgram(false);
        damage(file);
        PeImage image;
        EXPECT_FALSE(image.Read(file.bytes)) << what;
    }
}

// Elsewhere than at its preferred base, an image is only predicted with relocations the tool
// knows; at its preferred base no relocation applies.
TEST(PeImage, UnknownOrMissingRelocationsOnlyServeThePreferredBase) {
    const std::vector<std::pair<const char*, std::function<void(ProgramFile&)>>> damages = {
        {"an unknown kind", [](ProgramFile& f) { f.Put<std::uint16_t>(0x408, 0x4010); }},
        {"a place past the image", [](ProgramFile& f) { f.Put<std::uint32_t>(0x400, 0x2FFF); }},
        {"a block longer than the table", [](ProgramFile& f) { f.Put<std::uint32_t>(0x404, 40); }},
        {"no relocations", [](ProgramFile& f) { f.Put<std::uint32_t>(f.optional + 96 + 44, 0); }},
    };
    for (const auto& [what, damage] : damages) {
        ProgramFile file = MakeProgram(false);
        damage(file);
        PeImage image;
        ASSERT_TRUE(image.Read(file.bytes)) << what;
        EXPECT_TRUE(Matches(image, kPreferred32, MappedProgram(file, false, kPreferred32))) << what;
        const std::uint64_t moved = kPreferred32 + 0x10000;
        EXPECT_FALSE(Matches(image, moved, MappedProgram(file, false, moved))) << what;
    }
}

}  // namespace
}  // namespace langsetup::test
