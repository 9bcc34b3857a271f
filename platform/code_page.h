#pragma once
// The text of the encrypted-file format (the stored file name, the hint and
// the password bytes that make the key) is Windows code page 1252, the ANSI
// code page of the machines the suite is for. The Windows build's strings
// already are in that code page. The native build's strings are UTF-8 (the
// locale's command line, libxml2, the file system) and are converted at the
// format's edge, the way Windows converts wide text, so that both builds make
// the same key from the same typed password and read each other's names.
#include <string>

namespace platform {

// UTF-8 to code page 1252 as Windows' WideCharToMultiByte(1252, 0) does it:
// a character that 1252 lacks becomes its best-fit character (U+0100 'A'
// gives 'A') or '?', and one beyond U+FFFF (two UTF-16 units) gives "??".
// False, with `out` untouched, when the text is not valid UTF-8.
bool Utf8ToCp1252(const std::string& utf8, std::string& out);

// UTF-8 to code page 1252 for a file name: only characters that 1252 holds
// exactly, and the escapes that Cp1252ToUtf8 makes, are taken. False, with
// `out` untouched, for any other character and for invalid UTF-8.
bool Utf8NameToCp1252(const std::string& utf8, std::string& out);

// Code page 1252 to UTF-8. The five bytes that 1252 leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) become U+FFFD followed by the byte in two
// uppercase hexadecimal digits ("\xEF\xBF\xBD" "81"): visible, valid UTF-8,
// and turned back into the byte by Utf8NameToCp1252.
std::string Cp1252ToUtf8(const std::string& text);

// The edges. On Windows they pass the text through unchanged; natively they
// convert with the functions above.
//
// A password or hint as the format stores it (best fit); false for text that
// is not valid UTF-8.
bool ToFormatText(const std::string& text, std::string& stored);
// A file name as the format stores it; false when code page 1252 cannot hold it.
bool ToFormatName(const std::string& name, std::string& stored);
// A stored name (or hint) as the file system and the console take it.
std::string FromFormatText(const std::string& stored);

// Text in any code page, read character by character.
//
// The system's own code page (Windows: the ANSI code page) where a code page
// is asked for.
constexpr unsigned kSystemCodePage = 0;
// True when the byte starts a two-byte character in the code page, whose
// second byte may look like an ASCII character ('\\' among them) and is
// none. Windows answers for every code page it has; elsewhere the
// double-byte code pages 932, 936, 949 and 950 are known, and the system's
// own strings (UTF-8, whose parts never look like ASCII) have none.
bool IsLeadByteIn(unsigned codePage, unsigned char byte);
// The text as 16-bit characters, as Windows' MultiByteToWideChar reads it.
// Elsewhere code page 1252 and UTF-8 (65001, and the system's own) are read
// exactly; in any other code page every character beyond ASCII becomes U+FFFD.
std::u16string WideFromCodePage(unsigned codePage, const std::string& text);

}  // namespace platform
