#pragma once
// The help set: HTML pages (an index and one page a context number) in the
// help folder, shown in one help window. The folder is found relative to the
// running program (installed: <prefix>/share/korval/help beside <prefix>/bin),
// else in the source tree the program was built from.

#include <QString>

#include <cstdint>

#include "ui/logic/help_context.h"

class QTextBrowser;

namespace korval::ui {

// The help folder, or empty when none is found.
QString HelpFolder();
// The program's icon (PNG) found the same way, or empty.
QString ProgramIconPath();

class HelpViewer {
 public:
  HelpViewer() = default;
  ~HelpViewer();
  HelpViewer(const HelpViewer&) = delete;
  HelpViewer& operator=(const HelpViewer&) = delete;

  // Opens the page of `context` (0 and up to 10: the index).
  void Show(std::uint32_t context);
  void ShowPage(const logic::HelpPage& page);
  // The page shown, for tests; empty before the first Show.
  QString CurrentPage() const;
  // The help engine's quit at the program's end.
  void Close();

 private:
  QTextBrowser* browser_ = nullptr;
};

}  // namespace korval::ui
