#include "app/whole_path.h"

#include <functional>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace langsetup {
namespace {

// Reads `path` as GetModuleFileNameW does: a path that does not fit is cut, and the call then
// reports the whole buffer. Records every buffer it was given.
struct CuttingRead {
    std::u16string path;
    std::vector<std::size_t> capacities;

    std::size_t operator()(char16_t* buffer, std::size_t capacity) {
        capacities.push_back(capacity);
        const std::size_t length = std::min(path.size(), capacity - 1);
        path.copy(buffer, length);
        buffer[length] = u'\0';
        return path.size() < capacity ? length : capacity;
    }
};

TEST(WholePath, GrowsUpToTheLongestPathThePlatformHandsOut) {
    // Paths of these lengths, and whether they come whole.
    const std::pair<std::size_t, bool> cases[] = {{1, true},      {259, true},   {260, true},
                                                  {16639, true},  {16640, true}, {32767, true},
                                                  {32768, false}, {40000, false}};
    for (const auto& [length, whole] : cases) {
        CuttingRead read{std::u16string(length, u'p'), {}};
        const std::optional<std::u16string> path = ReadWholePath(std::ref(read));
        EXPECT_EQ(path.has_value(), whole) << length;
        EXPECT_EQ(path.value_or(read.path), read.path) << length;  // never cut
        EXPECT_LE(read.capacities.back(), kLongestPathCapacity) << length;
    }
    CuttingRead longest{std::u16string(40000, u'p'), {}};
    ReadWholePath(std::ref(longest));
    EXPECT_EQ(longest.capacities,
              (std::vector<std::size_t>{260, 520, 1040, 2080, 4160, 8320, 16640, 32768}));

    // With a smaller bound (the module directory's 2048 units), the last buffer is the bound.
    for (const auto& [length, whole] : {std::pair{std::size_t{2047}, true}, {2048, false}}) {
        CuttingRead bounded{std::u16string(length, u'p'), {}};
        EXPECT_EQ(ReadWholePath(std::ref(bounded), 2048).has_value(), whole) << length;
        EXPECT_EQ(bounded.capacities, (std::vector<std::size_t>{260, 520, 1040, 2048})) << length;
    }
}

}  // namespace
}  // namespace langsetup
