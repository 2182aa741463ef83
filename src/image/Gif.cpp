// The GIF decoder: blocks, colour tables, graphic control extensions and LZW frames,
// decoded straight into Images. Reads four code bytes at a time from a padded copy of
// the frame's data; stops at the end of the data; refuses frames whose tables overflow,
// whose codes are undefined or whose sizes would need absurd memory.
#include "image/Gif.h"

#include <cstring>

#include "image/ImageFile.h"
#include "image/ImageMessages.h"
#include "image/MemoryReader.h"

namespace {

struct GraphicControl {
  int32_t disposal = 0;
  bool transparent = false;
  int32_t delay = 0;       // hundredths of a second
  int32_t transparentIndex = 0;
};

inline int32_t u16(const uint8_t* p) { return int32_t(p[0] | (p[1] << 8)); }

// Reads a colour table of 2^(bits+1) entries into 0x00RRGGBB; missing bytes read as 0.
int32_t readTable(MemoryReader& reader, int32_t bits, uint32_t* table) {
  int32_t entries = 1 << (bits + 1);
  uint8_t rgb[256 * 3] = {};
  reader.read(rgb, 1, size_t(entries) * 3);
  for (int32_t i = 0; i < entries; ++i)
    table[i] = (uint32_t(rgb[i * 3]) << 16) | (uint32_t(rgb[i * 3 + 1]) << 8) | rgb[i * 3 + 2];
  for (int32_t i = entries; i < 256; ++i) table[i] = 0;
  return entries;
}

// Skips data sub-blocks up to the zero length (or the end of the data).
void skipSubBlocks(MemoryReader& reader) {
  for (;;) {
    int length = reader.getByte();
    if (length <= 0) return;
    reader.seek(length, 1);
  }
}

class LzwDecoder {
 public:
  // Decodes into image at (left, top) with the frame size; palette holds 256 native
  // pixels. False on a table or stack overflow or an undefined code.
  bool decode(const uint8_t* data, size_t bytes, int32_t minCodeSize, Image& image, int32_t left, int32_t top,
              int32_t width, int32_t height, bool interlaced, const uint32_t* palette) {
    const int32_t clear = 1 << minCodeSize;
    const int32_t end = clear + 1;
    const int32_t firstFree = clear + 2;
    int32_t codeSize = minCodeSize + 1;
    int32_t nextFree = firstFree;
    int32_t previous = clear;
    uint64_t bitPosition = 0;
    const uint64_t bitLimit = uint64_t(bytes) * 8;
    int64_t missing = int64_t(width) * height;

    // Pixel placement state.
    static const int32_t passStart[4] = {0, 4, 2, 1};
    static const int32_t passStep[4] = {8, 8, 4, 2};
    int32_t pass = 0, row = 0, column = 0;
    const bool is16 = image.bitsPerPixel() == 16;

    auto put = [&](uint8_t index) {
      int32_t x = left + column, y = top + row;
      if (x < image.width() && y < image.height()) {
        uint8_t* p = image.pixelAddress(x, y);
        if (is16) *reinterpret_cast<uint16_t*>(p) = uint16_t(palette[index]);
        else *reinterpret_cast<uint32_t*>(p) = palette[index];
      }
      if (++column >= width) {
        column = 0;
        if (!interlaced) {
          ++row;
        } else {
          row += passStep[pass];
          while (row >= height && pass < 3) {
            ++pass;
            row = passStart[pass];
          }
        }
      }
    };

    while (missing > 0) {
      // The data is over before its end code: what was decoded stays.
      if (bitPosition + uint64_t(codeSize) > bitLimit) break;
      const uint8_t* p = data + (bitPosition >> 3);
      uint32_t word = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
      int32_t code = int32_t((word >> (bitPosition & 7)) & ((1u << codeSize) - 1));
      bitPosition += uint64_t(codeSize);

      if (code == end) break;
      if (code == clear) {
        codeSize = minCodeSize + 1;
        nextFree = firstFree;
        previous = clear;
        continue;
      }
      int32_t current;
      bool reserved = false;
      if (code < nextFree) {
        current = code;
      } else {
        // Only the next code may be used before it is defined, and never right after
        // a clear code.
        if (code > nextFree || previous == clear) return false;
        current = previous;
        reserved = true;
      }
      int32_t depth = 0;
      while (current >= firstFree) {
        if (depth >= 4096) return false;
        stack_[depth++] = suffix_[current];
        current = prefix_[current];
      }
      if (depth >= 4096) return false;
      const uint8_t first = uint8_t(current);
      stack_[depth++] = first;
      if (previous != clear) {
        prefix_[nextFree] = uint16_t(previous);
        suffix_[nextFree] = first;
        ++nextFree;
        if (nextFree > 4096) return false;
        if (nextFree >= (1 << codeSize) && codeSize < 12) ++codeSize;
      }
      while (depth > 0 && missing > 0) {
        put(stack_[--depth]);
        --missing;
      }
      if (reserved && missing > 0) {
        put(first);
        --missing;
      }
      previous = code;
    }
    return true;
  }

