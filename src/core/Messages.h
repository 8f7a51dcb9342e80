// How components tell the user of a problem: warning boxes with an OK button and questions with
// Yes and No, with fixed texts. Everything goes through one replaceable handler so that tests
// (and the offscreen platform) can capture the texts instead of blocking on a modal box.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace spinwave {

enum class MessageKind { Warning, Information, Question };

// Returns true for OK/Yes, false for No.
using MessageHandler = std::function<bool(MessageKind, const std::string& text)>;

// Shows a warning box with an OK button (interface thread only).
void ShowMessage(const std::string& text);
void ShowInformation(const std::string& text);
// Asks a Yes/No question; true for Yes.
bool AskYesNo(const std::string& text);

// Replaces the handler; returns the previous one. An empty handler restores the default, which
// shows a QMessageBox on a real display and writes the text to stderr (answering Yes) on the
// offscreen and minimal platforms.
MessageHandler SetMessageHandler(MessageHandler handler);

// Captures every message while it lives (tests): texts in order, questions answered `answer`.
class MessageCapture {
 public:
  explicit MessageCapture(bool answer = true);
  ~MessageCapture();
  MessageCapture(const MessageCapture&) = delete;
  MessageCapture& operator=(const MessageCapture&) = delete;
  const std::vector<std::string>& Texts() const { return texts_; }
  void Clear() { texts_.clear(); }

 private:
  std::vector<std::string> texts_;
  MessageHandler previous_;
};

}  // namespace spinwave
