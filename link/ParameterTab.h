// SPDX-License-Identifier: MIT
// The parameters tab as the parameter read and write see it.
#pragma once

#include "params/ParameterBlock.h"

namespace canalarm {

class ParameterTab {
 public:
  virtual ~ParameterTab() = default;
  // Shows `set`, running the tab's change handlers as a user's clicks would.
  virtual void Fill(const ParameterSet& set) = 0;
  // The values the tab shows now.
  virtual ParameterSet Current() const = 0;
  // Enables or disables the write button (`BitBtn1`).
  virtual void SetWriteEnabled(bool enabled) = 0;
};

// A tab without widgets, for the command line and tests.
class PlainParameterTab : public ParameterTab {
 public:
  void Fill(const ParameterSet& set) override { set_ = set; }
  ParameterSet Current() const override { return set_; }
  void SetWriteEnabled(bool enabled) override { writeEnabled_ = enabled; }

  ParameterSet& Values() { return set_; }
  bool WriteEnabled() const { return writeEnabled_; }

 private:
  ParameterSet set_;
  bool writeEnabled_ = false;
};

}  // namespace canalarm
