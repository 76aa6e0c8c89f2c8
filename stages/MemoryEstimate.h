// How much memory converting a picture takes, worked out from stated sizes
// before anything large is allocated, so that a file too large for the
// memory at hand is refused with its reason instead of failing half-way (or
// taking the machine down: a 1 x 10,000 picture needs gigabytes to tone-map).
#pragma once

#include <cstdint>
#include <string>

struct SettingsRecord;

// Peak bytes of each large step, from the sizes it starts with.
std::uint64_t LoadBytes(std::int64_t width, std::int64_t height);
std::uint64_t ToneMappingBytes(std::int64_t width, std::int64_t height);
// bytesPerPixel is 12 for floating-point RGB, 3 or 4 for ordinary pictures.
std::uint64_t ResizeBytes(std::int64_t width, std::int64_t height, std::int64_t targetWidth,
                          std::int64_t targetHeight, std::int64_t bytesPerPixel);
std::uint64_t RotationBytes(std::int64_t width, std::int64_t height, int degrees, int type);
// A watermark picture of the stated size made into a label.
std::uint64_t ImageLabelBytes(std::int64_t width, std::int64_t height);

// The peak working set of converting one width x height input with these
// settings to conversionType, a watermark picture of the stated size included
// (0 x 0 when there is none). A pure function of its arguments, so that a
// scheduler can weigh files against each other before starting them.
std::uint64_t EstimateFileWorkingSet(std::int64_t width, std::int64_t height,
                                     const SettingsRecord& settings,
                                     const std::string& conversionType,
                                     std::int64_t watermarkWidth = 0,
                                     std::int64_t watermarkHeight = 0);

// True when bytes fit in the memory the process can still take; otherwise
// notes the file as too large ("tone mapping needs N MiB, M MiB available")
// and returns false. step names what needs the memory.
bool EnsureMemoryFor(std::uint64_t bytes, const std::string& step);

// The stated size of a picture file, read from its header without decoding
// the pixels; false when the header cannot be read.
bool ReadStatedSize(const std::string& path, int format, std::int64_t& width, std::int64_t& height);

// The whole-file check made before loading: the input's stated size (and the
// watermark picture's) with the current settings. A file whose header cannot
// be read passes here and fails at the load.
bool InputFitsInMemory(const std::string& path);
// The working set InputFitsInMemory weighs for path, or 0 when its header
// cannot be read; a scheduler uses it to keep files in flight within memory.
std::uint64_t EstimateInputWorkingSet(const std::string& path);
