#pragma once
// The setup wizard's window over the WizardForm model of a Session: one group box per page frame,
// each control a widget named as its box. Typing, ticks, choices and clicks go to the model's
// handlers; after each the widgets are set from the model again.
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class QCloseEvent;
class QImage;
class QGridLayout;

namespace fw {

struct Session;

struct ForecastPicture;

namespace gui {

// The forecast graph drawn into an image of the picture's size (its units are pixels).
QImage renderForecastPicture(const ForecastPicture& p, int width, int height);

class WizardWindow : public QWidget {
  Q_OBJECT

 public:
  // `after` runs after every handler, so the windows beside this one follow the model too.
  WizardWindow(Session& s, QWidget* parent, std::function<void()> after);
  void refresh();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* lineBox(const std::string& id, bool wide = false);
  QWidget* check(const std::string& id);
  QWidget* option(const std::string& id);
  QWidget* button(const std::string& id);
  QWidget* combo(const std::string& id, bool editable);
  QWidget* runoffFrame();
  QWidget* whatIfFrame();
  QWidget* pageFrame(const char* frame, const char* array, int count, const char* labels);
  void pageExtras(const std::string& frame, QGridLayout* g);
  QWidget* forecastExtras();
  QWidget* textColumn(const std::string& id, bool editable);
  QWidget* helpFrame();
  void act(const std::function<void()>& handler);

  Session& s_;
  std::function<void()> after_;
  std::vector<std::function<void()>> refreshers_;
  bool refreshing_ = false;
};

}  // namespace gui
}  // namespace fw
