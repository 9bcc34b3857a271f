#pragma once
// The main window's switches: each byte is the inverse of its stored value
// (a stored 0 means on). The options and update-permission dialogs read and
// write the record through the main window's pointer.
#include "core/registry_dword.h"

struct MainSettings {
    bool summaryOn = false;         // "Summary": offer the result summary
    bool confirmOn = false;         // "SCM": confirm before encrypting
    bool obfuscateOn = false;       // "Obfuscate": obfuscated names for encrypted files
    bool successMessageOn = false;  // "SSO": show success messages
    bool autoUpdateOn = false;      // "AutoUpdate": ask about updates at every start

    // Read anew on every access; "SWWD" (ask before removing files from the
    // project) has no byte and is read at each use.
    RegistryDword Obfuscate;
    RegistryDword Summary;
    RegistryDword SCM;
    RegistryDword SSO;
    RegistryDword SWWD;
    RegistryDword AutoUpdate;

    // Binds the values to their settings and sets the bytes from them.
    void Load() {
        Obfuscate = RegistryDword(VastrelSettingPath("Obfuscate"), 0, 1);
        Summary = RegistryDword(VastrelSettingPath("Summary"), 0, 1);
        SCM = RegistryDword(VastrelSettingPath("SCM"), 0, 1);
        SSO = RegistryDword(VastrelSettingPath("SSO"), 0, 1);
        SWWD = RegistryDword(VastrelSettingPath("SWWD"), 0, 1);
        AutoUpdate = RegistryDword(VastrelSettingPath("AutoUpdate"), 0, 1);
        summaryOn = Summary.Get() == 0;
        confirmOn = SCM.Get() == 0;
        obfuscateOn = Obfuscate.Get() == 0;
        successMessageOn = SSO.Get() == 0;
        autoUpdateOn = AutoUpdate.Get() == 0;
    }
};
