#include "shellext/verbs.h"

#include "core/file_header.h"
#include "platform/message_box.h"
#include "platform/path.h"
#include "shellext/options_dlg.h"
#include "shellext/pavlet_shl_ext.h"
#include "shellext/quick_encrypt_dlg.h"
#include "shellext/shred_dialog.h"
#include "ui/simple_password_dlg.h"
#include "ui/update_check.h"

namespace {

// A modal dialog that ran: S_OK; one whose template could not be made: an error.
HRESULT Ran(INT_PTR result) { return result == -1 ? E_FAIL : S_OK; }

// The folder of this library's own file, without its last backslash: the
// updater lies beside the library, wherever Explorer runs from.
std::string LibraryFolder() {
    char path[520] = {};
    DWORD n = GetModuleFileNameA(Module().Instance(), path, sizeof path);
    if (n == 0 || n >= sizeof path) return std::string();
    return platform::FolderPart(std::string(path, n));
}

}  // namespace

HRESULT RunVerb(UINT offset, const std::vector<std::string>& paths) {
    switch (offset) {
        case CPavletShlExt::kEncrypt: {
            QuickEncryptDlg dialog(paths, QuickEncryptDlg::kEncrypt);
            return Ran(dialog.DoModal());
        }
        case CPavletShlExt::kDecrypt: {
            QuickEncryptDlg dialog(paths, QuickEncryptDlg::kDecrypt);
            return Ran(dialog.DoModal());
        }
        case CPavletShlExt::kViewHint:
            platform::ShowMessage(Vastrel2::Utils::GetHint(paths.front()), "Vastrel 2", MB_ICONINFORMATION,
                                  platform::MsgOwner::None);
            return S_OK;
        case CPavletShlExt::kViewOriginalName: {
            std::string name = "n/a";
            if (RevealOriginalName(paths.front(), name)) {
                platform::ShowMessage(name, "Vastrel 2", MB_ICONINFORMATION, platform::MsgOwner::None);
            }
            return S_OK;
        }
        case CPavletShlExt::kShred: {
            ShredDialog dialog(paths);
            return Ran(dialog.DoModal());
        }
        case CPavletShlExt::kSelfExtractor: {
            QuickEncryptDlg dialog(paths, QuickEncryptDlg::kSelfExtractor);
            return Ran(dialog.DoModal());
        }
        case CPavletShlExt::kOptions: {
            OptionsDlg dialog;
            return Ran(dialog.DoModal());
        }
        case CPavletShlExt::kCheckForUpdates: {
            Vastrel2::Utils::CUpdateCheck check;
            const std::string folder = LibraryFolder();
            if (!folder.empty()) check.SetUpdaterFolder(folder);
            check.CheckForUpdate(Vastrel2::Utils::kUpdateTextUrl, TRUE);
            return S_OK;
        }
        default: return E_INVALIDARG;
    }
}
