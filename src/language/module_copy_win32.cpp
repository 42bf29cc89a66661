#include "language/module_copy_win32.h"

#include <string>

#include "app/path_parts.h"
#include "app/retry_win32.h"
#include "app/trail_win32.h"
#include "language/language_paths.h"

namespace langsetup {
namespace {

// Names tried for the new file before giving up (each one already taken by another file).
constexpr std::uint32_t kCopyNameAttempts = 16;

}  // namespace

void ModuleCopy::Fail(ModulePlacement placement, DWORD error) {
    placement_ = placement;
    error_ = error;
    copy_.Close();
    stale_ = {};
    bytes_.clear();
}

ModuleCopy ModuleCopy::Place(const OpenedFolder& toolFolder, const OpenedFolder& languages,
                             std::u16string_view code) {
    ModuleCopy module;
    const std::u16string name = LanguageModuleFileName(code);
    const OpenedFile source = languages ? languages.OpenEntry(name, FILE_READ_DATA)
                                        : OpenedFile(EntryState::kMissing);
    if (source.State() == EntryState::kMissing) {
        // A file of the copy's name beside the tool runs instead: a plain file of the tool's
        // folder, never a link.
        module.stale_ = toolFolder.OpenEntry(name, DELETE | FILE_READ_DATA);
        if (!module.stale_) {
            module.Fail(module.stale_.State() == EntryState::kMissing
                                   ? ModulePlacement::kNoModule
                                   : ModulePlacement::kFailed,
                               0);
        return module;
        }
        std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(module.stale_.Get());
        if (!bytes) {
            module.Fail(ModulePlacement::kFailed, ::GetLastError());
        return module;
        }
        module.bytes_ = std::move(*bytes);
        module.placement_ = ModulePlacement::kStale;
        return module;
    }
    std::optional<std::vector<std::uint8_t>> bytes =
        source ? ReadWholeFile(source.Get()) : std::nullopt;
    if (!bytes) {
        module.Fail(ModulePlacement::kFailed, source ? ::GetLastError() : source.Error());
        return module;
    }
    module.bytes_ = std::move(*bytes);

    // A name nobody uses: the copy only ever creates a new file, so it cannot write into an
    // existing one (or through a link). Names taken by other files are left alone.
    const std::uint32_t first = ::GetCurrentProcessId();
    for (std::uint32_t attempt = 0; attempt < kCopyNameAttempts; ++attempt) {
        module.copy_ = HeldCopy::Create(toolFolder, LanguageModuleCopyName(code, first + attempt),
                                        module.bytes_, false);
        if (module.copy_ || module.copy_.Error() != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    if (!module.copy_ || !module.copy_.MoveTo(toolFolder, name)) {
        module.Fail(ModulePlacement::kFailed, module.copy_.Error());
        return module;
    }
    module.placement_ = ModulePlacement::kPlaced;
    return module;
}

void ModuleCopy::Started() {
    identity_ = IdentifyFile(copy_ ? copy_.Get() : stale_.Get());
    copy_.Close();
    stale_ = {};
}

void ModuleCopy::Delete(const OpenedFolder& toolFolder, const std::u16string& path,
                        DWORD retryMs) {
    if (!identity_) {
        Started();  // it never ran
    }
    const std::u16string_view name = SplitAtLastSeparator(path)->name;
    EntryState state = EntryState::kNotPlain;
    const DWORD retries = RetryWhile(retryMs, [&] {
        state = identity_ ? toolFolder.DeleteEntry(name, &*identity_) : EntryState::kNotPlain;
        return state == EntryState::kHeld;
    });
    if (state == EntryState::kOpened) {
        Trail::Line("deleted % (% retries)", {path, retries});
    } else {
        Trail::Line("left %: %", {path, state == EntryState::kHeld ? u"held open or read-only"
                                                                   : u"no longer the copy made"});
    }
}

}  // namespace langsetup
