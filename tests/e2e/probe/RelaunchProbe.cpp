// A small program on the real application framework that relaunches itself: started
// without a page it runs a few frames and then relaunches with "ARG:second"; the second
// instance just runs until it is closed. The end-to-end tests watch both processes.
#include "platform/System.h"
#include "shell/Application.h"
#include "shell/Canvas.h"

namespace {

class ProbeCanvas : public Canvas {
 public:
  explicit ProbeCanvas(Application* app) : Canvas(app->title().c_str(), true), app_(app) {}
  void gotoPage(const os::WString& page) override {
    page_ = page;
    resume();
  }
  void update(float) override {
    if (page_ == u"cover" && ++frames_ == 5) app_->relaunch(app_->handle(), u"ARG:second");
  }

 private:
  Application* app_;
  os::WString page_;
  int frames_ = 0;
};

class ProbeApp : public Application {
 public:
  ProbeApp() : Application(u"Relaunch Probe", u"KS.") {}
  Canvas* createRaceCanvas(Application* owner, bool backBuffer) override {
    return new Canvas(owner->title().c_str(), backBuffer);
  }
  Canvas* createMenuCanvas(Application* owner) override { return new ProbeCanvas(owner); }
};

}  // namespace

int main() {
  int exitCode;
  {
    ProbeApp app;
    exitCode = app.run(0.0f);
  }
  os::logEvent("exit", os::format(u"%d", exitCode));
  return exitCode;
}
