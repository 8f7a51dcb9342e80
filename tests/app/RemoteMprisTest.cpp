// The console's media-player interface on a private session bus (a dbus-daemon the test
// starts): a client on that bus plays, pauses, skips and stops the decks, reads PlaybackStatus
// and Metadata, and hears PropertiesChanged.
#include "app/MprisService.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>

#include "ConsoleFixture.h"
#include "engine/DeckPort.h"
#include "playlist/DeckTransport.h"
#include "playlist/PlaylistModel.h"

namespace spinwave::test {

// Collects the PropertiesChanged signals of the player interface.
class PropertiesListener : public QObject {
  Q_OBJECT
 public:
  QStringList changed;  // names of the changed properties, in order
 public slots:
  void Changed(const QString& interface, const QVariantMap& properties, const QStringList&) {
    if (interface == QLatin1String("org.mpris.MediaPlayer2.Player"))
      for (auto it = properties.begin(); it != properties.end(); ++it) changed << it.key();
  }
};

namespace {

constexpr const char* kPlayer = "org.mpris.MediaPlayer2.Player";

class RemoteMpris : public ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
    ASSERT_FALSE(daemon.isEmpty()) << "dbus-daemon is missing (scripts/deps.sh installs it)";
    bus_.start(daemon, {"--session", "--nofork", "--print-address=1"});
    ASSERT_TRUE(bus_.waitForStarted(5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return bus_.canReadLine(); }, 5000));
    address_ = QString::fromUtf8(bus_.readLine()).trimmed();
    ASSERT_FALSE(address_.isEmpty());
  }
  void TearDown() override {
    service.reset();
    core.reset();
    QDBusConnection::disconnectFromBus("swtest-console");
    QDBusConnection::disconnectFromBus("swtest-client");
    bus_.terminate();
    bus_.waitForFinished(5000);
  }
  QDBusConnection Console() { return QDBusConnection::connectToBus(address_, "swtest-console"); }
  QDBusConnection Client() { return QDBusConnection::connectToBus(address_, "swtest-client"); }

  // A call from the client; the console answers in this thread, so the call is waited for with
  // the event loop turning.
  QDBusMessage Call(const char* interface, const char* method, const QVariantList& args = {}) {
    QDBusMessage message = QDBusMessage::createMethodCall(
        MprisService::kServiceName, MprisService::kObjectPath, interface, method);
    message.setArguments(args);
    QDBusPendingCall call = Client().asyncCall(message, 5000);
    (void)QTest::qWaitFor([&] { return call.isFinished(); }, 6000);
    core->Advance(400);
    return call.reply();
  }
  QVariant Property(const char* interface, const char* name) {
    const QDBusMessage reply =
        Call("org.freedesktop.DBus.Properties", "Get", {QString(interface), QString(name)});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
    return reply.arguments().first().value<QDBusVariant>().variant();
  }
  QString Status() { return Property(kPlayer, "PlaybackStatus").toString(); }
  QVariantMap Metadata() {
    return qdbus_cast<QVariantMap>(Property(kPlayer, "Metadata").value<QDBusArgument>());
  }

  std::unique_ptr<ConsoleCore> core;
  std::unique_ptr<MprisService> service;

 private:
  QProcess bus_;
  QString address_;
};

TEST_F(RemoteMpris, AClientOnTheBusPlaysPausesSkipsAndStopsTheDecks) {
  const std::string a = Track("a", 30000), b = Track("b", 30000);
  core = MakeCore({QString::fromStdString(M3U("show.m3u", {a, b}))});
  core->Activate();
  core->Playlist().SetCursorRow(1);
  service = std::make_unique<MprisService>(*core);
  QString error;
  ASSERT_TRUE(service->Register(Console(), &error)) << error.toStdString();
  ASSERT_TRUE(Client().interface()->isServiceRegistered(MprisService::kServiceName).value());
  PropertiesListener listener;
  ASSERT_TRUE(Client().connect(MprisService::kServiceName, MprisService::kObjectPath,
                               "org.freedesktop.DBus.Properties", "PropertiesChanged",
                               &listener,
                               SLOT(Changed(QString, QVariantMap, QStringList))));

  EXPECT_EQ(Property("org.mpris.MediaPlayer2", "Identity").toString(), "Spinwave");
  EXPECT_EQ(Status(), "Stopped");

  // PlayPause on an empty console: deck 1 loads row 1 and plays, as its play button does.
  Call(kPlayer, "PlayPause");
  EXPECT_EQ(core->Deck(0).State(), fsPlaying);
  EXPECT_EQ(Status(), "Playing");
  QVariantMap meta = Metadata();
  EXPECT_EQ(meta.value("xesam:url").toString(),
            QUrl::fromLocalFile(QString::fromStdString(a)).toString());
  EXPECT_EQ(meta.value("xesam:artist").toStringList(), QStringList{"a.wav"});
  EXPECT_EQ(meta.value("mpris:length").toLongLong(), 30000000LL);
  EXPECT_TRUE(QTest::qWaitFor([&] { return listener.changed.contains("PlaybackStatus"); }, 3000))
      << "PlaybackStatus follows the decks";
  EXPECT_TRUE(listener.changed.contains("Metadata"));

  Call(kPlayer, "Pause");
  EXPECT_EQ(Status(), "Paused");
  Call(kPlayer, "Pause");
  EXPECT_EQ(Status(), "Paused") << "Pause on a paused deck keeps it paused";
  Call(kPlayer, "Play");
  EXPECT_EQ(Status(), "Playing");

  // Next: deck 1's track-forward button loads row 2.
  Call(kPlayer, "Next");
  EXPECT_EQ(core->Deck(0).FileName(), b);
  Call(kPlayer, "Play");
  EXPECT_EQ(Metadata().value("xesam:url").toString(),
            QUrl::fromLocalFile(QString::fromStdString(b)).toString());

  Call(kPlayer, "Stop");
  EXPECT_EQ(core->Deck(0).State(), fsCueStop);
  EXPECT_EQ(Status(), "Stopped");

  // The deck that holds the keyboard is the one driven.
  service->FocusedDeck = [] { return 1; };
  core->Playlist().SetCursorRow(1);
  Call(kPlayer, "PlayPause");
  EXPECT_EQ(core->Deck(1).State(), fsPlaying);
  EXPECT_EQ(core->Deck(1).FileName(), a);
  EXPECT_EQ(core->Deck(0).State(), fsCueStop);
}

}  // namespace
}  // namespace spinwave::test

#include "RemoteMprisTest.moc"
