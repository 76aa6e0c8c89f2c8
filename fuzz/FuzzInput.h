// Shared by the fuzz targets: the fuzz input as a file, for the readers that
// take a path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A private scratch folder for this process, ending with "/", created on first use.
std::string FuzzFolder();

// Writes data to one file in FuzzFolder() (the same file every call, name
// ending in extension) and returns its path.
std::string WriteFuzzFile(const std::uint8_t* data, std::size_t size, const std::string& extension);
