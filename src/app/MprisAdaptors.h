// The two MPRIS 2 interfaces of MprisService as D-Bus adaptors: each property and method
// forwards to the service, which knows the console.
#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QStringList>
#include <QVariantMap>

#include "app/MprisService.h"

namespace spinwave {

class MprisRootAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
  Q_PROPERTY(bool CanQuit READ CanQuit)
  Q_PROPERTY(bool CanRaise READ CanRaise)
  Q_PROPERTY(bool HasTrackList READ HasTrackList)
  Q_PROPERTY(QString Identity READ Identity)
  Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
  Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
  Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
 public:
  MprisRootAdaptor(QObject* host, MprisService& service)
      : QDBusAbstractAdaptor(host), service_(service) {}
  bool CanQuit() const { return bool(service_.QuitConsole); }
  bool CanRaise() const { return bool(service_.RaiseWindow); }
  bool HasTrackList() const { return false; }
  QString Identity() const { return QStringLiteral("Spinwave"); }
  QString DesktopEntry() const { return QStringLiteral("spinwave"); }
  QStringList SupportedUriSchemes() const { return {QStringLiteral("file")}; }
  QStringList SupportedMimeTypes() const {
    return {"audio/mpeg", "audio/ogg", "audio/x-wav", "audio/x-mpegurl"};
  }

 public slots:
  void Raise() {
    if (service_.RaiseWindow) service_.RaiseWindow();
  }
  void Quit() {
    if (service_.QuitConsole) service_.QuitConsole();
  }

 private:
  MprisService& service_;
};

class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
  Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
  Q_PROPERTY(double Rate READ Rate)
  Q_PROPERTY(double MinimumRate READ Rate)
  Q_PROPERTY(double MaximumRate READ Rate)
  Q_PROPERTY(QVariantMap Metadata READ Metadata)
  Q_PROPERTY(double Volume READ Volume)
  Q_PROPERTY(qlonglong Position READ Position)
  Q_PROPERTY(bool CanGoNext READ Yes)
  Q_PROPERTY(bool CanGoPrevious READ Yes)
  Q_PROPERTY(bool CanPlay READ Yes)
  Q_PROPERTY(bool CanPause READ Yes)
  Q_PROPERTY(bool CanSeek READ No)
  Q_PROPERTY(bool CanControl READ Yes)
 public:
  MprisPlayerAdaptor(QObject* host, MprisService& service)
      : QDBusAbstractAdaptor(host), service_(service) {}
  QString PlaybackStatus() const { return service_.PlaybackStatus(); }
  double Rate() const { return 1.0; }
  QVariantMap Metadata() const { return service_.Metadata(); }
  // The deck's own volume slider is the DJ's; the bus only reads full volume.
  double Volume() const { return 1.0; }
  qlonglong Position() const { return service_.PositionUs(); }
  bool Yes() const { return true; }
  bool No() const { return false; }

 public slots:
  void PlayPause() { service_.PlayPause(); }
  void Play() { service_.Play(); }
  void Pause() { service_.Pause(); }
  void Stop() { service_.Stop(); }
  void Next() { service_.Next(); }
  void Previous() { service_.Previous(); }
  // Seeking a deck on air from outside is not offered (CanSeek is false).
  void Seek(qlonglong) {}
  void SetPosition(const QDBusObjectPath&, qlonglong) {}
  void OpenUri(const QString& uri) { service_.OpenUri(uri); }

 private:
  MprisService& service_;
};

}  // namespace spinwave
