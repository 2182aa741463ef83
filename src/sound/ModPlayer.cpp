// The MOD replay of a music voice: rows read at the module's speed (ticks per row) and
// tempo (ticks per second), per-tick effects, and the channel mix, one output sample
// per call, integer only (20.12 sample positions and steps from the mixer's tables).
// Every table index is clamped, so no note, effect or vibrato reads outside a table.
#include "sound/Mixer.h"

namespace {
int clampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }
}  // namespace

int MusicVoice::masterVolume() const { return mixer_ ? mixer_->musicMasterVolume() : 64; }

uint32_t MusicVoice::stepOf(int period) const { return mixer_->stepFor(clampInt(period, 0, mod::MaxPeriod)); }

// The period at a table index; arpeggio offsets stay within the note's finetune row.
int MusicVoice::tablePeriod(int index) const {
  if (index < 0) index = 0;
  const int rowEnd = (index / mod::NotesPerRow) * mod::NotesPerRow + mod::NotesPerRow - 1;
  const int last = mod::FinetuneRows * mod::NotesPerRow - 1;
  return mod::periodTable.entries[index > rowEnd ? (rowEnd > last ? last : rowEnd) : index];
}

bool MusicVoice::setUp(const ModuleMusic& sound) {
  mod::Layout layout;
  if (mod::parse(sound.image.data(), sound.image.size(), layout) != mod::LayoutResult::Ok) return false;
  layout_ = layout;
  source_ = sound.dataId();
  baseRate_ = sound.rate;
  frequency_ = sound.frequency;
  pitch_ = sound.pitch;
  changed_ = true;
  sampleCounter_ = 0;
  ticksPerSecond_ = 50;
  speed_ = 6;
  tickCounter_ = 6;  // the first row is read at once
  orderPosition_ = 0;
  rowOffset_ = 0;
  currentPattern_ = layout_.orders[0];
  pendingJump_ = -1;
  pendingRow_ = 0;
  patternDelay_ = 0;
  ending_ = false;
  rowsRead_ = 0;
  for (ModChannel& ch : channels_) ch = ModChannel();
  setPanning(sound.panning);
  loop_ = sound.loop;
  setVolume(sound.volume);
  return true;
}

void MusicVoice::setPanning(int separation) {
  separation = clampInt(separation, 0, 255);
  panning_ = separation;
}

void MusicVoice::setPosition(int32_t position) {
  mixer_->lock();
  const int order = position / mod::Rows;
  if (position >= 0 && layout_.channels > 0 && order < layout_.songLength) {
    orderPosition_ = order;
    currentPattern_ = layout_.orders[order];
    rowOffset_ = (position % mod::Rows) * layout_.channels;
    pendingJump_ = -1;
    patternDelay_ = 0;
    ending_ = false;
    tickCounter_ = speed_;  // read the new row on the next sample
    sampleCounter_ = 0;
  }
  mixer_->unlock();
}

int32_t MusicVoice::getPosition() const {
  mixer_->lock();
  int32_t value = layout_.channels ? currentPattern_ * mod::Rows + rowOffset_ / layout_.channels : 0;
  mixer_->unlock();
  return value;
}

int32_t MusicVoice::getLength() const {
  mixer_->lock();
  int32_t value = layout_.songLength * mod::Rows;
  mixer_->unlock();
  return value;
}

void MusicVoice::computeSamplesPerTick() {
  // k: the voice's frequency relative to 44100 Hz, 8.8 fixed; the tempo follows it.
  uint64_t k = (uint64_t(frequency_) << 8) / 44100;
  uint64_t denominator = k * uint64_t(ticksPerSecond_);
  if (denominator == 0) denominator = 1;  // a frequency of 0 must not divide by zero
  samplesPerTick_ = uint32_t(((uint64_t(mixer_->outputRate()) << 16) / denominator) >> 8);
}

void MusicVoice::updateEffective(ModChannel& ch) { ch.effectiveVolume = (ch.volume * effectiveVolume_) >> 6; }

void MusicVoice::volumeSlide(ModChannel& ch) {
  ch.volume = clampInt(ch.volume + ch.slideAmount, 0, 64);
  updateEffective(ch);
}

