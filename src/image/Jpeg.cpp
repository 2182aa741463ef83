// JPEG loading: libjpeg with a memory source (4096-byte steps, an end-of-image marker
// supplied for truncated data) and an error manager that shows one message box per
// decompression. Fatal library errors jump back here (setjmp/longjmp stays inside this
// file; no C++ object lives across the jump) and fail the load.
#include "image/Jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "image/ImageFile.h"
#include "image/ImageMessages.h"
#include "image/MemoryReader.h"
#include "platform/NativeWindows.h"

namespace {

constexpr size_t SourceBufferSize = 4096;

struct ErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
  const char16_t* path;
  bool shown;  // the text names only the file, so one box per picture is enough
};

struct SourceManager {
  jpeg_source_mgr pub;
  MemoryReader* reader;
  JOCTET* buffer;
  boolean startOfFile;
};

void outputMessage(j_common_ptr cinfo) {
  ErrorManager* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  if (err->shown) return;
  err->shown = true;
  // The library's own text is not shown: the player sees which picture failed.
  os::WString text = os::format(u"Error happened when loading image:\n%s\n", err->path);
  showImageMessage(os::getForegroundWindow(), text, u"Error", os::MB_OK | os::MB_ICONERROR);
}

void errorExit(j_common_ptr cinfo) {
  (*cinfo->err->output_message)(cinfo);
  longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void emitMessage(j_common_ptr cinfo, int level) {
  jpeg_error_mgr* err = cinfo->err;
  if (level < 0) {
    // Only the first warning of a decompression is shown; later ones are counted.
    if (err->num_warnings == 0 || err->trace_level >= 3) (*err->output_message)(cinfo);
    err->num_warnings++;
  } else if (err->trace_level >= level) {
    (*err->output_message)(cinfo);
  }
}

void resetErrorManager(j_common_ptr cinfo) {
  cinfo->err->num_warnings = 0;
  cinfo->err->msg_code = 0;
}

void initSource(j_decompress_ptr cinfo) {
  reinterpret_cast<SourceManager*>(cinfo->src)->startOfFile = TRUE;
}

boolean fillInputBuffer(j_decompress_ptr cinfo) {
  SourceManager* src = reinterpret_cast<SourceManager*>(cinfo->src);
  size_t n = src->reader->read(src->buffer, 1, SourceBufferSize);
  if (n == 0) {
    if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    WARNMS(cinfo, JWRN_JPEG_EOF);
    // An end-of-image marker lets the library finish what it has.
    src->buffer[0] = JOCTET(0xFF);
    src->buffer[1] = JOCTET(JPEG_EOI);
    n = 2;
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = n;
  src->startOfFile = FALSE;
  return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count) {
  SourceManager* src = reinterpret_cast<SourceManager*>(cinfo->src);
  if (count <= 0) return;
  while (count > long(src->pub.bytes_in_buffer)) {
    count -= long(src->pub.bytes_in_buffer);
    fillInputBuffer(cinfo);
  }
  src->pub.next_input_byte += size_t(count);
  src->pub.bytes_in_buffer -= size_t(count);
}

void termSource(j_decompress_ptr) {}

void attachMemorySource(j_decompress_ptr cinfo, MemoryReader* reader) {
  if (cinfo->src == nullptr) {
    cinfo->src = static_cast<jpeg_source_mgr*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(SourceManager)));
    SourceManager* src = reinterpret_cast<SourceManager*>(cinfo->src);
    src->buffer = static_cast<JOCTET*>((*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo),
                                                                  JPOOL_PERMANENT, SourceBufferSize));
  }
  SourceManager* src = reinterpret_cast<SourceManager*>(cinfo->src);
  src->pub.init_source = initSource;
  src->pub.fill_input_buffer = fillInputBuffer;
  src->pub.skip_input_data = skipInputData;
  src->pub.resync_to_restart = jpeg_resync_to_restart;
  src->pub.term_source = termSource;
  src->pub.bytes_in_buffer = 0;
  src->pub.next_input_byte = nullptr;
  src->reader = reader;
}

