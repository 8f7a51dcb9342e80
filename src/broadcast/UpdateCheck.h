// The update query at start-up: one request to the update server for "/~spinwave/update.php";
// when its answer names another 2.x version, the user is told in a box.
//
// The update server is a setting with an empty default ("UpdateHost" under [Internet] in the
// settings file, "host" or "host:port", port 80 when none is given). With no host nothing is
// sent: a fresh installation asks no one. A failed check shows nothing (it is logged).
#pragma once

#include <string>

#include <QObject>

class TSettingsFile;

namespace spinwave {

class UpdateCheck : public QObject {
  Q_OBJECT
 public:
  static constexpr const char* kHostKey = "UpdateHost";
  static constexpr const char* kPath = "/~spinwave/update.php";

  explicit UpdateCheck(QObject* parent = nullptr);

  // What the check shows for an answer: "Spinwave v" + answer when the answer's first six
  // characters differ from the six after the "v" of `versionText` and the answer begins with
  // "2."; otherwise empty (nothing is shown).
  static std::string UpdateMessage(const std::string& versionText, const std::string& reply);

  // Starts the query to [Internet] UpdateHost; `versionText` is the running version ("v2.00.0").
  // False when no host is set (nothing sent).
  bool Start(const TSettingsFile& settings, const std::string& versionText);
  // Same with the host setting given.
  bool StartWithHost(const std::string& hostSetting, const std::string& versionText);

  // The answer of the query: shows UpdateMessage when it is not empty.
  void UpdateInfoRecieved(const std::string& reply);

  void SetRequestTimeoutMs(int ms) { timeoutMs_ = ms; }

 signals:
  // The check has ended, whether or not it showed anything.
  void Finished();

 private:
  std::string versionText_;
  int timeoutMs_;
};

}  // namespace spinwave
