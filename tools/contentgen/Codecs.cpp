// Encoders and decoders of the content generator. GIF palettes are cut by median cut per
// frame and never use a colour that a 16-bit display would mistake for the colour key;
// ZIP entries carry a fixed date; every file is written to a temporary name and renamed.
// Decoders are for the contact sheets and mirror what the game's loaders read.
#include "Codecs.h"

#include <gif_lib.h>
#include <jpeglib.h>
#include <minizip/zip.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

namespace fs = std::filesystem;

namespace {

uint8_t to8(float v) { return uint8_t(std::clamp(int(std::lround(v * 255.0f)), 0, 255)); }

struct Colour {
  uint8_t r, g, b;
};

// Median cut over a weighted 6-6-6 histogram: boxes are split at the weighted median of
// their widest channel until the palette is full. Deterministic: ties resolve by order.
struct Bucket {
  uint32_t key;
  uint32_t count;
  uint64_t r, g, b;
};

std::vector<Colour> medianCut(const std::vector<Colour>& pixels, int wanted) {
  std::map<uint32_t, Bucket> hist;
  for (const Colour& c : pixels) {
    uint32_t key = uint32_t(c.r >> 2) << 12 | uint32_t(c.g >> 2) << 6 | uint32_t(c.b >> 2);
    Bucket& b = hist[key];
    b.key = key;
    b.count++;
    b.r += c.r, b.g += c.g, b.b += c.b;
  }
  std::vector<Bucket> all;
  for (auto& kv : hist) all.push_back(kv.second);
  if (all.empty()) return {};
  struct Box {
    size_t begin, end;
  };
  std::vector<Box> boxes = {{0, all.size()}};
  auto channel = [](const Bucket& b, int ch) {
    return ch == 0 ? double(b.r) / b.count : ch == 1 ? double(b.g) / b.count : double(b.b) / b.count;
  };
  while (int(boxes.size()) < wanted) {
    // Pick the box with the largest range x weight that can still be split.
    int best = -1;
    double bestScore = 0;
    int bestCh = 0;
    for (size_t i = 0; i < boxes.size(); ++i) {
      if (boxes[i].end - boxes[i].begin < 2) continue;
      double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1, -1, -1};
      uint64_t weight = 0;
      for (size_t k = boxes[i].begin; k < boxes[i].end; ++k) {
        for (int ch = 0; ch < 3; ++ch) lo[ch] = std::min(lo[ch], channel(all[k], ch)), hi[ch] = std::max(hi[ch], channel(all[k], ch));
        weight += all[k].count;
      }
      int ch = 0;
      for (int c = 1; c < 3; ++c)
        if (hi[c] - lo[c] > hi[ch] - lo[ch]) ch = c;
      double score = (hi[ch] - lo[ch]) * std::sqrt(double(weight));
      if (score > bestScore) bestScore = score, best = int(i), bestCh = ch;
    }
    if (best < 0) break;
    Box box = boxes[size_t(best)];
    std::stable_sort(all.begin() + long(box.begin), all.begin() + long(box.end),
                     [&](const Bucket& a, const Bucket& b) { return channel(a, bestCh) < channel(b, bestCh); });
    uint64_t total = 0, run = 0;
    for (size_t k = box.begin; k < box.end; ++k) total += all[k].count;
    size_t split = box.begin + 1;
    for (size_t k = box.begin; k < box.end - 1; ++k) {
      run += all[k].count;
      split = k + 1;
      if (run * 2 >= total) break;
    }
    boxes[size_t(best)] = {box.begin, split};
    boxes.push_back({split, box.end});
  }
  std::vector<Colour> palette;
  for (const Box& box : boxes) {
    uint64_t r = 0, g = 0, b = 0, n = 0;
    for (size_t k = box.begin; k < box.end; ++k) r += all[k].r, g += all[k].g, b += all[k].b, n += all[k].count;
    palette.push_back({uint8_t(r / n), uint8_t(g / n), uint8_t(b / n)});
  }
  return palette;
}

// Keeps art colours away from the key, including after 5-6-5 conversion on the device.
Colour avoidKey(Colour c) {
  if ((c.r >> 3) == 31 && (c.g >> 2) == 0 && (c.b >> 3) == 31) c.g = 8;
  return c;
}

