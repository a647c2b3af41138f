#pragma once

// DiskListBox: the list control with its directory and drive modes, which
// fill the list from the disk: the drives, the sub-folders or the files of
// Path, or a tree of folders (and files) that a double click opens and
// closes. In mode Items it is a plain McListBox.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <vector>

#include "listctl/disk/icon_cache.h"
#include "listctl/mc_list_box.h"
#include "text/file_pattern.h"

namespace corvane {

class DiskListBox : public McListBox {
  Q_OBJECT

 public:
  explicit DiskListBox(QWidget* parent = nullptr);

  // A non-empty path ends in "/"; in mode FileTree the path cannot change.
  QString Path() const { return Properties().path; }
  void SetPath(const QString& path);
  // Path as bytes: a folder whose name is not UTF-8 can be listed only so.
  QByteArray PathBytes() const { return Properties().pathBytes; }
  void SetPathBytes(const QByteArray& path);
  // 0: small icons, any other: large ones.
  int IconExtractSize() const { return Properties().iconExtractSize; }
  void SetIconExtractSize(int size);
  QString Filter() const { return Properties().filter; }
  void SetFilter(const QString& filter);
  bool ShowSystemFiles() const { return Properties().showSystemFiles; }
  void SetShowSystemFiles(bool on);
  bool ShowHiddenFiles() const { return Properties().showHiddenFiles; }
  void SetShowHiddenFiles(bool on);

  // The bytes of the entry that item `index` lists; empty in mode Items.
  QByteArray ItemPath(int index) const;

 protected:
  std::vector<ListItem> ListEntries() override;
  bool OpenOrClose(int index) override;

 private:
  ListItem EntryItem(const QByteArray& path, int depth, bool drive, bool folder) const;
  std::vector<FilePattern> FilterPatterns() const;
  void StorePath(const QString& text, const QByteArray& bytes);

  IconCache iconCache_;
  QHash<QByteArray, QString> driveDescriptions_;
};

}  // namespace corvane
