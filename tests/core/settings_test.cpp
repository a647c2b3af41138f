#include "core/settings.h"

#include <gtest/gtest.h>

#include <QSettings>

#include "core/daemon_state.h"
#include "core/hosts/window_settings_host.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

class FakeWindow final : public WindowSettingsHost {
 public:
  PixelRect Geometry() const override { return geometry; }
  void SetGeometry(const PixelRect& g) override { geometry = g; }
  int ScreenWidth() const override { return 1920; }
  int ScreenHeight() const override { return 1080; }
  double LogicalDpi() const override { return dpi; }
  std::int16_t State() const override { return state; }
  void SetState(std::int16_t s) override { state = s; }
  bool IsVisible() const override { return visible; }
  void SetNoBackground(bool off) override { noBackground = off; }

  PixelRect geometry{10, 20, 640, 480};
  double dpi = 96;
  std::int16_t state = 0;
  bool visible = false;
  bool noBackground = false;
};

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() { Store().clear(); }
  static QSettings Store() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "Talvex", "Corvane");
  }
  static void Put(const char* key, const char* text) { Store().setValue(key, text); }
  static std::string Stored(const char* key) {
    return Store().value(key, "<missing>").toString().toStdString();
  }

  DaemonState state;
  bool hidden = false;
  FakeWindow window;
};

TEST_F(SettingsTest, AnEmptyStoreGivesTheDefaults) {
  state.iLogLevel = 3;
  state.sLanguageFile = "other.lng";
  LoadSettings(state, hidden, &window);
  // Centred, at the window's own size, in normal state, hidden in the tray.
  EXPECT_EQ(window.geometry.left, 960 - 320);
  EXPECT_EQ(window.geometry.top, 540 - 240);
  EXPECT_EQ(window.geometry.width, 640);
  EXPECT_EQ(window.geometry.height, 480);
  EXPECT_EQ(window.state, 0);
  EXPECT_TRUE(hidden);
  EXPECT_FALSE(window.noBackground);
  EXPECT_EQ(state.iLogLevel, 1);
  EXPECT_EQ(state.sLanguageFile, "english.lng");
}

TEST_F(SettingsTest, ValuesAreReadInOrderAndAppliedAtOnce) {
  // The centring default of X uses the width before Width is applied.
  Put("Window.Width", "6000");  // 400 px
  LoadSettings(state, hidden, &window);
  EXPECT_EQ(window.geometry.left, 960 - 320);
  EXPECT_EQ(window.geometry.width, 400);
}

TEST_F(SettingsTest, SavedSettingsReadBackAsTheyWere) {
  for (const double dpi : {96.0, 120.0, 110.0}) {
    window.dpi = dpi;
    window.geometry = {123, 45, 801, 599};
    window.visible = true;
    state.iLogLevel = 0;
    state.sLanguageFile = "german, swiss.lng";
    SaveSettings(state, &window);

    FakeWindow restored;
    restored.dpi = dpi;
    DaemonState read;
    bool readHidden = true;
    LoadSettings(read, readHidden, &restored);
    EXPECT_EQ(restored.geometry.left, 123) << dpi;
    EXPECT_EQ(restored.geometry.top, 45) << dpi;
    EXPECT_EQ(restored.geometry.width, 801) << dpi;
    EXPECT_EQ(restored.geometry.height, 599) << dpi;
    EXPECT_FALSE(readHidden);
    EXPECT_EQ(read.iLogLevel, 0);
    EXPECT_EQ(read.sLanguageFile, "german, swiss.lng");
  }
}

