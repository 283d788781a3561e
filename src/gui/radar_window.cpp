#include "gui/radar_window.h"

#include <QBuffer>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/session.h"
#include "radar/image.h"

namespace fw::gui {

// The picture: paints the model's canvas as it stands, keeps it the size of the widget and hands
// clicks to the model.
class RadarPicture : public QWidget {
 public:
  RadarPicture(Session& s, QWidget* parent) : QWidget(parent), s_(s) {
    setObjectName(QStringLiteral("Picture1"));
    setMinimumSize(520, 520);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), QColor(0xC0, 0xC0, 0xC0));
    if (const QImage* picture = s_.Form3.Picture.qimage()) p.drawImage(QPoint(0, 0), *picture);
  }
  void resizeEvent(QResizeEvent*) override {
    // A new size clears the picture; the next image is centred in it.
    s_.Form3.Picture.resize(width(), height());
  }
  void mousePressEvent(QMouseEvent* event) override {
    const QPoint at = event->position().toPoint();
    Form_MouseDown(s_, at.x(), at.y());
  }

 private:
  Session& s_;
};

namespace {

QString colourSheet(vb::Color c) {
  return QStringLiteral("background-color: rgb(%1,%2,%3); font-family: Arial;")
      .arg(vb::Red(c))
      .arg(vb::Green(c))
      .arg(vb::Blue(c));
}

QPushButton* button(const char* name, const char* caption) {
  auto* b = new QPushButton(QString::fromUtf8(caption));
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

}  // namespace

RadarWindowView::RadarWindowView(Session& s, QWidget* parent) : QWidget(parent, Qt::Window), s_(s) {
  setObjectName(QStringLiteral("Form3"));
  setWindowTitle(QStringLiteral("Radar"));
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
  setPalette(pal);

  auto* top = new QVBoxLayout(this);
  adjustType_ = new QLabel;
  adjustType_->setObjectName(QStringLiteral("labelAdjustType"));
  top->addWidget(adjustType_);

  auto* middle = new QHBoxLayout;
  picture_ = new RadarPicture(s_, this);
  middle->addWidget(picture_, 1);

  auto* side = new QVBoxLayout;
  save_ = button("cmdSave", "Save");
  maxCircles_ = new QCheckBox(QStringLiteral("Max Circles"));
  maxCircles_->setObjectName(QStringLiteral("chkMaxCircles"));
  suppress_ = button("cmdSuppress", kSuppressOff);
  suppress_->setToolTip(QStringLiteral("Turn ON to remove ALL radar."));
  continue_ = button("cmdContinue", "Continue");
  next_ = button("cmdNext", "Next");
  for (QWidget* w : std::initializer_list<QWidget*>{save_, maxCircles_, suppress_, continue_, next_}) side->addWidget(w);

  frameDbz_ = new QGroupBox(QStringLiteral("Reflectivity DBZ"));
  frameDbz_->setObjectName(QStringLiteral("frameDBZ"));
  auto* dbz = new QVBoxLayout(frameDbz_);
  frameN1p_ = new QGroupBox(QStringLiteral("1-Hour Total"));
  frameN1p_->setObjectName(QStringLiteral("FrameN1P"));
  auto* n1p = new QVBoxLayout(frameN1p_);
  for (int k = 0; k < kRadarLegendLabels; ++k) {
    auto* label = new QLabel;
    label->setObjectName(QStringLiteral("labelDBZ%1").arg(k));
    label->setMinimumWidth(110);
    (k < kLegendEntries ? dbz : n1p)->addWidget(label);
    labels_[static_cast<std::size_t>(k)] = label;
  }
  dbz->setSpacing(0);
  n1p->setSpacing(0);
  side->addWidget(frameDbz_);
  side->addWidget(frameN1p_);
  side->addStretch(1);
  middle->addLayout(side);
  top->addLayout(middle, 1);

  label1_ = new QLabel;
  label1_->setObjectName(QStringLiteral("Label1"));
  label1_->setAutoFillBackground(true);
  top->addWidget(label1_);

  RadarForm& f = s_.Form3;
  connect(continue_, &QPushButton::clicked, this, [&f] { cmdContinue_Click(f); });
  connect(next_, &QPushButton::clicked, this, [&f] { cmdNext_Click(f); });
  connect(suppress_, &QPushButton::clicked, this, [&f] { cmdSuppress_Click(f); });
  connect(save_, &QPushButton::clicked, this, [this] { cmdSave_Click(s_); });
  connect(maxCircles_, &QCheckBox::toggled, this, [this](bool on) {
    if (!syncing_) s_.Form3.chkMaxCircles = on;
  });
  f.onChange = [this] { sync(); };
  f.savePicture = [this](const std::string& path, std::string& error) { return SaveRadarPng(path, error); };
  sync();
}

RadarWindowView::~RadarWindowView() {
  s_.Form3.onChange = nullptr;
  s_.Form3.savePicture = nullptr;
}

void RadarWindowView::sync() {
  if (syncing_) return;
  syncing_ = true;
  const RadarForm& f = s_.Form3;
  if (f.Visible && !isVisible()) {
    // Beside the main window when there is room, else over it; the height of the free screen.
    if (QScreen* screen = this->screen()) {
      const QRect free = screen->availableGeometry();
      const QWidget* main = parentWidget();
      const int left = main != nullptr && main->frameGeometry().right() + 700 < free.right()
                           ? main->frameGeometry().right() + 1
                           : free.left() + 27;
      resize(std::max(760, free.right() - left), std::max(600, free.height() - 40));
      move(left, free.top() + 27);
    }
  }
  setWindowTitle(QString::fromStdString(f.Caption));
  save_->setVisible(f.cmdSaveVisible);
  maxCircles_->setChecked(f.chkMaxCircles);
  suppress_->setText(QString::fromStdString(f.cmdSuppressCaption));
  next_->setText(QString::fromStdString(f.cmdNextCaption));
  frameDbz_->setTitle(QString::fromStdString(f.frameDBZCaption));
  frameDbz_->setVisible(f.frameDBZVisible);
  frameN1p_->setVisible(f.FrameN1PVisible);
  for (int k = 0; k < kRadarLegendLabels; ++k) {
    QLabel* label = labels_[static_cast<std::size_t>(k)];
    const RadarLegendLabel& l = f.labelDBZ[static_cast<std::size_t>(k)];
    label->setText(QString::fromStdString(l.Caption));
    label->setStyleSheet(colourSheet(l.BackColor));
  }
  adjustType_->setText(QString::fromStdString(f.labelAdjustTypeCaption));
  adjustType_->setVisible(f.labelAdjustTypeVisible);
  label1_->setText(QString::fromStdString(f.Label1Caption));
  label1_->setStyleSheet(colourSheet(f.Label1BackColor));
  if (f.Visible != isVisible()) {
    if (f.Visible) {
      show();
      raise();
    } else {
      hide();
    }
  }
  picture_->update();
  syncing_ = false;
}

bool RadarWindowView::SaveRadarPng(const std::string& path, std::string& error) {
  const QImage grabbed = grab().toImage();
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (grabbed.isNull() || !grabbed.save(&buffer, "PNG")) {
    error = "Graphics error " + std::to_string(static_cast<int>(ImageStatus::GenericError)) +
            ": the radar window could not be captured";
    return false;
  }
  ImageError status;
  const RadarImage image = RadarImage::fromBytes(std::string(png.constData(), static_cast<std::size_t>(png.size())), status);
  if (status.ok()) status = image.save(path);
  if (!status.ok()) {
    error = "Graphics error " + std::to_string(static_cast<int>(status.status)) + ": " + status.text;
    return false;
  }
  return true;
}

void RadarWindowView::closeEvent(QCloseEvent* event) {
  Form_Unload(s_.Form3);
  event->accept();
}

bool QtRadarWindow::isVisible() const { return view_.isVisible(); }

void QtRadarWindow::hide() {
  s_.Form3.Visible = false;
  view_.sync();
}

bool QtRadarWindow::showLastImage() {
  s_.form.State = WindowState::Normal;
  if (s_.CurrentRadarSite.empty()) return false;
  s_.Form3.Visible = true;  // laid out first, so that the image is centred in its final size
  view_.sync();
  if (!mPopRadar_Click(s_)) return false;
  view_.sync();
  return true;
}

}  // namespace fw::gui
