#pragma once
// The files below a selected folder, as the plug-in's dialogs walk them.
#include <string>
#include <vector>

#include "core/dir_read.h"

// Every file in the folder and in all its subfolders, with its name relative
// to the folder's parent. Links are never followed: those met inside, and
// folders that could not be listed, are added to `skipped`. False, with
// nothing listed, when the folder itself is a link to another place (a
// junction or linked folder): what lies behind it was not selected.
bool CollectFolderFiles(const std::string& folder, std::vector<ProjectEntry>& files,
                        std::vector<SkippedPath>& skipped);

// The summary's words for a path the walk left out, or a selected link.
std::string SkippedStatus(SkippedPath::Reason reason);
std::string SkippedDetails(SkippedPath::Reason reason);
