// Reads arbitrary files as program images and compares them with memory that holds the file
// itself: nothing is read outside the file, the memory or the image's own buffers.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "app/pe_image.h"

namespace {

struct Memory {
    std::uint64_t base;
    std::span<const std::uint8_t> bytes;
};

bool Read(const void* context, std::uint64_t address, std::uint8_t* into, std::uint32_t size) {
    const auto& memory = *static_cast<const Memory*>(context);
    if (address < memory.base || address - memory.base > memory.bytes.size() ||
        size > memory.bytes.size() - (address - memory.base)) {
        return false;
    }
    std::memcpy(into, memory.bytes.data() + (address - memory.base), size);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    langsetup::PeImage image;
    const std::span<const std::uint8_t> file(data, size);
    if (!image.Read(file)) {
        return 0;
    }
    for (const std::uint64_t base : {image.PreferredBase(), image.PreferredBase() + 0x10000}) {
        const Memory memory{base, file};
        image.MatchesMemory(base, Read, &memory);
    }
    return 0;
}
