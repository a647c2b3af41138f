// The directory and drive modes on temporary trees.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>

#include "list_box_fixture.h"
#include "listctl/disk/dir_listing.h"
#include "listctl/disk/disk_list_box.h"
#include "listctl/disk/drive_list.h"

namespace corvane {
namespace {

class DiskTest : public test::BoxTest<DiskListBox> {
 protected:
  // Names that are not UTF-8 defeat QTemporaryDir's own clean-up.
  void TearDown() override { std::filesystem::remove_all(root.toStdString()); }

  // Makes the files, a folder for a name that ends in "/", a link for "name -> target".
  void Make(std::initializer_list<QByteArray> names) {
    for (const QByteArray& name : names) {
      const qsizetype arrow = name.indexOf(" -> ");
      const QByteArray path = root + (arrow < 0 ? name : name.left(arrow));
      ASSERT_EQ(arrow >= 0           ? symlink(name.mid(arrow + 4), path)
                : name.endsWith('/') ? mkdir(path, 0755)
                                     : close(creat(path, 0644)),
                0)
          << name.constData();
    }
  }

  void DoubleClick(int index) {
    box.SetListIndex(index);
    const double rowH = double(box.viewport()->height()) / box.VisibleRows();
    QTest::mouseDClick(box.viewport(), Qt::LeftButton, {},
                       QPoint(30, int((index - VBar().value() + 0.5) * rowH)));
  }
  // Opens the tree from the drive that holds the temporary folder down to it.
  void OpenDownToRoot() {
    QByteArray reached;
    for (const Drive& drive : ListDrives()) {
      if (root.startsWith(drive.root) && drive.root.size() > reached.size()) reached = drive.root;
    }
    DoubleClick(IndexOf(reached));
    for (const QByteArray& part : root.mid(reached.size()).split('/')) {
      if (part.isEmpty()) continue;
      reached = JoinPath(reached, part);
      ASSERT_GE(IndexOf(reached), 0) << reached.constData();
      DoubleClick(IndexOf(reached));
    }
  }
  int IndexOf(const QByteArray& path) const {
    for (int i = 0; i < box.ListCount(); ++i) {
      if (box.ItemPath(i) == path) return i;
    }
    return -1;
  }

