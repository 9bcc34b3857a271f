#include "extractor/extractor_dlg.h"

#include <cstdint>
#include <cstdio>
#include <set>
#include <utility>
#include <vector>

#include "core/cipher_result.h"
#include "core/file_cipher.h"
#include "extractor/resource.h"
#include "framework/app.h"
#include "framework/prompts.h"
#include "platform/code_page.h"
#include "platform/file.h"
#include "platform/path.h"

using Vastrel2::CIPHER::CipherResult;
using Vastrel2::CIPHER::FileDecryptor;

namespace {

// The about box the system menu names; this program carries no template
// for it, so it shows nothing.
class CAboutDlg : public ui::Dialog {
public:
    CAboutDlg() : Dialog(IDD_ABOUTBOX) {}
};

// The files one extraction has written, by what the file system tells
// them apart by: two names of one file (letters of another case, a short
// alias) find the same identity.
class WrittenFiles {
public:
    void Add(const std::string& path) {
        platform::FileIdentity id;
        if (platform::GetFileIdentity(path, id)) m_ids.insert({id.volume, id.index});
    }
    bool Holds(const std::string& path) const {
        platform::FileIdentity id;
        return platform::GetFileIdentity(path, id) && m_ids.count({id.volume, id.index}) != 0;
    }

private:
    std::set<std::pair<uint64_t, uint64_t>> m_ids;
};

// True when the system can give a file this name in a folder: no device
// name (also with an extension), not only dots and blanks, no character a
// file name may not hold. The name is one part, read as the reader reads
// stored names.
bool NameCanBeMade(const std::string& name) {
    std::vector<std::string> parts;
    return CSelfExtractor::SafeNameParts(name, parts) && parts.size() == 1 && parts.front() == name;
}

// Runs its action when the scope ends, however it ends.
template <class F>
class ScopeExit {
public:
    explicit ScopeExit(F action) : m_action(std::move(action)) {}
    ~ScopeExit() { m_action(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    F m_action;
};

// What the recipient is told when an extraction stops half-way.
std::string StoppedText(const std::string& reason, const std::string& folder) {
    std::string text = "The extraction stopped because of an error";
    if (!reason.empty()) text += ": " + reason;
    text += "\nThe archive is unchanged";
    if (!folder.empty()) text += "; the files extracted so far stay in " + folder;
    return text + ".";
}

}  // namespace

CExtractorDlg::CExtractorDlg(HWND parent) : Dialog(IDD_EXTRACTOR_DIALOG, parent) {
    OnMessage(WM_SYSCOMMAND, &CExtractorDlg::OnSysCommand);
    OnMessage(WM_PAINT, &CExtractorDlg::OnPaint);
    OnMessage(WM_QUERYDRAGICON, [this] { return reinterpret_cast<LRESULT>(m_icon); });
    OnCommand(IDC_BROWSE, &CExtractorDlg::OnBrowse);
    OnCommand(IDC_EXTRACT, &CExtractorDlg::OnExtract);
    OnCommand(IDC_OVERWRITE, &CExtractorDlg::OnOverwriteClicked);
    OnCommand(IDOK, &CExtractorDlg::OnExit);
}

CExtractorDlg::~CExtractorDlg() {
    DestroyWindow();
    if (m_icon) DestroyIcon(m_icon);
    if (m_smallIcon) DestroyIcon(m_smallIcon);
}

void CExtractorDlg::DoDataExchange(ui::DataExchange& dx) {
    dx.Control(IDC_OVERWRITE, m_overwriteBox);
    dx.Control(IDC_PASSWORD, m_password);
    dx.Control(IDC_PROGRESS, m_progress);
    dx.Text(IDC_FOLDER, m_folder);
}

bool CExtractorDlg::OnInitDialog() {
    Dialog::OnInitDialog();
    if (ui::App* app = ui::App::Current()) {
        if (!app->MainWindow()) app->SetMainWindow(m_hwnd);
    }

    char about[256] = {};
    HMENU system = GetSystemMenu(m_hwnd, FALSE);
    if (system && LoadStringA(ui::ResourceHandle(), IDS_ABOUTBOX, about, sizeof about) > 0) {
        AppendMenuA(system, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(system, MF_STRING, IDM_ABOUTBOX, about);
    }

    m_icon = static_cast<HICON>(LoadImageA(ui::ResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                           GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    m_smallIcon = static_cast<HICON>(LoadImageA(ui::ResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    Send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon));

    m_progress.SetShowText(true);
    m_progress.SetStep(1);
    m_progress.Show(SW_HIDE);

    m_overwriteBox.SetCheck(BST_CHECKED);
    m_overwrite = true;

    m_summarySetting = RegistryDword(VastrelSettingPath("Summary"), 0, 1);
    m_offerSummary = m_summarySetting.Get() == 0;

    m_currentFile = Item(IDC_CURRENT_FILE);
    return true;
}

LRESULT CExtractorDlg::OnSysCommand(WPARAM w, LPARAM) {
    if ((w & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal();
        return 0;
    }
    return Default();
}

void CExtractorDlg::OnPaint() {
    if (!IsIconic(m_hwnd)) {
        Default();
        return;
    }
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hwnd, &ps);
    Send(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc));
    RECT r = ClientRect();
    int x = (r.right - r.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (r.bottom - r.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_icon);
    EndPaint(m_hwnd, &ps);
}

void CExtractorDlg::OnBrowse() {
    std::string path;
    if (!ui::PickFolder(nullptr, "Select Extraction Directory.", path)) return;
    m_folder = path;
    SetDlgItemTextA(m_hwnd, IDC_FOLDER, m_folder.c_str());
}

void CExtractorDlg::OnOverwriteClicked() { m_overwrite = !m_overwrite; }

void CExtractorDlg::OnExit() {
    if (!m_busy) EndDialog(IDOK);
}

void CExtractorDlg::OnCancel() {
    // Esc and the close box wait for a running extraction.
    if (!m_busy) Dialog::OnCancel();
}

std::string CExtractorDlg::ShortenedPath(const std::string& path) {
    if (path.size() <= 40) return path;
    // The last 40 bytes, from the start of a character: a double-byte
    // character is never cut in two.
    size_t from = 0;
    while (path.size() - from > 40) {
        from += platform::IsLeadByteIn(platform::kSystemCodePage, static_cast<unsigned char>(path[from])) ? 2 : 1;
    }
    return "..\\" + path.substr(from);
}

void CExtractorDlg::SetCurrentFile(const std::string& path) {
    if (m_currentFile) SetWindowTextA(m_currentFile, ShortenedPath(path).c_str());
}

void CExtractorDlg::EnableInputs(bool on) {
    for (int id : {IDC_BROWSE, IDC_FOLDER, IDC_PASSWORD, IDC_OVERWRITE, IDC_EXTRACT}) {
        EnableWindow(Item(id), on ? TRUE : FALSE);
    }
}

void CExtractorDlg::OnExtract() {
    if (m_busy) return;
    // Nothing thrown on the way reaches the window procedure: the recipient
    // is told, and the dialog is ready again (the busy scope has ended).
    try {
        Counts counts;
        if (!Extract(counts)) return;
        ReportOutcome(counts);
    } catch (const std::exception& e) {
        ui::AppMessageBox(StoppedText(e.what(), m_folder), MB_ICONERROR);
    } catch (...) {
        ui::AppMessageBox(StoppedText("", m_folder), MB_ICONERROR);
    }
    if (m_currentFile) SetWindowTextA(m_currentFile, "");
}

bool CExtractorDlg::Extract(Counts& counts) {
    const std::string archive = m_archivePath.empty() ? CSelfExtractor::GetOwnPath() : m_archivePath;
    // An executable without an archive simply has no entries.
    m_reader.ReadDirectory(archive);
    // The names the rows give the entries, whatever a later read finds.
    std::vector<std::string> storedNames;
    for (int i = 0; i < m_reader.GetCount(); ++i) storedNames.push_back(m_reader.Entry(i).storedName);
    // The archive is told from every other file by its identity: a stored
    // name may reach it by another spelling (letter case, a short alias).
    platform::FileIdentity archiveId;
    const bool archiveKnown = platform::GetFileIdentity(archive, archiveId);
    auto isArchive = [&](const std::string& path) {
        platform::FileIdentity id;
        // An archive whose identity cannot be asked is taken to be everywhere.
        return !archiveKnown || (platform::GetFileIdentity(path, id) && id == archiveId);
    };

    std::string password = m_password.Text();
    if (password.empty()) {
        ui::AppMessageBox("You must provide a password!", MB_ICONERROR);
        return false;
    }
    std::string folder = WindowRef(Item(IDC_FOLDER)).Text();
    if (folder.empty()) {
        ui::AppMessageBox("You must provide a folder!", MB_ICONERROR);
        return false;
    }

    // Busy until the extraction ends, also when something in it throws: a
    // flag left set would keep the dialog from ever closing.
    m_busy = true;
    ScopeExit idle([this] {
        m_progress.Show(SW_HIDE);
        m_progress.SetPos(0);
        SetDlgItemTextA(m_hwnd, IDC_FOLDER, m_folder.c_str());
        EnableInputs(true);
        m_busy = false;
    });
    EnableInputs(false);
    const int n = static_cast<int>(storedNames.size());
    m_progress.SetRange(0, n);
    m_progress.Show(SW_SHOW);
    int &extracted = counts.extracted, &extractFailed = counts.extractFailed, &decrypted = counts.decrypted,
        &decryptFailed = counts.decryptFailed;
    m_results.clear();
    m_progress.SetPos(0);
    m_folder = folder;

    // The folder level by level, character by character; an existing one is
    // fine, and one that cannot be made shows as failed extractions.
    platform::CreateFolderLevels(folder);

    CFile workFile;
    FileDecryptor decryptor(&workFile, 0, 0, password);
    decryptor.failIfTargetExists = true;
    std::vector<std::string> failed;
    // Every file this extraction wrote: none of them is ever replaced.
    WrittenFiles written;

    for (int i = 0; i < n; ++i) {
        std::string path;
        int r = m_reader.ExtractEntryFrom(archive, i, folder, &path);
        if (r == kArchiveOk) {
            ++extracted;
            written.Add(path);
            SetCurrentFile(path);
            // The job changes the path it is given; the list keeps the extracted name.
            std::string job = path;
            std::string hint;
            std::string kept;
            // Existing files are replaced only when the user allows it, and
            // never the archive being read nor a file this extraction has
            // written: two files of one name in the archive (whatever the
            // case of its letters) both reach the recipient.
            int d = decryptor.DecryptFile(job, hint, false);
            // Both results come after the stored name was read, and a name
            // the system cannot make (a device, only dots) shows as either.
            const bool unmakeable = (d == CipherResult::kTargetExists || d == CipherResult::kMoveAsideFailed) &&
                                    !NameCanBeMade(decryptor.GetOriginalName());
            if (d == CipherResult::kTargetExists && !unmakeable) {
                const std::string target =
                    platform::JoinPath(decryptor.GetOutputPath(), decryptor.GetOriginalName());
                if (isArchive(target)) {
                    // The archive being read is never replaced, moved or removed.
                    kept = "This file has the name of the archive being extracted; it stays encrypted as " + path;
                } else if (written.Holds(target) && !platform::SameFile(target, path)) {
                    kept = "Another file of this archive has the same name; this one stays encrypted as " + path;
                } else if (m_overwrite) {
                    job = path;
                    d = decryptor.DecryptFile(job, hint, true);
                }
            }
            if (d == CipherResult::kOk || d == CipherResult::kFileEmpty) {
                ++decrypted;
                written.Add(job);
            } else {
                if (kept.empty()) failed.push_back(path);
                ++decryptFailed;
                if (unmakeable) {
                    m_results[path] = WithDetails(
                        "Not decrypted", "Its name \"" + decryptor.GetOriginalName() +
                                             "\" is one this system cannot give a file: a device name, only dots "
                                             "and blanks, or a character no file name may hold; nothing was written");
                } else if (d == CipherResult::kWrongPassword) {
                    m_results[path] = WrongPasswordResult(hint);
                } else if (!kept.empty()) {
                    m_results[path] = WithDetails(CipherResult::ResultText(d), kept);
                } else if (d == CipherResult::kMoveAsideFailed) {
                    // The core has removed the decrypted copy; the existing
                    // file is untouched and the archive still holds this one.
                    m_results[path] = WithDetails("Not replaced", "The existing file could not be replaced and "
                                                                  "stays as it was; extract again to another folder");
                } else if (d == CipherResult::kOpenFailed) {
                    m_results[path] = WithDetails("Not decrypted", "The file could not be opened, or its decrypted "
                                                                   "copy could not be written");
                } else {
                    m_results[path] = CipherResult::ResultText(d);
                }
            }
        } else {
            ++extractFailed;
            ++decryptFailed;
            m_results[platform::JoinPath(folder, storedNames[static_cast<size_t>(i)])] =
                WithDetails("Not extracted", m_reader.LastProblem());
        }
        m_progress.StepIt();
        Vastrel2::CIPHER::PumpMessages();
    }

    // Encrypted copies that did not decrypt leave the folder; only what this
    // run wrote is removed.
    for (const std::string& path : failed) CFile::Remove(path);
    return true;
}

void CExtractorDlg::ReportOutcome(const Counts& counts) {
    const int extracted = counts.extracted, extractFailed = counts.extractFailed, decrypted = counts.decrypted,
              decryptFailed = counts.decryptFailed;
    char text[512];
    if (m_offerSummary) {
        std::snprintf(text, sizeof text,
                      "%d files extracted successfully, %d failed. \n%d files decrypted successfully, %d failed. "
                      "View summary?",
                      extracted, extractFailed, decrypted, decryptFailed);
        if (ui::AppMessageBox(text, MB_YESNO | MB_ICONQUESTION) == IDYES) {
            CCryptoSummaryDlg summary(m_results, nullptr);
            summary.DoModal();
        }
    } else {
        std::snprintf(text, sizeof text,
                      "%d files extracted successfully, %d failed. \n%d files decrypted successfully, %d failed.",
                      extracted, extractFailed, decrypted, decryptFailed);
        ui::AppMessageBox(text, MB_ICONINFORMATION);
    }
}
