#include "app/pe_image.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace langsetup {
namespace {

static_assert(std::endian::native == std::endian::little, "fields are read as they lie");

constexpr std::uint32_t kLargestImage = 1U << 30;
// How much of the other process's memory is read at a time.
constexpr std::size_t kCompareChunk = std::size_t{64} * 1024;
constexpr std::uint32_t kPageSize = 0x1000;
// The system reads a section's bytes from its file offset rounded down to a sector.
constexpr std::uint32_t kSectorSize = 0x200;
constexpr std::uint32_t kSectionHeaderSize = 40;
constexpr std::uint32_t kRelocationDirectory = 5;
constexpr std::uint32_t kDosMagic = 0x5A4D;     // "MZ"
constexpr std::uint32_t kPeSignature = 0x4550;  // "PE\0\0"
constexpr std::uint32_t kMagic32 = 0x10B;
constexpr std::uint32_t kMagic64 = 0x20B;

// Little-endian fields of some bytes, remembering whether one lay past their end (read as 0).
struct Fields {
    std::span<const std::uint8_t> bytes;
    bool ok = true;

    [[gnu::noinline]] std::uint32_t At(std::uint32_t offset, std::uint32_t width = 4) {
        std::uint32_t value = 0;
        if (offset > bytes.size() || width > bytes.size() - offset) {
            ok = false;
        } else {
            std::memcpy(&value, bytes.data() + offset, width);
        }
        return value;
    }
};

// Adds `delta` to the field of `width` bytes (2, 4 or 8) at `place`.
void AddToField(std::uint8_t* place, std::uint32_t width, std::uint64_t delta) {
    std::uint64_t value = 0;
    std::memcpy(&value, place, width);
    value += delta;
    std::memcpy(place, &value, width);
}

}  // namespace

bool PeImage::AddPiece(std::uint32_t rva, std::uint32_t offset, std::uint32_t size) {
    if (size == 0) {
        return true;  // nothing of the file lies there
    }
    const std::uint32_t fileSize = static_cast<std::uint32_t>(file_.size());
    if (offset > fileSize || size > fileSize - offset || rva > size_ || size > size_ - rva ||
        (pieceCount_ != 0 && rva - pieces_[pieceCount_ - 1].rva < pieces_[pieceCount_ - 1].size)) {
        return false;
    }
    pieces_[pieceCount_++] = {rva, offset, size};
    return true;
}

bool PeImage::Read(std::span<const std::uint8_t> file) {
    pieceCount_ = 0;
    relocationsSize_ = 0;
    file_ = file;
    Fields fields{file};
    const std::uint32_t pe = fields.At(0x3C);
    if (file.size() > kLargestImage || fields.At(0, 2) != kDosMagic || pe > file.size() ||
        fields.At(pe) != kPeSignature) {
        return false;
    }
    std::uint32_t sectionCount = fields.At(pe + 6, 2);
    const std::uint32_t optional = pe + 24;
    const std::uint32_t optionalEnd = optional + fields.At(pe + 20, 2);
    const std::uint32_t magic = fields.At(optional, 2);
    is64Bit_ = magic == kMagic64;
    baseField_ = optional + (is64Bit_ ? 24 : 28);
    preferredBase_ = fields.At(baseField_);
    if (is64Bit_) {
        preferredBase_ |= std::uint64_t{fields.At(baseField_ + 4)} << 32;
    }
    const std::uint32_t directories = optional + (is64Bit_ ? 112 : 96);
    if (fields.At(directories - 4) > kRelocationDirectory && directories + 48 <= optionalEnd) {
        relocationsRva_ = fields.At(directories + 40);
        relocationsSize_ = fields.At(directories + 44);
    }
    size_ = fields.At(optional + 56);
    if (!fields.ok || (magic != kMagic32 && !is64Bit_) || directories > optionalEnd || size_ == 0 ||
        size_ > kLargestImage || sectionCount > kMostSections) {
        return false;
    }

    bool placed = false;
    if (fields.At(optional + 32) < kPageSize) {
        // Aligned to less than a page, the whole file is mapped as it lies.
        placed = AddPiece(0, 0, std::min(static_cast<std::uint32_t>(file.size()), size_));
        sectionCount = 0;
    } else {
        placed = AddPiece(0, 0, fields.At(optional + 60));
    }
    for (std::uint32_t header = optionalEnd;
         placed && header < optionalEnd + sectionCount * kSectionHeaderSize;
         header += kSectionHeaderSize) {
        // What the file fills: a section's raw data, never more than the section's size.
        const std::uint32_t virtualSize = fields.At(header + 8);
        const std::uint32_t rawSize = fields.At(header + 16);
        const std::uint32_t size = virtualSize == 0 ? rawSize : std::min(rawSize, virtualSize);
        placed =
            AddPiece(fields.At(header + 12), fields.At(header + 20) & ~(kSectorSize - 1), size);
    }
    if (!placed || !fields.ok) {
        return false;
    }
    std::size_t total = 0;
    for (std::uint32_t i = 0; i < pieceCount_; ++i) {
        total += pieces_[i].size;
    }
    expected_.resize(total);
    actual_.resize(std::min<std::size_t>(total, kCompareChunk));
    return true;
}