TEST_F(SettingsTest, ValuesAreStoredAsPlainText) {
  window.geometry = {100, 7, 640, 480};
  SaveSettings(state, &window);
  EXPECT_EQ(Stored("Window.X"), "1500");
  EXPECT_EQ(Stored("Window.Y"), "105");
  EXPECT_EQ(Stored("Window.Width"), "9600");
  EXPECT_EQ(Stored("Window.State"), "0");
  EXPECT_EQ(Stored("Window.Hidden"), "True");
  EXPECT_EQ(Stored("Window.NoBKG"), "<missing>");
  EXPECT_EQ(Stored("Log.Level"), "1");
  EXPECT_EQ(Stored("App.Language"), "english.lng");

  window.dpi = 110;  // 13.0909... twips to a pixel
  window.visible = true;
  SaveSettings(state, &window);
  EXPECT_EQ(Stored("Window.X"), "1309.091");  // single precision, with its fraction
  EXPECT_EQ(Stored("Window.Hidden"), "False");
}

TEST_F(SettingsTest, AMaximisedWindowKeepsItsLastNormalPlace) {
  window.geometry = {100, 100, 640, 480};
  window.visible = true;
  SaveSettings(state, &window);
  window.state = 2;
  window.geometry = {0, 0, 1920, 1080};
  window.visible = false;
  SaveSettings(state, &window);
  EXPECT_EQ(Stored("Window.State"), "2");
  EXPECT_EQ(Stored("Window.X"), "1500");
  EXPECT_EQ(Stored("Window.Width"), "9600");
  EXPECT_EQ(Stored("Window.Hidden"), "False");
}

TEST_F(SettingsTest, WithoutAWindowOnlyTheDaemonsSettingsAreWritten) {
  state.iLogLevel = 2;
  state.sLanguageFile = "german.lng";
  SaveSettings(state, nullptr);
  EXPECT_EQ(Store().allKeys(), (QStringList{"App.Language", "Log.Level"}));
  DaemonState read;
  LoadSettings(read, hidden, nullptr);
  EXPECT_EQ(read.iLogLevel, 2);
  EXPECT_EQ(read.sLanguageFile, "german.lng");
}

TEST_F(SettingsTest, OtherTextFormsThatConvert) {
  Put("Window.Hidden", "false");
  Put("Window.NoBKG", "1");
  Put("Window.State", " 2 ");
  Put("Log.Level", "2.5");
  Put("Window.X", "1.5e3");
  LoadSettings(state, hidden, &window);
  EXPECT_FALSE(hidden);
  EXPECT_TRUE(window.noBackground);
  EXPECT_EQ(window.state, 2);
  EXPECT_EQ(state.iLogLevel, 2);
  EXPECT_EQ(window.geometry.left, 100);
}

TEST_F(SettingsTest, AValueThatCannotBeConvertedStopsTheLoadNamingKeyAndFile) {
  struct Case {
    const char* key;
    const char* text;
    int number;
  };
  for (const Case& c : {Case{"Window.X", "left", ErrorNumber::TypeMismatch},
                        Case{"Window.Height", "1e99", ErrorNumber::TypeMismatch},
                        Case{"Window.State", "5", ErrorNumber::Overflow},
                        Case{"Window.Hidden", "maybe", ErrorNumber::TypeMismatch},
                        Case{"Window.NoBKG", "no", ErrorNumber::TypeMismatch},
                        Case{"Log.Level", "abc", ErrorNumber::TypeMismatch},
                        Case{"Log.Level", "40000", ErrorNumber::Overflow}}) {
    Store().clear();
    Put(c.key, c.text);
    for (WindowSettingsHost* host :
         {static_cast<WindowSettingsHost*>(&window), static_cast<WindowSettingsHost*>(nullptr)}) {
      try {
        LoadSettings(state, hidden, host);
        ADD_FAILURE() << c.key << " = " << c.text << " was accepted";
      } catch (const SettingsError& error) {
        const std::string what = error.what();
        EXPECT_EQ(error.key(), c.key);
        EXPECT_EQ(error.number(), c.number) << c.key;
        EXPECT_NE(what.find(std::string("'") + c.key + "'"), std::string::npos) << what;
        EXPECT_NE(what.find(std::string("'") + c.text + "'"), std::string::npos) << what;
        EXPECT_NE(what.find(SettingsFile()), std::string::npos) << what;
      }
    }
    EXPECT_EQ(Stored(c.key), c.text);  // nothing is overwritten
  }
}

}  // namespace
}  // namespace corvane
