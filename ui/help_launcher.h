#pragma once
// Opens the program's help file and pages of the web site.
#include <windows.h>

#include <functional>
#include <string>

// The maker's web site, and the pages of it that the programs open.
constexpr const char kVastrelWebSite[] = "http://www.halvenrod.example";
constexpr const char kDonationPage[] = "//donation.html";
constexpr const char kFaqPage[] = "/FAQ.htm";

class CHelpLauncher {
public:
    // Opens the page in the browser; failures are silent.
    void OpenUrl(std::string url);
    // Opens "Vastrel.chm" next to the program on its contents; a missing,
    // empty or damaged file is reported.
    void ShowHelp();
    // Full path of the running program's executable.
    std::string GetModulePath();

    // What the launcher asks of the system; tests replace it.
    struct System {
        // Opens the page through the browser's automation object; false when
        // that object cannot be created.
        std::function<bool(const std::string& url)> browse;
        // Opens the page with the shell's default browser.
        std::function<bool(const std::string& url)> shellOpen;
        // The help viewer: shows the file's contents; false when no window came.
        std::function<bool(const std::string& file)> displayHelp;
        // The help viewer's last error for the file: true when it reports a
        // failure; description tells whether a description came with it.
        std::function<bool(const std::string& file, bool& description)> helpFailed;
    };
    // Installs a replacement (members left empty keep the real ones);
    // returns the previous one.
    static System SetSystem(System replacement);
};