 private:
  uint16_t prefix_[4097] = {};
  uint8_t suffix_[4097] = {};
  uint8_t stack_[4097] = {};
};

struct GifState {
  os::WStringView path;
  bool firstFrameOnly = false;
  bool deviceDepth = false;
  Image* target = nullptr;
  GifFrames* frames = nullptr;
  int32_t screenWidth = 0, screenHeight = 0, background = 0;
  uint32_t globalPalette[256] = {};
  bool pending = false;
  GraphicControl control;
  int32_t previousDisposal = 0;
  int decoded = 0;
  int64_t pixelBudget = int64_t(GifMaxSide) * GifMaxSide;  // frames of the array, all told
  bool stop = false;
};

void reportCorrupt() { showImageMessage(u"Image File Corrupt", u"Error"); }

// Decodes one frame after its separator byte.
void decodeFrame(MemoryReader& reader, GifState& st) {
  uint8_t d[9] = {};
  reader.read(d, 1, 9);
  int32_t left = u16(d), top = u16(d + 2), width = u16(d + 4), height = u16(d + 6);
  uint8_t packed = d[8];
  uint32_t localPalette[256];
  const uint32_t* colours = st.globalPalette;
  if (packed & 0x80) {
    readTable(reader, packed & 7, localPalette);
    colours = localPalette;
  }
  if (!st.pending) st.control = GraphicControl();
  st.pending = false;
  const GraphicControl control = st.control;

  int minCodeSize = reader.getByte();
  // Frames the game cannot hold, or a code size LZW cannot use, are corrupt.
  bool sane = st.screenWidth > 0 && st.screenHeight > 0 && st.screenWidth <= GifMaxSide &&
              st.screenHeight <= GifMaxSide && width <= GifMaxSide && height <= GifMaxSide && minCodeSize >= 1 &&
              minCodeSize <= 11;
  if (!sane) {
    if (minCodeSize >= 0) skipSubBlocks(reader);
    if (st.target) st.target->destroy();
    reportCorrupt();
    return;
  }

  // A tiny file may declare a huge screen and many frames: the frame array has a budget.
  if (!st.target) {
    int64_t need = int64_t(st.screenWidth) * st.screenHeight;
    if (need > st.pixelBudget) {
      skipSubBlocks(reader);
      reportCorrupt();
      st.stop = true;
      return;
    }
    st.pixelBudget -= need;
  }

  std::unique_ptr<Image> owned;
  Image* frame = st.target;
  if (frame) {
    frame->create(st.screenWidth, st.screenHeight, st.deviceDepth);
  } else {
    owned.reset(new Image(st.screenWidth, st.screenHeight, st.deviceDepth));
    frame = owned.get();
  }
  if (!frame->valid()) {
    skipSubBlocks(reader);
    reportCorrupt();
    return;
  }
  frame->setTransparentColour(-1);
  frame->setFrameDelay(0.0f);
  if (!st.target && !st.frames->empty()) {
    const Image& previousFrame = *st.frames->back();
    if (st.previousDisposal == 1) {
      Image::copyTo(previousFrame, *frame, 0, 0, -1, -1, -1, -1, true);
    } else if (st.previousDisposal == 2) {
      int32_t index = control.transparent ? control.transparentIndex : st.background;
      frame->fill(st.globalPalette[index & 0xFF], 0, 0, -1, -1, true);
    }
  }
  st.previousDisposal = control.disposal;
  frame->setFrameDelay(float(control.delay) * 0.01f);
  if (control.transparent) frame->setTransparentColour(int32_t(colours[control.transparentIndex & 0xFF]));

  // Gather the data sub-blocks back to back, with four bytes of padding for the
  // four-byte code reads.
  size_t start = reader.tell();
  size_t total = 0;
  for (;;) {
    int length = reader.getByte();
    if (length <= 0) break;
    total += size_t(length);
    reader.seek(length, 1);
  }
  reader.seek(long(start), 0);
  std::vector<uint8_t> data(total + 4, 0);
  size_t filled = 0;
  for (;;) {
    int length = reader.getByte();
    if (length <= 0) break;
    filled += reader.read(data.data() + filled, 1, size_t(length));
  }

  uint32_t native[256];
  for (int i = 0; i < 256; ++i) native[i] = frame->toNative(colours[i]);
  std::unique_ptr<LzwDecoder> lzw(new LzwDecoder);
  bool ok = lzw->decode(data.data(), filled, minCodeSize, *frame, left, top, width, height, (packed & 0x40) != 0,
                        native);
  if (!ok) {
    if (st.target) st.target->destroy();
    reportCorrupt();
    return;
  }
  ++st.decoded;
  if (owned) st.frames->push_back(std::move(owned));
}

}  // namespace

