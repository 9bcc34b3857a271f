#pragma once
// Shows an encrypted file's original name without decrypting the file: asks
// for the password, checks it against the file's verifier and deciphers the
// stored name.
#include <string>

// True when name now holds the file's original name.
bool RevealOriginalName(const std::string& path, std::string& name);
