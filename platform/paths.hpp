// Paths.  The system names its files with Windows paths ("img\barcode\",
// "dat\Firmy.dat"); on this machine they are used with "/".
#pragma once

#include <string>
#include <string_view>

namespace kal {

// Turns every backslash into a slash: "dat\Firmy.dat" -> "dat/Firmy.dat".
std::string unix_path(std::string_view windows_path);

// Joins two path pieces with exactly one "/" between them; an empty piece
// leaves the other as it is.  Backslashes in either piece are converted.
std::string path_join(std::string_view a, std::string_view b);

// True when a path given from outside (a request, a form, an import name)
// stays inside the directory it is taken relative to: not empty, no NUL, no
// backslash, not absolute, and no ".." component.
bool path_is_confined(std::string_view relative);

// Creates a directory and its parents; 0 when it exists afterwards.
int make_dirs(const std::string& path);

}  // namespace kal
