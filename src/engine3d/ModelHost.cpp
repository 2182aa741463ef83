// Default file reader and message sink of the model loader: the resource layer (a loose
// file first, then the mounted archives) and the platform's modal message boxes, which
// the headless backend answers and logs. Tests replace either through the setters.
#include "engine3d/ModelHost.h"

#include "data/Resources.h"
#include "platform/System.h"

namespace {

bool defaultReader(os::WStringView path, std::vector<uint8_t>& out) { return loadResource(path, out); }

int defaultSink(os::WStringView text, os::WStringView caption, uint32_t type) {
  return os::messageBox(0, text, caption, type);
}

ModelFileReader currentReader = defaultReader;
ModelMessageSink currentSink = defaultSink;

}  // namespace

ModelFileReader setModelFileReader(ModelFileReader reader) {
  ModelFileReader previous = currentReader;
  currentReader = reader ? reader : defaultReader;
  return previous;
}

ModelMessageSink setModelMessageSink(ModelMessageSink sink) {
  ModelMessageSink previous = currentSink;
  currentSink = sink ? sink : defaultSink;
  return previous;
}

bool readModelFile(os::WStringView path, std::vector<uint8_t>& out) { return currentReader(path, out); }

int showModelMessage(os::WStringView text, os::WStringView caption, uint32_t type) {
  return currentSink(text, caption, type);
}
