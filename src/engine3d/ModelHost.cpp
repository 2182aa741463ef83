// Default file reader and message sink of the model loader. The file reader reads the
// host file system directly and the sink writes to the standard error stream until the
// resource layer and the platform's message boxes are linked in; both are one switch here.
#include "engine3d/ModelHost.h"

#include <cstdio>
#include <string>

#include "platform/Types.h"

namespace {

bool defaultReader(os::WStringView path, std::vector<uint8_t>& out) {
  std::string host = os::toUtf8(path);
  for (char& c : host)
    if (c == '\\') c = '/';
  FILE* file = std::fopen(host.c_str(), "rb");
  if (!file) return false;
  out.clear();
  uint8_t buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) out.insert(out.end(), buffer, buffer + n);
  bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

int defaultSink(os::WStringView text, os::WStringView caption, uint32_t) {
  std::fprintf(stderr, "%s: %s\n", os::toUtf8(caption).c_str(), os::toUtf8(text).c_str());
  return os::IDOK;
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
