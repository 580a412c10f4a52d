#include "ui/logic/help_context.h"

#include "ui/logic/control_table.h"

namespace korval::ui::logic {

HelpPage HelpPageForContext(std::uint32_t context) {
  if (context == 0) context = 10;
  if (context <= 10) return HelpPage{};
  return HelpPage{false, context & 0xFFFFu};
}

HelpPage HelpPageForKey(HelpKey key, int focusedSlot) {
  switch (key) {
    case HelpKey::F1:
      return HelpPageForContext(0);
    case HelpKey::F2:
      return HelpPageForContext(DirectoryHelpContext);
    case HelpKey::ControlF1:
      if (focusedSlot < 0 || focusedSlot >= ControlCount) return HelpPageForContext(0);
      return HelpPage{false, ControlTable()[focusedSlot].HelpContext & 0xFFFFu};
  }
  return HelpPage{};
}

std::string HelpPageFileName(const HelpPage& page) {
  if (page.Index) return "index.html";
  return "topic-" + std::to_string(page.Topic) + ".html";
}

}  // namespace korval::ui::logic
