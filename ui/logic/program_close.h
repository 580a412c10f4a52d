#pragma once
// The window program's end, in the order that keeps the connection sound:
// the worker is stopped and joined before QUIT goes out (it may own the
// connection), the connection ends before the window goes, and the files the
// run reserved are deleted last.

#include <string>

namespace korval::ui::logic {

// The window's two reserved temporary names: the listing file (its name
// only: the file itself is deleted at once) and the view file.
struct ReservedFiles {
  std::string ListingFile;  // "DIR...."
  std::string ViewFile;     // "DSP...."
};

// At window creation: both names taken in the temporary directory, the
// listing file deleted again and made the engine's listing file.
ReservedFiles ReserveWindowFiles();

// The close handler, before the window is destroyed: the selection worker
// stopped and collected, QUIT sent and the sockets closed, SESSION written,
// both reserved files deleted.
void CloseProgram(const ReservedFiles& files);

// After the event loop: the listing cache and its files, the view and edit
// files of this run, the retired sockets.
void FinishProgram();

}  // namespace korval::ui::logic
