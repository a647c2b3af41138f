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

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QStringList>
#include <cstdio>

namespace {

void Print(const QString& line) {
  std::printf("%s\n", qUtf8Printable(line));
  std::fflush(stdout);
}

class Watcher : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
  Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)

 public:
  bool hostRegistered() const { return true; }

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

QDBusMessage Call(const QString& service, const QString& path, const QString& interface,
                  const QString& method, const QVariantList& arguments) {
  QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
  call.setArguments(arguments);
  const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
  if (reply.type() != QDBusMessage::ReplyMessage) {
    Print("error " + reply.errorName() + ": " + reply.errorMessage());
    std::exit(1);
  }
  return reply;
}

// Prints the children of one (ia{sv}av) layout node; returns the id of the
// item labelled `choose`, or 0.
int PrintItems(const QDBusArgument& node, const QString& choose) {
  int id = 0, chosen = 0;
  QVariantMap properties;
  QVariantList children;  // each a QDBusArgument of the child's own node
  node.beginStructure();
  node >> id >> properties >> children;
  node.endStructure();
  for (const QVariant& child : children) {
    const QDBusArgument item = child.value<QDBusArgument>();
    item.beginStructure();
    item >> id >> properties;
    item.endStructure();
    const QString label = properties.value("label").toString();
    if (properties.value("type").toString() == "separator") {
      Print("-");
    } else {
      Print(label + "|" + (properties.value("enabled", true).toBool() ? "1" : "0"));
      if (label == choose) chosen = id;
    }
  }
  return chosen;
}

int Menu(const QString& service, const QString& choose) {
  const QDBusMessage menuPath =
      Call(service, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
           {"org.kde.StatusNotifierItem", "Menu"});
  const QString path =
      menuPath.arguments().value(0).value<QDBusVariant>().variant().value<QDBusObjectPath>().path();
  const QString dbusMenu = QStringLiteral("com.canonical.dbusmenu");
  const QDBusMessage layout = Call(service, path, dbusMenu, "GetLayout", {0, -1, QStringList()});
  const int id = PrintItems(layout.arguments().value(1).value<QDBusArgument>(), choose);
  if (choose.isEmpty()) return 0;
  if (id == 0) return 1;
  Call(service, path, dbusMenu, "Event",
       {id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (args.value(0) == "serve") {
    Watcher watcher;
    Notifications notifications;
    const auto all = QDBusConnection::ExportAllContents;
    if (!bus.registerObject("/StatusNotifierWatcher", &watcher, all) ||
        !bus.registerObject("/org/freedesktop/Notifications", &notifications, all) ||
        !bus.registerService("org.kde.StatusNotifierWatcher") ||
        !bus.registerService("org.freedesktop.Notifications")) {
      Print("error " + bus.lastError().message());
      return 1;
    }
    Print("ready");
    return app.exec();
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
