#pragma once
// Splitting paths into folder and file name. Both "\" and "/" count as separators, so paths
// written on either system split alike.
#include <string>

namespace fw {

// The folder part with its trailing separator: "C:\data\a.mdb" gives "C:\data\", "/srv/a.mdb"
// gives "/srv/", "a.mdb" gives "". A text holding a NUL (a dialog's folder-and-files buffer)
// gives the text before the first NUL followed by a separator ("\" when that text uses only "\",
// else "/").
std::string ParentFolder(const std::string& path);

// The text after the last separator, or the whole text when there is none.
std::string FileNameOnly(const std::string& path);

}  // namespace fw
