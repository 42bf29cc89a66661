// What a program file becomes once the system has mapped it as an image: where each part of the
// file lies in memory, and which places the system adjusts when it maps the image elsewhere than
// at its preferred address. Before the tool lets a program it started run, it compares the image
// the new process was given with the bytes it meant to start.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace langsetup {

class PeImage {
public:
    // Reads `size` bytes of another process's memory at `address` into `into`; false when it
    // cannot. `context` is the caller's.
    using ReadMemory = bool (*)(const void* context, std::uint64_t address, std::uint8_t* into,
                                std::uint32_t size);

    // Reads the image of `file`, which must outlive it, and makes room for the comparison: no
    // memory is taken afterwards. False when the file is no program whose image the tool can
    // predict: malformed headers, parts outside the file or the image, over 1 GiB.
    bool Read(std::span<const std::uint8_t> file);

    bool Is64Bit() const { return is64Bit_; }
    std::uint64_t PreferredBase() const { return preferredBase_; }

    // Whether the image mapped at `base` in another process, read through `read`, is this one
    // byte for byte in every part the file fills, each relocation applied for `base`. The
    // header's image base field is left out: a system that maps the image elsewhere may write the
    // actual base there. False too when the relocations cannot be applied there (an unknown
    // kind, a place outside the parts, or none at all when `base` is not the preferred one).
    bool MatchesMemory(std::uint64_t base, ReadMemory read, const void* context);

private:
    // A stretch of the file and where the system maps it.
    struct Piece {
        std::uint32_t rva = 0;
        std::uint32_t offset = 0;  // in the file
        std::uint32_t size = 0;
    };
    static constexpr std::uint32_t kMostSections = 96;

    // Adds a stretch that the file fills (none when `size` is 0); false when it lies outside
    // the file or the image, or overlaps the one before.
    bool AddPiece(std::uint32_t rva, std::uint32_t offset, std::uint32_t size);
    // The place of the image's `rva`, `width` bytes, in expected_; null outside the pieces.
    std::uint8_t* Expected(std::uint64_t rva, std::uint32_t width);
    bool Relocate(std::uint64_t delta);

    std::span<const std::uint8_t> file_;
    std::array<Piece, kMostSections + 1> pieces_{};  // the headers, then each section's data,
    std::uint32_t pieceCount_ = 0;                   // ascending, none overlapping
    std::vector<std::uint8_t> expected_;  // the pieces one after the other, as mapped at a base
    std::vector<std::uint8_t> actual_;    // a part of the other process's memory
    std::uint64_t preferredBase_ = 0;
    std::uint32_t size_ = 0;
    std::uint32_t baseField_ = 0;  // where the header holds the preferred base
    std::uint32_t relocationsRva_ = 0;
    std::uint32_t relocationsSize_ = 0;
    bool is64Bit_ = false;
};

}  // namespace langsetup
