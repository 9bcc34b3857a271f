#pragma once
// Tool texts the options dialogs of the main program and of the Explorer
// menu share word for word. Each dialog keeps its own MD5 text, since the
// two differ by one word.

namespace ui {

inline constexpr char kObfuscateTip[] =
    "Obfuscate Filenames: Used to disguise the original filename(s) as\n"
    "part of the encryption process. e.g. If you have a file that is called\n"
    "myfile.txt and you encrypt it the resulting file will look like the\n"
    "following: AB95789EEFFEA23445.~enc";
inline constexpr char kBlowfishTip[] =
    "In cryptography, Blowfish is a keyed, symmetric block cipher,\n"
    "designed in 1993 by Bruce Schneier and included in a large number of cipher\n"
    "suites and encryption products. Blowfish provides a good encryption rate in\n"
    "software and no effective cryptanalysis of it has been found to date.\n";
inline constexpr char kShredPassesTip[] =
    "Shredding Options - specifies the number of passes required during the file\n"
    "shredding process, the more passes assigned (max 16) the more secure (and slower) the\n"
    "process is.";
inline constexpr char kSha256Tip[] =
    "SHA256: Use this algorithm for 256 bit passwords.\n\n"
    "SHA256 was designed by the National Security Agency (NSA) and published by\n"
    "the NIST as a U.S. Federal Information Processing Standard. SHA stands for\n"
    "Secure Hash Algorithm. SHA256 hash functions has not received as much scrutiny\n"
    "by the public cryptographic community as SHA-1 has, and so their cryptographic\n"
    "security is not yet as well-established. "
    "A study of the newer variants published in 2003 found\n"
    "no weaknesses in them";

}  // namespace ui
