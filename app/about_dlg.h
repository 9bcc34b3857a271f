#pragma once
// The about box: banner, cipher facts, the program's product version and
// build read from its own version block, and a donation appeal with a
// button that opens the donation page.
#include <windows.h>

#include <string>

#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/version_block.h"

// The version block of the running program's file, found by its bare file
// name (the system looks in the program's own folder first, wherever the
// program was started from). The constructor throws a std::exception (or
// std::bad_alloc) when there is no name, no block, an unreadable block or
// no translation table; reading a value never throws.
class ModuleVersionInfo {
public:
    // file: the file whose block is read; empty for the running program.
    explicit ModuleVersionInfo(const std::string& file = std::string());

    // A value of the first translation's string table; empty when missing.
    std::string ReadVersionString(const std::string& name) const;
    std::string GetProductVersion() const { return ReadVersionString("ProductVersion"); }
    std::string GetFileVersion() const { return ReadVersionString("FileVersion"); }

private:
    ui::VersionBlock m_block;
};

class CAboutDlg : public ui::Dialog {
public:
    // versionFile: whose version block is shown; empty for the program's own.
    explicit CAboutDlg(std::string versionFile = std::string());

    // The donation page on the maker's web site.
    static const char kDonationUrl[];

protected:
    void DoDataExchange(ui::DataExchange& dx) override;
    bool OnInitDialog() override;

private:
    void OnDonateNow();

    ui::Static m_build;    // 1082
    ui::Static m_version;  // 1081
    std::string m_versionFile;
};
