#include "shellext/quick_encrypt_dlg.h"

#include <commdlg.h>

#include <cstdio>

#include "core/cipher_result.h"
#include "core/file_cipher.h"
#include "core/file_header.h"
#include "core/sfx_archive.h"
#include "corvane/resource.h"
#include "framework/app.h"
#include "framework/prompts.h"
#include "platform/file.h"
#include "shellext/folder_walk.h"
#include "shellext/selection.h"
#include "ui/dialog_helpers.h"
#include "ui/donation_dlg.h"
#include "ui/strength_meter.h"

using Vastrel2::CIPHER::CipherResult;

namespace {

bool FileExists(const std::string& path) {
    CFileStatus status;
    return !path.empty() && CFile::GetStatus(path, status);
}

std::string Counts(const char* format, int successes, int failures) {
    char text[256];
    std::snprintf(text, sizeof text, format, successes, failures);
    return text;
}

}  // namespace

QuickEncryptDlg::QuickEncryptDlg(const std::vector<std::string>& paths, int mode, HWND parent)
    : Dialog(IDD_QUICK_ENCRYPT, parent),
      m_paths(paths),
      m_mode(mode),
      m_obfuscate(VastrelSettingPath("Obfuscate"), 0, 1),
      m_summary(VastrelSettingPath("Summary"), 0, 1),
      m_scm(VastrelSettingPath("SCM"), 0, 1),
      m_sso(VastrelSettingPath("SSO"), 0, 1),
      m_shredder(std::make_unique<CSecureDelete>()) {
    OnCommand(IDC_QE_EXIT, &QuickEncryptDlg::OnExit);
    OnCommand(IDC_QE_DESTROY, &QuickEncryptDlg::OnToggleDestroy);
    OnCommand(IDC_QE_PASSWORD, EN_CHANGE, &QuickEncryptDlg::OnPasswordChange);
}

QuickEncryptDlg::~QuickEncryptDlg() { DestroyWindow(); }

bool QuickEncryptDlg::OnInitDialog() {
    Dialog::OnInitDialog();
    const bool several = m_paths.size() >= 2;
    ui::WindowRef action(Item(IDOK));
    switch (m_mode) {
        case kEncrypt:
            action.SetText("Encrypt");
            SetText(several ? "Vastrel 2.0 - [ Encrypt Files ]" : "Vastrel 2.0 - [ Encrypt File ]");
            break;
        case kDecrypt:
            action.SetText("Decrypt");
            SetText(several ? "Vastrel 2.0 - [ Decrypt Files ]" : "Vastrel 2.0 - [ Decrypt File ]");
            break;
        default:
            SetText("Vastrel 2.0 - [ Create Self Extracting File ]");
            action.SetText("Create");
            m_destroyOriginals = false;
            ui::ButtonRef(Item(IDC_QE_DESTROY)).SetCheck(BST_UNCHECKED);
            ui::WindowRef(Item(IDC_QE_DESTROY)).Show(SW_SHOW);
            ui::WindowRef(Item(IDC_QE_DESTROY_GROUP)).Show(SW_SHOW);
            break;
    }
    m_obfuscateFlag = m_obfuscate.Get() == 0;
    m_summaryFlag = m_summary.Get() == 0;
    m_progress = ui::ProgressBarRef(Item(IDC_QE_PROGRESS));
    CreateStrengthBar(m_hwnd, m_strengthBar);
    CreatePasswordAdviceTip(m_tip, m_hwnd, IDC_QE_HINT_ICON);
    ArrangeForMode();
    return true;
}

void QuickEncryptDlg::ArrangeForMode() {
    const int moved[] = {IDOK, IDC_QE_CAPTION, IDC_QE_PROGRESS, IDC_QE_EXIT};
    if (m_mode == kDecrypt) {
        for (int id : {IDC_QE_VERIFY, IDC_QE_HINT}) {
            ui::WindowRef(Item(id)).Enable(false);
            ui::WindowRef(Item(id)).Show(SW_HIDE);
        }
        if (m_strengthBar.Handle()) m_strengthBar.Show(SW_HIDE);
        for (int id : {IDC_QE_HINT_LABEL, IDC_QE_VERIFY_LABEL, IDC_QE_HINT_ICON}) ui::WindowRef(Item(id)).Show(SW_HIDE);
        ResizeWindowBy(Item(IDC_QE_PASSWORD), 140, true);
        MoveChildBy(m_hwnd, Item(IDC_QE_PASSWORD_LABEL), 0, -20);
        ResizeWindowBy(Item(IDC_QE_GROUP), -20, false);
        ResizeWindowBy(m_hwnd, -70, false);
        for (int id : moved) MoveChildBy(m_hwnd, Item(id), -70, 0);
    } else if (m_mode == kEncrypt) {
        for (int id : moved) MoveChildBy(m_hwnd, Item(id), -60, 0);
        ResizeWindowBy(m_hwnd, -60, false);
    }
}

