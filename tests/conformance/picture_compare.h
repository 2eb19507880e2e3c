// A rendered picture against the suite's expected one, by the suite's rule
// (outliers over a tolerance) and by ours (most pixels close on every channel).
#pragma once

#include "tests/conformance/suite_case.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ww::conformance {

// Our rule: at least kNearShare of the pixels within kNearDistance on each
// channel. It forgives anti-aliasing that differs at edges, not a wrong shape.
constexpr int kNearDistance = 16;
constexpr double kNearShare = 0.95;

// Straight (not premultiplied) RGBA, rows top down.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
};

// How far the pictures are apart: pixels counted by their largest channel
// difference, so that any tolerance can be asked afterwards.
struct PictureDifference {
    bool sameSize = false;
    uint64_t pixels = 0;
    std::array<uint64_t, 256> byLargestDifference{};

    uint64_t OutliersOver(int tolerance) const;
    double NearShare() const; // of pixels within kNearDistance, 0..1
};

PictureDifference ComparePictures(const Picture& expected, const Picture& actual);

struct ComparisonVerdict {
    bool suitePass = false;
    bool ourPass = false;
    std::string reason; // why it fails by either rule; empty when both pass
};

ComparisonVerdict Judge(const PictureDifference& difference, const std::vector<SuiteCheck>& checks,
                        const Picture& expected, const Picture& actual);

// The file's pixels as straight RGBA; false with the reason.
bool DecodePng(const std::string& path, Picture* picture, std::string* error);

} // namespace ww::conformance
