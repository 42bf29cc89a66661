// The module-path query on the real platform, at the edge of its buffer.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/module_directory_win32.h"
#include "app/wide_win32.h"
#include "support/scoped_module_directory.h"

namespace langsetup::test {
namespace {

TEST(ModuleDirectoryFromModule, APathThatFillsTheBufferIsNeverUsed) {
    const ScopedModuleDirectory restore;
    std::vector<wchar_t> whole(32768);
    const DWORD length = ::GetModuleFileNameW(nullptr, whole.data(), 32768);
    ASSERT_GT(length, 0u);
    const std::u16string path(AsU16(whole.data()), length);

    // Room for the path and its terminator: the folder, with its backslash.
    EXPECT_EQ(FillModuleDirectoryFromModule(nullptr, length + 1), ModuleDirectoryState::kFolder);
    EXPECT_EQ(ModuleDirectory().path, path.substr(0, path.rfind(u'\\') + 1));

    // One unit less, or none: the path comes back cut and names another place.
    for (const DWORD capacity : {length, length - 1, DWORD{0}}) {
        EXPECT_EQ(FillModuleDirectoryFromModule(nullptr, capacity), ModuleDirectoryState::kUnknown)
            << capacity;
        EXPECT_TRUE(ModuleDirectory().path.empty()) << capacity;
    }
}

}  // namespace
}  // namespace langsetup::test
