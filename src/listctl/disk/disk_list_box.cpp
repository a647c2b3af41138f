// The directory and drive modes: filling the list from the disk, the
// properties that steer it, and opening and closing folders of the tree.

#include "listctl/disk/disk_list_box.h"

#include <QFile>

#include "listctl/disk/dir_listing.h"
#include "listctl/disk/drive_list.h"

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

DiskListBox::DiskListBox(QWidget* parent) : McListBox(parent) {
  SetDiskDecor({[this](const DiskEntry& entry) {
                  return iconCache_.Icon(entry, IconExtractSize(), viewport()->devicePixelRatioF());
                },
                [this](const DiskEntry& entry) { return driveDescriptions_.value(entry.path); }});
}

QByteArray DiskListBox::ItemPath(int index) const {
  if (!Items().Contains(index) || !Items().At(index).disk) return {};
  return Items().At(index).disk->path;
}

// Filter's patterns by the daemon's own rules, so that the control lists
// exactly the names a point with that FilePattern would pick up.
std::vector<FilePattern> DiskListBox::FilterPatterns() const {
  std::vector<FilePattern> patterns;
  for (const QString& piece : Filter().split(u'|')) {
    const QByteArray pattern = piece.toUtf8();
    patterns.emplace_back(std::string_view(pattern.constData(), pattern.size()));
  }
  return patterns;
}

ListItem DiskListBox::EntryItem(const QByteArray& path, int depth, bool drive, bool folder) const {
  // Flat folders and files show their name; drives and tree items their path.
  const bool byName = (Mode() == ListMode::Folders || Mode() == ListMode::Files) && !drive;
  const QString text = QFile::decodeName(byName ? path.mid(path.lastIndexOf('/') + 1) : path);
  return ListItem{text, -1, false,
                  std::make_unique<DiskEntry>(DiskEntry{path, depth, drive, folder})};
}

// An unreadable folder gives what was read, an empty or missing one nothing.
std::vector<ListItem> DiskListBox::ListEntries() {
  iconCache_.Clear();
  driveDescriptions_.clear();
  const QByteArray& folder = PathBytes();
  const EntryRules rules{ShowHiddenFiles(), ShowSystemFiles()};
  std::vector<ListItem> items;
  switch (Mode()) {
    case ListMode::Drives:
    case ListMode::DriveTree:
    case ListMode::FileTree:
      for (const Drive& drive : ListDrives()) {
        driveDescriptions_.insert(drive.root, drive.description);
        items.push_back(EntryItem(drive.root, 0, true, true));
      }
      break;
    case ListMode::Folders:
      for (const QByteArray& name : ListFolder(folder, {}, rules).folders)
        items.push_back(EntryItem(JoinPath(folder, name), 0, false, true));
      break;
    case ListMode::Files:
      for (const QByteArray& name : ListFolder(folder, FilterPatterns(), rules).files)
        items.push_back(EntryItem(JoinPath(folder, name), 0, false, false));
      break;
    case ListMode::Items: break;
  }
  return items;
}

// In the tree modes: an open folder closes (the items below it that are
// deeper go), a closed one opens with its sub-folders and, in FileTree, its
// files that fit Filter. An open folder is bold.
bool DiskListBox::OpenOrClose(int index) {
  if (Mode() != ListMode::DriveTree && Mode() != ListMode::FileTree) return false;
  if (!Items().Contains(index) || !Items().At(index).disk) return true;
  const DiskEntry entry = *Items().At(index).disk;
  int end = index + 1;
  while (Items().Contains(end) && Items().At(end).disk && Items().At(end).disk->depth > entry.depth)
    ++end;
  if (end > index + 1) {
    ReplaceBelow(index, end - index - 1, {});
    SetListBold(index, false);
  } else if (entry.folder && !IsInsideItself(entry.path)) {
    const EntryRules rules{ShowHiddenFiles(), ShowSystemFiles()};
    const FolderEntries found = ListFolder(
        entry.path, Mode() == ListMode::FileTree ? FilterPatterns() : std::vector<FilePattern>{},
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
    ReplaceBelow(index, 0, std::move(below));
    SetListBold(index, true);
  }
  return true;
}

void DiskListBox::StorePath(const QString& text, const QByteArray& bytes) {
  EditableProperties().path = text;
  EditableProperties().pathBytes = bytes;
}

// The value is compared as given, before the "/" is added.
void DiskListBox::SetPath(const QString& path) {
  if (path == Path() || Mode() == ListMode::FileTree) return;
  StorePath(WithSlash(path), QFile::encodeName(WithSlash(path)));
  Refresh();
  Changed("Path");
}

void DiskListBox::SetPathBytes(const QByteArray& path) {
  if (path == PathBytes() || Mode() == ListMode::FileTree) return;
  StorePath(QFile::decodeName(WithSlash(path)), WithSlash(path));
  Refresh();
  Changed("Path");
}

void DiskListBox::SetIconExtractSize(int size) {
  EditableProperties().iconExtractSize = size;
  iconCache_.Clear();
  Refresh();
  Changed("IconExtractSize");
}

void DiskListBox::SetFilter(const QString& filter) {
  if (filter == Filter()) return;
  EditableProperties().filter = filter;
  Refresh();
  Changed("Filter");
}

void DiskListBox::SetShowSystemFiles(bool on) {
  EditableProperties().showSystemFiles = on;
  Refresh();
  Changed("ShowSystemFiles");
}

void DiskListBox::SetShowHiddenFiles(bool on) {
  EditableProperties().showHiddenFiles = on;
  Refresh();
  Changed("ShowHiddenFiles");
}

}  // namespace corvane
