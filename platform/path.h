#pragma once
// Splitting and joining paths. A path is read character by character in a
// code page, never byte by byte: in the double-byte code pages (932, 936,
// 949, 950) the second byte of a character may be the byte of '\\' (0x5C,
// as in the second byte of U+8868 in code page 932) and is no separator.
// Every place that looks for a separator in a path goes through here.
#include <cstddef>
#include <string>

#include "platform/code_page.h"

namespace platform {
#ifdef _WIN32
constexpr char kPathSep = '\\';
// Every character that separates folders in a path: Windows reads '/' as '\\'.
constexpr const char* kPathSeps = "\\/";
#else
constexpr char kPathSep = '/';
constexpr const char* kPathSeps = "/";
#endif

// True for a character that separates folders on this system.
bool IsPathSeparator(char c);

// Where the last separator of the path is; npos when it has none.
size_t LastSeparator(const std::string& path, unsigned codePage = kSystemCodePage);
// Where the last character `c` (an ASCII character: '\\' alone, say, where
// '/' must not count) stands in the text; npos when it holds none. The
// second byte of a double-byte character is never taken for it.
size_t LastOf(const std::string& text, char c, unsigned codePage = kSystemCodePage);
// True when the path's last character is a separator.
bool EndsInSeparator(const std::string& path, unsigned codePage = kSystemCodePage);

// The name part of a path: everything after the last separator (the whole
// path when it has none).
std::string FileNamePart(const std::string& path, unsigned codePage = kSystemCodePage);
// Everything before the last separator, the separator excluded ("C:\\a" for
// "C:\\a\\b", "C:" for "C:\\a"); empty when the path has no separator.
std::string FolderPart(const std::string& path, unsigned codePage = kSystemCodePage);
// The folder a path names its last part in, read character by character:
// "C:\\a" for "C:\\a\\b", "C:\\" for "C:\\a", "/" for "/a"; empty for a bare
// name, a root, and a path that ends in a separator.
std::string ParentFolder(const std::string& path, unsigned codePage = kSystemCodePage);
// The folder and the name with one separator between them: none is added
// when the folder is empty or already ends in one.
std::string JoinPath(const std::string& folder, const std::string& name, unsigned codePage = kSystemCodePage);
// The path without the separators it ends in.
std::string WithoutTrailingSeparators(const std::string& path, unsigned codePage = kSystemCodePage);

}  // namespace platform
