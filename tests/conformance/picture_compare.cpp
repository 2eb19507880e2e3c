#include "tests/conformance/picture_compare.h"

#include "movie/render.h"

#include <stb_image.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace ww::conformance {

namespace {

// Expected pictures are a few hundred pixels a side; anything beyond the
// renderer's own limits is refused before it is decoded.
constexpr size_t kMaxPngBytes = 64u << 20;

std::string Percent(double share) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %%", share * 100);
    return text;
}

} // namespace

uint64_t PictureDifference::OutliersOver(int tolerance) const {
    uint64_t outliers = 0;
    for (int d = std::max(tolerance + 1, 0); d < 256; ++d)
        outliers += byLargestDifference[d];
    return outliers;
}

double PictureDifference::NearShare() const {
    if (pixels == 0)
        return 1;
    uint64_t near = 0;
    for (int d = 0; d <= kNearDistance; ++d)
        near += byLargestDifference[d];
    return double(near) / double(pixels);
}

PictureDifference ComparePictures(const Picture& expected, const Picture& actual) {
    PictureDifference diff;
    const size_t bytes = size_t(expected.width) * size_t(expected.height) * 4;
    diff.sameSize = expected.width == actual.width && expected.height == actual.height &&
                    expected.rgba.size() == bytes && actual.rgba.size() == bytes;
    if (!diff.sameSize)
        return diff;
    diff.pixels = bytes / 4;
    const uint8_t* e = expected.rgba.data();
    const uint8_t* a = actual.rgba.data();
    for (size_t i = 0; i < bytes; i += 4) {
        int largest = 0;
        for (int c = 0; c < 4; ++c)
            largest = std::max(largest, std::abs(int(e[i + c]) - int(a[i + c])));
        ++diff.byLargestDifference[largest];
    }
    return diff;
}

ComparisonVerdict Judge(const PictureDifference& difference, const std::vector<SuiteCheck>& checks,
                        const Picture& expected, const Picture& actual) {
    ComparisonVerdict v;
    if (!difference.sameSize) {
        v.reason = "size mismatch: expected " + std::to_string(expected.width) + "x" +
                   std::to_string(expected.height) + ", rendered " + std::to_string(actual.width) +
                   "x" + std::to_string(actual.height);
        return v;
    }
    v.suitePass = true;
    std::string suiteReason;
    for (const SuiteCheck& check : checks) {
        const uint64_t outliers = difference.OutliersOver(check.tolerance);
        if (outliers > uint64_t(check.maxOutliers)) {
            v.suitePass = false;
            suiteReason = std::to_string(outliers) + " pixels off by more than " +
                          std::to_string(check.tolerance) + " (suite allows " +
                          std::to_string(check.maxOutliers) + ")";
            break;
        }
    }
    const double near = difference.NearShare();
    v.ourPass = near >= kNearShare;
    if (!v.ourPass) {
        v.reason = "percentage off: " + Percent(near) + " of pixels within +-" +
                   std::to_string(kNearDistance) + " (needs " + Percent(kNearShare) + ")";
        if (!suiteReason.empty())
            v.reason += "; " + suiteReason;
    } else if (!v.suitePass) {
        v.reason = "suite rule: " + suiteReason + "; " + Percent(near) + " within +-" +
                   std::to_string(kNearDistance);
    }
    return v;
}

bool DecodePng(const std::string& path, Picture* picture, std::string* error) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        *error = "cannot open " + path;
        return false;
    }
    std::vector<uint8_t> bytes;
    uint8_t block[65536];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, file.get())) > 0) {
        if (n > kMaxPngBytes - bytes.size()) {
            *error = path + " is too large";
            return false;
        }
        bytes.insert(bytes.end(), block, block + n);
    }
    if (std::ferror(file.get()) || bytes.empty() || bytes.size() > INT32_MAX) {
        *error = "cannot read " + path;
        return false;
    }
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(bytes.data(), int(bytes.size()), &width, &height, &channels) ||
        width <= 0 || height <= 0 || width > movie::kMaxOutputSide ||
        height > movie::kMaxOutputSide ||
        uint64_t(width) * uint64_t(height) > movie::kMaxOutputPixels) {
        *error = path + " is not a PNG picture of a size we draw";
        return false;
    }
    std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
        stbi_load_from_memory(bytes.data(), int(bytes.size()), &width, &height, &channels, 4),
        &stbi_image_free);
    if (!pixels) {
        *error = path + " cannot be decoded";
        return false;
    }
    picture->width = width;
    picture->height = height;
    picture->rgba.assign(pixels.get(), pixels.get() + size_t(width) * size_t(height) * 4);
    return true;
}

} // namespace ww::conformance