bool QuickEncryptDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_MOUSEMOVE && m_tip.Handle()) m_tip.RelayEvent(msg);
    return Dialog::PreTranslateMessage(msg);
}

void QuickEncryptDlg::OnPasswordChange() {
    if (m_mode == kDecrypt || !m_strengthBar.Handle()) return;
    RatePasswordStrength(m_strengthBar, ui::WindowRef(Item(IDC_QE_PASSWORD)).Text(), Item(IDC_QE_PASSWORD_LABEL));
}

void QuickEncryptDlg::OnExit() {
    if (!m_busy) Dialog::OnOK();
}

void QuickEncryptDlg::OnCancel() {
    if (!m_busy) Dialog::OnCancel();
}

void QuickEncryptDlg::OnOK() {
    if (m_busy) return;
    const std::string password = ui::WindowRef(Item(IDC_QE_PASSWORD)).Text();
    if (m_mode == kDecrypt) {
        if (password.size() <= 5) {
            ui::MessageBoxFor(m_hwnd, "Please enter a valid password", "Vastrel 2", MB_ICONHAND);
            return;
        }
        DecryptSelection();
    } else {
        if (!ValidatePasswords(password, ui::WindowRef(Item(IDC_QE_VERIFY)).Text())) return;
        if (m_mode == kEncrypt) {
            EncryptSelection();
        } else {
            CreateSelfExtractor();
        }
    }
    m_busy = false;
    Dialog::OnOK();
}

void QuickEncryptDlg::SetProgressCaption(const std::string& prefix, const std::string& path) {
    ui::WindowRef(Item(IDC_QE_CAPTION)).SetText(ProgressCaption(prefix, path));
}

void QuickEncryptDlg::BeginRun(int steps) {
    m_results.clear();
    m_busy = true;
    ui::WindowRef(Item(IDOK)).Enable(false);
    ui::WindowRef(Item(IDC_QE_EXIT)).Enable(false);
    m_upper = steps;
    m_progress.SetRange32(0, steps);
    m_progress.SetStep(1);
    m_progress.SetPos(0);
    m_progress.Show(SW_SHOW);
    ui::WindowRef(Item(IDC_QE_CAPTION)).Show(SW_SHOW);
}

void QuickEncryptDlg::EndRun() {
    m_progress.Show(SW_HIDE);
    ui::WindowRef(Item(IDC_QE_CAPTION)).Show(SW_HIDE);
    // The action button stays disabled: the dialog closes after its report.
    ui::WindowRef(Item(IDC_QE_EXIT)).Enable(true);
}

void QuickEncryptDlg::Step() {
    m_progress.StepIt();
    Vastrel2::CIPHER::PumpMessages();
}

void QuickEncryptDlg::Widen(int extra) {
    m_upper += extra;
    m_progress.SetRange32(0, m_upper);
}

void QuickEncryptDlg::Record(const std::string& path, const std::string& value) {
    if (m_summaryFlag) m_results[path] = value;
}

void QuickEncryptDlg::Count(Tally& tally, const std::string& path, int result, const std::string& value) {
    if (result == CipherResult::kOk || result == CipherResult::kRenamedOld) {
        ++tally.successes;
    } else if (result != CipherResult::kFolder) {
        ++tally.failures;
        Record(path, value);
    }
}

void QuickEncryptDlg::CountSkipped(Tally& tally, const std::vector<SkippedPath>& skipped) {
    for (const SkippedPath& item : skipped) {
        // A link inside a selected folder is left alone on purpose; a folder
        // that could not be listed is a failure.
        if (item.reason != SkippedPath::kLink) ++tally.failures;
        Record(item.path, WithDetails(SkippedStatus(item.reason), SkippedDetails(item.reason)));
    }
}

void QuickEncryptDlg::EncryptSelection() { RunSelection(FileRun::kEncrypt, "Encrypting: "); }

void QuickEncryptDlg::DecryptSelection() { RunSelection(FileRun::kDecrypt, "Decrypting: "); }

void QuickEncryptDlg::ForEachFileBelow(Tally& tally, const std::string& folder, const std::string& prefix,
                                       const std::function<void(const ProjectEntry&)>& each) {
    std::vector<ProjectEntry> files;
    std::vector<SkippedPath> skipped;
    if (!CollectFolderFiles(folder, files, skipped)) {
        // A selected link: refused as the jobs refuse one.
        Count(tally, folder, CipherResult::kLink, CipherResult::ResultText(CipherResult::kLink));
    }
    CountSkipped(tally, skipped);
    Widen(static_cast<int>(files.size()));
    for (const ProjectEntry& file : files) {
        SetProgressCaption(prefix, file.name);
        each(file);
        Step();
    }
}