// Writes one decoded row (1 or 3 components) into the image row.
void convertRow(const JSAMPLE* in, int components, Image& target, int32_t row) {
  uint8_t* out = target.pixelAddress(0, row);
  int32_t width = target.width();
  if (target.bitsPerPixel() == 16) {
    uint16_t* p = reinterpret_cast<uint16_t*>(out);
    for (int32_t x = 0; x < width; ++x, in += components) {
      uint32_t r = in[0], g = components == 1 ? in[0] : in[1], b = components == 1 ? in[0] : in[2];
      p[x] = uint16_t(((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3));
    }
  } else {
    uint32_t* p = reinterpret_cast<uint32_t*>(out);
    for (int32_t x = 0; x < width; ++x, in += components) {
      uint32_t r = in[0], g = components == 1 ? in[0] : in[1], b = components == 1 ? in[0] : in[2];
      p[x] = (r << 16) | (g << 8) | b;
    }
  }
}

// The decompression itself. Only plain data lives in this frame, so a fatal error's
// jump back to the setjmp point leaves nothing undestroyed.
bool decompress(MemoryReader* reader, const char16_t* path, bool deviceDepth, Image* target) {
  jpeg_decompress_struct cinfo;
  ErrorManager jerr;
  cinfo.err = jpeg_std_error(&jerr.pub);
  jerr.pub.error_exit = errorExit;
  jerr.pub.emit_message = emitMessage;
  jerr.pub.output_message = outputMessage;
  jerr.pub.reset_error_mgr = resetErrorManager;
  jerr.path = path;
  jerr.shown = false;
  if (setjmp(jerr.jump)) {
    jpeg_destroy_decompress(&cinfo);
    target->destroy();
    return false;
  }
  jpeg_create_decompress(&cinfo);
  attachMemorySource(&cinfo, reader);
  jpeg_read_header(&cinfo, TRUE);
  // Colour pictures come out as RGB, greyscale ones as one grey channel that the row
  // conversion spreads; other kinds (CMYK) are not pictures the game can show.
  if (cinfo.jpeg_color_space == JCS_GRAYSCALE) cinfo.out_color_space = JCS_GRAYSCALE;
  else if (cinfo.num_components == 3) cinfo.out_color_space = JCS_RGB;
  if ((cinfo.out_color_space != JCS_RGB && cinfo.out_color_space != JCS_GRAYSCALE) ||
      cinfo.image_width > JDIMENSION(JpegMaxSide) || cinfo.image_height > JDIMENSION(JpegMaxSide)) {
    (*cinfo.err->output_message)(reinterpret_cast<j_common_ptr>(&cinfo));
    jpeg_destroy_decompress(&cinfo);
    target->destroy();
    return false;
  }
  jpeg_start_decompress(&cinfo);
  int components = cinfo.output_components;
  JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                              cinfo.output_width * JDIMENSION(components), 1);
  if (!target->create(int32_t(cinfo.output_width), int32_t(cinfo.output_height), deviceDepth)) {
    (*cinfo.err->output_message)(reinterpret_cast<j_common_ptr>(&cinfo));
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    JDIMENSION y = cinfo.output_scanline;
    if (jpeg_read_scanlines(&cinfo, row, 1) != 1) break;
    convertRow(row[0], components, *target, int32_t(y));
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

bool decodeJpeg(const uint8_t* data, size_t size, os::WStringView path, bool deviceDepth, Image& target) {
  MemoryReader reader(data, size);
  os::WString pathText(path);
  return decompress(&reader, pathText.c_str(), deviceDepth, &target);
}

bool loadJpeg(const os::WString& path, bool deviceDepth, Image& target) {
  std::vector<uint8_t> data;
  if (!readImageFile(path, data)) {
    target.destroy();
    return false;
  }
  return decodeJpeg(data.data(), data.size(), collapseImagePath(path), deviceDepth, target);
}
