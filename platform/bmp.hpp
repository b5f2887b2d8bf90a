#pragma once
// Uncompressed bottom-up BMP files of 1, 8 and 32 bits per pixel.

#include <string>

#include "platform/raster.hpp"

namespace kelvora {

// Loads a BMP file; on failure returns an empty bitmap and sets `error` to a short reason.
// 24-bit files load as 32-bit bitmaps; `file_depth`, when given, receives the file's own depth.
Bitmap load_bmp(const std::string& path, std::string& error, int* file_depth = nullptr);

// Saves a bitmap as an uncompressed bottom-up BMP (a full colour table for 1 and 8 bits).
bool save_bmp(const std::string& path, const Bitmap& bitmap);

}  // namespace kelvora
