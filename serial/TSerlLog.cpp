// SPDX-License-Identifier: MIT
#include "serial/TSerlLog.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "serial/SerlRecordingState.h"
#include "serial/TSerlTrace.h"

namespace canalarm::serl {

namespace {

const char* EventName(TLogEvent e) {
  switch (e) {
    case TLogEvent::DeviceRead: return "Read";
    case TLogEvent::DeviceWrite: return "Write";
    case TLogEvent::QueueOutput: return "Queue";
    case TLogEvent::Purge: return "Purge";
    case TLogEvent::SetLine: return "SetLine";
    case TLogEvent::WriteAborted: return "WriteAbort";
  }
  return "?";
}

}  // namespace

void TSerlLog::Start(std::uint32_t size) {
  if (size > kMaxLogSize) size = kMaxLogSize;
  records_.clear();
  used_ = 0;
  capacity_ = size;
  state_ = TTraceLogState::tlOn;
}

void TSerlLog::Stop() {
  records_.clear();
  used_ = 0;
  state_ = TTraceLogState::tlOff;
}

int TSerlLog::Apply(TTraceLogState value, const Settings& settings) {
  return ApplyRecordingState(
      state_, value, settings.size, [this](std::uint32_t size) { Start(size); },
      [this] { Stop(); },
      [this] {
        records_.clear();
        used_ = 0;
      },
      [this, &settings](bool append) { return Dump(settings, append); });
}

void TSerlLog::Resize(const Settings& settings) {
  ResizeRecording(
      state_, settings.size, [this](std::uint32_t size) { Start(size); }, [this] { Stop(); });
}

void TSerlLog::Add(std::uint32_t elapsedMs, TLogEvent event, std::int32_t detail,
                   std::span<const std::uint8_t> bytes) {
  if (state_ != TTraceLogState::tlOn) return;
  const std::size_t cost = kRecordBytes + bytes.size();
  if (cost > capacity_) return;
  while (used_ + cost > capacity_ && !records_.empty()) {
    used_ -= kRecordBytes + records_.front().bytes.size();
    records_.pop_front();
  }
  records_.push_back({elapsedMs, event, detail, {bytes.begin(), bytes.end()}});
  used_ += cost;
}

std::string TSerlLog::Render(bool hex, bool allHex) const {
  std::string text;
  char line[64];
  for (const auto& r : records_) {
    std::snprintf(line, sizeof line, "%7u.%02u s  %-11s %6d", r.elapsedMs / 1000,
                  (r.elapsedMs % 1000) / 10, EventName(r.event), static_cast<int>(r.detail));
    text += line;
    if (!r.bytes.empty()) text += " ";
    for (std::uint8_t b : r.bytes) {
      if (!allHex && b > ' ' && b <= '~') {
        text += ' ';
        text += static_cast<char>(b);
      } else if (hex || allHex) {
        std::snprintf(line, sizeof line, " %02X", b);
        text += line;
      } else {
        std::snprintf(line, sizeof line, " [%u]", b);
        text += line;
      }
    }
    text += '\n';
  }
  return text;
}

int TSerlLog::Dump(const Settings& settings, bool append) {
  const std::string text = Render(settings.hex, settings.allHex);
  const bool empty = records_.empty();
  Stop();
  if (empty) return 0;
  std::error_code ec;
  const bool exists = std::filesystem::exists(settings.fileName, ec);
  std::FILE* f = std::fopen(settings.fileName.c_str(), append && exists ? "a" : "w");
  if (f == nullptr) return FileErrorCode(errno);
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  const int err = errno;
  if (std::fclose(f) != 0 || !ok) return FileErrorCode(ok ? errno : err);
  return 0;
}

}  // namespace canalarm::serl
