#include <gtest/gtest.h>

#include <utility>

#include "core/cipher_result.h"

using Vastrel2::CIPHER::CipherResult;

TEST(CipherResultText, EveryCodeHasItsFixedText) {
    const std::pair<int, const char*> table[] = {
        {0, "OK"}, {1, "Empty Input"}, {8, "File read only"}, {-1, "File read error"},
        {-3, "File already encrypted"}, {-4, "File not encrypted"}, {-5, "Password incorrect"}, {-6, "File empty"},
        {-7, "System file"}, {-8, "File already exists"}, {-10, "File does not exists"},
        {-12, "Destination device is read only"},
        {-14, "File already exists and has been renamed to <filename>.old"},
        {-15, "Failed to encrypt file."}, {-16, "Failed to decrypt file."},
        {-17, "File is a link; links are not followed"}, {-18, "File name cannot be stored (it holds \\, / or :)"},
        {-19, "Path too long"},
    };
    for (const auto& row : table) EXPECT_EQ(row.second, CipherResult::ResultText(row.first)) << row.first;
    for (int code : {-9, -11, -13, 99, 2, -2, -20}) EXPECT_EQ("", CipherResult::ResultText(code)) << code;
}
