#include "app/pe_image.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace langsetup {
namespace {

static_assert(std::endian::native == std::endian::little, "fields are read as they lie");

constexpr std::uint32_t kLargestImage = 1U << 30;
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

    std::uint32_t At(std::uint32_t offset, std::uint32_t width = 4) {
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
    *this = {};
    file_ = file;
    Fields fields{file};
    const std::uint32_t pe = fields.At(0x3C);
    if (file.size() > kLargestImage || fields.At(0, 2) != kDosMagic || pe > file.size() ||
        fields.At(pe) != kPeSignature) {
        return false;
    }
    const std::uint32_t sectionCount = fields.At(pe + 6, 2);
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

    if (fields.At(optional + 32) < kPageSize) {
        // Aligned to less than a page, the whole file is mapped as it lies.
        return AddPiece(0, 0, std::min(static_cast<std::uint32_t>(file.size()), size_)) &&
               fields.ok;
    }
    bool placed = AddPiece(0, 0, fields.At(optional + 60));
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
    return placed && fields.ok;
}

std::vector<std::uint8_t> PeImage::MappedAt(std::uint64_t base) const {
    std::vector<std::uint8_t> image(size_);
    for (std::uint32_t i = 0; i < pieceCount_; ++i) {
        std::memcpy(image.data() + pieces_[i].rva, file_.data() + pieces_[i].offset,
                    pieces_[i].size);
    }
    const std::uint64_t delta = base - preferredBase_;
    if (delta != 0 && !Relocate(image, delta)) {
        image.clear();
    }
    return image;
}

bool PeImage::Relocate(std::vector<std::uint8_t>& image, std::uint64_t delta) const {
    if (relocationsSize_ == 0 || std::uint64_t{relocationsRva_} + relocationsSize_ > size_) {
        return false;  // an image without relocations runs only at its preferred base
    }
    // The table as the file gives it, before any relocation has changed the image.
    const std::vector<std::uint8_t> copy(image.begin() + relocationsRva_,
                                         image.begin() + relocationsRva_ + relocationsSize_);
    Fields table{copy};
    for (std::uint32_t block = 0; block + 8 <= copy.size();) {
        const std::uint32_t page = table.At(block);
        const std::uint32_t blockEnd = block + table.At(block + 4);
        if (blockEnd < block + 8 || blockEnd > copy.size()) {
            return false;
        }
        for (std::uint32_t entry = block + 8; entry + 2 <= blockEnd; entry += 2) {
            const std::uint32_t value = table.At(entry, 2);
            std::uint32_t width = 2;
            std::uint64_t add = delta;
            switch (value >> 12) {
                case 0:  // padding
                    continue;
                case 1:  // the high half of a 32-bit address
                    add = delta >> 16;
                    break;
                case 2:  // its low half
                    break;
                case 3:  // a 32-bit address
                    width = 4;
                    break;
                case 10:  // a 64-bit address
                    width = 8;
                    break;
                default:
                    return false;
            }
            const std::uint64_t place = std::uint64_t{page} + (value & 0xFFF);
            if (place + width > image.size()) {
                return false;
            }
            AddToField(image.data() + place, width, add);
        }
        block = blockEnd;
    }
    return true;
}

bool PeImage::MatchesMemory(std::uint64_t base, ReadMemory read, const void* context) const {
    const std::vector<std::uint8_t> expected = MappedAt(base);
    if (expected.empty()) {
        return false;
    }
    const std::uint32_t baseFieldEnd = baseField_ + (is64Bit_ ? 8 : 4);
    std::vector<std::uint8_t> actual;
    for (std::uint32_t i = 0; i < pieceCount_; ++i) {
        const Piece& piece = pieces_[i];
        actual.resize(piece.size);
        if (!read(context, base + piece.rva, actual.data(), piece.size)) {
            return false;
        }
        for (std::uint32_t at = piece.rva; at < piece.rva + piece.size; ++at) {
            if (actual[at - piece.rva] != expected[at] && (at < baseField_ || at >= baseFieldEnd)) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace langsetup
