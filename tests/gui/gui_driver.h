#pragma once
// Drives windows that block in a nested event loop (modal dialogs, popup menus, the graph's
// printer wait): steps run from a timer, each until it says it is done.
#include <QApplication>
#include <QTimer>
#include <deque>
#include <functional>

namespace fw::gui::testing {

class Driver {
 public:
  Driver() {
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (steps_.empty()) return;
      if (steps_.front()()) steps_.pop_front();
    });
    timer_.start();
  }
  // A step runs on each tick until it returns true.
  void then(std::function<bool()> step) { steps_.push_back(std::move(step)); }
  bool done() const { return steps_.empty(); }
  // Waits (turning the event loop) until every step is done or the time is up.
  bool finish(int timeoutMs = 5000) {
    for (int waited = 0; !steps_.empty() && waited < timeoutMs; waited += 10) {
      QApplication::processEvents();
      QTimer t;
      t.setSingleShot(true);
      t.start(10);
      while (t.isActive()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    return steps_.empty();
  }

  // A modal window of type W: act on it and say done.
  template <typename W, typename F>
  void onModal(F act) {
    then([act] {
      auto* w = qobject_cast<W*>(QApplication::activeModalWidget());
      if (w == nullptr || !w->isVisible()) return false;
      act(w);
      return true;
    });
  }

 private:
  QTimer timer_;
  std::deque<std::function<bool()>> steps_;
};

}  // namespace fw::gui::testing
