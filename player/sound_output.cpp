#include "player/sound_output.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QMediaDevices>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace orvia::player {

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr int kTopUpMs = 10;

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
  sink_->setBufferSize(format_.bytesForDuration(kSinkBufferMs * 1000));
  sink_->setVolume(volume_ / 10.0);
  device_ = sink_->start();
  if (!device_) {
    sink_.reset();
    return false;
  }
  openFailed_ = false;
  pendingLimit_ = static_cast<size_t>(format_.bytesForDuration(kQueueLimitMs * 1000));
  pending_.clear();
  pending_.reserve(pendingLimit_);
  written_ = accepted_ = 0;
  marks_.clear();
  if (!topUpTimer_) {
    topUpTimer_ = std::make_unique<QTimer>();
    topUpTimer_->setInterval(kTopUpMs);
    topUpTimer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(topUpTimer_.get(), &QTimer::timeout, [this] { TopUp(); });
  }
  return true;
}

void SoundOutput::TopUp() {
  if (!device_) {
    if (topUpTimer_) topUpTimer_->stop();
    return;
  }
  if (!pending_.empty()) {
    const qsizetype frameBytes = format_.bytesPerFrame() > 0 ? format_.bytesPerFrame() : 1;
    qsizetype n = std::min<qsizetype>(sink_->bytesFree(), static_cast<qsizetype>(pending_.size()));
    n -= n % frameBytes;
    const qint64 written = n > 0 ? device_->write(reinterpret_cast<const char*>(pending_.data()), n) : 0;
    if (written > 0) {
      pending_.erase(pending_.begin(), pending_.begin() + written);
      written_ += written;
    }
  }
  ReportPlayed();
  if (pending_.empty() && marks_.empty()) {
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
  if (trace_) MarkPeak(block.first(n), accepted_);
  pending_.insert(pending_.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(n));
  accepted_ += static_cast<int64_t>(n);
  dropped_ += static_cast<int64_t>(block.size() - n);
  TopUp();
}

void SoundOutput::SetVolume(int level) {
  volume_ = level < 0 ? 0 : (level > 10 ? 10 : level);
  if (sink_) sink_->setVolume(volume_ / 10.0);
}

void SoundOutput::Flush() {
  // Marks beyond what the sink took will never play.
  const int64_t inSink = written_;
  marks_.erase(
      std::remove_if(marks_.begin(), marks_.end(), [inSink](const PeakMark& m) { return m.at >= inSink; }),
      marks_.end());
  accepted_ -= static_cast<int64_t>(pending_.size());
  pending_.clear();
}

void SoundOutput::Stop() {
  if (sink_) {
    sink_->reset();
    sink_->stop();
  }
  if (topUpTimer_) topUpTimer_->stop();
  pending_.clear();
  marks_.clear();
  sink_.reset();
  device_ = nullptr;
  openFailed_ = false;
}

int64_t SoundOutput::processedUSecs() const { return sink_ ? sink_->processedUSecs() : 0; }

int64_t SoundOutput::UsFor(int64_t bytes) const {
  const int64_t frame = format_.bytesPerFrame();
  const int64_t rate = format_.sampleRate();
  if (frame <= 0 || rate <= 0) return 0;
  return bytes / frame * 1000000 / rate;
}

int64_t SoundOutput::queuedUSecs() const {
  if (!device_) return openFailed_ || !format_.isValid() ? -1 : 0;
  const int64_t inSink = std::max<int64_t>(0, UsFor(written_) - processedUSecs());
  return UsFor(static_cast<int64_t>(pending_.size())) + inSink;
}

void SoundOutput::SetTrace(AvTraceSink* trace, int64_t (*steadyNs)()) {
  trace_ = steadyNs ? trace : nullptr;
  steadyNs_ = steadyNs;
  marks_.clear();
}

void SoundOutput::MarkPeak(std::span<const uint8_t> block, int64_t at) {
  const int bytes = format_.bytesPerSample();
  if (bytes <= 0) return;
  int32_t peak = -1;
  size_t peakAt = 0;
  for (size_t i = 0; i + static_cast<size_t>(bytes) <= block.size(); i += static_cast<size_t>(bytes)) {
    int32_t v = 0;
    if (bytes == 1) {
      v = (static_cast<int32_t>(block[i]) - 128) * 256;
    } else if (bytes == 2) {
      int16_t s = 0;
      std::memcpy(&s, &block[i], 2);
      v = s;
    } else {
      int32_t s = 0;
      std::memcpy(&s, &block[i], 4);
      v = s / 65536;
    }
    v = std::min(std::abs(v), 32767);
    if (v > peak) {
      peak = v;
      peakAt = i;
    }
  }
  if (peak >= 0) marks_.push_back({at + static_cast<int64_t>(peakAt), peak});
}

void SoundOutput::ReportPlayed() {
  if (!trace_ || marks_.empty()) return;
  const int64_t processed = processedUSecs();
  const int64_t now = steadyNs_();
  size_t done = 0;
  // The sink plays at its rate: a sample that played `late` microseconds
  // ago went out then.
  while (done < marks_.size()) {
    const int64_t markUs = UsFor(marks_[done].at);
    if (processed < markUs) break;
    trace_->SoundPlayed(now - (processed - markUs) * 1000, marks_[done].peak);
    ++done;
  }
  marks_.erase(marks_.begin(), marks_.begin() + static_cast<std::ptrdiff_t>(done));
}

}  // namespace orvia::player
