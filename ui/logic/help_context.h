#pragma once
// Which help page a help request opens. The help set is a folder of HTML
// pages: "index.html" and one "topic-<n>.html" for each context number the
// window and its dialogs pass.

#include <cstdint>
#include <string>

namespace korval::ui::logic {

struct HelpPage {
  bool Index = true;       // the index; otherwise topic `Topic`
  std::uint32_t Topic = 0;
  friend bool operator==(const HelpPage&, const HelpPage&) = default;
};

// The help call: 0 counts as 10; up to 10 opens the index; above, the topic
// of the context's low 16 bits.
HelpPage HelpPageForContext(std::uint32_t context);

// The context the main window's F2 key opens: the directory boxes and the
// status lines.
constexpr std::uint32_t DirectoryHelpContext = 140;

enum class HelpKey { F1, F2, ControlF1 };
// The page a help key opens in the main window; Ctrl+F1 opens the focused
// control's own context as a topic (`focusedSlot` -1 when no control of the
// table has the focus, which opens the index).
HelpPage HelpPageForKey(HelpKey key, int focusedSlot);

// The page's file name inside the help folder.
std::string HelpPageFileName(const HelpPage& page);

}  // namespace korval::ui::logic