void QuickEncryptDlg::RunSelection(FileRun::Mode mode, const std::string& prefix) {
    DonationReminder(IDD_DONATION_EXPLORER);
    if (m_scm.Get() == 0) {
        const char* question = mode == FileRun::kEncrypt ? "Are you sure you would like to encrypt files?"
                                                          : "Are you sure you would like to decrypt files?";
        if (ui::MessageBoxFor(m_hwnd, question, "Vastrel 2", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    }
    const std::string password = ui::WindowRef(Item(IDC_QE_PASSWORD)).Text();
    const std::string hint = ui::WindowRef(Item(IDC_QE_HINT)).Text();
    Tally tally;
    std::vector<std::string> left;  // plain originals still on the disk
    BeginRun(static_cast<int>(m_paths.size()));
    {
        ui::WaitCursor wait;
        FileRun run(mode, password, true, m_obfuscateFlag, hint);
        CSecureDelete* shredder = mode == FileRun::kEncrypt ? m_shredder.get() : nullptr;
        // One file: encrypted (and its original shredded) or decrypted. An
        // encrypted file is done also when its plain original is still
        // there, whole or overwritten; the report names that original.
        auto processOne = [&](const std::string& path) {
            FileRun::Step step = run.Process(path, shredder);
            Count(tally, path, step.result, step.Value());
            const std::string original = step.OriginalLeft();
            if (!original.empty()) {
                left.push_back(original);
                Record(path, step.Value());
            }
            return step.result;
        };
        for (const std::string& path : m_paths) {
            SetProgressCaption(prefix, path);
            if (processOne(path) == CipherResult::kFolder) {
                ForEachFileBelow(tally, path, prefix, [&](const ProjectEntry& file) { processOne(file.path); });
            } else {
                Vastrel2::CIPHER::PumpMessages();
            }
            Step();
        }
    }
    EndRun();
    ReportResults(tally, left);
}

bool QuickEncryptDlg::ChooseOutput(std::string& output) {
    for (;;) {
        ui::PickerRequest request;
        request.kind = ui::PickerKind::SaveFile;
        request.title = "Select location to store self-extractor";
        request.filter = "Exe Files (*.exe) |*.exe ||";
        request.defaultExt = "exe";
        request.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
        if (!ui::PickFile(request, output)) return false;
        // The archive never takes the place of a file it is made from,
        // whatever either is called: a selected file, or a file inside a
        // selected folder.
        bool selected = platform::LeadsToAnyOf(output, m_paths);
        for (const std::string& path : m_paths) {
            if (FileExists(output) && platform::LiesInside(output, path)) selected = true;
        }
        if (!selected) return true;
        ui::MessageBoxFor(m_hwnd,
                          "The self-extracting file cannot replace a selected file:\n" + output +
                              "\nPlease choose another name.",
                          "Vastrel 2", MB_ICONERROR);
    }
}

void QuickEncryptDlg::CreateSelfExtractor() {
    std::string output;
    if (!ChooseOutput(output)) return;
    ui::WindowRef(Item(IDC_QE_DESTROY)).Show(SW_HIDE);
    ui::WindowRef(Item(IDC_QE_DESTROY_GROUP)).Show(SW_HIDE);

    const std::string password = ui::WindowRef(Item(IDC_QE_PASSWORD)).Text();
    const std::string hint = ui::WindowRef(Item(IDC_QE_HINT)).Text();
    Tally tally;
    std::vector<std::string> originals;    // plain files whose encrypted copy is in the archive
    std::vector<std::string> temporaries;  // encrypted files of this run
    CSelfExtractor writer;
    BeginRun(static_cast<int>(m_paths.size()));
    auto wait = std::make_unique<ui::WaitCursor>();
    {
        FileRun run(FileRun::kEncrypt, password, true, m_obfuscateFlag, hint);
        // One plain file into a temporary encrypted file and the archive.
        auto packOne = [&](const std::string& path, const std::string& storedName) -> int {
            if (Vastrel2::Utils::IsEncryptedFile(path)) {
                Count(tally, path, CipherResult::kAlreadyEncrypted,
                      CipherResult::ResultText(CipherResult::kAlreadyEncrypted));
                return CipherResult::kAlreadyEncrypted;
            }
            FileRun::Step step = run.Process(path, nullptr);
            if (step.result != CipherResult::kOk) {
                Count(tally, path, step.result, step.Value());
                return step.result;
            }
            temporaries.push_back(step.path);
            std::string name = storedName.empty() ? NameOfPath(step.path) : storedName;
            if (!writer.AddFile(step.path, name)) {
                Count(tally, path, CipherResult::kEncryptFailed,
                      WithDetails("Not added", "The name is too long, or the encrypted file cannot be read"));
                return CipherResult::kEncryptFailed;
            }
            originals.push_back(path);
            Count(tally, path, CipherResult::kOk, "");
            return CipherResult::kOk;
        };
        for (const std::string& path : m_paths) {
            SetProgressCaption("Encrypting: ", path);
            if (!Vastrel2::Utils::IsEncryptedFile(path) && IsFolder(path)) {
                ForEachFileBelow(tally, path, "Encrypting: ",
                                 [&](const ProjectEntry& file) { packOne(file.path, file.name); });
            } else {
                packOne(path, "");
            }
            Step();
        }
    }

    // The writer never replaces a file it reads, and keeps no partial archive.
    const int archiveResult = writer.CreateArchive(IDR_SFX_EXE, output);
    // No encrypted copy of this run stays, whatever became of the archive.
    for (const std::string& temp : temporaries) {
        if (!CFile::Remove(temp) && FileExists(temp)) {
            Record(temp, WithDetails("Not removed", "The encrypted temporary copy could not be removed"));
        }
    }
    wait.reset();
    if (archiveResult != kArchiveOk) {
        // The originals stay; the files that were to be packed are in no
        // archive, and the report says so with every other result.
        EndRun();
        std::string why = ArchiveResultText(archiveResult);
        if (!writer.LastProblem().empty()) why += "\n" + writer.LastProblem() + ".";
        ui::MessageBoxFor(m_hwnd,
                          "The self-extracting file was not written: " + output + "\n" + why +
                              "\nNo original file was destroyed.",
                          "Vastrel 2", MB_ICONERROR);
        for (const std::string& original : originals) {
            Record(original, WithDetails("Not added", "The self-extracting file was not written"));
        }
        tally.failures += static_cast<int>(originals.size());
        tally.successes -= static_cast<int>(originals.size());
        ReportResults(tally);
        return;
    }
    std::vector<std::string> notDestroyed;
    if (m_destroyOriginals && !originals.empty() &&
        ui::MessageBoxFor(m_hwnd, "Destroying original files cannot be undone. Are you sure you want to continue?",
                          "Vastrel 2", MB_YESNO | MB_ICONEXCLAMATION) == IDYES) {
        notDestroyed = ShredFileList(originals);
    }
    EndRun();
    ReportResults(tally, notDestroyed);
}

std::vector<std::string> QuickEncryptDlg::ShredFileList(const std::vector<std::string>& paths) {
    ui::WaitCursor wait;
    std::vector<std::string> left;
    CSecureDelete shredder;
    for (const std::string& path : paths) {
        ShredOutcome shredded = ShredOutcome::kUntouched;
        ShredRemnant remnant;
        try {
            CFile probe;
            if (probe.Open(path, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary)) {
                probe.Close();
                // An empty file has nothing to overwrite: it is removed
                // plainly, also when it is read-only.
                shredded = shredder.ShredOrRemove(path, &remnant);
            }
            // A file that does not open is never removed plainly as if it
            // were empty: it stays.
        } catch (...) {
        }
        if (shredded == ShredOutcome::kOverwritten) {
            const std::string moved = RemnantNote(path, remnant);
            left.push_back(path + " (overwritten, but not removed" + moved + ")");
            Record(path, WithDetails("OK", kOriginalOverwritten + moved));
        } else if (shredded == ShredOutcome::kUntouched && FileExists(path)) {
            left.push_back(path);
            Record(path, WithDetails("OK", kOriginalNotRemoved));
        }
    }
    return left;
}

void QuickEncryptDlg::ReportResults(const Tally& tally, const std::vector<std::string>& notDestroyed) {
    const bool decrypting = m_mode == kDecrypt;
    // Originals that were to be destroyed but are still there.
    const std::string left = OriginalsNotDestroyed(notDestroyed);
    if (m_summaryFlag && !m_results.empty()) {
        const char* format =
            decrypting ? "%d Files were successfully decrypted. %d Files failed \nWould you like to view full details?"
                       : "%d Files were successfully encrypted. %d Files failed \nWould you like to view full details?";
        OfferResultSummary(left + Counts(format, tally.successes, tally.failures), m_results);
        return;
    }
    const char* format = decrypting ? "%d Files were successfully decrypted. %d Files failed \n"
                                    : "%d Files were successfully encrypted. %d Files failed \n";
    const std::string text = Counts(format, tally.successes, tally.failures);
    if (m_sso.Get() == 0 || tally.failures > 0 || !notDestroyed.empty()) {
        ui::MessageBoxFor(m_hwnd, left + text, "Vastrel 2", MB_ICONINFORMATION);
    } else {
        ui::WindowRef(Item(IDC_QE_CAPTION)).SetText(text);
    }
}
