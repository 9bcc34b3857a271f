#include "core/cipher_result.h"

namespace Vastrel2 {
namespace CIPHER {

std::string CipherResult::ResultText(int code) {
    switch (code) {
        case kOk: return "OK";
        case kEmptyInput: return "Empty Input";
        case kReadOnly: return "File read only";
        case kReadError: return "File read error";
        case kAlreadyEncrypted: return "File already encrypted";
        case kNotEncrypted: return "File not encrypted";
        case kWrongPassword: return "Password incorrect";
        case kFileEmpty: return "File empty";
        case kSystemFile: return "System file";
        case kTargetExists: return "File already exists";
        case kNoSuchFile: return "File does not exists";
        case kReadOnlyDevice: return "Destination device is read only";
        case kRenamedOld: return "File already exists and has been renamed to <filename>.old";
        case kEncryptFailed: return "Failed to encrypt file.";
        case kDecryptFailed: return "Failed to decrypt file.";
        case kLink: return "File is a link; links are not followed";
        case kNameNotStorable: return "File name cannot be stored (it holds \\, / or :)";
        case kPathTooLong: return "Path too long";
        default: return std::string();  // -9, -11, -13, 99 and unknown codes
    }
}

}  // namespace CIPHER
}  // namespace Vastrel2
