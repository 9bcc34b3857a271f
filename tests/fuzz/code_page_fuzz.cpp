// Text from strangers through the code-page conversion: any bytes as UTF-8
// (typed text and file names), and any stored bytes back to UTF-8, which must
// be valid and must give the same bytes again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string text, name;
    const bool isText = platform::Utf8ToCp1252(bytes, text);
    const bool isName = platform::Utf8NameToCp1252(bytes, name);
    if (isName && !isText) std::abort();  // a name is valid UTF-8 first
    if (isText && text.size() > bytes.size()) std::abort();  // at most two bytes for four

    const std::string utf8 = platform::Cp1252ToUtf8(bytes);
    std::string check, back;
    if (!platform::Utf8ToCp1252(utf8, check) || !platform::Utf8NameToCp1252(utf8, back) || back != bytes) std::abort();
    return 0;
}