int decodeGif(const uint8_t* data, size_t size, os::WStringView path, bool firstFrameOnly, bool deviceDepth,
              Image* target, GifFrames& frames) {
  MemoryReader reader(data, size);
  std::unique_ptr<GifState> st(new GifState);
  st->path = path;
  st->firstFrameOnly = firstFrameOnly;
  st->deviceDepth = deviceDepth;
  st->target = target;
  st->frames = &frames;

  uint8_t header[6] = {};
  reader.read(header, 1, 6);
  if (std::memcmp(header, "GIF", 3) != 0) {
    os::WString p(path);
    showImageMessage(os::format(u"Error: %s is not a valid image.", p.c_str()), u"Error");
  }
  uint8_t screen[7] = {};
  reader.read(screen, 1, 7);
  st->screenWidth = u16(screen);
  st->screenHeight = u16(screen + 2);
  st->background = screen[5];
  if (screen[4] & 0x80) {
    readTable(reader, screen[4] & 7, st->globalPalette);
  } else {
    for (uint32_t i = 0; i < 256; ++i) st->globalPalette[i] = (i << 16) | (i << 8) | i;
  }

  for (;;) {
    if ((firstFrameOnly && st->decoded >= 1) || st->stop) break;
    int block = reader.getByte();
    if (block < 0 || block == 0x3B) break;
    if (block == 0x21) {
      int label = reader.getByte();
      if (label == 0xF9) {
        uint8_t g[6] = {};
        reader.read(g, 1, 6);
        st->control.disposal = (g[1] >> 2) & 7;
        st->control.transparent = (g[1] & 1) != 0;
        st->control.delay = u16(g + 2);
        st->control.transparentIndex = g[4];
        st->pending = true;
      } else if (label >= 0) {
        skipSubBlocks(reader);
      }
    } else if (block == 0x2C) {
      decodeFrame(reader, *st);
    }
  }
  if (st->decoded == 0) showImageMessage(u"Premature End Of Image File", u"Error");
  return st->decoded;
}

bool loadGif(const os::WString& path, bool firstFrameOnly, bool deviceDepth, Image* target, GifFrames& frames) {
  std::vector<uint8_t> data;
  if (!readImageFile(path, data)) {
    if (target) target->destroy();
    return false;
  }
  decodeGif(data.data(), data.size(), path, firstFrameOnly, deviceDepth, target, frames);
  return true;
}
