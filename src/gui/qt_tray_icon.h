#pragma once
// The tray icon of a batch run on a desktop: a left click restores the main window, a right click
// pops the thirteen-item menu at the cursor. Without a system tray the icon is refused, and the
// log pane says so once.
#include <QObject>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

#include "run/run_services.h"

class QMenu;

namespace fw {

struct Session;

namespace gui {

class QtTrayIcon : public QObject, public TrayIcon {
  Q_OBJECT

 public:
  // refresh brings the windows up to date after a tray event.
  QtTrayIcon(Session& s, std::function<void()> refresh);
  ~QtTrayIcon() override;

  bool add(const std::string& tip) override;
  void modify(const std::string& tip) override;
  void remove() override;

  // The icon's signal: Trigger is the left button (513), Context the right one (516).
  void activate(QSystemTrayIcon::ActivationReason reason);
  QMenu* menu() const { return menu_.get(); }
  bool shown() const { return icon_ != nullptr; }

 private:
  // Shows the menu at the cursor; the chosen item's index, -1 for none.
  int popMenu();

  Session& s_;
  std::function<void()> refresh_;
  std::unique_ptr<QSystemTrayIcon> icon_;
  std::unique_ptr<QMenu> menu_;
  bool toldNoTray_ = false;
};

// The window icon for a key of the status display: a small badge with the key's first letter.
QIcon sourceIcon(const std::string& key);

}  // namespace gui
}  // namespace fw
