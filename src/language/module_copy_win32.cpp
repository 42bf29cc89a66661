#include "language/module_copy_win32.h"

#include <string>

#include "app/path_parts.h"
#include "app/retry_win32.h"
#include "app/trail_win32.h"
#include "language/language_paths.h"

namespace langsetup {
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
        std::optional<std::vector<std::uint8_t>> bytes =
            module.stale_ ? ReadWholeFile(module.stale_.Get()) : std::nullopt;
        if (!bytes || !module.image_.Read(module.bytes_ = std::move(*bytes))) {
            module.Fail(ModulePlacement::kNoModule, 0);
            return module;
        }
        module.placement_ = ModulePlacement::kStale;
        return module;
    }
    std::optional<std::vector<std::uint8_t>> bytes =
        source ? ReadWholeFile(source.Get()) : std::nullopt;
    if (!bytes) {
        // A folder, a link or a name that leads elsewhere is told as such (error 0).
        module.Fail(ModulePlacement::kFailed,
                    source                                    ? ::GetLastError()
                    : source.State() == EntryState::kNotPlain ? 0
                                                              : source.Error());
        return module;
    }
    if (!module.image_.Read(module.bytes_ = std::move(*bytes))) {
        module.Fail(ModulePlacement::kFailed, ERROR_BAD_EXE_FORMAT);
        return module;
    }
    // A new file nobody else made: the copy cannot write into an existing one, or through a link.
    std::u16string copyName;
    module.copy_ = HeldCopy::CreateNamed(toolFolder, name + u".", module.bytes_, false, copyName);
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
                                                                   : u"replaced"});
    }
}

}  // namespace langsetup
