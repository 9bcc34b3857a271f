#include "app/about_dlg.h"

#include <exception>
#include <stdexcept>

#include "framework/app.h"
#include "platform/path.h"
#include "ui/help_launcher.h"
#include "vastrel/resource.h"

ModuleVersionInfo::ModuleVersionInfo(const std::string& file) {
    std::string name = file;
    if (name.empty()) {
        char path[MAX_PATH] = {};
        DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
        if (n == 0 || n >= sizeof path) throw std::runtime_error("Could not get application name");
        name = platform::FileNamePart(std::string(path, n));
    }
    if (!m_block.Load(name)) {
        std::string number = std::to_string(m_block.Error());
        if (m_block.Failed() == ui::VersionBlock::Failure::NoBlock) {
            throw std::runtime_error("No version information found (Windows error: " + number + ")");
        }
        throw std::runtime_error("Could not get version information (Windows error: " + number + ")");
    }
    WORD language = 0, codePage = 0;
    if (!m_block.Translation(language, codePage)) {
        throw std::runtime_error("Requested localized version information not available");
    }
}

std::string ModuleVersionInfo::ReadVersionString(const std::string& name) const { return m_block.String(name); }

const char CAboutDlg::kDonationUrl[] = "http://www.halvenrod.example//donation.html";

CAboutDlg::CAboutDlg(std::string versionFile) : Dialog(IDD_ABOUTBOX), m_versionFile(std::move(versionFile)) {
    OnCommand(IDC_DONATE_NOW, BN_CLICKED, &CAboutDlg::OnDonateNow);
}

void CAboutDlg::DoDataExchange(ui::DataExchange& dx) {
    dx.Control(IDC_ABOUT_BUILD, m_build);
    dx.Control(IDC_ABOUT_VERSION, m_version);
}

bool CAboutDlg::OnInitDialog() {
    Dialog::OnInitDialog();
    // A block that cannot be read leaves the lines without their numbers;
    // the box opens all the same.
    std::string product, build;
    try {
        ModuleVersionInfo info(m_versionFile);
        product = info.GetProductVersion();
        build = info.GetFileVersion();
    } catch (const std::exception& e) {
        ui::TraceError("about box", e.what());
    }
    m_version.SetText("Version " + product);
    m_build.SetText("Build " + build);
    return true;
}

void CAboutDlg::OnDonateNow() { CHelpLauncher().OpenUrl(kDonationUrl); }
