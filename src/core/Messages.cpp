#include "core/Messages.h"

#include <cstdio>

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>

namespace spinwave {

namespace {

bool HeadlessPlatform() {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return true;
  const QString p = QGuiApplication::platformName();
  return p == QLatin1String("offscreen") || p == QLatin1String("minimal");
}

bool DefaultHandler(MessageKind kind, const std::string& text) {
  if (HeadlessPlatform()) {
    std::fprintf(stderr, "Spinwave: %s\n", text.c_str());
    return true;
  }
  const QString t = QString::fromStdString(text);
  const QString caption = QCoreApplication::applicationName();
  switch (kind) {
    case MessageKind::Question:
      return QMessageBox::question(QApplication::activeWindow(), caption, t,
                                   QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    case MessageKind::Information:
      QMessageBox::information(QApplication::activeWindow(), caption, t);
      return true;
    case MessageKind::Warning:
      QMessageBox::warning(QApplication::activeWindow(), caption, t);
      return true;
  }
  return true;
}

MessageHandler& Handler() {
  static MessageHandler handler;
  return handler;
}

bool Dispatch(MessageKind kind, const std::string& text) {
  MessageHandler& h = Handler();
  return h ? h(kind, text) : DefaultHandler(kind, text);
}

}  // namespace

void ShowMessage(const std::string& text) { Dispatch(MessageKind::Warning, text); }
void ShowInformation(const std::string& text) { Dispatch(MessageKind::Information, text); }
bool AskYesNo(const std::string& text) { return Dispatch(MessageKind::Question, text); }

MessageHandler SetMessageHandler(MessageHandler handler) {
  MessageHandler previous = std::move(Handler());
  Handler() = std::move(handler);
  return previous;
}

MessageCapture::MessageCapture(bool answer) {
  previous_ = SetMessageHandler([this, answer](MessageKind, const std::string& text) {
    texts_.push_back(text);
    return answer;
  });
}

MessageCapture::~MessageCapture() { SetMessageHandler(std::move(previous_)); }

}  // namespace spinwave
