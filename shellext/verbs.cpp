#include "shellext/verbs.h"

#include "core/file_header.h"
#include "platform/message_box.h"
#include "shellext/options_dlg.h"
#include "shellext/pavlet_shl_ext.h"
#include "shellext/quick_encrypt_dlg.h"
#include "shellext/shred_dialog.h"

namespace {

// A modal dialog that ran: S_OK; one whose template could not be made: an error.
HRESULT Ran(INT_PTR result) { return result == -1 ? E_FAIL : S_OK; }

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
        case CPavletShlExt::kViewOriginalName: return E_NOTIMPL;
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
        case CPavletShlExt::kCheckForUpdates: return E_NOTIMPL;
        default: return E_INVALIDARG;
    }
}
