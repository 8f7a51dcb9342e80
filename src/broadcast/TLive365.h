// The Live365 window (caption "Live365"): the reported state of the broadcast, a refresh
// button and the mode switch. It only shows a Live365Control and forwards its clicks to it.
#pragma once

#include <QWidget>

class QButtonGroup;
class QLabel;
class QPushButton;
class QRadioButton;

namespace spinwave {

class Live365Control;

class TLive365 : public QWidget {
  Q_OBJECT
 public:
  explicit TLive365(Live365Control& control, QWidget* parent = nullptr);

  // The console's ShowLive365 button: hides the window when it is visible, shows it otherwise.
  void ShowLive365Click();

  QLabel* ModeLabel() const { return mode_; }
  QLabel* ActiveLabel() const { return active_; }
  QLabel* IpLabel() const { return ip_; }
  QLabel* PortLabel() const { return port_; }
  QLabel* ListnersLabel() const { return listners_; }
  QPushButton* Button1() const { return button1_; }
  QPushButton* Button2() const { return button2_; }
  QRadioButton* LiveModeButton(int index) const;

 private:
  void ShowState();

  Live365Control& control_;
  QLabel* mode_ = nullptr;
  QLabel* active_ = nullptr;
  QLabel* ip_ = nullptr;
  QLabel* port_ = nullptr;
  QLabel* listners_ = nullptr;
  QPushButton* button1_ = nullptr;
  QPushButton* button2_ = nullptr;
  QButtonGroup* liveMode_ = nullptr;
};

}  // namespace spinwave
