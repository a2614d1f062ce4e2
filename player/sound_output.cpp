#include "player/sound_output.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QMediaDevices>
#include <QTimer>
#include <cstring>

namespace orvia::player {

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr int kBufferMs = 1000;   // asked of the sink
constexpr int kPendingMs = 2000;  // our queue in front of it
constexpr int kTopUpMs = 20;

}  // namespace

QAudioFormat ToAudioFormat(const SoundFormat& format) {
  QAudioFormat qt;
  if (format.formatTag != kFormatPcm || format.channels == 0 || format.channels > 8 ||
      format.sampleRate == 0 || format.sampleRate > 192000) {
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
  pendingLimit_ = static_cast<size_t>(format_.bytesForDuration(kPendingMs * 1000));
  pending_.clear();
  pending_.reserve(pendingLimit_);
  if (!topUpTimer_) {
    topUpTimer_ = std::make_unique<QTimer>();
    topUpTimer_->setInterval(kTopUpMs);
    QObject::connect(topUpTimer_.get(), &QTimer::timeout, [this] { TopUp(); });
  }
  return true;
}

void SoundOutput::TopUp() {
  if (!device_ || pending_.empty()) {
    if (topUpTimer_) topUpTimer_->stop();
    return;
  }
  const qsizetype frameBytes = format_.bytesPerFrame() > 0 ? format_.bytesPerFrame() : 1;
  qsizetype n = std::min<qsizetype>(sink_->bytesFree(), static_cast<qsizetype>(pending_.size()));
  n -= n % frameBytes;
  qint64 written = n > 0 ? device_->write(reinterpret_cast<const char*>(pending_.data()), n) : 0;
  if (written > 0) pending_.erase(pending_.begin(), pending_.begin() + written);
  if (pending_.empty()) {
    topUpTimer_->stop();
  } else if (!topUpTimer_->isActive()) {
    topUpTimer_->start();
  }
}

void SoundOutput::Play(std::span<const uint8_t> block) {
  if (block.empty()) return;
  if (!Open()) {
    dropped_ += static_cast<int64_t>(block.size());
    return;
  }
  const size_t room = pendingLimit_ - std::min(pendingLimit_, pending_.size());
  const size_t n = std::min(room, block.size());
  pending_.insert(pending_.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(n));
  dropped_ += static_cast<int64_t>(block.size() - n);
  TopUp();
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
  if (topUpTimer_) topUpTimer_->stop();
  pending_.clear();
  sink_.reset();
  device_ = nullptr;
  openFailed_ = false;
}

int64_t SoundOutput::processedUSecs() const { return sink_ ? sink_->processedUSecs() : 0; }

}  // namespace orvia::player
