#pragma once

// Composes one picture of the control into its back image: background,
// the visible rows with their selection looks, icons, text, grid lines and
// the focus rectangle. Reads the items of the visible rows only.

#include <QImage>
#include <QList>
#include <QPalette>
#include <QPixmap>
#include <functional>
#include <optional>

#include "listctl/item_store.h"
#include "listctl/list_properties.h"
#include "listctl/selection.h"

namespace corvane {

// What the directory modes add to a row: the entry's icon and a drive's
// description.
struct DiskDecor {
  std::function<QPixmap(const DiskEntry&)> icon;
  std::function<QString(const DiskEntry&)> description;
};

struct ListView {
  const ListProperties& properties;
  const ItemStore& items;
  const Selection& selection;
  const QList<QPixmap>* imageList;  // nullptr: none attached
  const QPalette& palette;
  int listIndex;    // the current item, already clamped
  int visibleRows;  // whole rows that fit, at least 1
  int top;          // vertical scroll position: the item in the first row
  int horizontal;   // horizontal scroll position in pixels
  bool hasFocus;
  const DiskDecor* disk = nullptr;  // the directory modes only
};

// Paints into an image of device pixels (DeviceImage) in the logical units
// of its device pixel ratio.
// The widest drawn row (text width plus its x origin, plus the horizontal
// position): what the horizontal scroll range is sized by. nullopt when the
// picture could not be finished (an icon the image list lacks, or icons
// without an image list); what was drawn until then stays in the image.
std::optional<int> PaintList(QImage& image, const ListView& view);

// The text a row shows and where it starts: in the tree modes the last part
// of the path, indented by its level (drawing the tree lines when painter is
// not null); for a drive its description and, in brackets, its path.
// xOffset comes in as minus the horizontal position and leaves moved right.
QString ShownText(const ListView& view, int index, QPainter* painter, int y, int& xOffset);

// Tree lines for `levels` levels from x, moving x right by one row height
// per level. Draws when painter is not null and y is not -1.
void DrawTreeLevels(QPainter* painter, int levels, int& x, int y, int rowHeight,
                    const QPalette& palette);

// The tree lines of a path item, in the directory tree modes: one level per
// "/" in `text`, which is shortened to its last part while `x` moves right.
// y -1 only measures. Returns nothing; draws when painter is not null.
void DrawTreeLines(QPainter* painter, QString& text, int& x, int y, int rowHeight,
                   const QPalette& palette);

}  // namespace corvane
