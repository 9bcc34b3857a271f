#pragma once
// The files below a selected folder, as the plug-in's dialogs walk them.
#include <string>
#include <vector>

#include "core/dir_read.h"

// Every file in the folder and in all its subfolders (folders reached
// through a link are not entered), with its name relative to the folder's
// parent. False, with nothing listed, when the folder itself is a link to
// another place (a junction or linked folder): what lies behind it was not
// selected.
bool CollectFolderFiles(const std::string& folder, std::vector<ProjectEntry>& files);

// True when the path is a link (a reparse point) rather than a plain file or folder.
bool IsLink(const std::string& path);
