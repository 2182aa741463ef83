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
  // The application then asks for the page template "<prefix><page>.properties"; the
  // probe has none, but the canvas keeps the requested name.
  void onCreated() override { resume(); }
  void update(float) override {
    if (pageName() == u"KS.cover.properties" && ++frames_ == 5) app_->relaunch(app_->handle(), u"ARG:second");
  }

 private:
  Application* app_;
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