std::uint8_t* PeImage::Expected(std::uint64_t rva, std::uint32_t width) {
    std::size_t at = 0;
    for (std::uint32_t i = 0; i < pieceCount_; at += pieces_[i++].size) {
        const Piece& piece = pieces_[i];
        if (rva >= piece.rva && rva + width <= std::uint64_t{piece.rva} + piece.size) {
            return expected_.data() + at + (rva - piece.rva);
        }
    }
    return nullptr;
}

bool PeImage::Relocate(std::uint64_t delta) {
    // The table as the file gives it, lying in the pieces: entries are read before the
    // relocation of their own place could change them.
    const std::uint8_t* const table = Expected(relocationsRva_, relocationsSize_);
    if (relocationsSize_ == 0 || table == nullptr) {
        return false;  // an image without relocations runs only at its preferred base
    }
    Fields fields{{table, relocationsSize_}};
    for (std::uint32_t block = 0; block + 8 <= relocationsSize_;) {
        const std::uint32_t page = fields.At(block);
        const std::uint32_t blockEnd = block + fields.At(block + 4);
        if (blockEnd < block + 8 || blockEnd > relocationsSize_) {
            return false;
        }
        for (std::uint32_t entry = block + 8; entry + 2 <= blockEnd; entry += 2) {
            const std::uint32_t value = fields.At(entry, 2);
            std::uint32_t width = 4;
            switch (value >> 12) {
                case 0:  // padding
                    continue;
                case 3:  // a 32-bit address
                    break;
                case 10:  // a 64-bit address
                    width = 8;
                    break;
                default:  // kinds no x86 or x64 program carries
                    return false;
            }
            std::uint8_t* const place = Expected(std::uint64_t{page} + (value & 0xFFF), width);
            if (place == nullptr) {
                return false;
            }
            AddToField(place, width, delta);
        }
        block = blockEnd;
    }
    return true;
}

bool PeImage::MatchesMemory(std::uint64_t base, ReadMemory read, const void* context) {
    if (expected_.empty()) {
        return false;  // nothing to compare: no image of a program
    }
    std::size_t at = 0;
    for (std::uint32_t i = 0; i < pieceCount_; at += pieces_[i++].size) {
        std::copy_n(file_.data() + pieces_[i].offset, pieces_[i].size, expected_.data() + at);
    }
    const std::uint64_t delta = base - preferredBase_;
    if (delta != 0 && !Relocate(delta)) {
        return false;
    }
    const std::uint32_t baseFieldEnd = baseField_ + (is64Bit_ ? 8 : 4);
    at = 0;
    for (std::uint32_t i = 0; i < pieceCount_; ++i) {
        const Piece& piece = pieces_[i];
        for (std::uint32_t done = 0; done < piece.size;) {
            const auto chunk =
                static_cast<std::uint32_t>(std::min<std::size_t>(piece.size - done, actual_.size()));
            if (!read(context, base + piece.rva + done, actual_.data(), chunk)) {
                return false;
            }
            for (std::uint32_t k = 0; k < chunk; ++k, ++at) {
                const std::uint32_t rva = piece.rva + done + k;
                if (actual_[k] != expected_[at] && (rva < baseField_ || rva >= baseFieldEnd)) {
                    return false;
                }
            }
            done += chunk;
        }
    }
    return true;
}

}  // namespace langsetup
