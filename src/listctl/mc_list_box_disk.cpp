// The directory and drive modes: filling the list from the disk, the
// properties that steer it, and opening and closing folders of the tree.

#include <QFile>

#include "listctl/dir_listing.h"
#include "listctl/drive_list.h"
#include "listctl/mc_list_box.h"

namespace corvane {

namespace {

// A path's text and bytes with a trailing "/" unless empty or already there.
QString WithSlash(const QString& path) {
  return path.isEmpty() || path.endsWith(u'/') ? path : path + u'/';
}
QByteArray WithSlash(const QByteArray& path) {
  return path.isEmpty() || path.endsWith('/') ? path : path + '/';
}

}  // namespace

QByteArray McListBox::ItemPath(int index) const {
  if (!items_.Contains(index) || !items_.At(index).disk) return {};
  return items_.At(index).disk->path;
}

// Filter's patterns by the daemon's own rules, so that the control lists
// exactly the names a point with that FilePattern would pick up.
std::vector<FilePattern> McListBox::FilterPatterns() const {
  std::vector<FilePattern> patterns;
  for (const QString& piece : props_.filter.split(u'|')) {
    const QByteArray pattern = piece.toUtf8();
    patterns.emplace_back(std::string_view(pattern.constData(), pattern.size()));
  }
  return patterns;
}

QString McListBox::DriveDescription(const DiskEntry& entry) const {
  return driveDescriptions_.value(entry.path);
}

void McListBox::AddDiskItem(const QByteArray& path, int depth, bool drive, bool folder, int index) {
  // Flat folders and files show their name; drives and tree items their path.
  const bool byName = (props_.mode == kModeFolders || props_.mode == kModeFiles) && !drive;
  const QString text = QFile::decodeName(byName ? path.mid(path.lastIndexOf('/') + 1) : path);
  ListItem item{text, -1, false,
                std::make_unique<DiskEntry>(DiskEntry{path, depth, drive, folder})};
  items_.Insert(index, std::move(item));
}

// Rebuilds the items from the disk; an unreadable folder gives what was
// read, an empty or missing one nothing.
void McListBox::FillFromDisk() {
  items_.Clear();
  iconCache_.Clear();
  selection_.Reset();
  driveDescriptions_.clear();
  anchor_ = -1;
  lastDragIndex_ = -1;
  HideTip();
  const EntryRules rules{props_.showHiddenFiles, props_.showSystemFiles};
  switch (props_.mode) {
    case kModeDrives:
    case kModeDriveTree:
    case kModeFileTree:
      for (const Drive& drive : ListDrives()) {
        driveDescriptions_.insert(drive.root, drive.description);
        AddDiskItem(drive.root, 0, true, true);
      }
      break;
    case kModeFolders:
      for (const QByteArray& name : ListFolder(pathBytes_, {}, rules).folders)
        AddDiskItem(JoinPath(pathBytes_, name), 0, false, true);
      break;
    case kModeFiles:
      for (const QByteArray& name : ListFolder(pathBytes_, FilterPatterns(), rules).files)
        AddDiskItem(JoinPath(pathBytes_, name), 0, false, false);
      break;
    default: break;
  }
}

// A double click in the tree modes: an open folder closes (the items below
// it that are deeper go), a closed one opens with its sub-folders and, in
// mode 5, its files that fit Filter. An open folder is bold.
void McListBox::OpenOrClose(int index) {
  if (!items_.Contains(index) || !items_.At(index).disk) return;
  const DiskEntry entry = *items_.At(index).disk;
  int end = index + 1;
  while (items_.Contains(end) && items_.At(end).disk && items_.At(end).disk->depth > entry.depth)
    ++end;
  int inserted = 0;
  int removed = end - index - 1;
  if (removed > 0) {
    items_.RemoveRange(index + 1, removed);
    items_.At(index).bold = false;
  } else if (entry.folder && !IsInsideItself(entry.path)) {
    const EntryRules rules{props_.showHiddenFiles, props_.showSystemFiles};
    const FolderEntries found = ListFolder(
        entry.path, props_.mode == kModeFileTree ? FilterPatterns() : std::vector<FilePattern>{},
        rules);
    std::vector<ListItem> below;
    auto add = [&](const QByteArray& name, bool folder) {
      const QByteArray path = JoinPath(entry.path, name);
      below.push_back(
          ListItem{QFile::decodeName(path), -1, false,
                   std::make_unique<DiskEntry>(DiskEntry{path, entry.depth + 1, false, folder})});
    };
    for (const QByteArray& name : found.folders) add(name, true);
    for (const QByteArray& name : found.files) add(name, false);
    inserted = static_cast<int>(below.size());
    items_.InsertAll(index + 1, std::move(below));
    items_.At(index).bold = true;
  }
  // The selection keeps naming the same items.
  std::vector<int> kept;
  for (int k = 0; k < selection_.Count(); ++k) {
    const int selected = selection_.At(k);
    if (selected <= index) {
      kept.push_back(selected);
    } else if (selected >= end) {
      kept.push_back(selected - removed + inserted);
    } else if (removed == 0) {
      kept.push_back(selected + inserted);
    }
  }
  selection_.Reset();
  for (int selected : kept) selection_.Add(selected);
  if (anchor_ > index) anchor_ = index;
}

void McListBox::StorePath(const QString& text, const QByteArray& bytes) {
  props_.path = text;
  pathBytes_ = bytes;
}

// A non-empty path ends in "/"; in mode 5 the path cannot change. The value
// is compared as given, before the "/" is added.
void McListBox::SetPath(const QString& path) {
  if (path == props_.path || props_.mode == kModeFileTree) return;
  StorePath(WithSlash(path), QFile::encodeName(WithSlash(path)));
  Refresh();
  Changed("Path");
}

void McListBox::SetPathBytes(const QByteArray& path) {
  if (path == pathBytes_ || props_.mode == kModeFileTree) return;
  StorePath(QFile::decodeName(WithSlash(path)), WithSlash(path));
  Refresh();
  Changed("Path");
}

void McListBox::SetMode(int mode) {
  if (mode == props_.mode) return;
  props_.mode = mode;
  if (mode == kModeItems) Clear();
  Refresh();
  Changed("Mode");
}

void McListBox::SetIconExtractSize(int size) {
  props_.iconExtractSize = size;
  iconCache_.Clear();
  Refresh();
  Changed("IconExtractSize");
}

void McListBox::SetFilter(const QString& filter) {
  if (filter == props_.filter) return;
  props_.filter = filter;
  Refresh();
  Changed("Filter");
}

void McListBox::SetShowSystemFiles(bool on) {
  props_.showSystemFiles = on;
  Refresh();
  Changed("ShowSystemFiles");
}

void McListBox::SetShowHiddenFiles(bool on) {
  props_.showHiddenFiles = on;
  Refresh();
  Changed("ShowHiddenFiles");
}

}  // namespace corvane
