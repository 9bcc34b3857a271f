#pragma once
// The paths that Explorer hands the plug-in, and what the menu and the
// dialogs make of them.
#include <cstddef>
#include <string>
#include <vector>

// The paths of a drop-file block (a DROPFILES header and its list, narrow
// or wide) of the given size, in order, read in one pass however many there
// are. A path of MAX_PATH characters or more, or one that the system's code
// page cannot spell exactly, is skipped: it is never cut or changed into
// another file's name. A block cut short yields the paths complete in it.
std::vector<std::string> ReadDropFiles(const void* block, size_t size);

enum class SelectionKind { EncryptedFile, Folder, File, Several };

// One encrypted file, one folder, one other path (also one whose status
// cannot be read), or any other number of paths.
SelectionKind ClassifySelection(const std::vector<std::string>& paths);

// True when the path names an existing folder.
bool IsFolder(const std::string& path);

// The caption of the file in work: prefix + name when the name has at most
// 40 characters, else prefix + "..\" + the last 45 characters of the name
// (the whole name when it is shorter than that).
std::string ProgressCaption(const std::string& prefix, const std::string& name);

// The part of a path after its last backslash.
std::string NameOfPath(const std::string& path);
