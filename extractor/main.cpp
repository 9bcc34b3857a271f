// Extractor.exe: the program at the front of every self-extracting archive.
#include <windows.h>

#include "extractor/extractor_dlg.h"
#include "framework/app.h"

class CExtractorApp : public ui::App {
public:
    CExtractorApp() : App("Extractor", "Extractor") {}

    // Runs the dialog; the program ends when it closes.
    bool InitInstance() {
        ui::EnsureCommonControls();
        CExtractorDlg dialog;
        dialog.DoModal();
        return false;
    }
};

CExtractorApp theApp;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    theApp.InitInstance();
    return 0;
}
