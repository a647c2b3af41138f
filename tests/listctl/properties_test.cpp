#include "list_box_fixture.h"

namespace corvane {
namespace {

// Only what differs from the defaults is stored, under the lower-case key; a
// value that cannot be read falls back to the default and so is not stored.
TEST(PropertyBagTest, StoredValuesAreReadAndWrittenAgain) {
  QVariantMap defaults = McListBox().WriteProperties();
  defaults.remove("path");  // the application directory is not the stored default
  EXPECT_TRUE(defaults.isEmpty()) << defaults.keys().join(',').toStdString();
  QFont italic = QApplication::font();
  italic.setItalic(true);
  const std::tuple<const char*, QVariant, QVariant> cases[] = {
      {"RowHeight", 40, 40},
      {"SELCOLOR", -2147483630, 0x80000012u},  // a colour was a signed 32-bit Long
      {"gridlines", "True", true},
      {"backgradient", "not a number", {}},  // and the path read back empty
      {"Mode", 3, 3},
      {"mode", 9, {}},  // a number that names no value of the property's enum
      {"borderstyle", 0x20001, {}},
      {"sortorder", 2, {}},
      {"appearance", 2, {}},
      {"selectionstyle", 2, {}},
      {"selgradient", 7, {}},
      {"font", italic, italic},
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