  QTemporaryDir dir;
  QByteArray root = QFile::encodeName(dir.path()) + '/';
};

// Files come pattern by pattern unless sorted; folders, also one with a
// dot, are never files; links, FIFOs and folder links are system files.
TEST_F(DiskTest, ModesFiltersAndHiddenAndSystemEntries) {
  Make({"b.txt", "a.log", "readme", "D.TXT", ".hidden", "sub.txt/", "link -> readme",
        "dirlink -> ."});
  ASSERT_EQ(mkfifo(root + "fifo", 0600), 0);
  box.SetPath(dir.path());
  const Sorting up = Sorting::Ascending, none = Sorting::None;
  const std::tuple<ListMode, const char*, bool, bool, Sorting, QStringList> cases[] = {
      // clang-format off
      {ListMode::Folders, "*", true, true, none, {"sub.txt"}},
      {ListMode::Files, "*.txt|*.log", false, false, none, {"b.txt", "a.log"}},
      {ListMode::Files, "*", false, false, up, {"a.log", "b.txt", "D.TXT", "readme"}},
      {ListMode::Files, "*", true, false, up, {".hidden", "a.log", "b.txt", "D.TXT", "readme"}},
      {ListMode::Files, "*", false, true, up, {"a.log", "b.txt", "D.TXT", "dirlink", "fifo", "link", "readme"}},
      {ListMode::Files, "|", true, true, up, {}},
  };  // clang-format on
  for (const auto& [mode, filter, hidden, system, order, texts] : cases) {
    box.SetMode(mode);
    box.SetFilter(filter);
    box.SetShowHiddenFiles(hidden);
    box.SetShowSystemFiles(system);
    box.SetSortOrder(order);
    EXPECT_EQ(Texts(), texts) << filter << hidden << system;
  }
  box.SetFilter("e");
  Make({"e"});
  box.Refresh();
  EXPECT_EQ(Texts(), QStringList({"e"})) << "a refresh reads the folder again";
  std::filesystem::remove_all(root.toStdString());
  box.Refresh();
  EXPECT_EQ(box.ListCount(), 0);
}

TEST_F(DiskTest, HostileNamesShowDecodedAndKeepTheirBytes) {
  const QByteArray names[] = {"bad\xff\xfe.txt", "new\nline", "x<%S%>True", "\xc3\xa9t\xc3\xa9"};
  for (const QByteArray& name : names) Make({name});
  Make({"odd\xff/", "odd\xff/inside"});
  box.SetMode(ListMode::Files);
  box.SetFilter("*");
  box.SetShowIcon(true);
  box.SetPath(dir.path());
  ASSERT_EQ(box.ListCount(), 4);
  for (const QByteArray& name : names)
    EXPECT_EQ(box.List(IndexOf(root + name)), QString::fromUtf8(name)) << name.toHex().constData();
  Shot();  // icons of such names are looked up without a crash
  box.SetPathBytes(root + "odd\xff");
  EXPECT_EQ(box.PathBytes(), root + "odd\xff/");
  EXPECT_EQ(Texts(), QStringList({"inside"}));
}

TEST(DriveList, RootFirstThenRealFileSystemsOnceInMountOrder) {
  const std::vector<MountedVolume> mounted = {// clang-format off
      {"/boot", "ext4", ""}, {"/proc", "proc", ""}, {"/", "ext4", ""}, {"/snap/a", "squashfs", ""},
      {"/sys/fs/cgroup", "cgroup2", ""}, {"/media/usb", "vfat", "STICK"}, {"/home", "xfs", ""},
      {"/boot", "btrfs", "Boot"}};  // clang-format on
  QStringList drives;
  for (const Drive& drive : DrivesOf(mounted))
    drives << QString::fromUtf8(drive.root) + " " + drive.description;
  EXPECT_EQ(drives, QStringList({"/ ext4", "/boot Boot", "/media/usb STICK", "/home xfs"}));
}

// A double click opens a folder (bold) with its folders first and, in
// FileTree, its files that fit Filter; another closes it. A link is never
// opened, nor a folder seen again below itself.
TEST_F(DiskTest, TreeModesOpenAndCloseFoldersByDoubleClick) {
  Make({"a/", "a/deeper/", "a/file.txt", "a/other.log", "a/up -> .."});
  box.SetFilter("*.txt|up");
  box.SetShowSystemFiles(true);
  for (const ListMode mode : {ListMode::DriveTree, ListMode::FileTree}) {
    box.SetMode(mode);
    OpenDownToRoot();
    const int top = IndexOf(root + "a");
    const int before = box.ListCount();
    DoubleClick(top);
    EXPECT_TRUE(box.ListBold(top));
    QStringList below;
    for (int i = top + 1; box.ItemPath(i).startsWith(root + "a/"); ++i)
      below << box.List(i).section(u'/', -1);
    EXPECT_EQ(below.value(0), "deeper") << "folders first";
    below.removeFirst();
    below.sort();
    EXPECT_EQ(below, mode == ListMode::FileTree ? QStringList({"file.txt", "up"}) : QStringList());
    const int count = box.ListCount();
    if (mode == ListMode::FileTree) DoubleClick(IndexOf(root + "a/up"));
    EXPECT_EQ(box.ListCount(), count) << "the link back up is never opened";
    DoubleClick(top);
    EXPECT_FALSE(box.ListBold(top));
    EXPECT_EQ(box.ListCount(), before) << "closing removes what opening inserted";
  }
  EXPECT_FALSE(IsInsideItself(root + "a") || IsInsideItself("/"));
  EXPECT_TRUE(IsInsideItself(root + "a/up/a/up/"));
}

}  // namespace
}  // namespace corvane
