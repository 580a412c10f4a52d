#pragma once
// The plain-text report of the local directory behind the local DirInfo
// button: a heading and one line per name ("." and ".." included, no mask),
// with the local date and time of its last change:
//
//    Directory of /home/anna/work
//
//   .                              <DIR>      24-05-22  14:05
//   notes.txt                            1803 24-05-22  14:05

#include <string>

namespace korval::listing {

// Writes the report of the current directory to `path`: 1 when it was
// written, 0 when the file could not be created or written.
int WriteLocalDirReport(const std::string& path);

// The report in a new "DSP" temporary file, kept for the viewer (the
// shutdown's RemoveTempFiles deletes it); empty when it could not be made.
std::string CreateLocalDirReport();

}  // namespace korval::listing