void MusicVoice::readRow() {
  ++rowsRead_;
  const int channels = layout_.channels;
  const uint8_t* row = layout_.patternData + 4 * (size_t(currentPattern_) * channels * mod::Rows + rowOffset_);
  for (int c = 0; c < channels; ++c) {
    ModChannel& ch = channels_[c];
    const uint8_t* n = row + 4 * c;
    const int s = (n[0] & 0xF0) | (n[2] >> 4);
    const int period = ((n[0] & 0x0F) << 8) | n[1];
    const int effect = n[2] & 0x0F;
    const int p = n[3];
    ch.effect = effect;
    ch.param = p;
    ch.x = p >> 4;
    ch.y = p & 15;
    if (s != 0 && s <= 31) {  // numbers past the 31 headers name no sample
      ch.sample = s;
      ch.volume = layout_.samples[ch.sample].volume;
      updateEffective(ch);
    }
    const bool noteDelay = effect == 14 && ch.x == 13;
    const int finetune = layout_.samples[ch.sample].finetune;
    const int notePeriod = clampInt(period, 0, mod::MaxPeriod);
    if (period != 0 && effect != 3 && effect != 5 && !noteDelay) {
      ch.position = 0;
      ch.noteIndex = finetune * mod::NotesPerRow + mixer_->noteFor(notePeriod);
      ch.period = tablePeriod(ch.noteIndex);
    }
    if (ch.sample != 0) ch.step = stepOf(ch.period);

    switch (effect) {
      case 0:
        if (p != 0) {
          ch.arpSteps[0] = ch.step;
          ch.arpCounter = 0;
          ch.arpSteps[1] = stepOf(tablePeriod(ch.noteIndex + ch.x));
          ch.arpSteps[2] = stepOf(tablePeriod(ch.noteIndex + ch.y));
        }
        break;
      case 1:
      case 2:
        ch.slidePeriod = ch.period;
        break;
      case 3:
        if (period != 0)
          ch.portaTarget = tablePeriod(finetune * mod::NotesPerRow + mixer_->noteFor(notePeriod));
        else if (ch.portaTarget == 0)
          ch.portaTarget = tablePeriod(ch.noteIndex);
        if (p != 0) ch.portaSpeed = p;
        break;
      case 4:
        if (p != 0) {
          ch.vibSpeed = ch.x;
          ch.vibDepth = ch.y;
          ch.vibPosition = 0;
        }
        break;
      case 5:
      case 6:
      case 10:
        ch.slideAmount = p == 0 ? 0 : (ch.x != 0 ? ch.x : -ch.y);
        break;
      case 9:
        if (p != 0) ch.sampleOffset = uint32_t(p) * 256;
        ch.position = ch.sampleOffset << 12;
        break;
      case 11:
        if (loop_ || p > orderPosition_) {
          pendingJump_ = p;
          pendingRow_ = 0;
        } else {
          pendingJump_ = layout_.songLength;  // a jump back ends a song that does not loop
        }
        break;
      case 12:
        ch.volume = p;  // not clamped: C50 plays louder than 64
        updateEffective(ch);
        break;
      case 13: {
        int target = 10 * ch.x + ch.y;
        if (target >= mod::Rows) target = 0;  // rows past the pattern do not exist
        pendingRow_ = target * channels;
        if (orderPosition_ + 1 < layout_.songLength)
          pendingJump_ = orderPosition_ + 1;
        else
          pendingJump_ = loop_ ? layout_.restart : layout_.songLength;
        break;
      }
      case 14:
        switch (ch.x) {
          case 6: {
            int remaining = -1;
            if (ch.loopActive) {
              if (ch.y != 0) remaining = ch.loopCount - 1;
            } else if (ch.y == 0) {
              ch.loopRow = rowOffset_;
            } else {
              remaining = ch.y;
              ch.loopActive = true;
            }
            if (remaining > 0) {
              pendingJump_ = orderPosition_;
              pendingRow_ = ch.loopRow;
              ch.loopCount = remaining;
            } else if (remaining == 0) {
              ch.loopActive = false;
            }
            break;
          }
          case 10:
            ch.volume = ch.volume + ch.y > 64 ? 64 : ch.volume + ch.y;
            updateEffective(ch);
            break;
          case 11:
            ch.volume = ch.volume - ch.y < 0 ? 0 : ch.volume - ch.y;
            updateEffective(ch);
            break;
          case 12:
            ch.cutCounter = ch.y;
            break;
          case 13:
            ch.delayPeriod = period;
            ch.delayCounter = ch.y - 1;
            break;
          case 14:
            patternDelay_ = ch.y;
            break;
          default:
            break;
        }
        break;
      case 15:
        if (p > 32) {
          ticksPerSecond_ = p * 2 / 5;
          computeSamplesPerTick();
        } else if (p != 0) {
          speed_ = p;
        }
        break;
      default:
        break;
    }
  }
}

