// A StatusNotifier watcher and notification server for the end-to-end test,
// and the calls a panel makes on an item.
//   sni_watcher serve              owns the watcher and notification names;
//                                  prints "item SERVICE" and "notify
//                                  SUMMARY|BODY" lines as they come
//   sni_watcher activate SERVICE   clicks the item
//   sni_watcher menu SERVICE [LABEL]
//                                  prints the exported menu, one "LABEL|ENABLED"
//                                  line per item ("-" for a separator), and
//                                  chooses the item LABEL
// A call that fails prints the error and exits with 1.

#include <QtDBus>
#include <cstdio>

namespace {

// stdout is line-buffered (see main), so that each line reaches the test at once.
void Print(const QString& line) { std::puts(qUtf8Printable(line)); }

class Watcher : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
  Q_PROPERTY(bool IsStatusNotifierHostRegistered MEMBER hostRegistered_ CONSTANT)
  bool hostRegistered_ = true;

 public slots:
  void RegisterStatusNotifierItem(const QString& service) { Print("item " + service); }
};

class Notifications : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public slots:
  uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
              const QStringList&, const QVariantMap&, int) {
    Print("notify " + summary + "|" + body);
    return 1;
  }
};

// The reply's arguments.
QVariantList Call(const QString& service, const QString& path, const QString& interface,
                  const QString& method, const QVariantList& arguments) {
  QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
  call.setArguments(arguments);
  const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
  if (reply.type() == QDBusMessage::ReplyMessage) return reply.arguments();
  Print("error " + reply.errorName() + ": " + reply.errorMessage());
  std::exit(1);
}

// Reads one (ia{sv}av) layout node: its id, its properties, and its children,
// each a QDBusArgument of the child's own node.
int ReadNode(const QDBusArgument& node, QVariantMap& properties, QVariantList& children) {
  int id = 0;
  node.beginStructure();
  node >> id >> properties >> children;
  node.endStructure();
  return id;
}

int Menu(const QString& service, const QString& choose) {
  const QVariant menu = Call(service, "/StatusNotifierItem", "org.freedesktop.DBus.Properties",
                             "Get", {"org.kde.StatusNotifierItem", "Menu"})[0];
  const QString path = menu.value<QDBusVariant>().variant().value<QDBusObjectPath>().path();
  const QString dbusMenu = QStringLiteral("com.canonical.dbusmenu");
  const QVariantList layout = Call(service, path, dbusMenu, "GetLayout", {0, -1, QStringList()});
  QVariantMap properties;
  QVariantList items, grandchildren;
  ReadNode(layout.value(1).value<QDBusArgument>(), properties, items);
  int chosen = 0;
  for (const QVariant& item : items) {
    const int id = ReadNode(item.value<QDBusArgument>(), properties, grandchildren);
    const QString label = properties.value("label").toString();
    const bool separator = properties.value("type").toString() == "separator";
    Print(separator ? "-" : label + (properties.value("enabled", true).toBool() ? "|1" : "|0"));
    if (label == choose) chosen = id;  // a separator has no label, and LABEL is never empty
  }
  if (chosen != 0) {
    Call(service, path, dbusMenu, "Event",
         {chosen, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
  }
  return choose.isEmpty() || chosen != 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const QStringList args = app.arguments().mid(1);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (args.value(0) == "serve") {
    Watcher watcher;
    Notifications notifications;
    const auto all = QDBusConnection::ExportAllContents;
    if (bus.registerObject("/StatusNotifierWatcher", &watcher, all) &&
        bus.registerObject("/org/freedesktop/Notifications", &notifications, all) &&
        bus.registerService("org.kde.StatusNotifierWatcher") &&
        bus.registerService("org.freedesktop.Notifications"))
      return app.exec();
    Print("error " + bus.lastError().message());
    return 1;
  }
  if (args.value(0) == "activate" && args.size() == 2) {
    Call(args[1], "/StatusNotifierItem", "org.kde.StatusNotifierItem", "Activate", {0, 0});
    return 0;
  }
  if (args.value(0) == "menu" && args.size() >= 2) return Menu(args[1], args.value(2));
  Print("usage: sni_watcher serve | activate SERVICE | menu SERVICE [LABEL]");
  return 2;
}

#include "sni_watcher.moc"
