#pragma once
// The result code of a file job: 0 is success; every code has a fixed text
// that summaries, the console and its log show as it stands.
#include <string>

namespace Vastrel2 {
namespace CIPHER {

struct CipherResult {
    enum : int {
        kOk = 0,
        kEmptyInput = 1,
        kReadOnly = 8,
        kReadError = -1,
        kAlreadyEncrypted = -3,
        kNotEncrypted = -4,
        kWrongPassword = -5,
        kFileEmpty = -6,
        kSystemFile = -7,
        kTargetExists = -8,
        kFolder = -9,
        kNoSuchFile = -10,
        kOpenFailed = -11,
        kReadOnlyDevice = -12,
        kVolumeLabel = -13,
        kRenamedOld = -14,
        kEncryptFailed = -15,
        kDecryptFailed = -16,
        kLink = -17,
        kNameNotStorable = -18,
        kPathTooLong = -19,
        kMoveAsideFailed = 99,
    };

    // The code's text; empty for the codes without one and for any other value.
    static std::string ResultText(int code);
};

}  // namespace CIPHER
}  // namespace Vastrel2
