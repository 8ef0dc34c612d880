#pragma once
// The wide-formats setting on for one scope (24- and 32-bit, float, RF64), off after.

#include "analysis/WaveRead.h"

namespace quillon::test {

class WideFormatsOn {
public:
    WideFormatsOn() { engine::SetWideFormats(true); }
    ~WideFormatsOn() { engine::SetWideFormats(false); }
    WideFormatsOn(const WideFormatsOn&) = delete;
    WideFormatsOn& operator=(const WideFormatsOn&) = delete;
};

}  // namespace quillon::test
