#pragma once

// The appearance and behaviour properties of the list control with their
// defaults, and their storage in a property bag.

#include <QFont>
#include <QPixmap>
#include <QString>
#include <QVariantMap>
#include <cstdint>

#include "listctl/gradient.h"
#include "listctl/item_store.h"
#include "listctl/ole_color.h"

namespace corvane {

// The frame of BorderStyle; stored as the extended window style it was.
enum class Border : std::int32_t {
  None = 0,
  Sunken = 0x200,    // a 2-pixel sunken frame
  Static = 0x20000,  // a 1-pixel sunken frame
};

// Appearance: how the frame is drawn.
enum class FrameLook : std::int32_t { Flat, Sunken };

// SelectionStyle: how a selected row is filled (without SelGradient).
enum class SelectionFill : std::int32_t {
  Plain,    // SelColor
  Blended,  // SelColor blended with white, in a darker frame
};

// What the list holds (Mode); stored as its number. McListBox fills only
// Items; DiskListBox fills the others from the disk.
enum class ListMode : std::int32_t {
  Items,      // only the items the host adds
  Drives,     // the drives
  Folders,    // the sub-folders of Path
  Files,      // the files of Path that fit Filter
  DriveTree,  // the drives, as roots of a folder tree
  FileTree,   // as DriveTree; folders also list their files
};

struct ListProperties {
  QPixmap picture;
  QFont font;
  OleColor backColor = 0x00FFFFFF;
  OleColor foreColor = 0x80000012;  // system button text
  OleColor selColor = 0x00FF8C1A;
  OleColor selForeColor = 0x00FFFFFF;
  bool strechIcon = false;  // spelt as the stored name is
  FrameLook appearance = FrameLook::Sunken;
  Border borderStyle = Border::Sunken;
  bool fullRowSelect = false;
  Sorting sortOrder = Sorting::None;
  bool iconFocus = true;
  int textAlignment = 0;  // TextFormat bits
  int rowHeight = 22;
  bool gridLines = false;
  OleColor gridColor = 0x8000000F;  // system button face
  GradientDirection backGradient = GradientDirection::None;
  GradientDirection selGradient = GradientDirection::None;
  OleColor backGradientCol = 0x00C0C0C0;
  OleColor selGradientCol = 0x00FFFFFF;
  bool multiSelect = false;
  bool focusRectangle = false;
  bool showIcon = false;
  SelectionFill selectionStyle = SelectionFill::Blended;
  bool flatScrollBar = false;
  bool autoHideScrollBars = false;
  ListMode mode = ListMode::Items;
  QString path;
  QByteArray pathBytes;  // path as bytes, for a folder whose name is not UTF-8; never stored
  int iconExtractSize = 0;
  QString filter = QStringLiteral("*.*");
  bool autoRefresh = true;
  bool showSystemFiles = false;
  bool showHiddenFiles = false;
};

// The 33 stored properties under their lower-case names, in the stored
// order; a value equal to its default (the ambient font for Font, empty text
// for Path) is left out. An enum is stored as its number.
QVariantMap WritePropertyBag(const ListProperties& properties, const QFont& ambientFont);

// The stored values over the defaults, names matched without regard to case.
// A value that does not convert to the property's type (for an enum: a
// number that names none of its values), or is missing, takes the default; Path
// then is empty text. PathBytes follows Path.
ListProperties ReadPropertyBag(const QVariantMap& bag, const QFont& ambientFont);

}  // namespace corvane
