#include "listctl/log_feed.h"

#include "listctl/mc_list_box.h"

namespace corvane {

void AppendLogLine(McListBox& view, const QString& text, bool bold, int limit) {
  if (limit > 0 && view.ListCount() >= limit) view.RemoveOldest(view.ListCount() - limit + 1);
  view.AddItem(text, {.bold = bold});
}

}  // namespace corvane
