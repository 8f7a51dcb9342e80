// A real Icecast 2 server on 127.0.0.1 for the title tests, started by the test and stopped with
// it, with one SHOUTcast-protocol source feeding its mount "/live". Icecast takes the
// "/admin.cgi?pass=...&mode=updinfo&song=..." title update only for such a source, and shows
// the current title in its status page, so the test sees what listeners would see.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <QJsonObject>

#include <QProcess>
#include <QTcpSocket>
#include <QTimer>

#include "common/TestSupport.h"

namespace spinwave::test {

class IcecastServer {
 public:
  // `sourcePassword` is the password of the source and of the title update.
  explicit IcecastServer(std::string sourcePassword);
  ~IcecastServer();

  // Empty when the server and its source are up; otherwise why not.
  const std::string& Error() const { return error_; }
  uint16_t Port() const { return port_; }
  // The mount's current title from the status page ("" when it has none yet).
  std::string Title();
  // The live source's entry of the server's status page; empty while there is none.
  QJsonObject Source();

 private:
  bool StartServer();
  bool ConnectSource();

  std::string password_;
  TempFolder folder_;
  uint16_t port_ = 0;
  std::string error_;
  QProcess process_;
  QTcpSocket source_;
  QTimer feed_;
};

}  // namespace spinwave::test
