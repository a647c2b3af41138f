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
      const int made = arrow >= 0           ? symlink(name.mid(arrow + 4), path)
                       : name.endsWith('/') ? mkdir(path, 0755)
                                            : close(creat(path, 0644));
      ASSERT_EQ(made, 0) << name.constData();
    }
  }

  int IndexOf(const QByteArray& path) const {
    int i = 0;
    while (i < box.ListCount() && box.ItemPath(i) != path) ++i;
    return i < box.ListCount() ? i : -1;
  }

  void DoubleClick(const QByteArray& path) {
    const int index = IndexOf(path);
    ASSERT_GE(index, 0) << path.constData();
    box.SetListIndex(index);
    QTest::mouseDClick(box.viewport(), Qt::LeftButton);  // opens or closes the current item
  }

  QTemporaryDir dir;
  QByteArray root = QFile::encodeName(dir.path()) + '/';
};

// Files come pattern by pattern unless sorted; folders, also one with a
// dot, are never files; links, FIFOs and folder links are system files. A
// refresh reads the folder again.
TEST_F(DiskTest, ModesFiltersAndHiddenAndSystemEntries) {
  Make({"b.txt", "a.log", "readme", "D.TXT", ".hidden", "sub.txt/", "link -> readme",
        "dirlink -> ."});
  ASSERT_EQ(mkfifo(root + "fifo", 0600), 0);
  box.SetPath(dir.path());
  const Sorting up = Sorting::Ascending, down = Sorting::Descending, none = Sorting::None;
  const std::tuple<ListMode, const char*, bool, bool, Sorting, QStringList> cases[] = {
      // clang-format off
      {ListMode::Folders, "*", true, true, none, {"sub.txt"}},
      {ListMode::Files, "*.txt|*.log", false, false, none, {"b.txt", "a.log"}},
      {ListMode::Files, "|", true, true, up, {}},
      {ListMode::Files, "*", true, false, up, {".hidden", "a.log", "b.txt", "D.TXT", "readme"}},
      {ListMode::Files, "*", false, true, up, {"a.log", "b.txt", "D.TXT", "dirlink", "fifo", "link", "readme"}},
      {ListMode::Files, "*", false, false, down, {"readme", "D.TXT", "b.txt", "a.log"}},
  };  // clang-format on
  for (const auto& [mode, filter, hidden, system, order, texts] : cases) {
    box.SetMode(mode);
    box.SetFilter(filter);
    box.SetShowHiddenFiles(hidden);
    box.SetShowSystemFiles(system);
    box.SetSortOrder(order);
    EXPECT_EQ(Texts(), texts) << filter << hidden << system;
  }
  Make({"e"});
  box.Refresh();
  EXPECT_EQ(Texts(), QStringList({"readme", "e", "D.TXT", "b.txt", "a.log"}));
  std::filesystem::remove_all(root.toStdString());
  box.Refresh();
  EXPECT_EQ(box.ListCount(), 0);
}

// In a folder that only its bytes can name.
TEST_F(DiskTest, HostileNamesShowDecodedAndKeepTheirBytes) {
  const QByteArray names[] = {"bad\xff\xfe.txt", "new\nline", "x<%S%>True", "\xc3\xa9t\xc3\xa9"};
  Make({"odd\xff/"});
  for (const QByteArray& name : names) Make({"odd\xff/" + name});
  box.ReadProperties({{"mode", int(ListMode::Files)}, {"filter", "*"}, {"showicon", true}});
  box.SetPathBytes(root + "odd\xff");
  ASSERT_EQ(std::pair(box.PathBytes(), box.ListCount()), std::pair(root + "odd\xff/", 4));
  for (const QByteArray& name : names)
    EXPECT_EQ(box.List(IndexOf(root + "odd\xff/" + name)), QString::fromUtf8(name))
        << name.toHex().constData();
  test::Shot(box);  // icons of such names are looked up without a crash
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
    DoubleClick("/");  // always the first drive, and from it down to the temporary folder
    for (qsizetype end = root.indexOf('/', 1); end > 0; end = root.indexOf('/', end + 1))
      DoubleClick(root.left(end));
    const int top = IndexOf(root + "a"), before = box.ListCount();
    DoubleClick(root + "a");
    if (mode == ListMode::FileTree) DoubleClick(root + "a/up");  // a link: it stays closed
    EXPECT_EQ(std::tuple(box.ListBold(top), box.ItemPath(top + 1), box.ListCount() - before),
              std::tuple(true, root + "a/deeper", mode == ListMode::FileTree ? 3 : 1));
    DoubleClick(root + "a");  // closes it: what opening inserted goes
    EXPECT_EQ(std::pair(box.ListBold(top), box.ListCount()), std::pair(false, before));
  }
  EXPECT_FALSE(IsInsideItself(root + "a") || IsInsideItself("/"));
  EXPECT_TRUE(IsInsideItself(root + "a/up/a/up/"));
}

}  // namespace
}  // namespace corvane
