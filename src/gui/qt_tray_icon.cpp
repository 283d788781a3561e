#include "gui/qt_tray_icon.h"

#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QPixmap>

#include "app/session.h"
#include "app/tray.h"
#include "gui/text_codec.h"

namespace fw::gui {

QIcon sourceIcon(const std::string& key) {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const uint hue = qHash(QString::fromStdString(key)) % 360;
  p.setBrush(QColor::fromHsv(static_cast<int>(hue), 160, 200));
  p.setPen(Qt::NoPen);
  p.drawEllipse(1, 1, 30, 30);
  p.setPen(Qt::white);
  QFont font = p.font();
  font.setBold(true);
  font.setPixelSize(18);
  p.setFont(font);
  p.drawText(pixmap.rect(), Qt::AlignCenter,
             key.empty() ? QStringLiteral("F") : QString(QChar(key[0])).toUpper());
  p.end();
  return QIcon(pixmap);
}

QtTrayIcon::QtTrayIcon(Session& s, std::function<void()> refresh)
    : s_(s), refresh_(std::move(refresh)), menu_(std::make_unique<QMenu>()) {
  menu_->setObjectName(QStringLiteral("mPopupSys"));
  menu_->setTitle(QStringLiteral("&SysTray"));
  for (const char* item : tray::kMenuItems) menu_->addAction(QString::fromLatin1(item));
}

QtTrayIcon::~QtTrayIcon() = default;

bool QtTrayIcon::add(const std::string& tip) {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    if (!toldNoTray_) {
      toldNoTray_ = true;
      logPaneLine(s_, "No system tray on this desktop: the window stays minimised instead.");
    }
    return false;
  }
  if (!icon_) {
    icon_ = std::make_unique<QSystemTrayIcon>();
    connect(icon_.get(), &QSystemTrayIcon::activated, this, &QtTrayIcon::activate);
  }
  icon_->setIcon(sourceIcon(s_.form.Icon));
  icon_->setToolTip(fromCp1252(tray::trayTip(tip)));
  icon_->show();
  return true;
}

void QtTrayIcon::modify(const std::string& tip) {
  if (!icon_) return;
  icon_->setToolTip(fromCp1252(tray::trayTip(tip)));
  icon_->setIcon(sourceIcon(s_.form.Icon));
}

void QtTrayIcon::remove() {
  if (icon_) icon_->hide();
  icon_.reset();
}

int QtTrayIcon::popMenu() {
  QAction* chosen = menu_->exec(QCursor::pos());
  return chosen ? static_cast<int>(menu_->actions().indexOf(chosen)) : -1;
}

void QtTrayIcon::activate(QSystemTrayIcon::ActivationReason reason) {
  if (reason == QSystemTrayIcon::Trigger)
    tray::MyMouseMove(s_, tray::kLeftButtonDown, {});
  else if (reason == QSystemTrayIcon::Context)
    tray::MyMouseMove(s_, tray::kRightButtonDown, [this] { return popMenu(); });
  else
    return;
  if (refresh_) refresh_();
}

}  // namespace fw::gui