void MusicVoice::advance() {
  const int channels = layout_.channels;
  if (pendingJump_ < 0) {
    rowOffset_ += channels;
    if (rowOffset_ >= channels * mod::Rows) {
      rowOffset_ = 0;
      ++orderPosition_;
      if (orderPosition_ >= layout_.songLength) {
        if (!loop_) {
          orderPosition_ = layout_.songLength - 1;
          ending_ = true;
          return;
        }
        orderPosition_ = layout_.restart;
      }
      currentPattern_ = layout_.orders[orderPosition_];
    }
    return;
  }
  const int jump = pendingJump_;
  pendingJump_ = -1;
  if (jump < layout_.songLength) {
    orderPosition_ = jump;
    currentPattern_ = layout_.orders[jump];
    rowOffset_ = pendingRow_;
  } else {
    ending_ = true;
  }
}

void MusicVoice::tickEffects(ModChannel& ch) {
  switch (ch.effect) {
    case 0:
      if (ch.param != 0) {
        ch.arpCounter = (ch.arpCounter + 1) % 3;
        ch.step = ch.arpSteps[ch.arpCounter];
      }
      break;
    case 1:
      ch.slidePeriod -= ch.param;
      if (ch.slidePeriod < 13) ch.slidePeriod = 13;
      ch.period = ch.slidePeriod;
      ch.step = stepOf(ch.period);
      break;
    case 2:
      ch.slidePeriod += ch.param;
      if (ch.slidePeriod > mod::MaxPeriod) ch.slidePeriod = mod::MaxPeriod;
      ch.period = ch.slidePeriod;
      ch.step = stepOf(ch.period);
      break;
    case 3:
    case 5:
      if (ch.portaTarget != 0) {
        if (ch.period > ch.portaTarget) {
          ch.period -= ch.portaSpeed;
          if (ch.period < ch.portaTarget || ch.period < 0) ch.period = ch.portaTarget;
        } else if (ch.period < ch.portaTarget) {
          ch.period += ch.portaSpeed;
          if (ch.period > ch.portaTarget) ch.period = ch.portaTarget;
        }
        ch.step = stepOf(ch.period);
      }
      if (ch.effect == 5) volumeSlide(ch);
      break;
    case 4:
    case 6: {
      const int q = ch.vibPosition;
      const int delta = q < 32 ? (mod::vibratoSine[q] * ch.vibDepth) >> 7
                               : (-(mod::vibratoSine[q - 32] * ch.vibDepth)) >> 7;
      // The swing may leave the table's 1..1712; the index is held inside it.
      ch.step = mixer_->stepFor(clampInt(ch.period + delta, 1, mod::MaxPeriod));
      ch.vibPosition += ch.vibSpeed;
      if (ch.vibPosition >= 64) ch.vibPosition -= 64;
      if (ch.effect == 6) volumeSlide(ch);
      break;
    }
    case 10:
      volumeSlide(ch);
      break;
    case 14:
      if (ch.x == 12) {
        if (ch.cutCounter > 0) --ch.cutCounter;
        if (ch.cutCounter == 0) ch.effectiveVolume = 0;
      } else if (ch.x == 13) {
        if (ch.delayCounter == -1) {
          ch.period = ch.delayPeriod;
          ch.step = stepOf(ch.period);
          ch.delayCounter = -2;
        } else if (ch.delayCounter >= 0) {
          --ch.delayCounter;
        }
      }
      break;
    default:
      break;
  }
}

void MusicVoice::renderStep(int32_t& left, int32_t& right, bool stereoOut) {
  if (changed_) {
    changed_ = false;
    computeSamplesPerTick();
  }
  const int channels = layout_.channels;
  if (tickCounter_ < speed_) {
    if (sampleCounter_ < samplesPerTick_) {
      ++sampleCounter_;
    } else {
      sampleCounter_ = 0;
      ++tickCounter_;
      if (tickCounter_ != speed_)
        for (int c = 0; c < channels; ++c) tickEffects(channels_[c]);
    }
  } else if (patternDelay_ > 0) {
    --patternDelay_;
    tickCounter_ = 0;
  } else if (ending_) {
    // The last row has played out in full; the song ends here.
    stop();
    return;
  } else {
    readRow();
    advance();
    tickCounter_ = 0;
  }

  const int separationX = ((255 - panning_) * 64) >> 8;
  for (int c = 0; c < channels; ++c) {
    ModChannel& ch = channels_[c];
    if (ch.sample == 0) continue;
    const mod::SampleInfo& info = layout_.samples[ch.sample];
    if (!info.data) continue;
    if (info.loopLength != 0 && ch.position >= info.loopStart + info.loopLength) ch.position -= info.loopLength;
    if (ch.position >= info.length) continue;
    const int32_t v = info.data[ch.position >> 12];
    const int32_t e = ch.effectiveVolume;
    if (stereoOut) {
      ch.panning = (c & 1) ? 192 - separationX : 64 + separationX;
      const int32_t r = (e * ch.panning) >> 8;
      left += (e - r) * 2 * v;
      right += r * 2 * v;
    } else {
      left += e * v;
    }
    ch.position += ch.step;
  }
}
