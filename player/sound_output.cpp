#include "player/sound_output.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QMediaDevices>

namespace orvia::player {

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr int kBufferMs = 1000;

}  // namespace

QAudioFormat ToAudioFormat(const SoundFormat& format) {
  QAudioFormat qt;
  if (format.formatTag != kFormatPcm || format.channels == 0 || format.channels > 8 || format.sampleRate == 0 ||
      format.sampleRate > 192000) {
    return qt;
  }
  switch (format.bitsPerSample) {
    case 8:
      qt.setSampleFormat(QAudioFormat::UInt8);
      break;
    case 16:
      qt.setSampleFormat(QAudioFormat::Int16);
      break;
    case 32:
      qt.setSampleFormat(QAudioFormat::Int32);
      break;
    default:
      return QAudioFormat();
  }
  qt.setChannelCount(format.channels);
  qt.setSampleRate(static_cast<int>(format.sampleRate));
  return qt;
}

SoundOutput::SoundOutput() = default;

SoundOutput::~SoundOutput() { Stop(); }

bool SoundOutput::SetFormat(const SoundFormat& format) {
  const QAudioFormat next = ToAudioFormat(format);
  if (next != format_) {
    Stop();
    format_ = next;
  }
  return format_.isValid();
}

bool SoundOutput::Open() {
  if (device_) return true;
  if (openFailed_ || !format_.isValid()) return false;
  openFailed_ = true;
  const QAudioDevice output = QMediaDevices::defaultAudioOutput();
  if (output.isNull() || !output.isFormatSupported(format_)) return false;
  sink_ = std::make_unique<QAudioSink>(output, format_);
  sink_->setBufferSize(format_.bytesForDuration(kBufferMs * 1000));
  sink_->setVolume(volume_ / 10.0);
  device_ = sink_->start();
  if (!device_) {
    sink_.reset();
    return false;
  }
  openFailed_ = false;
  return true;
}

void SoundOutput::Play(std::span<const uint8_t> block) {
  if (block.empty()) return;
  if (!Open()) {
    dropped_ += static_cast<int64_t>(block.size());
    return;
  }
  // Whole frames only, so that channels and bytes of a sample stay aligned.
  const qsizetype frameBytes = format_.bytesPerFrame() > 0 ? format_.bytesPerFrame() : 1;
  qsizetype room = sink_->bytesFree();
  qsizetype n = static_cast<qsizetype>(block.size());
  if (n > room) n = room;
  n -= n % frameBytes;
  qint64 written = n > 0 ? device_->write(reinterpret_cast<const char*>(block.data()), n) : 0;
  if (written < 0) written = 0;
  dropped_ += static_cast<int64_t>(block.size()) - written;
}

void SoundOutput::SetVolume(int level) {
  volume_ = level < 0 ? 0 : (level > 10 ? 10 : level);
  if (sink_) sink_->setVolume(volume_ / 10.0);
}

void SoundOutput::Stop() {
  if (sink_) {
    sink_->reset();
    sink_->stop();
  }
  sink_.reset();
  device_ = nullptr;
  openFailed_ = false;
}

int64_t SoundOutput::processedUSecs() const { return sink_ ? sink_->processedUSecs() : 0; }

}  // namespace orvia::player
