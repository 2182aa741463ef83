// libjpeg helpers of the picture tests: encode RGB or greyscale pixels to a JPEG in
// memory, and decode one with libjpeg's own memory source as the reference.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

// channels 3: RGB bytes, 1: grey bytes, 4: CMYK bytes; row by row.
// progressive: a progressive scan script; restartRows: restart markers every n MCU rows.
inline std::vector<uint8_t> encodeJpeg(const std::vector<uint8_t>& pixels, int w, int h, int channels, int quality,
                                       bool progressive = false, int restartRows = 0) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = JDIMENSION(w);
  c.image_height = JDIMENSION(h);
  c.input_components = channels;
  c.in_color_space = channels == 3 ? JCS_RGB : channels == 4 ? JCS_CMYK : JCS_GRAYSCALE;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  if (progressive) jpeg_simple_progression(&c);
  c.restart_in_rows = restartRows;
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + size_t(c.next_scanline) * w * channels);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  std::vector<uint8_t> bytes(out, out + size);
  jpeg_destroy_compress(&c);
  std::free(out);
  return bytes;
}

// libjpeg's decoding as 0x00RRGGBB (greyscale spread to three channels).
inline std::vector<uint32_t> referenceJpeg(const std::vector<uint8_t>& file, int& w, int& h) {
  jpeg_decompress_struct d;
  jpeg_error_mgr err;
  d.err = jpeg_std_error(&err);
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, const_cast<unsigned char*>(file.data()), (unsigned long)file.size());
  jpeg_read_header(&d, TRUE);
  jpeg_start_decompress(&d);
  w = int(d.output_width);
  h = int(d.output_height);
  int n = d.output_components;
  std::vector<uint8_t> row(size_t(w) * n);
  std::vector<uint32_t> out;
  while (d.output_scanline < d.output_height) {
    JSAMPROW r = row.data();
    jpeg_read_scanlines(&d, &r, 1);
    for (int x = 0; x < w; ++x) {
      uint32_t red = row[x * n], green = row[x * n + (n == 3 ? 1 : 0)], blue = row[x * n + (n == 3 ? 2 : 0)];
      out.push_back(red << 16 | green << 8 | blue);
    }
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  return out;
}
