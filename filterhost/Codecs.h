// The file format readers and writers behind ReadDocument and WriteDocument.
// Each reader throws HostError ("<path>: <problem>") and never lets a
// library abort the process: libtiff errors are collected by a handler,
// libpng and libjpeg errors jump back out of the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "filterhost/Document.h"

namespace filterhost {

Document ReadTiff(const std::string& path);
Document ReadPng(const std::string& path);
Document ReadJpeg(const std::string& path);

/// The same readers on a whole file held in memory; `name` stands in for the
/// path in messages.
Document ReadTiffFromMemory(const uint8_t* data, size_t size, const std::string& name);
Document ReadPngFromMemory(const uint8_t* data, size_t size, const std::string& name);
Document ReadJpegFromMemory(const uint8_t* data, size_t size, const std::string& name);

void WriteTiff(const Document& doc, const std::string& path, TiffCompression compression);
void WritePng(const Document& doc, const std::string& path, int level);
void WriteJpeg(const Document& doc, const std::string& path, int quality);

/// Refuses sizes the filter record cannot carry (and empty images).
void CheckDimensions(const std::string& path, uint64_t width, uint64_t height);

}  // namespace filterhost
