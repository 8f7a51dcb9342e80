// spinwave-remote COMMAND...: sends each command to the running console of this user, in order,
// and prints each reply on its own line (the text of a reply that has one, "-rowdata", else
// its number). Exit status 0 when the console answered every command, 1 when no console runs
// ("Spinwave is not running") or it stopped answering, 2 on a usage error.
#include <unistd.h>

#include <cstdio>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include "app/SingleInstance.h"

namespace {

constexpr int kAnswered = 0;
constexpr int kNotRunning = 1;
constexpr int kUsage = 2;

void Usage(std::FILE* to) {
  std::fputs(
      "Usage: spinwave-remote COMMAND...\n"
      "Sends each command to the running Spinwave console and prints each reply on its own "
      "line.\n"
      "Commands: -exit -clear -count -row -play -time -rowdata -stream -shuffle, -jl0..-jl9 "
      "(load a DJ jingle list), -jp0..-jp9 (play a jingle; 0 is the tenth), or a file or "
      "playlist to add.\n"
      "Exit status: 0 answered, 1 Spinwave is not running, 2 usage error.\n",
      to);
}

// A file named relative to where the command was typed means that file, wherever the console
// was started from.
QString Resolved(const QString& argument) {
  if (argument.startsWith('-') || QFileInfo(argument).isAbsolute()) return argument;
  const QFileInfo here(QDir::current(), argument);
  return here.exists() ? here.absoluteFilePath() : argument;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList commands;
  for (int i = 1; i < argc; ++i) commands << QString::fromLocal8Bit(argv[i]);
  if (commands.isEmpty()) {
    Usage(stderr);
    return kUsage;
  }
  if (commands.size() == 1 && (commands[0] == "--help" || commands[0] == "-h")) {
    Usage(stdout);
    return kAnswered;
  }
  for (QString& command : commands) command = Resolved(command);

  spinwave::SingleInstance console;
  // A console holds its lock while it runs: without one nobody would answer.
  if (spinwave::SingleInstance probe(console.ServerPath()); probe.TakeLock()) {
    std::fputs("Spinwave is not running\n", stderr);
    return kNotRunning;
  }
  QList<spinwave::RemoteReply> replies;
  QString error;
  const bool answered = console.Send(commands, &replies, &error, 30000, 2000);
  for (const spinwave::RemoteReply& reply : replies) {
    if (reply.hasText)
      std::printf("%s\n", qUtf8Printable(reply.text));
    else
      std::printf("%d\n", reply.value);
  }
  std::fflush(stdout);
  if (answered) return kAnswered;
  if (replies.isEmpty())
    std::fprintf(stderr, "Spinwave is not running (%s)\n", qUtf8Printable(error));
  else
    std::fprintf(stderr, "Spinwave stopped answering: %s\n", qUtf8Printable(error));
  return kNotRunning;
}
