// SPDX-License-Identifier: MIT
#include "serial/TSerlTrace.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "serial/SerlErrors.h"
#include "serial/SerlRecordingState.h"

namespace canalarm::serl {

int FileErrorCode(int err) noexcept {
  switch (err) {
    case ENOENT: return -sysFileNotFound;
    case ENOTDIR: return -sysPathNotFound;
    case EACCES: case EPERM: case EROFS: return -sysAccessDenied;
    case EMFILE: case ENFILE: return -4;
    case ENOSPC: return -101;
    default: return -160;  // device write error
  }
}

void TSerlTrace::Start(std::uint32_t size) {
  if (size > kMaxTraceSize) size = kMaxTraceSize;
  if (size == 0) size = 1;
  buffer_.assign(size, TSerlTraceEntry{});
  next_ = 0;
  wrapped_ = false;
  state_ = TTraceLogState::tlOn;
}

void TSerlTrace::Stop() {
  buffer_.clear();
  buffer_.shrink_to_fit();
  next_ = 0;
  wrapped_ = false;
  state_ = TTraceLogState::tlOff;
}

int TSerlTrace::Apply(TTraceLogState value, const Settings& settings) {
  return ApplyRecordingState(
      state_, value, settings.size, [this](std::uint32_t size) { Start(size); },
      [this] { Stop(); },
      [this] {
        next_ = 0;
        wrapped_ = false;
      },
      [this, &settings](bool append) { return Dump(settings, append); });
}

void TSerlTrace::Resize(const Settings& settings) {
  ResizeRecording(
      state_, settings.size, [this](std::uint32_t size) { Start(size); }, [this] { Stop(); });
}

void TSerlTrace::Add(char kind, std::uint8_t byte) noexcept {
  if (state_ != TTraceLogState::tlOn || buffer_.empty()) return;
  buffer_[next_] = {kind, byte};
  if (++next_ == buffer_.size()) {
    next_ = 0;
    wrapped_ = true;
  }
}

std::vector<TSerlTraceEntry> TSerlTrace::Entries() const {
  std::vector<TSerlTraceEntry> out;
  if (wrapped_) out.insert(out.end(), buffer_.begin() + static_cast<std::ptrdiff_t>(next_), buffer_.end());
  out.insert(out.end(), buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(next_));
  return out;
}

std::string TSerlTrace::Render(const std::vector<TSerlTraceEntry>& entries, bool hex, bool allHex) {
  std::string text;
  int column = 0;
  char lastKind = 0;
  bool first = true;
  char item[16];
  for (const auto& e : entries) {
    if (first || e.kind != lastKind) {
      if (!first) text += "\n\n";
      if (e.kind == 'T') {
        text += "Transmit: \n";
      } else if (e.kind == 'R') {
        text += "Receive: \n";
      } else {
        text += "Special-";
        text += e.kind;
        text += ": \n";
      }
      column = 0;
      lastKind = e.kind;
      first = false;
    }
    const unsigned char b = e.byte;
    const unsigned char lowest = hex ? '!' : ' ';
    if (allHex || ((b < lowest || b > '~') && hex)) {
      std::snprintf(item, sizeof item, "[%02X]", b);
    } else if (b >= lowest && b <= '~') {
      item[0] = static_cast<char>(b);
      item[1] = 0;
    } else {
      std::snprintf(item, sizeof item, "[%u]", b);
    }
    const int width = static_cast<int>(std::char_traits<char>::length(item));
    column += width;
    if (column > 78) {
      text += '\n';
      column = width;
    }
    text += item;
  }
  if (!first) text += '\n';
  return text;
}

int TSerlTrace::Dump(const Settings& settings, bool append) {
  auto entries = Entries();
  Stop();
  if (entries.empty()) return 0;
  std::error_code ec;
  const bool exists = std::filesystem::exists(settings.fileName, ec);
  std::FILE* f = std::fopen(settings.fileName.c_str(), append && exists ? "a" : "w");
  if (f == nullptr) return FileErrorCode(errno);
  const std::string text = Render(entries, settings.hex, settings.allHex);
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  const int err = errno;
  if (std::fclose(f) != 0 || !ok) return FileErrorCode(ok ? errno : err);
  return 0;
}

}  // namespace canalarm::serl
