#include <QFontMetrics>

#include "list_box_fixture.h"

namespace corvane {
namespace {

class PropertiesTest : public test::ListBoxTest {};

TEST_F(PropertiesTest, NewControlHasTheDefaults) {
  McListBox fresh;
  EXPECT_EQ(fresh.BackColor(), 0x00FFFFFFu);
  EXPECT_EQ(fresh.ForeColor(), 0x80000012u);
  EXPECT_EQ(fresh.SelColor(), 0x00FF8C1Au);
  EXPECT_EQ(fresh.GridColor(), 0x8000000Fu);
  EXPECT_EQ(fresh.BackGradientCol(), 0x00C0C0C0u);
  EXPECT_EQ(fresh.RowHeight(), 22);
  EXPECT_EQ(fresh.BorderStyle(), 0x200);
  EXPECT_EQ(fresh.frameWidth(), 2);
  EXPECT_EQ(fresh.Appearance(), 1);
  EXPECT_EQ(fresh.SelectionStyle(), 1);
  EXPECT_TRUE(fresh.IconFocus());
  EXPECT_TRUE(fresh.AutoRefresh());
  EXPECT_EQ(fresh.Filter(), "*.*");
  EXPECT_TRUE(fresh.Path().endsWith('/'));
  EXPECT_TRUE(fresh.UsesStandardScrollBars());
}

TEST_F(PropertiesTest, DefaultsStoreNothingAndReadBackWithEmptyPath) {
  McListBox fresh;
  QVariantMap bag = fresh.WriteProperties();
  bag.remove("path");  // the application directory is not the stored default
  EXPECT_TRUE(bag.isEmpty()) << bag.keys().join(',').toStdString();
  McListBox loaded;
  loaded.ReadProperties({});
  EXPECT_EQ(loaded.Path(), "");
  EXPECT_TRUE(loaded.WriteProperties().isEmpty());
}

TEST_F(PropertiesTest, NonDefaultValuesSurviveTheRoundTrip) {
  McListBox a;
  QPixmap picture(4, 4);
  picture.fill(Qt::red);
  QFont font = a.Font();
  font.setPointSize(font.pointSize() + 7);
  a.SetPicture(picture);
  a.SetFont(font);
  a.SetBackColor(0x010203);
  a.SetForeColor(0x80000008);
  a.SetSelColor(0x040506);
  a.SetSelForeColor(0x070809);
  a.SetStrechIcon(true);
  a.SetAppearance(0);
  a.SetBorderStyle(0x20000);
  a.SetFullRowSelect(true);
  a.SetSortOrder(-1);
  a.SetIconFocus(false);
  a.SetTextAlignment(0x25);
  a.SetRowHeight(80);
  a.SetGridLines(true);
  a.SetGridColor(0x0A0B0C);
  a.SetBackGradient(5);
  a.SetSelGradient(6);
  a.SetBackGradientCol(0x0D0E0F);
  a.SetSelGradientCol(0x101112);
  a.SetMultiSelect(true);
  a.SetFocusRectangle(true);
  a.SetShowIcon(true);
  a.SetSelectionStyle(0);
  a.SetFlatScrollBar(true);
  a.SetAutoHideScrollBars(true);
  a.SetIconExtractSize(1);
  a.SetFilter("*.log|*.txt");
  a.SetAutoRefresh(false);
  a.SetShowSystemFiles(true);
  a.SetShowHiddenFiles(true);
  a.SetPath("/srv/in");
  a.SetMode(2);
  const QVariantMap bag = a.WriteProperties();
  EXPECT_EQ(bag.size(), 33);
  EXPECT_EQ(bag.value("rowheight").toInt(), 80);
  EXPECT_EQ(bag.value("path").toString(), "/srv/in/");

  McListBox b;
  b.ReadProperties(bag);
  const QVariantMap again = b.WriteProperties();
  EXPECT_EQ(again.keys(), bag.keys());
  for (const QString& key : bag.keys()) {
    if (key == "picture") continue;  // pixmaps do not compare as variants
    EXPECT_EQ(again.value(key), bag.value(key)) << key.toStdString();
  }
  EXPECT_EQ(b.Picture().toImage(), picture.toImage());
  EXPECT_EQ(b.Font(), font);
  EXPECT_EQ(b.frameWidth(), 1);
  EXPECT_EQ(b.ForeColor(), 0x80000008u);
  EXPECT_EQ(b.Mode(), 2);
}

TEST_F(PropertiesTest, StoredNamesMatchWithoutCaseAndBadValuesTakeDefaults) {
  McListBox b;
  b.ReadProperties({{"RowHeight", 40},
                    {"SELCOLOR", -2147483630},  // a signed Long: 0x80000012
                    {"gridlines", "True"},
                    {"backgradient", "not a number"},
                    {"font", "not a font"}});
  EXPECT_EQ(b.RowHeight(), 40);
  EXPECT_EQ(b.SelColor(), 0x80000012u);
  EXPECT_TRUE(b.GridLines());
  EXPECT_EQ(b.BackGradient(), 0);
  EXPECT_EQ(b.Font(), QApplication::font());
}

TEST_F(PropertiesTest, RowHeightIsNeverBelowTheHeightOfA) {
  const int heightOfA = QFontMetrics(box.Font()).height();
  box.SetRowHeight(1);
  EXPECT_EQ(box.RowHeight(), heightOfA);
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

TEST_F(PropertiesTest, BorderStyleSetsTheFrameAtOnce) {
  struct Case {
    int style, width;
  } const cases[] = {{0x200, 2}, {0x20000, 1}, {0, 0}, {0x10, 0}};
  for (const Case& c : cases) {
    box.SetBorderStyle(c.style);
    EXPECT_EQ(box.frameWidth(), c.width) << std::hex << c.style;
  }
}

TEST_F(PropertiesTest, SettersNameTheChangedProperty) {
  QStringList names;
  QObject::connect(&box, &McListBox::PropertyChanged, [&](const QString& n) { names << n; });
  box.SetGridLines(true);
  box.SetRowHeight(30);
  box.SetMode(0);  // unchanged: no effect
  box.SetFlatScrollBar(true);
  box.SetFlatScrollBar(false);
  EXPECT_EQ(names, QStringList({"GridLines", "RowHeight", "FlatScrollBar", "FlatScrollBar"}));
  EXPECT_TRUE(box.UsesStandardScrollBars());
}

}  // namespace
}  // namespace corvane