const int bayer4[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

int writeToBytes(GifFileType* gif, const GifByteType* data, int length) {
  Bytes* out = static_cast<Bytes*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

struct ReadCursor {
  const Bytes* data;
  size_t pos;
};

int readFromBytes(GifFileType* gif, GifByteType* buf, int length) {
  ReadCursor* c = static_cast<ReadCursor*>(gif->UserData);
  size_t n = std::min(size_t(length), c->data->size() - c->pos);
  std::memcpy(buf, c->data->data() + c->pos, n);
  c->pos += n;
  return int(n);
}

}  // namespace

bool encodeGif(const std::vector<Raster>& frames, const GifOptions& opt, Bytes& out, std::string& error) {
  out.clear();
  if (frames.empty()) {
    error = "no frames";
    return false;
  }
  int w = frames[0].width(), h = frames[0].height();
  int err = 0;
  GifFileType* gif = EGifOpen(&out, writeToBytes, &err);
  if (!gif) {
    error = "giflib cannot open an encoder";
    return false;
  }
  EGifSetGifVersion(gif, true);
  bool ok = EGifPutScreenDesc(gif, w, h, 8, 0, nullptr) == GIF_OK;
  if (ok && frames.size() > 1) {
    // Looping animation (the game itself decides how to loop; viewers repeat it).
    const GifByteType app[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    const GifByteType loop[] = {1, 0, 0};
    ok = EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
         EGifPutExtensionBlock(gif, sizeof app, app) == GIF_OK && EGifPutExtensionBlock(gif, sizeof loop, loop) == GIF_OK &&
         EGifPutExtensionTrailer(gif) == GIF_OK;
  }
  for (size_t f = 0; ok && f < frames.size(); ++f) {
    const Raster& img = frames[f];
    if (img.width() != w || img.height() != h) {
      error = "frames differ in size";
      ok = false;
      break;
    }
    std::vector<Colour> pixels;
    std::vector<uint8_t> opaque(size_t(w) * h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const Rgba& p = img.at(x, y);
        bool solid = !opt.transparent || p.a >= 0.5f;
        opaque[size_t(y) * w + x] = solid;
        if (!solid) continue;
        // Opaque art is flattened onto black where its alpha is partial.
        float a = opt.transparent ? 1.0f : p.a;
        Colour c = avoidKey({to8(p.r * a), to8(p.g * a), to8(p.b * a)});
        if (opt.dither) {
          int d = bayer4[y & 3][x & 3] - 8;
          c.r = uint8_t(std::clamp(c.r + d / 2, 0, 255));
          c.g = uint8_t(std::clamp(c.g + d / 2, 0, 255));
          c.b = uint8_t(std::clamp(c.b + d / 2, 0, 255));
          c = avoidKey(c);
        }
        pixels.push_back(c);
      }
    int slots = std::clamp(opt.colours, 2, 256) - (opt.transparent ? 1 : 0);
    std::vector<Colour> palette = medianCut(pixels, slots);
    int keyIndex = -1;
    if (opt.transparent) {
      keyIndex = int(palette.size());
      palette.push_back({255, 0, 255});
    }
    int bits = 1;
    while ((1 << bits) < int(palette.size())) ++bits;
    ColorMapObject* map = GifMakeMapObject(1 << bits, nullptr);
    for (int i = 0; i < (1 << bits); ++i) {
      Colour c = i < int(palette.size()) ? palette[size_t(i)] : Colour{0, 0, 0};
      map->Colors[i] = {c.r, c.g, c.b};
    }
    std::vector<int16_t> lookup(1 << 18, -1);
    int artCount = int(palette.size()) - (keyIndex >= 0 ? 1 : 0);
    std::vector<GifByteType> indices(size_t(w) * h);
    size_t next = 0;
    for (size_t i = 0; i < indices.size(); ++i) {
      if (!opaque[i]) {
        indices[i] = GifByteType(keyIndex);
        continue;
      }
      Colour c = pixels[next++];
      uint32_t key = uint32_t(c.r >> 2) << 12 | uint32_t(c.g >> 2) << 6 | uint32_t(c.b >> 2);
      if (lookup[key] < 0) {
        int best = 0;
        long bestD = 1L << 40;
        for (int k = 0; k < artCount; ++k) {
          long dr = c.r - palette[size_t(k)].r, dg = c.g - palette[size_t(k)].g, db = c.b - palette[size_t(k)].b;
          long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
          if (d < bestD) bestD = d, best = k;
        }
        lookup[key] = int16_t(best);
      }
      indices[i] = GifByteType(lookup[key]);
    }
    GraphicsControlBlock gcb;
    gcb.DisposalMode = DISPOSE_DO_NOT;
    gcb.UserInputFlag = false;
    gcb.DelayTime = f < opt.delaysCs.size() ? opt.delaysCs[f] : 0;
    gcb.TransparentColor = keyIndex >= 0 ? keyIndex : NO_TRANSPARENT_COLOR;
    GifByteType ext[4];
    size_t len = EGifGCBToExtension(&gcb, ext);
    ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(len), ext) == GIF_OK &&
         EGifPutImageDesc(gif, 0, 0, w, h, false, map) == GIF_OK;
    for (int y = 0; ok && y < h; ++y) ok = EGifPutLine(gif, &indices[size_t(y) * w], w) == GIF_OK;
    GifFreeMapObject(map);
  }
  if (EGifCloseFile(gif, &err) != GIF_OK) ok = false;
  if (!ok && error.empty()) error = std::string("giflib: ") + GifErrorString(err);
  return ok;
}

bool decodeGif(const Bytes& data, std::vector<DecodedFrame>& frames, std::string& error) {
  frames.clear();
  ReadCursor cur{&data, 0};
  int err = 0;
  GifFileType* gif = DGifOpen(&cur, readFromBytes, &err);
  if (!gif) {
    error = std::string("giflib: ") + GifErrorString(err);
    return false;
  }
  if (DGifSlurp(gif) != GIF_OK) {
    error = std::string("giflib: ") + GifErrorString(gif->Error);
    DGifCloseFile(gif, &err);
    return false;
  }
  Raster canvas(gif->SWidth, gif->SHeight);
  for (int i = 0; i < gif->ImageCount; ++i) {
    SavedImage& si = gif->SavedImages[i];
    GraphicsControlBlock gcb{};
    gcb.TransparentColor = NO_TRANSPARENT_COLOR;
    DGifSavedExtensionToGCB(gif, i, &gcb);
    ColorMapObject* map = si.ImageDesc.ColorMap ? si.ImageDesc.ColorMap : gif->SColorMap;
    if (!map) {
      error = "frame without colour table";
      DGifCloseFile(gif, &err);
      return false;
    }
    const GifImageDesc& d = si.ImageDesc;
    for (int y = 0; y < d.Height; ++y)
      for (int x = 0; x < d.Width; ++x) {
        int idx = si.RasterBits[size_t(y) * d.Width + x];
        int cx = d.Left + x, cy = d.Top + y;
        if (!canvas.inside(cx, cy)) continue;
        if (idx == gcb.TransparentColor) {
          if (i == 0) canvas.at(cx, cy) = {};
          continue;
        }
        GifColorType c = idx < map->ColorCount ? map->Colors[idx] : GifColorType{0, 0, 0};
        canvas.at(cx, cy) = {c.Red / 255.0f, c.Green / 255.0f, c.Blue / 255.0f, 1.0f};
      }
    frames.push_back({canvas, gcb.DelayTime});
    if (gcb.DisposalMode == DISPOSE_BACKGROUND) canvas.fill({});
  }
  DGifCloseFile(gif, &err);
  if (frames.empty()) {
    error = "no frames";
    return false;
  }
  return true;
}

namespace {
struct JpegError {
  jpeg_error_mgr mgr;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};
void jpegErrorExit(j_common_ptr cinfo) {
  JpegError* e = reinterpret_cast<JpegError*>(cinfo->err);
  cinfo->err->format_message(cinfo, e->message);
  longjmp(e->jump, 1);
}
}  // namespace

bool encodeJpeg(const Raster& img, int quality, Bytes& out, std::string& error) {
  jpeg_compress_struct cinfo;
  JpegError jerr;
  cinfo.err = jpeg_std_error(&jerr.mgr);
  jerr.mgr.error_exit = jpegErrorExit;
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  if (setjmp(jerr.jump)) {
    error = std::string("libjpeg: ") + jerr.message;
    jpeg_destroy_compress(&cinfo);
    free(mem);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &mem, &size);
  cinfo.image_width = JDIMENSION(img.width());
  cinfo.image_height = JDIMENSION(img.height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(size_t(img.width()) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    int y = int(cinfo.next_scanline);
    for (int x = 0; x < img.width(); ++x) {
      const Rgba& p = img.at(x, y);
      row[size_t(x) * 3] = to8(p.r * p.a);
      row[size_t(x) * 3 + 1] = to8(p.g * p.a);
      row[size_t(x) * 3 + 2] = to8(p.b * p.a);
    }
    JSAMPROW rp = row.data();
    jpeg_write_scanlines(&cinfo, &rp, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  out.assign(mem, mem + size);
  free(mem);
  return true;
}

bool decodeJpeg(const Bytes& data, Raster& image, std::string& error) {
  jpeg_decompress_struct cinfo;
  JpegError jerr;
  cinfo.err = jpeg_std_error(&jerr.mgr);
  jerr.mgr.error_exit = jpegErrorExit;
  if (setjmp(jerr.jump)) {
    error = std::string("libjpeg: ") + jerr.message;
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, const_cast<unsigned char*>(data.data()), (unsigned long)data.size());
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  image = Raster(int(cinfo.output_width), int(cinfo.output_height));
  std::vector<JSAMPLE> row(size_t(cinfo.output_width) * cinfo.output_components);
  while (cinfo.output_scanline < cinfo.output_height) {
    int y = int(cinfo.output_scanline);
    JSAMPROW rp = row.data();
    jpeg_read_scanlines(&cinfo, &rp, 1);
    for (int x = 0; x < image.width(); ++x)
      image.at(x, y) = {row[size_t(x) * 3] / 255.0f, row[size_t(x) * 3 + 1] / 255.0f, row[size_t(x) * 3 + 2] / 255.0f, 1};
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

namespace {
void put32be(Bytes& b, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) b.push_back(uint8_t(v >> s));
}
void pngChunk(Bytes& out, const char* type, const Bytes& body) {
  put32be(out, uint32_t(body.size()));
  Bytes crcPart(type, type + 4);
  crcPart.insert(crcPart.end(), body.begin(), body.end());
  out.insert(out.end(), crcPart.begin(), crcPart.end());
  put32be(out, uint32_t(crc32(0, crcPart.data(), uInt(crcPart.size()))));
}
}  // namespace

Bytes encodePng(const Raster& img) {
  Bytes out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  Bytes ihdr;
  put32be(ihdr, uint32_t(img.width()));
  put32be(ihdr, uint32_t(img.height()));
  ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
  pngChunk(out, "IHDR", ihdr);
  Bytes raw;
  for (int y = 0; y < img.height(); ++y) {
    raw.push_back(0);
    for (int x = 0; x < img.width(); ++x) {
      const Rgba& p = img.at(x, y);
      raw.push_back(to8(p.r * p.a));
      raw.push_back(to8(p.g * p.a));
      raw.push_back(to8(p.b * p.a));
    }
  }
  uLongf size = compressBound(uLong(raw.size()));
  Bytes z(size);
  compress2(z.data(), &size, raw.data(), uLong(raw.size()), 6);
  z.resize(size);
  pngChunk(out, "IDAT", z);
  pngChunk(out, "IEND", {});
  return out;
}

Bytes encodeWav8(const std::vector<float>& samples, int rate) {
  Bytes b;
  auto put = [&](uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(uint8_t(v >> (8 * i)));
  };
  uint32_t n = uint32_t(samples.size());
  b.insert(b.end(), {'R', 'I', 'F', 'F'});
  put(36 + n + (n & 1), 4);
  b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put(16, 4);
  put(1, 2);             // PCM
  put(1, 2);             // mono
  put(uint32_t(rate), 4);
  put(uint32_t(rate), 4);  // bytes per second
  put(1, 2);             // block align
  put(8, 2);             // bits
  b.insert(b.end(), {'d', 'a', 't', 'a'});
  put(n, 4);
  for (float s : samples) b.push_back(uint8_t(std::clamp(int(std::lround(128 + s * 127)), 0, 255)));
  if (n & 1) b.push_back(128);  // RIFF chunks are word aligned
  return b;
}

bool writeFileAtomic(const std::string& path, const Bytes& data, std::string& error) {
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  std::string tmp = path + ".tmp";
  {
    std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
    if (!f) {
      error = "cannot write " + tmp;
      return false;
    }
    f.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    if (!f) {
      error = "cannot write " + tmp;
      return false;
    }
  }
  fs::rename(tmp, path, ec);
  if (ec) {
    error = "cannot rename " + tmp + ": " + ec.message();
    return false;
  }
  return true;
}

bool readFile(const std::string& path, Bytes& data) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return false;
  data.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  return true;
}

bool writeZip(const std::string& path, const std::vector<std::pair<std::string, const Bytes*>>& entries,
              std::string& error) {
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  std::string tmp = path + ".tmp";
  fs::remove(tmp, ec);
  zipFile zf = zipOpen64(tmp.c_str(), APPEND_STATUS_CREATE);
  if (!zf) {
    error = "cannot create " + tmp;
    return false;
  }
  bool ok = true;
  for (const auto& [name, data] : entries) {
    zip_fileinfo info{};
    // A fixed date keeps archives byte-identical from build to build.
    info.tmz_date.tm_year = 2026;
    info.tmz_date.tm_mon = 0;
    info.tmz_date.tm_mday = 1;
    info.dosDate = 0;
    if (zipOpenNewFileInZip(zf, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 9) != ZIP_OK ||
        zipWriteInFileInZip(zf, data->data(), unsigned(data->size())) != ZIP_OK || zipCloseFileInZip(zf) != ZIP_OK) {
      error = "cannot add " + name + " to " + tmp;
      ok = false;
      break;
    }
  }
  if (zipClose(zf, nullptr) != ZIP_OK && ok) {
    error = "cannot close " + tmp;
    ok = false;
  }
  if (!ok) {
    fs::remove(tmp, ec);
    return false;
  }
  fs::rename(tmp, path, ec);
  if (ec) {
    error = "cannot rename " + tmp + ": " + ec.message();
    return false;
  }
  return true;
}
