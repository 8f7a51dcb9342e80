// The streaming plug-in's configuration window: server, port, user, password, mount, protocol
// (Icecast 2 over HTTP, SHOUTcast over ICY), bit rate, stream name and genre, and a line that
// shows the connection as it is (connected, waiting to try again, refused). OK saves the
// settings to plugins/dsp_sc.ini and reconnects with them; Cancel leaves everything as it was.
#pragma once

#include <functional>

#include <QDialog>

#include "StreamSettings.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTimer;

namespace spinwave {

class ShoutStreamer;

class ConfigWindow : public QDialog {
  Q_OBJECT
 public:
  using SaveHandler = std::function<void(const StreamSettings&)>;
  ConfigWindow(const StreamSettings& settings, const ShoutStreamer& streamer, SaveHandler onSave,
               QWidget* parent = nullptr);

  // What the fields hold now.
  StreamSettings Edited() const;
  // Shows the streamer's state now (the window also refreshes it twice a second).
  void RefreshStatus();

 private:
  const ShoutStreamer& streamer_;
  SaveHandler onSave_;
  StreamSettings original_;
  QLineEdit* host_;
  QSpinBox* port_;
  QLineEdit* user_;
  QLineEdit* password_;
  QLineEdit* mount_;
  QComboBox* protocol_;
  QComboBox* bitRate_;
  QLineEdit* name_;
  QLineEdit* genre_;
  QLabel* status_;
  QTimer* timer_;
};

}  // namespace spinwave
