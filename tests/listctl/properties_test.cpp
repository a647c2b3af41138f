#include <QFontMetrics>

#include "list_box_fixture.h"

namespace corvane {
namespace {

TEST(PropertyBagTest, DefaultsStoreNothingAndReadBackWithEmptyPath) {
  McListBox fresh;
  QVariantMap bag = fresh.WriteProperties();
  bag.remove("path");  // the application directory is not the stored default
  EXPECT_TRUE(bag.isEmpty()) << bag.keys().join(',').toStdString();
  McListBox loaded;
  loaded.ReadProperties({});
  EXPECT_EQ(loaded.Path(), "");
  EXPECT_TRUE(loaded.WriteProperties().isEmpty());
}

// Each value is read into a new control, which stores it again under its
// lower-case name, or stores nothing when it fell back to the default.
TEST(PropertyBagTest, StoredValuesAreReadAndWrittenAgain) {
  QFont italic = QApplication::font();
  italic.setItalic(true);
  struct Case {
    const char* key;
    QVariant stored, written;
  } const cases[] = {
      {"rowheight", 80, 80},
      {"RowHeight", 40, 40},
      {"SELCOLOR", -2147483630, 0x80000012u},  // a colour was a signed 32-bit Long
      {"forecolor", 0x80000008u, 0x80000008u},
      {"gridlines", "True", true},
      {"backgradient", "not a number", {}},
      {"font", italic, italic},
      {"font", "not a font", {}},
      {"filter", "*.log|*.txt", "*.log|*.txt"},
      {"path", "/srv/in/", "/srv/in/"},
  };
  for (const Case& c : cases) {
    McListBox box;
    box.ReadProperties({{c.key, c.stored}});
    const QVariantMap expected =
        c.written.isValid() ? QVariantMap{{QString(c.key).toLower(), c.written}} : QVariantMap{};
    EXPECT_EQ(box.WriteProperties(), expected) << c.key << " " << c.stored.toString().toStdString();
  }
}

TEST(PropertyBagTest, BorderStyleSetsTheFrame) {
  for (const auto& [style, width] : {std::pair{0x200, 2}, {0x20000, 1}, {0x10, 0}}) {
    McListBox box;
    box.ReadProperties({{"borderstyle", style}});
    EXPECT_EQ(box.frameWidth(), width) << std::hex << style;
  }
}

TEST(PropertyBagTest, RowHeightIsNeverBelowTheHeightOfA) {
  McListBox box;
  box.SetRowHeight(1);
  EXPECT_EQ(box.RowHeight(), QFontMetrics(box.Font()).height());
  box.ReadProperties({{"rowheight", -3}});
  EXPECT_EQ(box.RowHeight(), QFontMetrics(box.Font()).height());
  box.SetRowHeight(200);
  QFont big = box.Font();
  big.setPixelSize(60);
  box.SetFont(big);
  EXPECT_EQ(box.RowHeight(), 200) << "a font never lowers the row height";
  big.setPixelSize(300);
  box.SetFont(big);
  EXPECT_EQ(box.RowHeight(), QFontMetrics(big).height());
}

}  // namespace
}  // namespace corvane
