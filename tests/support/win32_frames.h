// What a window shows, read back as pixels, and the frames the command-line
// renderer draws, so a test can tell which frame of a movie a window shows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ww::test {

struct Pixels {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb; // top row first
};

// What the screen shows of a window's client area.
bool CaptureClient(HWND hwnd, Pixels* out);
bool ReadPng(const std::string& path, Pixels* out);
bool SaveBmp(const Pixels& image, const std::string& path);
// The mean difference of two same-sized images per channel, 0 to 255; 255
// when the sizes differ.
double MeanDifference(const Pixels& a, const Pixels& b);
// The pixels of a bitmap (a resource or a file loaded by LoadImage).
bool PixelsOfBitmap(HBITMAP bitmap, Pixels* out);
// image scaled to width x height, each pixel the average of the area of the
// image it covers: what a smooth scaling of artwork looks like.
Pixels ScaledByArea(const Pixels& image, int width, int height);
// Pixels lighter or darker than all eight neighbours: dots that a smooth
// scaling of clean artwork does not make.
int StrayPixels(const Pixels& image);

// The frame of the rendered frames (1-based) nearest to shown, with its
// difference.
struct FrameMatch {
    int frame = 0;
    double difference = 255;
};
FrameMatch NearestFrame(const Pixels& shown, const std::vector<Pixels>& frames);

// The folder where tests leave screenshots for a person to look at.
std::string ArtefactFolder();

} // namespace ww::test
