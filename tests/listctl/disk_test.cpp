// The directory and drive modes on temporary trees, with the core's
// pattern matcher behind Filter.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/file_pattern.h"
#include "list_box_fixture.h"
#include "listctl/dir_listing.h"
#include "listctl/drive_list.h"
#include "listctl/icon_cache.h"

namespace corvane {
namespace {

NameMatcher CoreMatcher(std::string_view pattern) {
  return
      [compiled = FilePattern(pattern)](std::string_view name) { return compiled.Matches(name); };
}

class DiskTest : public test::ListBoxTest {
 protected:
  void SetUp() override {
    ListBoxTest::SetUp();
    ASSERT_TRUE(dir.isValid());
    root = QFile::encodeName(dir.path()) + '/';
    box.SetNameMatcherFactory(CoreMatcher);
  }
  // Names that are not UTF-8 defeat QTemporaryDir's own clean-up.
  void TearDown() override { std::filesystem::remove_all(root.toStdString()); }

  void MakeFile(const QByteArray& name) {
    const int fd = open((root + name).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << name.constData();
    close(fd);
  }
  void MakeDir(const QByteArray& name) { ASSERT_EQ(mkdir((root + name).constData(), 0755), 0); }

  QStringList Texts() const {
    QStringList texts;
    for (int i = 0; i < box.ListCount(); ++i) texts << box.List(i);
    return texts;
  }
  static QStringList Sorted(QStringList list) {
    list.sort();
    return list;
  }

  // Double-clicks item `index`, scrolled into view first.
  void DoubleClick(int index) {
    box.SetListIndex(index);
    const double rowH = double(box.viewport()->height()) / box.VisibleRows();
    const QPoint at(30, int((index - VBar().value() + 0.5) * rowH));
    QTest::mouseDClick(box.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(box.viewport(), Qt::LeftButton, Qt::NoModifier, at);
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

TEST_F(DiskTest, FoldersInModeTwoAndFilteredFilesInModeThree) {
  for (const char* name : {"b.txt", "a.log", "c.txt", "readme", "d.TXT"}) MakeFile(name);
  for (const char* name : {"sub1", "sub2.txt"}) MakeDir(name);
  box.SetPath(dir.path());
  EXPECT_EQ(box.Path(), dir.path() + u'/');
  box.SetMode(2);
  EXPECT_EQ(Sorted(Texts()), QStringList({"sub1", "sub2.txt"}));
  EXPECT_EQ(box.ItemPath(IndexOf(root + "sub1")), root + "sub1");
  box.SetMode(3);
  box.SetFilter("*.log|*.txt");
  const QStringList texts = Texts();
  ASSERT_EQ(texts.size(), 3) << texts.join(", ").toStdString();
  EXPECT_EQ(texts[0], "a.log") << "the first pattern's files come first";
  EXPECT_EQ(Sorted(texts.mid(1)), QStringList({"b.txt", "c.txt"}));
  box.SetFilter("*.txt|c*");
  EXPECT_EQ(Texts().count("c.txt"), 2) << "a name that fits two patterns is listed twice";
  box.SetSortOrder(-1);
  box.SetFilter("*");
  EXPECT_EQ(Texts(), QStringList({"a.log", "b.txt", "c.txt", "d.TXT", "readme"}));
}

TEST_F(DiskTest, HiddenAndSystemEntriesOnAndOff) {
  MakeFile("plain");
  MakeFile(".hidden");
  MakeDir("folder");
  MakeDir(".hiddenfolder");
  ASSERT_EQ(symlink("plain", (root + "link").constData()), 0);
  ASSERT_EQ(symlink(".", (root + "dirlink").constData()), 0);
  ASSERT_EQ(mkfifo((root + "fifo").constData(), 0600), 0);
  struct Case {
    bool hidden, system;
    QStringList folders, files;
  } const cases[] = {
      {false, false, {"folder"}, {"plain"}},
      {true, false, {".hiddenfolder", "folder"}, {".hidden", "plain"}},
      {false, true, {"folder"}, {"dirlink", "fifo", "link", "plain"}},
      {true, true, {".hiddenfolder", "folder"}, {".hidden", "dirlink", "fifo", "link", "plain"}},
  };
  box.SetPath(dir.path());
  box.SetFilter("*");
  for (const Case& c : cases) {
    box.SetShowHiddenFiles(c.hidden);
    box.SetShowSystemFiles(c.system);
    box.SetMode(2);
    EXPECT_EQ(Sorted(Texts()), c.folders) << "hidden " << c.hidden << " system " << c.system;
    box.SetMode(3);
    EXPECT_EQ(Sorted(Texts()), c.files) << "hidden " << c.hidden << " system " << c.system;
  }
}

TEST_F(DiskTest, PathRules) {
  MakeFile("x.txt");
  box.SetMode(3);
  box.SetFilter("*");
  box.SetPath(dir.path());
  EXPECT_EQ(Texts(), QStringList({"x.txt"}));
  MakeFile("y.txt");
  box.SetPath(dir.path() + u'/');  // the stored text again: no new listing
  EXPECT_EQ(box.ListCount(), 1);
  box.SetPath(dir.path());  // differs from the stored text: listed again
  EXPECT_EQ(box.ListCount(), 2);
  MakeFile("z.txt");
  box.Refresh();
  EXPECT_EQ(box.ListCount(), 3) << "a refresh reads the folder again";
  for (const QString& filter : {QStringLiteral("|"), QStringLiteral("|||")}) {
    box.SetFilter(filter);
    EXPECT_EQ(box.ListCount(), 0) << filter.toStdString();
  }
  box.SetFilter("*");
  box.SetPath(dir.path() + "/missing");
  EXPECT_EQ(box.ListCount(), 0);
  box.SetPath(dir.path());
  ASSERT_TRUE(dir.remove());
  box.Refresh();
  EXPECT_EQ(box.ListCount(), 0) << "a folder removed after its listing";
  box.SetMode(7);
  EXPECT_EQ(box.ListCount(), 0);
}

TEST_F(DiskTest, HostileNamesShowDecodedAndKeepTheirBytes) {
  const QByteArray names[] = {"bad\xff\xfe.txt", "new\nline", "a&b", "x<%S%>True",
                              "\xc3\xa9t\xc3\xa9"};
  for (const QByteArray& name : names) MakeFile(name);
  MakeDir("odd\xff");
  MakeFile("odd\xff/inside");
  box.SetMode(3);
  box.SetFilter("*");
  box.SetPath(dir.path());
  ASSERT_EQ(box.ListCount(), 5);
  for (const QByteArray& name : names) {
    const int index = IndexOf(root + name);
    ASSERT_GE(index, 0) << name.toHex().constData();
    EXPECT_EQ(box.List(index), QString::fromUtf8(name)) << name.toHex().constData();
    struct stat status {};
    EXPECT_EQ(lstat(box.ItemPath(index).constData(), &status), 0);
  }
  EXPECT_TRUE(Texts().contains(QStringLiteral("bad\uFFFD\uFFFD.txt")));
  box.SetPathBytes(root + "odd\xff");
  EXPECT_EQ(box.PathBytes(), root + "odd\xff/");
  EXPECT_EQ(Texts(), QStringList({"inside"})) << "a folder whose name is not UTF-8";
  box.SetShowIcon(true);
  Shot();  // icons of such names are looked up without a crash
}

TEST_F(DiskTest, IconsAreLookedUpForDrawnRowsAndShared) {
  for (int i = 0; i < 200; ++i)
    MakeFile("f" + QByteArray::number(i) + ".e" + QByteArray::number(i));
  for (int i = 0; i < 50; ++i) MakeFile("same" + QByteArray::number(i) + ".txt");
  box.SetRowHeight(20);
  box.SetShowIcon(true);
  box.SetPath(dir.path());
  box.SetFilter("f*");
  box.SetMode(3);
  Shot();
  EXPECT_GT(box.CachedIcons(), 0);
  EXPECT_LE(box.CachedIcons(), box.VisibleRows() + 1) << "only the drawn rows";
  box.SetFilter("same*");
  Shot();
  EXPECT_EQ(box.CachedIcons(), 1) << "one extension, one icon";
}

TEST(IconKeyTest, KeysByKind) {
  struct Case {
    DiskEntry entry;
    QString key;
  } const cases[] = {
      {{"/media/usb", 0, true, true}, "drive:/media/usb"},
      {{"/home/x/folder.d", 1, false, true}, "folder"},
      {{"/home/x/Makefile", 1, false, false}, "default"},
      {{"/home/x/a.TXT", 0, false, false}, ".txt"},
      {{"/home/x/b.txt", 0, false, false}, ".txt"},
      {{"/home/x/SETUP.EXE", 0, false, false}, ""},
      {{"/home/x/a.lnk", 0, false, false}, ""},
      {{"/home/x.y/plain", 0, false, false}, "default"},
  };
  for (const Case& c : cases) EXPECT_EQ(IconKey(c.entry), c.key) << c.entry.path.constData();
}

// The mount table as the system has it: "/" first, then each mount point
// of a real, ready file system once, in mount order.
std::vector<QByteArray> MountTable() {
  std::vector<QByteArray> roots{"/"};
  std::ifstream mounts("/proc/self/mounts");
  std::string line;
  while (std::getline(mounts, line)) {
    std::istringstream fields(line);
    std::string device, point, type;
    fields >> device >> point >> type;
    QByteArray path;
    for (std::size_t i = 0; i < point.size(); ++i) {  // octal escapes: "\040" is a blank
      if (point[i] == '\\' && i + 3 < point.size()) {
        path += char(std::stoi(point.substr(i + 1, 3), nullptr, 8));
        i += 3;
      } else {
        path += point[i];
      }
    }
    struct statvfs status {};
    if (IsPseudoFileSystem(QByteArray::fromStdString(type))) continue;
    if (statvfs(path.constData(), &status) != 0) continue;
    if (std::find(roots.begin(), roots.end(), path) == roots.end()) roots.push_back(path);
  }
  return roots;
}

TEST_F(DiskTest, DrivesAreTheMountTable) {
  std::vector<QByteArray> listed;
  for (const Drive& drive : ListDrives()) listed.push_back(drive.root);
  EXPECT_EQ(listed, MountTable());
  box.SetMode(1);
  ASSERT_EQ(box.ListCount(), static_cast<int>(listed.size()));
  EXPECT_EQ(box.List(0), "/");
  box.SetRowHeight(20);
  // The row shows the description, then the path in brackets: the tip of a
  // narrow control carries the whole shown text.
  box.resize(20, box.height());
  Settle();
  QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), box.viewport()->mapToGlobal(QPointF(5, 5)),
                   Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(box.viewport(), &move);
  EXPECT_TRUE(box.Tip().isVisible());
}

TEST_F(DiskTest, TreeModesOpenAndCloseFoldersByDoubleClick) {
  MakeDir("a");
  MakeDir("a/deeper");
  MakeDir("b");
  MakeFile("a/file.txt");
  MakeFile("a/other.log");
  ASSERT_EQ(symlink("..", (root + "a/up").constData()), 0);  // a loop back up the tree
  box.SetRowHeight(20);
  Resize(300, 400);
  box.SetFilter("*.txt|up");
  for (const int mode : {4, 5}) {
    box.SetMode(mode);
    box.SetShowSystemFiles(true);
    ASSERT_GT(box.ListCount(), 0);
    // Down from the drive that holds the temporary folder to the folder itself.
    QByteArray reached;
    for (const Drive& drive : ListDrives()) {
      if (root.startsWith(drive.root) && drive.root.size() > reached.size()) reached = drive.root;
    }
    ASSERT_GE(IndexOf(reached), 0);
    DoubleClick(IndexOf(reached));
    for (const QByteArray& part : root.mid(reached.size()).split('/')) {
      if (part.isEmpty()) continue;
      reached = JoinPath(reached, part);
      ASSERT_GE(IndexOf(reached), 0) << reached.constData();
      DoubleClick(IndexOf(reached));
    }
    const int top = IndexOf(JoinPath(reached, "a"));
    ASSERT_GE(top, 0);
    const int before = box.ListCount();
    DoubleClick(top);
    EXPECT_TRUE(box.ListBold(top));
    QStringList below;
    for (int i = top + 1; i < box.ListCount() && box.ItemPath(i).startsWith(root + "a/"); ++i)
      below << box.List(i).mid(box.List(i).lastIndexOf(u'/') + 1);
    const QStringList files = mode == 5 ? QStringList({"file.txt", "up"}) : QStringList();
    EXPECT_EQ(box.ListIndex(), top);
    EXPECT_EQ(Sorted(below.mid(0, 1)), QStringList({"deeper"})) << "folders first, mode " << mode;
    EXPECT_EQ(Sorted(below.mid(1)), files) << "mode " << mode;
    // The link back up is listed as an entry of its own and never opened.
    if (mode == 5) {
      const int link = IndexOf(root + "a/up");
      const int count = box.ListCount();
      DoubleClick(link);
      EXPECT_EQ(box.ListCount(), count);
      EXPECT_FALSE(box.ListBold(link));
    }
    // Indentation: a child's text starts one level (a row height) right of
    // its parent's sibling, both unselected rows in view.
    const int child = IndexOf(root + "a/deeper");
    const int sibling = IndexOf(root + "b");
    VBar().setValue(std::min(top, sibling));
    ASSERT_LT(std::abs(sibling - child), box.VisibleRows());
    const QImage shot = Shot();
    const double rowH = double(box.viewport()->height()) / box.VisibleRows();
    auto firstInk = [&](int index) {
      const int y = int((index - VBar().value() + 0.5) * rowH);
      for (int x = 0; x < shot.width(); ++x) {
        if (qGray(shot.pixel(x, y)) < 80) return x;
      }
      return -1;
    };
    EXPECT_GE(firstInk(sibling), 0);
    EXPECT_GE(firstInk(child) - firstInk(sibling), 20) << "mode " << mode;
    DoubleClick(top);
    EXPECT_FALSE(box.ListBold(top));
    EXPECT_EQ(box.ListCount(), before) << "closing removes what opening inserted";
  }
}

TEST(LoopGuardTest, AFolderSeenAgainBelowItselfIsNotOpened) {
  QTemporaryDir dir;
  const QByteArray root = QFile::encodeName(dir.path());
  ASSERT_EQ(mkdir((root + "/sub").constData(), 0755), 0);
  ASSERT_EQ(symlink("..", (root + "/sub/up").constData()), 0);
  EXPECT_FALSE(IsInsideItself(root + "/sub"));
  EXPECT_FALSE(IsInsideItself("/"));
  EXPECT_TRUE(IsInsideItself(root + "/sub/up"));
  EXPECT_TRUE(IsInsideItself(root + "/sub/up/sub/up/"));
}

}  // namespace
}  // namespace corvane
