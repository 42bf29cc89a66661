// Reads arbitrary files as program images: reading never goes past the file, and an image mapped
// at any base the tool can predict matches itself there.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "app/pe_image.h"

namespace {

struct Memory {
    std::uint64_t base;
    const std::vector<std::uint8_t>* image;
};

bool Read(const void* context, std::uint64_t address, std::uint8_t* into, std::uint32_t size) {
    const auto& memory = *static_cast<const Memory*>(context);
    if (address < memory.base || address - memory.base + size > memory.image->size()) {
        return false;
    }
    std::memcpy(into, memory.image->data() + (address - memory.base), size);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The tool takes images of up to 1 GiB; mapping those, several times over, would only measure
    // the fuzzer's memory limit.
    constexpr std::uint32_t kLargestMappedImage = 16U << 20;
    langsetup::PeImage image;
    if (!image.Read(std::span<const std::uint8_t>(data, size)) ||
        image.Size() > kLargestMappedImage) {
        return 0;
    }
    for (const std::uint64_t base : {image.PreferredBase(), image.PreferredBase() + 0x10000}) {
        const std::vector<std::uint8_t> mapped = image.MappedAt(base);
        if (mapped.empty()) {
            continue;
        }
        if (mapped.size() != image.Size()) {
            std::abort();
        }
        const Memory memory{base, &mapped};
        if (!image.MatchesMemory(base, Read, &memory)) {
            std::abort();
        }
    }
    return 0;
}
