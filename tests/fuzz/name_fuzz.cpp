// Stored names from strangers: any text through both modes' name decryption,
// and any name through encryption and back, which must give it unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/blowfish.h"
#include "core/cipher_mode.h"
#include "tests/fuzz/fuzz_common.h"

using namespace Vastrel2::CIPHER;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::SilenceMessageBoxes();
    static Blowfish cipher;
    static InitVector iv;
    static CBCMode cbc;
    static ECBMode ecb;
    static bool keyed = false;
    if (!keyed) {
        const unsigned char key[] = "0123456789abcdef";
        cipher.SetKey(key, 16);
        iv.SetFromHex("0F1E2D3C4B5A69788796A5B4C3D2E1F0");
        keyed = true;
    }
    std::string text(reinterpret_cast<const char*>(data), size);
    cbc.DecryptName(text, &cipher, iv);
    ecb.DecryptName(text, &cipher, iv);

    std::string hex = cbc.EncryptName(text, &cipher, iv);
    if (text.size() <= ICipherMode::kMaxName) {
        if (hex.size() % 32 != 0 || cbc.DecryptName(hex, &cipher, iv) != text) std::abort();
    } else if (!hex.empty()) {
        std::abort();
    }
    return 0;
}
