#include "list_box_fixture.h"

namespace corvane {
namespace {

TEST(PropertyBagTest, DefaultsStoreNothingAndReadBackWithEmptyPath) {
  QVariantMap bag = McListBox().WriteProperties();
  bag.remove("path");  // the application directory is not the stored default
  EXPECT_TRUE(bag.isEmpty()) << bag.keys().join(',').toStdString();
  McListBox loaded;
  loaded.ReadProperties({});
  EXPECT_EQ(loaded.Path(), "");
  EXPECT_TRUE(loaded.WriteProperties().isEmpty());
}

// Stored again under the lower-case key, or not at all when it fell back to the default.
TEST(PropertyBagTest, StoredValuesAreReadAndWrittenAgain) {
  QFont italic = QApplication::font();
  italic.setItalic(true);
  const std::tuple<const char*, QVariant, QVariant> cases[] = {
      {"RowHeight", 40, 40},
      {"SELCOLOR", -2147483630, 0x80000012u},  // a colour was a signed 32-bit Long
      {"gridlines", "True", true},
      {"backgradient", "not a number", {}},
      {"font", italic, italic},
      {"filter", "*.log|*.txt", "*.log|*.txt"},
      {"path", "/srv/in/", "/srv/in/"},
  };
  for (const auto& [key, stored, written] : cases) {
    McListBox box;
    box.ReadProperties({{key, stored}});
    const QVariantMap expected =
        written.isValid() ? QVariantMap{{QString(key).toLower(), written}} : QVariantMap{};
    EXPECT_EQ(box.WriteProperties(), expected) << key << " " << stored.toString().toStdString();
  }
}

}  // namespace
}  // namespace corvane
