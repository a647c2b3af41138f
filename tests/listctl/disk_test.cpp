// The disk modes on temporary trees.

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
  void SetUp() override {
    BoxTest::SetUp();
    ASSERT_TRUE(dir.isValid());
    root = QFile::encodeName(dir.path()) + '/';
  }
  // Names that are not UTF-8 defeat QTemporaryDir's own clean-up.
  void TearDown() override { std::filesystem::remove_all(root.toStdString()); }

  // Makes the files, and a folder for a name that ends in "/".
  void Make(std::initializer_list<QByteArray> names) {
    for (const QByteArray& name : names)
      ASSERT_EQ(name.endsWith('/') ? mkdir(root + name, 0755) : close(creat(root + name, 0644)), 0);
  }

  static QStringList Sorted(QStringList list) {
    list.sort();
    return list;
  }

  void DoubleClick(int index) {
    box.SetListIndex(index);
    const double rowH = double(box.viewport()->height()) / box.VisibleRows();
    const QPoint at(30, int((index - VBar().value() + 0.5) * rowH));
    QTest::mouseDClick(box.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(box.viewport(), Qt::LeftButton, Qt::NoModifier, at);
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
  QByteArray root;  // ends in "/"
};

TEST_F(DiskTest, FoldersInModeTwoFilteredFilesInModeThreeAndRefreshRereads) {
  Make({"b.txt", "a.log", "readme", "D.TXT", "sub1/", "sub2.txt/"});
  box.SetPath(dir.path());
  box.SetMode(ListMode::Folders);
  EXPECT_EQ(Sorted(Texts()), QStringList({"sub1", "sub2.txt"}));
  box.SetMode(ListMode::Files);
  box.SetFilter("*.txt|*.log");
  EXPECT_EQ(Texts(), QStringList({"b.txt", "a.log"})) << "the first pattern's files come first";
  box.SetSortOrder(-1);
  box.SetFilter("*");
  EXPECT_EQ(Texts(), QStringList({"a.log", "b.txt", "D.TXT", "readme"}));
  Make({"e"});
  box.Refresh();
  EXPECT_EQ(box.ListCount(), 5);
  box.SetFilter("|");
  EXPECT_EQ(box.ListCount(), 0) << "empty patterns fit no name";
  box.SetFilter("*");
  ASSERT_TRUE(dir.remove());
  box.Refresh();
  EXPECT_EQ(box.ListCount(), 0);
}

TEST_F(DiskTest, HiddenAndSystemEntriesOnAndOff) {
  Make({"plain", ".hidden", "folder/"});
  ASSERT_EQ(symlink("plain", (root + "link").constData()), 0);
  ASSERT_EQ(symlink(".", (root + "dirlink").constData()), 0);
  ASSERT_EQ(mkfifo((root + "fifo").constData(), 0600), 0);
  box.SetPath(dir.path());
  box.SetFilter("*");
  const std::tuple<bool, bool, QStringList> cases[] = {
      {false, false, {"plain"}},
      {true, false, {".hidden", "plain"}},
      {false, true, {"dirlink", "fifo", "link", "plain"}},
  };
  for (const auto& [hidden, system, files] : cases) {
    box.SetShowHiddenFiles(hidden);
    box.SetShowSystemFiles(system);
    box.SetMode(ListMode::Files);
    EXPECT_EQ(Sorted(Texts()), files) << hidden << system;
  }
  box.SetMode(ListMode::Folders);
  EXPECT_EQ(Texts(), QStringList({"folder"})) << "a link to a folder is none";
}

TEST_F(DiskTest, HostileNamesShowDecodedAndKeepTheirBytes) {
  const QByteArray names[] = {"bad\xff\xfe.txt", "new\nline", "x<%S%>True", "\xc3\xa9t\xc3\xa9"};
  for (const QByteArray& name : names) Make({name});
  Make({"odd\xff/", "odd\xff/inside"});
  box.SetMode(ListMode::Files);
  box.SetFilter("*");
  box.SetPath(dir.path());
  ASSERT_EQ(box.ListCount(), 4);
  for (const QByteArray& name : names) {
    const int index = IndexOf(root + name);
    ASSERT_GE(index, 0) << name.toHex().constData();
    EXPECT_EQ(box.List(index), QString::fromUtf8(name)) << name.toHex().constData();
  }
  box.SetPathBytes(root + "odd\xff");
  EXPECT_EQ(box.PathBytes(), root + "odd\xff/");
  EXPECT_EQ(Texts(), QStringList({"inside"}));
  box.SetShowIcon(true);
  Shot();  // icons of such names are looked up without a crash
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

TEST_F(DiskTest, TreeModesOpenAndCloseFoldersByDoubleClickAndNeverFollowLinks) {
  Make({"a/", "a/deeper/", "a/file.txt", "a/other.log"});
  ASSERT_EQ(symlink("..", (root + "a/up").constData()), 0);  // a loop back up the tree
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
    EXPECT_EQ(below.value(0), "deeper") << "folders first, mode " << int(mode);
    EXPECT_EQ(Sorted(below.mid(1)),
              mode == ListMode::FileTree ? QStringList({"file.txt", "up"}) : QStringList());
    const int count = box.ListCount();
    if (mode == ListMode::FileTree) DoubleClick(IndexOf(root + "a/up"));
    EXPECT_EQ(box.ListCount(), count) << "the link back up is never opened";
    DoubleClick(top);
    EXPECT_FALSE(box.ListBold(top));
    EXPECT_EQ(box.ListCount(), before) << "closing removes what opening inserted";
  }
}

TEST_F(DiskTest, AFolderSeenAgainBelowItselfIsNotOpened) {
  Make({"sub/"});
  ASSERT_EQ(symlink("..", (root + "sub/up").constData()), 0);
  EXPECT_FALSE(IsInsideItself(root + "sub"));
  EXPECT_FALSE(IsInsideItself("/"));
  EXPECT_TRUE(IsInsideItself(root + "sub/up/sub/up/"));
}

}  // namespace
}  // namespace corvane
