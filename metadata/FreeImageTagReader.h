#pragma once

#include "metadata/TagSource.h"

// Reads a photo's dimensions and known tags through FreeImage, in this process. Only the reader
// process (and the benchmark) use it directly: a corrupt photo can crash FreeImage.
class FreeImageTagReader : public TagSource {
public:
    // Initialises FreeImage for this process and silences its console output.
    FreeImageTagReader();
    ~FreeImageTagReader() override;
    FreeImageTagReader(const FreeImageTagReader&) = delete;
    FreeImageTagReader& operator=(const FreeImageTagReader&) = delete;

    TagReading Read(const std::string& path) override;
};
